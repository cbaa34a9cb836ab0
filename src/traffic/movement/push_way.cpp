// A line fitted through a slow aircraft's positions over time: the way a
// push goes, however short each noisy leg.
#include "traffic/movement/push_way.h"

#include <algorithm>
#include <cmath>

#include "core/geo.h"
#include "traffic/engine/live_ac.h"
#include "traffic/movement/ground_evidence.h"
#include "traffic/movement/movement_constants.h"
#include "traffic/movement/taxi_curves.h"

namespace gwr {

namespace {

void note(PushWay& p, double lat, double lon, double time) {
  if (p.w <= 0.0) {
    p = PushWay{};
    p.originLat = lat;
    p.originLon = lon;
    p.originTime = time;
  } else {
    // Older reports weigh less: a push turns, and its end stands still.
    const double keep = std::exp2(-(time - p.lastTime) / pushWayHalfLifeSeconds);
    for (double* sum : {&p.w, &p.wt, &p.wtt, &p.wx, &p.wy, &p.wxt, &p.wyt}) *sum *= keep;
  }
  p.lastTime = time;
  const LocalOffset at = gf_localOffset({p.originLat, p.originLon}, {lat, lon});
  const double t = time - p.originTime;
  p.w += 1.0;
  p.wt += t;
  p.wtt += t * t;
  p.wx += at.east;
  p.wy += at.north;
  p.wxt += at.east * t;
  p.wyt += at.north * t;
}

} // namespace

void gf_noteSlowWay(LiveAc& ac, const PositionSample& r, double time) {
  GroundEvidence& e = ac.evidence;
  PushWay& way = e.cold().push;
  if (r.groundSpeed > pushBackMaxKt) {
    way = PushWay{};
    return;
  }
  // (a copy of the one before, at its time or earlier, tells nothing)
  if (way.w > 0.0 && !(time > way.lastTime)) return;
  note(way, r.lat, r.lon, time);
  const auto nose = gf_reportedNose(r);
  if (ac.sim.simState != AcSimState::Buffer || !r.trueHeadingValid || !nose ||
      !gf_slowWayAgainst(ac, *nose, reverseStartDeg, pushWaySureStart))
    return;
  e.pushedRun = std::max(e.pushedRun, 1);
  e.pushedFromStanding = true;
  for (PositionSample& q : ac.samples)  // (all queued since it was first seen)
    if (!q.airborne) q.evidence |= evidencePushed;
  gf_lineUpQueuedPush(ac);
}

bool gf_slowWayAgainst(const LiveAc& ac, double noseRad, double deg, double sure) {
  const GroundEvidence& e = ac.evidence;
  if (e.kept.empty()) return false;
  const PushWay& p = e.kept.front().push;
  if (p.w < pushWayMinReports) return false;
  const double meanT = p.wt / p.w;
  const double stt = p.wtt - p.w * meanT * meanT;  // the spread of the times
  if (!(stt > 0.0)) return false;
  const double east = (p.wxt - meanT * p.wx) / stt, north = (p.wyt - meanT * p.wy) / stt;  // m/s
  const double speed = std::hypot(east, north);
  // Each report's noise along either axis: the judge's, else the worst a feed has.
  const double noise = e.noiseSamples >= noiseSamplesRead ? std::max(gf_positionNoiseMetres(ac), noiseFloorMetres)
                                                          : unknownNoiseWorstMetres;
  const double axisNoise = noise / std::sqrt(2.0);
  // The fitted speed's own spread is that noise over the root of the times' spread.
  const double sureness = speed * std::sqrt(stt) / axisNoise;
  const double offDeg = std::fabs(gf_normalizeAngle(std::atan2(east, north) - noseRad)) * degreesPerRadian;
  return speed <= pushBackMaxKt * metresPerSecondPerKt && offDeg > deg && sureness >= sure;
}

} // namespace gwr
