// Where an airport's stand file lies (a local file, a link to an archived
// file, or the stock archive) and where its learned file goes.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "core/fixed_code.h"

namespace gwr {

inline constexpr std::string_view archivePrefix = "archive/";
inline constexpr std::string_view localApfPrefix = "airports";

std::string gf_apfFileNameText(FixedCode<4> icao);               // "EHAM.xml"
std::filesystem::path gf_apfFileName(FixedCode<4> icao);         // "EHAM.xml"
std::filesystem::path gf_apfLinkFileName(FixedCode<4> icao);     // "EHAM.txt"
// True for a name gf_apfFileNameText gives.
bool gf_isApfFileName(std::string_view name);
// The code (four blanks for none) followed by text without its dots.
std::string gf_apfCodeText(FixedCode<4> icao, std::string_view text);

// out := the stored path on the link's first line when it names an ".xml"
// file (any case); false otherwise, out then empty.
bool gf_readApfLink(const std::filesystem::path& link, std::string& out);

// The first of: my_thirdparty link, my_thirdparty file, my_simaddon link,
// my_simaddon file, the stock archive when the airports table lists stands;
// else empty. A failing existence test throws filesystem_error.
std::string gf_locateApf(FixedCode<4> icao);
bool gf_hasLocalApf(FixedCode<4> icao);

// A file name whose stem is longer than four characters keeps only the first four.
std::filesystem::path gf_shortApfPath(const std::filesystem::path& path);

// The learned file of a stored or local stand file path; empty when the
// path is none of the known kinds.
std::filesystem::path gf_mapStoredApfPath(const std::string& stored, const std::string& publisher);

// A publisher's name as one folder of the learned tree: separators become
// blanks; empty when nothing usable is left ("", ".", "..").
std::string gf_publisherFolderName(std::string publisher);

// Without leading and trailing ' '.
std::string gf_trimBlanks(const std::string& text);

} // namespace gwr
