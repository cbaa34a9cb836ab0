// Callsigns of live aircraft: taking a new one, the ghost a marked callsign
// leaves behind, and whether a callsign is already flown.
#pragma once

#include <string>

#include "traffic/engine/live_ac.h"

namespace gwr {

// A callsign ending in the mark '_' is a ghost's.
bool endsWithMark(const std::string& callsign);
// With its copy and label.
void takeCallsign(LiveAc& aircraft, const std::string& callsign);
void gf_ghostCheck(const std::string& callsign);
bool gf_callsignInUse(const std::string& callsign);

} // namespace gwr
