// The take-off and landing roll scenarios' shared ground: the runway, the way
// rows are laid along it, what a case expects, and the four tables of cases.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/geo.h"
#include "traffic/movement/real_traffic_rows.h"

namespace gwr::rollscenario {

using testsupport::fieldFt;
using testsupport::Row;

inline constexpr double runwayDeg = 248.4;             // runway 25C
inline const LatLon runwayPoint{50.044804, 8.585892};  // on its centreline

inline LatLon ahead(LatLon from, double bearingDeg, double metres) {
  return gf_destinationPoint(from, bearingDeg * radiansPerDegree, metres / 0.3048);
}

// Rows `every` seconds apart from `from` along a bearing at a steady pace
// (what the positions show), each reporting `reportedKt`.
inline void straight(std::vector<Row>& rows, double t0, LatLon from, double bearingDeg, double paceKt, double seconds,
              double every, double reportedKt) {
  for (double t = 0.0; t <= seconds + 1e-9; t += every)
    rows.push_back({t0 + t, ahead(from, bearingDeg, paceKt * 0.514444 * t), fieldFt, reportedKt, 0, true});
}

// The point on 25C's centreline abeam the holds beside it.
inline const LatLon abeamHold = ahead(runwayPoint, 68.4, 500.0);

// Rows every `every` seconds from `from` along a bearing, the speed going
// from kt0 to kt1 at `ktPerS` (evenly), the positions as that speed moves them.
// Returns where it ends.
inline LatLon evenly(std::vector<Row>& rows, double t0, LatLon from, double bearingDeg, double kt0, double kt1, double ktPerS,
              double every) {
  const double seconds = std::fabs(kt1 - kt0) / ktPerS, sign = kt1 >= kt0 ? 1.0 : -1.0;
  double t = 0.0;
  for (; t <= seconds + 1e-9; t += every) {
    const double kt = kt0 + sign * ktPerS * t, metres = (kt0 + kt) / 2.0 * 0.514444 * t;
    rows.push_back({t0 + t, ahead(from, bearingDeg, metres), fieldFt, kt, 0.0, true});
  }
  return rows.back().at;
}

// Rows `every` seconds round an arc about `centre` at `radius` metres, the
// bearing from the centre going from `fromDeg` by `turnDeg` (signed), at kt.
inline LatLon arc(std::vector<Row>& rows, double t0, LatLon centre, double radius, double fromDeg, double turnDeg, double kt,
           double every) {
  const double seconds = std::fabs(turnDeg) * radiansPerDegree * radius / (kt * 0.514444);
  for (double t = every; t <= seconds + 1e-9; t += every)
    rows.push_back({t0 + t, ahead(centre, fromDeg + turnDeg * t / seconds, radius), fieldFt, kt, 0.0, true});
  return ahead(centre, fromDeg + turnDeg, radius);
}

// Each ground row's report sent up to noiseM off its path, any way (the same on every platform).
inline void scatterOnTheGround(std::vector<Row>& rows, double noiseM) {
  testsupport::SameDraws draws{2463534242u};
  const auto next = [&draws] { return draws.next(); };
  for (Row& r : rows) {
    const double bearing = 360.0 * next(), metres = noiseM * std::sqrt(next());
    if (r.ground) testsupport::sentOff(r, bearing, metres);
  }
}

// Feed silences: one, and a second later on.
struct Outage { double from = -1.0, to = -1.0, thenFrom = -1.0, thenTo = -1.0; };

// How the simulator's object should have moved, read by the motion check.
struct Expect {
  double groundKt = 0.0;            // > 0: never off the ground, never faster outside a roll
  double liftOffBy = -1.0;          // >= 0: one object, off the ground by then after a straight roll
  bool keptThroughLanding = false;  // one object, never removed, on the ground at the end
  double slowingFromS = -1.0, slowingToS = -1.0;  // touchdown to below 30 kt within these seconds
  double courseDeg = runwayDeg;     // of the roll, when it lifts off
  double reappearsAloftAfterS = -1.0;  // >= 0: removed then (+5 s), not moved meanwhile; created again in the air
  double behindAtMostS = -1.0;      // >= 0: no report reached later than this, none unreached
  int unreachedAtMost = 0;          // ...or at most these (reached only after the next one was due)
  double smoothAloftFromS = -1.0;   // >= 0: from then on airborne, never sinking, its speed steady
  bool turnsOnTheGround = false;    // nose along its path, never backwards
  double changeKtPerS = 1e9;  // on the ground, the speed over a second changes at most this much a second
  double changeFromS = 0.0;   // (from then on)
  double changeToS = 1e9;     // (until then)
  double slowChangeKtPerS = 1e9;  // ...and where either speed is a slow taxi's (25 kt or less)
  double fastestKt = 1e9;     // never faster on the ground
  double fastestFromS = 0.0;  // (from then on)
  double stillFromS = -1.0, stillToS = 1e9;  // >= 0: slower than a walk from then (until then)
  double keepKt = 0.0, keepFromS = 0.0, keepToS = 0.0;  // at least keepKt meanwhile
  bool normal = false;        // nothing the motion check finds wrong
  double goneByS = -1.0;      // >= 0: removed by then, on the ground at a taxi's pace
  bool staysAloft = false;    // never on the ground
  double downAtMostS = -1.0;  // >= 0: never longer on the ground at a time
  bool staysDown = false;     // once on the ground, never off it again
  double downShortAtMostM = -1.0;  // >= 0: touches down no farther short of where its reports do
  double downLongAtMostM = 1e9;    // ...nor farther beyond it
  bool rollsOnTheLine = false;  // on the ground at a roll's pace: on the runway's line, nose and path along it
  LatLon lineThrough = abeamHold;  // that line
  double lineUntilS = 1e9;         // until then
  double lineDeg = 5.0;            // path and nose at most this far off its bearing
};
inline Expect normal(Expect e) { e.normal = true; return e; }
inline Expect smooth(Expect e, double ktPerS, double fastestKt = 1e9, double stillFromS = -1.0) {
  e.changeKtPerS = ktPerS;
  e.fastestKt = fastestKt;
  e.stillFromS = stillFromS;
  return e;
}
inline Expect keeps(Expect e, double kt, double fromS, double toS) {
  e.keepKt = kt;
  e.keepFromS = fromS;
  e.keepToS = toS;
  return e;
}
inline Expect goneBy(Expect e, double s) { e.goneByS = s; return e; }
inline Expect staysAloft() { Expect e; e.staysAloft = true; return e; }
inline Expect bounces(double downAtMostS) { Expect e = smooth(Expect{}, 13.0, 128.0 * 1.1); e.downAtMostS = downAtMostS; return e; }
inline Expect grounded(double kt) { Expect e; e.groundKt = kt; return e; }
inline Expect liftsOff(double by) { Expect e; e.liftOffBy = by; return e; }
inline Expect keptThroughLanding() { Expect e; e.keptThroughLanding = true; return e; }
inline Expect landsOnce(double groundKt) {
  Expect e = keptThroughLanding();
  e.groundKt = groundKt;
  e.staysDown = true;
  return e;
}
inline Expect slowsIn(double from, double to) { Expect e; e.slowingFromS = from; e.slowingToS = to; return e; }
inline Expect liftsOff(double by, double courseDeg) { Expect e = liftsOff(by); e.courseDeg = courseDeg; return e; }
inline Expect reappearsAloft(double after) { Expect e; e.reappearsAloftAfterS = after; return e; }
inline Expect keptUpWith(double lagS) { Expect e; e.behindAtMostS = lagS; return e; }
inline Expect keptUpWith(Expect e, double lagS, int unreached = 0) {
  e.behindAtMostS = lagS;
  e.unreachedAtMost = unreached;
  return e;
}
inline Expect smoothAloft(double from) { Expect e; e.smoothAloftFromS = from; return e; }
inline Expect downShortAtMost(Expect e, double metres, double longMetres = 1e9) {
  e.downShortAtMostM = metres;
  e.downLongAtMostM = longMetres;
  return e;
}
inline Expect onTheLine(Expect e, LatLon through = abeamHold, double untilS = 1e9) {
  e.rollsOnTheLine = true;
  e.lineThrough = through;
  e.lineUntilS = untilS;
  return e;
}

// Taxiing across 25C at kt, square to it (turned: after 300 m along it and a
// right turn of 40 m radius onto the crossing), a row every `every` seconds,
// its positions noiseM off along and across by turns.
inline std::vector<Row> taxiAcrossTheRunway(double noiseM, double every = 1.0, double kt = 25.0, bool turned = false) {
  std::vector<Row> rows;
  const double crossDeg = runwayDeg + 90.0, radius = 40.0, alongM = 300.0;
  const LatLon from = ahead(runwayPoint, crossDeg + 180.0, 600.0);
  double t = 0.0;
  if (turned) {
    const LatLon centre = ahead(from, crossDeg + 90.0, radius), turnAt = ahead(centre, crossDeg + 180.0, radius);
    straight(rows, 0.0, ahead(turnAt, crossDeg + 90.0, alongM), crossDeg - 90.0, kt, alongM / (kt * 0.514444), every, kt);
    t = alongM / (kt * 0.514444);
    arc(rows, t, centre, radius, crossDeg + 180.0, 90.0, kt, every);
    t += radius * M_PI / 2.0 / (kt * 0.514444);
  }
  straight(rows, t, from, crossDeg, kt, 1200.0 / (kt * 0.514444), every, kt);
  for (std::size_t i = 1; i + 1 < rows.size(); ++i) {
    testsupport::sentOff(rows[i], crossDeg, i % 2 ? noiseM : -noiseM);
    testsupport::sentOff(rows[i], runwayDeg, (i / 2) % 2 ? noiseM : -noiseM);
  }
  return rows;
}
// Across at the reports' speed and a little more, never seconds behind them.
inline Expect crosses(double kt, bool normalMotion = true, int unreached = 0) {
  Expect e = keptUpWith(grounded(kt * 1.3), 30.0 + 2.0, unreached);
  e.normal = normalMotion;
  return e;
}

struct RollCase {
  const char* name;
  std::string text;
  Outage outage;
  double seconds;
  Expect expect;
  double stampJitterS = 0.0;  // each line's time stamp moved by up to this, either way
  // Every 7th line (the 4th, the 11th...) stamped this far after the one sent
  // before it (negative: before it; 0: none), still sent at its own time.
  double slipFromBeforeS = 0.0;
};

// The cases of the table, each played from the scenario header given:
// take-offs with the holds before them, taxis and crossings, landings, and
// landings around a silence in their reports.
std::vector<RollCase> takeOffRollCases(const std::string& header);
std::vector<RollCase> taxiRollCases(const std::string& header);
std::vector<RollCase> landingRollCases(const std::string& header);
std::vector<RollCase> landingGapRollCases(const std::string& header);

} // namespace gwr::rollscenario
