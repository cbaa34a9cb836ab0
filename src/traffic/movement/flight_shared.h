// What the flight movement's two files both read: whether it is a rotorcraft,
// its throttle in the climb, and degrees to radians.
#pragma once

#include <cstdint>

#include "core/geo.h"
#include "refdata/ac_category.h"
#include "traffic/engine/live_ac.h"

namespace gwr::flightshared {

inline bool isRotorcraft(const LiveAc& ac) { return ac.category == AcCategory::Rotorcraft; }
inline std::uint32_t climbThrottle(const LiveAc& ac) { return isRotorcraft(ac) ? 4U : 3U; }
inline double deg(double d) { return d * radiansPerDegree; }

} // namespace gwr::flightshared
