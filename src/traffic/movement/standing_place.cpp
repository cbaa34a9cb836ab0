// Where a standing aircraft stands before it is shown: the mean of its
// reports at 0 kt in a row, kept by the ground evidence as each report comes.
#include "traffic/movement/standing_place.h"

#include <algorithm>

#include "refdata/airports_table.h"
#include "traffic/engine/live_ac.h"
#include "traffic/movement/ground_evidence.h"
#include "traffic/movement/movement_constants.h"
#include "traffic/movement/taxi_curves.h"

namespace gwr {

namespace {

double metresFrom(const GroundEvidence::Point& p, const PositionSample& r) {
  return gf_distanceNm(p.lat, p.lon, r.lat, r.lon) * metresPerNm;
}

} // namespace

void gf_noteStandingReport(GroundEvidence& e, const PositionSample& r, double time) {
  GroundEvidence::Point& still = e.cold().still;
  const bool near = e.stillCount > 0 && metresFrom(still, r) <= noiseNearMaxMetres;
  if (r.groundSpeed > 0.0) {
    if (!near) e.stillCount = 0;
    return;
  }
  if (!near) {
    still = {r.lat, r.lon, time};
    e.stillCount = 1;
    return;
  }
  const double weight = std::max(noiseMeanWeight, 1.0 / (e.stillCount + 1));
  still = {still.lat + weight * (r.lat - still.lat), still.lon + weight * (r.lon - still.lon), time};
  ++e.stillCount;
}

void gf_placeAtStandingMean(const LiveAc& ac, PositionSample& r) {
  const GroundEvidence& e = ac.evidence;
  if (ac.phase != AcPhase::Birth || e.stillCount < noiseSamplesRead) return;
  const GroundEvidence::Point& still = e.stillAt();
  if (metresFrom(still, r) > noiseNearMaxMetres) return;
  r.lat = still.lat;
  r.lon = still.lon;
}

} // namespace gwr
