// Gathering the generated stand files of airports the traffic source supports
// into "tblo" and packing them into "tblo.zip" for the maker's archive.
#pragma once

#include <filesystem>

#include "core/paths.h"

namespace gwr {

// The archive lies inside the collection folder.
inline const std::filesystem::path tbloArchive = tbloFolder / "tblo.zip";
inline constexpr std::string_view tbloMailAddress = "airports@gatewright.invalid";

// Copy the stand files of known airports, generated or hand-made, from
// "my_simaddon" or "my_thirdparty" to "tblo"; a generated file with a link
// beside it is then removed. Hand-made files are never removed.
void gf_collectSimaddonFiles();
void gf_collectThirdPartyFiles();

// Packs the files directly in "tblo" into zipFile (replacing an old one), then
// reads the archive back. A file that cannot be read is left out with its log
// line. True only when every file read went in and came back unchanged;
// otherwise the archive is removed again.
bool gf_zipTblo(const std::filesystem::path& zipFile);

} // namespace gwr
