// Steering an AI aircraft's controls (flaps, throttle, spoilers, gear, lights,
// parked configuration) and taking it out of the simulator or the queues.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "traffic/simclient/sim_commands.h"

namespace gwr {

// The simulator state of a live or static aircraft record.
enum class AcSimState : std::uint32_t { Buffer = 0, Adding2Sim = 1, Active = 2, LiveryRespawn = 3, RemovingFromSim = 4 };

inline constexpr std::uint32_t newFlapsIndex = 4;     // sends like 0 but differs from it
inline constexpr std::uint32_t newThrottleIndex = 5;  // outside the table: the first setting always goes
inline constexpr std::uint32_t rotorcraftCategory = 5;

// The fields of an aircraft record that its control reads and writes.
struct AiControlled {
  std::uint32_t objectId = 0;
  std::uint32_t hexid = 0;
  std::uint32_t category = 0;
  std::uint32_t throttleIndex = newThrottleIndex;
  std::uint32_t flapsIndex = newFlapsIndex;
  bool cargo = false;
  AcSimState simState = AcSimState::Buffer;
  std::uint32_t standId = 0;
  bool erase = false;
  bool removeWhenCreated = false;
  bool removedWhileQueued = false;
  std::string label;  // the aircraft's usual label in the log
};

// On its creation report: true, with the mark cleared, when the aircraft was
// marked for removal after the client had identified its object, so the
// client did not remove it and it must go now.
bool gf_takeLateRemoval(AiControlled& aircraft);

void gf_setFlaps(AiControlled& aircraft, std::uint32_t index);
void gf_setThrottle(AiControlled& aircraft, std::uint32_t index);
void gf_setSpoilers(AiControlled& aircraft, std::uint32_t on);
void gf_setGear(AiControlled& aircraft, std::uint8_t down);
void gf_setParkedConfig(AiControlled& aircraft);

// The traffic thread's own queues that a removal may reach.
struct TrafficQueues {
  std::vector<AiCreateRequest>& liveCreations;
  std::vector<AiCreateRequest>& staticCreations;
  std::vector<std::uint32_t>& removals;  // one id every 10 ticks goes to the removal queue
};

// Called for a live aircraft leaving the simulator: its stand's live
// assignment and the callsign choice of the main window are the shell's.
using LiveRemovalHook = void (*)(const AiControlled& aircraft);
void gf_installLiveRemovalHook(LiveRemovalHook hook);
LiveRemovalHook gf_liveRemovalHook();  // the one installed, or none

void removeAircraftFromSim(AiControlled& aircraft, TrafficQueues& queues);
// A live record about to be erased, active before or not (refused by the
// simulator, removed while its creation was queued): it leaves its stand too.
void gf_liveRecordErased(const AiControlled& aircraft);

} // namespace gwr
