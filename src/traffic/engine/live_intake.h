// Intake of traffic records into live aircraft: routing, acceptance, the
// buffer state, spawning with the livery matcher, and the per-tick update.
#pragma once

#include <string>

#include "traffic/engine/live_ac.h"
#include "traffic/feed/traffic_record.h"

namespace gwr {

void lf_routeTrafficRecord(TrafficRecord& record);
void lf_acceptTrafficRecord(TrafficRecord& record);
void lf_newLiveAc(TrafficRecord& record);
void decodeExisting(LiveAc& aircraft, PositionSample& report);
void lf_handleBuffer(LiveAc& aircraft);
void spawnLiveAc(LiveAc& aircraft);
// One tick of one aircraft; true when it is to be erased after the walk.
bool updateLiveAc(LiveAc& aircraft);


// The initial pitch, bank and heading from the front reports.
void lf_initialAttitude(LiveAc& aircraft);

// The stand choice at birth for an aircraft first reported on the ground;
// true when it was given a stand (then it is parked there). Installed by the
// stand logic; without one no stand is found.
using BirthStandChoice = bool (*)(LiveAc& aircraft);
void gf_installBirthStandChoice(BirthStandChoice choice);
BirthStandChoice gf_birthStandChoice();  // the one installed, or none

} // namespace gwr
