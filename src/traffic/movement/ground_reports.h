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

// A roll over: the taxi's smoothing limits, the earlier one no narrower than
// how far the aircraft runs ahead of its queued reports' times (narrowed at
// once, its next leg would wait that out at a crawl).
void gf_narrowSmoothing(LiveAc& aircraft);
// A new report r after the newest n of an aircraft on the ground: it starts
// a take-off roll, or a touch-and-go's roll after a touchdown.
void gf_takeOffOnNewReport(LiveAc& aircraft, const PositionSample& n, const PositionSample& r);
// A report this far (nm) from where an aircraft held is farther than a
// holder may come back: beyond HOLDING_THRESHOLD_METERS.
bool gf_beyondHoldingThreshold(double distanceNm);
// The speed of a ground report reported at reportedKt whose positions show it
// faster, at shownKt: a roll the feed itself reports goes at the shown speed,
// anything slower at most at a taxi's (position noise can lift a taxi this
// much too).
double gf_speedShownKt(double reportedKt, double shownKt);
// A holding aircraft next reported ahead of it (within 90 degrees of its
// heading) in the air, or on the ground at the take-off roll's speed, has
// started its take-off: the start of its roll was not reported.
bool gf_rollStartedAheadOfHold(const LiveAc& aircraft, const PositionSample& report);
// Its roll from where it holds (started here when the report did not start
// it): reports of an even acceleration up to the report's speed (at most the
// take-off speed; the take-off speed for an airborne report without one)
// short of the report, which is retimed to follow them.
void gf_rollFromHold(LiveAc& aircraft, PositionSample& report);
// The ground rules of the stream extension: arrival at the stand, holding.
// None when the general extension applies; else whether the stream was extended.
std::optional<bool> lf_extendOnGround(LiveAc& aircraft);

} // namespace gwr
