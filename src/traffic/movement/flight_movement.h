// Flight movement of live aircraft between their delayed reports: the
// position step, air timing and air step, take-off, configuration, flare.
#pragma once

#include <cstdint>

#include "traffic/engine/live_ac.h"

namespace gwr {

// The front report is due: target the next report and set per-tick rates.
void nextPosMain(LiveAc& aircraft);
// One tick along the rates or the curve, with take-off and flare.
void lf_moveTick(LiveAc& aircraft);

void lf_flyStep(LiveAc& aircraft);
void lf_takeOff(LiveAc& aircraft);
void lf_startTakeOffRoll(LiveAc& aircraft);
// Airborne again after a touchdown: back to a take-off roll on the ground.
void lf_touchAndGoRoll(LiveAc& aircraft);
void lf_configureBelow10000(LiveAc& aircraft);
void lf_configureApproach(LiveAc& aircraft);
// Moves the second report's due tick to now + ticks, within the smoothing limits.
void lf_retimeNext(LiveAc& aircraft, std::int32_t ticks);

// Shared with the ground movement.
std::int32_t lf_ticksToNext(const LiveAc& aircraft);
// Speed of the leg to the second report, knots, at least 1.
double lf_legSpeedKt(const LiveAc& aircraft);
// A tick count rounded to a whole number; throws gsl::narrowing_error when it does not fit.
std::int32_t gf_roundTicks(double ticks);
// Ticks to fly distanceNm at speedKt, rounded; throws when it does not fit.
std::int32_t gf_legTicks(double distanceNm, double speedKt);
void lf_lowerSmoothing(LiveAc& aircraft);
void lf_widenSmoothing(LiveAc& aircraft);
// NAV, BEACON, TAXI and LOGO on, the others off.
void lf_taxiLights(LiveAc& aircraft);
// The spoiler handle and both throttle levers, in percent.
void lf_sendLevers(LiveAc& aircraft, double spoilers, double lever1, double lever2);

// Pure rules, also used by the tests.
double gf_pitchTargetRad(double verticalSpeedFpm);
double gf_bankTargetRad(AcCategory category, double headingDifference);
// Descent of an aircraft heightFt over the ground, ft/min.
double gf_descentFpm(double heightFt, double frontFpm, double secondFpm, double qnhHpa);
// Both airborne, not landing: ft per tick towards the second report; a
// departure climbing out keeps a least climb low over the ground.
double gf_climbRate(double altitudeDifference, std::int32_t ticks, double maxClimbPerTick, double heightFt,
                    bool climbingOut);

} // namespace gwr
