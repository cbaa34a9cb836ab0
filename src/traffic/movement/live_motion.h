// How an active live aircraft moves along its reports: the position step
// towards the next report, the stream extension while the feed is silent,
// and the per-tick move, handed to the flight and ground movement.
#pragma once

#include "traffic/engine/live_ac.h"

namespace gwr {

// The front report is due: sets the rates towards the next report and drops
// the front. Removes the aircraft when the stream cannot be extended.
void lf_nextPosition(LiveAc& aircraft);
// Fewer than two reports: extrapolates, or removes the aircraft (false).
bool lf_extendStream(LiveAc& aircraft);
// Appends one made-up report and sets extrapolationCount to n.
void lf_extrapolate(LiveAc& aircraft, std::int32_t n);
// One tick of movement along the rates.
void lf_moveStep(LiveAc& aircraft);

} // namespace gwr
