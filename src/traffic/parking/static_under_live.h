// Static parked aircraft that give way to a live one created on their stand
// and to the user aircraft moving on the ground over them.
#pragma once

#include "traffic/engine/live_ac.h"

namespace gwr {

// A live aircraft created parked holds its stand: the stand's parked-file
// entries go, and a static aircraft standing there is removed with a line.
void gf_liveParksOnStand(const LiveAc& aircraft);
// Removes the first active static aircraft whose wings the user aircraft touches.
void gf_removeStaticUnderUser();

} // namespace gwr
