// The way a slow aircraft's positions go, fitted over all its recent slow
// reports: a push-back judged from many noisy reports at once, not from one
// short leg that their noise may turn any way.
#pragma once

namespace gwr {

struct LiveAc;
struct PositionSample;

// Running sums of a line fitted through positions over time, the older
// reports weighing less (each one's weight halves over pushWayHalfLifeSeconds).
struct PushWay {
  double originLat = 0.0, originLon = 0.0;  // the first position, and its time
  double originTime = 0.0, lastTime = 0.0;
  double w = 0.0, wt = 0.0, wtt = 0.0, wx = 0.0, wy = 0.0, wxt = 0.0, wyt = 0.0;
};

// A ground report r that came (`time` its feed time stamp), kept or not: at
// a push's speed as its feed says (its noisy legs may look faster) it joins
// the fit, faster it starts it afresh. Not yet created, and its nose given as
// a heading: when the fit shows it goes tail first, surely, it is pushed
// from its first report on (first seen while pushed, created tail first).
void gf_noteSlowWay(LiveAc& aircraft, const PositionSample& r, double time);
// Its slow reports go, at a push's pace, more than `deg` degrees off the
// nose (radians), `sure` times beyond what their noise could make of a standstill.
bool gf_slowWayAgainst(const LiveAc& aircraft, double noseRad, double deg, double sure);

} // namespace gwr
