// The judge of a ground aircraft's reports: reach, rolling and pushing, weighed on the few
// newest reports as each one comes (the noise: ground_noise.cpp; speed: justified_speed.cpp).
#include "traffic/movement/ground_evidence.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "core/geo.h"
#include "refdata/ac_category.h"
#include "refdata/airports_table.h"
#include "traffic/engine/engine_constants.h"
#include "traffic/engine/live_ac.h"
#include "traffic/movement/ground_evidence_shared.h"
#include "traffic/movement/ground_movement.h"
#include "traffic/movement/ground_reports.h"
#include "traffic/movement/movement_constants.h"
#include "traffic/movement/push_way.h"
#include "traffic/movement/repeated_speed.h"
#include "traffic/movement/roll_start.h"
#include "traffic/movement/runway_phases.h"
#include "traffic/movement/taxi_curves.h"

namespace gwr {

using evidenceshared::metresBetween;
using evidenceshared::rollUnderWay;

namespace {

// Closer than this (metres) to the report before, a report shows no motion of its own.
constexpr double standingNoiseMetres = 2.0;
// Positions at least this share of a roll's reported speed move at it.
constexpr double rollPaceLowShare = 0.9;
// A parked aircraft's next report lies at most a push-back of this many seconds away.
constexpr double parkedReachSeconds = 5.0;

double offDeg(double a, double b) { return std::fabs(gf_normalizeAngle(a - b)) * degreesPerRadian; }

// Faster than any aircraft on the ground goes, with a margin: positions no aircraft reaches.
double garbageKt(const LiveAc& ac) {
  return gf_groundRollCapKt(ac.category) * groundJumpMargin;
}

// Rolling as far as the reach goes: the flags of a roll, or reports at a roll's speed.
bool rollReach(const LiveAc& ac, const GroundEvidence::Seen& n, const PositionSample& r, double seconds) {
  if (rollUnderWay(ac)) return true;
  // Silent long enough to gather the roll's speed it reports.
  if (r.groundSpeed >= takeOffRollKt && seconds >= r.groundSpeed / liftOffGainKtPerSecond) return true;
  // Both at a roll's speed, its positions moving at it (the leg before unknown: a first report;
  // over a second or two the positions' noise may shorten the leg by its slack).
  if (n.legKt < 0.0 && n.kt >= takeOffRollKt && r.groundSpeed >= takeOffRollKt && seconds > 0.0) {
    const double metres = metresBetween(n.lat, n.lon, r.lat, r.lon);
    const double paceKt = metres / metresPerSecondPerKt / seconds;
    const double noisyPaceKt = (metres + jitterSlackMetres) / metresPerSecondPerKt / seconds;
    if (noisyPaceKt >= rollPaceLowShare * std::min(n.kt, r.groundSpeed) &&
        paceKt * stalePositionSpeedShare <= std::max(n.kt, r.groundSpeed))
      return true;
  }
  // A roll's speed its own positions showed (a first report's alone may be stale).
  if (n.kt >= takeOffRollKt && n.legKt >= takeOffRollKt * rollShownShare) return true;
  // Straight on ahead at a roll's speed: a take-off roll may start so.
  if (r.groundSpeed < takeOffRollKt || !n.hasBearing) return false;
  const auto ahead = gf_legBearing(n.lat, n.lon, r.lat, r.lon);
  return ahead && offDeg(*ahead, n.legBearing) <= jitterAheadDeg;
}

// Whether r, `seconds` after a report at (lat, lon), is where the aircraft
// can be: a standing parked aircraft at most a push-back's pace away; else at
// most its cap away and, behind its direction of travel when known, at most a
// push-back.
bool reachable(const LiveAc& ac, double lat, double lon, const std::optional<double>& travel, bool rolling,
               const PositionSample& r, double seconds) {
  const double d = metresBetween(lat, lon, r.lat, r.lon);
  const double pushReach = pushBackMaxKt * metresPerSecondPerKt * seconds + jitterSlackMetres;
  // Parked, it stands: within its stand's reach (where a report starts it
  // leaving) only as far as a push-back goes from a standstill in a few
  // seconds; farther off the stand rules weigh the report.
  if (ac.phase == AcPhase::Parked && ac.sim.simState == AcSimState::Active && !ac.leaving)
    return gf_distanceNm(r.lat, r.lon, ac.standLat, ac.standLon) > standRadiusNm ||
           d <= pushBackMaxKt * metresPerSecondPerKt * std::min(seconds, parkedReachSeconds) + jitterSlackMetres;
  double capKt = rolling ? gf_groundRollCapKt(ac.category) : taxiCapKt;
  // Not yet created, no leg to go by: the jump rule's margin.
  if (ac.sim.simState == AcSimState::Buffer) capKt *= groundJumpMargin;
  if (d > capKt * metresPerSecondPerKt * seconds + jitterSlackMetres) return false;
  if (rolling || !travel) return true;
  const auto bearing = gf_legBearing(lat, lon, r.lat, r.lon);
  return !bearing || std::fabs(gf_normalizeAngle(*bearing - *travel)) <= M_PI / 2.0 || d <= pushReach;
}

// The cap reported speeds allow: a roll's when airborne or at the take-off
// roll's speed (what the reports say, not the flags: those are set only once
// a roll is under way and stay set through a taxi-in), else a taxi's.
double reportedCapKt(AcCategory category, bool airborne, double reportedKt) {
  return airborne || reportedKt >= takeOffRollKt ? gf_groundRollCapKt(category) : taxiCapKt;
}

// After a silence it held through, the hold is the earlier point and the one
// report tells: faster than any taxi straight on from where the nose pointed
// (its roll began unseen), or at a roll's speed whichever way. A rotorcraft
// never rolls.
bool rollsOnFromHold(const LiveAc& ac, const PositionSample& r) {
  if (ac.category == AcCategory::Rotorcraft) return false;
  const PositionSample& hold = ac.samples.back();
  const auto bearing = gf_legBearing(hold.lat, hold.lon, r.lat, r.lon);
  const bool ahead = bearing && offDeg(*bearing, ac.heading) < takeOffAheadMaxDeg;
  return ahead ? r.groundSpeed > rollBegunKt : r.groundSpeed >= takeOffRollKt;
}

// Farther from the last ground report taken than the aircraft could have
// gone on the ground in `seconds`, and than a holder may come back.
bool jumped(const LiveAc& ac, const GroundEvidence::Seen& n, const PositionSample& r, double seconds) {
  // At a stand the stand rules weigh a far report (and learn the stay first).
  if (ac.phase == AcPhase::Parked || ac.phase == AcPhase::Parking) return false;
  const double nm = gf_distanceNm(n.lat, n.lon, r.lat, r.lon);
  if (!gf_beyondHoldingThreshold(nm)) return false;
  // Reports of a roll nobody saw start may say it goes faster than a taxi.
  const double reportedKt = std::max(n.kt, r.groundSpeed);
  const double capKt = reportedCapKt(ac.category, false, reportedKt);
  return nm > std::max(capKt, reportedKt) * groundJumpMargin * std::max(seconds, 0.0) / secondsPerHour;
}

// The reports whose reach the judge weighs: ground reports of an aircraft on
// its reports (the silence rules weigh what comes after made-up ones).
bool weighsReach(const LiveAc& ac) {
  if (ac.category == AcCategory::Rotorcraft) return false;
  // Parked on its stand (its stay made up for the week): a stray report moves nothing.
  if (ac.phase == AcPhase::Parked && ac.sim.simState == AcSimState::Active && !ac.leaving) return true;
  return ac.extrapolationCount <= 0 && !ac.holding &&
         ((ac.sim.simState == AcSimState::Active && ac.phase != AcPhase::Birth) ||
          ac.sim.simState == AcSimState::Buffer);
}

void forgetNewest(GroundEvidence& e) {
  if (e.count == 0) return;
  --e.count;
  e.newest = (e.newest + GroundEvidence::window - 1) % GroundEvidence::window;
}

bool sameAs(const PositionSample& s, const GroundEvidence::Seen& n) { return s.lat == n.lat && s.lon == n.lon; }

// The pace and bearing of the leg into seen from the report before it.
void linkLeg(GroundEvidence::Seen& seen, const GroundEvidence::Seen& before) {
  seen.legKt = -1.0;
  seen.hasBearing = false;
  if (!(seen.time > before.time)) return;
  seen.legKt = metresBetween(before.lat, before.lon, seen.lat, seen.lon) / metresPerSecondPerKt / (seen.time - before.time);
  if (const auto b = gf_legBearing(before.lat, before.lon, seen.lat, seen.lon)) {
    seen.legBearing = *b;
    seen.hasBearing = true;
  }
}

// Forgets the k-th newest report weighed; the one after it joins the one before.
void forgetBack(GroundEvidence& e, std::size_t k) {
  if (k >= e.count) return;
  const auto at = [&e](std::size_t i) -> GroundEvidence::Seen& {
    return e.seenAt((e.newest + GroundEvidence::window - i) % GroundEvidence::window);
  };
  for (std::size_t i = k; i > 0; --i) at(i) = at(i - 1);
  forgetNewest(e);
  if (k > 0 && k < e.count) linkLeg(at(k - 1), at(k));
}

// From `from` out to `out` and on to r is a detour no aircraft on the ground
// makes: `out` jumped out and back (a roll runs straight, so this holds for
// rolls too).
bool jumpedOutAndBack(const PositionSample& from, const PositionSample& out, const PositionSample& r) {
  const double away = metresBetween(from.lat, from.lon, out.lat, out.lon);
  return away > jitterMinMetres && away + metresBetween(out.lat, out.lon, r.lat, r.lon) >
                                       jitterDetourRatio * metresBetween(from.lat, from.lon, r.lat, r.lon) +
                                           jitterSlackMetres;
}

// Of the two queued reports before r, one not yet flown to that r shows
// jumped out and back from the one queued before it leaves the stream and
// what the judge weighs (the older first: two in a row may have jumped out
// together). Made-up reports before it (a silence, a roll from the hold) are
// the way it went: no detour.
void dropJumpedOut(LiveAc& ac, const PositionSample& r) {
  auto& s = ac.samples;
  GroundEvidence& e = ac.evidence;
  if ((ac.phase != AcPhase::Taxi && ac.phase != AcPhase::Birth) || s.empty() || s.front().airborne) return;
  for (const std::ptrdiff_t k : {std::ptrdiff_t{1}, std::ptrdiff_t{0}}) {
    // (the stream's front is where it flies now)
    if (static_cast<std::ptrdiff_t>(s.size()) < k + 2) continue;
    const auto out = s.end() - 1 - k;
    if (out->standing || out->airborne || !jumpedOutAndBack(*(out - 1), *out, r)) continue;
    for (std::size_t i = 0; i < e.count; ++i) {
      if (!sameAs(*out, *e.back(i))) continue;
      forgetBack(e, i);
      break;
    }
    s.erase(out);
  }
}

GroundVerdict weighReach(LiveAc& ac, const PositionSample& r, double time) {
  GroundEvidence& e = ac.evidence;
  auto& s = ac.samples;
  const GroundEvidence::Seen& n = *e.last();
  const bool rolling = rollReach(ac, n, r, time - n.time);
  const auto travelOf = [](const GroundEvidence::Seen& p) {
    return p.hasBearing ? std::optional<double>(p.legBearing) : std::nullopt;
  };
  if (reachable(ac, n.lat, n.lon, travelOf(n), rolling, r, time - n.time)) {
    e.held = 0;
    return GroundVerdict::Take;
  }
  // The newest, not yet flown to, jumped out: r is back where the one before it was.
  const GroundEvidence::Seen* before = e.back(1);
  if (before != nullptr && s.size() >= 3 && sameAs(s.back(), n) &&
      reachable(ac, before->lat, before->lon, travelOf(*before), rolling, r, time - before->time)) {
    s.pop_back();
    forgetNewest(e);
    e.held = 0;
    return GroundVerdict::Take;
  }
  // r agrees with the report held before it: the feed has really moved on.
  // Far off, the jump rule weighs it; near, the newest was the odd one out.
  // Where no aircraft on the ground could have gone, a pair is no proof: three in a row are.
  const double paceKt = metresBetween(n.lat, n.lon, r.lat, r.lon) / metresPerSecondPerKt / std::max(time - n.time, 1.0);
  const bool garbage = paceKt > garbageKt(ac);
  if (e.held > (garbage ? 1 : 0) &&
      reachable(ac, e.heldAt().lat, e.heldAt().lon, std::nullopt, rolling, r, std::max(time - e.heldAt().time, 0.0))) {
    e.held = 0;
    if (!gf_beyondHoldingThreshold(gf_distanceNm(n.lat, n.lon, r.lat, r.lon)) && s.size() >= 2 && sameAs(s.back(), n)) {
      s.pop_back();
      forgetNewest(e);
    }
    return GroundVerdict::Take;
  }
  // Held a few in a row, the positions win.
  if (++e.held > jitterMaxHeld) {
    e.held = 0;
    return GroundVerdict::Take;
  }
  e.cold().held = {r.lat, r.lon, time};
  return GroundVerdict::Hold;
}

} // namespace

GroundVerdict gf_weighReport(LiveAc& ac, PositionSample& r, double time) {
  const GroundEvidence::Seen* n = ac.evidence.last();
  if (r.airborne || n == nullptr || !(time - n->time > dropDuplicateSeconds)) return GroundVerdict::Take;
  dropJumpedOut(ac, r);
  n = ac.evidence.last();
  if (n == nullptr) return GroundVerdict::Take;
  // Held in a row just before r and taken with it: jumps that agreed already.
  const std::int32_t heldBefore = ac.evidence.held;
  if (weighsReach(ac) && !ac.samples.empty() && weighReach(ac, r, time) == GroundVerdict::Hold)
    return GroundVerdict::Hold;
  n = ac.evidence.last();  // (the newest may have left as the jump)
  GroundEvidence& e = ac.evidence;
  if (n == nullptr || ac.samples.empty() || !jumped(ac, *n, r, time - n->time)) {
    e.jumped = 0;
    return GroundVerdict::Take;
  }
  // A bad position now and then, or a second source interleaved, is dropped:
  // given up for it, the aircraft was removed and created again at each.
  // Only jumps that keep agreeing with each other are where it really is.
  const bool rolling = rollReach(ac, *n, r, time - n->time);
  const bool agrees = e.jumped > 0 && reachable(ac, e.jumpedAt().lat, e.jumpedAt().lon, std::nullopt, rolling, r,
                                                std::max(time - e.jumpedAt().time, 0.0));
  e.jumped = (agrees ? e.jumped : heldBefore) + 1;
  e.cold().jumped = {r.lat, r.lon, time};
  if (e.jumped < jumpsToMove) return GroundVerdict::Jumped;
  e.jumped = 0;
  return GroundVerdict::Moved;
}

void gf_noteReportTaken(LiveAc& ac, PositionSample& r, double time) {
  GroundEvidence& e = ac.evidence;
  if (r.airborne) {
    e.clear();
    return;
  }
  GroundEvidence::Seen seen;
  seen.lat = r.lat;
  seen.lon = r.lon;
  seen.time = time;
  seen.kt = r.groundSpeed;
  seen.replaced = (r.evidence & evidenceStale) != 0;
  seen.standing = r.standing != 0 || r.groundSpeed <= 0.0;
  const GroundEvidence::Seen* n = e.last();
  e.rolling = false;
  if (n != nullptr && time > n->time) {
    seen.legKt = metresBetween(n->lat, n->lon, r.lat, r.lon) / metresPerSecondPerKt / (time - n->time);
    if (const auto b = gf_legBearing(n->lat, n->lon, r.lat, r.lon)) {
      seen.legBearing = *b;
      seen.hasBearing = true;
    }
    r.shownKt = seen.legKt;
    // Rolling along a line: at a roll's pace (a share of it: position noise),
    // turning little from the leg before, neither it nor its speed falling off.
    // (speeds the positions replaced say nothing of slowing: the positions do)
    // Noisy positions lengthen, shorten and turn a leg by up to their noise.
    const double legMetres = seen.legKt * metresPerSecondPerKt * (time - n->time);
    const double noise = gf_noiseNearMetres(ac);
    const double noiseKt = noise / metresPerSecondPerKt / (time - n->time);
    const double noiseDeg = legMetres > noise ? std::asin(noise / legMetres) * degreesPerRadian : 180.0;
    const bool feedSlows = !seen.replaced && !n->replaced && r.groundSpeed < n->kt - 1.0;
    bool rolls = seen.legKt + noiseKt >= takeOffRollKt * rollShownShare && !feedSlows && !r.standing;
    if (rolls && n->legKt >= 0.0 && n->hasBearing && seen.hasBearing)
      rolls = offDeg(seen.legBearing, n->legBearing) <= rollStraightDeg + 2.0 * noiseDeg &&
              seen.legKt + noiseKt >= (n->legKt - noiseKt) * rollShownShare;
    if (rolls) r.evidence |= evidenceRolls;
    e.rolling = rolls && r.groundSpeed >= takeOffRollKt && n->kt >= takeOffRollKt;
    // Pushed: slowly, the nose the feed gives against where the positions go,
    // over several reports, starting from standing or slow; it stays pushed
    // while its legs lie behind that nose.
    const auto nose = gf_reportedNose(r);
    // Moved beyond what noise shows (the feed marks a report at 0 kt standing however far it went).
    const bool moving = metresBetween(n->lat, n->lon, r.lat, r.lon) > std::max(standingNoiseMetres, noise);
    const bool slow = std::max(r.groundSpeed, n->kt) <= pushBackMaxKt && seen.legKt <= pushBackMaxKt * groundJumpMargin;
    // A leg within the noise tells nothing alone (a slow push's legs may all
    // be): the way from the oldest slow report kept, up to half a minute back, does.
    const GroundEvidence::Seen* from = n;
    std::optional<double> way;
    if (seen.hasBearing && moving) {
      way = seen.legBearing;
    } else if (slow) {
      for (std::size_t k = 1; const GroundEvidence::Seen* b = e.back(k); ++k) {
        if (b->kt > pushBackMaxKt || time - b->time > pushSpanSeconds) break;
        from = b;
      }
      const double shows = r.groundSpeed > 0.0 ? pushSpanNoiseShare * noise : noise;
      if (from != n && metresBetween(from->lat, from->lon, r.lat, r.lon) > std::max(standingNoiseMetres, shows))
        way = gf_legBearing(from->lat, from->lon, r.lat, r.lon);
    }
    if (way) {
      const double limit = e.pushedRun >= 2 ? reverseKeepDeg : reverseStartDeg;
      const bool against = nose && slow && offDeg(*way, *nose) > limit;
      const bool fromSlow = e.pushedRun > 0 || from->standing || from->kt <= pushBackMaxKt;
      // (a leg its noise turned ends no push all its slow reports still show)
      const bool kept = e.pushedRun > 0 && nose && gf_slowWayAgainst(ac, *nose, reverseKeepDeg, pushWaySureKeep);
      e.pushedRun = against && fromSlow ? e.pushedRun + 1 : kept ? e.pushedRun : 0;
    }
    // Two such legs show it; one straight from a standstill does too (the
    // nose given from the start, before it moves). Not yet created (first
    // seen while pushed), the way from its first report does when longer
    // than twice the noise, the worst a feed has while it is unknown: no
    // noise turns that round, and it is created with its tail leading. (Its
    // nose given as a heading: a track against the positions is a flipped one.)
    if (way && e.pushedRun >= 1 && nose && r.trueHeadingValid && ac.sim.simState == AcSimState::Buffer) {
      const GroundEvidence::Seen& first = *e.back(e.count - 1);
      const double wayNoise = e.noiseSamples >= noiseSamplesRead ? noise : unknownNoiseWorstMetres;
      const auto firstWay = gf_legBearing(first.lat, first.lon, r.lat, r.lon);
      if (firstWay && offDeg(*firstWay, *nose) > reverseStartDeg &&
          metresBetween(first.lat, first.lon, r.lat, r.lon) > 2.0 * wayNoise) {
        e.pushedFromStanding = true;
        for (PositionSample& q : ac.samples)  // (all queued since it was first seen)
          if (!q.airborne) q.evidence |= evidencePushed;
        gf_lineUpQueuedPush(ac);
      }
    }
    if (way && e.pushedRun == 1 && from->standing) e.pushedFromStanding = true;
    if (e.pushedRun == 0) e.pushedFromStanding = false;
    if (e.pushedRun >= 2 || e.pushedFromStanding) {
      r.evidence |= evidencePushed;
      // Its run started at the report before: that leg was pushed too.
      if (e.pushedRun == 2 && !ac.samples.empty() && sameAs(ac.samples.back(), *n))
        ac.samples.back().evidence |= evidencePushed;
      // Shown over a span: the reports queued since its start were pushed too.
      if (e.pushedRun <= 2 && from != n)
        for (std::size_t i = ac.samples.size(); i-- > 0 && !sameAs(ac.samples[i], *from);)
          ac.samples[i].evidence |= evidencePushed;
      if (e.pushedRun <= 2) gf_lineUpQueuedPush(ac);
    }
  }
  if (ac.holding && !ac.samples.empty()) {
    // Its leg spans the silence: the hold and this report alone tell.
    r.evidence = static_cast<std::uint8_t>(r.evidence & ~evidenceRolls);
    if (rollsOnFromHold(ac, r)) r.evidence |= evidenceRolls;
    e.rolling = false;
  }
  e.remember(seen);
}

void gf_noteQueued(LiveAc& ac, const PositionSample& r) {
  if (!ac.samples.empty() && ac.samples.back().airborne != r.airborne) ac.airGroundSwitchDue = r.dueTick;
}

bool gf_streamMixesAirAndGround(const LiveAc& ac) {
  return !ac.samples.empty() && ac.airGroundSwitchDue > ac.samples.front().dueTick;
}

bool gf_reportsRoll(const LiveAc& ac) { return ac.evidence.rolling; }

bool gf_feedBrakes(const LiveAc& ac) {
  const GroundEvidence& e = ac.evidence;
  for (std::size_t k = 0; k < feedBrakingSteps; ++k) {
    const GroundEvidence::Seen *a = e.back(k), *b = e.back(k + 1);
    if (a == nullptr || b == nullptr || a->replaced || b->replaced || a->kt > b->kt - feedBrakingKt) return false;
  }
  return true;
}

bool gf_fliesAgain(const PositionSample& a, const PositionSample& b) {
  if (!a.airborne || !b.airborne) return false;
  // Still sinking is a landing's float, not a climb away: down early, it
  // would lift off again and dive back onto the runway.
  if (b.altitude != a.altitude) return b.altitude > a.altitude;
  return b.groundSpeed >= a.groundSpeed;
}

double gf_groundCapKt(AcCategory category, const PositionSample& a, const PositionSample& b) {
  return reportedCapKt(category, a.airborne || b.airborne, std::max(a.groundSpeed, b.groundSpeed));
}

bool gf_bornRollingOut(const LiveAc& ac) {
  const auto& s = ac.samples;
  if (s.size() < 2 || s[0].groundSpeed < takeOffRollKt) return false;
  // A take-off roll whose feed repeats a speed shows the same two speeds:
  // only a real slowing is a roll-out.
  if (s[1].groundSpeed != s[0].groundSpeed) return s[1].groundSpeed < s[0].groundSpeed;
  if (s.size() < 3) return false;
  const std::size_t mid = (s.size() - 1) / 2;
  return gf_shownKt(s[mid], s.back()) < gf_shownKt(s[0], s[mid]) - shownSlowingKt;
}

std::optional<double> gf_reportedNose(const PositionSample& r) {
  if (r.trueHeadingValid) return r.trueHeading;
  if (r.track != 0.0) return r.track * radiansPerDegree;
  return std::nullopt;
}

} // namespace gwr
