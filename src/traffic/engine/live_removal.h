// How live aircraft leave the simulator (too close to the user, too many,
// blocked, respawned with another livery) and the handling of what the
// simulator reports back about created, removed and grounded objects.
#pragma once

#include <cstdint>
#include <string>

#include "traffic/engine/engine_constants.h"
#include "traffic/engine/live_ac.h"

namespace gwr {

// Removes the aircraft from the simulator or from the creation queues; when
// it was the one looked up by callsign, the look-up and its choices are reset.
void gf_removeLiveAc(LiveAc& aircraft);

// True when the aircraft is ahead of the user within the limits; then it is removed.
bool gf_tooCloseAheadOfUser(LiveAc& aircraft, const TooCloseLimits& limits);
void gf_removeNearUserInAir();
void gf_removeNearUserOnGround();
// A new run: the user's first look on the ground counts as a move.
void gf_forgetUserOnGround();
// Removes the active aircraft farthest from the user beyond minDistNm (any
// distance when negative); true when none was found.
bool gf_removeFarthestLiveAc(double minDistNm);
void liveryRespawn(LiveAc& aircraft);

// Drains the simulator's feedback and then activates created objects.
void lf_handleFeedback();
void lf_activateCreated();
void gf_removeFlightPlan(std::uint32_t objectId);
void lf_handleBlocked(std::uint32_t hexid);

// The "cs->oid" choice of the main window: the sorted callsigns of active,
// not parked live aircraft. True when not empty.
bool gf_refreshCallsignChoices();
void gf_clearCallsignChoices();

// The log line of a live aircraft that parks over a static one (UTF-8 dash).
std::string gf_parksOverStaticLine(const std::string& stand, const std::string& callsign,
                                   const std::string& staticCallsign);

} // namespace gwr
