// Ground legs driven along the reports' line with the nose along the path,
// and the push-back's tail-first driving decided from the positions.
#include "traffic/movement/ground_steering.h"

#include <algorithm>
#include <cmath>

#include "core/geo.h"
#include "refdata/ac_category.h"
#include "refdata/airports_table.h"
#include "traffic/feed/tick_clock.h"
#include "traffic/movement/flight_movement.h"
#include "traffic/movement/ground_evidence.h"
#include "traffic/movement/ground_movement.h"
#include "traffic/movement/movement_constants.h"
#include "traffic/movement/taxi_curves.h"

namespace gwr {

namespace {

double offDeg(double a, double b) { return std::fabs(gf_normalizeAngle(a - b)) * degreesPerRadian; }

// The fastest the aircraft may go on this leg, metres per tick: what its
// reports justify (a roll's cap while they roll, whatever the flags say).
double capPerTick(const LiveAc& ac) {
  const double capKt = ac.legCapKt > 0.0 ? ac.legCapKt : taxiCapKt;
  return capKt * metresPerSecondPerKt / ticksPerSecond;
}

constexpr double metresPerTickPerKt = metresPerSecondPerKt / ticksPerSecond;

// The speed a leg ends at. Driven at an even pace, each leg would take all
// of its speed change at its start: a step as large as the reports' spacing
// makes it (10 kt at once where the feed brakes 5 kt a second every 2 s).
// Its speed goes evenly instead, from what it has now to where the pace
// covering the leg in its time leaves it; by no more than the feed's speeds
// change over the leg and the same way, so that noisy positions (a pace off
// the feed's speed) change nothing.
void evenSpeedChange(LiveAc& ac) {
  const auto& s = ac.samples;
  const double metres = gf_curveSet(ac.curve) ? gf_curveMetresLeft(ac.curve, ac.curvePosition)
                                              : gf_distanceNm(ac.lat, ac.lon, s[1].lat, s[1].lon) * metresPerNm;
  const double paceKt = metres / lf_ticksToNext(ac) / metresPerTickPerKt;
  // (as gf_localOffset from where the step started)
  const double stepMetres =
      std::hypot(ac.groundStepNorthM, ac.groundStepEastDeg * gf_metresPerDegreeLon(ac.groundStepFromLat));
  const double nowKt = stepMetres / metresPerTickPerKt;
  const double feedKt = paceKt + (s[1].groundSpeed - s[0].groundSpeed) / 2.0;
  ac.legEndKt = std::clamp(2.0 * paceKt - nowKt, std::min(paceKt, feedKt), std::max(paceKt, feedKt));
  ac.legStartKt = 2.0 * paceKt - ac.legEndKt;
  ac.legStartTick = tickCount.load();
}

// Metres a tick over the rest of the leg: its pace, shaped by the leg's even
// change of speed (what that change has it do now against its mean over the
// rest), so that falling behind or ahead is made up as the even pace would.
double pacePerTick(const LiveAc& ac, double metres, std::int32_t remaining) {
  const double pace = metres / remaining;
  if (ac.legEndKt < 0.0 || ac.reversing) return pace;  // (a push goes at its own crawl)
  const double legTicks = std::max(ac.samples.front().dueTick - ac.legStartTick, 1);
  const double done = std::clamp(1.0 - remaining / legTicks, 0.0, 1.0);
  const double nowKt = ac.legStartKt + (ac.legEndKt - ac.legStartKt) * done;
  return nowKt + ac.legEndKt > 0.0 ? pace * 2.0 * nowKt / (nowKt + ac.legEndKt) : pace;
}

} // namespace

double gf_travelHeading(const LiveAc& ac) { return ac.reversing ? gf_wrapHeading(ac.heading + M_PI) : ac.heading; }

void gf_steerLegStart(LiveAc& ac) {
  const auto& s = ac.samples;
  ac.legFromLat = ac.lat;
  ac.legFromLon = ac.lon;
  // The leg's cap: a roll's or a taxi's as its reports go.
  if (s.size() >= 2) ac.legCapKt = gf_groundCapKt(ac.category, s[0], s[1]);
  ac.legEndKt = -1.0;
  // (not at a crawl: its noisy legs would be driven faster by it)
  if (ac.phase == AcPhase::Taxi && s.size() >= 2 && !s[1].standing &&
      std::max(s[0].groundSpeed, s[1].groundSpeed) >= evenSpeedChangeFromKt)
    evenSpeedChange(ac);
  if (ac.phase == AcPhase::PushingBack) {
    ac.reversing = 1;
    return;
  }
  if (s.size() < 2 || s[1].standing || ac.runway.onRunway() || ac.phase != AcPhase::Taxi) {
    if (s.size() < 2 || !s[1].standing) ac.reversing = 0;
    return;
  }
  const auto bearing = gf_legBearing(ac.lat, ac.lon, s[1].lat, s[1].lon);
  if (!bearing) return;
  const bool pushed = (s[1].evidence & evidencePushed) != 0;
  if (ac.reversing) {
    ac.reversing = pushed ? 1 : 0;
  } else if (pushed && offDeg(*bearing, ac.heading) >= reverseKeepDeg) {
    // Only a nose that already points away from the leg is pushed: one along it
    // would have to flip round on the spot.
    ac.reversing = 1;
  }
}

double gf_curveStepMetres(const LiveAc& ac) {
  const std::int32_t remaining = std::max(ac.samples.front().dueTick - tickCount.load(), 1);
  const double metres = gf_curveMetresLeft(ac.curve, ac.curvePosition);
  return std::min(pacePerTick(ac, metres, remaining), capPerTick(ac));
}

bool gf_curveStartsAlongTravel(const LiveAc& ac, double startBearing) {
  return offDeg(startBearing, gf_travelHeading(ac)) <= curveStartAlignDeg;
}

void gf_steerFromTouchdown(LiveAc& ac) {
  ac.legEndKt = -1.0;
  if (ac.samples.empty()) return;
  PositionSample& target = ac.samples.front();
  const double metres = gf_distanceNm(ac.lat, ac.lon, target.lat, target.lon) * metresPerNm;
  const LocalOffset rate = gf_localOffset({ac.lat, ac.lon}, {ac.lat + ac.latRate, ac.lon + ac.lonRate});
  const double nowKt = std::hypot(rate.north, rate.east) / metresPerTickPerKt;
  const double reportKt = target.groundSpeed;
  if (target.airborne || target.standing || !std::isfinite(metres) || reportKt < evenSpeedChangeFromKt ||
      nowKt <= reportKt)
    return;
  // Flown on at the air leg's speed it would meet its report's lower speed
  // all at once: it brakes evenly to it instead, a little late if need be
  // (within the smoothing that later legs make up).
  const std::int32_t now = tickCount.load();
  const double ticks = metres / ((nowKt + reportKt) / 2.0 * metresPerTickPerKt);
  const std::int32_t latest = std::max(target.dueTick, target.dueTick + ac.smoothingLater);
  target.dueTick = std::clamp(now + gf_roundTicks(ticks), std::min(target.dueTick, latest), latest);
  const double paceKt = metres / std::max(target.dueTick - now, 1) / metresPerTickPerKt;
  ac.legStartKt = nowKt;
  ac.legEndKt = std::clamp(2.0 * paceKt - nowKt, reportKt, nowKt);
  ac.legStartTick = now;
  ac.legCapKt = gf_groundRollCapKt(ac.category);
}

bool gf_steerGroundTick(LiveAc& ac) {
  // (the touchdown's leg once braking to its report, see gf_steerFromTouchdown)
  const bool touchdownLeg = ac.phase == AcPhase::Flying && ac.runway.afterTouchdown() && ac.legEndKt >= 0.0;
  const bool ground = ac.phase == AcPhase::Taxi || ac.phase == AcPhase::PushingBack || touchdownLeg;
  if (!ground || ac.samples.empty() || !ac.onGroundConfirmed) return false;
  const auto& s = ac.samples;
  const PositionSample& target = s.front();
  // Metres north and east from the aircraft, on the plane there.
  const LocalPlane here({ac.lat, ac.lon});
  const LocalOffset b = here.offsetTo({target.lat, target.lon});
  const double d = std::hypot(b.north, b.east);
  if (!std::isfinite(d)) return false;
  if (touchdownLeg) {
    // Straight on to its report as the air leg went, the nose as the landing
    // turns it: only the speed is the ground leg's.
    const std::int32_t remaining = std::max(target.dueTick - tickCount.load(), 1);
    const double step = std::min(pacePerTick(ac, d, remaining), capPerTick(ac));
    const LatLon next = step >= d ? LatLon{target.lat, target.lon} : here.pointAt({b.north * step / d, b.east * step / d});
    ac.lat = next.latitude;
    ac.lon = next.longitude;
    ac.heading = gf_wrapHeading(ac.heading + ac.headingRate);
    return true;
  }
  if (d < steerSameMetres) return true;
  const std::int32_t remaining = std::max(target.dueTick - tickCount.load(), 1);
  double step = std::min(pacePerTick(ac, d, remaining), capPerTick(ac));
  const double lookAhead = std::max(steerLookAheadMetres, step * ticksPerSecond * steerLookAheadSeconds);
  // The point to aim at: ahead on the line from where the leg started to
  // its report, so that the path comes onto that line, not zigzags round it.
  LocalOffset aim = b;
  if (d > lookAhead) {
    const LocalOffset a = here.offsetTo({ac.legFromLat, ac.legFromLon});
    const double abN = b.north - a.north, abE = b.east - a.east;
    const double ab = std::hypot(abN, abE);
    if (ab > steerSameMetres) {
      const double along = std::clamp((-a.north * abN - a.east * abE) / ab + lookAhead, 0.0, ab);
      aim = {a.north + abN * along / ab, a.east + abE * along / ab};
    }
  }
  const double path = gf_travelHeading(ac);
  const double maxTurn = gf_groundTurnLimit(ac);
  const double off = gf_normalizeAngle(std::atan2(aim.east, aim.north) - path);
  const double turn = std::clamp(off, -maxTurn, maxTurn);
  // Too fast to turn onto the aim point at this rate it would circle round
  // it: it slows to the turn that reaches it (and catches up on the next leg).
  if (std::fabs(off) > maxTurn) {
    const double chord = std::hypot(aim.north, aim.east);
    step = std::min(step, maxTurn * chord / (2.0 * std::sin(std::min(std::fabs(off), M_PI / 2.0))));
  }
  const double travel = gf_wrapHeading(path + turn);
  if (step >= d) {
    ac.lat = target.lat;
    ac.lon = target.lon;
  } else {
    const LatLon next = here.pointAt({step * std::cos(travel), step * std::sin(travel)});
    ac.lat = next.latitude;
    ac.lon = next.longitude;
  }
  ac.heading = ac.reversing ? gf_wrapHeading(travel + M_PI) : travel;
  return true;
}

} // namespace gwr
