// The speed a ground aircraft's positions justify where the feed's contradicts
// them: a stale speed, one that lags them, a roll's repeated over a taxi.
#include "traffic/movement/ground_evidence.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <optional>

#include "core/geo.h"
#include "refdata/airports_table.h"
#include "traffic/engine/engine_constants.h"
#include "traffic/engine/live_ac.h"
#include "traffic/movement/ground_evidence_shared.h"
#include "traffic/movement/ground_reports.h"
#include "traffic/movement/movement_constants.h"
#include "traffic/movement/repeated_speed.h"
#include "traffic/movement/roll_start.h"
#include "traffic/movement/runway_phases.h"
#include "traffic/movement/taxi_curves.h"

namespace gwr {

using evidenceshared::metresBetween;
using evidenceshared::rollUnderWay;

namespace {

// The speed positions show in place of a feed speed they contradict: outside
// a roll at most a taxi's.
double positionsKt(const LiveAc& ac, double shownKt) {
  return rollUnderWay(ac) ? shownKt : std::min(shownKt, laggingTaxiMaxKt);
}

// A roll's speed the feed gives while positions `metres` apart in `seconds`,
// their noise allowed for, show a taxi: the one test of a stale roll speed.
bool rollSpeedOverTaxi(const LiveAc& ac, double reportedKt, double metres, double seconds) {
  return reportedKt >= takeOffRollKt && seconds > 0.0 &&
         (metres + gf_noiseNearMetres(ac)) / metresPerSecondPerKt / seconds < takeOffRollKt;
}

// The positions from the oldest kept report to r, `seconds` after the newest
// kept n, ran farther than the speeds taken over that span carry the aircraft
// by the lagging factor, beyond their noise.
bool trailsOverKept(const LiveAc& ac, const GroundEvidence::Seen& n, const PositionSample& r, double seconds,
                    double noise) {
  double carried = (n.kt + r.groundSpeed) / 2.0 * seconds;
  const GroundEvidence::Seen* oldest = &n;
  for (std::size_t k = 1; const GroundEvidence::Seen* b = ac.evidence.back(k); ++k) {
    carried += (b->kt + oldest->kt) / 2.0 * (oldest->time - b->time);
    oldest = b;
  }
  const double metres = metresBetween(oldest->lat, oldest->lon, r.lat, r.lon);
  return metres - noise > carried * metresPerSecondPerKt * laggingSpeedFactor;
}

// The speed r's positions justify where the feed's contradicts them; the
// feed's speed repeated at r or not (`fedRepeats`).
bool justifySpeed(const LiveAc& ac, const GroundEvidence::Seen& n, PositionSample& r, double dt,
                  std::optional<double> repeatedKt, bool fedRepeats) {
  const double metres = metresBetween(n.lat, n.lon, r.lat, r.lon);
  const double shownKt = metres / metresPerSecondPerKt / dt;
  // What the positions show at the most and the least, their noise either way.
  const double noise = gf_noiseNearMetres(ac);
  const double mostKt = (metres + noise) / metresPerSecondPerKt / dt;
  const double leastKt = std::max(metres - noise, 0.0) / metresPerSecondPerKt / dt;
  if (r.groundSpeed <= 0.0) {
    // A 0 kt the feed repeats while the positions go on beyond their noise,
    // faster than anyone is pushed, is stale: it would stop the aircraft at
    // every report.
    if (metres - noise <= jitterSlackMetres || leastKt <= pushBackMaxKt) return false;
    r.groundSpeed = positionsKt(ac, shownKt);
    r.standing = 0;
    return true;
  }
  // What the aircraft covered at the least: after a silence in which the feed's
  // speed rose (a take-off roll from a hold nobody reported), it may have stood
  // and gathered speed only at the end, as fast as an aircraft can.
  double leastKtSeconds = r.groundSpeed * dt;
  const double gainSeconds = (r.groundSpeed - n.kt) / liftOffGainKtPerSecond;
  if (gainSeconds > 0.0 && gainSeconds < dt)
    leastKtSeconds = n.kt * (dt - gainSeconds) + (n.kt + r.groundSpeed) / 2.0 * gainSeconds;
  if (mostKt * dt < leastKtSeconds * stalePositionSpeedShare) {
    // A stale speed is no roll's: positions that jumped show no roll either.
    r.groundSpeed = positionsKt(ac, shownKt);
    r.standing = shownKt <= 0.0 ? 1 : 0;
    return true;
  }
  // A roll's speed repeated while the positions gather speed or brake would
  // time its legs at the old speed, then step when the feed catches up.
  if (repeatedKt) {
    r.groundSpeed = *repeatedKt;
    return true;
  }
  // A speed that trails its positions would keep the aircraft behind them;
  // far faster positions are a jump, not a lagging speed. A roll's is raised
  // only to what they show beyond their noise (a taxi's is capped anyway), a
  // taxi's too once the noise is known: a noisy short leg looks fast, and the
  // speed raised would carry each report placed along the nose ahead of it.
  // At a roll's pace one leg between two close time stamps looks far faster,
  // and the leg before it, between stamps as far apart, slower: a roll's
  // speed trails its positions only when it trailed them on the leg before as well.
  // Before the noise is known a taxi's leg shows a lag only when it would
  // with the worst noise a feed has taken off at both its ends.
  const bool rollSpeed = r.groundSpeed >= takeOffRollKt;
  const double laggedKt = rollSpeed || noise > 0.0 ? leastKt : shownKt;
  bool trailedBefore =
      r.groundSpeed < takeOffRollKt || n.legKt < 0.0 || n.replaced || n.legKt > n.kt * laggingSpeedFactor;
  // Time stamps that jitter by a second or so, and a report dropped between
  // two close ones, make two legs in a row look far faster than the roll:
  // its speed trails its positions only when they ran ahead of the speeds
  // taken over all the kept reports as well (a stamp's jitter moves only
  // the span's ends).
  if (rollSpeed && trailedBefore && n.legKt >= 0.0) trailedBefore = trailsOverKept(ac, n, r, dt, noise);
  // A landing's roll-out brakes: its positions move at about the mean of the
  // feed's two speeds, faster than the later one, and that is no lag (raised,
  // the report would brake late and all at once at the next). Its first leg
  // on the ground has no leg before to go by, one jittered stamp may make it
  // look far faster; and its taxi speeds at the end of braking trail only
  // where the positions ran ahead over the kept reports as well.
  const bool rollingOut = ac.runway.landing() || ac.runway.afterTouchdown();
  const bool feedBraked = rollingOut && !n.replaced && n.kt > r.groundSpeed;
  const double fedLegKt = feedBraked ? (n.kt + r.groundSpeed) / 2.0 : r.groundSpeed;
  if (rollingOut && rollSpeed && n.legKt < 0.0) trailedBefore = false;
  if (rollingOut && !rollSpeed && trailedBefore && !n.replaced) trailedBefore = trailsOverKept(ac, n, r, dt, noise);
  const bool noiseKnown = ac.evidence.noiseSamples >= noiseSamplesRead;
  const double worstLeastKt = std::max(metres - 2.0 * unknownNoiseWorstMetres, 0.0) / metresPerSecondPerKt / dt;
  const bool beyondNoise = rollSpeed || noiseKnown || worstLeastKt > fedLegKt * laggingSpeedFactor;
  if (laggedKt > fedLegKt * laggingSpeedFactor && shownKt * stalePositionSpeedShare <= r.groundSpeed &&
      trailedBefore) {
    if (!beyondNoise) {
      r.evidence |= evidenceLagUnsure;
      return false;
    }
    r.groundSpeed = gf_speedShownKt(r.groundSpeed, laggedKt);
    return true;
  }
  // A roll's speed the feed repeats while the positions show a taxi starts no
  // roll and races no leg (a roll under way has its own rules). One the feed
  // has just changed is a roll gathering speed: a leg between jittering time
  // stamps looks slower than it is.
  if (fedRepeats && rollSpeedOverTaxi(ac, r.groundSpeed, metres, dt) && !rollUnderWay(ac) &&
      ac.phase == AcPhase::Taxi &&
      ac.sim.simState == AcSimState::Active && !ac.holding && ac.extrapolationCount <= 0) {
    r.groundSpeed = shownKt;
    return true;
  }
  return false;
}

} // namespace

bool gf_justifyReportSpeed(LiveAc& ac, PositionSample& r, double time) {
  const GroundEvidence::Seen* n = ac.evidence.last();
  if (r.airborne || n == nullptr || !(time - n->time > dropDuplicateSeconds)) return false;
  const std::optional<double> repeatedKt = gf_repeatedSpeedKt(ac, r, time);
  // Seen next rolling the other way after a silence: it went on, turned and
  // came back, so the straight way between the two says nothing of its speed.
  if (!ac.samples.empty() && gf_turnedBackToRoll(ac.lastReport, r)) return false;
  const double fedKt = r.groundSpeed;
  // (the judge noted where the feed's speed last changed: at r, or before it)
  const bool fedRepeats = ac.evidence.cold().repeatFrom.time < time;
  const bool replaced = justifySpeed(ac, *n, r, time - n->time, repeatedKt, fedRepeats);
  if (!replaced) return false;
  r.evidence |= evidenceStale;
  // The lag the noise once hid is shown: the reports queued at that speed
  // while it was unknown lag as much (the aircraft would fall behind on them).
  if (r.groundSpeed > fedKt)
    for (std::size_t i = ac.samples.size(); i-- > 1;) {
      PositionSample& q = ac.samples[i];
      if ((q.evidence & evidenceLagUnsure) == 0 || q.groundSpeed != fedKt) break;
      q.groundSpeed = r.groundSpeed;
      q.evidence = static_cast<std::uint8_t>((q.evidence & ~evidenceLagUnsure) | evidenceStale);
    }
  return true;
}

double gf_justifiedPaceKt(const PositionSample& r) { return r.shownKt; }

void gf_justifyLeg(LiveAc& ac) {
  auto& s = ac.samples;
  if (ac.phase != AcPhase::Taxi || s.size() < 2 || s[0].airborne || s[1].airborne) return;
  if (rollUnderWay(ac)) return;
  // A roll's speed the feed repeats while the leg's positions show a taxi
  // (reports taken before the aircraft was placed, the first with nothing
  // to weigh it against) starts no roll and races no leg.
  const double seconds = (s[1].dueTick - s[0].dueTick) / ticksPerSecond;
  if (!rollSpeedOverTaxi(ac, std::max(s[0].groundSpeed, s[1].groundSpeed), gf_legNm(s[0], s[1]) * metresPerNm, seconds))
    return;
  const double shownKt = gf_shownKt(s[0], s[1]);
  for (PositionSample* p : {&s[0], &s[1]})
    if (p->groundSpeed >= takeOffRollKt) p->groundSpeed = shownKt;
}

} // namespace gwr
