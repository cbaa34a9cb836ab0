// Made-up reports of a silent feed: step length, speed and climb by phase,
// and the point reached along the aircraft's heading.
#include "traffic/movement/extrapolation.h"

#include <algorithm>
#include <cmath>

#include "core/geo.h"
#include "traffic/engine/engine_constants.h"
#include "traffic/feed/tick_clock.h"
#include "traffic/movement/movement_constants.h"
#include "traffic/movement/taxi_curves.h"

namespace gwr {

namespace {

constexpr double secondsPerTick = 0.01;
constexpr double feetPerSecondAtOneKnot = feetPerNm / 3600.0;

SpeedStep rollOutStep(double kt) {
  for (const SpeedStep& s : rollOutSteps)
    if (kt >= s.upToKt) return s;
  return {0.0, rollOutSlowestKt, 0.0};
}

SpeedStep takeOffRollStep(double kt) {
  for (const SpeedStep& s : takeOffRollSteps)
    if (kt <= s.upToKt) return s;
  return takeOffRollLast;
}

} // namespace

PositionSample gf_madeUpReport(const LiveAc& ac, std::int32_t n) {
  const PositionSample& front = ac.samples.front();
  PositionSample copy = front;
  const bool parked = ac.phase == AcPhase::Parked;
  const std::int32_t step = parked ? parkedExtrapolationTicks
                            : front.airborne ? airExtrapolationTicks : groundExtrapolationTicks;
  copy.dueTick = std::max(front.dueTick, tickCount.load()) + step;
  bool moving = !front.standing && !parked;
  if (moving && front.airborne) {
    double factor = extrapolationSpeedFactor;
    if (ac.landing) factor = n < landingSteadyReports ? 1.0 : landingExtrapolationFactor;
    copy.groundSpeed = std::max(front.groundSpeed * factor, minLegSpeedKt);
  } else if (moving && ac.touchedDown) {
    const SpeedStep s = rollOutStep(front.groundSpeed);
    copy.groundSpeed = s.kt;
    copy.verticalSpeed = s.fpm;
  } else if (moving && ac.takeOffRoll) {
    const SpeedStep s = takeOffRollStep(front.groundSpeed);
    copy.groundSpeed = s.kt;
    copy.verticalSpeed = s.fpm;
  } else {
    moving = false;
  }
  if (!moving) {
    copy.standing = 1;
    copy.groundSpeed = 0.0;
    return copy;
  }
  const double seconds = step * secondsPerTick;
  const LatLon next = gf_destinationPoint({front.lat, front.lon}, gf_wrapHeading(ac.heading),
                                          copy.groundSpeed * feetPerSecondAtOneKnot * seconds);
  copy.lat = next.latitude;
  copy.lon = next.longitude;
  copy.standing = gf_samePosition(copy, front) ? 1 : 0;
  if (ac.landing && ac.landingStage == 0) {
    copy.verticalSpeed = landingExtrapolatedFpm;
    copy.altitude = front.altitude - landingSinkFeetPerSecond * seconds;
  } else if (ac.phase == AcPhase::TakeOff) {
    copy.verticalSpeed = takeOffExtrapolatedFpm;
    copy.altitude = front.altitude + takeOffClimbFeetPerSecond * seconds;
  }
  copy.altitude = std::max(copy.altitude, 0.0);
  copy.airborne = copy.altitude > 0.0 ? 1 : 0;
  return copy;
}

} // namespace gwr
