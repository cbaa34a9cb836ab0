// The speed of a new report weighed against the stream it joins: a speed
// change no aircraft makes, and a buffered first report as stale as the second.
#pragma once

#include "traffic/engine/live_ac.h"

namespace gwr {

// A buffered aircraft's first report, whose speed no positions could weigh
// yet: when the second's positions gave it a slower speed than the feed's,
// the first, as fast, was as stale and takes that speed too.
void gf_firstReportLikeSecond(LiveAc& aircraft, const PositionSample& second);
// A change from speed a to speed b (kt) in dt seconds that no aircraft makes
// (lifting off allows a faster gain): a glitch of the feed.
bool gf_speedJump(double a, double b, double dt, bool liftOff);

} // namespace gwr
