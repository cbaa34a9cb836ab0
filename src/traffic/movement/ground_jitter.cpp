// Holding surface reports that jump: reach of a taxi and of a push-back from
// the newest report, and the jump found afterwards from the report before it.
#include "traffic/movement/ground_jitter.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "core/geo.h"
#include "refdata/airports_table.h"
#include "traffic/movement/ground_reports.h"
#include "traffic/movement/ground_steering.h"
#include "traffic/movement/movement_constants.h"
#include "traffic/movement/taxi_curves.h"

namespace gwr {

namespace {


double metres(const PositionSample& a, const PositionSample& b) { return gf_legNm(a, b) * metresPerNm; }

// Whether r, `seconds` after `from`, is where the aircraft can be: at most a
// taxi at its cap away, and behind its direction of travel (when known) at
// most a push-back.
bool reachable(const PositionSample& from, const PositionSample& r, std::optional<double> travel, double seconds) {
  const double d = metres(from, r);
  const double taxiReach = taxiCapKt * metresPerSecondPerKt * seconds + jitterSlackMetres;
  if (d > taxiReach) return false;
  const auto bearing = gf_legBearing(from.lat, from.lon, r.lat, r.lon);
  const bool behind = travel && bearing && std::fabs(gf_normalizeAngle(*bearing - *travel)) > M_PI / 2.0;
  return !behind || d <= pushBackMaxKt * metresPerSecondPerKt * seconds + jitterSlackMetres;
}

// Taxiing on the ground: not rolling, not landing, not on made-up reports,
// not holding (the holding rules weigh what comes after a silence).
bool taxiing(const LiveAc& ac) {
  return ac.sim.simState == AcSimState::Active && ac.phase == AcPhase::Taxi && !ac.takeOffRoll &&
         !ac.touchedDown && !ac.landing && ac.extrapolationCount <= 0 && !ac.holding;
}

double secondsBetween(const PositionSample& a, const PositionSample& b) {
  return (b.dueTick - a.dueTick) / ticksPerSecond;
}

// The direction of the stream's leg to `newest` (else the aircraft's travel).
std::optional<double> travelBefore(const LiveAc& ac, std::size_t newest) {
  const auto& s = ac.samples;
  if (newest >= 1) {
    if (const auto b = gf_legBearing(s[newest - 1].lat, s[newest - 1].lon, s[newest].lat, s[newest].lon)) return b;
  }
  return gf_travelHeading(ac);
}

} // namespace

JitterVerdict gf_weighGroundJitter(LiveAc& ac, PositionSample& r, double seconds) {
  auto& s = ac.samples;
  if (r.airborne || s.empty() || s.back().airborne || !taxiing(ac) || !(seconds > 0.0)) return JitterVerdict::Take;
  // From a report's due (a front flown late was re-timed later), at least
  // the time since the last report taken.
  const auto since = [&](const PositionSample& p) { return std::max(secondsBetween(p, r), seconds); };
  const auto reaches = [&](const PositionSample& p, std::optional<double> travel) {
    return reachable(p, r, travel, since(p));
  };
  // Taken: a roll's speed the feed still repeats while the positions since
  // the last report taken show a taxi is stale.
  const auto take = [&]() {
    ac.heldReports = 0;
    const double shownKt = metres(ac.lastReport, r) / metresPerSecondPerKt / seconds;
    if (r.groundSpeed < takeOffRollKt || !(shownKt < takeOffRollKt)) return JitterVerdict::Take;
    r.groundSpeed = shownKt;
    return JitterVerdict::TakeAtShownSpeed;
  };
  const PositionSample n = s.back();
  const auto travel = travelBefore(ac, s.size() - 1);
  if (reaches(n, travel)) return take();
  // Straight on ahead and far at a roll's speed: a take-off roll may start so; the roll rules weigh it.
  const auto ahead = gf_legBearing(n.lat, n.lon, r.lat, r.lon);
  if (travel && ahead && std::fabs(gf_normalizeAngle(*ahead - *travel)) * degreesPerRadian <= jitterAheadDeg &&
      r.groundSpeed >= takeOffRollKt)
    return JitterVerdict::Take;
  // The newest, not yet flown to, jumped out: r is back where the one before it was.
  if (s.size() >= 3 && reaches(s[s.size() - 2], travelBefore(ac, s.size() - 2))) {
    s.pop_back();
    return take();
  }
  // r agrees with the report held before it: the feed has really moved on.
  // Far off, the jump rule weighs it; near, the newest was the odd one out.
  if (ac.heldReports > 0 && reaches(ac.lastHeld, std::nullopt)) {
    ac.heldReports = 0;
    if (gf_beyondHoldingThreshold(metres(n, r) / metresPerNm)) return JitterVerdict::Take;
    if (s.size() >= 2) s.pop_back();
    return JitterVerdict::Take;
  }
  // Held a few in a row, the positions win.
  if (++ac.heldReports > jitterMaxHeld) {
    ac.heldReports = 0;
    return JitterVerdict::Take;
  }
  ac.lastHeld = r;
  return JitterVerdict::Hold;
}

void gf_dropGroundJumps(LiveAc& ac) {
  auto& s = ac.samples;
  if (ac.phase != AcPhase::Taxi || s.size() < 2 || s[0].airborne) return;
  // A next report far off the way from the front to one of the two after it
  // jumped out and back: the way through it would be a detour no aircraft on
  // the ground makes (a roll runs straight, so this holds for rolls too).
  const auto jumpedOut = [&s]() {
    const double out = metres(s[0], s[1]);
    if (out <= jitterMinMetres) return false;
    for (std::size_t k = 2; k < std::min<std::size_t>(s.size(), 4); ++k) {
      if (s[k].airborne) break;
      if (out + metres(s[1], s[k]) > jitterDetourRatio * metres(s[0], s[k]) + jitterSlackMetres) return true;
    }
    return false;
  };
  while (s.size() >= 3 && !s[1].standing && !s[1].airborne && jumpedOut()) s.erase(s.begin() + 1);
  if (ac.takeOffRoll || ac.touchedDown || ac.landing) return;
  // A roll's speed the feed repeats while the positions show a taxi starts no roll and races no leg.
  for (std::size_t k = 0; k < s.size(); ++k) {
    const PositionSample& a = s[k == 0 ? 0 : k - 1];
    const PositionSample& b = s[k == 0 ? 1 : k];
    const double seconds = secondsBetween(a, b);
    if (s[k].airborne || b.airborne || s[k].groundSpeed < takeOffRollKt || !(seconds > 0.0)) continue;
    const double shownKt = metres(a, b) / metresPerSecondPerKt / seconds;
    if (shownKt < takeOffRollKt) s[k].groundSpeed = shownKt;
  }
}

} // namespace gwr
