// The reports made up while the feed is silent: speeds by what the aircraft
// is doing (landing, roll-out, take-off roll), position along its heading.
#pragma once

#include <cstdint>

#include "traffic/engine/live_ac.h"

namespace gwr {

// The report that follows the front one when n made-up reports remain.
PositionSample gf_madeUpReport(const LiveAc& aircraft, std::int32_t n);

} // namespace gwr
