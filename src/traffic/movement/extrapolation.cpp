// Made-up reports of a silent feed: step length, speed and climb by phase,
// and the point reached along the aircraft's heading.
#include "traffic/movement/extrapolation.h"

#include <algorithm>
#include <cmath>

#include "core/geo.h"
#include "traffic/engine/engine_constants.h"
#include "traffic/feed/park_airport_state.h"
#include "traffic/feed/tick_clock.h"
#include "traffic/movement/movement_constants.h"
#include "traffic/movement/taxi_curves.h"

namespace gwr {

namespace {

constexpr double secondsPerTick = 0.01;
constexpr double feetPerSecondAtOneKnot = feetPerNm / 3600.0;

// Braking evenly over the step, down to a taxi (one already slower keeps its speed).
double rollOutKt(double kt, std::int32_t stepTicks) {
  return std::max(kt - rollOutDecelKtPerSecond * stepTicks * secondsPerTick, std::min(kt, rollOutSlowestKt));
}

// The next made-up report of a take-off roll: towards the table's next speed,
// but gathering speed as an airliner does over the step (the table's own jumps,
// 110 to 150 kt in 3 s, are twice that and more); it climbs as the table says
// for the speed it has reached.
SpeedStep takeOffRollStep(double kt, std::int32_t stepTicks) {
  SpeedStep next = takeOffRollLast;
  for (const SpeedStep& s : takeOffRollSteps) {
    if (kt <= s.upToKt) {
      next = s;
      break;
    }
  }
  next.kt = std::min(next.kt, kt + takeOffRollAccelMps2 / metresPerSecondPerKt * stepTicks * secondsPerTick);
  next.fpm = 0.0;
  for (const SpeedStep& s : takeOffRollSteps)
    if (next.kt >= s.kt) next.fpm = s.fpm;
  if (next.kt >= takeOffRollLast.kt) next.fpm = takeOffRollLast.fpm;
  return next;
}

// The ground a made-up report is judged against: the park airport's field when
// the aircraft is there, else the ground the simulator has it standing on
// (sea level when neither is known).
double fieldElevationFt(const LiveAc& ac) {
  if (const auto park = gf_parkElevationFt(LatLon{ac.lat, ac.lon})) return *park;
  return ac.onGroundConfirmed ? ac.altitude - ac.groundCgHeight : 0.0;
}

// On short final an approach is stabilised: it holds the speed it was last
// seen at and comes down a standard glide to the runway (slowed on at a set
// sink rate, it would float down far short of it at a crawl).
bool stabilised(const LiveAc& ac, const PositionSample& front) {
  return ac.runway.landing() && front.altitude - fieldElevationFt(ac) <= stabilisedApproachFt;
}

} // namespace

PositionSample gf_madeUpReport(const LiveAc& ac, std::int32_t n) {
  const PositionSample& front = ac.samples.front();
  PositionSample copy = front;
  const bool parked = ac.phase == AcPhase::Parked;
  const std::int32_t step = parked ? parkedExtrapolationTicks
                            : front.airborne ? airExtrapolationTicks : groundExtrapolationTicks;
  // From now when the front is overdue: a step from its past due would be flown in a rush.
  copy.dueTick = std::max(front.dueTick, tickCount.load()) + step;
  bool moving = !front.standing && !parked;
  // On the ground in the simulator and not lifting off: whatever the front
  // says, the aircraft rolls (an airborne front here was made up before touchdown).
  const bool grounded = ac.onGroundConfirmed && ac.phase != AcPhase::TakeOff;
  if (moving && front.airborne && !grounded) {
    // Only a landing slows down on its own; anything else flies on as it was seen.
    double factor = 1.0;
    if (ac.runway.landing() && !stabilised(ac, front))
      factor = n < landingSteadyReports ? 1.0 : landingExtrapolationFactor;
    copy.groundSpeed = std::max(front.groundSpeed * factor, minLegSpeedKt);
  } else if (moving && (ac.runway.afterTouchdown() || ac.runway.landing() || front.airborne)) {
    copy.groundSpeed = rollOutKt(front.groundSpeed, step);
    copy.verticalSpeed = 0.0;
  } else if (moving && ac.runway.rolling() && front.groundSpeed > rollMadeUpMinKt) {
    const SpeedStep s = takeOffRollStep(front.groundSpeed, step);
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
  // A ground report's altitude says nothing (the feed sends 0): it stands on the field.
  const double field = fieldElevationFt(ac);
  const double from = front.airborne && !grounded ? front.altitude : field;
  copy.altitude = from;
  if (ac.runway.landing() && ac.landingStage == 0) {
    const bool glides = stabilised(ac, front);
    copy.verticalSpeed = glides ? -copy.groundSpeed * glideFpmPerKt : landingExtrapolatedFpm;
    copy.altitude = from - (glides ? -copy.verticalSpeed / 60.0 : landingSinkFeetPerSecond) * seconds;
  } else if (ac.phase == AcPhase::TakeOff) {
    copy.verticalSpeed = takeOffExtrapolatedFpm;
    copy.altitude = from + takeOffClimbFeetPerSecond * seconds;
  } else if (front.airborne && !grounded && !ac.runway.landing()) {
    // Climbing on as it was seen, from where it is: a level copy below it
    // would pull it down against the least climb near the ground, step by step.
    copy.altitude = std::max(from, ac.altitude) + std::max(front.verticalSpeed, 0.0) / 60.0 * seconds;
    // A descent is not made up (it might run into the ground): held level,
    // the report says so, or the pitch would stay in the descent's attitude.
    copy.verticalSpeed = std::max(front.verticalSpeed, 0.0);
  }
  // In the air only above the field; on it, a ground report like the feed's.
  copy.airborne = copy.altitude > field ? 1 : 0;
  if (!copy.airborne) copy.altitude = 0.0;
  return copy;
}

} // namespace gwr
