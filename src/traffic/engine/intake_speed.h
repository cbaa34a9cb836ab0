// The speed of a new report weighed against the stream it joins: a stale
// speed its own positions contradict, and a speed change no aircraft makes.
#pragma once

#include "traffic/engine/live_ac.h"

namespace gwr {

// A ground report whose own positions contradict its speed (a stale speed
// the feed repeats while the aircraft stands or creeps) gets the speed its
// positions show, `dt` seconds after the aircraft's last report: such a speed
// must neither start a take-off roll nor drive a taxi leg. True when the
// speed was replaced.
bool gf_trustPositionsOverStaleSpeed(const LiveAc& aircraft, PositionSample& report, double dt);
// A buffered aircraft's first report, whose speed no positions could weigh
// yet: when the second's positions gave it a slower speed than the feed's,
// the first, as fast, was as stale and takes that speed too.
void gf_firstReportLikeSecond(LiveAc& aircraft, const PositionSample& second);
// A change from speed a to speed b (kt) in dt seconds that no aircraft makes
// (lifting off allows a faster gain): a glitch of the feed.
bool gf_speedJump(double a, double b, double dt, bool liftOff);

} // namespace gwr
