// One [fltsim.N] section of an IVAO package file: the airline is read from
// the title behind the model code and the texture folder must exist.
#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "liveries/aircraft_cfg_sections.h"
#include "liveries/livery_record.h"

namespace gwr {

// The IVAO package folders, named by Windows users: compared without case.
inline constexpr std::string_view ivaoMtlPackage = "IVAO_MTL";
inline constexpr std::string_view ivaoCslPackage = "ivao_x-csl";
inline constexpr std::array<std::string_view, 2> ivaoPackageNames{ivaoMtlPackage, ivaoCslPackage};

// IVAO folders whose titles carry a 'W' between model code and airline.
inline constexpr std::array<std::string_view, 5> specialIvaoFolders{
    "IVAO_B738WLfa", "IVAO_B739WLfa", "IVAO_A320wCFM", "IVAO_A320wIAE", "IVAO_A319fIAEw"};

// Whether a folder's report path text names one of the special folders (any case).
bool gf_isSpecialIvaoFolder(std::string_view folderText);

// The airline code the title carries: the title begins with the model code
// (any case), then 'W' in a special folder, optional blanks and three word
// characters, as written. Empty when the title does not read so.
std::string gf_ivaoAirlineOfTitle(const std::string& title, const std::string& model, bool specialFolder);

// The livery record of one section, or the empty record (callers test it
// with gf_lacksAirlineOrModel) with the reason in IncompleteSectionLines or
// InvalidAirlineLines. sectionLines: header line first; trailing empty and
// "//" lines are removed from it. A failing test of the texture folder (other
// than a missing one) throws.
LiveryData gf_processIvaoFltSimSection(const CfgFileContext& context, std::vector<std::string>& sectionLines);

} // namespace gwr
