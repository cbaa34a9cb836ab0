// What the ground judge's files both read: the distance between two positions
// in metres, and whether a roll is under way.
#pragma once

#include "core/geo.h"
#include "refdata/airports_table.h"
#include "traffic/engine/live_ac.h"
#include "traffic/movement/movement_constants.h"
#include "traffic/movement/taxi_curves.h"

namespace gwr::evidenceshared {

inline double metresBetween(double lat1, double lon1, double lat2, double lon2) {
  return gf_distanceNm(lat1, lon1, lat2, lon2) * metresPerNm;
}

// A take-off roll or a landing's roll-out under way: the roll rules weigh it.
inline bool rollUnderWay(const LiveAc& ac) { return ac.runway.onRunway() || ac.runway.landing(); }

} // namespace gwr::evidenceshared
