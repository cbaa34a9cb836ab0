// Intake: which aircraft a record feeds and what its report adds to the stream,
// and the per-tick update walk (a buffered aircraft's creation: live_spawn.cpp).
#include "traffic/engine/live_intake.h"

#include <fmt/format.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <numbers>

#include "core/clock.h"
#include "core/geo.h"
#include "core/log.h"
#include "core/settings_catalogue.h"
#include "liveries/livery_matcher.h"
#include "liveries/livery_tables.h"
#include "liveries/refused_liveries.h"
#include "refdata/code_pools.h"
#include "refdata/reference_queries.h"
#include "refdata/registration_records.h"
#include "traffic/engine/engine_constants.h"
#include "traffic/engine/engine_hooks.h"
#include "traffic/engine/intake_speed.h"
#include "traffic/engine/live_callsigns.h"
#include "traffic/engine/live_removal.h"
#include "traffic/engine/traffic_engine.h"
#include "traffic/feed/park_airport_state.h"
#include "traffic/feed/tick_clock.h"
#include "traffic/movement/flight_movement.h"
#include "traffic/movement/ground_evidence.h"
#include "traffic/movement/ground_movement.h"
#include "traffic/movement/ground_reports.h"
#include "traffic/movement/ground_steering.h"
#include "traffic/movement/live_motion.h"
#include "traffic/movement/movement_constants.h"
#include "traffic/movement/roll_start.h"
#include "traffic/movement/runway_phases.h"

namespace gwr {

namespace {

double trackDifferenceDeg(double a, double b) {
  const double d = std::fmod(std::fabs(a - b), 360.0);
  return d > 180.0 ? 360.0 - d : d;
}

// A report low over the park airport but not on it: no good first picture.
bool nearFieldButAirborne(double altitude) {
  const double field = gf_parkElevationFt().value_or(noParkElevationFt);
  return altitude > 0.0 && altitude < nearFieldCeilingFt && std::fabs(altitude - field) <= nearFieldBandFt;
}

// A record that only repeats what the stream already says, or jumps. Its
// speed is weighed against the last report of the feed, never against a
// made-up holding or extrapolated copy; a speed its positions gave it is no jump.
bool isRedundant(const LiveAc& ac, const PositionSample& r, double dt, bool speedFromPositions) {
  const PositionSample& n = ac.samples.back();
  if (dt <= dropDuplicateSeconds) return true;
  const bool liftOff = !ac.lastReport.airborne && r.airborne;
  if (!speedFromPositions && gf_speedJump(ac.lastReport.groundSpeed, r.groundSpeed, dt, liftOff)) return true;
  if (ac.extrapolationCount >= 1) return false;
  const double turn = trackDifferenceDeg(r.track, n.track);
  if (r.airborne && r.groundSpeed > straightAirMinKt && turn <= straightAirTrackDeg)
    return dt <= straightAirSpacingNm * secondsPerHour / r.groundSpeed;
  // (r's speed as its positions justify it: a stale one would misjudge how far it went)
  // Not once the judge shows its positions' noise reaching the spacing this
  // leaves: which reports it keeps then decides where the path lies (noise
  // that alternates as the reports do keeps those on one side, 10 m off the
  // line, and the others are never reached); kept, each is lined up by the
  // noise. A push's crawl is thinned still: its fitted way judges it.
  const bool noiseHidesSpacing =
      r.groundSpeed > pushBackMaxKt && gf_noiseNearMetres(ac) >= straightGroundSpacingNm * metresPerNm;
  if (!r.airborne && r.groundSpeed <= straightGroundMaxKt && turn <= straightGroundTrackDeg && !noiseHidesSpacing) {
    const double limit =
        r.groundSpeed > 0.0 ? straightGroundSpacingNm * secondsPerHour / r.groundSpeed : straightGroundMaxSeconds;
    return dt <= std::min(limit, straightGroundMaxSeconds);
  }
  return false;
}

// Standing reports trail a stream that moves on again: the newest moving
// report among the 2nd to the 6th from the end, when close in time or
// place, drops the standing ones after it.
void cutStandingTail(LiveAc& ac, const PositionSample& r) {
  auto& s = ac.samples;
  if (s.size() < 3) return;
  const PositionSample& n = s.back();
  const std::size_t lowest = s.size() > movingLookBack ? s.size() - movingLookBack : 0;
  for (std::size_t i = s.size() - 1; i-- > lowest;) {
    if (s[i].standing) continue;
    if (n.dueTick - s[i].dueTick < movingCutTicks ||
        gf_greatCircleDistanceNm(gf_positionOf(s[i]), gf_positionOf(r)) <= movingCutNm)
      s.erase(s.begin() + static_cast<std::ptrdiff_t>(i) + 1, s.end());
    return;
  }
}

// A take-off roll under way, or reports on both sides of a jump at a roll's speed.
bool rollGoesOn(const LiveAc& ac, const PositionSample& r) {
  if (ac.runway.afterTouchdown() || r.airborne) return false;
  return ac.runway.rolling() || (ac.lastReport.groundSpeed >= takeOffRollKt && r.groundSpeed >= takeOffRollKt);
}

// A flight that left the park airport and is now reported back to it keeps
// its route: the feed's route is the next flight's.
bool returnsToParkAirport(const LiveAc& ac, const AcIdentity& id) {
  const auto park = gf_parkAirport();
  return park && park->iata != unknownCode3 && ac.origin == park->iata && id.destination == park->iata;
}

// The scanned liveries know the new registration under another title.
bool registrationChangesLivery(const LiveAc& ac, const std::string& registration) {
  const auto titled = RegcodeTitleMap.find(registration);
  return titled != RegcodeTitleMap.end() && titled->second != ac.livery;
}

// Airline, operator and model: what the livery is chosen by.
bool sameAircraftKey(const LivKey& a, const LivKey& b) {
  return a.airline == b.airline && a.airlineOperator == b.airlineOperator && a.model == b.model;
}

void replaceKey(LiveAc& ac, const LivKey& key) {
  // The stay at its stand belongs to the old identity.
  const auto recordStay = gf_trafficEngineHooks().standUseBeforeNewKey;
  if (recordStay != nullptr && ac.phase == AcPhase::Parked && ac.standNumber > 0) recordStay(ac);
  ac.key = key;
  RememberedLiveries.erase(ac.hexId);
  ac.livery = {};
  // Only a respawn makes it a new aircraft; without one it goes on as it is, so
  // a taxiing aircraft keeps its taxi rules under its new key.
  if (GUID_CHANGES.current()) ac.setPhase(AcPhase::Birth);
  ac.sim.label = ac.fullText();
}

// False refuses the record.
bool updateIdentity(LiveAc& ac, const TrafficRecord& r) {
  const AcIdentity& id = r.identity;
  if (ac.runway.rolling() || ac.runway.landing()) return true;
  if (ac.sim.simState == AcSimState::Buffer) {
    if (!id.origin.empty()) ac.origin = id.origin;
    if (!id.destination.empty()) ac.destination = id.destination;
    // with its copy and label, as a new aircraft takes it: the creation shows them
    if (!id.callsign.empty() && id.callsign != ac.callsign) takeCallsign(ac, id.callsign);
    if (!id.registration.empty()) ac.registration = id.registration;
    return true;
  }
  if (ac.sim.simState != AcSimState::Active || ac.phase == AcPhase::PushingBack || ac.extrapolationCount >= 1)
    return true;
  bool routeChanged = false, keyChanged = false, callsignChanged = false;
  if (ac.origin.empty() && !id.origin.empty()) ac.origin = id.origin;
  if (ac.destination.empty() && !id.destination.empty()) ac.destination = id.destination;
  if (!id.origin.empty() && !id.destination.empty() &&
      (id.origin != ac.origin || id.destination != ac.destination) && !returnsToParkAirport(ac, id)) {
    ac.origin = id.origin;
    ac.destination = id.destination;
    routeChanged = true;
    if (ac.onGroundConfirmed && ac.phase != AcPhase::Parking && ac.phase != AcPhase::Parked) {
      ac.setPhase(AcPhase::Taxi);
      ac.trackHeading = ac.heading;
    }
  }
  if (!id.registration.empty() && id.registration != ac.registration) {
    const auto known = gf_lookupRegistration(id.registration);
    const auto airline = gf_callsignAirline(id.callsign);
    if (known && !sameAircraftKey(*known, ac.key) && airline &&
        (gf_airlineCode(known->airline) == *airline || gf_airlineCode(known->airlineOperator) == *airline)) {
      replaceKey(ac, *known);
      keyChanged = true;
    } else if (registrationChangesLivery(ac, id.registration) || (known && !sameAircraftKey(*known, ac.key))) {
      replaceKey(ac, known ? *known : ac.key);
      keyChanged = true;
    }
    ac.registration = id.registration;
  }
  if (!id.callsign.empty() && id.callsign != ac.callsign && id.callsign != ac.registration) {
    if (endsWithMark(id.callsign) && gf_callsignInUse(id.callsign)) return false;
    if (!endsWithMark(id.callsign)) gf_ghostCheck(id.callsign);
    takeCallsign(ac, id.callsign);
    callsignChanged = true;
  }
  if ((routeChanged || keyChanged || callsignChanged) && GUID_CHANGES.current()) {
    gf_logIndented(fmt::format("{} respawns", ac.liveFullText()));
    liveryRespawn(ac);
    return false;
  }
  return true;
}

void logUpdateFailure(const LiveAc& ac, const std::exception& e) {
  try {
    gf_log(fmt::format("{}: {} {}, sz:{}, fs:{}, st:{}", "updateLiveAc", e.what(), ac.liveFullText(), ac.samples.size(),
                       gf_phaseName(ac.phase), gf_simStateName(ac.sim.simState)));
  } catch (const std::out_of_range& bad) {
    // a record with a phase or state outside the tables: its line is not written
    gf_log(fmt::format("{}: {} {}", "updateLiveAc", e.what(), bad.what()));
  }
}

} // namespace

void lf_routeTrafficRecord(TrafficRecord& record) {
  auto& engine = trafficEngine;
  LiveAc* ac = engine.findHexid(record.hexid);
  if (ac == nullptr) {
    if (!record.identity.callsign.empty()) {
      for (const LiveAc& other : engine.live) {
        if (other.callsign == record.identity.callsign && other.key.model == record.identity.key.model) return;
      }
    }
    lf_acceptTrafficRecord(record);
    return;
  }
  if (ac->sim.simState == AcSimState::LiveryRespawn || ac->sim.simState == AcSimState::RemovingFromSim) return;
  PositionSample report = gf_sampleOf(record);
  const double dt = record.timestamp - ac->lastSampleTime;
  // Held as out of reach, or dropped as a jump: as if it never came, the next
  // is weighed against the last taken.
  const GroundVerdict verdict = gf_weighReport(*ac, report, record.timestamp);
  if (verdict == GroundVerdict::Hold || verdict == GroundVerdict::Jumped) return;
  if (verdict == GroundVerdict::Moved) {
    // Handled like an outage: what came before the jumps is given up.
    if (ac->sim.simState == AcSimState::Active) {
      // Not in a take-off roll: removed, its new stream (ground and air mixed)
      // would never be created; the roll goes on along its runway without it.
      if (!rollGoesOn(*ac, report)) gf_removeLiveAc(*ac);
      return;
    }
    if (ac->sim.simState == AcSimState::Buffer) {
      ac->samples.clear();
      ac->evidence.clear();
    }
  }
  const bool speedFromPositions = gf_justifyReportSpeed(*ac, report, record.timestamp);
  gf_noteReportNoise(*ac, report, record.timestamp);
  if (!ac->samples.empty() && isRedundant(*ac, report, dt, speedFromPositions)) return;
  if (ac->sim.simState == AcSimState::Buffer && nearFieldButAirborne(report.altitude)) return;
  if (!updateIdentity(*ac, record)) return;
  if (speedFromPositions) gf_firstReportLikeSecond(*ac, report);
  ac->lastSampleTime = record.timestamp;
  ac->lastReport = report;
  gf_noteReportTaken(*ac, report, record.timestamp);
  decodeExisting(*ac, report);
}

void lf_acceptTrafficRecord(TrafficRecord& record) {
  if (!record.identity.registration.empty()) {
    if (auto known = gf_lookupRegistration(record.identity.registration)) record.identity.key = *known;
  }
  if (!gf_isIcaoModel(gf_modelCode(record.identity.key.model))) return;
  lf_newLiveAc(record);
}

void lf_newLiveAc(TrafficRecord& record) {
  const AcCategory category = gf_modelCategory(record.identity.key.model);
  const auto slot = gf_categorySlot(category);
  if (slot >= categoryCount) return;
  if ((category == AcCategory::Light && !LIGHT_AIRCRAFT.current()) ||
      (category == AcCategory::HighPerf && !HIGH_PERF_AIRCRAFT.current()) ||
      (category == AcCategory::Rotorcraft && !HELICOPTERS.current()))
    return;
  if (nearFieldButAirborne(record.altitude)) return;
  AcIdentity identity = record.identity;
  identity.callsignCopy = identity.callsign;
  identity.spareText.clear();
  identity.trafficFlag = 0;
  AcDescription description(identity);
  description.hexId = record.hexid;
  description.groundTurnRate = gf_baseGroundTurnRate(category);
  description.maxClimbPerTick = categoryMaxClimbFtPerTick[slot];
  description.standSpeedKt = categoryStandSpeedKt[slot];
  trafficEngine.live.emplace_back(description, gf_sampleOf(record), record.timestamp);
  LiveAc& ac = trafficEngine.live.back();
  gf_noteReportNoise(ac, ac.samples.front(), record.timestamp);
  gf_noteReportTaken(ac, ac.samples.front(), record.timestamp);
}

void decodeExisting(LiveAc& ac, PositionSample& report) {
  try {
    if (ac.samples.size() > maxReportsPerStream) {
      gf_removeLiveAc(ac);
      return;
    }
    if (ac.samples.empty()) {
      // A buffered stream given up at a jump starts again with this report.
      ac.samples.push_back(report);
      return;
    }
    // Nothing holds on a runway (a made-up roll-out is removed at its end), so
    // a holder is a taxiing or pushed-back aircraft.
    const bool farFromHold = ac.holding &&
                             gf_beyondHoldingThreshold(gf_greatCircleDistanceNm(gf_positionOf(ac.samples.back()),
                                                                                gf_positionOf(report)));
    // Seen next rolling or climbing ahead of its hold: it took off in the silence, its roll is made up.
    const bool tookOff = farFromHold && gf_rollStartedAheadOfHold(ac, report);
    if (farFromHold && !tookOff) {
      // Back far from where it held: driving it there would be a jump.
      ac.holding = 0;
      gf_removeLiveAc(ac);
      return;
    }
    if (ac.phase == AcPhase::Birth) {
      if (!gf_groundReportCheck(ac, report)) return;
      report.dueTick = std::max(report.dueTick, ac.samples.back().dueTick + 1);
      gf_noteQueued(ac, report);
      ac.samples.push_back(report);
      return;
    }
    if (!checkExtendingSituations(ac, report)) return;
    // The feed back in a made-up roll-out: it rolls out on its reports again.
    rp_transition(ac, RunwayEvent::ReportsBack);
    if (ac.extrapolationCount > 0) {
      // the feed is back: the made-up reports give way to the real one
      ac.samples.resize(1);
      ac.extrapolationCount = 0;
    }
    const PositionSample newest = ac.samples.back();
    if (!report.airborne && newest.standing) {
      const bool allStanding = std::all_of(ac.samples.begin(), ac.samples.end(),
                                           [](const PositionSample& s) { return s.standing != 0; });
      if (report.standing && allStanding && ac.samples.size() > 1) ac.samples.resize(1);
      if (!report.standing) cutStandingTail(ac, report);
    }
    gf_takeOffOnNewReport(ac, newest, report);
    // After the newest report as it now stands: after a roll's call-off the reports it put
    // off fall due in their own time again, after the cut the moving ones no longer wait
    // for the standing ones dropped.
    report.dueTick = std::max(report.dueTick, ac.samples.back().dueTick + 1);
    if (tookOff) gf_rollFromHold(ac, report);
    gf_noteQueued(ac, report);
    ac.samples.push_back(report);
    if (ac.samples.size() == 2 && ac.samples[0].standing && ac.samples[1].standing) {
      ac.samples[0].dueTick = tickCount.load() + 1;
      ac.samples[0].groundSpeed = ac.samples[1].groundSpeed;
    }
  } catch (const std::exception& e) {
    gf_log(fmt::format("{} exception {}", "decodeExisting", e.what()));
    throw;
  }
}

bool updateLiveAc(LiveAc& ac) {
  try {
    switch (ac.sim.simState) {
      case AcSimState::Buffer: lf_handleBuffer(ac); break;
      case AcSimState::Active: {
        if (ac.samples.empty()) {
          gf_log(fmt::format("{} stream empty ? {}, hexid:{}, objectid:{}, alt:{:.0f} ft, lalo:{}, TAS:{:.0f}",
                             gf_clockTimeOfDay(), ac.liveFullText(), ac.hexId, ac.sim.objectId, ac.altitude,
                             fmt::format("{:.6f},{:.6f}", ac.lat, ac.lon), ac.tas));
          gf_removeLiveAc(ac);
          break;
        }
        if (ac.samples.front().dueTick <= tickCount.load()) {
          lf_nextPosition(ac);
          // Removed by its step, or its stream ran out: no front to read, no position to send.
          if (ac.sim.simState != AcSimState::Active || ac.samples.empty()) break;
          const PositionSample& front = ac.samples.front();
          ac.verticalSpeed = ac.targetVerticalSpeed / 60.0;
          ac.tas = front.standing ? 0.0 : ac.targetTas;
        }
        // In the air a report in place still moves it: a rotorcraft climbs or comes down where it hovers.
        const bool moves = !ac.samples.front().standing || !ac.onGroundConfirmed || ac.phase == AcPhase::TakeOff;
        if (ac.sim.simState == AcSimState::Active && moves) lf_moveStep(ac);
        if (ac.sim.simState != AcSimState::Active) break;
        if (ac.sim.objectId != 0) {
          gf_positionFillBuffer().push_back({ac.lat, ac.lon, ac.pitch, ac.bank, ac.heading, ac.altitude,
                                             ac.verticalSpeed, ac.tas, ac.sim.objectId});
        } else {
          gf_log(fmt::format("{} objectid=0? hexid: {},cs:{}, reg:{}, aimo:{} sz:{}", gf_clockTimeOfDay(), ac.hexId,
                             ac.callsign, ac.registration, gf_modelCode(ac.key.model), ac.samples.size()));
          gf_removeLiveAc(ac);
        }
        break;
      }
      default: break;
    }
  } catch (const std::exception& e) {
    logUpdateFailure(ac, e);
  }
  return ac.erased();
}

} // namespace gwr
