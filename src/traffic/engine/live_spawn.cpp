// A buffered aircraft's way into the simulator: when its buffer lets it go (the
// user's nearness, the live limit, blocked names), its livery, birth stand and first attitude.
#include "traffic/engine/live_intake.h"

#include <fmt/format.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <numbers>

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
#include "traffic/engine/live_callsigns.h"
#include "traffic/engine/live_removal.h"
#include "traffic/engine/traffic_engine.h"
#include "traffic/feed/park_airport_state.h"
#include "traffic/feed/tick_clock.h"
#include "traffic/movement/flight_movement.h"
#include "traffic/movement/ground_evidence.h"
#include "traffic/movement/runway_phases.h"

namespace gwr {

namespace {

std::atomic<BirthStandChoice> birthStandChoice{nullptr};

LatLon userPosition() { return {trafficEngine.user.latitude, trafficEngine.user.longitude}; }

void dropFront(LiveAc& ac) { ac.samples.pop_front(); }

// The user-proximity test of a buffered aircraft; true when the front went.
bool userProximityDropsFront(LiveAc& ac) {
  const UserState& user = trafficEngine.user;
  const PositionSample& front = ac.samples.front();
  const double distance = gf_greatCircleDistanceNm(gf_positionOf(front), userPosition());
  if (userOnGround.load()) {
    if (!COLLISION_USER_GND.current()) return false;
    if (ac.closeToUser && (user.groundVelocity > proximityUserMovingKt ||
                           (!front.airborne && (front.groundSpeed > proximityUserMovingKt || distance <= proximityUserNm)))) {
      dropFront(ac);
      return true;
    }
    if (!front.airborne && distance <= proximityGroundNm) {
      dropFront(ac);
      return true;
    }
    return false;
  }
  if (!COLLISION_USER_AIR.current()) return false;
  if (ac.closeToUser) {
    dropFront(ac);
    return true;
  }
  ac.lat = front.lat;
  ac.lon = front.lon;
  ac.altitude = front.altitude;
  // Nose towards its next report, as it would be created: the rule looks along its heading.
  if (ac.samples.size() >= 2) ac.heading = gf_initialBearing(gf_positionOf(front), gf_positionOf(ac.samples[1]));
  // Too close ahead it goes, and comes again from its later reports, weighed
  // anew; kept marked, it would drop every report for as long as the user flies.
  if (gf_tooCloseAheadOfUser(ac, tooCloseLimits[1])) {
    ac.closeToUser = 1;
    dropFront(ac);
    return true;
  }
  return false;
}

// Where an aircraft born on the ground stands: on the park airport's field
// when it is there, with its wheels on it. Its report's altitude is 0 (on the
// ground), which would put it below any field above the sea.
double groundAltitudeFt(const LiveAc& ac, const PositionSample& front) {
  return gf_parkElevationFt(gf_positionOf(front)).value_or(0.0) + ac.groundCgHeight;
}

std::int32_t activeLiveCount() {
  return static_cast<std::int32_t>(std::count_if(trafficEngine.live.begin(), trafficEngine.live.end(),
                                                 [](const LiveAc& a) { return a.sim.simState == AcSimState::Active; }));
}

} // namespace

void gf_installBirthStandChoice(BirthStandChoice choice) { birthStandChoice.store(choice); }
BirthStandChoice gf_birthStandChoice() { return birthStandChoice.load(); }

void lf_handleBuffer(LiveAc& ac) {
  auto& engine = trafficEngine;
  if (ac.samples.empty()) {
    ac.sim.erase = true;
    return;
  }
  if (ac.samples.front().dueTick > tickCount.load()) return;
  if (ac.samples.size() == 1) {
    ac.samples.clear();
    ac.sim.erase = true;
    return;
  }
  if (endsWithMark(ac.callsign) &&
      std::find(engine.ghostCallsigns.begin(), engine.ghostCallsigns.end(), ac.callsign) != engine.ghostCallsigns.end()) {
    ac.sim.erase = true;
    return;
  }
  if (gf_streamMixesAirAndGround(ac)) {
    dropFront(ac);
    return;
  }
  if (userProximityDropsFront(ac)) return;
  if (engine.queuedLiveCreations.size() >= thinBufferAtQueuedCreations && ac.phase == AcPhase::Birth) {
    dropFront(ac);
    return;
  }
  const std::int32_t limit = MAX_LIVE_SEL.current();
  if (limit == 0) {
    ac.sim.erase = true;
    return;
  }
  const auto wanted = static_cast<std::int32_t>(engine.addingStack.size() + engine.queuedLiveCreations.size()) +
                      activeLiveCount();
  if (wanted >= limit) {
    if (gf_removeFarthestLiveAc(gf_greatCircleDistanceNm(gf_positionOf(ac.samples.front()), userPosition()))) {
      ac.sim.erase = true;
      return;
    }
  }
  const std::string blocked = BLOCK_CALLSIGN.current();
  if (!blocked.empty() && blocked == ac.callsign) {
    ac.sim.erase = true;
    return;
  }
  if (ac.key.fromDbase == 0 && !ac.registration.empty()) {
    if (auto known = gf_lookupRegistration(ac.registration)) ac.key = *known;
  }
  if (ac.key.airline == 0) ac.key.airline = gf_airlineIndex(gf_callsignAirline(ac.callsign).value_or("PVT"));
  if (!ac.hasValidCallsign()) {
    takeCallsign(ac, ac.registration);
    if (!ac.hasValidCallsign()) {
      ac.sim.erase = true;
      return;
    }
  }
  ac.sim.label = ac.fullText();
  if (NoMatchList.contains(ac.keyRegText())) {
    ac.sim.erase = true;
    return;
  }
  if (endsWithMark(ac.callsign) && gf_callsignInUse(ac.callsign)) {
    ac.sim.erase = true;
    return;
  }
  spawnLiveAc(ac);
}

void spawnLiveAc(LiveAc& ac) {
  auto& s = ac.samples;
  if (s.size() < 2) {
    gf_log(fmt::format("{} sz:{}", "spawnLiveAc", s.size()));
    return;
  }
  if (s[1].standing) {
    s[0].standing = 1;
    s[0].groundSpeed = s[1].groundSpeed = 0.0;
    if (s.size() > 2 && s[2].standing) s[2].groundSpeed = 0.0;
  } else {
    s[0].standing = 0;
  }
  if (ac.phase == AcPhase::Birth) {
    if (ac.livery.empty()) {
      if (auto remembered = gf_getRememberedLivery(ac.hexId)) {
        ac.livery = *remembered;
      } else {
        gf_matchLiveAircraft(ac);
        if (ac.livery.empty()) {
          if (!ac.registration.empty()) NoMatchList.insert(ac.keyRegText());
          ac.sim.erase = true;
          return;
        }
        gf_rememberLivery(ac.hexId, ac.livery);
      }
    }
    if (s.front().airborne) {
      ac.setPhase(AcPhase::Flying);
    } else {
      const auto choice = birthStandChoice.load();
      if (choice != nullptr && choice(ac)) {
        ac.setPhase(AcPhase::Parked);
        ac.weekTimeParked = weekTime.load();
        ac.parkedSince = static_cast<std::uint64_t>(tickCount.load());
        s.resize(1);
        s.front().lat = ac.standLat;
        s.front().lon = ac.standLon;
        s.front().track = ac.standHeading / radiansPerDegree;
        trafficEngine.standWork.push_back(ac.hexId);
      } else if (s[1].standing) {
        dropFront(ac);
        return;
      } else {
        ac.setPhase(AcPhase::Taxi);
      }
    }
  }
  // The birth stand choice may have refused it: an erased aircraft is not created.
  if (ac.sim.erase) return;
  // Judged from its positions (the judge dropped the reports that jumped out and back as they came).
  gf_justifyLeg(ac);
  lf_initialAttitude(ac);
  if (ac.phase == AcPhase::Taxi && gf_bornRollingOut(ac)) {
    // Down and rolling out: its speed starts no take-off roll.
    rp_transition(ac, RunwayEvent::BornRollingOut);
    ac.touchdownHeading = ac.heading;
  }
  ac.sim.simState = AcSimState::Adding2Sim;
  trafficEngine.addingStack.push_back(ac.hexId);
  if (!endsWithMark(ac.callsign)) gf_ghostCheck(ac.callsign);
}

void lf_initialAttitude(LiveAc& ac) {
  const PositionSample& front = ac.samples.front();
  ac.lat = front.lat;
  ac.lon = front.lon;
  ac.altitude = front.airborne ? front.altitude : groundAltitudeFt(ac, front);
  ac.tas = front.tas;
  ac.verticalSpeed = front.verticalSpeed / 60.0;
  ac.pitch = front.airborne ? gf_pitchTargetRad(front.verticalSpeed) : groundPitchDeg * radiansPerDegree;
  ac.bank = front.rollValid ? front.roll : 0.0;
  double heading = 0.0;
  if (ac.headingOverrideSet) {
    heading = ac.headingOverride;
  } else if (ac.phase == AcPhase::Parked) {
    heading = ac.standHeading;
  } else if (ac.samples.size() < 2 || ac.samples[1].standing) {
    heading = front.track * radiansPerDegree;
  } else {
    heading = gf_initialBearing(gf_positionOf(front), gf_positionOf(ac.samples[1]));
    // Met while pushed back: the nose is where its report says, the tail leads (turned later, it would swing round).
    const PositionSample& next = ac.samples[1];
    if (!front.airborne && !next.airborne && (next.evidence & evidencePushed) != 0)
      heading = gf_reportedNose(next).value_or(heading);
  }
  heading = std::fmod(heading, twoPi);
  if (heading < 0.0) heading += twoPi;
  if (heading > 6.283185307178586) heading = 0.0;
  ac.heading = heading;
  ac.closeToUser = 0;
}

} // namespace gwr
