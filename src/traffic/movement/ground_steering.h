// Driving on the ground with the nose along the path: each leg turns onto the
// line to its report at a bounded rate, tail first in a push-back.
#pragma once

#include "traffic/engine/live_ac.h"

namespace gwr {

// At the start of a ground leg (front report and target set): whether the
// leg is driven tail first. A push-back from a stand always is; a taxi leg
// is when the ground evidence found its report pushed. The leg's speed cap
// comes from its reports, not from the roll flags.
void gf_steerLegStart(LiveAc& aircraft);
// The direction the aircraft travels in, radians: its nose, or its tail when pushed.
double gf_travelHeading(const LiveAc& aircraft);
// One tick of a ground leg towards the front report, due at its due tick:
// the path turns (at most three times the base turn rate) towards a point
// ahead on the leg's line and the nose is the path. False when it does not
// apply (then the straight rates move the aircraft).
bool gf_steerGroundTick(LiveAc& aircraft);
// At touchdown, mid-way through the leg to the front report: the rest of the
// leg goes on straight to it, its speed carrying on from the touchdown's and
// going evenly down to the report's (driven by gf_steerGroundTick).
void gf_steerFromTouchdown(LiveAc& aircraft);
// Metres along its curve this tick of a taxi leg driven nose first: as far
// as a straight leg of the curve's length would go (the same even change of
// speed, the same cap), not an even step along the curve's parameter, whose
// pace jumps where the curve starts and ends. Notes when a bend holds it back.
double gf_curveStepMetres(LiveAc& aircraft);
// A ground leg's step this tick (metres), paced `step` and `metresLeft` from
// its report, arriving there heading `arriving` gives (radians; asked only
// when a corner lies within braking distance): while its speed goes evenly,
// it brakes ahead of a corner to what the corner allows. `forBend`: a bend
// beyond its positions' noise holds it back.
double gf_bendCappedStep(const LiveAc& aircraft, double step, double metresLeft, double (*arriving)(const LiveAc&),
                         bool& forBend);
// A taxi curve whose start (towards control, radians) lies this far off the
// direction of travel would start with a corner: not set up.
bool gf_curveStartsAlongTravel(const LiveAc& aircraft, double startBearing);

} // namespace gwr
