// Stands of the park airport for live aircraft: the stand search with its fit
// rules, the conflicts with aircraft already there, and the stands' runtime flags.
#pragma once

#include <cstdint>
#include <string>

#include "airports/stand_record.h"
#include "core/geo.h"
#include "traffic/engine/live_ac.h"
#include "traffic/movement/ground_movement.h"
#include "traffic/simclient/ai_control.h"

namespace gwr {

// The user's own stand at the park airport (empty = none); the park-airport
// driver sets it. Traffic thread only.
extern std::string reservedStandName;

// Binary search on the stand number; nullptr below 1 or for an unknown number.
StandRecord* gf_standByNumber(std::int64_t number);
// "sid==0?" for 0, "sid==?" for a number no stand has.
std::string gf_standName(std::int64_t number);

// True when two aircraft with these half wingspans (nm) at stands this far apart touch.
bool gf_wingsCollide(double halfSpanA, double halfSpanB, double distanceNm);
bool gf_standFitsAircraft(const StandRecord& stand, const LiveAc& aircraft);

// The nearest fitting stand within radiusNm of position; with wide, a stand the
// flight used before up to 85 m away when none is nearer. May shrink a too
// small stand's radius.
StandRecord* gf_findStandAt(const LatLon& position, const LiveAc& aircraft, double radiusNm, bool wide);
// The stand under the user aircraft when it is on the ground, else empty.
std::string gf_userStandName(const LatLon& position);
// A new stand table: the remembered user stand belongs to the old one.
void gf_forgetUserStand();

// The stand choice for an aircraft born on the ground; true when it stands at
// its stand now (stand data copied into it). May set its erase flag.
bool gf_standAtBirth(LiveAc& aircraft);
bool gf_resolveStandOccupant(std::int64_t standNumber, const std::string& newcomer);
bool gf_overlapAllowsParking(std::int64_t overlapNumber, const LiveAc& aircraft, const StandRecord& stand);
// A taxiing aircraft takes a stand near its newest report; true when it did
// (phase parking: the ground movement then drives it there).
bool try2Park(LiveAc& aircraft, bool wide);
void gf_removeAdjacentParked(std::int64_t overlapNumber, const LiveAc& aircraft, const StandRecord& stand);
// Removes what stands at the user's reserved stand: a static aircraft first.
void gf_clearReservedStand(const std::string& name);

// A cargo aircraft at a stand not marked cargo marks the stand cargo.
void gf_updateStandCargo(LiveAc& aircraft);
void gf_setStandLiveAssigned(std::int64_t standNumber, bool assigned);
void gf_markStandStaticOccupied(StandRecord& stand);
// A live aircraft leaves the simulator: its stand is free once no other live
// aircraft holds it.
void gf_releaseLiveStand(const AiControlled& leaving);
// The movement's word on an aircraft at its stand: marks and frees the stand
// and learns the stay; false when it arrives at a stand another one holds.
bool lf_standEvent(LiveAc& aircraft, StandEvent event);
void gf_countStandUpdate();

// Installs the birth choice and the removal hook into the engine.
void gf_installStandChoice();

} // namespace gwr
