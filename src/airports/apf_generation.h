// The airport scan's outputs per airport: a link to an archived stand file when
// the archive has one, else a generated stand file; hand-made files are kept.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "airports/apf_data.h"
#include "core/fixed_code.h"

namespace gwr {

// True when a link file was written (or a hand-made file of the airport is
// kept, which a link would hide). A link that could not be written is reported
// and gives false, so that the caller makes a stand file instead.
bool gf_writeApfLinks(ApfData& apf);

// "archive/simaddon/XXXX.xml" when the edition in use lists the airport as the maker's; else empty.
std::string gf_simaddonArchivePath(FixedCode<4> icao);
// The third party's archived file, versioned name first; else empty.
std::string gf_thirdPartyArchivePath(const ApfData& apf);

// Writes the generated stand file of apf in "my_simaddon" or "my_thirdparty".
// A folder that cannot be made throws filesystem_error.
void gf_generateApf(ApfData& apf, std::int32_t helipads);

// Cuts path so that it begins at its first "Community"; unchanged without one.
void gf_cutPathAtCommunity(std::string& path);

// The stand file was written by hand: its parameter "handmade" is "true".
bool gf_isHandmadeApf(const std::filesystem::path& file);
// True (and reported) when a hand-made file of the airport lies in either folder.
bool gf_keepsHandmadeApf(FixedCode<4> icao);

} // namespace gwr
