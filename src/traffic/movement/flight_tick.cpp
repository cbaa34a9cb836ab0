// One tick of a live aircraft's movement: along its rates or its curve on the
// ground, the take-off's rotation and climb-out, the flare and settling after touchdown.
#include "traffic/movement/flight_movement.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <optional>

#include "core/geo.h"
#include "core/log.h"
#include "traffic/engine/engine_constants.h"
#include "traffic/feed/park_airport_state.h"
#include "traffic/feed/tick_clock.h"
#include "traffic/movement/flight_shared.h"
#include "traffic/movement/ground_movement.h"
#include "traffic/movement/ground_steering.h"
#include "traffic/movement/movement_constants.h"
#include "traffic/movement/pose_guard.h"
#include "traffic/movement/runway_phases.h"
#include "traffic/movement/taxi_curves.h"
#include "traffic/simclient/sim_ids.h"

namespace gwr {

using flightshared::climbThrottle;
using flightshared::deg;

namespace {

// The height the flare works with: over the ground, or over the park airport when lower.
double flareHeight(const LiveAc& ac) {
  double h = ac.heightAboveGround;
  if (const auto park = gf_parkElevationFt()) h = std::min(h, ac.altitude - *park);
  return h;
}

void flareTick(LiveAc& ac) {
  const double h = flareHeight(ac);
  while (ac.landingStage < flareStages.size() && h <= ac.groundCgHeight + flareStages[ac.landingStage].aboveCgFt) {
    if (ac.landingStage == 0) {
      ac.flareHeight = h;
      ac.pitchRate = (deg(flarePitchDeg) - ac.pitch) / std::max(ac.flareSteps, 1);
    }
    ac.altitudeRate = flareStages[ac.landingStage].feetPerTick;
    ++ac.landingStage;
    if (ac.landingStage == throttleOffFlareStage) gf_setThrottle(ac.sim, 0);
  }
  ac.pitch += ac.pitchRate;
  ac.bank += ac.bankRate;
  ac.altitude += ac.altitudeRate;
  if (ac.landingStage > 0) {
    ac.pitch = std::max(ac.pitch, deg(flarePitchDeg));
    ac.bank = std::clamp(ac.bank, -M_PI, M_PI);
  }
}

// After touchdown pitch and bank settle to the ground values, then stay there.
void groundAttitudeTick(LiveAc& ac) {
  if (ac.landingStage == 0) {
    ac.pitch = ac.groundPitch;
    ac.bank = 0.0;
    return;
  }
  const auto towards = [](double value, double target, double rate) {
    const double step = std::fabs(rate);
    if (step == 0.0 || std::fabs(target - value) <= step) return target;
    return value + (target > value ? step : -step);
  };
  ac.pitch = towards(ac.pitch, ac.groundPitch, ac.pitchRate);
  ac.bank = towards(ac.bank, 0.0, ac.bankRate);
  if (ac.pitch == ac.groundPitch && ac.bank == 0.0) ac.landingStage = 0;
}

void takeOffTick(LiveAc& ac) {
  if (ac.rotationSteps > lowestRotationStep) --ac.rotationSteps;
  ac.lat += ac.latRate;
  ac.lon += ac.lonRate;
  ac.heading = gf_wrapHeading(ac.heading + ac.headingRate);
  if (ac.rotationSteps > 0) {
    ac.onGroundConfirmed = 0;
    ac.pitch = std::max(ac.pitch + ac.pitchRate, ac.rotationPitch);
    return;
  }
  ac.bank += ac.bankRate;
  ac.pitch = std::max(ac.pitch + (ac.climbPitch - ac.rotationPitch) / std::max(ac.climbSteps, 1), ac.climbPitch);
  const std::int32_t r = ac.rotationSteps;
  double rate = ac.altitudeRate;
  for (std::size_t band = 0; band < climbOutBandShares.size(); ++band) {
    if (r > -rotationBand * static_cast<std::int32_t>(band + 1)) {
      rate *= climbOutBandShares[band];
      break;
    }
  }
  if (r == gearUpRotationStep) gf_setGear(ac.sim, 0);
  ac.altitude += rate;
  if (ac.pitch <= ac.climbPitch && ac.heightAboveGround >= climbOutDoneHeightFt) {
    gf_setThrottle(ac.sim, climbThrottle(ac));
    ac.setPhase(AcPhase::Flying);
    ac.rotationSteps = 1;
    ac.pitchRate = 0.0;  // the rotation's rate would pitch on past the climb pitch until the next report
    ac.bankRate = 0.0;
  }
}

// Never past the target: a full step across it would swing the nose to and
// fro about it (a sharp turn's rate may exceed the tolerance).
void turnTowards(LiveAc& ac, double target) {
  const double diff = gf_normalizeAngle(target - ac.heading);
  if (std::fabs(diff) <= deg(turnToleranceDeg)) return;
  const double step = std::min(std::fabs(diff), std::fabs(ac.groundTurnRate));
  ac.heading = gf_wrapHeading(ac.heading + (diff > 0.0 ? step : -step));
}

// How far along its curve a ground aircraft gets this tick: where the curve
// bends faster than the nose may turn, it goes slower (while the nose still
// lags the path, at half that bend, so that it catches up). The point there
// comes along when it was worked out on the way: each costs trigonometry.
struct CurveAdvance {
  double to = 0.0;
  bool pointKnown = false;  // `point` is the curve's at `to`, worked out on the way
  std::optional<CurvePoint> point;
};

CurveAdvance curveAdvance(LiveAc& ac, double nose) {
  CurveAdvance a;
  double step = ac.curveStep;
  if (ac.phase == AcPhase::Taxi && !ac.reversing) {
    // Metres to a step along the curve, at the curve's speed half way through it.
    const double metres = gf_curveStepMetres(ac);
    const double here = gf_curveMetresPerUnit(ac.curve, ac.curvePosition);
    if (here > 0.0) {
      const double mid = gf_curveMetresPerUnit(ac.curve, ac.curvePosition + metres / here / 2.0);
      step = metres / (mid > 0.0 ? mid : here);
    }
  }
  a.to = std::clamp(ac.curvePosition + step, 0.0, curveEnd);
  const auto from = gf_curvePoint(ac.curve, ac.curvePosition);
  if (!from) return a;
  const double limit = gf_groundTurnLimit(ac);
  const double lag = std::fabs(gf_normalizeAngle(from->heading - nose));
  const double bend = std::max(limit - lag, limit / 2.0);
  for (int tries = 0; tries < curveSlowingTries; ++tries) {
    a.point = gf_curvePoint(ac.curve, a.to);
    a.pointKnown = true;
    const double turned = a.point ? std::fabs(gf_normalizeAngle(a.point->heading - from->heading)) : 0.0;
    if (turned <= bend) break;
    a.to = ac.curvePosition + (a.to - ac.curvePosition) * bend / turned;
    a.pointKnown = false;
  }
  return a;
}

void curveTick(LiveAc& ac) {
  const bool tailFirst = ac.phase == AcPhase::PushingBack || ac.reversing;
  const bool driven = ac.onGroundConfirmed && ac.phase != AcPhase::Parking;
  CurveAdvance advance;
  if (driven) advance = curveAdvance(ac, tailFirst ? ac.heading + M_PI : ac.heading);
  else advance.to = std::clamp(ac.curvePosition + ac.curveStep, 0.0, curveEnd);
  ac.curvePosition = advance.to;
  const auto point = advance.pointKnown ? advance.point : gf_curvePoint(ac.curve, ac.curvePosition);
  if (!point) {
    gf_log(fmt::format("{} error in curve at index: {:.2F}", ac.callsign, ac.curvePosition));
    gf_clearCurve(ac);
    return;
  }
  ac.lat = point->lat;
  ac.lon = point->lon;
  const double nose = tailFirst ? point->heading + M_PI : point->heading;
  // Driven on the ground, the nose is the path's direction: lagging it would slide the aircraft sideways.
  if (driven) ac.heading = gf_wrapHeading(nose);
  else turnTowards(ac, nose);
}

// Whatever moved it this tick, the nose on the ground turns no faster than an
// aircraft can: a flip round on the spot is spread over the turn it takes.
void limitGroundTurn(LiveAc& ac, double before) {
  if (!ac.onGroundConfirmed) return;
  const double turned = gf_normalizeAngle(ac.heading - before);
  const double limit = gf_groundTurnLimit(ac);
  if (std::fabs(turned) > limit) ac.heading = gf_wrapHeading(before + std::copysign(limit, turned));
}

void wrapPosition(LiveAc& ac) {
  const LatLon p = gf_normalPosition(ac.lat, ac.lon);
  ac.lat = p.latitude;
  ac.lon = p.longitude;
}

} // namespace

void lf_moveTick(LiveAc& ac) {
  const SoundPose before = gf_soundPose(ac);
  if (ac.phase == AcPhase::TakeOff) {
    takeOffTick(ac);
  } else {
    if (gf_curveSet(ac.curve)) {
      curveTick(ac);
    } else if (ac.onGroundConfirmed && gf_steerGroundTick(ac)) {  // (it steers nothing in the air: no call)
      // on its arc, the nose along it
    } else {
      const bool ground =
          ac.phase == AcPhase::Taxi || ac.phase == AcPhase::PushingBack || ac.phase == AcPhase::PushedBack;
      if (ac.phase == AcPhase::Parking || (ground && ac.turning)) turnTowards(ac, ac.trackHeading);
      else ac.heading = gf_wrapHeading(ac.heading + ac.headingRate);
      if (ac.phase != AcPhase::PushedBack) {
        ac.lat += ac.latRate;
        ac.lon += ac.lonRate;
      }
    }
    limitGroundTurn(ac, before.heading);
    if (ac.runway.landing() && !ac.onGroundConfirmed && ac.heightAboveGround <= flareCeilingFt) {
      flareTick(ac);
    } else if (ac.onGroundConfirmed) {
      groundAttitudeTick(ac);
      ac.altitude += ac.altitudeRate;
    } else {
      ac.pitch += ac.pitchRate;
      ac.bank += ac.bankRate;
      ac.altitude += ac.altitudeRate;
    }
  }
  wrapPosition(ac);
  gf_keepSoundPose(ac, before);
  // How fast it goes on the ground, however it moved: a ground leg's speed starts from there.
  if (ac.onGroundConfirmed) {
    ac.groundStepNorthM = (ac.lat - before.lat) * metresPerDegreeLat;
    ac.groundStepEastDeg = gf_normalLongitude(ac.lon - before.lon);
    ac.groundStepFromLat = before.lat;
    const std::int32_t now = tickCount.load();
    if (now - ac.speedMarkTick[1] >= speedMarkTicks) {
      ac.speedMarkLat[0] = ac.speedMarkLat[1];
      ac.speedMarkLon[0] = ac.speedMarkLon[1];
      ac.speedMarkTick[0] = ac.speedMarkTick[1];
      ac.speedMarkLat[1] = before.lat;
      ac.speedMarkLon[1] = before.lon;
      ac.speedMarkTick[1] = now - 1;
    }
  }
}

} // namespace gwr
