// Where a holder's unreported take-off roll starts: on the line of its next
// report, after a backtrack when that lies behind it.
#pragma once

#include <optional>
#include <vector>

#include "core/geo.h"
#include "traffic/engine/live_ac.h"

namespace gwr {

// Speed the positions of a and b show over their due ticks, knots; none (0)
// when b is not due after a (a leg re-timed or made up in between).
double gf_shownKt(const PositionSample& a, const PositionSample& b);

struct HoldRollLine {
  LatLon start;           // where the roll starts, on the report's line
  double courseRad = 0.0;  // the report's track: the roll's direction
  double lineNm = 0.0;     // from the start along the line to the report
  double lineUpNm = 0.0;   // from the hold to the start
};

// The line through report r along its track. The roll starts at the point of
// that line nearest the hold, when that lies behind the report and, for a
// report not ahead of the hold (after a backtrack), leaves the roll to
// liftOffKt its runway; else it starts that far back from the report.
std::optional<HoldRollLine> gf_holdRollLine(const PositionSample& hold, const PositionSample& r, double liftOffKt,
                                            bool ahead);

// A ground report at the take-off roll's speed, farther than a holder may
// come back from the last report, whose track points back the way it came:
// it went on, turned round and rolls (a backtrack nobody reported).
bool gf_turnedBackToRoll(const PositionSample& last, const PositionSample& r);

// A made-up taxi point on the way from the hold to the line's start, and the
// track it is reached on (radians).
struct LineUpPoint {
  LatLon at;
  double trackRad = 0.0;
};

// From the hold onto the line's start: square onto the runway from a queue
// far beside it, round a half circle when the start lies the other way (a
// U-turn at the roll's start would be no turn an aircraft makes), else straight.
std::vector<LineUpPoint> gf_lineUpPath(const PositionSample& hold, const HoldRollLine& line, bool fromQueue);

// How far the hold lies beside the line through r along its track (nm).
double gf_holdOffLineNm(const PositionSample& hold, const PositionSample& r);

// Seconds the holder needs to taxi to the line's start and roll up to r.
double gf_holdRollSeconds(const HoldRollLine& line, const PositionSample& r, double liftOffKt);

// A report behind or beside where the aircraft holds (it waits there, silent)
// that can only be the same departure after a backtrack: rolling, and reached
// at taxi speed and rolled up to within the silence since it began to hold.
bool gf_backtrackedToRoll(const LiveAc& aircraft, const PositionSample& r, double liftOffKt);

} // namespace gwr
