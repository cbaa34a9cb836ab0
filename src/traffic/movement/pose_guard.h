// Keeps NaN and infinite values away from the simulator: a move that gives
// no finite pose falls back to the last sound one, logged once per aircraft.
#pragma once

#include "traffic/engine/live_ac.h"

namespace gwr {

struct SoundPose {
  double lat, lon, pitch, bank, heading, altitude;
};

inline SoundPose gf_soundPose(const LiveAc& ac) { return {ac.lat, ac.lon, ac.pitch, ac.bank, ac.heading, ac.altitude}; }
bool gf_poseFinite(const SoundPose& pose);
// After a tick's move: restores before (and stops the aircraft) when the pose is not finite.
void gf_keepSoundPose(LiveAc& aircraft, const SoundPose& before);
// After a position step: rates that are not finite stop the aircraft where it is.
void lf_checkRates(LiveAc& aircraft);

} // namespace gwr
