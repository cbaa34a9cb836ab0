// Which stands overlap which: grids over the stands' positions keep the
// search near each stand, whatever the mix of sizes, so a large or hostile
// stand file costs neither minutes nor gigabytes.
#pragma once

#include "airports/apf_data.h"

namespace gwr {

// Fills each stand's overlaps with the numbers, ascending, of the stands
// with 1.1 x distance < r1 + r2. The stands must be numbered already. A file
// with more than maxOverlappingStandPairs such pairs is no airport: the
// search stops there and a log line says so.
void gf_findStandOverlaps(StandTable& table);

} // namespace gwr
