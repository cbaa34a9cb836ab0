// What the traffic loop calls of work that lives elsewhere: the park airport
// and static parking, stand learning, and the main window's per-second
// display and automatic range. Unset hooks do nothing, so the live traffic
// runs on its own; the program's wiring sets every one of them.
#pragma once

#include <cstdint>

#include "traffic/engine/live_ac.h"
#include "traffic/simclient/sim_commands.h"

namespace gwr {

struct LiveAc;

struct TrafficEngineHooks {
  void (*parkAirportDriver)(bool start) = nullptr;   // at loop start and every 16 s
  void (*staticTwinCheck)() = nullptr;               // every 61 s
  bool (*placeStaticAircraft)() = nullptr;           // at creation slots without a live one; true when it placed
  void (*standWork)(std::uint32_t hexid) = nullptr;  // one stand-work entry a second
  void (*everySecondDisplay)() = nullptr;            // message-line counter, live counts
  void (*pausedDisplay)() = nullptr;                 // live counts while no flight runs
  void (*reservedStandCheck)() = nullptr;            // every 5 s of a running flight, before every5Seconds
  void (*every5Seconds)() = nullptr;                 // the "Re-read" request, also while paused
  void (*autoRange)() = nullptr;                     // every 30 s while AUTO_RANGE is on
  void (*everyMinute)() = nullptr;                   // static renewal countdown
  void (*liveOverStatic)() = nullptr;                // moving live aircraft over static ones, every second
  void (*staticNavLights)(std::uint32_t nav) = nullptr;  // the static aircraft's nav lights
  void (*staticFeedback)(const SimFeedback& f) = nullptr;  // created, removed or failed static objects
  void (*staticActivation)(const SimFeedback& created) = nullptr;  // a static object 2 s after its creation
  void (*removeAllStatic)() = nullptr;                     // the "Flush static" request
  void (*staticUpdate)() = nullptr;                        // the adjustments of an announced update
  void (*parkControls)(bool enabled) = nullptr;            // the window's park controls
  void (*liveParksOnStand)(const LiveAc& aircraft) = nullptr;  // created parked: the stand is its own
  void (*staticUnderUser)() = nullptr;                     // the user moved on the ground over static aircraft
  void (*standUseBeforeNewKey)(LiveAc& aircraft) = nullptr;  // a parked aircraft is about to change identity
};

void gf_installTrafficEngineHooks(const TrafficEngineHooks& hooks);
const TrafficEngineHooks& gf_trafficEngineHooks();

} // namespace gwr
