// The add-on airport scan: finds the airports installed as simulator packages
// and gives each a link to an archived stand file or a generated stand file.
#pragma once

#include <filesystem>
#include <vector>

namespace gwr {

inline constexpr std::size_t reservedScanRoots = 10;
inline constexpr std::size_t longestScannedPathChars = 250;  // longer paths are not descended into

// The whole scan, run by the start-up thread while SCAN_AIRPORTS is on. Every
// scan switches it off, also one that was stopped or that an error ended.
// Throws UserErrorException 522 when "ICAO_airports.txt" is missing (it then
// stays on: the scan has not begun).
void gf_scanAirports();

// The part after the roots are known (tests call it with their own roots).
void gf_scanAirportRoots(const std::vector<std::filesystem::path>& roots);

// Fills the supported-airport code set from "input/ICAO_airports.txt".
void gf_readRtAirportCodes();

// The BGL folder walk does not enter such a path: one too long for the
// simulator's platform, or one whose part below root names a package kind
// without airports (the user's own folders above root are not looked at).
bool gf_isExcludedPackagePath(const std::filesystem::path& path, const std::filesystem::path& root = {});

} // namespace gwr
