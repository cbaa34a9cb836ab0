// Ground legs driven along the reports' line with the nose along the path,
// and the push-back's tail-first driving decided from the positions.
#include "traffic/movement/ground_steering.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

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

// Its speed over about the last second on the ground (knots): from its
// older mark, else `fallbackKt`.
double recentGroundKt(const LiveAc& ac, double fallbackKt) {
  const std::int32_t ticks = tickCount.load() - 1 - ac.speedMarkTick[0];
  if (ticks < speedMarkTicks || ticks > 3 * speedMarkTicks || ac.speedMarkTick[0] == 0) return fallbackKt;
  const double metres = gf_distanceNm(ac.speedMarkLat[0], ac.speedMarkLon[0], ac.lat, ac.lon) * metresPerNm;
  return std::isfinite(metres) ? metres / ticks / metresPerTickPerKt : fallbackKt;
}

// The speed a leg ends at. Driven at an even pace, each leg would take all
// of its speed change at its start: a step as large as the reports' spacing
// makes it (10 kt at once where the feed brakes 5 kt a second every 2 s).
// Its speed goes evenly instead, from what it has now to where the pace
// covering the leg in its time leaves it; by no more than the feed's speeds
// change over the leg and the same way, so that noisy positions (a pace off
// the feed's speed) change nothing.
void evenSpeedChange(LiveAc& ac, bool held) {
  auto& s = ac.samples;
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
  // Slowed for a bend, the leg would start at a speed far above the one it
  // has: it goes on from that instead, gathering speed no faster than a
  // taxi's, and its report is re-timed to when that gets it there (the legs
  // after make the time up the same way). (Not faster than its leg: it
  // slows at once where its reports do.)
  const double recentKt = recentGroundKt(ac, nowKt);
  // (a take-off roll gathers speed as its reports do)
  if (!held || ac.runway.rolling() || recentKt >= ac.legStartKt - legStartSlackKt) return;
  const double seconds = lf_ticksToNext(ac) / ticksPerSecond;
  const double change = legSpeedChangeKtPerS * seconds;
  // Catching up, no faster than it can brake back from to its reports'
  // speed by the time it has made the time up: faster, it would run ahead.
  const double behindM = metres - (s[0].groundSpeed + s[1].groundSpeed) / 2.0 * metresPerTickPerKt * lf_ticksToNext(ac);
  const double brake = legSpeedChangeKtPerS * metresPerSecondPerKt;
  const double aheadKt = std::sqrt(2.0 * brake * std::max(behindM, 0.0)) / metresPerSecondPerKt;
  const double endKt = std::clamp(std::min(ac.legEndKt, std::max(s[1].groundSpeed + aheadKt, recentKt - change)),
                                  recentKt - change, recentKt + change);
  if (!(recentKt + endKt > 0.0)) return;
  // (within twice the leg's time: its report is not put off for long)
  const std::int32_t ticks = std::min(gf_roundTicks(2.0 * metres / ((recentKt + endKt) * metresPerTickPerKt)),
                                      2 * lf_ticksToNext(ac));
  const std::int32_t due = std::min(std::max(ac.legStartTick + ticks, ac.legStartTick + minLegTicks),
                                    s[1].dueTick + legPutOffMaxTicks);
  if (s[1].dueTick == ac.retimedDue) ac.retimedDue = due;
  s[1].dueTick = due;
  ac.legStartKt = recentKt;
  ac.legEndKt = endKt;
  ac.heldForBend = 1;
}

// A taxi's stop and its start from a standstill. Driven at the leg's even
// pace, a leg into a stop would crawl up to its report (the reports of the
// braking thinned away, the stop's own comes late) and stop dead there, and
// a leg away from a standstill would creep off at once and step up at its
// report. An aircraft brakes evenly to its stop and stands there until the
// report falls due; it stands until it must go, then gathers speed evenly
// to its report's (no harder than a taxi can).
bool evenStop(LiveAc& ac, double metres, double nowKt) {
  auto& s = ac.samples;
  const std::int32_t now = tickCount.load();
  const double ticks = 2.0 * metres / (nowKt * metresPerTickPerKt);
  if (!(nowKt > 0.0)) return false;
  if (!(ticks <= s[1].dueTick - now)) {
    // Too near its report's time to stop on the way: it brakes evenly to
    // what leaves it there in time, and stops from that.
    const double endKt = 2.0 * metres / std::max(s[1].dueTick - now, 1) / metresPerTickPerKt - nowKt;
    if (!(endKt >= 0.0 && endKt < nowKt)) return false;
    ac.legStartKt = nowKt;
    ac.legEndKt = endKt;
    ac.legStartTick = now;
    return true;
  }
  const std::int32_t due = now + std::max(gf_roundTicks(ticks), 1);
  if (s[1].dueTick == ac.retimedDue) ac.retimedDue = due;
  s[1].dueTick = due;
  ac.legStartKt = nowKt;
  ac.legEndKt = 0.0;
  ac.legStartTick = now;
  return true;
}

bool evenStart(LiveAc& ac, double metres) {
  const auto& s = ac.samples;
  const std::int32_t now = tickCount.load();
  const double accel = taxiGatherKtPerS / ticksPerSecond;  // knots a tick
  const double endKt = std::min(s[1].groundSpeed, std::sqrt(2.0 * accel * metres / metresPerTickPerKt));
  const double ticks = 2.0 * metres / (endKt * metresPerTickPerKt);
  if (!(endKt > 0.0)) return false;
  ac.legStartKt = 0.0;
  if (ticks <= s[1].dueTick - now) {
    ac.legEndKt = endKt;
    ac.legStartTick = s[1].dueTick - gf_roundTicks(ticks);
    return true;
  }
  // Late for that (its report came near the standstill's time): it gathers
  // speed evenly from now on, to be there in time (not at a crawl: a
  // queue's creep would go at twice its pace).
  if (s[1].groundSpeed < evenBrakingFromKt) return false;
  ac.legEndKt = 2.0 * metres / std::max(s[1].dueTick - now, 1) / metresPerTickPerKt;
  ac.legStartTick = now;
  return true;
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

// The speed (metres a tick) a corner of `turn` radians allows where the path
// turns at most `maxTurn` a tick onto a line `chord` metres long: that of the
// circle through its aim point (see gf_steerGroundTick).
double cornerStep(double turn, double chord, double maxTurn) {
  return maxTurn * chord / (2.0 * std::sin(std::min(std::fabs(turn), M_PI / 2.0)));
}

// How sharply a quadratic curve from a over b to c bends at u, per metre;
// the speed it allows there is the nose's turn rate over that.
double curveBendAt(const LocalOffset& a, const LocalOffset& b, const LocalOffset& c, double u) {
  const double dN = 2.0 * (1.0 - u) * (b.north - a.north) + 2.0 * u * (c.north - b.north);
  const double dE = 2.0 * (1.0 - u) * (b.east - a.east) + 2.0 * u * (c.east - b.east);
  const double ddN = 2.0 * (c.north - 2.0 * b.north + a.north), ddE = 2.0 * (c.east - 2.0 * b.east + a.east);
  const double speed = std::hypot(dN, dE);
  return speed > 0.0 ? std::fabs(dN * ddE - dE * ddN) / (speed * speed * speed) : 0.0;
}
// (its tightest, at five points along it)
double curveBend(const LocalOffset& a, const LocalOffset& b, const LocalOffset& c) {
  double most = 0.0;
  for (const double u : {0.0, 0.25, 0.5, 0.75, 1.0}) most = std::max(most, curveBendAt(a, b, c, u));
  return most;
}

// As bendStepCap for the curve it is on: its bends ahead, the distance to
// each taken evenly along the curve's parameter.
double curveStepCap(const LiveAc& ac, double metresLeft, double brake) {
  const auto& c = ac.curve;
  const double from = std::clamp(ac.curvePosition, 0.0, 1.0);
  if (!(from < 1.0)) return std::numeric_limits<double>::infinity();
  const LocalOffset a{0.0, 0.0}, b{c[CurveCtrlNorth], c[CurveCtrlEast]}, e{c[CurveEndNorth], c[CurveEndEast]};
  double cap = std::numeric_limits<double>::infinity();
  for (int i = 1; i <= 4; ++i) {
    const double u = from + (1.0 - from) * i / 4.0;
    const double bend = curveBendAt(a, b, e, u);
    if (bend <= 0.0) continue;
    const double allowed = gf_groundTurnLimit(ac) / bend;
    cap = std::min(cap, std::sqrt(allowed * allowed + 2.0 * brake * metresLeft * i / 4.0));
  }
  return cap;
}

struct BendCaps {
  double all = std::numeric_limits<double>::infinity();    // every turn ahead
  double bends = std::numeric_limits<double>::infinity();  // those beyond the positions' noise
};

// Whether no corner from `brakeAhead` (2 * brake * metres ahead) on can hold
// the step below `m`, metres a tick: each corner's cap is at least
// sqrt(brakeAhead), and the margin keeps that so through the roundings (a
// step too small for the margin to hold is walked as before).
bool pastBraking(double m, double brakeAhead) { return m >= 1e-100 && m * m * (1.0 + 0x1p-50) <= brakeAhead; }

// The fastest it may go now (metres a tick) and still brake, at no more than
// bendBrakeKtPerS, down to what each corner ahead allows: sqrt(v² + 2ad) over
// the reports within braking distance. A corner it reaches at the end of its
// leg is steered round; of the corners after it, one at a report that a curve
// would round (a curve starts at the report before) bends as that curve does,
// and so does a corner between two reports. The walk stops where no corner
// further could hold back the step, paced `step`, more than it already is:
// on most ticks before the first.
BendCaps bendStepCap(const LiveAc& ac, double step, double metresLeft, double (*arriving)(const LiveAc&)) {
  const auto& s = ac.samples;
  const double brake = bendBrakeKtPerS * metresPerSecondPerKt / (ticksPerSecond * ticksPerSecond);
  double cap = gf_curveSet(ac.curve) ? curveStepCap(ac, metresLeft, brake) : std::numeric_limits<double>::infinity();
  if (s.size() < 2 || pastBraking(std::min(step, cap), 2.0 * brake * metresLeft)) return {cap, cap};
  const double nowStep =
      std::max(step, std::hypot(ac.groundStepNorthM, ac.groundStepEastDeg * gf_metresPerDegreeLon(ac.groundStepFromLat)));
  const double maxTurn = gf_groundTurnLimit(ac);
  const LocalPlane plane({s[0].lat, s[0].lon});
  double bendCap = cap;
  // (the heading it arrives at its report with is asked for only when the
  // first leg is short enough for its corner to count)
  double ahead = metresLeft, in = 0.0;
  bool curvedBefore = false, inCorner = false;
  const double noise = gf_positionNoiseMetres(ac);
  LocalOffset prev = plane.offsetTo({ac.lat, ac.lon}), at{0.0, 0.0};
  for (std::size_t k = 0; k + 1 < s.size() && k < bendLookAheadReports; ++k) {
    if (nowStep * nowStep <= 2.0 * brake * ahead) break;  // too far to need braking for
    if (s[k + 1].standing) break;
    const LocalOffset next = plane.offsetTo({s[k + 1].lat, s[k + 1].lon});
    const double legM = std::hypot(next.north - at.north, next.east - at.east);
    if (legM < steerSameMetres) break;
    // The look-ahead it steers with there, at the speed its report gives.
    const double lookAhead =
        std::max(steerLookAheadMetres, s[k].groundSpeed * metresPerSecondPerKt * steerLookAheadSeconds);
    const double out = std::atan2(next.east - at.east, next.north - at.north);
    bool curved = false;
    // (a first leg this long caps nothing: its corner is steered round
    // within the look-ahead, and no curve starts at the aircraft)
    if (k > 0 || legM < lookAhead) {
      const double turn = std::fabs(gf_normalizeAngle(out - (k > 0 ? in : arriving(ac))));
      // A corner between this report and the next (see gf_cornerBetween) is
      // rounded on one curve from the report before over the corner to the
      // one after the next, the next report on it.
      std::optional<LatLon> corner;
      if (!inCorner && k > 0 && !curvedBefore && k + 2 < s.size() && !s[k + 2].standing)
        corner = gf_cornerBetween(s[k - 1], s[k], s[k + 1], s[k + 2], noise);
      curved = inCorner || corner ||
               (k > 0 && !curvedBefore && turn > curveMinTurnDeg * radiansPerDegree &&
                turn <= curveMaxTurnDeg * radiansPerDegree);
      double allowed = std::numeric_limits<double>::infinity();
      if (inCorner) {
        inCorner = false;  // (bent as the curve found at the report before)
      } else if (corner) {
        const double bend = curveBend(prev, plane.offsetTo(*corner), plane.offsetTo({s[k + 2].lat, s[k + 2].lon}));
        if (bend > 0.0) allowed = maxTurn / bend;
        inCorner = true;
      } else if (curved) {
        const double bend = curveBend(prev, at, next);
        if (bend > 0.0) allowed = maxTurn / bend;
      } else if (turn > maxTurn && legM < lookAhead) {
        // (on a longer leg the aim point lies its look-ahead away: the turn
        // slows it only while the nose swings round, and no more than it must)
        allowed = cornerStep(turn, legM, maxTurn);
      }
      const double reach = std::sqrt(allowed * allowed + 2.0 * brake * ahead);
      cap = std::min(cap, reach);
      // A turn its positions' noise alone makes of the leg after it (a noisy
      // straight's zigzag, as for the turn at a report) slows it all the same,
      // the path it drives turns there; but it is no bend to hold the next
      // leg back for.
      if (corner || turn > std::atan2(noise, legM)) bendCap = std::min(bendCap, reach);
    }
    curvedBefore = curved;
    ahead += legM;
    in = out;
    prev = at;
    at = next;
  }
  return {cap, bendCap};
}

// The heading a straight leg arrives at its report with: along the line from
// where the leg started (as the steering aims), else as it travels.
double straightLegArriving(const LiveAc& ac) {
  const PositionSample& target = ac.samples.front();
  const auto line = gf_legBearing(ac.legFromLat, ac.legFromLon, target.lat, target.lon);
  return line ? *line : gf_travelHeading(ac);
}

// The heading a curve arrives at its end with: from its control point.
double curveArriving(const LiveAc& ac) {
  const auto& c = ac.curve;
  return std::atan2(c[CurveEndEast] - c[CurveCtrlEast], c[CurveEndNorth] - c[CurveCtrlNorth]);
}

} // namespace

double gf_bendCappedStep(const LiveAc& ac, double step, double metresLeft, double (*arriving)(const LiveAc&),
                         bool& forBend) {
  forBend = false;
  if (ac.legEndKt < 0.0 || ac.reversing || ac.samples.empty()) return step;
  const BendCaps caps = bendStepCap(ac, step, metresLeft, arriving);
  forBend = caps.bends < step;
  return std::min(step, caps.all);
}

double gf_travelHeading(const LiveAc& ac) { return ac.reversing ? gf_wrapHeading(ac.heading + M_PI) : ac.heading; }

void gf_steerLegStart(LiveAc& ac) {
  const auto& s = ac.samples;
  ac.legFromLat = ac.lat;
  ac.legFromLon = ac.lon;
  // The leg's cap: a roll's or a taxi's as its reports go (round a corner, its own pace).
  if (s.size() >= 2) ac.legCapKt = gf_groundLegTopKt(ac);
  ac.legEndKt = -1.0;
  const bool held = ac.heldForBend != 0;
  ac.heldForBend = 0;
  if (ac.phase == AcPhase::Taxi && s.size() >= 2 && !ac.reversing &&
      ((s[0].evidence | s[1].evidence) & evidencePushed) == 0) {
    const double metres = gf_curveSet(ac.curve) ? gf_curveMetresLeft(ac.curve, ac.curvePosition)
                                                : gf_distanceNm(ac.lat, ac.lon, s[1].lat, s[1].lon) * metresPerNm;
    // (its marks are a second old at most while it moves: older, it stood)
    const double nowKt = recentGroundKt(ac, 0.0);
    // (it stops at its report: that is at 0 kt, or the next stands there; a
    // rotorcraft settles or lifts where it is)
    const bool wheels = ac.category != AcCategory::Rotorcraft;
    const bool stops =
        wheels && (s[1].groundSpeed <= 0.0 || (s.size() >= 3 && s[2].standing && gf_samePosition(s[1], s[2])));
    // (a roll ahead gathers speed as its reports do: harder than a taxi)
    const bool rollAhead = std::any_of(s.begin(), s.end(), [](const PositionSample& r) {
      return r.airborne || r.groundSpeed >= takeOffRollKt;
    });
    const bool fromStandstill = wheels && !rollAhead && s[0].standing && nowKt < standstillKt;
    // Between moving reports not at a crawl (its noisy legs would be driven
    // faster by it), and at a slow taxi's speeds only braking.
    const double fasterKt = std::max(s[0].groundSpeed, s[1].groundSpeed);
    const bool even = fasterKt >= evenSpeedChangeFromKt ||
                      (wheels && fasterKt >= evenBrakingFromKt && s[1].groundSpeed < s[0].groundSpeed);
    if (metres < steerSameMetres) {
      // (nothing to drive: it stands, or is there)
    } else if (stops) {
      // (a rejected roll's stop and taxi away are the standing place's)
      if (!ac.runway.onRunway()) evenStop(ac, metres, nowKt);
    } else if (fromStandstill) {
      if (!ac.runway.onRunway()) evenStart(ac, metres);
    } else if (even) {
      evenSpeedChange(ac, held);
    }
  }
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
  if (s[1].groundSpeed <= 0.0) {
    // A leg at 0 kt (a standstill's noisy report, or a feed that gives no
    // speed) goes the way the aircraft faces, nose or tail first, whatever
    // the run before was: never turned round on the spot for it.
    ac.reversing = offDeg(*bearing, ac.heading) >= reverseKeepDeg ? 1 : 0;
  } else if (ac.reversing) {
    ac.reversing = pushed ? 1 : 0;
  } else if (pushed && offDeg(*bearing, ac.heading) >= reverseKeepDeg) {
    // Only a nose that already points away from the leg is pushed: one along it
    // would have to flip round on the spot.
    ac.reversing = 1;
  }
}

double gf_curveStepMetres(LiveAc& ac) {
  const std::int32_t remaining = std::max(ac.samples.front().dueTick - tickCount.load(), 1);
  const double metres = gf_curveMetresLeft(ac.curve, ac.curvePosition);
  const double step = std::min(pacePerTick(ac, metres, remaining), capPerTick(ac));
  if (ac.legEndKt < 0.0) return step;
  bool forBend = false;
  const double capped = gf_bendCappedStep(ac, step, metres, curveArriving, forBend);
  if (forBend) ac.heldForBend = 1;
  return capped;
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
  if (ac.legEndKt >= 0.0) {
    bool forBend = false;
    const double capped = gf_bendCappedStep(ac, step, d, straightLegArriving, forBend);
    if (forBend) ac.heldForBend = 1;
    step = capped;
  }
  if (!(step > 0.0)) return true;  // (waiting to move off: the nose waits too)
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
    // (a turn within its positions' noise: no bend, as in the look-ahead)
    if (ac.legEndKt >= 0.0 && std::fabs(off) > std::atan2(gf_positionNoiseMetres(ac), chord)) ac.heldForBend = 1;
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
