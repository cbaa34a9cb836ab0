// The user's stand for the simulator client's thread: it looks up the stand
// under the user aircraft in a copy of the park airport's stand positions, and
// hands the stand to keep as the user's reserved one to the traffic thread.
#pragma once

#include <string>

namespace gwr {

// Traffic thread: the stand table was read or emptied.
void gf_publishUserStandSpots();
// Any thread: the nearest stand within reach of the position, or "".
std::string lf_standAtPosition(double latitude, double longitude);
// Any thread: the stand the user aircraft stands at, to be kept as reserved.
void lf_reserveUserStand(const std::string& standId);
// Traffic thread: a waiting reservation becomes the park airport's reserved
// stand in my_park_airports.txt when the front entry is the park airport.
void gf_takeUserStandReservation();
// Installs the two into the simulator client.
void gf_installUserStandHooks();

} // namespace gwr
