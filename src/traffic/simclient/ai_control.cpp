// AI object control: lever and light events queued for the next frame, the
// parked configuration, and removal from the simulator or the queues.
#include "traffic/simclient/ai_control.h"

#include <fmt/format.h>

#include <array>
#include <atomic>
#include <random>

#include "core/log.h"
#include "core/random.h"
#include "core/settings_catalogue.h"
#include "traffic/simclient/sim_client_constants.h"
#include "traffic/simclient/sim_commands.h"
#include "traffic/simclient/sim_ids.h"

namespace gwr {
namespace {

constexpr std::array<std::uint32_t, 5> flapsValues{0, 3072, 10240, 16383, 0};
constexpr std::array<std::uint32_t, 5> throttleValues{0, 4914, 8191, 11468, 16383};
constexpr std::uint32_t cabinLightsChances = 10;  // one in ten parked aircraft keeps its cabin dark
constexpr std::uint32_t cabinLightsOnBelow = 9;

std::atomic<LiveRemovalHook> liveRemovalHook{nullptr};

bool isRotorcraft(const AiControlled& aircraft) { return aircraft.category == rotorcraftCategory; }

} // namespace

bool gf_takeLateRemoval(AiControlled& aircraft) {
  if (!aircraft.removeWhenCreated || !lf_takeRemoveWhenCreated(aircraft.hexid)) return false;
  aircraft.removeWhenCreated = false;
  return true;
}

void gf_setFlaps(AiControlled& aircraft, std::uint32_t index) {
  if (index >= flapsValues.size()) {
    gf_logError("gf_setFlaps: invalid flaps index");
    return;
  }
  if (index == aircraft.flapsIndex || isRotorcraft(aircraft)) return;
  aircraft.flapsIndex = index;
  gf_queueAiEvent(aircraft.objectId, FlapsSet, flapsValues[index]);
}

void gf_setThrottle(AiControlled& aircraft, std::uint32_t index) {
  if (index == aircraft.throttleIndex) return;
  aircraft.throttleIndex = index;
  if (index < throttleValues.size()) gf_queueAiEvent(aircraft.objectId, ThrottleSet, throttleValues[index]);
}

void gf_setSpoilers(AiControlled& aircraft, std::uint32_t on) {
  if (isRotorcraft(aircraft)) return;
  gf_queueAiEvent(aircraft.objectId, SpoilersSet, on != 0 ? fullScaleEventValue : 0);
}

void gf_setGear(AiControlled& aircraft, std::uint8_t down) {
  if (isRotorcraft(aircraft)) return;
  gf_queueAiEvent(aircraft.objectId, GearSet, down);
}

void gf_setParkedConfig(AiControlled& aircraft) {
  gf_setThrottle(aircraft, 0);
  gf_setFlaps(aircraft, 0);
  gf_engineAutoShutdown(aircraft.objectId);
  std::uint32_t cabin = 1;
  if (aircraft.cargo) {
    cabin = 0;
  } else if (RANDOM.current()) {
    std::uniform_int_distribution<std::uint32_t> draw(0, cabinLightsChances - 1);
    cabin = draw(gf_threadRandomEngine()) <= cabinLightsOnBelow - 1 ? 1 : 0;
  }
  LightValues lights;
  lights.nav = NAV_LIGHTS_WHILE_PARKED.current() ? 1 : 0;
  lights.logo = 1;
  lights.cabin = cabin;
  gf_setLights(aircraft.objectId, lights);
}

void gf_installLiveRemovalHook(LiveRemovalHook hook) { liveRemovalHook.store(hook); }
LiveRemovalHook gf_liveRemovalHook() { return liveRemovalHook.load(); }

void gf_liveRecordErased(const AiControlled& aircraft) {
  if (aircraft.hexid <= staticHexidLimit) return;
  if (auto hook = liveRemovalHook.load()) hook(aircraft);
}

void removeAircraftFromSim(AiControlled& aircraft, TrafficQueues& queues) {
  if (aircraft.simState == AcSimState::Buffer) {
    aircraft.erase = true;
    return;
  }
  if (aircraft.removeWhenCreated) return;
  // One whose object id is known is in the simulator, waiting for its
  // activation: its creation has been reported, so a mark to remove it then
  // would never be acted on. It goes at once, as an active one does.
  if (aircraft.simState == AcSimState::Adding2Sim && aircraft.objectId == 0) {
    if (gf_dropQueuedCreations(queues.liveCreations, aircraft.hexid) ||
        gf_dropQueuedCreations(queues.staticCreations, aircraft.hexid)) {
      aircraft.removedWhileQueued = true;
    } else {
      aircraft.removeWhenCreated = true;
      gf_removeWhenCreated(aircraft.hexid);
    }
    return;
  }
  if (aircraft.hexid > staticHexidLimit) {
    if (auto hook = liveRemovalHook.load()) hook(aircraft);
  }
  aircraft.simState = AcSimState::RemovingFromSim;
  if (aircraft.objectId == 0) {
    gf_logError(fmt::format("removeAircraftFromSim removing act {}, with objectid=0 ?", aircraft.label));
    return;
  }
  queues.removals.push_back(aircraft.objectId);
}

} // namespace gwr
