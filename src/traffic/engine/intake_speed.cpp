// Weighing a new report's speed against the last report's speed.
#include "traffic/engine/intake_speed.h"

#include <cmath>

#include "traffic/engine/engine_constants.h"

namespace gwr {

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
