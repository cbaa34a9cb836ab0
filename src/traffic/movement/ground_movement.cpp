// The ground dispatcher and re-timing and the ground step of the position step
// (leaving and reaching a stand: ground_stand.cpp).
#include "traffic/movement/ground_movement.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

#include "airports/park_stand_table.h"
#include "core/geo.h"
#include "core/log.h"
#include "refdata/ac_category.h"
#include "refdata/airports_table.h"
#include "traffic/engine/live_removal.h"
#include "traffic/engine/traffic_engine.h"
#include "traffic/feed/tick_clock.h"
#include "traffic/movement/flight_movement.h"
#include "traffic/movement/ground_reports.h"
#include "traffic/movement/ground_steering.h"
#include "traffic/movement/movement_constants.h"
#include "traffic/movement/push_back_follow.h"
#include "traffic/movement/ground_evidence.h"
#include "traffic/movement/runway_phases.h"
#include "traffic/movement/taxi_curves.h"
#include "traffic/simclient/sim_commands.h"

namespace gwr {

namespace {

bool isRotorcraft(const LiveAc& ac) { return ac.category == AcCategory::Rotorcraft; }
std::uint32_t idleThrottle(const LiveAc& ac) { return isRotorcraft(ac) ? 4U : 0U; }
double toDeg(double r) { return r * degreesPerRadian; }

// The push-back's second leg: a curve swinging the tail round, n ticks long.
bool secondLegStep(LiveAc& ac) {
  auto& s = ac.samples;
  ac.groundTurnRate = gf_baseGroundTurnRate(ac.category);
  const std::int32_t n = std::max(gf_roundTicks(pushBackLegTurnDeg / ac.groundTurnRate / turnStepsDivisor), 1);
  // The side is known only now: reports during the first leg decide it.
  const double push = gf_wrapHeading(ac.standHeading + M_PI);
  const double side = ac.pushBackTurnSide ? M_PI / 2.0 : -M_PI / 2.0;
  const LatLon end = gf_destinationPoint({s[1].lat, s[1].lon}, push + side, ac.halfWingspan * feetPerNm);
  // Never faster than a push-back: the swing takes at least its length (the
  // two sides of the curve) at the speed of the push before it.
  const double pushKt = s[1].groundSpeed > 0.0 ? s[1].groundSpeed : ac.standSpeedKt;
  const double swingNm = gf_distanceNm(ac.lat, ac.lon, s[1].lat, s[1].lon) +
                         gf_distanceNm(s[1].lat, s[1].lon, end.latitude, end.longitude);
  const std::int32_t ticks = std::max(n, gf_legTicks(swingNm, pushKt));
  PositionSample leg = gf_reportAt(ac.pushBackSecondLeg, end, pushKt, tickCount.load() + ticks);
  s.push_back(leg);
  if (!lf_setupCurve(ac)) {
    s.pop_back();
    return false;
  }
  ac.curveStep = 1.0 / ticks;
  ac.curveAngle = pushBackLegTurnDeg;
  ac.latRate = ac.lonRate = 0.0;
  s.pop_front();
  return true;
}

void leaveStand(LiveAc& ac) {
  const auto& s = ac.samples;
  const auto bearing = gf_legBearing(ac.standLat, ac.standLon, s[1].lat, s[1].lon);
  const double off = bearing ? std::round(toDeg(gf_normalizeAngle(*bearing - ac.standHeading))) : 0.0;
  if (gf_pullsOut(off)) lf_pullOut(ac);
  else lf_pushBack(ac);
}

// A curve that would start off the direction of travel is left to the arc
// steering, which starts along it.
bool curveStartsAlongTravel(const LiveAc& ac) {
  const auto& s = ac.samples;
  const auto start = gf_legBearing(ac.lat, ac.lon, s[1].lat, s[1].lon);
  return !ac.reversing && start && gf_curveStartsAlongTravel(ac, *start);
}

// The turn at the second report that its positions' noise alone makes of
// the leg after it: about the angle one report's noise subtends over the leg.
double noiseTurnDeg(const LiveAc& ac) {
  const auto& s = ac.samples;
  const double noise = gf_positionNoiseMetres(ac);
  return noise > 0.0 ? std::atan2(noise, gf_legNm(s[1], s[2]) * metresPerNm) * degreesPerRadian : 0.0;
}

// A corner between the second and third reports (a rapid exit reported
// every second or so: no report falls on it) is rounded from the way in to
// the way out, the fourth report its curve's end.
bool cornerBetweenReports(LiveAc& ac) {
  auto& s = ac.samples;
  if (s.size() < 4 || s[1].standing || s[2].standing || s[3].standing || s[3].groundSpeed <= 0.0) return false;
  const auto corner = gf_cornerBetween(s[0], s[1], s[2], s[3], gf_positionNoiseMetres(ac));
  if (!corner) return false;
  const auto start = gf_legBearing(ac.lat, ac.lon, corner->latitude, corner->longitude);
  if (ac.reversing || !start || !gf_curveStartsAlongTravel(ac, *start)) return false;
  const double turn = std::fabs(toDeg(gf_normalizeAngle((s[2].track - s[1].track) * radiansPerDegree)));
  if (!lf_setupCornerCurve(ac, *corner)) return false;
  ac.turnAngle = ac.curveAngle = turn;
  return true;
}

void turnsAndLegs(LiveAc& ac) {
  auto& s = ac.samples;
  if (cornerBetweenReports(ac)) {
    // (rounded)
  } else if (!s[1].standing && s.size() >= 3 && !s[2].standing) {
    const double delta = std::fabs(toDeg(lf_headingDelta(ac)));
    if (delta > curveMinTurnDeg && delta > midpointTurnDeg && gf_legNm(s[0], s[1]) > midpointLegNm &&
        s[0].groundSpeed <= midpointMaxKt && s[1].dueTick - s[0].dueTick >= midpointMinTicks) {
      lf_insertMidpoint(ac);
    } else if (delta > curveMinTurnDeg && delta <= curveMaxTurnDeg && delta > noiseTurnDeg(ac)) {
      if (!gf_samePosition(s[0], s[2]) && curveStartsAlongTravel(ac) && lf_setupCurve(ac))
        ac.turnAngle = ac.curveAngle = delta;
    } else {
      // Straight on (3 degrees or less, or a turn its positions' noise alone
      // shows: a curve through noisy reports starts off the nose and slides
      // it sideways) as beyond 160: a long uneven leg still gets its midpoint.
      lf_checkGroundLeg(ac);
    }
  } else if (s.size() < 3 && ac.extrapolationCount < 1) {
    lf_checkGroundLeg(ac);
  }
  // The leg onto the stand turns the nose to the stand's heading, not to the
  // leg's bearing: it comes to rest lined up with its stand.
  if (ac.phase == AcPhase::Parking &&
      gf_distanceNm(s[1].lat, s[1].lon, ac.standLat, ac.standLon) <= standReachedNm && ac.standNumber > 0)
    ac.trackHeading = ac.standHeading;
  if (!gf_curveSet(ac.curve)) {
    const double diff = std::fabs(toDeg(gf_normalizeAngle(ac.trackHeading - ac.heading)));
    ac.turning = diff > turningFlagDeg ? 1 : 0;
    if (ac.turning) ac.turnAngle = diff;
  }
}

void arrivalChoice(LiveAc& ac) {
  const auto& s = ac.samples;
  if (!s.back().standing || ac.phase != AcPhase::Taxi || !standTableReady.load()) return;
  const AcPhase from = ac.previousPhase;
  const bool leftStand = from == AcPhase::Parked || from == AcPhase::PushingBack || from == AcPhase::PushedBack;
  if (!ac.towed && leftStand) return;
  const bool near =
      s[1].groundSpeed <= parkSlowKt && gf_distanceNm(ac.lat, ac.lon, s.back().lat, s.back().lon) <= parkNearNm;
  if (!near && ac.extrapolationCount <= 0) return;
  const ArrivalStandChoice choice = gf_arrivalStandChoice();
  if (choice == nullptr) return;
  if (const StandRecord* stand = choice(ac)) {
    drive2Stand(ac, *stand);
    ac.setPhase(AcPhase::Parking);
  }
}

void rollThrottle(LiveAc& ac) {
  const auto& s = ac.samples;
  if (isRotorcraft(ac)) {
    gf_setThrottle(ac.sim, 4);
    return;
  }
  if (s[0].groundSpeed >= rollSlowFrontKt || s[1].groundSpeed >= rollSlowSecondKt) {
    gf_setThrottle(ac.sim, 4);
    return;
  }
  std::uint32_t index = 0;
  for (const RollThrottle& t : rollThrottles) {
    if (s[0].groundSpeed >= t.frontKt || s[1].groundSpeed >= t.secondKt) {
      index = t.index;
      break;
    }
  }
  gf_setThrottle(ac.sim, index);
}

void takeOffCheck(LiveAc& ac) {
  const auto& s = ac.samples;
  // A rotorcraft needs no run: it lifts off once its next report is in the air.
  const bool liftsWhereItIs = isRotorcraft(ac) && s[1].airborne;
  if (ac.runway.phase() == RunwayPhase::TouchAndGo && s[1].airborne) {
    // Down at flying speed and its next report in the air (a bounce, a
    // touch-and-go): it lifts off now, not after a roll that chases the climb on the ground.
    lf_takeOff(ac);
    ac.altitudeRate = std::min(std::max(s[1].altitude - ac.altitude, liftOffMinFeet) / lf_ticksToNext(ac),
                               ac.maxClimbPerTick);
    return;
  }
  if (liftsWhereItIs) {  // up to its next report's height, no higher: it hovers there
    lf_takeOff(ac);
    ac.altitudeRate = std::clamp((s[1].altitude - ac.altitude) / lf_ticksToNext(ac), 0.0, ac.maxClimbPerTick);
    return;
  }
  if (s[1].groundSpeed < takeOffRollKt) return;
  const bool someSlow =
      std::any_of(s.begin(), s.end(), [](const PositionSample& r) { return r.verticalSpeed <= takeOffClimbFpm; });
  if (someSlow) {
    const double vr = takeOffSpeedKt[gf_categorySlot(ac.category)];
    const bool ready = std::all_of(s.begin() + 1, s.end(), [vr](const PositionSample& r) {
      return r.groundSpeed >= vr && r.airborne;
    });
    if (!ready) return;
    lf_takeOff(ac);
    ac.altitudeRate = ac.maxClimbPerTick;
    return;
  }
  lf_takeOff(ac);
  const bool someGround = std::any_of(s.begin(), s.end(), [](const PositionSample& r) { return !r.airborne; });
  ac.altitudeRate = someGround ? ac.maxClimbPerTick
                               : std::max(s[1].altitude - ac.altitude, liftOffMinFeet) / lf_ticksToNext(ac);
}

void afterTouchdown(LiveAc& ac) {
  const auto& s = ac.samples;
  if (std::fabs(toDeg(gf_normalizeAngle(ac.heading - ac.touchdownHeading))) >= turnOffDeg) {
    gf_setFlaps(ac.sim, 0);
    rp_transition(ac, RunwayEvent::TurnsOff);
    gf_setThrottle(ac.sim, idleThrottle(ac));
    gf_setSpoilers(ac.sim, 0);
    lf_sendLevers(ac, 0.0, 0.0, 0.0);
    gf_setLights(ac.sim.objectId, LightValues{1, 1, 0, 1, 0, 1, 1});
  } else if (s[0].groundSpeed <= spoilersInKt) {
    gf_setSpoilers(ac.sim, 0);
    lf_sendLevers(ac, 0.0, 0.0, 0.0);
    gf_setFlaps(ac.sim, 1);
  }
}

} // namespace

double gf_groundRollCapKt(AcCategory category) {
  return std::max(rollCapKt, takeOffSpeedKt[gf_categorySlot(category)]);
}

namespace {

// The pace the positions of the leg's report showed when it came (the
// ground evidence keeps it), else the pace over the leg from the front's own
// due tick; 0 when they do not tell.
double reportsPaceKt(const LiveAc& ac, std::int32_t ownDue) {
  const auto& s = ac.samples;
  const double shownKt = gf_justifiedPaceKt(s[1]);
  if (shownKt > 0.0 && !s[1].standing) return shownKt;
  // The front was re-timed as the last leg's report: its own due tells.
  const std::int32_t frontDue = s[0].dueTick == ac.retimedDue ? ac.ownDueBefore : s[0].dueTick;
  const std::int32_t spacing = ownDue - frontDue;
  return spacing >= minLegTicks ? gf_legNm(s[0], s[1]) * ticksPerHour / spacing : 0.0;
}

} // namespace

// Never faster on the ground than the reports' speeds allow: the smoothing
// limits and the shortest leg would rush a far report (after a silence). An
// aircraft behind them (speeds that lag the positions, reports that came
// late) catches up a little faster, or it would stay behind for good.
void gf_keepGroundLegSpeed(LiveAc& ac, double distanceNm, std::int32_t ownDue) {
  auto& s = ac.samples;
  if (distanceNm <= 0.0) return;
  const std::int32_t now = tickCount.load();
  double capKt = gf_groundCapKt(ac.category, s[0], s[1]);
  // Reports without a speed go at the pace of their own positions: the cap
  // alone would race a catch-up (25 kt where they push back at 3).
  const double fedKt = std::max(s[0].groundSpeed, s[1].groundSpeed);
  const double reportedKt = fedKt * reportedSpeedMargin;
  double paceKt = std::min(reportedKt > 0.0 ? reportedKt : reportsPaceKt(ac, ownDue), capKt);
  // Touching down or rolling out it runs behind its reports after a late
  // touchdown or a silence: a share of a roll's speed on top would race it
  // down the runway faster than it landed. It catches up by a few knots over
  // what they show.
  const RunwayPhase phase = ac.runway.phase();
  if (phase == RunwayPhase::Approach || phase == RunwayPhase::RollOut || phase == RunwayPhase::MadeUpRollOut)
    capKt = std::min(capKt, (fedKt > 0.0 ? fedKt : paceKt) + rollOutLeadKt);
  paceKt = std::min(paceKt, capKt);
  if (paceKt > 0.0) {
    const std::int32_t pacedDue = now + gf_legTicks(distanceNm, paceKt);
    if (pacedDue > ownDue + catchUpAfterTicks) {
      // At least at a walk: a speed of next to nothing (0.1 kt while it
      // pushes back) would keep it behind for good.
      const double catchUpKt = std::min(std::max(paceKt * catchUpFactor, catchUpMinKt), capKt);
      s[1].dueTick = std::max({ownDue, now + gf_legTicks(distanceNm, catchUpKt), now + minLegTicks});
    } else if (s[0].groundSpeed <= 0.0) {
      // From a standstill the mean of 0 and the next report's speed holds
      // it back where it stood at the front: it moves off at their pace and
      // is there in the report's own time, not before (a roll's wide
      // smoothing would have it roll ahead of its reports).
      s[1].dueTick = std::max(ownDue, pacedDue);
    } else {
      // Behind its report's own time (a late start, the 2 s it stands when
      // created, speeds that lag the positions), a taxi leg at a steady
      // speed the feed gave makes the time up at the reports' pace: a lag
      // under the catch-up's would last for good. Curved too (noisy reports
      // set a curve up at nearly every report; it is driven at its leg's
      // pace) while the lag is a late start's, and at a fast taxi's speed
      // while the feed does not slow (a roll-out's end brakes as fed). A
      // roll and a speed change have their own pacing; positions' speeds are noise.
      const double fasterKt = std::max(s[0].groundSpeed, s[1].groundSpeed);
      const bool taxiSpeed =
          fasterKt < rollReportKt || (fasterKt < takeOffRollKt && s[1].groundSpeed >= s[0].groundSpeed);
      const bool curveLag = !gf_curveSet(ac.curve) || pacedDue <= ownDue + curveCatchUpWithinTicks;
      const bool taxiing = !ac.runway.onRunway() && !ac.runway.landing() && !ac.runway.afterTouchdown() && taxiSpeed &&
                           curveLag && std::fabs(s[0].groundSpeed - s[1].groundSpeed) <= legSpeedStepKt &&
                           ((s[0].evidence | s[1].evidence) & evidenceStale) == 0;
      s[1].dueTick = taxiing && s[1].dueTick > ownDue ? std::max(ownDue, pacedDue) : std::max(s[1].dueTick, pacedDue);
    }
  }
  s[1].dueTick = std::max(s[1].dueTick, now + gf_legTicks(distanceNm, capKt));
  ac.retimedDue = s[1].dueTick;
  ac.ownDueBefore = ownDue;
}

void gf_retimeGroundLeg(LiveAc& ac, double distanceNm, std::int32_t ticks) {
  const std::int32_t ownDue = ac.samples[1].dueTick;
  lf_retimeNext(ac, ticks);
  gf_keepGroundLegSpeed(ac, distanceNm, ownDue);
}

double gf_groundLegTopKt(const LiveAc& ac) {
  const auto& s = ac.samples;
  const double capKt = gf_groundCapKt(ac.category, s[0], s[1]);
  if (ac.phase != AcPhase::Taxi || s[1].standing || ac.runway.onRunway() || ac.runway.landing()) return capKt;
  const bool curve = gf_curveSet(ac.curve);
  if (!curve && !ac.turning) return capKt;
  // Slowed where the nose swings round a corner (a curve's bend, or the
  // turn onto a new way at its start), a leg would make the time up at once:
  // out of the corner at up to twice its reports' speed. It comes to its
  // report a little late instead, and the next legs make that up at their pace.
  const double metres = curve ? gf_curveMetresLeft(ac.curve, ac.curvePosition)
                              : gf_distanceNm(ac.lat, ac.lon, s[1].lat, s[1].lon) * metresPerNm;
  const std::int32_t ticks = s[1].dueTick - tickCount.load();
  if (ticks <= 0) return capKt;
  const double paceKt = metres / metresPerSecondPerKt / (ticks / ticksPerSecond);
  return std::min(capKt, std::max(paceKt, std::max(s[0].groundSpeed, s[1].groundSpeed) * reportedSpeedMargin));
}

double gf_baseGroundTurnRate(AcCategory category) {
  return baseGroundTurnRateDegPerTick[gf_categorySlot(category)] * radiansPerDegree;
}

double gf_groundTurnLimit(const LiveAc& ac) {
  // The leg's own rate drops below this on short legs and long gentle ones:
  // with the nose along the path, a slower turn holds the aircraft back in
  // every bend. Above it, a short leg would spin the nose round in a second.
  return steerTurnRateFactor * gf_baseGroundTurnRate(ac.category);
}

GroundDispatch nextPosGround(LiveAc& ac) {
  try {
    // Braked to a taxi's speed where its reports are: the rejected roll is over.
    if (ac.samples.front().groundSpeed < takeOffRollKt && rp_transition(ac, RunwayEvent::Braked))
      gf_narrowSmoothing(ac);
    switch (ac.phase) {
      case AcPhase::PushingBack:
        --ac.pushBackCountdown;
        if (ac.pushBackCountdown == 1) {
          // The second leg is kept aside until a report decides its side, so
          // a straight push has no report of it to drop: it ends at its first point.
          if (ac.pushBackHasSecondLeg && secondLegStep(ac)) return GroundDispatch::StepEnded;
        } else if (ac.pushBackCountdown < 1) {
          gf_finishPushBack(ac);
        }
        break;
      case AcPhase::Parked:
        lf_widenSmoothing(ac);
        if (ac.leaving) leaveStand(ac);
        break;
      default: turnsAndLegs(ac); break;
    }
    if (ac.samples.size() < 2) return GroundDispatch::Continue;
    arrivalChoice(ac);
    lf_groundTiming(ac);
    return GroundDispatch::Continue;
  } catch (const std::exception& e) {
    gf_log(fmt::format("{}: {} {}, sz:{}", "nextPosGround", e.what(), ac.liveFullText(), ac.samples.size()));
    throw;
  }
}

// The turn rate worked out here turns the nose where the path is not steered
// (driving onto a stand, a push-back's end); steered legs and curves turn at
// the ground turn limit instead, as a slower nose would hold them back in
// every bend (see gf_groundTurnLimit).
void lf_groundTiming(LiveAc& ac) {
  ac.groundTurnRate = gf_baseGroundTurnRate(ac.category);
  const auto& s = ac.samples;
  if (s[1].standing) {
    lf_retimeNext(ac, std::max(s[1].dueTick - s[0].dueTick, minLegTicks));
    return;
  }
  const double distance = gf_distanceNm(ac.lat, ac.lon, s[1].lat, s[1].lon);
  const std::int32_t ticks = std::max(gf_legTicks(distance, lf_legSpeedKt(ac)), minLegTicks);
  const bool curve = gf_curveSet(ac.curve);
  const double angle = curve ? ac.curveAngle : ac.turning ? ac.turnAngle : 0.0;
  if ((curve || ac.turning) && angle > 0.0 && distance > 0.0) {
    const std::int32_t n = std::max(gf_roundTicks(angle / ac.groundTurnRate / turnStepsDivisor), 1);
    const double r = static_cast<double>(ticks) / n;
    if (angle <= gentleTurnDeg) {
      if (r >= slowTurnRatio) {
        const double f = std::min(r * turnTicksPerDeg / angle, r * turnLegFactorNm / distance);
        if (f > 0.0) ac.groundTurnRate /= f;
      } else if (r > 0.0) {
        ac.groundTurnRate /= r;
      }
    } else {
      ac.groundTurnRate *= std::min(r, std::min(angle, sharpTurnDeg) / turnRateAngleDivisor);
      if (angle >= sharpTurnDeg) {
        ac.smoothingEarlier = std::max(ac.smoothingEarlier, smoothingSharpTurnTicks);
        ac.smoothingLater = std::max(ac.smoothingLater, smoothingSharpTurnTicks);
      }
    }
  }
  gf_retimeGroundLeg(ac, distance, ticks);
}

void lf_groundStep(LiveAc& ac) {
  if (ac.phase == AcPhase::Flying || ac.phase == AcPhase::Parked) ac.setPhase(AcPhase::Taxi);
  const auto& s = ac.samples;
  // The stream's newest reports lift off, or roll along a line (the reports
  // come in order: the newest tell what lies ahead). Two reports at 43 kt
  // alone are no roll: feeds repeat a roll's stale speed while the positions taxi.
  const bool rolls = s.back().airborne != 0 || gf_reportsRoll(ac);
  if (ac.phase == AcPhase::Taxi && !ac.runway.onRunway() && rolls) lf_startTakeOffRoll(ac);
  // Down, and the next two reports in the air (one alone may be the feed's
  // glitch): a bounce or a touch-and-go.
  if (ac.runway.phase() == RunwayPhase::RollOut && s.size() >= 3 && gf_fliesAgain(s[1], s[2]))
    lf_touchAndGoRoll(ac);
  if (ac.runway.rolling() && ac.phase != AcPhase::TakeOff) {
    rollThrottle(ac);
    takeOffCheck(ac);
  } else if (ac.runway.afterTouchdown()) {
    afterTouchdown(ac);
  } else if (ac.phase != AcPhase::TakeOff) {
    gf_setThrottle(ac.sim, idleThrottle(ac));
  }
  if (ac.phase != AcPhase::TakeOff) {
    // The ground rules alone turn the nose: an air leg's rate kept would go on turning it.
    ac.headingRate = 0.0;
    if (ac.landingStage == 0) {
      ac.pitch = ac.groundPitch;
      ac.bank = 0.0;
      ac.pitchRate = ac.bankRate = 0.0;
    }
  }
  if (gf_curveSet(ac.curve)) ac.curveStep = 1.0 / lf_ticksToNext(ac);
  ac.targetTas = ac.phase == AcPhase::PushingBack ? -s[0].groundSpeed : s[0].groundSpeed;
  ac.targetVerticalSpeed = 0.0;
  gf_steerLegStart(ac);
}

} // namespace gwr
