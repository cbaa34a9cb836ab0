// Where a standing aircraft stands, before it is shown or as it stops: the mean of its
// reports at 0 kt in a row, not the noise of the first of them.
#pragma once

namespace gwr {

struct GroundEvidence;
struct LiveAc;
struct PositionSample;

// A ground report r that came (`time` its feed time stamp), kept or not: at
// 0 kt near the mean of those before it (no farther than noise is ever taken
// to reach) it joins it, at the noise mean's weight; at 0 kt elsewhere it
// starts it afresh; moving away from it, it ends it.
void gf_noteStandingReport(GroundEvidence& evidence, const PositionSample& r, double time);
// A standing report r is placed at that mean, once a few told and when r lies
// near it: not yet shown, or a rejected roll's stop (with the standing reports
// queued since its last moving one; never once it stands).
void gf_placeAtStandingMean(LiveAc& aircraft, PositionSample& r);

} // namespace gwr
