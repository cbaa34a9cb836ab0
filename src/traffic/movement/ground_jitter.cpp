// Holding surface reports that jump: reach of a taxi and of a push-back from
// the newest report, and the jump found afterwards from the report before it.
#include "traffic/movement/ground_jitter.h"

#include <cmath>

#include "core/geo.h"
#include "refdata/airports_table.h"
#include "traffic/movement/ground_reports.h"
#include "traffic/movement/ground_steering.h"
#include "traffic/movement/movement_constants.h"
#include "traffic/movement/taxi_curves.h"

namespace gwr {

namespace {

constexpr double metresPerSecondPerKt = 1852.0 / 3600.0;
constexpr double ticksPerSecond = 100.0;

double metres(const PositionSample& a, const PositionSample& b) { return gf_legNm(a, b) * metresPerNm; }

// Whether r, `seconds` after `from`, is where the aircraft can be: ahead at
// most a taxi at its cap, behind its direction of travel at most a push-back.
bool reachable(const PositionSample& from, const PositionSample& r, double travel, double seconds) {
  const double d = metres(from, r);
  const double taxiReach = taxiCapKt * metresPerSecondPerKt * seconds + jitterSlackMetres;
  if (d > taxiReach) return false;
  const auto bearing = gf_legBearing(from.lat, from.lon, r.lat, r.lon);
  const bool behind = bearing && std::fabs(gf_normalizeAngle(*bearing - travel)) > M_PI / 2.0;
  return !behind || d <= pushBackMaxKt * metresPerSecondPerKt * seconds + jitterSlackMetres;
}

bool taxiing(const LiveAc& ac) {
  return ac.sim.simState == AcSimState::Active && ac.onGroundConfirmed && ac.phase == AcPhase::Taxi &&
         !ac.takeOffRoll && !ac.touchedDown && !ac.landing && ac.extrapolationCount <= 0;
}

} // namespace

bool gf_holdGroundJitter(LiveAc& ac, const PositionSample& r, double seconds) {
  auto& s = ac.samples;
  if (r.airborne || s.empty() || !taxiing(ac) || !(seconds > 0.0)) return false;
  // Far beyond any taxi: the jump rule gives up what came before.
  if (gf_groundJump(ac, ac.lastReport, r, seconds)) return false;
  const PositionSample& n = s.back();
  const double travel = s.size() >= 2 ? gf_legBearing(s[s.size() - 2].lat, s[s.size() - 2].lon, n.lat, n.lon)
                                            .value_or(gf_travelHeading(ac))
                                      : gf_travelHeading(ac);
  if (reachable(n, r, travel, seconds)) {
    ac.heldReports = 0;
    return false;
  }
  // Straight on ahead and far: a take-off roll may start so; the roll rules weigh it.
  const auto ahead = gf_legBearing(n.lat, n.lon, r.lat, r.lon);
  if (ahead && std::fabs(gf_normalizeAngle(*ahead - travel)) * degreesPerRadian <= jitterAheadDeg &&
      r.groundSpeed >= takeOffRollKt)
    return false;
  if (s.size() >= 3) {
    // The newest (not yet flown to) jumped out and r is back where it came from.
    const PositionSample& before = s[s.size() - 2];
    const double since = (r.dueTick - before.dueTick) / ticksPerSecond;
    const double beforeTravel =
        gf_legBearing(s[s.size() - 3].lat, s[s.size() - 3].lon, before.lat, before.lon).value_or(travel);
    if (since > 0.0 && reachable(before, r, beforeTravel, since)) {
      s.pop_back();
      ac.heldReports = 0;
      return false;
    }
  }
  // Held a few in a row, the positions win: the feed has moved on.
  if (++ac.heldReports > jitterMaxHeld) {
    ac.heldReports = 0;
    return false;
  }
  return true;
}

} // namespace gwr
