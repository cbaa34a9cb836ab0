// Weighing a new report's speed: against its own positions and against the
// last report's speed.
#include "traffic/engine/intake_speed.h"

#include <cmath>

#include "core/geo.h"
#include "traffic/engine/engine_constants.h"
#include "traffic/movement/ground_reports.h"

namespace gwr {

bool gf_trustPositionsOverStaleSpeed(const LiveAc& ac, PositionSample& r, double dt) {
  if (r.airborne || dt <= dropDuplicateSeconds || r.groundSpeed <= 0.0) return false;
  const PositionSample& last = ac.lastReport;
  const double shownKt = gf_greatCircleDistanceNm({last.lat, last.lon}, {r.lat, r.lon}) * secondsPerHour / dt;
  // What the aircraft covered at the least: after a silence in which the feed's
  // speed rose (a take-off roll from a hold nobody reported), it may have stood
  // and gathered speed only at the end, as fast as an aircraft can.
  double leastKtSeconds = r.groundSpeed * dt;
  const double gainSeconds = (r.groundSpeed - last.groundSpeed) / liftOffGainKtPerSecond;
  if (gainSeconds > 0.0 && gainSeconds < dt)
    leastKtSeconds = last.groundSpeed * (dt - gainSeconds) + (last.groundSpeed + r.groundSpeed) / 2.0 * gainSeconds;
  if (shownKt * dt >= leastKtSeconds * stalePositionSpeedShare) {
    // A speed that trails its positions would keep the aircraft behind them;
    // far faster positions are a jump, not a lagging speed.
    if (shownKt <= r.groundSpeed * laggingSpeedFactor || shownKt * stalePositionSpeedShare > r.groundSpeed) return false;
    r.groundSpeed = gf_speedShownKt(r.groundSpeed, shownKt);
    return true;
  }
  r.groundSpeed = shownKt;
  r.standing = shownKt <= 0.0 ? 1 : 0;
  return true;
}

void gf_firstReportLikeSecond(LiveAc& ac, const PositionSample& second) {
  if (ac.sim.simState != AcSimState::Buffer || ac.samples.size() != 1) return;
  PositionSample& first = ac.samples.front();
  if (first.airborne || second.airborne || first.groundSpeed <= second.groundSpeed) return;
  first.groundSpeed = second.groundSpeed;
}

// A longer silence can hide a real change (a take-off roll nobody reported).
bool gf_speedJump(double a, double b, double dt, bool liftOff) {
  const bool ratio = (a > slowGroundSpeedKt && b >= speedJumpFactor * a) ||
                     (b > slowGroundSpeedKt && a >= speedJumpFactor * b) ||
                     (a <= slowGroundSpeedKt && b >= fastGroundSpeedKt) ||
                     (b <= slowGroundSpeedKt && a >= fastGroundSpeedKt);
  return ratio && std::fabs(a - b) > (liftOff ? liftOffGainKtPerSecond : maxSpeedChangeKtPerSecond) * dt;
}

} // namespace gwr
