// Flight movement between delayed reports: the position step, per-tick rates in
// the air, the take-off and configuration by height (each tick: flight_tick.cpp).
#include "traffic/movement/flight_movement.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <optional>

#include "core/geo.h"
#include "core/log.h"
#include "refdata/ac_category.h"
#include "traffic/engine/engine_constants.h"
#include "traffic/engine/traffic_engine.h"
#include "traffic/feed/feed_constants.h"
#include "traffic/feed/park_airport_state.h"
#include "traffic/feed/qnh_reader.h"
#include "traffic/feed/tick_clock.h"
#include "traffic/movement/flight_shared.h"
#include "traffic/movement/ground_evidence.h"
#include "traffic/movement/ground_movement.h"
#include "traffic/movement/ground_steering.h"
#include "traffic/movement/live_motion.h"
#include "traffic/movement/movement_constants.h"
#include "traffic/movement/pose_guard.h"
#include "traffic/movement/runway_phases.h"
#include "traffic/movement/taxi_curves.h"
#include "traffic/simclient/sim_ids.h"

namespace gwr {

using flightshared::climbThrottle;
using flightshared::deg;
using flightshared::isRotorcraft;

namespace {

double qnhHpa() { return static_cast<double>(currentQnh.load()); }

void allLights(LiveAc& ac, bool cabin) {
  LightValues l{1, 1, 1, 1, 1, 1, cabin ? 1U : 0U};
  gf_setLights(ac.sim.objectId, l);
}

double streamVerticalSum(const LiveAc& ac) {
  double sum = 0.0;
  for (const auto& s : ac.samples) sum += s.verticalSpeed;
  return sum;
}

double descentRatePerTick(const LiveAc& ac) {
  const auto& s = ac.samples;
  return gf_descentFpm(ac.heightAboveGround, s[0].verticalSpeed, s[1].verticalSpeed, qnhHpa()) / fpmPerFeetPerTick;
}

double liftOffRate(const LiveAc& ac, const PositionSample& target, std::int32_t ticks) {
  if (target.altitude <= ac.altitude) return 0.0;
  return std::min((target.altitude - ac.altitude) / ticks, ac.maxClimbPerTick);
}

// Both reports on the ground but the stream climbs: look ahead for the lift-off.
void groundClimb(LiveAc& ac) {
  auto& s = ac.samples;
  const std::size_t last = std::min(s.size() - 1, climbLookLast);
  for (std::size_t k = climbLookFirst; k <= last; ++k) {
    if (!s[k].airborne) continue;
    s.erase(s.begin() + 1, s.begin() + static_cast<std::ptrdiff_t>(k));
    lf_retimeNext(ac, gf_legTicks(gf_greatCircleDistanceNm({ac.lat, ac.lon}, {s[1].lat, s[1].lon}), lf_legSpeedKt(ac)));
    ac.altitudeRate = liftOffRate(ac, s[1], lf_ticksToNext(ac));
    return;
  }
  s[1].verticalSpeed = std::max(s[1].verticalSpeed, forcedClimbFpm);
  ac.altitudeRate = s[1].verticalSpeed / fpmPerFeetPerTick;
}

void airAltitudeRate(LiveAc& ac) {
  auto& s = ac.samples;
  const std::int32_t ticks = lf_ticksToNext(ac);
  if (!s[0].airborne && s[1].airborne) {
    ac.altitudeRate = liftOffRate(ac, s[1], ticks);
  } else if (!s[0].airborne && !s[1].airborne) {
    if (!ac.runway.landing() && streamVerticalSum(ac) > climbLookSumFpm) groundClimb(ac);
    else ac.altitudeRate = descentRatePerTick(ac);
  } else if (s[0].airborne && !s[1].airborne) {
    const auto park = gf_parkElevationFt();
    if (currentQnh.load() >= highQnhHpa || !park) {
      s[1].verticalSpeed = currentQnh.load() >= highQnhHpa
                               ? gf_descentFpm(ac.heightAboveGround, s[0].verticalSpeed, s[1].verticalSpeed, qnhHpa())
                               : slowDescentFpm;
      ac.altitudeRate = s[1].verticalSpeed / fpmPerFeetPerTick;
    } else {
      // A rotorcraft comes straight down: it settles on its wheels or skids, not with its centre on the field.
      const double settled = *park + (isRotorcraft(ac) ? ac.groundCgHeight : 0.0);
      ac.altitudeRate = (settled - ac.altitude) / ticks;
      // An airliner landing comes down its glide, not flatter: the first
      // report on the ground may be far down the runway (after a silence), and
      // sinking straight to it would float it down half the runway.
      if (ac.runway.landing() && !isRotorcraft(ac))
        ac.altitudeRate = std::min(ac.altitudeRate, -lf_legSpeedKt(ac) * glideFpmPerKt / fpmPerFeetPerTick);
    }
  } else if (!ac.runway.landing()) {
    // The least climb is a departure's, from its roll until it is configured
    // clear of the field. Anything else low over the ground follows its
    // reports: an arrival at a field other than the park airport (never
    // `landing`) or a rotorcraft at 500 ft would climb against them and fall
    // back, up and down, and never land.
    const bool climbingOut = ac.runway.rolling() && !isRotorcraft(ac);
    ac.altitudeRate =
        gf_climbRate(s[1].altitude - ac.altitude, ticks, ac.maxClimbPerTick, ac.heightAboveGround, climbingOut);
  } else if (s[0].altitude == s[1].altitude && ac.heightAboveGround <= climbFloorHeightFt &&
             s[0].verticalSpeed + s[1].verticalSpeed <= climbLookSumFpm) {
    ac.altitudeRate = descentRatePerTick(ac);
  } else {
    ac.altitudeRate = (s[1].altitude - ac.altitude) / ticks;
  }
}

void configureHigh(LiveAc& ac) {
  if (ac.highConfigured) return;
  ac.highConfigured = 1;
  ac.lowConfigured = 0;
  gf_setLights(ac.sim.objectId, LightValues{1, 1, 0, 0, 0, 0, 1});
  gf_setThrottle(ac.sim, climbThrottle(ac));
  gf_setGear(ac.sim, 0);
  gf_setFlaps(ac.sim, 0);
}

void aimAtSecond(LiveAc& ac) {
  const auto& s = ac.samples;
  const std::int32_t ticks = lf_ticksToNext(ac);
  ac.latRate = (s[1].lat - ac.lat) / ticks;
  ac.lonRate = (s[1].lon - ac.lon) / ticks;
  // Across the date line the short way, not round the world.
  if (ac.lonRate * ticks > 180.0) ac.lonRate -= 360.0 / ticks;
  if (ac.lonRate * ticks < -180.0) ac.lonRate += 360.0 / ticks;
}

void logNextPosMain(const LiveAc& ac, const std::exception& e) {
  gf_log(fmt::format("{}: {} {}, sz:{}, fs:{}, st:{}", "nextPosMain", e.what(), ac.liveFullText(), ac.samples.size(),
                     gf_phaseName(ac.phase), gf_simStateName(ac.sim.simState)));
}

} // namespace

void lf_taxiLights(LiveAc& ac) { gf_setLights(ac.sim.objectId, LightValues{1, 1, 0, 1, 0, 1, 0}); }

void lf_sendLevers(LiveAc& ac, double spoilers, double lever1, double lever2) {
  if (ac.category == AcCategory::Light) return;
  const double levers[3] = {spoilers, lever1, lever2};
  std::lock_guard lock(simCommandMutex);
  simconnect::SetDataOnSimObject(simHandle, AiLeversDefinition, ac.sim.objectId, 0, 0, sizeof levers, levers);
}

double gf_pitchTargetRad(double fpm) {
  double v = std::isfinite(fpm) ? fpm : 0.0;
  if (v >= 0.0) v = std::min(v, maxClimbPitchFpm);
  else v = std::max(v, minDescentFpm) * descentPitchShare;
  return deg(pitchBaseDeg - v * pitchPerFpmDeg);
}

double gf_bankTargetRad(AcCategory category, double headingDifference) {
  const double limit = deg(maxBankDeg[gf_categorySlot(category)]);
  return std::clamp(-headingDifference, -limit, limit);
}

double gf_descentFpm(double heightFt, double frontFpm, double secondFpm, double qnh) {
  if (heightFt <= descentRateHeightFt) return nearGroundDescentFpm;
  return std::min((frontFpm + secondFpm) / 2.0 - (qnh - standardQnhHpa) * qnhFpmPerHpa, slowDescentFpm);
}

double gf_climbRate(double altitudeDifference, std::int32_t ticks, double maxClimbPerTick, double heightFt,
                    bool climbingOut) {
  double rate = std::min(altitudeDifference / std::max(ticks, minLegTicks), maxClimbPerTick);
  if (climbingOut && heightFt <= climbFloorHeightFt) rate = std::max(rate, climbFloorFeetPerTick);
  return rate;
}

void lf_startTakeOffRoll(LiveAc& ac) {
  if (ac.towed) gf_log(fmt::format("towed aircraft takes-off? {}", ac.callsign));
  rp_transition(ac, RunwayEvent::RollStarts);
  gf_setThrottle(ac.sim, 0);
  gf_setSpoilers(ac.sim, 0);
  gf_setFlaps(ac.sim, 1);
  ac.landingStage = 0;
  allLights(ac, false);
  ac.smoothingEarlier = smoothingWideTicks;
  ac.smoothingLater = smoothingTakeOffLaterTicks;
}

void lf_touchAndGoRoll(LiveAc& ac) {
  // The broad phase stays: a bounce may come in the middle of an air leg, and
  // the next ground step makes it a taxi (a ground leg's pace) when its leg is one.
  rp_transition(ac, RunwayEvent::TouchAndGo);
  gf_setThrottle(ac.sim, 3);
  gf_setSpoilers(ac.sim, 0);  // in again: it rolls to climb away
  gf_setFlaps(ac.sim, 1);
  ac.landingStage = 0;
  allLights(ac, false);
  ac.smoothingEarlier = smoothingWideTicks;
  ac.smoothingLater = smoothingTakeOffLaterTicks;
}

void lf_takeOff(LiveAc& ac) {
  ac.rotationSteps = std::max(ac.AcDescription::rotationSteps, 1);
  ac.pitchRate = (ac.rotationPitch - ac.pitch) / ac.rotationSteps;
  ac.bank = ac.bankRate = 0.0;
  if (!ac.runway.rolling()) lf_startTakeOffRoll(ac);
  const bool touchAndGo = ac.runway.afterTouchdown();
  rp_transition(ac, RunwayEvent::Rotates);
  ac.setPhase(AcPhase::TakeOff);
  ac.headingRate = 0.0;
  gf_clearCurve(ac);
  if (touchAndGo) {
    gf_setThrottle(ac.sim, 4);
    gf_setSpoilers(ac.sim, 0);  // retracted: a touch-and-go climbs away clean
    gf_setFlaps(ac.sim, 1);
  }
}

namespace {

bool climbsAwayAhead(const LiveAc& ac) {
  for (std::size_t i = 1; i < ac.samples.size(); ++i) {
    const PositionSample& r = ac.samples[i];
    if (!r.airborne) return false;
    if (r.verticalSpeed > goAroundFpm) return true;
  }
  return false;
}

// Every report ahead is on the ground: whatever it is doing in the air, it comes down.
bool groundAhead(const LiveAc& ac) {
  return std::none_of(ac.samples.begin() + 1, ac.samples.end(), [](const PositionSample& r) { return r.airborne; });
}

void goAround(LiveAc& ac) {
  ac.approachCleared = 1;
  lf_lowerSmoothing(ac);
  gf_setThrottle(ac.sim, 4);
  gf_setGear(ac.sim, 0);
  gf_setFlaps(ac.sim, 0);
  ac.landingStage = 0;
  rp_transition(ac, RunwayEvent::GoesAround);
}

} // namespace

void lf_configureApproach(LiveAc& ac) {
  gf_setCabinLights(ac.sim.objectId, 0);
  const auto park = gf_parkAirport();
  const bool near = park && gf_greatCircleDistanceNm({ac.lat, ac.lon}, {park->latitude, park->longitude}) <=
                                nearParkAirportNm;
  const double fpm = ac.samples[0].verticalSpeed;
  // A climb-out whose reports ahead are all on the ground again lands,
  // however level its last airborne ones (a rotorcraft comes straight down
  // onto its pad: no approach).
  const bool downAhead = ac.runway.phase() == RunwayPhase::LiftOff && !isRotorcraft(ac) && groundAhead(ac);
  // Set up only when the state machine starts an approach: already landing,
  // or going around (descending still to its lowest report), it would queue
  // its stand work again at every step.
  if ((fpm <= descendingFpm || downAhead) && near && rp_transition(ac, RunwayEvent::ApproachStarts)) {
    gf_setThrottle(ac.sim, isRotorcraft(ac) ? 4U : 1U);
    gf_setFlaps(ac.sim, 3);
    gf_setGear(ac.sim, 1);
    trafficEngine.standWork.push_back(ac.hexId);
    ac.approachCleared = 0;
    ac.standLat = ac.standLon = ac.standHeading = 0.0;
    ac.standNumber = 0;
    ac.standFlag = 0;
    ac.rotationSteps = 1;
    // An arrival's limits, from a climb-out too: the approach has ended its
    // roll, whose later limit lets a slow roll lag its reports.
    lf_widenSmoothing(ac);
  } else if ((fpm > goAroundFpm || (ac.runway.landing() && !near)) && !ac.approachCleared) {
    goAround(ac);
  }
}

void lf_configureBelow10000(LiveAc& ac) {
  if (!ac.lowConfigured) {
    ac.lowConfigured = 1;
    ac.highConfigured = 0;
    allLights(ac, true);
  }
  const double height = ac.heightAboveGround;
  if (height <= highConfigHeightFt[gf_categorySlot(ac.category)]) {
    lf_configureApproach(ac);
    return;
  }
  lf_lowerSmoothing(ac);
  gf_setCabinLights(ac.sim.objectId, 1);
  rp_transition(ac, RunwayEvent::ClearOfField);
  const double fpm = ac.samples[0].verticalSpeed;
  if (fpm <= descendingFpm && ac.sim.throttleIndex == 3) gf_setThrottle(ac.sim, isRotorcraft(ac) ? 4U : 2U);
  if (fpm > climbingFpm && ac.sim.throttleIndex == 4) gf_setThrottle(ac.sim, climbThrottle(ac));
  if (height >= gearUpHeightFt) {
    gf_setGear(ac.sim, 0);
    gf_setFlaps(ac.sim, 0);
  } else if (fpm <= flapsMaxFpm) {
    const std::uint32_t flaps = ac.sim.flapsIndex;
    if (flaps == 0 || flaps == newFlapsIndex) gf_setFlaps(ac.sim, 1);
    else if (flaps == 1 && height < secondFlapsHeightFt) gf_setFlaps(ac.sim, 2);
  }
}

void lf_flyStep(LiveAc& ac) {
  auto& s = ac.samples;
  // A rotorcraft has no climb-out: once off the ground it flies its reports, and may come down below 800 ft.
  // Nor has one whose reports ahead are all on the ground again: in the climb-out it could never touch down and
  // would sink on through the field.
  if (ac.phase != AcPhase::Flying && (ac.phase != AcPhase::TakeOff || isRotorcraft(ac) || groundAhead(ac))) {
    if (ac.phase == AcPhase::TakeOff) ac.rotationSteps = 1;
    ac.setPhase(AcPhase::Flying);
  }
  // Its reports climb away before one is on the ground: no flare sinks it
  // onto a runway they never touch (the climb configures the go-around).
  if (ac.runway.landing() && climbsAwayAhead(ac) && rp_transition(ac, RunwayEvent::GoAroundAhead)) ac.landingStage = 0;
  if (ac.runway.phase() == RunwayPhase::GoAround && !climbsAwayAhead(ac))
    rp_transition(ac, RunwayEvent::ApproachResumes);
  if (ac.landingStage == 0) airAltitudeRate(ac);
  ac.targetVerticalSpeed = s[1].verticalSpeed;
  // A report without its TAS gives its ground speed: 0 would show it stalled in the air.
  ac.targetTas = s[1].tas > 0.0 ? s[1].tas : s[1].groundSpeed;
  if (!s[0].airborne || !s[1].airborne) gf_setGear(ac.sim, 1);
  const std::int32_t ticks = lf_ticksToNext(ac);
  if (ac.phase != AcPhase::TakeOff && ac.landingStage == 0) {  // the flare keeps its own pitch
    const double limit = deg(maxPitchChangeDegPerTick[gf_categorySlot(ac.category)]);
    ac.pitchRate = std::clamp((gf_pitchTargetRad(s[1].verticalSpeed) - ac.pitch) / ticks, -limit, limit);
  }
  double diff = 0.0;
  const double attitudeHeight = ac.runway.landing() ? landingAttitudeHeightFt : attitudeHeightFt;
  if (s[1].attitudeSource && s[1].rollValid && s[1].trueHeadingValid && ac.heightAboveGround < attitudeHeight) {
    diff = gf_normalizeAngle(s[1].trueHeading - ac.heading);
  } else if (s.size() >= 3) {
    if (const auto b = gf_legBearing(s[1].lat, s[1].lon, s[2].lat, s[2].lon)) diff = gf_normalizeAngle(*b - ac.heading);
  }
  ac.headingRate = diff / ticks;
  if (s[1].rollValid) {
    ac.bankRate = (s[1].roll - ac.bank) / ticks;
  } else {
    const double limit = deg(maxBankChangeDegPerTick[gf_categorySlot(ac.category)]);
    ac.bankRate = std::clamp((gf_bankTargetRad(ac.category, diff) - ac.bank) / ticks, -limit, limit);
  }
  if (s[0].altitude < configAltitudeFt) lf_configureBelow10000(ac);
  else configureHigh(ac);
}

void nextPosMain(LiveAc& ac) {
  try {
    auto& s = ac.samples;
    for (;;) {
      while (s.size() < 2) {
        if (!lf_extendStream(ac)) return;
      }
      if (ac.onGroundConfirmed || isRotorcraft(ac) || !s[1].standing) break;
      s.erase(s.begin() + 1);
    }
    gf_justifyLeg(ac);
    gf_clearCurve(ac);
    // A rotorcraft hovering at 0 kt: its reports wander by the noise, it stays (and climbs or sinks) in place.
    const bool hovers = isRotorcraft(ac) && s[1].airborne && s[1].groundSpeed <= 0.0 && gf_reportNear(ac, s[0], s[1]);
    if (!s[1].standing && (hovers || gf_samePosition(s[0], s[1]))) s[1].standing = 1;
    if (!s[1].standing) {
      if (const auto b = gf_legBearing(s[0].lat, s[0].lon, s[1].lat, s[1].lon)) ac.trackHeading = *b;
    }
    if (ac.onGroundConfirmed) {
      if (nextPosGround(ac) == GroundDispatch::StepEnded) {
        lf_checkRates(ac);
        return;
      }
    } else if (!s[1].standing) {
      const double distance = gf_greatCircleDistanceNm({ac.lat, ac.lon}, {s[1].lat, s[1].lon});
      const std::int32_t ticks = gf_legTicks(distance, lf_legSpeedKt(ac));
      // Not yet confirmed on the ground, but a ground leg all the same: timed
      // at its reports' ground pace, as the smoothing limits alone would rush
      // a far ground report (after a silence) at a roll's speed.
      if (!s[0].airborne && !s[1].airborne) {
        gf_retimeGroundLeg(ac, distance, ticks);
      } else {
        lf_retimeNext(ac, ticks);
      }
    } else if (isRotorcraft(ac)) {
      lf_groundTiming(ac);
    }
    if (s.size() < 2) return;
    if (s[1].standing) {
      ac.latRate = ac.lonRate = 0.0;
      if (!ac.runway.onRunway()) lf_lowerSmoothing(ac);
      // A rotorcraft climbing or coming down in place still follows its reports' heights.
      if (!ac.onGroundConfirmed) lf_flyStep(ac);
      else if (isRotorcraft(ac) && s[1].airborne) lf_groundStep(ac);  // lifts off where it stands
    } else {
      aimAtSecond(ac);
      if (ac.onGroundConfirmed) {
        lf_groundStep(ac);
      } else {
        const std::size_t reports = s.size();
        lf_flyStep(ac);
        // Its look-ahead for the lift-off dropped the reports before it:
        // along the dropped one's rates it would miss the one now timed.
        if (s.size() != reports) aimAtSecond(ac);
      }
    }
    s.pop_front();
    lf_checkRates(ac);
  } catch (const std::exception& e) {
    logNextPosMain(ac, e);
    throw;
  }
}

} // namespace gwr
