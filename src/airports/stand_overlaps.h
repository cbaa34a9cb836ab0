// Which stands overlap which: a grid over the stands' positions keeps the
// search near each stand, so a large or hostile stand file costs neither
// minutes nor gigabytes.
#pragma once

#include <cstddef>

#include "airports/apf_data.h"

namespace gwr {

// A stand among more stands than these is a hostile or broken file: its
// list is cut short and a log line says so.
inline constexpr std::size_t maxOverlapsPerStand = 64;
inline constexpr std::size_t maxOverlapCandidates = 1024;  // stands looked at per stand
// No real stand is this large (nm, about 370 m); such stands are compared
// with every stand instead of widening the grid for all.
inline constexpr double largeStandRadiusNm = 0.2;

// Fills each stand's overlaps with the numbers, ascending, of the stands
// with 1.1 x distance < r1 + r2. The stands must be numbered already.
void gf_findStandOverlaps(StandTable& table);

} // namespace gwr
