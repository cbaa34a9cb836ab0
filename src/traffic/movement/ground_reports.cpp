// Report checks of placed aircraft by phase (push-back, stand, landing and
// ground reports) and the holding of ground aircraft when the feed falls silent.
#include "traffic/movement/ground_reports.h"

#include <algorithm>
#include <cmath>

#include "core/geo.h"
#include "core/settings_catalogue.h"
#include "refdata/ac_category.h"
#include "refdata/airports_table.h"
#include "traffic/engine/engine_constants.h"
#include "traffic/engine/live_removal.h"
#include "traffic/engine/traffic_engine.h"
#include "traffic/feed/tick_clock.h"
#include "traffic/movement/flight_movement.h"
#include "traffic/movement/ground_evidence.h"
#include "traffic/movement/ground_movement.h"
#include "traffic/movement/movement_constants.h"
#include "traffic/movement/push_back_follow.h"
#include "traffic/movement/roll_start.h"
#include "traffic/movement/runway_phases.h"
#include "traffic/movement/standing_place.h"
#include "traffic/movement/taxi_curves.h"

namespace gwr {

namespace {

// Angle between the heading and the bearing from a to b, degrees; none for no leg.
std::optional<double> turnFromHeading(const LiveAc& ac, const PositionSample& a, const PositionSample& b) {
  const auto bearing = gf_legBearing(a.lat, a.lon, b.lat, b.lon);
  if (!bearing) return {};
  return std::fabs(gf_normalizeAngle(*bearing - ac.heading)) * degreesPerRadian;
}

void startHolding(LiveAc& ac) {
  if (ac.holding) return;
  ac.holding = 1;
  ac.holdingSince = static_cast<std::uint32_t>(tickCount.load());
}

// The feed is back: made-up reports give way and the front falls due now.
void endExtrapolation(LiveAc& ac, bool widen) {
  if (ac.extrapolationCount <= 0) return;
  ac.extrapolationCount = 0;
  ac.samples.resize(1);
  ac.samples.front().dueTick = tickCount.load() + 1;
  if (widen) {
    ac.smoothingEarlier = smoothingWideTicks;
    ac.smoothingLater = ac.runway.rolling() ? smoothingTakeOffLaterTicks : smoothingWideTicks;
  } else {
    ac.smoothingEarlier = ac.smoothingLater = initialSmoothingTicks;
  }
}

bool pushingBack(LiveAc& ac, PositionSample& r) {
  if (gf_pushGoesElsewhere(ac, r)) {
    gf_endPushAtReports(ac, r);
    return true;
  }
  // Decided at the push's own first step: a report while it still waits at
  // its stand (a step more) shows it standing there, not the way it turns.
  if (ac.pushBackCountdown != pushBackSteps || STRAIGHT_PBS_ONLY.current()) return false;
  const std::optional<double> direction = gf_reportedNose(r);
  if (!direction) return false;
  ac.pushBackTurnSide = gf_normalizeAngle(*direction - ac.heading) > 0.0 ? 1 : 0;
  ac.pushBackHasSecondLeg = 1;
  return false;
}

bool pushedBack(LiveAc& ac, PositionSample& r) {
  if (gf_pushGoesElsewhere(ac, r)) {
    gf_endPushAtReports(ac, r);
    return true;
  }
  const double d = gf_distanceNm(ac.lat, ac.lon, r.lat, r.lon);
  const double span = ac.halfWingspan;
  if ((d <= pushedBackHoldSpans * span || d <= ac.largestPushedDistance) && d <= pushedBackMaxSpans * span) {
    ac.largestPushedDistance = std::max(ac.largestPushedDistance, d);
    startHolding(ac);
    return false;
  }
  r.standing = 0;
  endExtrapolation(ac, false);
  ac.setPhase(AcPhase::Taxi);
  ac.standNumber = 0;
  ac.standFlag = 0;
  ac.holding = 0;
  return true;
}

// Leaving soon after its arrival's week-long report was made: towed to another stand.
bool towedAway(const LiveAc& ac) {
  const std::int64_t made = static_cast<std::int64_t>(ac.samples.back().dueTick) - parkedExtrapolationTicks;
  const std::int64_t since = static_cast<std::int64_t>(tickCount.load()) - made;
  const std::int64_t limit = towedWithinTicks[gf_categorySlot(ac.category)];
  return since < limit;
}

void startLeaving(LiveAc& ac, PositionSample& r) {
  r.standing = 0;
  ac.leaving = 1;
  if (ac.extrapolationCount > 0 && ac.phase == AcPhase::Parked && ac.runway.arrivedLastFlight()) {
    if (towedAway(ac)) ac.towed = 1;
    rp_transition(ac, RunwayEvent::LeavesStand);
  }
  endExtrapolation(ac, true);
  ac.standMoves = 0;
  ac.atStandCheck = 0;
  gf_standEvent(ac, StandEvent::Leaving);
  ac.setPhase(AcPhase::Parked);
}

bool atStand(LiveAc& ac, PositionSample& r) {
  const double d = gf_distanceNm(r.lat, r.lon, ac.standLat, ac.standLon);
  const double radius = ac.previousPhase == AcPhase::Parking ? parkingRadiusFactor * standRadiusNm : standRadiusNm;
  if (d <= radius) {
    ac.parkedSince = static_cast<std::uint64_t>(tickCount.load());
    if (!ac.atStandCheck) {
      ac.atStandCheck = 1;
      ac.standFirstDistance = ac.standLargestDistance = d;
      return false;
    }
    // A growing report is counted but not followed until the aircraft leaves:
    // taken, it would drive a parked aircraft off its stand without its
    // pull-out or push-back, its stand still held.
    if (d >= ac.standLargestDistance + standGrowthNm) {
      ++ac.standMoves;
      ac.standLargestDistance = d;
      const double moved = d - ac.standFirstDistance;
      if ((ac.standMoves >= standLeaveGrowths && moved >= ac.halfWingspan * leaveGrowthSpans) || moved > ac.halfWingspan) {
        startLeaving(ac, r);
        return true;
      }
    } else if (d <= ac.standLargestDistance - standGrowthNm) {
      ac.standMoves = 0;
    }
    return false;
  }
  if (ac.phase == AcPhase::Parking) {
    ac.setPhase(AcPhase::Taxi);
    r.standing = 0;
    return true;
  }
  if (d > standGoneNm) {
    gf_standEvent(ac, StandEvent::MovedAway);
    gf_removeLiveAc(ac);
  }
  return false;
}

// R at N: standing; near N: a standing copy of N; else moving.
bool groundReportCheck(LiveAc& ac, PositionSample& r) {
  const PositionSample& n = ac.samples.back();
  // A rotorcraft lifts off or settles wherever it is; taxiing or set down, its positions' noise is judged as anyone's
  // (passed unjudged, it hopped on its pad with their noise and kept the standing mark of a moving 0 kt report).
  if (ac.category == AcCategory::Rotorcraft && (r.airborne || n.airborne)) return true;
  const bool unconfirmed = ac.sim.simState == AcSimState::Active && !ac.onGroundConfirmed;
  if (gf_samePosition(r, n)) {
    if (r.airborne || unconfirmed || (ac.runway.rolling() && r.groundSpeed > 0.0 && n.groundSpeed >= rollReportKt))
      return false;
    r.standing = 1;
    r.groundSpeed = 0.0;
    return true;
  }
  // At 0 kt after a moving report, farther from it than the noise and no
  // farther than its speed carried it by then: it stopped there. A copy of
  // the one before would hold it short of the way it went (the reports
  // between may have been thinned away) and hop it on at the next one.
  const double stopMetres = gf_distanceNm(n.lat, n.lon, r.lat, r.lon) * metresPerNm;
  const bool stoppedBeyond =
      r.groundSpeed <= 0.0 && !n.standing && n.groundSpeed > 0.0 && !ac.runway.onRunway() &&
      !gf_reportWithinNearBox(n, r) && gf_positionNoiseMetres(ac) > 0.0 && stopMetres > gf_positionNoiseMetres(ac) &&
      n.groundSpeed * metresPerSecondPerKt * (r.dueTick - n.dueTick) / ticksPerSecond >= stopMetres;
  if (gf_reportNear(ac, n, r) && !stoppedBeyond) {
    if (r.airborne || unconfirmed) return false;
    // Its speeds carry it beyond the noise along the line its track or nose shows: it moves.
    PositionSample aligned = r;
    const ReportFit line = r.groundSpeed > 0.0 ? gf_alignReportWithLine(ac, n, aligned) : ReportFit::none;
    if (line == ReportFit::placed) {
      r = aligned;
      r.standing = 0;
      return true;
    }
    const bool box = gf_reportWithinNearBox(n, r);
    // (whatever speed it gives: a roll this fast stands still by no next
    // report, and a 0 kt one farther off is refused the same way)
    if (box && ac.runway.rolling() && n.groundSpeed >= rollStandingKt) return false;
    // The feed says it moves, at a roll's speed or its positions' noise
    // known: no standstill (a roll's or a slow taxi's would stop), the next
    // report beyond the noise is awaited a while. Then, within the box, it
    // stands unless the feed's speeds carried it beyond the noise meanwhile.
    const bool rolls = ac.runway.rolling() || std::max(r.groundSpeed, n.groundSpeed) >= rollReportKt;
    const bool moves = r.groundSpeed > 0.0 && (rolls || !box || gf_positionNoiseMetres(ac) > 0.0);
    if (moves && r.dueTick - n.dueTick <= nearMovingWaitSeconds * ticksPerSecond) return false;
    // (a leg across the line it gives within the noise shows no motion)
    if (!moves || (box && !gf_speedsCarryBeyondNoise(ac, n, r)) || line == ReportFit::across) {
      const std::int32_t due = r.dueTick;
      r = n;
      r.dueTick = due;
      r.groundSpeed = 0.0;
      r.standing = 1;
      // (not yet shown: it stands where its standing reports average, not at the first one's noise)
      gf_placeAtStandingMean(ac, r);
      return true;
    }
  }
  r.standing = 0;
  if (r.groundSpeed == 0.0 && (r.airborne || ac.runway.rolling())) return n.groundSpeed < rollStandingKt;
  if (!r.airborne) gf_alignReportWithLine(ac, n, r);
  return true;
}

bool duringLanding(LiveAc& ac, PositionSample& r) {
  auto& s = ac.samples;
  if (gf_samePosition(r, s.back())) return false;
  if (s.size() == 1) {
    const double turn = turnFromHeading(ac, s.front(), r).value_or(0.0);
    if (ac.runway.landing() && turn >= landingTurnDeg) return false;
    if (!ac.runway.landing() && turn >= restartTurnDeg) {
      if (ac.extrapolationCount > 0) return false;
      s.front().lat = ac.lat;
      s.front().lon = ac.lon;
      s.front().dueTick = tickCount.load() + 1;
    }
  } else {
    // A report back against the heading shows the newest one jumped ahead,
    // unless the reports queued before it already turned that way: a
    // backtrack after the roll-out, not noise.
    const auto turnedBack = [&]() {
      if (turnFromHeading(ac, s.back(), r).value_or(0.0) < landingTurnDeg) return false;
      const PositionSample& before = s[s.size() - 2];
      const auto in = gf_legBearing(before.lat, before.lon, s.back().lat, s.back().lon);
      const auto out = gf_legBearing(s.back().lat, s.back().lon, r.lat, r.lon);
      return !in || !out || std::fabs(gf_normalizeAngle(*out - *in)) * degreesPerRadian >= landingTurnDeg;
    };
    for (int drop = 0; drop < 2 && s.size() >= 2; ++drop) {
      if (!turnedBack()) break;
      s.pop_back();
    }
  }
  // The reports are back after a made-up approach or roll-out: the speed
  // made up for the silence says nothing of the roll-out they show (kept, it
  // held every report after it to a taxi's speed, kilometres behind them).
  const bool afterMadeUp = ac.extrapolationCount > 0;
  endExtrapolation(ac, false);
  const PositionSample& n = s.back();
  r.standing = gf_samePosition(r, n) ? 1 : 0;
  // A roll-out's speed does not rise: one faster report is the feed's
  // glitch. Unless the newest was no slower than the one before it (it rose,
  // or was held here): reports gathering speed again, a touch-and-go's run.
  const bool gathers = s.size() >= 2 && n.groundSpeed >= s[s.size() - 2].groundSpeed;
  if (!afterMadeUp && !r.standing && r.groundSpeed > landingFastKt && r.groundSpeed > n.groundSpeed && !gathers)
    r.groundSpeed = n.groundSpeed;
  // A roll-out's noisy positions are lined up as a taxi's are (after one made
  // up, the newest is no report of the feed's to line up with), not from a
  // report where the track turned: its track is the way out of the turn, its
  // position still on the way in.
  const bool turned = s.size() >= 2 && std::fabs(gf_normalizeAngle((n.track - s[s.size() - 2].track) *
                                                                    radiansPerDegree)) * degreesPerRadian > noiseLineDeg;
  if (!afterMadeUp && !r.standing && !r.airborne && !n.airborne && !turned) gf_alignReportWithLine(ac, n, r);
  return true;
}

bool otherPhases(LiveAc& ac, PositionSample& r) {
  if (!groundReportCheck(ac, r)) return false;
  if (ac.extrapolationCount > 0) {
    if (!ac.onGroundConfirmed && turnFromHeading(ac, ac.samples.back(), r).value_or(0.0) >= extrapolatedTurnDeg)
      return false;
    endExtrapolation(ac, false);
  }
  ac.holding = 0;
  return true;
}

// An active aircraft taxiing on the ground, not after a touchdown nor already rolling.
bool mayStartRoll(const LiveAc& ac) {
  return ac.sim.simState == AcSimState::Active && ac.onGroundConfirmed && ac.phase == AcPhase::Taxi &&
         !ac.runway.onRunway();
}

bool anotherTaxiingNear(const LiveAc& ac) {
  return std::any_of(trafficEngine.live.begin(), trafficEngine.live.end(), [&](const LiveAc& o) {
    const double spanNm = holdingSpanFactor * (ac.halfWingspan + o.halfWingspan);
    // Every holder asks this of every aircraft at each of its steps: the
    // latitudes alone set most apart without the great-circle distance,
    // which is never shorter than their difference.
    if (std::fabs(o.lat - ac.lat) * radiansPerDegree * earthRadiusNm > spanNm) return false;
    return &o != &ac && o.sim.simState == AcSimState::Active && o.onGroundConfirmed && o.phase == AcPhase::Taxi &&
           gf_distanceNm(ac.lat, ac.lon, o.lat, o.lon) <= spanNm;
  });
}

// A report at a taxi's speed after ones at a roll's: the roll is called off
// (rejected, or never more than a stale speed). The reports still ahead whose
// positions justified a roll's pace when they came stay: a rejected roll
// brakes down through them. The others at a roll's speed go, and a roll made
// up from the hold (its speed would race the taxi on), and the roll's wide
// smoothing limits with them; a rejected roll's once it has braked.
void callOffRoll(LiveAc& ac) {
  auto& s = ac.samples;
  // Made up from the hold: the wait before it goes too, and the report that
  // was put off behind the roll falls due in its own time again.
  const bool fromHold = ac.runway.phase() == RunwayPhase::LinedUp;
  const std::int32_t madeUpDue = ac.runway.madeUpRollUntil();
  for (std::size_t i = s.size(); i-- > 1;) {
    if (s[i].airborne) continue;
    const bool madeUp = (fromHold || !s[i].standing) && s[i].dueTick <= madeUpDue;
    const bool unjustified = s[i].groundSpeed >= takeOffRollKt && gf_justifiedPaceKt(s[i]) < takeOffRollKt * rollShownShare;
    if (madeUp || unjustified) s.erase(s.begin() + static_cast<std::ptrdiff_t>(i));
  }
  const auto putOff = std::find_if(s.begin() + 1, s.end(), [&](const PositionSample& p) { return p.dueTick > madeUpDue; });
  if (fromHold && putOff != s.end()) putOff->dueTick = std::max(ac.runway.rollSeenDue(), tickCount.load() + 1);
  rp_transition(ac, RunwayEvent::RollCalledOff);
  if (ac.runway.phase() != RunwayPhase::Rejected) gf_narrowSmoothing(ac);
  lf_taxiLights(ac);
  gf_setThrottle(ac.sim, 0);
}

} // namespace

bool gf_groundReportCheck(LiveAc& ac, PositionSample& r) { return groundReportCheck(ac, r); }

void gf_narrowSmoothing(LiveAc& ac) {
  // How many ticks before its newest queued report falls due the aircraft
  // would reach it, driven from where it is at the speeds of the reports between.
  const auto& s = ac.samples;
  double ticks = 0.0, lat = ac.lat, lon = ac.lon;
  for (std::size_t i = 1; i < s.size(); ++i) {
    const double kt = std::max((s[i - 1].groundSpeed + s[i].groundSpeed) / 2.0, minLegSpeedKt);
    ticks += gf_greatCircleDistanceNm({lat, lon}, {s[i].lat, s[i].lon}) / kt * ticksPerHour;
    lat = s[i].lat;
    lon = s[i].lon;
  }
  const auto lead = s.size() < 2 ? 0 : static_cast<std::int32_t>(s.back().dueTick - tickCount.load() - ticks);
  ac.smoothingEarlier = std::clamp(lead, initialSmoothingTicks, std::max(ac.smoothingEarlier, initialSmoothingTicks));
  ac.smoothingLater = initialSmoothingTicks;
}

void gf_takeOffOnNewReport(LiveAc& ac, const PositionSample& n, const PositionSample& r) {
  if (ac.sim.simState != AcSimState::Active || !ac.onGroundConfirmed) return;
  if (ac.runway.rolling()) {
    // Standing again before lifting off: whatever speed the feed still gives, no roll goes on.
    if (r.standing && !r.airborne && ac.phase == AcPhase::Taxi) rp_transition(ac, RunwayEvent::Stands);
    // A taxi's speed after a roll's; after a roll made up from the hold, one
    // that does not gather speed (the roll was only the speed it was next seen at).
    const bool slowed = n.groundSpeed >= takeOffRollKt ||
                        (ac.runway.phase() == RunwayPhase::LinedUp && r.groundSpeed <= n.groundSpeed);
    if (!r.airborne && !n.airborne && slowed && r.groundSpeed < takeOffRollKt && ac.phase == AcPhase::Taxi)
      callOffRoll(ac);
    return;
  }
  if (!ac.runway.afterTouchdown()) {
    // Both at a roll's speed, r's positions rolling along the line before it
    // (the speeds alone may be a stale roll speed repeated while it taxis).
    const bool fast = r.groundSpeed >= takeOffRollKt && n.groundSpeed >= takeOffRollKt && !r.standing && !n.standing &&
                      (r.evidence & evidenceRolls) != 0;
    if (mayStartRoll(ac) && (r.airborne || fast)) lf_startTakeOffRoll(ac);
  } else if (gf_fliesAgain(n, r)) {
    lf_touchAndGoRoll(ac);
  }
}

bool gf_beyondHoldingThreshold(double distanceNm) {
  return distanceNm * metresPerNm > HOLDING_THRESHOLD_METERS.current();
}

double gf_speedShownKt(double reportedKt, double shownKt) {
  return reportedKt >= takeOffRollKt ? shownKt : std::min(shownKt, laggingTaxiMaxKt);
}

// The speed a holder's made-up roll lifts off at: its category's take-off speed, or the report's when slower.
double holdLiftOffKt(const LiveAc& ac, const PositionSample& r) {
  const double takeOffKt = takeOffSpeedKt[gf_categorySlot(ac.category)];
  return r.groundSpeed > 0.0 ? std::min(takeOffKt, r.groundSpeed) : takeOffKt;
}

// Ahead of where it holds, on the runway beside it: it lined up there. A hold
// farther off is a queue on a taxiway: the roll needs its runway behind the report.
bool linesUpAbeam(const LiveAc& ac, const PositionSample& hold, const PositionSample& r) {
  const auto turn = turnFromHeading(ac, hold, r);
  return turn && *turn < takeOffAheadMaxDeg && gf_holdOffLineNm(hold, r) <= holdBesideRunwayNm;
}

bool gf_rollStartedAheadOfHold(const LiveAc& ac, const PositionSample& r) {
  if (!ac.holding || ac.samples.empty()) return false;
  // The judge's rolling mark: from the hold, the one report rolls.
  if (!r.airborne && (r.evidence & evidenceRolls) == 0) return false;
  const auto turn = turnFromHeading(ac, ac.samples.back(), r);
  const bool ahead = turn && *turn < takeOffAheadMaxDeg;
  if (ac.category == AcCategory::Rotorcraft) return ahead;
  // Only from the runway in front of the hold: seen next off another one, it
  // is created again where it flies, not driven across the field.
  const PositionSample& hold = ac.samples.back();
  const double offLineNm = gf_holdOffLineNm(hold, r);
  const bool beside = offLineNm <= holdBesideRunwayNm;
  const auto line = gf_holdRollLine(hold, r, holdLiftOffKt(ac, r), ahead && beside);
  if (!line || line->lineUpNm > longestBacktrackNm || offLineNm > queueBesideRunwayNm) return false;
  // Queued farther beside its runway, it taxied on to it in the silence: seen
  // next at a roll's speed ahead, it took off along that line. Seen next in
  // the air, it did, however long the way there: created again where it
  // flies, its new stream (ground and air mixed) may never be.
  if (r.airborne || (ahead && (beside || r.groundSpeed >= takeOffRollKt))) return true;
  return gf_backtrackedToRoll(ac, r, holdLiftOffKt(ac, r));
}

void gf_rollFromHold(LiveAc& ac, PositionSample& r) {
  auto& s = ac.samples;
  const double takeOffKt = takeOffSpeedKt[gf_categorySlot(ac.category)];
  if (s.empty() || takeOffKt <= 0.0) return;  // a rotorcraft lifts where it holds
  const std::int32_t seenDue = r.dueTick;
  if (!ac.runway.rolling()) {
    if (!mayStartRoll(ac)) return;
    lf_startTakeOffRoll(ac);  // a roll the feed reports on the ground, not yet in the air
  }
  if (r.groundSpeed <= 0.0) {
    // In the air without a speed: it lifted off at its take-off speed, not at a crawl.
    r.groundSpeed = takeOffKt;
    if (r.tas <= 0.0) r.tas = takeOffKt;
  }
  const double liftOffKt = holdLiftOffKt(ac, r);
  const PositionSample hold = s.back();
  s.back().standing = 0;
  std::int32_t due = std::max(hold.dueTick, tickCount.load());
  if (!r.airborne) {
    // A roll only the feed's speed tells of: the next reports may still show a taxi.
    PositionSample wait = hold;
    wait.standing = 1;
    wait.groundSpeed = 0.0;
    due = wait.dueTick = std::max(due, tickCount.load() + holdRollConfirmTicks);
    s.push_back(wait);
  }
  // Lined up first on the line of the report: its roll runs along a runway, not across the field.
  const auto line = gf_holdRollLine(hold, r, liftOffKt, linesUpAbeam(ac, hold, r));
  PositionSample from = hold;
  double distanceNm = gf_distanceNm(hold.lat, hold.lon, r.lat, r.lon);
  auto bearing = gf_legBearing(hold.lat, hold.lon, r.lat, r.lon);
  if (line) {
    distanceNm = line->lineNm;
    bearing = line->courseRad;
  }
  if (line && line->lineUpNm > linedUpNm) {
    // Onto the line at a taxi, turning there, and a short way along it before the roll.
    const auto taxiTo = [&](LatLon at, double nm, double trackRad) {
      due += std::max(gf_legTicks(nm, backtrackTaxiKt), minLegTicks);
      PositionSample p = gf_reportAt(from, at, backtrackTaxiKt, due);
      p.track = trackRad * degreesPerRadian;
      p.verticalSpeed = 0.0;
      p.altitude = 0.0;
      p.airborne = 0;
      s.push_back(p);
      from = p;
    };
    for (const LineUpPoint& p : gf_lineUpPath(hold, *line, gf_holdOffLineNm(hold, r) > holdBesideRunwayNm))
      taxiTo(p.at, gf_distanceNm(from.lat, from.lon, p.at.latitude, p.at.longitude), p.trackRad);
    const double runNm = std::min(lineUpRunNm, distanceNm / 2.0);
    taxiTo(gf_destinationPoint(line->start, line->courseRad, runNm * feetPerNm), runNm, line->courseRad);
    distanceNm -= runNm;
  }
  rp_transition(ac, RunwayEvent::RollFromHold, due, seenDue);
  const double rollNm = std::min(distanceNm * holdRollShare, holdRollMaxNm);
  if (!bearing || rollNm <= 0.0) return;
  // Even acceleration from standstill: each step gains the same speed in the
  // same time, covering the roll by the square of the speed reached.
  const std::int32_t stepTicks = gf_legTicks(rollNm, liftOffKt / 2.0) / holdRollSteps;
  for (std::int32_t k = 1; k <= holdRollSteps; ++k) {
    const double share = static_cast<double>(k) / holdRollSteps;
    due += std::max(stepTicks, minLegTicks);
    const LatLon at = gf_destinationPoint({from.lat, from.lon}, *bearing, rollNm * share * share * feetPerNm);
    PositionSample p = gf_reportAt(from, at, liftOffKt * share, due);
    p.tas = p.groundSpeed;
    p.track = *bearing * degreesPerRadian;
    p.verticalSpeed = 0.0;
    p.altitude = 0.0;  // ground reports, as the feed sends them
    p.airborne = 0;
    s.push_back(p);
  }
  rp_transition(ac, RunwayEvent::RollFromHold, due, seenDue);
  r.dueTick = std::max(r.dueTick, due + gf_legTicks(distanceNm - rollNm, (liftOffKt + r.groundSpeed) / 2.0));
}

bool checkExtendingSituations(LiveAc& ac, PositionSample& r) {
  if (ac.samples.empty()) return true;
  switch (ac.phase) {
    case AcPhase::PushingBack: return pushingBack(ac, r);
    case AcPhase::PushedBack: return pushedBack(ac, r);
    case AcPhase::Parking:
    case AcPhase::Parked:
      if (ac.sim.simState == AcSimState::Active) return atStand(ac, r);
      break;
    default: break;
  }
  if (ac.runway.landing() || ac.runway.afterTouchdown()) return duringLanding(ac, r);
  return otherPhases(ac, r);
}

std::optional<bool> lf_extendOnGround(LiveAc& ac) {
  if (ac.phase == AcPhase::Parking) lf_arriveAtStand(ac);
  // Rolling out or to take off it is on a runway: nothing there holds.
  const bool taxiing = ac.phase == AcPhase::Taxi && !ac.runway.onRunway();
  if (!ac.onGroundConfirmed || (ac.phase != AcPhase::PushedBack && !taxiing)) return std::nullopt;
  if (anotherTaxiingNear(ac)) {
    ac.holding = 0;
    gf_removeLiveAc(ac);
    return false;
  }
  const std::int32_t now = tickCount.load();
  if (ac.holding) {
    const std::int64_t held = static_cast<std::int64_t>(now) - static_cast<std::int64_t>(ac.holdingSince);
    if (AIRBORNE_ONLY.current() || held > static_cast<std::int64_t>(MAX_HOLDING_MINUTES.current()) * ticksPerMinute) {
      gf_removeLiveAc(ac);
      return false;
    }
  } else {
    startHolding(ac);
  }
  PositionSample copy = ac.samples.front();
  copy.standing = 1;
  copy.groundSpeed = 0.0;
  // From now when the front is overdue: steps from its past due would fall due one a tick.
  copy.dueTick = std::max(copy.dueTick, now) + holdingStepTicks;
  ac.samples.push_back(copy);
  ac.extrapolationCount = 1;
  return true;
}

} // namespace gwr
