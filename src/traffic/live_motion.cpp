// Straight-segment movement of live aircraft between their delayed reports,
// with extrapolation while the feed is silent and the range rule.
#include "traffic/live_motion.h"

#include <algorithm>
#include <cmath>

#include "core/geo.h"
#include "core/settings_catalogue.h"
#include "traffic/engine_clocks.h"
#include "traffic/engine_constants.h"
#include "traffic/live_removal.h"
#include "traffic/park_airport_state.h"
#include "traffic/traffic_engine.h"

namespace gwr {

namespace {

constexpr double secondsPerTick = 0.01;
constexpr double feetPerNmPerSecond = feetPerNm / 3600.0;  // feet a second at one knot

bool categorySwitchedOff(AcCategory category) {
  return (category == AcCategory::Light && !LIGHT_AIRCRAFT.current()) ||
         (category == AcCategory::HighPerf && !HIGH_PERF_AIRCRAFT.current()) ||
         (category == AcCategory::Rotorcraft && !HELICOPTERS.current());
}

} // namespace

void lf_extrapolate(LiveAc& ac, std::int32_t n) {
  ac.extrapolationCount = n;
  const PositionSample& front = ac.samples.front();
  PositionSample copy = front;
  const bool parked = ac.phase == AcPhase::Parked;
  const std::int32_t step = parked ? parkedExtrapolationTicks
                            : front.airborne ? airExtrapolationTicks : groundExtrapolationTicks;
  if (front.standing || parked || !front.airborne) {
    copy.standing = 1;
    copy.groundSpeed = 0.0;
  } else {
    copy.groundSpeed = std::max(front.groundSpeed * extrapolationSpeedFactor, 1.0);
    const double feet = copy.groundSpeed * feetPerNmPerSecond * step * secondsPerTick;
    const LatLon next = gf_destinationPoint({front.lat, front.lon}, ac.heading, feet);
    copy.lat = next.latitude;
    copy.lon = next.longitude;
    if (std::fabs(copy.lat - front.lat) <= samePositionDeg && std::fabs(copy.lon - front.lon) <= samePositionDeg)
      copy.standing = 1;
  }
  copy.dueTick = std::max(front.dueTick, tickCount.load()) + step;
  ac.samples.push_back(copy);
}

bool lf_extendStream(LiveAc& ac) {
  if (ac.extrapolationCount < 0 || ac.extrapolationCount == 1) {
    ac.extrapolationCount = -1;
    gf_removeLiveAc(ac);
    return false;
  }
  if (ac.extrapolationCount > 1) {
    lf_extrapolate(ac, ac.extrapolationCount - 1);
    return true;
  }
  if (categorySwitchedOff(ac.category)) {
    gf_removeLiveAc(ac);
    return false;
  }
  const UserState& user = trafficEngine.user;
  if (!ac.onGroundConfirmed) {
    if (gf_knownUserPosition(user) &&
        gf_greatCircleDistanceNm({ac.lat, ac.lon}, {user.latitude, user.longitude}) > rangeNm.load() - rangeMarginNm) {
      gf_removeLiveAc(ac);
      return false;
    }
    lf_extrapolate(ac, airExtrapolations);
    return true;
  }
  lf_extrapolate(ac, ac.phase == AcPhase::Parked ? 1 : groundExtrapolations);
  return true;
}

void lf_nextPosition(LiveAc& ac) {
  auto& s = ac.samples;
  for (;;) {
    while (s.size() < 2) {
      if (!lf_extendStream(ac)) return;
    }
    if (ac.onGroundConfirmed || ac.category == AcCategory::Rotorcraft || !s[1].standing) break;
    s.erase(s.begin() + 1);
  }
  PositionSample& target = s[1];
  const PositionSample& front = s[0];
  if (!target.standing && std::fabs(target.lat - front.lat) <= samePositionDeg &&
      std::fabs(target.lon - front.lon) <= samePositionDeg)
    target.standing = 1;
  const double ticks = std::max<double>(target.dueTick - tickCount.load(), 1.0);
  if (target.standing) {
    ac.latRate = ac.lonRate = ac.altitudeRate = 0.0;
  } else {
    ac.trackHeading = gf_initialBearing({ac.lat, ac.lon}, {target.lat, target.lon});
    ac.heading = ac.trackHeading;
    ac.latRate = (target.lat - ac.lat) / ticks;
    ac.lonRate = (target.lon - ac.lon) / ticks;
    // A ground report's altitude 0 means on the ground, not sea level.
    const auto park = gf_parkAirport();
    const double targetAltitude = target.airborne ? target.altitude
                                  : park ? static_cast<double>(park->altitude) : ac.altitude;
    ac.altitudeRate = ac.onGroundConfirmed && !target.airborne ? 0.0 : (targetAltitude - ac.altitude) / ticks;
    if (target.airborne && ac.onGroundConfirmed) {
      // Lift-off: in take-off the simulator's ground replies no longer hold it down.
      ac.onGroundConfirmed = 0;
      ac.setPhase(AcPhase::TakeOff);
    } else if (target.airborne && (ac.phase != AcPhase::TakeOff || front.airborne)) {
      ac.setPhase(AcPhase::Flying);
    }
    if (!target.airborne && ac.phase == AcPhase::Flying) ac.setPhase(AcPhase::Taxi);
  }
  ac.targetVerticalSpeed = target.verticalSpeed;
  ac.targetTas = target.tas > 0.0 ? target.tas : target.groundSpeed;
  s.pop_front();
}

void lf_moveStep(LiveAc& ac) {
  ac.lat += ac.latRate;
  ac.lon += ac.lonRate;
  ac.altitude += ac.altitudeRate;
  if (ac.onGroundConfirmed) {
    ac.pitch = ac.groundPitch;
    ac.bank = 0.0;
  }
  if (ac.lon > 180.0) ac.lon -= 360.0;
  if (ac.lon < -180.0) ac.lon += 360.0;
  if (ac.lat > 90.0 || ac.lat < -90.0) {
    ac.lat = ac.lat > 0.0 ? 180.0 - ac.lat : -180.0 - ac.lat;
    ac.lon += ac.lon > 0.0 ? -180.0 : 180.0;
  }
}

} // namespace gwr
