// Ground movement of live aircraft: the ground dispatcher and re-timing,
// the ground step, leaving a stand (pull-out, push-back) and parking.
#pragma once

#include <cstdint>

#include "airports/stand_record.h"
#include "refdata/ac_category.h"
#include "traffic/engine/live_ac.h"

namespace gwr {

enum class GroundDispatch { Continue, StepEnded };

// The ground part of the position step; StepEnded when it set up the
// aircraft's next leg itself (the push-back's second leg).
GroundDispatch nextPosGround(LiveAc& aircraft);
void lf_groundStep(LiveAc& aircraft);
void lf_groundTiming(LiveAc& aircraft);
void lf_pullOut(LiveAc& aircraft);
void lf_pushBack(LiveAc& aircraft);
// The end of a push-back: engines started, phase pushed_back.
void gf_finishPushBack(LiveAc& aircraft);
void drive2Stand(LiveAc& aircraft, const StandRecord& stand);
void lf_arriveAtStand(LiveAc& aircraft);

// The turn rate (radians per tick) an aircraft of the category taxis with.
double gf_baseGroundTurnRate(AcCategory category);
// The most its nose turns in a tick on the ground, radians: steerTurnRateFactor
// times the base rate, the fastest the leg timing gives (turns of 90 degrees
// or more).
double gf_groundTurnLimit(const LiveAc& aircraft);
// The fastest an aircraft of the category rolls on the ground (take-off
// roll, roll-out): never below its take-off speed.
double gf_groundRollCapKt(AcCategory category);
// After the re-timing of a ground leg (second report moving, `ownDue` its due
// before): never faster than the reports' pace (their positions' pace when
// they give no speed), nor than the ground cap; when behind its reports,
// somewhat faster than their pace, and at least at a walk, until on time again.
void gf_keepGroundLegSpeed(LiveAc& aircraft, double distanceNm, std::int32_t ownDue);
// Re-times a ground leg (second report moving, distanceNm ahead) to `ticks`
// within the smoothing limits, then keeps it to its reports' speed as above.
void gf_retimeGroundLeg(LiveAc& aircraft, double distanceNm, std::int32_t ticks);
// The fastest a ground leg just timed may go anywhere along it (knots): the
// ground cap, and on a taxi leg that turns no more than its own pace or a
// little over its reports' speed.
double gf_groundLegTopKt(const LiveAc& aircraft);

// A target this many degrees off the stand heading (rounded) is pulled out to.
bool gf_pullsOut(double offStandHeadingDeg);
// The stand table's stand with this number; none when there is none.
const StandRecord* gf_findStand(std::int32_t number);

// The stand choice at arrival: gives the stand to drive to, or none. Until
// the stand logic installs one, arriving aircraft keep taxiing.
using ArrivalStandChoice = const StandRecord* (*)(LiveAc& aircraft);
void gf_installArrivalStandChoice(ArrivalStandChoice choice);
ArrivalStandChoice gf_arrivalStandChoice();  // the one installed, or none

// What happens at an aircraft's stand, for the stand logic above to mark the
// stand and learn the stay: Arriving asks whether the stand is still free
// (false: another aircraft stands there), Parked follows the arrival, Leaving
// is the start of its departure and MovedAway a report far off the stand.
enum class StandEvent : std::uint8_t { Arriving, Parked, Leaving, MovedAway };
using StandEventHook = bool (*)(LiveAc& aircraft, StandEvent event);
void gf_installStandEventHook(StandEventHook hook);
StandEventHook gf_standEventHook();  // the one installed, or none
// True while no hook is installed.
bool gf_standEvent(LiveAc& aircraft, StandEvent event);

} // namespace gwr
