// Timed report rows of the real-traffic scenarios and the feeder scenario
// text they are played from, shared by the scenario tables.
#pragma once

#include <fmt/format.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "airports/park_stand_table.h"
#include "core/geo.h"
#include "support/engine_harness.h"
#include "traffic/engine/live_ac.h"

namespace gwr::testsupport {

// Draws in [0, 1), one by one, the same on every platform (xorshift).
struct SameDraws {
  std::uint32_t seed;
  double next() {
    seed ^= seed << 13;
    seed ^= seed >> 17;
    seed ^= seed << 5;
    return static_cast<double>(seed) / 4294967296.0;
  }
};

inline constexpr double fieldFt = frankfurtFieldFt;
inline constexpr double onGroundBelowFt = fieldFt + 15.0;  // CG height and the simulator's tolerance
inline constexpr const char* lufthansa = "Airbus A320neo Lufthansa";

// One timed point of a flight, written straight into a scenario row; its
// report is sent from `off` metres away (position noise: the track the feed
// gives stays the path's).
struct Row {
  double time; LatLon at; double altitudeFt, kt, fpm; bool ground; double headingDeg = -1.0;
  LocalOffset off{};
  double trackDeg = -1.0;  // >= 0: the feed's track, not the way its path goes
};

// The row's report sent a further `metres` towards `bearingDeg` off its path.
inline void sentOff(Row& row, double bearingDeg, double metres) {
  row.off.north += metres * std::cos(bearingDeg * radiansPerDegree);
  row.off.east += metres * std::sin(bearingDeg * radiansPerDegree);
}

inline std::string scenarioText(const std::string& header, const std::vector<Row>& rows, double interval = 2.0) {
  std::string text = fmt::format("interval {}\n{}\n", interval, header);
  for (const Row& r : rows)
    text += fmt::format("{:.1f} {:.7f} {:.7f} {:.0f} {:.1f} {:.0f} {}{}{}{}\n", r.time, r.at.latitude, r.at.longitude,
                        r.altitudeFt, r.kt, r.fpm, r.ground ? "ground" : "air",
                        r.headingDeg >= 0.0 ? fmt::format(" {:.1f}", r.headingDeg) : std::string(),
                        r.trackDeg >= 0.0 ? fmt::format(" track {:.1f}", r.trackDeg) : std::string(),
                        r.off.north != 0.0 || r.off.east != 0.0 ? fmt::format(" off {:.2f} {:.2f}", r.off.north, r.off.east)
                                                                : std::string());
  return text;
}

// The stand table's one stand, given to an aircraft born on it, as the
// stand logic would.
inline bool tableStandAtBirth(LiveAc& ac) {
  const StandRecord& s = standTable.front();
  if (gf_greatCircleDistanceNm({ac.samples.front().lat, ac.samples.front().lon}, {s.latitude, s.longitude}) > 0.01)
    return false;
  ac.standLat = s.latitude;
  ac.standLon = s.longitude;
  ac.standHeading = s.heading;
  ac.standNumber = 1;
  ac.halfWingspan = 17.9 / 1852.0;  // the test's reference tables carry no wingspans
  return true;
}

} // namespace gwr::testsupport
