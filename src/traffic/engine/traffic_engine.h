// The traffic engine's state on the traffic thread (live aircraft, adding
// stack, queues, activation list) and the clocks and flags of its schedule.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "traffic/engine/live_ac.h"
#include "traffic/engine/live_slots.h"
#include "traffic/simclient/ai_control.h"
#include "traffic/simclient/sim_commands.h"
#include "traffic/simclient/user_aircraft.h"

namespace gwr {

// A created object waiting to be activated, with its tick counter.
struct Activation {
  SimFeedback feedback;
  std::int32_t ticks = 0;
};

// Everything the traffic thread alone owns.
struct TrafficEngine {
  std::vector<LiveAc> live;
  std::vector<std::uint32_t> addingStack;     // hexids, last in first out
  std::deque<std::uint32_t> standWork;        // hexids for stand learning, one a second
  std::vector<std::uint32_t> queuedRemovals;  // object ids, one every 10 ticks
  std::vector<AiCreateRequest> queuedLiveCreations;
  std::vector<AiCreateRequest> queuedStaticCreations;
  std::vector<std::string> ghostCallsigns;
  std::vector<SimFeedback> feedback;
  std::vector<Activation> activations;
  UserState user;  // the traffic thread's copy of the user state
  bool flightPaused = false;
  std::int32_t pausedPassCount = 0;

  TrafficQueues queues() { return {queuedLiveCreations, queuedStaticCreations, queuedRemovals}; }
  LiveAc* findHexid(std::uint32_t hexid) { return hexidSlots.find(live, hexid); }
  LiveAc* findObject(std::uint32_t objectId) { return objectId == 0 ? nullptr : objectSlots.find(live, objectId); }

  // The feedback looks up every aircraft in range each fifth of a second.
  LiveSlots hexidSlots{[](const LiveAc& a) { return a.hexId; }};
  LiveSlots objectSlots{[](const LiveAc& a) { return a.sim.objectId; }};
};

extern TrafficEngine trafficEngine;

// Farther than unknownPositionDeg from 0, 0 in latitude or longitude.
bool gf_knownUserPosition(const UserState& user);

extern std::atomic<std::int32_t> secondCount;               // engine seconds, one per user on-ground reply
extern std::atomic<std::uint64_t> weekTime;      // (slot << 32) | weekday
extern std::atomic<bool> liveLimitRequested;     // MAX_LIVE_SEL lowered by the user
extern std::atomic<bool> blockChangeRequested;   // BLOCK_CALLSIGN changed by the user
extern std::atomic<bool> callsignChoicesRequested;
extern std::atomic<bool> objectIdLookupPending;
extern std::atomic<bool> noMatchResetRequested;
extern std::atomic<bool> navLightsRequested;     // NAV_LIGHTS_WHILE_PARKED changed
extern std::atomic<bool> flushStaticRequested;   // "Flush static"
// An announced static-parking update: the first 15-second look collects the
// feed's callsigns, the next one adjusts the static aircraft.
extern std::atomic<bool> staticUpdateRequested;
extern bool staticUpdateCollecting;
extern std::atomic<bool> parkControlsDisabled;  // while an update is under way

// Disables the park controls, tells when the update comes and requests it.
void lf_announceStaticParkingUpdate();
void gf_disableParkControls();
void gf_enableParkControls();
extern std::atomic<std::uint32_t> lookedUpObjectId;  // for the window's cs->oid field

// Engine init: reserves the containers once per process.
void gf_reserveTrafficContainers();
// Empties all traffic state before a restart; capacities stay.
void gf_resetTraffic();

// The steps of a running pass, in their order (public for the bench).
void lf_handleAddingStack();
void lf_updateLiveAircraft();  // updateLiveAc for each, then the erased go
// Erases the live records for which leaves is true; each leaves its stand first.
void gf_eraseLiveWhere(bool (*leaves)(const LiveAc&));
void lf_swapPositions();
void lf_takeTrafficRecords();  // at most two
void lf_popAddingStack();
void lf_releaseQueuedRequests();
void lf_periodicRequests();
void lf_everySecond();
void lf_every5Seconds();
void lf_every15Seconds();
void lf_flightNotRunning();

// One pass of the loop; false ends the loop.
bool lf_tick();
// The loop itself (10 ms period on a steady clock); returns when lf_tick does.
void lf_tickLoop();
// The loop's cadence: when to wake for the pass due at deadline, and the
// deadline after a pass that woke at wake.
std::chrono::steady_clock::time_point gf_tickWakeTime(std::chrono::steady_clock::time_point deadline,
                                                      std::chrono::steady_clock::time_point now);
std::chrono::steady_clock::time_point gf_nextTickDeadline(std::chrono::steady_clock::time_point wake,
                                                          std::chrono::steady_clock::time_point now,
                                                          bool userReplyPending);
// Before the loop: waits for a running flight and a known user position;
// false on a stop. pause stands in for the waits (tests run in simulated time).
using WaitPause = void (*)(std::chrono::milliseconds);
bool lf_waitForUserAircraft(WaitPause pause = nullptr);

} // namespace gwr
