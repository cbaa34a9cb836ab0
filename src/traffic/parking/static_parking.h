// Static parked aircraft made one at a time from the parked-file entries the
// plan leaves, the limits on parked aircraft, their twins and their counts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "refdata/livery_key.h"
#include "traffic/engine/live_ac.h"
#include "traffic/simclient/sim_commands.h"

namespace gwr {

// A planned stand with the flight it is to show.
struct ParkedEntry {
  std::uint32_t standNumber = 0;
  std::int32_t parkedHalfHours = 0;  // how long it has stood there already
  LivKey codes;
  std::string callsign1, callsign2, registration;
  bool secondCallsignFirst = false;  // the plan's own entries show the second callsign
};

struct ParkedLive {
  std::string callsign;
  std::int32_t standNumber = 0;
  std::int64_t minutesSilent = 0;
  std::int32_t slotsParked = 0;  // half-hours since it parked
  bool operator<(const ParkedLive& other) const { return minutesSilent < other.minutesSilent; }
};

inline constexpr std::int64_t silentParkedMinutes = 90;
inline constexpr std::int64_t silentParkedMinutesHeavy = 180;

// Traffic thread only. Entries are taken from the back.
extern std::vector<ParkedEntry> parkedEntries;
extern std::vector<ParkedLive> parkedLive;
extern std::int32_t maxParkCount;  // the wanted number of parked aircraft, static and live

// Makes one static aircraft from the last entry; true when one was queued.
bool lf_detcs();
// The simulator's word on a static object: created, removed, or refused.
void gf_handleStaticFeedback(const SimFeedback& f);
// 2 s after its creation: the static object becomes active in its parked configuration.
void gf_activateStatic(const SimFeedback& created);
// At most one live and one static aircraft go when too many are parked.
void gf_enforceMaxPark(std::uint8_t newcomers);
void gf_collectParkedLive();
void gf_removeStaticTwins(const LiveAc& aircraft);
void lf_removeStaticTwinsOfParked();
// A live aircraft moving on the ground removes the first static one its wings touch.
void gf_checkLiveOverStatic();
// One such aircraft's check (none during a take-off roll or touchdown); its position is kept as checked.
void lf_checkStaticOverlap(LiveAc& aircraft);
void gf_setStaticNavLights(std::uint32_t nav);
// Static aircraft active or being removed.
std::size_t gf_countStaticParked();
// Live aircraft active and parked.
std::size_t gf_countLiveParked();
// The window's mean parked times of both, in hours; the statistics band is
// repainted when one changed.
void gf_refreshParkedTimes();

} // namespace gwr
