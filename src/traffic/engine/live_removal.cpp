// Removal rules of live aircraft and the traffic thread's handling of the
// simulator's feedback: creation, removal, ground data, CG data, refusals.
#include "traffic/engine/live_removal.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <numbers>

#include "core/clock.h"
#include "core/file_maintenance.h"
#include "core/geo.h"
#include "core/log.h"
#include "core/run_state.h"
#include "core/settings_catalogue.h"
#include "liveries/livery_shell.h"
#include "liveries/refused_liveries.h"
#include "platform/ui/controls.h"
#include "traffic/engine/engine_hooks.h"
#include "traffic/engine/status_files.h"
#include "traffic/engine/traffic_engine.h"
#include "traffic/feed/tick_clock.h"
#include "traffic/movement/ground_steering.h"
#include "traffic/movement/runway_phases.h"
#include "traffic/simclient/sim_client_constants.h"
#include "traffic/simclient/sim_commands.h"
#include "traffic/simclient/sim_ids.h"

namespace gwr {

namespace {

constexpr double pi = std::numbers::pi;
constexpr std::uint32_t fullLever = 100;  // percent
struct TouchdownLevers {
  double spoilers, throttle1, throttle2;  // percent, the levers definition
};

LatLon userPosition() { return {trafficEngine.user.latitude, trafficEngine.user.longitude}; }

// Where the user stood at the last look on the ground; none at a run's start.
LatLon lastUserOnGround{0.0, 0.0};

double normalisedPi(double angle) {
  angle = std::fmod(angle + pi, 2.0 * pi);
  if (angle < 0.0) angle += 2.0 * pi;
  return angle - pi;
}

void onGroundStart(LiveAc& ac) {
  ac.onGroundConfirmed = 1;
  gf_setGear(ac.sim, 1);
  ac.altitudeRate = 0.0;
  if (ac.phase == AcPhase::Parked) {
    ac.weekTimeParked = weekTime.load();
    gf_log(fmt::format("{:8}: {:8} parks", gf_liveStandName(ac.standNumber), ac.callsign));
    if (const auto hook = gf_trafficEngineHooks().liveParksOnStand) hook(ac);
  }
  ac.rotationSteps = 1;
}

void giveFlightPlan(LiveAc& ac) {
  const auto file = gf_flightPlanPath(ac.sim.objectId);
  bool ok = gf_writeFlightPlan(file, ac);
  if (ok && SimEdition.load()) {
    std::lock_guard lock(simCommandMutex);
    ok = simconnect::succeeded(
        simconnect::AISetAircraftFlightPlan(simHandle, ac.sim.objectId, file.string(), FlightPlanRequest));
  }
  if (!ok) gf_log(fmt::format("{} creating a flight plan failed", ac.flightText()));
  ac.hasFlightPlan = ok ? 1 : 0;
}

void liveCreated(const SimFeedback& f) {
  LiveAc* ac = trafficEngine.findHexid(f.value);
  if (ac == nullptr || f.objectId < lowestObjectId) return;
  ac->sim.objectId = f.objectId;
  if (gf_takeLateRemoval(ac->sim)) {
    gf_removeLiveAc(*ac);
    return;
  }
  ac->heightAboveGround = f.second;
  if (!ac->samples.empty() && !ac->samples.front().airborne) onGroundStart(*ac);
  if (!ac->origin.empty() && !ac->destination.empty()) giveFlightPlan(*ac);
  if (!gf_requestStaticCg(f.objectId)) return;  // the request error ends the run
  trafficEngine.activations.push_back({f, 0});
}

void groundData(const SimFeedback& f) {
  LiveAc* ac = trafficEngine.findObject(f.objectId);
  if (ac == nullptr) return;
  const bool reportsGround = f.value == 1;
  if (reportsGround && !ac->onGroundConfirmed && ac->rotationSteps <= 1 &&
      ac->sim.simState != AcSimState::RemovingFromSim && ac->phase != AcPhase::TakeOff) {
    if (rp_transition(*ac, RunwayEvent::TouchesDown)) {
      ac->touchdownHeading = ac->heading;
      gf_steerFromTouchdown(*ac);
      gf_setSpoilers(ac->sim, 1);
      if (ac->category != AcCategory::Light) {
        const double lever = ac->fsltlLivery ? -double(fullLever) : double(fullLever);
        const TouchdownLevers levers{double(fullLever), lever, lever};
        std::lock_guard lock(simCommandMutex);
        simconnect::SetDataOnSimObject(simHandle, AiLeversDefinition, ac->sim.objectId, 0, 0, sizeof levers, &levers);
      }
      if (ac->touchdownSteps > 0) {
        ac->pitchRate = (ac->groundPitch - ac->pitch) / ac->touchdownSteps;
        ac->bankRate = -ac->bank / ac->touchdownSteps;
      } else {
        gf_log(fmt::format("{} ! onGround slots {:.1f}", ac->liveFullText(), double(ac->touchdownSteps)));
        ac->pitchRate = ac->groundPitch;
        ac->bankRate = 0.0;
      }
      trafficEngine.standWork.push_back(ac->hexId);
    } else {
      rp_transition(*ac, RunwayEvent::SetsDown);
    }
    ac->onGroundConfirmed = 1;
    ac->altitudeRate = 0.0;
    ac->rotationSteps = 1;
  }
  ac->heightAboveGround = f.second;
  if (ac->onGroundConfirmed || ac->rotationSteps >= 2) ac->altitude = f.first + ac->groundCgHeight;
}

void staticCg(const SimFeedback& f) {
  LiveAc* ac = trafficEngine.findObject(f.objectId);
  if (ac == nullptr) return;
  if (f.first >= cgMinFt && f.first <= cgMaxFt) ac->groundCgHeight = f.first;
  ac->groundPitch = f.second;
  if (f.second <= staticPitchMinDeg * radiansPerDegree || f.second > staticPitchMaxDeg * radiansPerDegree)
    ac->groundPitch = staticPitchFallbackDeg * radiansPerDegree;
}

void creationFailed(const SimFeedback& f) {
  if (f.value <= staticHexidLimit) return;  // static aircraft: the static parking's own records
  LiveAc* ac = trafficEngine.findHexid(f.value);
  if (ac == nullptr) return;
  ac->sim.erase = true;
  gf_registerUncreatableLivery(*ac);  // too many refusals end the run
}

// The static parking keeps its own records of static objects.
void staticFeedback(const SimFeedback& f) {
  if (const auto hook = gf_trafficEngineHooks().staticFeedback) hook(f);
}

void handleOne(const SimFeedback& f) {
  switch (f.kind) {
    case FeedbackKind::LiveCreated: liveCreated(f); break;
    case FeedbackKind::StaticCreated:
      trafficEngine.activations.push_back({f, 0});
      staticFeedback(f);
      break;
    case FeedbackKind::Removed:
      gf_removeFlightPlan(f.objectId);
      staticFeedback(f);
      break;
    case FeedbackKind::GroundData: groundData(f); break;
    case FeedbackKind::StaticCg: staticCg(f); break;
    case FeedbackKind::Blocked: lf_handleBlocked(f.value); break;
    case FeedbackKind::CreationFailed:
      creationFailed(f);
      if (f.value <= staticHexidLimit) staticFeedback(f);
      break;
  }
}

void activateLive(LiveAc& ac) {
  const std::uint32_t id = ac.sim.objectId;
  const PositionSample* front = ac.samples.empty() ? nullptr : &ac.samples.front();
  LightValues lights;
  if (front != nullptr && front->airborne) {
    gf_engineAutoStart(id);
    gf_setSpoilers(ac.sim, 0);
    lights.nav = lights.beacon = lights.strobes = 1;
    lights.landing = lights.logo = ac.altitude <= lowAltitudeLightsFt ? 1 : 0;
    lights.cabin = ac.heightAboveGround >= cabinLightsAboveGroundFt ? 1 : 0;
    gf_setLights(id, lights);
  } else {
    gf_setSpoilers(ac.sim, 0);
    const bool parked = ac.phase == AcPhase::Parked;
    if (parked) {
      gf_engineAutoShutdown(id);
      lights.nav = NAV_LIGHTS_WHILE_PARKED.current() ? 1 : 0;
    } else {
      gf_engineAutoStart(id);
      lights.nav = 1;
    }
    lights.beacon = parked ? 0 : 1;
    lights.taxi = ac.phase == AcPhase::Taxi ? 1 : 0;
    lights.logo = lights.cabin = 1;
    gf_setLights(id, lights);
    gf_setThrottle(ac.sim, ac.category == AcCategory::Rotorcraft ? 4 : 0);
    gf_setFlaps(ac.sim, ac.phase == AcPhase::Taxi ? 1 : 0);
  }
  ac.sim.simState = AcSimState::Active;
}

} // namespace

void gf_removeLiveAc(LiveAc& ac) {
  auto queues = trafficEngine.queues();
  removeAircraftFromSim(ac.sim, queues);
  // An object on its way out is no longer offered by the window's look-up.
  if (ac.sim.simState == AcSimState::RemovingFromSim && ac.sim.objectId != 0 &&
      lookedUpObjectId.load() == ac.sim.objectId) {
    lookedUpObjectId.store(0);
    gf_clearCallsignChoices();
  }
}

bool gf_tooCloseAheadOfUser(LiveAc& ac, const TooCloseLimits& limits) {
  const UserState& user = trafficEngine.user;
  const double d = gf_greatCircleDistanceNm(userPosition(), {ac.lat, ac.lon});
  if (d > limits.distanceNm || std::fabs(ac.altitude - user.altitude) >= limits.altitudeFt) return false;
  const double x = normalisedPi(ac.heading - gf_initialBearing(userPosition(), {ac.lat, ac.lon}));
  const double feet = d * feetPerNm;
  if (std::cos(x) * feet <= 0.0 || std::fabs(std::sin(x)) * feet > limits.lateralFt) return false;
  gf_removeLiveAc(ac);
  return true;
}

void gf_removeNearUserInAir() {
  const UserState& user = trafficEngine.user;
  for (LiveAc& ac : trafficEngine.live) {
    if (ac.sim.simState != AcSimState::Active) continue;
    if (user.heightAboveGround <= userLowFt) {
      if (!ac.onGroundConfirmed) continue;
      const double d = gf_greatCircleDistanceNm(userPosition(), {ac.lat, ac.lon});
      const double side = std::fabs(std::sin(gf_initialBearing(userPosition(), {ac.lat, ac.lon}) - user.heading)) *
                          d * feetPerNm;
      if (d <= groundNearUserNm && side <= groundLineOffsetFt) {
        gf_removeLiveAc(ac);
        return;
      }
    } else if (gf_tooCloseAheadOfUser(ac, tooCloseLimits[0])) {
      return;
    }
  }
}

void gf_removeNearUserOnGround() {
  const double userHalfSpan = gf_userAircraftKind().halfWingspanNm;
  for (LiveAc& ac : trafficEngine.live) {
    if (ac.sim.simState != AcSimState::Active || !ac.onGroundConfirmed) continue;
    if (gf_greatCircleDistanceNm(userPosition(), {ac.lat, ac.lon}) <=
        userGroundSpanFactor * (userHalfSpan + ac.halfWingspan)) {
      gf_removeLiveAc(ac);
      return;
    }
  }
  // Static parked aircraft give way only to a user that moves over them.
  const LatLon user = userPosition();
  const bool moved = std::fabs(user.latitude - lastUserOnGround.latitude) > samePositionDeg ||
                     std::fabs(user.longitude - lastUserOnGround.longitude) > samePositionDeg;
  lastUserOnGround = user;
  if (!moved) return;
  if (const auto hook = gf_trafficEngineHooks().staticUnderUser) hook();
}

void gf_forgetUserOnGround() { lastUserOnGround = {0.0, 0.0}; }

bool gf_removeFarthestLiveAc(double minDistNm) {
  LiveAc* farthest = nullptr;
  double best = minDistNm;
  // The straight line to an aircraft on a chart of latitude and longitude is
  // a path on the earth no shorter than the great circle, and a degree of
  // longitude along it spans no more than at the user's latitude widened by
  // the latitude it crosses (a cosine changes no faster than its angle).
  // Where that path is no farther than the farthest so far, neither is the
  // aircraft, and the trigonometry is left out: a newcomer at the limit has
  // every aircraft measured.
  const LatLon user = userPosition();
  const double userCos = std::cos(user.latitude * radiansPerDegree);
  const double nmPerDeg = earthRadiusNm * radiansPerDegree;
  for (LiveAc& ac : trafficEngine.live) {
    if (ac.sim.simState != AcSimState::Active) continue;
    if (farthest != nullptr || minDistNm >= 0.0) {
      const double northDeg = ac.lat - user.latitude;
      const double widest = std::min(1.0, userCos + std::fabs(northDeg) * radiansPerDegree);
      const double eastDeg = gf_normalLongitude(ac.lon - user.longitude) * widest;
      const double reachDeg = (best + farthestMarginNm) / (1.0 + farthestBoundSlack) / nmPerDeg;
      if (northDeg * northDeg + eastDeg * eastDeg <= reachDeg * reachDeg) continue;
    }
    const double d = gf_greatCircleDistanceNm(user, {ac.lat, ac.lon});
    if ((minDistNm < 0.0 && farthest == nullptr) || d > best + farthestMarginNm) {
      farthest = &ac;
      best = d;
    }
  }
  if (farthest == nullptr) return true;
  gf_removeLiveAc(*farthest);
  return false;
}

void liveryRespawn(LiveAc& ac) {
  try {
    if (ac.samples.empty()) return;
    PositionSample copy = ac.samples.front();
    if (ac.phase != AcPhase::Parked) {
      PositionSample& front = ac.samples.front();
      front.standing = std::fabs(front.lat - ac.lat) <= samePositionDeg && std::fabs(front.lon - ac.lon) <= samePositionDeg;
      copy.lat = ac.lat;
      copy.lon = ac.lon;
      copy.altitude = ac.altitude;
      copy.roll = ac.bank;
      copy.rollValid = 1;
    } else {
      ac.samples.resize(1);
      ac.samples.front().standing = 1;
      ac.samples.front().track = ac.heading / radiansPerDegree;
      copy.standing = 1;
    }
    copy.dueTick = tickCount.load() + 1;
    ac.samples.push_front(copy);
    ac.sim.simState = AcSimState::LiveryRespawn;
    ac.headingOverride = ac.heading;
    ac.headingOverrideSet = 1;
    if (lookedUpObjectId.load() == ac.sim.objectId && ac.sim.objectId != 0) gf_clearCallsignChoices();
    if (ac.sim.objectId == 0) {
      gf_log(fmt::format("{} removing act {} with objectid=0 ?", "liveryRespawn", ac.liveFullText()));
    } else {
      trafficEngine.queuedRemovals.push_back(ac.sim.objectId);
    }
  } catch (const std::exception& e) {
    gf_log(fmt::format("{}: {}", "liveryRespawn", e.what()));
  }
}

void lf_handleFeedback() {
  // Taken out under the feedback mutex, handled after it is released: the
  // handling writes files and calls the simulator.
  gf_takeFeedback(trafficEngine.feedback);
  for (const SimFeedback& f : trafficEngine.feedback) handleOne(f);
  trafficEngine.feedback.clear();
  if (!trafficEngine.activations.empty()) lf_activateCreated();
}

void lf_activateCreated() {
  auto& list = trafficEngine.activations;
  for (Activation& waiting : list) {
    ++waiting.ticks;
    if (waiting.feedback.kind != FeedbackKind::LiveCreated) {
      // The static parking keeps its own records: it activates them.
      const auto hook = gf_trafficEngineHooks().staticActivation;
      if (waiting.ticks == activationTicks && hook != nullptr) hook(waiting.feedback);
      continue;
    }
    LiveAc* ac = trafficEngine.findHexid(waiting.feedback.value);
    if (ac == nullptr) continue;
    if (waiting.ticks == lightToggleTick1 || waiting.ticks == lightToggleTick2)
      gf_queueAiEvent(ac->sim.objectId, AllLightsToggle, 0);
    if (waiting.ticks >= activationTicks && ac->sim.simState == AcSimState::Adding2Sim && !ac->sim.removeWhenCreated)
      activateLive(*ac);
  }
  std::erase_if(list, [](const Activation& a) {
    return a.ticks >= activationTicks || (a.feedback.kind == FeedbackKind::LiveCreated &&
                                          trafficEngine.findHexid(a.feedback.value) == nullptr);
  });
}

void gf_removeFlightPlan(std::uint32_t objectId) {
  LiveAc* ac = trafficEngine.findObject(objectId);
  if (ac == nullptr) return;  // static aircraft: the static parking erases its own
  if (ac->sim.simState == AcSimState::LiveryRespawn) {
    ac->backToBuffer();
    return;
  }
  if (ac->hasFlightPlan) {
    std::error_code error;
    gf_removePath(gf_flightPlanPath(objectId), error);
    if (error) gf_log(fmt::format("gf_removeFlightPlan: {}", error.message()));
  }
  ac->sim.erase = true;
}

void lf_handleBlocked(std::uint32_t hexid) {
  LiveAc* ac = trafficEngine.findHexid(hexid);
  if (ac == nullptr) return;
  if (ac->sim.simState == AcSimState::Buffer) {
    gf_log(fmt::format("{} {} will be removed from buffer while blocked", gf_nowTimeOfDay(), ac->liveFullText()));
    ac->sim.erase = true;
  } else if (ac->sim.simState == AcSimState::Active) {
    gf_log(fmt::format("{} removed from simulator immediately while blocked", ac->liveFullText()));
    gf_removeLiveAc(*ac);
  }
}

bool gf_refreshCallsignChoices() {
  std::vector<std::string> names;
  for (const LiveAc& ac : trafficEngine.live) {
    if (ac.sim.simState == AcSimState::Active && ac.phase != AcPhase::Parked) names.push_back(ac.callsign);
  }
  std::sort(names.begin(), names.end());
  const bool any = !names.empty();
  if (!any) names.emplace_back();
  callsignChoices->replace(std::move(names));
  gf_fillCallsignCombo();
  if (any) {
    gf_enableControl(CALLSIGN_2_OBJECTID, true);
    // With the callsign box usable, "Block" waits until a callsign is chosen.
    if (!platform::gf_controlSurface().isEnabled(BLOCK_CALLSIGN.controlId)) gf_enableControl(BLOCK_BUTTON, true);
  }
  return any;
}

void gf_clearCallsignChoices() {
  callsignChoices->replace({std::string()});
  gf_fillCallsignCombo();
  // "cs->oid:" stays: it fills the list again.
  gf_enableControl(CALLSIGN_2_OBJECTID, false);
  gf_enableControl(BLOCK_BUTTON, false);
}

std::string gf_parksOverStaticLine(const std::string& stand, const std::string& callsign,
                                   const std::string& staticCallsign) {
  // The log is UTF-8 throughout: the dash is U+2014, not a Windows-1252 byte.
  return fmt::format("{:8}: {:8} parks over static {} {} static will be removed", stand, callsign, staticCallsign, logDash);
}

} // namespace gwr
