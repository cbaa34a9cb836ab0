// The airport scan's report lines and the supported-airport test.
#include "airports/scan_log.h"

#include <utility>

#include <fmt/format.h>

#include "core/fixed_code.h"
#include "refdata/airports_table.h"

namespace gwr {

std::vector<std::string> ScanLog;

void gf_scanNote(std::string line) { ScanLog.push_back(std::move(line)); }

RtAirportAnswer gf_isRtAirport(std::string code) {
  if (code.size() == 3 || code.size() == 4)
    for (char& c : code)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  if (code.size() != 4) return {std::move(code), false, 2};
  bool known = false;
  try {
    known = gf_isKnownAirport(FixedCode<4>(code));
  } catch (const std::invalid_argument&) {
    known = false;  // not letters and digits: no airport of the table
  }
  if (known) return {std::move(code), true, 0};
  gf_scanNote(fmt::format("{} is not an airport supported by RealTraffic", code));
  return {std::move(code), false, 3};
}

} // namespace gwr
