// Where a standing aircraft stands before it is shown: the mean of its
// reports at 0 kt in a row, kept by the ground evidence as each report comes.
#include "traffic/movement/standing_place.h"

#include <algorithm>
#include <cstddef>

#include "refdata/airports_table.h"
#include "traffic/engine/live_ac.h"
#include "traffic/movement/ground_evidence.h"
#include "traffic/movement/movement_constants.h"
#include "traffic/movement/runway_phases.h"
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

void gf_placeAtStandingMean(LiveAc& ac, PositionSample& r) {
  const GroundEvidence& e = ac.evidence;
  if (e.stillCount < noiseSamplesRead) return;
  const GroundEvidence::Point& still = e.stillAt();
  if (metresFrom(still, r) > noiseNearMaxMetres) return;
  if (ac.phase != AcPhase::Birth) {
    // Shown, a rejected roll stops where its reports stand, not at the last
    // moving one taken (the reports near it as it slowed were thinned or
    // awaited: it would stop dead short of them and reach them only as it
    // taxies on): the standing run it has not reached yet moves there, and
    // beyond the noise its first report is driven to (a standing one is
    // stood at wherever the aircraft is). Once it stands it stays put:
    // moved, it would creep.
    if (ac.runway.phase() != RunwayPhase::Rejected) return;
    auto& s = ac.samples;
    std::size_t run = s.size();
    while (run > 0 && s[run - 1].standing) --run;
    if (run == 0 || (run == 1 && s.size() > 1)) return;
    for (std::size_t i = run; i < s.size(); ++i) {
      if (metresFrom(still, s[i]) > noiseNearMaxMetres) continue;
      s[i].lat = still.lat;
      s[i].lon = still.lon;
    }
    const PositionSample& moving = s[run - 1];
    const bool driven = metresFrom(still, moving) > std::max(noiseFloorMetres, gf_positionNoiseMetres(ac));
    if (run < s.size()) s[run].standing = driven ? 0 : 1;
    else r.standing = driven ? 0 : 1;
  }
  r.lat = still.lat;
  r.lon = still.lon;
}

} // namespace gwr
