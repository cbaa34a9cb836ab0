// One [fltsim.N] section of an IVAO package file: the airline is read from
// the title behind the model code and the texture folder must exist.
#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "liveries/livery_record.h"

namespace gwr {

// IVAO folders whose titles carry a 'W' between model code and airline.
inline constexpr std::array<std::string_view, 5> specialIvaoFolders{
    "IVAO_B738WLfa", "IVAO_B739WLfa", "IVAO_A320wCFM", "IVAO_A320wIAE", "IVAO_A319fIAEw"};

// Whether the folder's path names one of the special folders (any case).
bool gf_isSpecialIvaoFolder(const std::filesystem::path& folder);

// The airline code the title carries: the title begins with the model code
// (any case), then 'W' in a special folder, optional blanks and three word
// characters, as written. Empty when the title does not read so.
std::string gf_ivaoAirlineOfTitle(const std::string& title, const std::string& model, bool specialFolder);

// The livery record of one section, or the empty record with the reason in
// IncompleteSectionLines or InvalidAirlineLines. sectionLines: header line
// first; trailing empty and "//" lines are removed from it. A failing test of
// the texture folder (other than a missing one) throws.
LiveryData gf_processIvaoFltSimSection(int folderRank, std::vector<std::string>& sectionLines,
                                       const std::string& model, const std::filesystem::path& file,
                                       const std::filesystem::path& folder);

} // namespace gwr
