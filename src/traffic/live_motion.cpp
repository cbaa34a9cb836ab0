// Live aircraft between their delayed reports: the engine's entry to the
// flight and ground movement, extrapolation while the feed is silent, range rule.
#include "traffic/live_motion.h"

#include <algorithm>
#include <cmath>

#include "core/geo.h"
#include "core/settings_catalogue.h"
#include "traffic/engine_clocks.h"
#include "traffic/engine_constants.h"
#include "traffic/flight_movement.h"
#include "traffic/ground_reports.h"
#include "traffic/live_removal.h"
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
  if (const auto extended = lf_extendOnGround(ac)) return *extended;
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

void lf_nextPosition(LiveAc& ac) { nextPosMain(ac); }

void lf_moveStep(LiveAc& ac) { lf_moveTick(ac); }

} // namespace gwr
