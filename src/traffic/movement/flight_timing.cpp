// Leg timing of the flight movement: tick counts of a leg, the leg's speed,
// retiming the next report and the smoothing limits it is held to.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <gsl/narrow>
#include <limits>

#include "traffic/engine/live_ac.h"
#include "traffic/feed/tick_clock.h"
#include "traffic/movement/flight_movement.h"
#include "traffic/movement/movement_constants.h"
#include "traffic/movement/taxi_curves.h"

namespace gwr {

std::int32_t gf_roundTicks(double ticks) {
  const double rounded = std::round(ticks);
  if (!(std::fabs(rounded) <= static_cast<double>(std::numeric_limits<std::int32_t>::max())))
    throw gsl::narrowing_error();
  return static_cast<std::int32_t>(rounded);
}

std::int32_t gf_legTicks(double distanceNm, double speedKt) {
  return gf_roundTicks(distanceNm * ticksPerHour / speedKt);
}

std::int32_t lf_ticksToNext(const LiveAc& ac) {
  return std::max(ac.samples[1].dueTick - tickCount.load(), minLegTicks);
}

double lf_legSpeedKt(const LiveAc& ac) {
  const auto& s = ac.samples;
  double speed = 0.0;
  if (ac.runway.landing() && !s[1].airborne) {
    speed = s[0].groundSpeed > 0.0 ? s[0].groundSpeed : landingFallbackKt;
  } else if (s[0].groundSpeed == 0.0 && s[1].groundSpeed == 0.0) {
    const double spacing = std::max(s[1].dueTick - s[0].dueTick, minLegTicks);
    speed = gf_legNm(s[0], s[1]) * ticksPerHour / spacing;
  } else {
    speed = (s[0].groundSpeed + s[1].groundSpeed) / 2.0;
  }
  return std::isfinite(speed) ? std::max(speed, minLegSpeedKt) : minLegSpeedKt;
}

void lf_retimeNext(LiveAc& ac, std::int32_t ticks) {
  PositionSample& second = ac.samples[1];
  const std::int32_t now = tickCount.load();
  std::int32_t due = now + std::max(ticks, minLegTicks);
  if (ac.extrapolationCount < 1)
    due = std::clamp(due, second.dueTick - ac.smoothingEarlier, std::max(second.dueTick + ac.smoothingLater,
                                                                        second.dueTick - ac.smoothingEarlier));
  second.dueTick = std::max(due, now);
}

void lf_lowerSmoothing(LiveAc& ac) {
  ac.smoothingEarlier = std::max(ac.smoothingEarlier - smoothingStepTicks, smoothingFloorTicks);
  ac.smoothingLater = std::max(ac.smoothingLater - smoothingStepTicks, smoothingFloorTicks);
}

void lf_widenSmoothing(LiveAc& ac) {
  ac.smoothingEarlier = smoothingWideTicks;
  ac.smoothingLater = ac.runway.rolling() ? smoothingTakeOffLaterTicks : smoothingWideTicks;
}

} // namespace gwr
