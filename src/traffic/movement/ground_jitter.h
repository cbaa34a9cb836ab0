// Surface positions that jump back and forth: a report of a taxiing aircraft
// that its positions cannot justify is held, or shows the one before was the jump.
#pragma once

#include "traffic/engine/live_ac.h"

namespace gwr {

// A new ground report r, `seconds` after the last one taken, of an aircraft
// taxiing on the ground (not rolling, not landing), farther from the newest
// report than a taxi at its cap could have gone by r's time, or backwards
// faster than a push-back: when the report before the newest (or the one
// held before r) explains r, the newest was the jump and is dropped from the
// stream; else r is held, at most a few in a row. A report taken whose
// positions show a taxi keeps no roll's speed (TakeAtShownSpeed).
enum class JitterVerdict { Take, TakeAtShownSpeed, Hold };
JitterVerdict gf_weighGroundJitter(LiveAc& aircraft, PositionSample& r, double seconds);
// On the ground (at a position step, and when the aircraft is created from
// its reports): a next report far off the way from the front to one of the
// two after it jumped out and back, and is dropped; outside a roll, the
// stream's roll speeds its positions do not show become theirs.
void gf_dropGroundJumps(LiveAc& aircraft);

} // namespace gwr
