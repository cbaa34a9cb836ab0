// Surface positions that jump back and forth: a report of a taxiing aircraft
// that its positions cannot justify is held, or shows the one before was the jump.
#pragma once

#include "traffic/engine/live_ac.h"

namespace gwr {

// A new ground report r, `seconds` after the last one taken, of an aircraft
// taxiing on the ground (not rolling, not landing): farther than a taxi at
// its cap could have gone, or backwards faster than a push-back. When the
// report before the newest explains r, the newest was the jump and is
// dropped from the stream; else r is held (true), at most a few in a row.
bool gf_holdGroundJitter(LiveAc& aircraft, const PositionSample& r, double seconds);

} // namespace gwr
