// The airport scan's report lines and its test of airport codes that the
// traffic source supports, shared by the scan and its scenery readers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gwr {

// Lines of "AirportsScanLog.txt", collected while the scan runs.
extern std::vector<std::string> ScanLog;

inline constexpr std::size_t scanLogReservedLines = 2048;

void gf_scanNote(std::string line);

struct RtAirportAnswer {
  std::string code;  // upper-cased when it has 3 or 4 characters
  bool supported = false;
  std::uint8_t reason = 0;  // 0 supported, 2 not four characters, 3 not in the airports table
};

// A four-character code the airports table holds is supported.
RtAirportAnswer gf_isRtAirport(std::string code);

} // namespace gwr
