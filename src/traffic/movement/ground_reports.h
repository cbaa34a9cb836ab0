// New reports of placed aircraft checked against the movement they join
// (push-back, stand, landing, ground), and holding while the feed is silent.
#pragma once

#include <optional>

#include "traffic/engine/live_ac.h"

namespace gwr {

// False refuses the report; it may change the report (standing, speed) and the stream.
bool checkExtendingSituations(LiveAc& aircraft, PositionSample& report);
// The ground report check alone (standing or moving, refused during a roll),
// also asked for the reports of an aircraft not yet placed.
bool gf_groundReportCheck(LiveAc& aircraft, PositionSample& report);
// A new report r after the newest n of an aircraft on the ground: it starts
// a take-off roll, or a touch-and-go's roll after a touchdown.
void gf_takeOffOnNewReport(LiveAc& aircraft, const PositionSample& n, const PositionSample& r);
// A ground report r, `seconds` after the feed's last ground report `last`,
// farther from it than the aircraft could have gone on the ground (and than
// a holder may come back): a jump of the reported position.
bool gf_groundJump(const LiveAc& aircraft, const PositionSample& last, const PositionSample& r, double seconds);
// A holding aircraft next reported in the air ahead of it (within 90 degrees
// of its heading) has taken off: its roll was not reported.
bool gf_airborneAheadOfHold(const LiveAc& aircraft, const PositionSample& report);
// Its roll from where it holds: reports of an even acceleration up to a
// lift-off point short of the airborne report, which is retimed to follow them.
void gf_rollFromHold(LiveAc& aircraft, PositionSample& report);
// The ground rules of the stream extension: arrival at the stand, holding.
// None when the general extension applies; else whether the stream was extended.
std::optional<bool> lf_extendOnGround(LiveAc& aircraft);

} // namespace gwr
