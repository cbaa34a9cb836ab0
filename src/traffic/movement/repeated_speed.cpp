// The judge's read of a feed speed repeated (frozen) while the positions show
// the aircraft gathering speed or braking: legs are timed by the speeds.
#include "traffic/movement/repeated_speed.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <utility>

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

// A steady pace fitted (least squares) to the distances from where the
// feed's speed last changed of that report, the reports kept since and r
// (metres a second), and its standard error from the fit's own residuals:
// none from fewer than three points.
struct PaceFit {
  double mps = 0.0, errorMps = 0.0;
  std::size_t free = 0;  // degrees of freedom of its residuals
};
std::optional<PaceFit> paceFit(const GroundEvidence::Kept& k, const GroundEvidence& e, const PositionSample& r,
                               double time) {
  std::array<std::pair<double, double>, GroundEvidence::window + 2> at{};
  std::size_t n = 0;
  at[n++] = {0.0, 0.0};
  const auto add = [&](double lat, double lon, double when) {
    const double t = when - k.repeatFrom.time;
    if (t > 0.0 && n < at.size())
      at[n++] = {t, gf_greatCircleDistanceNm({k.repeatFrom.lat, k.repeatFrom.lon}, {lat, lon}) * metresPerNm};
  };
  for (std::size_t i = 0; const GroundEvidence::Seen* s = e.back(i); ++i) {
    if (s->time <= k.repeatFrom.time) break;
    if (s->time < time) add(s->lat, s->lon, s->time);
  }
  add(r.lat, r.lon, time);
  if (n < 3) return std::nullopt;
  double meanT = 0.0, meanD = 0.0;
  for (std::size_t i = 0; i < n; ++i) meanT += at[i].first / n, meanD += at[i].second / n;
  double sxx = 0.0, sxd = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    sxx += (at[i].first - meanT) * (at[i].first - meanT);
    sxd += (at[i].first - meanT) * (at[i].second - meanD);
  }
  if (!(sxx > 0.0)) return std::nullopt;
  const double mps = sxd / sxx;
  double squares = 0.0, u3 = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    const double u = at[i].first - meanT, off = at[i].second - meanD - mps * u;
    squares += off * off;
    u3 += u * u * u;
  }
  // The positions gather speed or brake: their residuals off a steady pace
  // hold that change as well as the noise. With a fourth point the even
  // change is taken out first (its part along u^2, orthogonal to the pace).
  std::size_t free = n - 2;
  if (n >= 4) {
    double ww = 0.0, wd = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
      const double u = at[i].first - meanT, w = u * u - u3 / sxx * u - sxx / n;
      ww += w * w;
      wd += w * (at[i].second - meanD);
    }
    if (ww > 0.0) squares = std::max(squares - wd * wd / ww, 0.0), free = n - 3;
  }
  return PaceFit{mps, std::sqrt(squares / static_cast<double>(free) / sxx), free};
}

// How many standard errors a fitted pace may lie off a speed by chance
// alone, by its residuals' degrees of freedom (Student's t, 95 % either way).
double chanceErrors(std::size_t free) {
  static constexpr std::array<double, 10> t{12.71, 4.30, 3.18, 2.78, 2.57, 2.45, 2.36, 2.31, 2.26, 2.23};
  return free - 1 < t.size() ? t[free - 1] : 2.2;
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
  double paceKt = metres / metresPerSecondPerKt / seconds;
  const double slackKt = slack / metresPerSecondPerKt / seconds;
  bool slower = paceKt + slackKt < r.groundSpeed * repeatedOffShare;
  bool faster = paceKt - slackKt > r.groundSpeed / repeatedOffShare;
  // The pace fitted over every report since, against its own uncertainty:
  // the noise the positions show over a short spell, not the most it may be
  // (the straight line to r alone would wait out a few times the noise).
  if (const std::optional<PaceFit> fit = paceFit(k, ac.evidence, r, time)) {
    const double fitKt = fit->mps / metresPerSecondPerKt;
    const double chanceKt = chanceErrors(fit->free) * fit->errorMps / metresPerSecondPerKt;
    paceKt = fitKt;
    slower = slower || fitKt + chanceKt < r.groundSpeed * repeatedFitOffShare;
    faster = faster || fitKt - chanceKt > r.groundSpeed / repeatedFitOffShare;
  }
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
