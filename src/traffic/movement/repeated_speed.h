// A speed the feed repeats while the positions go faster or slower: the judge
// reads their pace since the speed last changed in its place.
#pragma once

#include <optional>

#include "traffic/engine/live_ac.h"

namespace gwr {

// Ground report r (`time` its feed time stamp, its speed the feed's) is noted
// as the start of a new speed or one more report repeating it. Where the
// feed has repeated a roll's speed and the positions since it last changed
// show a pace off it beyond their noise, the speed r's positions justify:
// the feed's speed held true where it changed, and changed evenly since.
std::optional<double> gf_repeatedSpeedKt(LiveAc& aircraft, const PositionSample& r, double time);

} // namespace gwr
