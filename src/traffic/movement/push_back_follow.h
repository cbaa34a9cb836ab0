// A push-back from a stand timed by its reports: the speed of its made-up
// path, and where the reports show the push going elsewhere than that path.
#pragma once

#include <cstdint>

#include "traffic/engine/live_ac.h"

namespace gwr {

// The speed a push-back pushNm long is flown at when `leaving` (the report
// that made it leave the stand) starts it: its reports' speed (at least a
// walk), a little faster while behind them, never faster than a push-back.
// `startTick` is when the push starts: when the reports started moving, as
// their speed and the way they have come tell, and not before now.
struct PushBackTiming {
  double kt = 0.0;
  std::int32_t startTick = 0;
};
PushBackTiming gf_pushBackTiming(const LiveAc& aircraft, const PositionSample& leaving, double pushNm);
// True when report r, made while the aircraft is pushed back, shows the push
// going elsewhere than its made-up path: off that path (another direction or
// farther back) while it is flown, behind the aircraft once it is over.
bool gf_pushGoesElsewhere(const LiveAc& aircraft, const PositionSample& r);
// Ends the made-up push where the aircraft is: it goes on tail first towards
// its reports, r the next of them.
void gf_endPushAtReports(LiveAc& aircraft, PositionSample& r);

} // namespace gwr
