// The judge's read of a feed speed repeated (frozen) while the positions show
// the aircraft gathering speed or braking: legs are timed by the speeds.
#include "traffic/movement/repeated_speed.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "core/geo.h"
#include "refdata/airports_table.h"
#include "traffic/movement/ground_evidence.h"
#include "traffic/movement/movement_constants.h"

namespace gwr {

namespace {

// An even change of speed fitted (least squares) to the distances from where
// the feed's speed last changed of the reports kept since and r: its speed
// there (metres a second) and its change (a second); none from fewer than two.
struct EvenChange {
  double v = 0.0, a = 0.0;
  double kt(double seconds) const { return (v + a * seconds) / metresPerSecondPerKt; }
};
std::optional<EvenChange> evenChange(const GroundEvidence::Kept& k, const GroundEvidence& e, const PositionSample& r,
                                     double time) {
  // Sums for d = v t + a t^2 / 2 over the points (t from that change).
  double tt = 0.0, t3 = 0.0, t4 = 0.0, dt = 0.0, dt2 = 0.0;
  std::size_t points = 0;
  const auto add = [&](double lat, double lon, double at) {
    const double t = at - k.repeatFrom.time;
    if (!(t > 0.0)) return;
    const double d = gf_greatCircleDistanceNm({k.repeatFrom.lat, k.repeatFrom.lon}, {lat, lon}) * metresPerNm;
    tt += t * t;
    t3 += t * t * t / 2.0;
    t4 += t * t * t * t / 4.0;
    dt += d * t;
    dt2 += d * t * t / 2.0;
    ++points;
  };
  for (std::size_t i = 0; const GroundEvidence::Seen* s = e.back(i); ++i) {
    if (s->time <= k.repeatFrom.time) break;
    if (s->time < time) add(s->lat, s->lon, s->time);
  }
  add(r.lat, r.lon, time);
  const double det = tt * t4 - t3 * t3;
  if (points < 2 || !(std::fabs(det) > 0.0)) return std::nullopt;
  return EvenChange{(dt * t4 - dt2 * t3) / det, (tt * dt2 - t3 * dt) / det};
}

// The reports of the run still queued, the one it started at too, take the
// fitted change's speeds: the first came with the stale speed already. They
// are found by their due ticks, r's `seconds` after the run's start (their
// positions may have been brought onto the nose's line since).
void reviseQueued(LiveAc& ac, const PositionSample& r, double seconds, const EvenChange& change, double repeatedKt) {
  auto& s = ac.samples;
  for (std::size_t j = s.size(); j-- > 2;) {
    PositionSample& q = s[j];
    const double at = seconds - (r.dueTick - q.dueTick) / ticksPerSecond;
    if (at < -repeatedDueSlackSeconds) break;
    if (q.airborne || !(q.groundSpeed == repeatedKt || (q.evidence & evidenceStale) != 0)) continue;
    q.groundSpeed = std::max(change.kt(std::max(at, 0.0)), 0.0);
  }
}

} // namespace

std::optional<double> gf_repeatedSpeedKt(LiveAc& ac, const PositionSample& r, double time) {
  GroundEvidence::Kept& k = ac.evidence.cold();
  const double seconds = time - k.repeatFrom.time;
  if (r.groundSpeed != k.repeatKt || !(seconds > 0.0)) {
    k.repeatFrom = {r.lat, r.lon, time};
    k.repeatKt = r.groundSpeed;
    return std::nullopt;
  }
  // (a long span may hold a turn its straight line cuts short)
  if (r.groundSpeed < takeOffRollKt || seconds > repeatedSpanMaxSeconds) return std::nullopt;
  // Positions whose noise is not known yet may lie off by a taxiway's width.
  const double noise = gf_positionNoiseMetres(ac);
  const double slack = ac.evidence.noiseSamples < noiseSamplesRead
                           ? repeatedUnknownSlackMetres
                           : std::clamp(noiseNearFactor * noise, repeatedKnownSlackMetres, noiseNearMaxMetres);
  const double metres = gf_greatCircleDistanceNm({k.repeatFrom.lat, k.repeatFrom.lon}, {r.lat, r.lon}) * metresPerNm;
  const double paceKt = metres / metresPerSecondPerKt / seconds;
  const double slackKt = slack / metresPerSecondPerKt / seconds;
  const bool slower = paceKt + slackKt < r.groundSpeed * repeatedOffShare;
  const bool faster = paceKt - slackKt > r.groundSpeed / repeatedOffShare;
  if (!slower && !faster) return std::nullopt;
  // Its pace is the mean of its speed where the feed's last changed and now.
  // The feed's was that speed then, or (its speed already stale when it came)
  // farther off the pace: now it lies between the pace and the mirror of the
  // feed's about it. An even change of speed fitted to the positions since
  // says where; without one, halfway.
  const double farKt = 2.0 * paceKt - r.groundSpeed;
  const std::optional<EvenChange> fitted = evenChange(k, ac.evidence, r, time);
  const double nowKt = std::clamp(fitted ? fitted->kt(seconds) : (paceKt + farKt) / 2.0, std::min(paceKt, farKt),
                                  std::max(paceKt, farKt));
  if (nowKt <= 0.0) return std::nullopt;
  // The even change from there to now that covers the way it went.
  const double fromMps = (2.0 * paceKt - nowKt) * metresPerSecondPerKt;
  reviseQueued(ac, r, seconds, {fromMps, (nowKt * metresPerSecondPerKt - fromMps) / seconds}, r.groundSpeed);
  return nowKt;
}

} // namespace gwr
