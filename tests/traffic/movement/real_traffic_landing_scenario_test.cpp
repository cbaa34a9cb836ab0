// Landings from recorded airport traffic: rapid exits, roll-outs that turn
// round or crab, bounces, go-arounds and touch-and-goes (silences: the gap table).
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/geo.h"
#include "traffic/movement/real_traffic_roll.h"
#include "traffic/movement/real_traffic_rows.h"

namespace gwr {
namespace {

using namespace rollscenario;
using testsupport::fieldFt;
using testsupport::Row;
using testsupport::scenarioText;
using testsupport::sentOff;

// Landed on 25C, rolled out to the runway's end, turned round and back-
// tracked 1 km on it at 15 kt, then turned off south.
constexpr double backtrackLandingS = 239.0;
std::vector<Row> landingThatBacktracks() {
  std::vector<Row> rows;
  const LatLon start{50.103262, 8.830174};
  const LatLon down = ahead(start, runwayDeg, (160.0 + 135.0) / 2.0 * 0.514444 * 239.0);
  rows.push_back({0.0, start, 3598.0, 160.0, -850.0, false});
  rows.push_back({backtrackLandingS - 30.0, ahead(start, runwayDeg, 147.0 * 0.514444 * 209.0), fieldFt + 300.0,
                  135.0, -700.0, false});
  rows.push_back({backtrackLandingS, down, fieldFt, 130.0, 0.0, true});
  const LatLon slow = ahead(down, runwayDeg, (130.0 + 15.0) / 2.0 * 0.514444 * 45.0);
  rows.push_back({backtrackLandingS + 45.0, slow, fieldFt, 15.0, 0.0, true});
  const LatLon turned = ahead(ahead(slow, runwayDeg, 30.0), runwayDeg - 90.0, 30.0);
  rows.push_back({backtrackLandingS + 60.0, turned, fieldFt, 8.0, 0.0, true});
  const LatLon back = ahead(turned, runwayDeg - 180.0, 1000.0);
  rows.push_back({backtrackLandingS + 60.0 + 1000.0 / (15.0 * 0.514444), back, fieldFt, 15.0, 0.0, true});
  rows.push_back({rows.back().time + 40.0, ahead(back, runwayDeg - 90.0, 300.0), fieldFt, 15.0, 0.0, true});
  return rows;
}

// Down on 25C at 125 kt, braking 2.5 kt a second to 20 kt and turning off
// south, reported every `every` seconds; every `badEvery`-th report `jumpM`
// metres off to the north.
std::vector<Row> landingWithJumpingPositions(double every, std::size_t badEvery, double jumpM) {
  std::vector<Row> rows;
  const LatLon start = ahead(runwayPoint, runwayDeg + 180.0, 135.0 * 0.514444 * 120.0);
  for (double t = 0.0; t < 120.0; t += every)
    rows.push_back({t, ahead(start, runwayDeg, 135.0 * 0.514444 * t), fieldFt + 700.0 * (120.0 - t) / 60.0, 135.0,
                    -700.0, false});
  const LatLon slow = evenly(rows, 120.0, runwayPoint, runwayDeg, 125.0, 20.0, 2.5, every);
  straight(rows, rows.back().time + every, ahead(slow, runwayDeg + 90.0, 20.0), runwayDeg + 90.0, 20.0, 120.0, every, 20.0);
  const std::size_t down = static_cast<std::size_t>(120.0 / every);
  for (std::size_t i = down + 3; i < rows.size(); ++i)
    if (i % badEvery == 0) rows[i].at = ahead(rows[i].at, 0.0, jumpM);
  return rows;
}

// Final approach on 25C, down at 135 kt, braking (3 kt a second) to 55 kt, off
// the runway on a rapid exit 30 degrees right at 55 kt, slowing to 20 kt there.
std::vector<Row> rapidExit() {
  std::vector<Row> rows;
  const LatLon start{50.103262, 8.830174};
  const LatLon low = ahead(start, runwayDeg, (160.0 + 135.0) / 2.0 * 0.514444 * 239.0);
  rows.push_back({0.0, start, 3598.0, 160.0, -850.0, false});
  rows.push_back({239.0, low, fieldFt + 400.0, 135.0, -700.0, false});
  const LatLon down = ahead(low, runwayDeg, 135.0 * 0.514444 * 40.0);
  const LatLon exitAt = evenly(rows, 279.0, down, runwayDeg, 135.0, 55.0, 3.0, 2.0);
  const LatLon onExit = ahead(exitAt, runwayDeg + 30.0, 55.0 * 0.514444 * 12.0);
  rows.push_back({rows.back().time + 12.0, onExit, fieldFt, 55.0, 0.0, true});
  evenly(rows, rows.back().time + 2.0, ahead(onExit, runwayDeg + 30.0, 54.0 * 0.514444 * 2.0), runwayDeg + 30.0,
         53.0, 20.0, 3.0, 2.0);
  rows.push_back({rows.back().time + 60.0, ahead(rows.back().at, runwayDeg + 30.0, 20.0 * 0.514444 * 60.0), fieldFt,
                  20.0, 0.0, true});
  return rows;
}

// Final approach on 25C, down at 135 kt, braking 5 kt a second to exitKt
// and off the runway exitDeg right (a corner at one report, or round an arc
// of radiusM), slowing 3 kt a second to 20 kt there; its roll-out reported
// every `every` seconds, noiseM off along and across by turns.
struct RapidExit { double exitDeg = 30.0, exitKt = 55.0, radiusM = 0.0; };
std::vector<Row> rapidExitBraking(double every, double noiseM, RapidExit exit = {}) {
  std::vector<Row> rows;
  const LatLon start{50.103262, 8.830174};
  const LatLon low = ahead(start, runwayDeg, (160.0 + 135.0) / 2.0 * 0.514444 * 239.0);
  rows.push_back({0.0, start, 3598.0, 160.0, -850.0, false});
  rows.push_back({239.0, low, fieldFt + 400.0, 135.0, -700.0, false});
  LatLon exitAt = evenly(rows, 279.0, ahead(low, runwayDeg, 135.0 * 0.514444 * 40.0), runwayDeg, 135.0, exit.exitKt,
                         5.0, every);
  const double exitDeg = runwayDeg + exit.exitDeg;
  if (exit.radiusM > 0.0)
    exitAt = arc(rows, rows.back().time, ahead(exitAt, runwayDeg + 90.0, exit.radiusM), exit.radiusM, runwayDeg - 90.0,
                 exit.exitDeg, exit.exitKt, every);
  const LatLon onExit = ahead(exitAt, exitDeg, exit.exitKt * 0.514444 * every);
  if (exit.exitKt > 20.0) evenly(rows, rows.back().time + every, onExit, exitDeg, exit.exitKt, 20.0, 3.0, every);
  else straight(rows, rows.back().time + every, onExit, exitDeg, exit.exitKt, 20.0, every, exit.exitKt);
  for (std::size_t i = 2; i < rows.size(); ++i)
    rows[i].at = ahead(ahead(rows[i].at, runwayDeg, i % 2 == 0 ? noiseM : -noiseM), runwayDeg + 90.0,
                       (i / 2) % 2 == 0 ? noiseM : -noiseM);
  const double lastKt = std::min(exit.exitKt, 20.0);
  rows.push_back({rows.back().time + 60.0, ahead(rows.back().at, exitDeg, lastKt * 0.514444 * 60.0), fieldFt, lastKt,
                  0.0, true});
  return rows;
}

// As a feed gives a landing roll: seen twice low and fast, then on the
// runway at 116 kt, braking 3 kt a second to 20 kt; its positions 10 m off
// along and across by turns at points 1 to 5 s apart, its speed frozen at
// 116 kt for 10 s.
std::vector<Row> bornInALandingRollAsFed() {
  std::vector<Row> rows;
  rows.push_back({0.0, ahead(runwayPoint, runwayDeg, -125.0 * 0.514444 * 6.0), fieldFt + 60.0, 128.0, -600.0, false});
  rows.push_back({3.0, ahead(runwayPoint, runwayDeg, -122.0 * 0.514444 * 3.0), fieldFt + 25.0, 124.0, -500.0, false});
  constexpr double gaps[] = {1.0, 4.0, 2.0, 5.0, 3.0, 1.0, 5.0, 2.0}, noiseM = 10.0;
  double t = 0.0;
  for (std::size_t i = 0; t <= 32.0 + 60.0; t += gaps[i++ % 8]) {
    const double brakeS = std::min(t, 32.0);
    const double metres = (116.0 - 1.5 * brakeS) * brakeS * 0.514444 + 20.0 * 0.514444 * (t - brakeS);
    const double kt = t < 10.0 ? 116.0 : std::max(20.0, 116.0 - 3.0 * t);
    rows.push_back({6.0 + t, ahead(runwayPoint, runwayDeg, metres), fieldFt, kt, 0.0, true});
    sentOff(rows.back(), runwayDeg, i % 2 == 0 ? noiseM : -noiseM);
    sentOff(rows.back(), runwayDeg + 90.0, i % 3 == 0 ? noiseM : -noiseM / 2.0);
  }
  return rows;
}

// First reported on the runway rolling out at 116 kt, braking 3 kt a second to a taxi at 20 kt.
std::vector<Row> bornInALandingRoll() {
  std::vector<Row> rows;
  const LatLon slow = evenly(rows, 0.0, runwayPoint, runwayDeg, 116.0, 20.0, 3.0, 2.0);
  rows.push_back({rows.back().time + 60.0, ahead(slow, runwayDeg + 30.0, 20.0 * 0.514444 * 60.0), fieldFt, 20.0, 0.0,
                  true});
  return rows;
}

// Final approach on 25C at 132 kt, reported every `every` seconds from 400 ft:
// down to lowestFt over the field; with `touches`, one ground report there at
// 128 kt, then climbing away at 1500 ft/min, gathering speed to 150 kt.
constexpr double shortFinalS = 239.0;
std::vector<Row> lowMissedApproach(double lowestFt, bool touches, double every) {
  std::vector<Row> rows;
  const LatLon start{50.103262, 8.830174};
  const LatLon low = ahead(start, runwayDeg, (160.0 + 132.0) / 2.0 * 0.514444 * shortFinalS);
  rows.push_back({0.0, start, 3598.0, 160.0, -850.0, false});
  const double descentS = (400.0 - lowestFt) / (700.0 / 60.0);
  double t = 0.0;
  for (; t < descentS; t += every)
    rows.push_back({shortFinalS + t, ahead(low, runwayDeg, 132.0 * 0.514444 * t), fieldFt + 400.0 - 700.0 / 60.0 * t,
                    132.0, -700.0, false});
  const double lowFt = touches ? 0.0 : lowestFt;
  rows.push_back({shortFinalS + t, ahead(low, runwayDeg, 132.0 * 0.514444 * t), fieldFt + lowFt, 128.0,
                  touches ? 0.0 : -200.0, touches});
  for (double up = every; up <= 60.0; up += every) {
    const double kt = std::min(150.0, 128.0 + 2.0 * up);
    const double metres = 132.0 * 0.514444 * t + (128.0 + kt) / 2.0 * 0.514444 * up;
    rows.push_back({shortFinalS + t + up, ahead(low, runwayDeg, metres), fieldFt + lowFt + 1500.0 / 60.0 * up, kt,
                    1500.0, false});
  }
  return rows;
}

// Final approach on 25C, down at 135 kt, braking 3 kt a second to 20 kt and
// turning off south; its feed repeats 135 kt for the first 20 s of its roll-out.
std::vector<Row> landingWithAStaleSpeed(bool stale = true) {
  std::vector<Row> rows;
  const LatLon start{50.103262, 8.830174};
  const LatLon low = ahead(start, runwayDeg, (160.0 + 135.0) / 2.0 * 0.514444 * 239.0);
  rows.push_back({0.0, start, 3598.0, 160.0, -850.0, false});
  rows.push_back({239.0, low, fieldFt + 400.0, 135.0, -700.0, false});
  const LatLon slow = evenly(rows, 279.0, ahead(low, runwayDeg, 135.0 * 0.514444 * 40.0), runwayDeg, 135.0, 20.0,
                             3.0, 1.0);
  for (Row& r : rows) r.kt = stale && r.ground && r.time < 299.0 ? 135.0 : r.kt;
  rows.push_back({rows.back().time + 60.0, ahead(slow, runwayDeg + 90.0, 20.0 * 0.514444 * 60.0), fieldFt, 20.0,
                  0.0, true});
  return rows;
}

// Final approach on 25C at 132 kt; three ground reports at 125 kt down the
// runway `every` seconds apart, then climbing away at 1500 ft/min.
std::vector<Row> touchAndGo(double every) {
  std::vector<Row> rows;
  const LatLon start{50.103262, 8.830174};
  const LatLon low = ahead(start, runwayDeg, (160.0 + 132.0) / 2.0 * 0.514444 * shortFinalS);
  rows.push_back({0.0, start, 3598.0, 160.0, -850.0, false});
  double t = 0.0;
  for (; t < 400.0 / (700.0 / 60.0); t += every)
    rows.push_back({shortFinalS + t, ahead(low, runwayDeg, 132.0 * 0.514444 * t), fieldFt + 400.0 - 700.0 / 60.0 * t,
                    132.0, -700.0, false});
  const double downM = 132.0 * 0.514444 * t;
  for (int k = 0; k < 3; ++k)
    rows.push_back({shortFinalS + t + k * every, ahead(low, runwayDeg, downM + 125.0 * 0.514444 * k * every), fieldFt,
                    125.0, 0.0, true});
  const double lastDownS = t + 2.0 * every, lastDownM = downM + 125.0 * 0.514444 * 2.0 * every;
  for (double up = every; up <= 60.0; up += every) {
    const double kt = std::min(150.0, 125.0 + 2.0 * up);
    rows.push_back({shortFinalS + lastDownS + up, ahead(low, runwayDeg, lastDownM + (125.0 + kt) / 2.0 * 0.514444 * up),
                    fieldFt + 1500.0 / 60.0 * up, kt, 1500.0, false});
  }
  return rows;
}

// As bornInALandingRoll, reported every `every` seconds, one report in its
// roll-out 300 m ahead of where it rolls.
std::vector<Row> landingRollWithAJump(double every) {
  std::vector<Row> rows;
  const LatLon slow = evenly(rows, 0.0, runwayPoint, runwayDeg, 116.0, 20.0, 3.0, every);
  sentOff(rows[rows.size() / 2], runwayDeg, 300.0);
  rows.push_back({rows.back().time + 60.0, ahead(slow, runwayDeg + 30.0, 20.0 * 0.514444 * 60.0), fieldFt, 20.0, 0.0,
                  true});
  return rows;
}

// Down on 25C at 130 kt, braking 3 kt a second to 10 kt; it turns round on
// the runway (25 m radius, 8 kt), backtracks 800 m at 15 kt and turns off
// south; reported every `every` seconds, its ground positions noiseM off
// along and across by turns.
std::vector<Row> landingTurnsRoundOnTheRunway(double every, double noiseM) {
  std::vector<Row> rows;
  const LatLon start = ahead(runwayPoint, runwayDeg + 180.0, 135.0 * 0.514444 * 240.0);
  rows.push_back({0.0, start, fieldFt + 2500.0, 140.0, -700.0, false});
  rows.push_back({200.0, ahead(runwayPoint, runwayDeg + 180.0, 135.0 * 0.514444 * 40.0), fieldFt + 400.0, 135.0,
                  -600.0, false});
  const LatLon slow = evenly(rows, 240.0, runwayPoint, runwayDeg, 130.0, 10.0, 3.0, every);
  const LatLon round = arc(rows, rows.back().time, ahead(slow, runwayDeg + 90.0, 25.0), 25.0, runwayDeg - 90.0, 180.0,
                           8.0, every);
  const double backDeg = runwayDeg + 180.0;
  straight(rows, rows.back().time + every, round, backDeg, 15.0, 800.0 / (15.0 * 0.514444), every, 15.0);
  straight(rows, rows.back().time + every, ahead(rows.back().at, backDeg + 90.0, 15.0 * 0.514444 * every),
           backDeg + 90.0, 12.0, 60.0, every, 12.0);
  for (std::size_t i = 2; i < rows.size(); ++i)
    rows[i].at = ahead(ahead(rows[i].at, runwayDeg, i % 2 == 0 ? noiseM : -noiseM), runwayDeg + 90.0,
                       (i / 2) % 2 == 0 ? noiseM : -noiseM);
  return rows;
}

// A crosswind landing: final approach on 25C at 135 kt, its nose reported
// `crabDeg` off its track all the way, down and braking 3 kt a second to
// 20 kt, turning off south; every `every` seconds, ground positions up to noiseM off
// (down at `downS`: off the reports' times, each report's noise is shared with its neighbours).
const LatLon finalStart{50.103262, 8.830174};
const LatLon finalLow = ahead(finalStart, runwayDeg, (160.0 + 135.0) / 2.0 * 0.514444 * 239.0);
const LatLon crabbedTouchdown = ahead(finalLow, runwayDeg, 135.0 * 0.514444 * 40.0);
std::vector<Row> crabbedLanding(double noiseM, double every, double crabDeg, double downS = 279.0) {
  std::vector<Row> rows;
  rows.push_back({0.0, finalStart, 3598.0, 160.0, -850.0, false});
  rows.push_back({239.0, finalLow, fieldFt + 400.0, 135.0, -700.0, false});
  const LatLon slow = evenly(rows, downS, crabbedTouchdown, runwayDeg, 135.0, 20.0, 3.0, every);
  rows.push_back({rows.back().time + 60.0, ahead(slow, runwayDeg + 90.0, 20.0 * 0.514444 * 60.0), fieldFt, 20.0,
                  0.0, true});
  scatterOnTheGround(rows, noiseM);
  for (Row& r : rows) r.headingDeg = std::fmod(runwayDeg + crabDeg + 360.0, 360.0);
  return rows;
}
// A crosswind landing's roll-out, flown until the report before its turn-off begins.
Expect rollsOutOnTheLine(double every, double downS = 279.0) {
  const std::vector<Row> rows = crabbedLanding(0.0, every, 0.0, downS);
  return onTheLine(keptThroughLanding(), crabbedTouchdown, rows[rows.size() - 3].time + 30.0 - 1.0);
}

// Down on 25C at 135 kt at 240 s, braking 3 kt a second to 20 kt and turning
// off south, reported every `every` seconds, its roll-out positions noiseM off
// by turns. `count` of its roll-out reports from the `from`-th on are given in
// the air, the first `ft` over the field and each next `climbFt` higher (a
// glitch; at 35 kt or less any height is the ground). With `frozen` its
// height stops at `ft` on final and stays there through its roll-out.
constexpr double aloftDownS = 240.0;
struct Aloft { std::size_t from = 0, count = 0; double ft = 0.0, climbFt = 0.0; bool frozen = false; };
std::vector<Row> landingReportedAloft(double every, double noiseM, const Aloft& a) {
  std::vector<Row> rows;
  const LatLon start = ahead(runwayPoint, runwayDeg + 180.0, 135.0 * 0.514444 * aloftDownS);
  rows.push_back({0.0, start, fieldFt + 2500.0, 140.0, -700.0, false});
  for (double t = 200.0; t < aloftDownS - 1e-9; t += every) {
    const double ft = 400.0 - 600.0 * (t - 200.0) / 60.0;
    rows.push_back({t, ahead(runwayPoint, runwayDeg + 180.0, 135.0 * 0.514444 * (aloftDownS - t)),
                    fieldFt + (a.frozen ? std::max(ft, a.ft) : ft), 135.0, a.frozen && ft <= a.ft ? 0.0 : -600.0,
                    false});
  }
  const std::size_t down = rows.size();
  const LatLon slow = evenly(rows, aloftDownS, runwayPoint, runwayDeg, 135.0, 20.0, 3.0, every);
  const std::size_t turnOff = rows.size();
  straight(rows, rows.back().time + every, ahead(slow, runwayDeg + 90.0, 20.0 * 0.514444 * every), runwayDeg + 90.0,
           15.0, 90.0, every, 15.0);
  for (std::size_t i = down; i < turnOff; ++i) {
    rows[i].at = ahead(ahead(rows[i].at, runwayDeg, i % 2 == 0 ? noiseM : -noiseM), runwayDeg + 90.0,
                       (i / 2) % 2 == 0 ? noiseM : -noiseM);
    if (i < down + a.from || i >= down + a.from + a.count) continue;
    rows[i].ground = false;
    rows[i].altitudeFt = fieldFt + a.ft + a.climbFt * static_cast<double>(i - down - a.from);
  }
  return rows;
}

// Down on 25C at 132 kt at 240 s, braking 1.5 kt a second for 16 s, then
// rolling again, 2.7 kt a second to 150 kt, and climbing away: a touch-and-go
// with a long run, reported every `every` seconds, its ground positions
// noiseM off along and across by turns.
constexpr double longRunDownS = 240.0;
std::vector<Row> touchAndGoWithALongRun(double every, double noiseM) {
  std::vector<Row> rows;
  const LatLon start = ahead(runwayPoint, runwayDeg + 180.0, 135.0 * 0.514444 * longRunDownS);
  rows.push_back({0.0, start, fieldFt + 2500.0, 140.0, -700.0, false});
  rows.push_back({200.0, ahead(runwayPoint, runwayDeg + 180.0, 135.0 * 0.514444 * 40.0), fieldFt + 400.0, 135.0,
                  -600.0, false});
  const std::size_t down = rows.size();
  const LatLon slow = evenly(rows, longRunDownS, runwayPoint, runwayDeg, 132.0, 108.0, 1.5, every);
  const LatLon fast = evenly(rows, rows.back().time + every, ahead(slow, runwayDeg, 108.0 * 0.514444 * every),
                             runwayDeg, 108.0, 150.0, 2.7, every);
  for (std::size_t i = down; i < rows.size(); ++i)
    rows[i].at = ahead(ahead(rows[i].at, runwayDeg, i % 2 == 0 ? noiseM : -noiseM), runwayDeg + 90.0,
                       (i / 2) % 2 == 0 ? noiseM : -noiseM);
  const double offS = rows.back().time;
  for (double up = every; up <= 60.0; up += every)
    rows.push_back({offS + up, ahead(fast, runwayDeg, 155.0 * 0.514444 * up), fieldFt + 1500.0 / 60.0 * up, 155.0,
                    1500.0, false});
  return rows;
}

// Final approach on 25C, down at 135 kt, braking hard (5.6 kt a second:
// stopped in about 850 m, a short runway's) to 12 kt and off square;
// reported every `every` seconds, ground positions up to noiseM off.
std::vector<Row> shortRunwayLanding(double every, double noiseM) {
  std::vector<Row> rows;
  rows.push_back({0.0, finalStart, 3598.0, 160.0, -850.0, false});
  rows.push_back({239.0, finalLow, fieldFt + 400.0, 135.0, -700.0, false});
  const LatLon slow = evenly(rows, 279.0, crabbedTouchdown, runwayDeg, 135.0, 12.0, 5.6, every);
  straight(rows, rows.back().time + every, ahead(slow, runwayDeg + 90.0, 12.0 * 0.514444 * every), runwayDeg + 90.0,
           12.0, 60.0, every, 12.0);
  scatterOnTheGround(rows, noiseM);
  return rows;
}

// Braking at 5 kt a second from a touchdown flown at about 313 s: 6.5 kt
// in any second of its roll-out, kept through its landing.
Expect brakesAsFed() {
  Expect e = smooth(keptThroughLanding(), 6.5);
  e.changeFromS = 313.0 + 3.0;
  return e;
}

} // namespace

// Add a landing, roll-out or go-around row here; take-offs go in the take-off table,
// landings whose reports fall silent or end in the landing gap table.
std::vector<RollCase> rollscenario::landingRollCases(const std::string& header) {
  return {
      // off the runway at 55 kt for 12 s (its reports flown from 336 s)
      {"landing with a rapid exit at 55 kt", scenarioText(header, rapidExit(), 2.0), {}, 420,
       keeps(smooth(keptThroughLanding(), 13.0), 50.0, 338.0, 346.0)},
      // its speed going evenly from report to report: in no second of its roll-out
      // harsher than the feed's braking (its first leg down is the landing's)
      {"landing braking 5 kt a second to a rapid exit", scenarioText(header, rapidExitBraking(2.0, 0.0), 2.0), {}, 420,
       brakesAsFed()},
      {"landing braking 5 kt a second, every 3 s", scenarioText(header, rapidExitBraking(3.0, 0.0), 3.0), {}, 420,
       brakesAsFed()},
      {"landing braking 5 kt a second, every 3 s 5 m off", scenarioText(header, rapidExitBraking(3.0, 5.0), 3.0), {},
       420, brakesAsFed()},
      // the exit's curve driven as a straight leg of its length is: at the speed
      // its reports' even change gives, not at a pace of its own
      {"landing braking 5 kt a second, every 4 s", scenarioText(header, rapidExitBraking(4.0, 0.0), 4.0), {}, 420,
       brakesAsFed()},
      {"landing braking to a 45 degree exit at 30 kt, every 5 s",
       scenarioText(header, rapidExitBraking(5.0, 0.0, {45.0, 30.0}), 5.0), {}, 420, brakesAsFed()},
      // (braking ahead of the exit's corner to what the corner allows, not all at once in it)
      {"landing braking to a 45 degree exit at 30 kt, every 1.1 s",
       scenarioText(header, rapidExitBraking(1.1, 0.0, {45.0, 30.0}), 1.1), {}, 420, brakesAsFed()},
      {"landing braking to a 45 degree exit at 30 kt, every 1.1 s 5 m off",
       scenarioText(header, rapidExitBraking(1.1, 5.0, {45.0, 30.0}), 1.1), {}, 420, brakesAsFed()},
      {"landing braking to a 45 degree exit at 30 kt, every 2 s 5 m off",
       scenarioText(header, rapidExitBraking(2.0, 5.0, {45.0, 30.0}), 2.0), {}, 420, brakesAsFed()},
      {"landing braking to a 45 degree exit at 55 kt, every 2 s",
       scenarioText(header, rapidExitBraking(2.0, 0.0, {45.0, 55.0}), 2.0), {}, 420, brakesAsFed()},
      // its corner at a report whose track already gives the exit's way: rounded
      // from the way in, not braked into and turned on the spot, and slowed for
      // the bend it gathers speed again from what it has
      {"landing braking to a rapid exit at 55 kt, every 1.5 s",
       scenarioText(header, rapidExitBraking(1.5, 0.0), 1.5), {}, 420, brakesAsFed()},
      {"landing braking to a 45 degree exit at 55 kt, every 1.5 s",
       scenarioText(header, rapidExitBraking(1.5, 0.0, {45.0, 55.0}), 1.5), {}, 420, brakesAsFed()},
      {"landing braking to a 45 degree exit at 30 kt, every 1.5 s",
       scenarioText(header, rapidExitBraking(1.5, 0.0, {45.0, 30.0}), 1.5), {}, 420, brakesAsFed()},
      // its corner between two reports (reported every 1.1-1.3 s from 279 s, none
      // falls on it): rounded on one curve from the way in to the way out, not
      // two with a kink between them braked for at the second
      {"landing braking to a rapid exit at 55 kt, every 1.1 s",
       scenarioText(header, rapidExitBraking(1.1, 0.0), 1.1), {}, 420, brakesAsFed()},
      {"landing braking to a 45 degree exit at 55 kt, every 1.1 s",
       scenarioText(header, rapidExitBraking(1.1, 0.0, {45.0, 55.0}), 1.1), {}, 420, brakesAsFed()},
      {"landing braking to a 45 degree exit at 55 kt, every 1.2 s",
       scenarioText(header, rapidExitBraking(1.2, 0.0, {45.0, 55.0}), 1.2), {}, 420, brakesAsFed()},
      {"landing braking to a 45 degree exit at 55 kt, every 1.3 s",
       scenarioText(header, rapidExitBraking(1.3, 0.0, {45.0, 55.0}), 1.3), {}, 420, brakesAsFed()},
      {"landing braking to a 45 degree exit at 40 kt, every 1.1 s",
       scenarioText(header, rapidExitBraking(1.1, 0.0, {45.0, 40.0}), 1.1), {}, 420, brakesAsFed()},
      // (positions the noise puts off the ways their tracks give place no corner)
      {"landing braking to a rapid exit at 55 kt, every 1.1 s 5 m off",
       scenarioText(header, rapidExitBraking(1.1, 5.0), 1.1), {}, 420, brakesAsFed()},
      {"landing braking to a 45 degree exit at 40 kt, every 1.1 s 8 m off",
       scenarioText(header, rapidExitBraking(1.1, 8.0, {45.0, 40.0}), 1.1), {}, 420, brakesAsFed()},
      {"landing braking to a 60 degree exit at 30 kt, every 3 s 5 m off",
       scenarioText(header, rapidExitBraking(3.0, 5.0, {60.0, 30.0}), 3.0), {}, 420, brakesAsFed()},
      {"landing braking to a square exit at 15 kt, every 3 s",
       scenarioText(header, rapidExitBraking(3.0, 0.0, {90.0, 15.0}), 3.0), {}, 420, brakesAsFed()},
      {"landing braking to a square exit at 15 kt, every 2 s 5 m off",
       scenarioText(header, rapidExitBraking(2.0, 5.0, {90.0, 15.0}), 2.0), {}, 420, brakesAsFed()},
      {"landing braking to a square exit at 15 kt, every 1.1 s",
       scenarioText(header, rapidExitBraking(1.1, 0.0, {90.0, 15.0}), 1.1), {}, 420, brakesAsFed()},
      {"landing braking to a rapid exit at 40 kt, every 2 s 8 m off",
       scenarioText(header, rapidExitBraking(2.0, 8.0, {30.0, 40.0}), 2.0), {}, 420, brakesAsFed()},
      {"landing braking to a rapid exit round a 280 m arc at 40 kt, every 4 s 5 m off",
       scenarioText(header, rapidExitBraking(4.0, 5.0, {30.0, 40.0, 280.0}), 4.0), {}, 420, brakesAsFed()},
      {"landing braking to a 45 degree exit round a 150 m arc at 30 kt, every 4 s 8 m off",
       scenarioText(header, rapidExitBraking(4.0, 8.0, {45.0, 30.0, 150.0}), 4.0), {}, 420, brakesAsFed()},
      // braking as hard as a short runway asks: never harder than its reports do
      {"landing on a short runway, braking 5.6 kt a second, every 3 s 8 m off",
       scenarioText(header, shortRunwayLanding(3.0, 8.0), 3.0), {}, 400,
       [] { Expect e = smooth(keptThroughLanding(), 8.0); e.changeFromS = 279.0 + 30.0 + 3.0; return e; }()},
      {"born in a landing roll at 116 kt", scenarioText(header, bornInALandingRoll(), 2.0), {}, 160,
       smooth(keptThroughLanding(), 13.0, 116.0 * 1.1)},
      {"born in a landing roll at 116 kt, reports every 8 s", scenarioText(header, bornInALandingRoll(), 8.0), {}, 160,
       smooth(keptThroughLanding(), 13.0, 116.0 * 1.1)},
      // first seen low and fast, its positions 10 m off by turns, its speed frozen 10 s
      // (its legs paced to each noisy report, its speed swings up to 22 kt in a second; it never surges)
      {"born in a landing roll at 116 kt, as fed", scenarioText(header, bornInALandingRollAsFed(), 2.0),
       {}, 160, smooth(keptThroughLanding(), 25.0, 116.0 * 1.1)},
      {"landing backtracks and turns on the runway", scenarioText(header, landingThatBacktracks(), 3.0), {}, 480,
       [] { Expect e = keptThroughLanding(); e.turnsOnTheGround = true; return e; }()},
      // (3 s late from its creation, it reaches its one ground report after the next is due)
      // (down for a report's spacing and its rotation: not rolling on to chase its climb)
      {"bounced landing, one ground report at 128 kt", scenarioText(header, lowMissedApproach(20.0, true, 2.0), 2.0), {},
       340, bounces(2.0 * 4.0)},
      {"bounced landing, reports every 3 s", scenarioText(header, lowMissedApproach(20.0, true, 3.0), 3.0), {}, 340,
       bounces(3.0 * 4.0)},
      {"go-around from 25 ft in the flare", scenarioText(header, lowMissedApproach(25.0, false, 2.0), 2.0), {}, 340,
       normal(staysAloft())},
      {"go-around from 15 ft in the flare, reports every 3 s",
       scenarioText(header, lowMissedApproach(15.0, false, 3.0), 3.0), {}, 340, normal(staysAloft())},
      {"landing every 5 s, the feed repeating 135 kt into its roll-out",
       scenarioText(header, landingWithAStaleSpeed(), 5.0), {}, 420, keptThroughLanding()},
      {"landing roll with one report 300 m ahead", scenarioText(header, landingRollWithAJump(2.0), 2.0), {}, 160,
       smooth(keptThroughLanding(), 13.0, 116.0 * 1.1)},
      // (down for its three reports' spacing and its rotation)
      {"touch-and-go, three ground reports", scenarioText(header, touchAndGo(2.0), 2.0), {}, 340, bounces(2.0 * 6.0)},
      {"touch-and-go, three ground reports every 3 s", scenarioText(header, touchAndGo(3.0), 3.0), {}, 340,
       bounces(3.0 * 5.0)},
      // its reports gather speed again on the runway: it rolls with them, not
      // held to the slowest, and lifts off at their pace (through 125 kt from
      // 298 s, its lift-off report flown at about 302 s)
      {"touch-and-go with a 30 s run", scenarioText(header, touchAndGoWithALongRun(2.0, 0.0), 2.0), {}, 360,
       keeps(smooth(liftsOff(longRunDownS + 16.0 + 16.0 + 30.0 + 10.0), 13.0, 150.0 * 1.05), 125.0, 298.0, 304.0)},
      {"touch-and-go with a 30 s run, every 4 s 8 m off", scenarioText(header, touchAndGoWithALongRun(4.0, 8.0), 4.0),
       {}, 360, keeps(smooth(liftsOff(longRunDownS + 16.0 + 16.0 + 30.0 + 10.0), 13.0, 150.0 * 1.05), 125.0, 298.0, 304.0)},
      // its turn and backtrack followed report by report, none dropped as a jump ahead
      {"landing turns round on the runway and backtracks", scenarioText(header, landingTurnsRoundOnTheRunway(2.0, 0.0), 2.0),
       {}, 600, keptUpWith(keptThroughLanding(), 30.0 + 5.0)},
      {"landing turns round on the runway and backtracks, every 4 s 5 m off",
       scenarioText(header, landingTurnsRoundOnTheRunway(4.0, 5.0), 4.0), {}, 600,
       keptUpWith(keptThroughLanding(), 30.0 + 5.0)},
      {"landing, every third report 800 m off", scenarioText(header, landingWithJumpingPositions(2.0, 3, 800.0), 2.0), {}, 400,
       keptThroughLanding()},
      {"landing, every other report 1.5 km off", scenarioText(header, landingWithJumpingPositions(3.0, 2, 1500.0), 3.0), {}, 400,
       keptThroughLanding()},
      // crosswind roll-outs: the nose reported 5-15 degrees off the track, positions noisy
      {"crosswind landing, crab 10, every 2 s, 4 m off", scenarioText(header, crabbedLanding(4.0, 2.0, 10.0), 2.0),
       {}, 420, rollsOutOnTheLine(2.0)},
      // (its reports' noise shared with their neighbours' reads about 2 m across its
      // line, in and out of the floor below which noise tells nothing: once read it
      // stays known, its reports lined up all along, not by turns)
      {"crosswind landing, crab -5, every 1.1 s, 8 m off", scenarioText(header, crabbedLanding(8.0, 1.1, -5.0), 1.1),
       {}, 420, rollsOutOnTheLine(1.1)},
      {"crosswind landing, crab 7, every 1.2 s, 9 m off", scenarioText(header, crabbedLanding(9.0, 1.2, 7.0), 1.2),
       {}, 420, rollsOutOnTheLine(1.2)},
      {"crosswind landing, crab -8, every 1.2 s, 10 m off", scenarioText(header, crabbedLanding(10.0, 1.2, -8.0), 1.2),
       {}, 420, rollsOutOnTheLine(1.2)},
      {"crosswind landing, crab -5, every 1.1 s, 8 m off each", scenarioText(header, crabbedLanding(8.0, 1.1, -5.0, 279.4), 1.1),
       {}, 420, rollsOutOnTheLine(1.1, 279.4)},
      {"crosswind landing, crab 15, every 3 s, 6 m off", scenarioText(header, crabbedLanding(6.0, 3.0, 15.0), 3.0),
       {}, 420, rollsOutOnTheLine(3.0)},
      {"crosswind landing, crab -12, every 5 s, 0 m off", scenarioText(header, crabbedLanding(0.0, 5.0, -12.0), 5.0),
       {}, 420, rollsOutOnTheLine(5.0)},
      // its height stuck from final on: it lands and rolls out, no touch-and-go on it
      {"landing, its height frozen at 300 ft from final through its roll-out", scenarioText(header, landingReportedAloft(2.0, 0.0, {0, 99, 300.0, 0.0, true}), 2.0),
       {}, 420, landsOnce(20.0 * 1.5)},
      {"landing, its height frozen at 300 ft, every 5 s 5 m off",
       scenarioText(header, landingReportedAloft(5.0, 5.0, {0, 99, 300.0, 0.0, true}), 5.0), {}, 420,
       landsOnce(20.0 * 1.5)},
      {"landing, its height frozen at 100 ft, every 3 s",
       scenarioText(header, landingReportedAloft(3.0, 0.0, {0, 99, 100.0, 0.0, true}), 3.0), {}, 420,
       landsOnce(20.0 * 1.5)},
      // two climbing reports mid roll-out lift it off; its reports back on
      // the ground bring it down to land again, not on through the field
      {"landing, two of its roll-out reports 150 and 250 ft up", scenarioText(header, landingReportedAloft(2.0, 0.0, {8, 2, 150.0, 100.0}), 2.0),
       {}, 420, keptThroughLanding()},
  };
}

} // namespace gwr
