// Static parked aircraft at the park airport's stands: their record, and the
// way they make room for live aircraft or leave with the park airport.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "airports/stand_record.h"
#include "refdata/aircraft_description.h"
#include "traffic/engine/live_ac.h"
#include "traffic/simclient/ai_control.h"

namespace gwr {

inline constexpr std::uint32_t staticHexidWrap = 10000;  // static hexids run 0..9999

struct StaticAc : AcDescription {
  explicit StaticAc(const AcIdentity& identity) : AcDescription(identity) {}

  AiControlled sim;
  std::string pairedCallsign1, pairedCallsign2;
  double standLat = 0.0, standLon = 0.0, standHeading = 0.0;  // degrees, radians
  std::uint64_t weekTimeParked = 0;                           // (slot << 32) | weekday
  std::int32_t standNumber = 0;
  bool drop = false;  // taken out of the creation queue; erased at the next sweep
};

// Traffic thread only; room for staticReserve reserved at start-up (gf_reserveParkingLists).
extern std::vector<StaticAc> staticAircraft;

// Trailing "_" removed, then "*" appended unless the text ends in one.
std::string gf_staticCallsign(std::string text);
// The next static hexid, wrapping at 10000.
std::uint32_t gf_nextStaticHexid();

// Takes the aircraft out of the simulator, or its request out of the queue.
void gf_removeStatic(StaticAc& aircraft);
// Active or being removed: it stands at its stand.
bool gf_staticParked(const StaticAc& aircraft);
// Erases the records marked drop, keeping the order of the others.
void gf_sweepDroppedStatic();

// The static aircraft at the stand and colliding ones at its overlaps go.
void gf_staticMakesWay(const LiveAc& aircraft, const StandRecord& stand);
void gf_staticMakesWayAtOverlap(const LiveAc& aircraft, std::int64_t overlapNumber, const StandRecord& stand);
// Removes the first active static aircraft at the stand; true when one went.
// The active static aircraft standing at the stand, or nullptr.
StaticAc* gf_activeStaticAt(std::int64_t standNumber);
bool gf_removeStaticAt(std::int64_t standNumber);
void gf_removeAllStatic();

} // namespace gwr
