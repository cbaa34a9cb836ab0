// Take-off and landing rolls from recorded airport traffic, flown in simulated
// time through the whole engine and the emulated simulator: stale roll speeds
// while taxiing, a holder lining up or backtracking, an outage over a landing.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "core/geo.h"
#include "feeder/scenario.h"
#include "feeder/scenario_player.h"
#include "motioncheck/motion_check.h"
#include "support/engine_harness.h"
#include "traffic/movement/real_traffic_rows.h"
#include "traffic/feed/park_airport_state.h"

namespace gwr {
namespace {

using testsupport::EngineHarness;
using testsupport::fieldFt;
using testsupport::lufthansa;
using testsupport::onGroundBelowFt;
using testsupport::Row;
using testsupport::scenarioText;
using testsupport::sentOff;

constexpr const char* callsign = "DLH3RL";
constexpr double runwayDeg = 248.4;             // runway 25C
const LatLon runwayPoint{50.044804, 8.585892};  // on its centreline
constexpr double mPerS2PerKtPerS = 0.514444;    // 1 kt/s in m/s^2


LatLon ahead(LatLon from, double bearingDeg, double metres) {
  return gf_destinationPoint(from, bearingDeg * radiansPerDegree, metres / 0.3048);
}

// Rows `every` seconds apart from `from` along a bearing at a steady pace
// (what the positions show), each reporting `reportedKt`.
void straight(std::vector<Row>& rows, double t0, LatLon from, double bearingDeg, double paceKt, double seconds,
              double every, double reportedKt) {
  for (double t = 0.0; t <= seconds + 1e-9; t += every)
    rows.push_back({t0 + t, ahead(from, bearingDeg, paceKt * 0.514444 * t), fieldFt, reportedKt, 0, true});
}

// Taxiing east at 7 kt, it stops in a queue; its feed falls silent for 200 s
// while it taxis on, then repeats a stale 139.8 kt while the positions go on
// at 7 kt: 700 m ahead of where it held, straight on.
constexpr double staleQueueFromS = 82.0, staleBackS = 280.0;
std::vector<Row> staleRollSpeedAfterAQueue() {
  std::vector<Row> rows;
  straight(rows, 0.0, {50.0405, 8.5500}, 100.0, 7.0, 60.0, 10.0, 7.0);
  const LatLon queue = rows.back().at;
  rows.back().kt = 0.0;
  rows.push_back({80.0, queue, fieldFt, 0.0, 0.0, true});
  straight(rows, 80.0, queue, 100.0, 7.0, 320.0, 10.0, 139.8);
  rows.erase(rows.begin() + 8);  // the queue again, at its time
  return rows;
}

// Taxiing east at 7 kt; after a minute its feed repeats 139.8 kt, and its
// positions jump 60 m to either side of its line by turns.
std::vector<Row> staleRollSpeedOnJitteryPositions() {
  std::vector<Row> rows;
  straight(rows, 0.0, {50.0405, 8.5500}, 100.0, 7.0, 240.0, 2.0, 7.0);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].time < 60.0) continue;
    rows[i].kt = 139.8;
    sentOff(rows[i], 10.0 + (i % 2 == 0 ? 0.0 : 180.0), 60.0);
  }
  return rows;
}

// Born on the apron with its feed giving 150 kt, while the positions move at 12 kt.
std::vector<Row> bornWithStaleRollSpeed() {
  std::vector<Row> rows;
  straight(rows, 0.0, {50.0480, 8.5600}, 160.0, 12.0, 200.0, 4.0, 150.0);
  return rows;
}

// Holding 300 m beside 25C on a taxiway angled into it; after a silence its
// next report is 300 ft up 0.9 nm down the runway from the point abeam the hold.
const LatLon abeamHold = ahead(runwayPoint, 68.4, 500.0);
const LatLon besideHold = ahead(abeamHold, runwayDeg + 90.0, 300.0);
constexpr double holdHeadingDeg = runwayDeg - 45.0;
constexpr double lineUpAirborneS = 200.0;
std::vector<Row> holdBesideTheRunway() {
  std::vector<Row> rows;
  straight(rows, 0.0, ahead(besideHold, holdHeadingDeg + 180.0, 12.0 * 0.514444 * 60.0), holdHeadingDeg, 12.0, 60.0,
           10.0, 12.0);
  rows.back().kt = 0.0;
  rows.push_back({120.0, besideHold, fieldFt, 0.0, 0.0, true});
  const LatLon up = ahead(abeamHold, runwayDeg, 0.9 * 1852.0);
  rows.push_back({lineUpAirborneS, up, fieldFt + 300.0, 160.0, 2000.0, false});
  rows.push_back({lineUpAirborneS + 20.0, ahead(up, runwayDeg, 170.0 * 0.514444 * 20.0), fieldFt + 950.0, 170.0,
                  2000.0, false});
  rows.push_back({lineUpAirborneS + 80.0, ahead(up, runwayDeg, 190.0 * 0.514444 * 80.0), fieldFt + 3000.0, 210.0,
                  2000.0, false});
  return rows;
}

// The last row becomes the first off the ground: aboveFt over the field,
// climbing at 1500 ft/min; where it lifted off.
LatLon liftOffAtLast(std::vector<Row>& rows, double aboveFt) {
  rows.back().ground = false;
  rows.back().altitudeFt = fieldFt + aboveFt;
  rows.back().fpm = 1500.0;
  return rows.back().at;
}

// Holding 100 m north of 25C, heading 101 (147 degrees off the runway's 248);
// two minutes of silence, then its next report rolls at 80 kt on the runway
// 370 m away, past the point abeam the hold: it lined up behind it after a
// backtrack. It accelerates on and lifts off at 140 kt.
const LatLon backtrackHold = ahead(abeamHold, runwayDeg + 90.0, 100.0);
// A minute's taxi at 10 kt on 101 into backtrackHold, reported every
// spacingS seconds, then standing there at 80 s.
std::vector<Row> taxiedToBacktrackHold(double spacingS) {
  std::vector<Row> rows;
  const double taxiDeg = runwayDeg - 147.0;
  straight(rows, 0.0, ahead(backtrackHold, taxiDeg + 180.0, 10.0 * 0.514444 * 60.0), taxiDeg, 10.0, 60.0, spacingS,
           10.0);
  rows.back().kt = 0.0;
  rows.push_back({80.0, backtrackHold, fieldFt, 0.0, 0.0, true});
  return rows;
}
constexpr double backtrackResumeS = 200.0, backtrackAirborneS = 230.0;
std::vector<Row> backtrackAtTheHold() {
  std::vector<Row> rows = taxiedToBacktrackHold(10.0);
  const LatLon rolling = ahead(abeamHold, runwayDeg, std::sqrt(370.0 * 370.0 - 100.0 * 100.0));
  // 80 to 140 kt in 30 s (2 kt a second), then climbing away.
  double kt = 80.0, metres = 0.0;
  for (double t = backtrackResumeS; t <= backtrackAirborneS; t += 5.0) {
    rows.push_back({t, ahead(rolling, runwayDeg, metres), fieldFt, kt, 0.0, true});
    metres += (kt + 10.0 / 2.0) * 0.514444 * 5.0;
    kt += 10.0;
  }
  const LatLon off = liftOffAtLast(rows, 60.0);
  rows.push_back({backtrackAirborneS + 60.0, ahead(off, runwayDeg, 170.0 * 0.514444 * 60.0), fieldFt + 2000.0, 180.0,
                  2000.0, false});
  return rows;
}

// Final approach on 25C down to 400 ft above the field; then an outage in
// which it lands on made-up reports; the reports return just after that
// touchdown, with it rolling out at 45 kt on the runway, slowing to a taxi
// and turning off.
constexpr double outageFromS = 239.0, outageToS = 330.0;
std::vector<Row> landingOverAnOutage() {
  std::vector<Row> rows;
  const LatLon start{50.103262, 8.830174};
  const LatLon low = ahead(start, runwayDeg, (160.0 + 135.0) / 2.0 * 0.514444 * 239.0);
  rows.push_back({0.0, start, 3598.0, 160.0, -850.0, false});
  rows.push_back({outageFromS, low, fieldFt + 400.0, 135.0, -700.0, false});
  // Down 40 s later, braking from 130 kt to 45 kt over 51 s.
  const LatLon down = ahead(low, runwayDeg, 132.0 * 0.514444 * 40.0);
  const LatLon back = ahead(down, runwayDeg, (130.0 + 45.0) / 2.0 * 0.514444 * 51.0);
  rows.push_back({outageFromS + 40.0, down, fieldFt, 130.0, 0.0, true});
  rows.push_back({outageToS, back, fieldFt, 45.0, 0.0, true});
  const LatLon slow = ahead(back, runwayDeg, 30.0 * 0.514444 * 15.0);
  rows.push_back({outageToS + 15.0, slow, fieldFt, 15.0, 0.0, true});
  rows.push_back({outageToS + 75.0, ahead(slow, runwayDeg + 90.0, 300.0), fieldFt, 15.0, 0.0, true});
  return rows;
}

// Reported on final down to 120 ft above the field, then no more.
std::vector<Row> rollOutAfterTheReportsEnd() {
  std::vector<Row> rows;
  const LatLon start{50.103262, 8.830174};
  rows.push_back({0.0, start, 3598.0, 160.0, -850.0, false});
  rows.push_back({239.0, ahead(start, runwayDeg, (160.0 + 135.0) / 2.0 * 0.514444 * 239.0), fieldFt + 120.0, 135.0,
                  -700.0, false});
  return rows;
}

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

// Holding as backtrackAtTheHold, silent 10 minutes; next reported 3 km off
// at 600 ft, climbing out on 180 from another runway, west of the field.
constexpr double farHoldResumeS = 700.0;
std::vector<Row> holderSeenNextFarAway() {
  std::vector<Row> rows = taxiedToBacktrackHold(10.0);
  const LatLon up = ahead(backtrackHold, 240.0, 3000.0);
  rows.push_back({farHoldResumeS, up, fieldFt + 600.0, 160.0, 2000.0, false});
  rows.push_back({farHoldResumeS + 30.0, ahead(up, 180.0, 170.0 * 0.514444 * 30.0), fieldFt + 1600.0, 180.0, 2000.0,
                  false});
  rows.push_back({farHoldResumeS + 90.0, ahead(up, 180.0, 190.0 * 0.514444 * 90.0), fieldFt + 3600.0, 210.0, 2000.0,
                  false});
  return rows;
}

// Taxiing west at 20 kt on 25C (backtracking on it); its reports end at 85 s
// for 118 s, in which it goes on, turns round and rolls: next reported 370 m
// west of its last report, rolling at 80 kt on 068; it lifts off at 140 kt.
constexpr double taxiSilentFromS = 86.0, taxiSilentToS = 204.0, taxiSilentAirborneS = 234.0;
constexpr double takeOffDeg = runwayDeg - 180.0;
std::vector<Row> departureSilentWhileTaxiing() {
  std::vector<Row> rows;
  straight(rows, 0.0, ahead(runwayPoint, takeOffDeg, 1500.0), runwayDeg, 20.0, 85.0, 5.0, 20.0);
  const LatLon rolling = ahead(rows.back().at, runwayDeg, 370.0);
  double kt = 80.0, metres = 0.0;
  for (double t = taxiSilentToS; t <= taxiSilentAirborneS; t += 5.0) {
    rows.push_back({t, ahead(rolling, takeOffDeg, metres), fieldFt, kt, 0.0, true});
    metres += (kt + 5.0) * 0.514444 * 5.0;
    kt += 10.0;
  }
  const LatLon off = liftOffAtLast(rows, 100.0);
  for (const double feet : {850.0, 1450.0, 2500.0}) {
    const double s = (feet - 100.0) / 30.0;
    rows.push_back({taxiSilentAirborneS + s, ahead(off, takeOffDeg, 160.0 * 0.514444 * s), fieldFt + feet, 160.0,
                    2000.0, false});
  }
  return rows;
}

// Queued 700 m beside 25C on a taxiway angled into it, reported every 4 s
// (8 m off to either side by turns); silent while it taxis to the runway and
// rolls; next seen 300 ft up at 146 kt (or still rolling at 100 kt), the way
// from the hold to that report 48.7 degrees off its track.
const LatLon farBesideHold = ahead(abeamHold, runwayDeg + 90.0, 700.0);
constexpr double farBesideAirborneS = 300.0;
std::vector<Row> queuedFarBesideTheRunway(bool seenRolling = false) {
  std::vector<Row> rows;
  const double taxiDeg = runwayDeg - 70.0;
  straight(rows, 0.0, ahead(farBesideHold, taxiDeg + 180.0, 12.0 * 0.514444 * 60.0), taxiDeg, 12.0, 60.0, 4.0, 12.0);
  for (std::size_t i = 0; i + 1 < rows.size(); ++i) sentOff(rows[i], taxiDeg + 90.0, i % 2 ? 8.0 : -8.0);
  rows.back().kt = 0.0;
  rows.push_back({120.0, farBesideHold, fieldFt, 0.0, 0.0, true});
  const LatLon up = ahead(abeamHold, runwayDeg, 700.0 / std::tan(48.7 * radiansPerDegree));
  rows.push_back({farBesideAirborneS, up, fieldFt + 300.0, 146.0, 2000.0, false});
  if (seenRolling) rows.back() = {farBesideAirborneS, up, fieldFt, 100.0, 0.0, true};
  rows.push_back({farBesideAirborneS + 16.0, ahead(up, runwayDeg, 155.0 * 0.514444 * 16.0), fieldFt + 850.0, 160.0,
                  2000.0, false});
  rows.push_back({farBesideAirborneS + 76.0, ahead(up, runwayDeg, 175.0 * 0.514444 * 76.0), fieldFt + 2800.0, 190.0,
                  2000.0, false});
  return rows;
}

// Holding as backtrackAtTheHold, its nose away from the take-off; silent a
// minute, too short for the backtrack its take-off needed; next seen 300 ft
// up 1.2 km down the runway from the point abeam the hold, climbing away.
constexpr double quickAirborneS = 140.0;
std::vector<Row> holderSeenAloftSoonAfter() {
  std::vector<Row> rows = taxiedToBacktrackHold(5.0);
  const LatLon up = ahead(abeamHold, runwayDeg, 1200.0);
  rows.push_back({quickAirborneS, up, fieldFt + 300.0, 150.0, 2000.0, false});
  rows.push_back({quickAirborneS + 15.0, ahead(up, runwayDeg, 158.0 * 0.514444 * 15.0), fieldFt + 800.0, 165.0, 2000.0,
                  false});
  rows.push_back({quickAirborneS + 75.0, ahead(up, runwayDeg, 178.0 * 0.514444 * 75.0), fieldFt + 2800.0, 190.0,
                  2000.0, false});
  return rows;
}

// Taxiing west on 25C at 18 to 22 kt, reported every 7 s (6 m off to either
// side by turns), silent 119 s in which it goes on, turns round and rolls;
// seen once rolling at 80 kt 370 m west of its last report, then only in the
// air, from 100 ft.
constexpr double thinTaxiSilentFromS = 85.0, thinTaxiRollS = 203.0, thinTaxiAirborneS = 224.0;
std::vector<Row> departureSilentWhileTaxiingThinly() {
  std::vector<Row> rows;
  straight(rows, 0.0, ahead(runwayPoint, takeOffDeg, 1500.0), runwayDeg, 20.0, 84.0, 7.0, 20.0);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    rows[i].kt = 18.0 + static_cast<double>(i % 3) * 2.0;
    if (i + 1 < rows.size()) sentOff(rows[i], runwayDeg + 90.0, i % 2 ? 6.0 : -6.0);
  }
  const LatLon rolling = ahead(rows.back().at, runwayDeg, 370.0);
  rows.push_back({thinTaxiRollS, rolling, fieldFt, 80.0, 0.0, true});
  const LatLon off = ahead(rolling, takeOffDeg, (80.0 + 145.0) / 2.0 * 0.514444 * (thinTaxiAirborneS - thinTaxiRollS));
  rows.push_back({thinTaxiAirborneS, off, fieldFt + 100.0, 145.0, 1800.0, false});
  for (const double feet : {850.0, 1450.0, 2500.0}) {
    const double s = (feet - 100.0) / 30.0;
    rows.push_back({thinTaxiAirborneS + s, ahead(off, takeOffDeg, 160.0 * 0.514444 * s), fieldFt + feet, 160.0,
                    1800.0, false});
  }
  return rows;
}

// Lining up on 25C at 12 kt, it rolls on from 60 s, gathering 1 kt a
// second up to 40 kt, 2.5 on; unreported for 35 s until it is through 38 kt
// 600 m down the runway; it lifts off at 140 kt and climbs to 760 ft.
constexpr double linedUpRollS = 60.0, linedUpSeenS = linedUpRollS + 26.0, linedUpAirborneS = linedUpRollS + 75.0;
std::vector<Row> linedUpRoll() {
  std::vector<Row> rows;
  straight(rows, 0.0, ahead(runwayPoint, runwayDeg + 180.0, 12.0 * 0.514444 * linedUpRollS), runwayDeg, 12.0,
           linedUpRollS, 2.0, 12.0);
  double metres = 0.0, kt = 12.0;
  for (double t = 2.0; t <= 76.0; t += 2.0) {
    const double gain = (kt < 40.0 ? 1.0 : 2.5) * 2.0;
    metres += (kt + gain / 2.0) * 0.514444 * 2.0;
    kt += gain;
    rows.push_back({linedUpRollS + t, ahead(runwayPoint, runwayDeg, metres), fieldFt, std::min(kt, 140.0), 0.0, true});
  }
  const LatLon off = liftOffAtLast(rows, 60.0);
  rows.push_back({linedUpAirborneS + 25.0, ahead(off, runwayDeg, 150.0 * 0.514444 * 25.0), fieldFt + 760.0, 150.0,
                  1800.0, false});
  return rows;
}

// Final approach on 25C; no reports for 140 s from 500 ft above the field
// (it lands, rolls out and turns off meanwhile); back taxiing at 20 kt for
// four minutes, 2.2 km from where its made-up roll-out stops.
constexpr double gapLandingFromS = 180.0, gapLandingToS = 320.0;
std::vector<Row> landingGapThenTaxi() {
  std::vector<Row> rows;
  const LatLon start = ahead(runwayPoint, runwayDeg + 180.0, 135.0 * 0.514444 * 240.0);
  rows.push_back({0.0, start, fieldFt + 3000.0, 160.0, -750.0, false});
  rows.push_back({gapLandingFromS, ahead(start, runwayDeg, 145.0 * 0.514444 * 180.0), fieldFt + 500.0, 135.0, -500.0,
                  false});
  rows.push_back({240.0, ahead(runwayPoint, runwayDeg, 0.0), fieldFt, 130.0, 0.0, true});
  const LatLon off = ahead(runwayPoint, runwayDeg, (130.0 + 20.0) / 2.0 * 0.514444 * 50.0);
  rows.push_back({290.0, off, fieldFt, 20.0, 0.0, true});
  straight(rows, 300.0, ahead(off, runwayDeg - 90.0, 100.0), runwayDeg - 90.0, 20.0, 240.0, 20.0, 20.0);
  return rows;
}

constexpr double gapDownS = 240.0, gapFpm = 700.0;
// When its reports stop on final gapFromFt above the field.
double gapFromS(double gapFromFt) { return gapDownS - gapFromFt * 60.0 / gapFpm; }

// A landing on 25C as a feed gives it, reported every `every` seconds, its
// ground positions noiseM off along and across by turns: down at 135 kt at
// 240 s, braking `brakeKtPerS` to 20 kt and turning off south, taxiing on.
std::vector<Row> landingGapAsFed(double every, double noiseM, double brakeKtPerS) {
  std::vector<Row> rows;
  constexpr double downS = gapDownS, fpm = gapFpm;
  const double rollS = (135.0 - 20.0) / brakeKtPerS;
  const LatLon off = ahead(runwayPoint, runwayDeg, (135.0 + 20.0) / 2.0 * 0.514444 * rollS);
  for (double t = 0.0; t <= downS + rollS + 240.0; t += every) {
    LatLon at = ahead(runwayPoint, runwayDeg, 135.0 * 0.514444 * (t - downS));
    double kt = 135.0;
    if (t > downS) {
      const double b = std::min(t - downS, rollS);
      kt = 135.0 - brakeKtPerS * b;
      at = ahead(runwayPoint, runwayDeg, (135.0 + kt) / 2.0 * 0.514444 * b);
    }
    if (t > downS + rollS) at = ahead(off, runwayDeg + 90.0, 20.0 * 0.514444 * (t - downS - rollS));
    const bool ground = t >= downS;
    const std::size_t i = rows.size();
    if (ground)
      at = ahead(ahead(at, runwayDeg, i % 2 == 0 ? noiseM : -noiseM), runwayDeg + 90.0, (i / 2) % 2 ? noiseM : -noiseM);
    rows.push_back({t, at, ground ? fieldFt : fieldFt + fpm * (downS - t) / 60.0, kt, ground ? 0.0 : -fpm, ground});
  }
  return rows;
}

// Taxiing south-east at 15 kt, reported every `every` seconds, sent 5 m off by
// turns; every `badEvery`-th report is `jumpM` metres off to the north (a
// second source, or a bad position), pacing hundreds of knots.
std::vector<Row> taxiWithJumpingPositions(double every, std::size_t badEvery, double jumpM, std::size_t firstBad = 4) {
  std::vector<Row> rows;
  straight(rows, 0.0, {50.0480, 8.5600}, 160.0, 15.0, 300.0, every, 15.0);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    sentOff(rows[i], 70.0, i % 2 == 0 ? 5.0 : -5.0);
    if (i >= firstBad && i % badEvery == 0) rows[i].at = ahead(rows[i].at, 350.0 + 5.0 * static_cast<double>(i % 7), jumpM);
  }
  return rows;
}

// Climbing out of 25C at 800 ft/min and 133 kt; its reports end 900 ft above the field.
constexpr double climbOutEndS = 60.0;
std::vector<Row> climbOutThenSilent() {
  std::vector<Row> rows;
  for (double t = 0.0; t <= climbOutEndS; t += 10.0)
    rows.push_back({t, ahead(runwayPoint, runwayDeg, 2000.0 + 133.0 * 0.514444 * t), fieldFt + 100.0 + 800.0 * t / 60.0,
                    133.0, 800.0, false});
  return rows;
}

// Rows every `every` seconds from `from` along a bearing, the speed going
// from kt0 to kt1 at `ktPerS` (evenly), the positions as that speed moves them.
// Returns where it ends.
LatLon evenly(std::vector<Row>& rows, double t0, LatLon from, double bearingDeg, double kt0, double kt1, double ktPerS,
              double every) {
  const double seconds = std::fabs(kt1 - kt0) / ktPerS, sign = kt1 >= kt0 ? 1.0 : -1.0;
  double t = 0.0;
  for (; t <= seconds + 1e-9; t += every) {
    const double kt = kt0 + sign * ktPerS * t, metres = (kt0 + kt) / 2.0 * 0.514444 * t;
    rows.push_back({t0 + t, ahead(from, bearingDeg, metres), fieldFt, kt, 0.0, true});
  }
  return rows.back().at;
}

// Taxiing at 12 kt, standing 4 minutes in a queue, taxiing on; reported
// every `every` seconds, sent 4 m off by turns, every `badEvery`-th report
// `jumpM` metres off to the north.
std::vector<Row> queueWithJumpingPositions(double every, std::size_t badEvery, double jumpM) {
  std::vector<Row> rows;
  straight(rows, 0.0, {50.0480, 8.5600}, 160.0, 12.0, 60.0, every, 12.0);
  const LatLon queue = rows.back().at;
  for (double t = rows.back().time + every; t < 300.0; t += every) rows.push_back({t, queue, fieldFt, 0.0, 0.0, true});
  straight(rows, 300.0, queue, 160.0, 12.0, 100.0, every, 12.0);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    sentOff(rows[i], 70.0, i % 2 == 0 ? 4.0 : -4.0);
    if (i > 3 && i % badEvery == 0) rows[i].at = ahead(rows[i].at, 0.0, jumpM);
  }
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

// Standing on 25C, then rolling at 3 kt a second, reported every 1.5 s with
// positions 15 m off along by turns; through 110 kt three reports in a row
// put it 450 m farther down the runway, then it is back where it rolls.
std::vector<Row> rollWithPositionsAhead() {
  std::vector<Row> rows;
  rows.push_back({0.0, runwayPoint, fieldFt, 0.0, 0.0, true});
  evenly(rows, 19.5, runwayPoint, runwayDeg, 0.0, 150.0, 3.0, 1.5);
  for (std::size_t i = 2; i < rows.size(); ++i) {
    const bool ahead450 = rows[i].kt >= 110.0 && rows[i].kt < 110.0 + 3 * 4.5;
    sentOff(rows[i], runwayDeg, (i % 2 == 0 ? 15.0 : -15.0) + (ahead450 ? 450.0 : 0.0));
  }
  const LatLon off = liftOffAtLast(rows, 40.0);
  rows.push_back({rows.back().time + 45.0, ahead(off, runwayDeg, 165.0 * 0.514444 * 45.0), fieldFt + 1500.0, 180.0,
                  2000.0, false});
  return rows;
}

// Standing on 25C for 20 s, then rolling (3 kt a second) and lifting off at 150 kt.
constexpr double takeOffAirborneS = 72.0;
std::vector<Row> takeOff() {
  std::vector<Row> rows;
  rows.push_back({0.0, runwayPoint, fieldFt, 0.0, 0.0, true});
  const LatLon off = evenly(rows, 20.0, runwayPoint, runwayDeg, 0.0, 150.0, 3.0, 2.0);
  rows.push_back({takeOffAirborneS, ahead(off, runwayDeg, 155.0 * 0.514444 * 2.0), fieldFt + 50.0, 155.0, 1500.0, false});
  rows.push_back({takeOffAirborneS + 60.0, ahead(off, runwayDeg, 170.0 * 0.514444 * 62.0), fieldFt + 1800.0, 180.0,
                  2000.0, false});
  return rows;
}

// The take-off as a feed gives it: reports every `every` seconds, standing
// 20 s, then rolling 3 kt a second and lifting off at 150 kt, the heading the
// runway's, each ground position noiseM off along and across it by turns.
std::vector<Row> noisyTakeOff(double noiseM, double every) {
  std::vector<Row> rows;
  const double rollFromS = std::ceil(20.0 / every - 1e-9) * every;
  for (double t = 0.0; t < rollFromS - 1e-9; t += every) rows.push_back({t, runwayPoint, fieldFt, 0.0, 0.0, true});
  const LatLon off = evenly(rows, rollFromS, runwayPoint, runwayDeg, 0.0, 150.0, 3.0, every);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    sentOff(rows[i], runwayDeg, i % 2 == 0 ? noiseM : -noiseM);
    sentOff(rows[i], runwayDeg + 90.0, (i / 2) % 2 == 0 ? noiseM : -noiseM);
  }
  const double airborne = rows.back().time + every;
  rows.push_back({airborne, ahead(off, runwayDeg, 155.0 * 0.514444 * every), fieldFt + 50.0, 155.0, 1500.0, false});
  rows.push_back({airborne + 60.0, ahead(off, runwayDeg, 170.0 * 0.514444 * 62.0), fieldFt + 1800.0, 180.0, 2000.0,
                  false});
  for (Row& r : rows) r.headingDeg = runwayDeg;
  return rows;
}

// The same roll up to 110 kt, then braking at 5 kt a second to a stop, and standing.
constexpr double rejectedStopS = 20.0 + 110.0 / 3.0 + 22.0;
std::vector<Row> rejectedTakeOff() {
  std::vector<Row> rows;
  rows.push_back({0.0, runwayPoint, fieldFt, 0.0, 0.0, true});
  const LatLon fast = evenly(rows, 20.0, runwayPoint, runwayDeg, 0.0, 110.0, 3.0, 2.0);
  const LatLon stop = evenly(rows, rows.back().time + 2.0, ahead(fast, runwayDeg, 108.0 * 0.514444 * 2.0), runwayDeg,
                             105.0, 0.0, 5.0, 2.0);
  rows.push_back({rows.back().time + 90.0, stop, fieldFt, 0.0, 0.0, true});
  return rows;
}

// Taxiing 60 s at 10 kt along 25C onto its line, standing 20 s, rolling at
// 3 kt a second to 110 kt, braking at 5 kt a second to a stop, standing 30 s
// and taxiing on at 10 kt, reported every `every` seconds. Its feed may
// repeat the roll's 110 kt for staleS into the braking, and the taxi on may
// turn off the runway to the right.
struct Rejection { double every = 2.0, staleS = 0.0; bool turnsOff = false; };
constexpr double rejectionRollS = 80.0, rejectionBrakeS = rejectionRollS + 110.0 / 3.0;
constexpr double rejectionStopS = rejectionBrakeS + 22.0, rejectionOnS = rejectionStopS + 30.0;
std::vector<Row> rejectedAfterATaxi(const Rejection& v) {
  std::vector<Row> rows;
  constexpr double taxiMps = 10.0 * 0.514444, offS = 10.0;
  const double brakeM = 1.5 * std::pow(110.0 / 3.0, 2.0) * 0.514444, stopM = brakeM + 110.0 * 22.0 / 2.0 * 0.514444;
  const LatLon stop = ahead(runwayPoint, runwayDeg, stopM), turn = ahead(stop, runwayDeg, taxiMps * offS);
  for (std::size_t i = 0;; ++i) {
    const double t = static_cast<double>(i) * v.every;
    if (t > rejectionOnS + 60.0) break;
    double kt = 0.0;
    LatLon at = runwayPoint;
    if (t < 60.0) {
      kt = 10.0;
      at = ahead(runwayPoint, runwayDeg, -taxiMps * (60.0 - t));
    } else if (t >= rejectionRollS && t < rejectionBrakeS) {
      const double s = t - rejectionRollS;
      kt = 3.0 * s;
      at = ahead(runwayPoint, runwayDeg, 1.5 * s * s * 0.514444);
    } else if (t >= rejectionBrakeS && t < rejectionStopS) {
      const double s = t - rejectionBrakeS;
      kt = s < v.staleS ? 110.0 : 110.0 - 5.0 * s;
      at = ahead(runwayPoint, runwayDeg, brakeM + (110.0 * s - 2.5 * s * s) * 0.514444);
    } else if (t >= rejectionStopS && t < rejectionOnS) {
      at = stop;
    } else if (t >= rejectionOnS) {
      const double s = t - rejectionOnS;
      kt = 10.0;
      at = v.turnsOff && s > offS ? ahead(turn, runwayDeg + 90.0, taxiMps * (s - offS))
                                  : ahead(stop, runwayDeg, taxiMps * s);
    }
    rows.push_back({t, at, fieldFt, kt, 0.0, true});
  }
  return rows;
}

// The same, its reports ending 10 s into the braking, at 60 kt.
std::vector<Row> rejectedThenSilent() {
  std::vector<Row> rows = rejectedAfterATaxi({});
  rows.erase(std::find_if(rows.begin(), rows.end(), [](const Row& r) { return r.time > rejectionBrakeS + 10.0; }),
             rows.end());
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

// Final approach on 25C, down at 135 kt, braking 5 kt a second to 55 kt and
// off the runway on a rapid exit 30 degrees right, slowing to 20 kt there;
// its roll-out reported every `every` seconds, noiseM off along and across by turns.
std::vector<Row> rapidExitBraking(double every, double noiseM) {
  std::vector<Row> rows;
  const LatLon start{50.103262, 8.830174};
  const LatLon low = ahead(start, runwayDeg, (160.0 + 135.0) / 2.0 * 0.514444 * 239.0);
  rows.push_back({0.0, start, 3598.0, 160.0, -850.0, false});
  rows.push_back({239.0, low, fieldFt + 400.0, 135.0, -700.0, false});
  const LatLon exitAt = evenly(rows, 279.0, ahead(low, runwayDeg, 135.0 * 0.514444 * 40.0), runwayDeg, 135.0, 55.0, 5.0,
                               every);
  evenly(rows, rows.back().time + every, ahead(exitAt, runwayDeg + 30.0, 55.0 * 0.514444 * every), runwayDeg + 30.0,
         55.0, 20.0, 3.0, every);
  for (std::size_t i = 2; i < rows.size(); ++i)
    rows[i].at = ahead(ahead(rows[i].at, runwayDeg, i % 2 == 0 ? noiseM : -noiseM), runwayDeg + 90.0,
                       (i / 2) % 2 == 0 ? noiseM : -noiseM);
  rows.push_back({rows.back().time + 60.0, ahead(rows.back().at, runwayDeg + 30.0, 20.0 * 0.514444 * 60.0), fieldFt,
                  20.0, 0.0, true});
  return rows;
}

// Rows `every` seconds round an arc about `centre` at `radius` metres, the
// bearing from the centre going from `fromDeg` by `turnDeg` (signed), at kt.
LatLon arc(std::vector<Row>& rows, double t0, LatLon centre, double radius, double fromDeg, double turnDeg, double kt,
           double every) {
  const double seconds = std::fabs(turnDeg) * radiansPerDegree * radius / (kt * 0.514444);
  for (double t = every; t <= seconds + 1e-9; t += every)
    rows.push_back({t0 + t, ahead(centre, fromDeg + turnDeg * t / seconds, radius), fieldFt, kt, 0.0, true});
  return ahead(centre, fromDeg + turnDeg, radius);
}

// Taxiing at 15 kt on a taxiway square to 25C from the north, turning
// right onto it (40 m radius) and rolling on without a stop at 3 kt a
// second, lifting off at 150 kt.
std::vector<Row> lineUpAndGo() {
  std::vector<Row> rows;
  const double inDeg = runwayDeg - 90.0;
  const LatLon turnIn = ahead(runwayPoint, runwayDeg + 90.0, 40.0);
  straight(rows, 0.0, ahead(turnIn, runwayDeg + 90.0, 360.0), inDeg, 15.0, 360.0 / (15.0 * 0.514444), 2.0, 15.0);
  const LatLon lined = arc(rows, rows.back().time, ahead(turnIn, runwayDeg, 40.0), 40.0, runwayDeg + 180.0, 90.0, 15.0,
                           2.0);
  const LatLon off = evenly(rows, rows.back().time + 2.0, ahead(lined, runwayDeg, 15.0 * 0.514444 * 2.0), runwayDeg,
                            15.0, 150.0, 3.0, 2.0);
  const double airborne = rows.back().time + 2.0;
  rows.push_back({airborne, ahead(off, runwayDeg, 155.0 * 0.514444 * 2.0), fieldFt + 50.0, 155.0, 1500.0, false});
  rows.push_back({airborne + 60.0, ahead(off, runwayDeg, 170.0 * 0.514444 * 62.0), fieldFt + 1800.0, 180.0, 2000.0,
                  false});
  return rows;
}

// As lineUpAndGo, but standing 3 minutes at a hold 240 m short of the turn-in.
std::vector<Row> heldThenRolling() {
  std::vector<Row> rows = lineUpAndGo();
  for (Row& r : rows) r.time += r.time > 16.0 ? 180.0 : 0.0;
  rows.insert(rows.begin() + 9, {196.0, rows[8].at, fieldFt, 0.0, 0.0, true});
  rows[8].kt = 0.0;
  return rows;
}
double firstAirborneS(const std::vector<Row>& rows) {
  return std::find_if(rows.begin(), rows.end(), [](const Row& r) { return !r.ground; })->time;
}

// Taxiing at 8 kt, a U-turn (25 m radius), taxiing back.
std::vector<Row> taxiUTurn() {
  std::vector<Row> rows;
  straight(rows, 0.0, {50.0480, 8.5600}, 160.0, 8.0, 60.0, 2.0, 8.0);
  const LatLon back = arc(rows, rows.back().time, ahead(rows.back().at, 250.0, 25.0), 25.0, 70.0, 180.0, 8.0, 2.0);
  straight(rows, rows.back().time + 2.0, ahead(back, 340.0, 8.0 * 0.514444 * 2.0), 340.0, 8.0, 60.0, 2.0, 8.0);
  return rows;
}

// Taxiing at 15 kt on the apron, reported every 15 s; from 60 s its feed
// repeats 0 kt while its positions go on.
std::vector<Row> taxiWithAStaleStop() {
  std::vector<Row> rows;
  straight(rows, 0.0, {50.0480, 8.5600}, 160.0, 15.0, 240.0, 15.0, 15.0);
  for (Row& r : rows) r.kt = r.time < 60.0 ? 15.0 : 0.0;
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

// Down on 25C at 135 kt, braking at 3 kt a second; its reports end at 60 kt.
constexpr double endedRollOutS = 279.0 + 25.0;
// With noiseM, its roll-out's positions are that far off along and across by turns.
std::vector<Row> rollOutEndingAt60Kt(double every, double noiseM = 0.0) {
  std::vector<Row> rows;
  const LatLon start{50.103262, 8.830174};
  const LatLon low = ahead(start, runwayDeg, (160.0 + 135.0) / 2.0 * 0.514444 * 239.0);
  rows.push_back({0.0, start, 3598.0, 160.0, -850.0, false});
  rows.push_back({239.0, low, fieldFt + 400.0, 135.0, -700.0, false});
  evenly(rows, 279.0, ahead(low, runwayDeg, 135.0 * 0.514444 * 40.0), runwayDeg, 135.0, 60.0, 3.0, every);
  for (std::size_t i = 2; i < rows.size(); ++i)
    sentOff(rows[i], runwayDeg + (i % 2 == 0 ? 0.0 : 90.0), i % 4 < 2 ? noiseM : -noiseM);
  return rows;
}

// Taxiing east at 10 kt, it stops in a queue; silent 2 minutes, next
// reported `metres` straight ahead at `kt`, then taxiing on 2 kt slower for
// a minute, then silent.
constexpr double queueSilentFromS = 66.0, queueSilentToS = 186.0;
std::vector<Row> holderNextTaxiingFast(double every, double kt, double metres) {
  std::vector<Row> rows;
  straight(rows, 0.0, {50.0405, 8.5500}, 100.0, 10.0, 60.0, every, 10.0);
  const LatLon queue = rows.back().at;
  rows.back().kt = 0.0;
  rows.push_back({64.0, queue, fieldFt, 0.0, 0.0, true});
  const LatLon on = ahead(queue, 100.0, metres);
  rows.push_back({queueSilentToS, on, fieldFt, kt, 0.0, true});
  straight(rows, queueSilentToS + every, ahead(on, 100.0, (kt - 2.0) * 0.514444 * every), 100.0, kt - 2.0, 60.0, every,
           kt - 2.0);
  return rows;
}

// Each ground row's report sent up to noiseM off its path, any way (the same on every platform).
void scatterOnTheGround(std::vector<Row>& rows, double noiseM) {
  std::uint32_t seed = 2463534242u;
  const auto next = [&seed] {
    seed ^= seed << 13;
    seed ^= seed >> 17;
    seed ^= seed << 5;
    return static_cast<double>(seed) / 4294967296.0;
  };
  for (Row& r : rows) {
    const double bearing = 360.0 * next(), metres = noiseM * std::sqrt(next());
    if (r.ground) sentOff(r, bearing, metres);
  }
}

// A crosswind take-off: the take-off with its nose reported `crabDeg` off its
// track, every `every` seconds, its ground positions up to noiseM off.
std::vector<Row> crabbedTakeOff(double noiseM, double every, double crabDeg) {
  std::vector<Row> rows = noisyTakeOff(0.0, every);
  scatterOnTheGround(rows, noiseM);
  for (Row& r : rows) r.headingDeg = std::fmod(runwayDeg + crabDeg + 360.0, 360.0);
  return rows;
}

// A crosswind landing: final approach on 25C at 135 kt, its nose reported
// `crabDeg` off its track all the way, down and braking 3 kt a second to
// 20 kt, turning off south; every `every` seconds, ground positions up to noiseM off.
const LatLon finalStart{50.103262, 8.830174};
const LatLon finalLow = ahead(finalStart, runwayDeg, (160.0 + 135.0) / 2.0 * 0.514444 * 239.0);
const LatLon crabbedTouchdown = ahead(finalLow, runwayDeg, 135.0 * 0.514444 * 40.0);
std::vector<Row> crabbedLanding(double noiseM, double every, double crabDeg) {
  std::vector<Row> rows;
  rows.push_back({0.0, finalStart, 3598.0, 160.0, -850.0, false});
  rows.push_back({239.0, finalLow, fieldFt + 400.0, 135.0, -700.0, false});
  const LatLon slow = evenly(rows, 279.0, crabbedTouchdown, runwayDeg, 135.0, 20.0, 3.0, every);
  rows.push_back({rows.back().time + 60.0, ahead(slow, runwayDeg + 90.0, 20.0 * 0.514444 * 60.0), fieldFt, 20.0,
                  0.0, true});
  scatterOnTheGround(rows, noiseM);
  for (Row& r : rows) r.headingDeg = std::fmod(runwayDeg + crabDeg + 360.0, 360.0);
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

// Taxiing south across 25C at 25 kt, square to it, a row every `every`
// seconds, its positions noiseM off along and across by turns.
std::vector<Row> taxiAcrossTheRunway(double noiseM, double every = 1.0) {
  std::vector<Row> rows;
  const double southDeg = runwayDeg + 90.0;
  straight(rows, 0.0, ahead(runwayPoint, southDeg + 180.0, 600.0), southDeg, 25.0, 1200.0 / (25.0 * 0.514444), every,
           25.0);
  for (std::size_t i = 1; i + 1 < rows.size(); ++i) {
    sentOff(rows[i], southDeg, i % 2 ? noiseM : -noiseM);
    sentOff(rows[i], runwayDeg, (i / 2) % 2 ? noiseM : -noiseM);
  }
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
  double fastestKt = 1e9;     // never faster on the ground
  double stillFromS = -1.0, stillToS = 1e9;  // >= 0: slower than a walk from then (until then)
  double keepKt = 0.0, keepFromS = 0.0, keepToS = 0.0;  // at least keepKt meanwhile
  bool normal = false;        // nothing the motion check finds wrong
  double goneByS = -1.0;      // >= 0: removed by then, on the ground at a taxi's pace
  bool staysAloft = false;    // never on the ground
  double downAtMostS = -1.0;  // >= 0: never longer on the ground at a time
  bool rollsOnTheLine = false;  // on the ground at a roll's pace: on the runway's line, nose and path along it
  LatLon lineThrough = abeamHold;  // that line
  double lineUntilS = 1e9;         // until then
  double lineDeg = 5.0;             // path and nose at most this far off its bearing
};
Expect normal(Expect e) { e.normal = true; return e; }
Expect smooth(Expect e, double ktPerS, double fastestKt = 1e9, double stillFromS = -1.0) {
  e.changeKtPerS = ktPerS;
  e.fastestKt = fastestKt;
  e.stillFromS = stillFromS;
  return e;
}
Expect keeps(Expect e, double kt, double fromS, double toS) {
  e.keepKt = kt;
  e.keepFromS = fromS;
  e.keepToS = toS;
  return e;
}
Expect goneBy(Expect e, double s) { e.goneByS = s; return e; }
Expect staysAloft() { Expect e; e.staysAloft = true; return e; }
Expect bounces(double downAtMostS) { Expect e = smooth(Expect{}, 13.0, 128.0 * 1.1); e.downAtMostS = downAtMostS; return e; }
Expect grounded(double kt) { Expect e; e.groundKt = kt; return e; }
Expect liftsOff(double by) { Expect e; e.liftOffBy = by; return e; }
Expect keptThroughLanding() { Expect e; e.keptThroughLanding = true; return e; }
Expect slowsIn(double from, double to) { Expect e; e.slowingFromS = from; e.slowingToS = to; return e; }
Expect liftsOff(double by, double courseDeg) { Expect e = liftsOff(by); e.courseDeg = courseDeg; return e; }
Expect reappearsAloft(double after) { Expect e; e.reappearsAloftAfterS = after; return e; }
Expect keptUpWith(double lagS) { Expect e; e.behindAtMostS = lagS; return e; }
Expect keptUpWith(Expect e, double lagS, int unreached = 0) {
  e.behindAtMostS = lagS;
  e.unreachedAtMost = unreached;
  return e;
}
Expect smoothAloft(double from) { Expect e; e.smoothAloftFromS = from; return e; }
Expect onTheLine(Expect e, LatLon through = abeamHold, double untilS = 1e9) {
  e.rollsOnTheLine = true;
  e.lineThrough = through;
  e.lineUntilS = untilS;
  return e;
}
// A crosswind landing's roll-out, flown until the report before its turn-off begins.
Expect rollsOutOnTheLine(double every) {
  const std::vector<Row> rows = crabbedLanding(0.0, every, 0.0);
  return onTheLine(keptThroughLanding(), crabbedTouchdown, rows[rows.size() - 3].time + 30.0 - 1.0);
}
// Braking at 5 kt a second from a touchdown flown at about 313 s: 6.5 kt
// in any second of its roll-out, kept through its landing.
Expect brakesAsFed() {
  Expect e = smooth(keptThroughLanding(), 6.5);
  e.changeFromS = 313.0 + 3.0;
  return e;
}
// Never off the ground, braking as smoothly as its reports and standing
// while they stand, each report reached at most a few seconds late.
Expect rejected() {
  Expect e = keptUpWith(smooth(grounded(110.0 * 1.1), 13.0, 110.0 * 1.1, rejectionStopS + 30.0 + 10.0), 30.0 + 5.0);
  e.stillToS = rejectionOnS + 30.0 - 5.0;
  return e;
}

struct RollCase {
  const char* name;
  std::string text;
  Outage outage;
  double seconds;
  Expect expect;
};

bool onGround(const simemu::Pose& p) { return p.altitude < onGroundBelowFt; }
double metresBetween(const simemu::Pose& a, const simemu::Pose& b) {
  return gf_greatCircleDistanceNm({a.latitude, a.longitude}, {b.latitude, b.longitude}) * metresPerNm;
}
// Knots over the second before point i (points come 10 a second).
double ktOver(const std::vector<testsupport::TrackPoint>& p, std::size_t i) {
  return metresBetween(p[i - 10].pose, p[i].pose) / metresPerNm / (p[i].time - p[i - 10].time) * 3600.0;
}
// Metres off the runway's line through a point (by default the one abeam the holds).
double offRunwayMetres(const simemu::Pose& p, LatLon through = abeamHold) {
  const double nm = gf_greatCircleDistanceNm(through, {p.latitude, p.longitude});
  const double bearing = gf_initialBearing(through, {p.latitude, p.longitude});
  return std::fabs(std::sin(bearing - runwayDeg * radiansPerDegree)) * nm * metresPerNm;
}

void play(EngineHarness& harness, const std::string& text, double seconds, Outage outage) {
  feeder::ScenarioPlayer player(feeder::gf_parseScenario(text, "scenario"), testsupport::harnessStartTime);
  const auto passes = static_cast<std::int64_t>(seconds * 100.0);
  for (std::int64_t i = 0; i < passes; ++i) {
    const double t = harness.now();
    player.sendDue(testsupport::harnessStartTime + t, [&](feeder::FeedStream stream, std::string_view line) {
      const bool silent = (t >= outage.from && t < outage.to) || (t >= outage.thenFrom && t < outage.thenTo);
      if (stream == feeder::FeedStream::traffic && !silent) harness.feedLine(line);
    });
    harness.pass();
  }
}

void check(const EngineHarness& harness, const Expect& e) {
  ASSERT_FALSE(harness.tracks().empty());
  const auto& first = harness.tracks().begin()->second;
  const auto& p = first.points;
  const motioncheck::MotionReport motion = harness.motion();
  const motioncheck::CallsignMotion& m = motion.of(callsign);
  if (e.groundKt > 0.0) {  // a stale speed never rolls it, nor lifts it off
    EXPECT_TRUE(m.liftOffs.empty()) << "lifted off at " << m.liftOffs.front().time - testsupport::harnessStartTime;
    EXPECT_LE(m.fastestOffRollKt, e.groundKt);
  }
  if (e.liftOffBy >= 0.0) {  // lifted off from a straight roll along the runway, its course
    ASSERT_EQ(m.objects.size(), 1u);
    EXPECT_TRUE(m.removals.empty());
    ASSERT_EQ(m.liftOffs.size(), 1u);
    const motioncheck::LiftOff& off = m.liftOffs.front();
    EXPECT_TRUE(off.straight) << "path " << off.worstPathDeg << ", nose " << off.worstNoseDeg << " degrees off";
    EXPECT_LE(off.time - testsupport::harnessStartTime, e.liftOffBy);
    EXPECT_LE(std::fabs(std::remainder(off.courseDeg - e.courseDeg, 360.0)), 3.0) << off.courseDeg;
    for (const auto& q : p) {  // its last 10 s on the ground on the runway's line
      const bool rolling = q.time > off.time - testsupport::harnessStartTime - 10.0 && onGround(q.pose);
      ASSERT_LE(rolling ? offRunwayMetres(q.pose) : 0.0, 25.0) << "at " << q.time;
    }
  }
  if (e.keptThroughLanding) {
    EXPECT_EQ(m.objects.size(), 1u);
    EXPECT_TRUE(m.removals.empty()) << "removed at " << m.removals.front().time - testsupport::harnessStartTime;
    EXPECT_TRUE(onGround(p.back().pose));
  }
  if (e.turnsOnTheGround) {
    EXPECT_TRUE(m.noseOff.empty()) << m.noseOff.front().worstDeg << " degrees at " << m.noseOff.front().start;
    EXPECT_TRUE(m.backwards.empty());
  }
  if (e.reappearsAloftAfterS >= 0.0) {  // not driven across the field: gone where it held, back in the air
    ASSERT_GE(m.objects.size(), 2u);
    ASSERT_FALSE(m.removals.empty());
    const double gone = m.removals.front().time - testsupport::harnessStartTime;
    EXPECT_GE(gone, e.reappearsAloftAfterS);
    EXPECT_LE(gone, e.reappearsAloftAfterS + 6.0);
    EXPECT_LE(metresBetween(p.back().pose, p[p.size() > 100 ? p.size() - 100 : 0].pose), 1.0);
    for (auto it = std::next(harness.tracks().begin()); it != harness.tracks().end(); ++it)
      for (const auto& q : it->second.points) ASSERT_FALSE(onGround(q.pose)) << "object " << it->first << " at " << q.time;
    EXPECT_EQ(m.removals.size(), 1u);  // the one in the air stays while its reports go on
  }
  for (const auto& q : p) ASSERT_TRUE(!e.staysAloft || !onGround(q.pose)) << "down at " << q.time;
  for (std::size_t i = 0, down = 0; e.downAtMostS >= 0.0 && i < p.size(); ++i) {
    down = onGround(p[i].pose) ? (down == 0 ? i : down) : 0;
    ASSERT_LE(down == 0 ? 0.0 : p[i].time - p[down].time, e.downAtMostS) << "down since " << p[down].time;
  }
  if (e.goneByS >= 0.0) {  // its made-up roll-out never stands on the runway
    ASSERT_FALSE(m.removals.empty());
    EXPECT_LE(m.removals.front().time - testsupport::harnessStartTime, e.goneByS);
    EXPECT_TRUE(m.removals.front().onGround);
    EXPECT_LE(m.removals.front().speedKt, 25.0);
  }
  if (e.behindAtMostS >= 0.0) {
    EXPECT_LE(m.unreachedReports, e.unreachedAtMost) << "of " << m.reports;
    EXPECT_LE(m.largestLagSeconds, e.behindAtMostS) << "report at " << m.largestLagAt - testsupport::harnessStartTime;
  }
  if (e.smoothAloftFromS >= 0.0) {  // a second apart: no sinking, speed within 1 kt of the second before
    const auto from = std::find_if(p.begin(), p.end(), [&](const auto& q) { return q.time >= e.smoothAloftFromS; });
    ASSERT_LT(static_cast<std::size_t>(from - p.begin()) + 20, p.size());
    for (std::size_t i = static_cast<std::size_t>(from - p.begin()) + 20; i < p.size(); i += 10) {
      ASSERT_FALSE(onGround(p[i].pose));
      ASSERT_GE(p[i].pose.altitude - p[i - 10].pose.altitude, -1.0) << "sinking at " << p[i].time;
      ASSERT_LE(std::fabs(ktOver(p, i) - ktOver(p, i - 10)), 1.0) << "speed changing at " << p[i].time;
    }
  }
  if (e.normal) {
    SCOPED_TRACE(motioncheck::gf_motionText(motion, testsupport::harnessStartTime));
    EXPECT_EQ(motion.flips + motion.surges + motion.neverReached + motion.noseOffSpans + motion.backwardSpans +
                  motion.fastGroundSpans + motion.crookedLiftOffs + motion.runwayRemovals,
              0);
  }
  // (the object stands still for its first second or two, until its first move)
  for (std::size_t i = 20; i < p.size(); ++i) {
    if (!onGround(p[i].pose) || !onGround(p[i - 20].pose) || p[i].time - p[i - 20].time > 2.1 ||
        p[i - 20].time < first.created + 3.0)
      continue;
    // (a stop from a crawl at a report is left to the stop rules)
    if (std::min(ktOver(p, i), ktOver(p, i - 10)) > 25.0 && p[i].time >= e.changeFromS) {
      ASSERT_LE(std::fabs(ktOver(p, i) - ktOver(p, i - 10)), e.changeKtPerS) << "at " << p[i].time;
    }
    ASSERT_LE(ktOver(p, i), e.fastestKt) << "at " << p[i].time;
    if (p[i].time >= e.keepFromS && p[i].time <= e.keepToS) {
      ASSERT_GE(ktOver(p, i), e.keepKt) << "at " << p[i].time;
    }
    if (e.stillFromS >= 0.0 && p[i].time >= e.stillFromS && p[i].time <= e.stillToS) {
      ASSERT_LE(ktOver(p, i), 3.0) << "at " << p[i].time;
    }
  }
  if (e.rollsOnTheLine) {  // worst off the line, path and nose off its bearing, at 40 kt or more
    double offM = 0.0, pathDeg = 0.0, noseDeg = 0.0, offAt = 0.0, pathAt = 0.0, noseAt = 0.0;
    for (std::size_t i = 10; i < p.size(); ++i) {
      if (!onGround(p[i].pose) || !onGround(p[i - 10].pose) || p[i].time - p[i - 10].time > 1.1 ||
          ktOver(p, i) < 40.0 || p[i].time > e.lineUntilS)
        continue;
      const double path = gf_initialBearing({p[i - 10].pose.latitude, p[i - 10].pose.longitude},
                                            {p[i].pose.latitude, p[i].pose.longitude}) * degreesPerRadian;
      const double off = offRunwayMetres(p[i].pose, e.lineThrough);
      const double pathOff = std::fabs(std::remainder(path - runwayDeg, 360.0));
      const double noseOff = std::fabs(std::remainder(p[i].pose.heading * degreesPerRadian - runwayDeg, 360.0));
      if (off > offM) offM = off, offAt = p[i].time;
      if (pathOff > pathDeg) pathDeg = pathOff, pathAt = p[i].time;
      if (noseOff > noseDeg) noseDeg = noseOff, noseAt = p[i].time;
    }
    const std::string worst = fmt::format("{:.1f} m off the line at {:.1f} s, path {:.1f} deg at {:.1f} s, "
                                          "nose {:.1f} deg at {:.1f} s", offM, offAt, pathDeg, pathAt, noseDeg, noseAt);
    EXPECT_LE(offM, 15.0) << worst;
    EXPECT_LE(pathDeg, e.lineDeg) << worst;
    EXPECT_LE(noseDeg, e.lineDeg) << worst;
  }
  if (e.slowingFromS >= 0.0) {
    const auto down = std::find_if(p.begin(), p.end(), [](const auto& q) { return onGround(q.pose); });
    ASSERT_NE(down, p.end());
    std::size_t i = static_cast<std::size_t>(down - p.begin()) + 10;
    while (i < p.size() && ktOver(p, i) >= 30.0) ++i;
    ASSERT_LT(i, p.size());
    EXPECT_GE(p[i].time - down->time, e.slowingFromS) << "below 30 kt at " << p[i].time;
    EXPECT_LE(p[i].time - down->time, e.slowingToS) << "below 30 kt at " << p[i].time;
    // Braking no harder than about 2 m/s^2, over 3 s (a made-up report's step).
    const auto kt3 = [&p](std::size_t k) { return metresBetween(p[k - 30].pose, p[k].pose) / 3.0 / 0.514444; };
    for (std::size_t j = static_cast<std::size_t>(down - p.begin()) + 90; j < i; ++j)
      ASSERT_LE((kt3(j - 30) - kt3(j)) / 3.0 * mPerS2PerKtPerS, 2.5) << "at " << p[j].time;
  }
}

TEST(RealTrafficScenario, TakeOffAndLandingRollsGoAsAircraftRoll) {
  const std::string header = fmt::format("aircraft 3958301 {} A20N D-AIRL FRA LHR A3", callsign);
  const RollCase cases[] = {
      {"stale 139.8 kt after a silent queue", scenarioText(header, staleRollSpeedAfterAQueue(), 2.0),
       {staleQueueFromS, staleBackS}, 460, grounded(7.0 * 1.5 * 1.05)},  // no roll; a catch-up at 1.5x its pace
      // positions that jump are held or dropped, never chased faster than a taxi
      {"stale 139.8 kt on jittery positions", scenarioText(header, staleRollSpeedOnJitteryPositions(), 2.0), {}, 300,
       grounded(43.0 * 1.05)},
      {"born on the apron with a stale 150 kt", scenarioText(header, bornWithStaleRollSpeed(), 2.0), {}, 260,
       grounded(12.0 * 1.5)},
      {"holder beside the runway lines up before its roll", scenarioText(header, holdBesideTheRunway(), 2.0),
       {130.0, lineUpAirborneS}, 330, liftsOff(lineUpAirborneS + 30.0 + 40.0)},
      {"holder backtracks, next reported rolling behind it", scenarioText(header, backtrackAtTheHold(), 5.0),
       {85.0, backtrackResumeS}, 330, liftsOff(backtrackAirborneS + 30.0 + 30.0)},
      {"landing on made-up reports, reports back in its roll-out", scenarioText(header, landingOverAnOutage(), 3.0),
       {outageFromS + 0.5, outageToS}, 420, keptThroughLanding()},
      {"made-up roll-out slows like an aircraft", scenarioText(header, rollOutAfterTheReportsEnd(), 3.0), {}, 360,
       slowsIn(18.0, 32.0)},
      // speeds change as an aircraft's do (legs paced report by report: up to 6 kt
      // in a step, twice that while a leg catches up)
      {"take-off", scenarioText(header, takeOff(), 2.0), {}, 140, smooth(liftsOff(takeOffAirborneS + 30.0 + 10.0), 13.0)},
      // positions as noisy as a feed's: a straight roll along the runway's line
      // (while it gathers its first 50 kt its legs are paced to reports still
      // within their noise: its speed changes up to 20 kt in a second; at 10 m
      // every 1.2 s more, left to the straight roll alone)
      {"take-off, reports every 1.1 s 8 m off", scenarioText(header, noisyTakeOff(8.0, 1.1), 1.1), {}, 140,
       smooth(liftsOff(firstAirborneS(noisyTakeOff(8.0, 1.1)) + 30.0 + 10.0), 20.0)},
      {"take-off, reports every 1.1 s 5 m off", scenarioText(header, noisyTakeOff(5.0, 1.1), 1.1), {}, 140,
       smooth(liftsOff(firstAirborneS(noisyTakeOff(5.0, 1.1)) + 30.0 + 10.0), 20.0)},
      {"take-off, reports every 1.2 s 10 m off", scenarioText(header, noisyTakeOff(10.0, 1.2), 1.2), {}, 140,
       liftsOff(firstAirborneS(noisyTakeOff(10.0, 1.2)) + 30.0 + 10.0)},
      // (its first reports at 9 and 18 kt lie within the noise of its standing one and wait
      // for one beyond it: it moves off early and gathers speed by up to 13.5 kt in a second;
      // a standing report 22.6 m off the one it stands at is never reached)
      {"take-off, reports every 3 s 8 m off", scenarioText(header, noisyTakeOff(8.0, 3.0), 3.0), {}, 140,
       smooth(liftsOff(firstAirborneS(noisyTakeOff(8.0, 3.0)) + 30.0 + 10.0), 14.0)},
      {"rejected take-off at 110 kt", scenarioText(header, rejectedTakeOff(), 2.0), {}, 200,
       smooth(grounded(110.0 * 1.1), 13.0, 110.0 * 1.1, rejectedStopS + 30.0 + 10.0)},
      // the taxi-speed report comes while it still rolls fast: it brakes through the reports before it
      {"rejected take-off after a taxi and a stand", scenarioText(header, rejectedAfterATaxi({}), 2.0), {}, 330,
       rejected()},
      {"rejected take-off, reports every 1.1 s", scenarioText(header, rejectedAfterATaxi({1.1}), 1.1), {}, 330,
       rejected()},
      {"rejected take-off, reports every 3 s", scenarioText(header, rejectedAfterATaxi({3.0}), 3.0), {}, 330,
       rejected()},
      {"rejected take-off, the feed repeating 110 kt 6 s into the braking",
       scenarioText(header, rejectedAfterATaxi({2.0, 6.0}), 2.0), {}, 330, rejected()},
      {"rejected take-off, silent 8 s in the braking", scenarioText(header, rejectedAfterATaxi({}), 2.0),
       {rejectionBrakeS + 6.0, rejectionBrakeS + 14.0}, 330, rejected()},
      {"rejected take-off, its reports ending at 60 kt in the braking", scenarioText(header, rejectedThenSilent(), 2.0),
       {}, 330, goneBy(smooth(grounded(110.0 * 1.1), 13.0), rejectionBrakeS + 10.0 + 30.0 + 90.0)},
      {"rejected take-off, turning off the runway after",
       scenarioText(header, rejectedAfterATaxi({2.0, 0.0, true}), 2.0), {}, 330, rejected()},
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
      {"born in a landing roll at 116 kt", scenarioText(header, bornInALandingRoll(), 2.0), {}, 160,
       smooth(keptThroughLanding(), 13.0, 116.0 * 1.1)},
      {"born in a landing roll at 116 kt, reports every 8 s", scenarioText(header, bornInALandingRoll(), 8.0), {}, 160,
       smooth(keptThroughLanding(), 13.0, 116.0 * 1.1)},
      // first seen low and fast, its positions 10 m off by turns, its speed frozen 10 s
      // (its legs paced to each noisy report, its speed swings up to 22 kt in a second; it never surges)
      {"born in a landing roll at 116 kt, as fed", scenarioText(header, bornInALandingRollAsFed(), 2.0),
       {}, 160, smooth(keptThroughLanding(), 25.0, 116.0 * 1.1)},
      {"line-up and take-off from a 15 kt taxi", scenarioText(header, lineUpAndGo(), 2.0), {}, 200,
       normal(liftsOff(firstAirborneS(lineUpAndGo()) + 30.0 + 10.0))},
      {"departure held 3 minutes at the hold, then rolling", scenarioText(header, heldThenRolling(), 2.0), {}, 400,
       [] {  // moved off at its reports' pace: none passed by, lifting off in time
         Expect e = normal(keptUpWith(30.0 + 5.0));
         e.liftOffBy = firstAirborneS(heldThenRolling()) + 30.0 + 5.0;
         return e;
       }()},
      {"taxi round a U-turn at 8 kt", scenarioText(header, taxiUTurn(), 2.0), {}, 200,
       [] { Expect e = normal(grounded(8.0 * 1.5)); e.turnsOnTheGround = true; return e; }()},
      {"taxi every 15 s, the feed repeating 0 kt", scenarioText(header, taxiWithAStaleStop(), 15.0), {}, 300,
       [] { Expect e = normal(grounded(15.0 * 1.25)); e.behindAtMostS = 40.0; return e; }()},
      {"landing backtracks and turns on the runway", scenarioText(header, landingThatBacktracks(), 3.0), {}, 480,
       [] { Expect e = keptThroughLanding(); e.turnsOnTheGround = true; return e; }()},
      {"holder next seen aloft 3 km away", scenarioText(header, holderSeenNextFarAway(), 5.0),
       {85.0, farHoldResumeS}, 830, reappearsAloft(farHoldResumeS)},
      {"departure silent 2 minutes while taxiing", scenarioText(header, departureSilentWhileTaxiing(), 5.0),
       {taxiSilentFromS, taxiSilentToS}, 420,  // its backtrack made up at 20 kt from where it stopped: 83 s late
       liftsOff(taxiSilentAirborneS + 30.0 + 100.0, takeOffDeg)},
      // departures whose next reports show them rolling or airborne away from where they were last seen
      {"queued 700 m beside the runway, next seen 300 ft up", scenarioText(header, queuedFarBesideTheRunway(), 4.0),
       {125.0, farBesideAirborneS}, 500, liftsOff(farBesideAirborneS + 30.0 + 200.0)},
      {"queued 700 m beside the runway, next seen rolling at 100 kt",
       scenarioText(header, queuedFarBesideTheRunway(true), 4.0), {125.0, farBesideAirborneS}, 500,
       liftsOff(farBesideAirborneS + 30.0 + 200.0)},
      {"holder nose away from the take-off, seen aloft a minute later",
       scenarioText(header, holderSeenAloftSoonAfter(), 5.0), {85.0, quickAirborneS}, 330,
       liftsOff(quickAirborneS + 30.0 + 150.0)},
      {"taxiing, silent 2 minutes, seen rolling once", scenarioText(header, departureSilentWhileTaxiingThinly(), 7.0),
       {thinTaxiSilentFromS, thinTaxiRollS, thinTaxiRollS + 1.0, thinTaxiAirborneS}, 420,
       liftsOff(thinTaxiAirborneS + 30.0 + 100.0, takeOffDeg)},
      {"roll whose positions run 450 m ahead for three reports", scenarioText(header, rollWithPositionsAhead(), 1.5),
       {}, 160, liftsOff(firstAirborneS(rollWithPositionsAhead()) + 30.0 + 10.0)},
      {"lined up, next reported through 38 kt", scenarioText(header, linedUpRoll(), 2.0),
       {linedUpSeenS - 35.0, linedUpSeenS}, 240, liftsOff(linedUpAirborneS + 30.0 + 10.0)},
      {"landing in a 140 s gap, then taxiing at 20 kt", scenarioText(header, landingGapThenTaxi(), 5.0),
       {gapLandingFromS + 0.5, gapLandingToS}, 700, [] {  // 2.2 km behind: 140 s to its first report at 30 kt
         Expect e = keptUpWith(150.0);
         e.groundKt = 20.0 * 1.5 * 1.05;
         return e;
       }()},
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
      {"roll-out reports ending at 60 kt", scenarioText(header, rollOutEndingAt60Kt(2.0), 2.0), {}, 460,
       goneBy(smooth(Expect{}, 13.0), endedRollOutS + 30.0 + 90.0)},
      {"roll-out reports ending at 60 kt, every 3 s, 6 m off by turns",
       scenarioText(header, rollOutEndingAt60Kt(3.0, 6.0), 3.0), {}, 460,
       goneBy(smooth(Expect{}, 25.0), endedRollOutS + 30.0 + 90.0)},
      {"roll-out reports ending at 60 kt, every 5 s", scenarioText(header, rollOutEndingAt60Kt(5.0), 5.0), {}, 460,
       goneBy(smooth(Expect{}, 13.0), endedRollOutS + 30.0 + 90.0)},
      // no roll: it taxis on at their pace (a catch-up at up to 1.5 times it) and holds when they end
      {"holder next seen taxiing fast ahead", scenarioText(header, holderNextTaxiingFast(4.0, 32.0, 400.0), 4.0),
       {queueSilentFromS, queueSilentToS}, 460, keptUpWith(smooth(grounded(32.0 * 1.5), 13.0), 30.0 + 15.0)},
      {"holder next seen taxiing fast ahead, 36 kt 600 m on, reports every 2 s",
       scenarioText(header, holderNextTaxiingFast(2.0, 36.0, 600.0), 2.0), {queueSilentFromS, queueSilentToS}, 460,
       grounded(36.0 * 1.5)},  // (still catching up when they end, it stops where it is: the holding)
      // a crosswind roll: its nose reported 10 degrees off the way it rolls
      {"take-off, its nose reported 10 degrees off its track",
       scenarioText(header, crabbedTakeOff(0.0, 2.0, 10.0), 2.0), {}, 140,
       normal(liftsOff(firstAirborneS(crabbedTakeOff(0.0, 2.0, 10.0)) + 30.0 + 10.0))},
      // crosswind rolls: the nose reported 5-15 degrees off the track, positions noisy
      {"crosswind take-off, crab 10, every 2 s, 4 m off", scenarioText(header, crabbedTakeOff(4.0, 2.0, 10.0), 2.0),
       {}, 140, onTheLine(liftsOff(firstAirborneS(crabbedTakeOff(4.0, 2.0, 10.0)) + 30.0 + 10.0))},
      {"crosswind take-off, crab 5, every 1.1 s, 8 m off", scenarioText(header, crabbedTakeOff(8.0, 1.1, 5.0), 1.1),
       {}, 140, onTheLine(liftsOff(firstAirborneS(crabbedTakeOff(8.0, 1.1, 5.0)) + 30.0 + 10.0))},
      {"crosswind take-off, crab -15, every 3 s, 6 m off", scenarioText(header, crabbedTakeOff(6.0, 3.0, -15.0), 3.0),
       {}, 140, onTheLine(liftsOff(firstAirborneS(crabbedTakeOff(6.0, 3.0, -15.0)) + 30.0 + 10.0))},
      {"crosswind take-off, crab 12, every 5 s, 8 m off", scenarioText(header, crabbedTakeOff(8.0, 5.0, 12.0), 5.0),
       {}, 160, onTheLine(liftsOff(firstAirborneS(crabbedTakeOff(8.0, 5.0, 12.0)) + 30.0 + 10.0))},
      {"crosswind take-off, crab -8, every 1.5 s, 2 m off", scenarioText(header, crabbedTakeOff(2.0, 1.5, -8.0), 1.5),
       {}, 140, onTheLine(liftsOff(firstAirborneS(crabbedTakeOff(2.0, 1.5, -8.0)) + 30.0 + 10.0))},
      {"crosswind landing, crab 10, every 2 s, 4 m off", scenarioText(header, crabbedLanding(4.0, 2.0, 10.0), 2.0),
       {}, 420, rollsOutOnTheLine(2.0)},
      // (noise judged across the line only: near 40 kt its short noisy legs are lined up
      // less, and its path and nose wander up to 8.4 deg off the line)
      {"crosswind landing, crab -5, every 1.1 s, 8 m off", scenarioText(header, crabbedLanding(8.0, 1.1, -5.0), 1.1),
       {}, 420, [] { Expect e = rollsOutOnTheLine(1.1); e.lineDeg = 9.0; return e; }()},
      {"crosswind landing, crab 15, every 3 s, 6 m off", scenarioText(header, crabbedLanding(6.0, 3.0, 15.0), 3.0),
       {}, 420, rollsOutOnTheLine(3.0)},
      {"crosswind landing, crab -12, every 5 s, 0 m off", scenarioText(header, crabbedLanding(0.0, 5.0, -12.0), 5.0),
       {}, 420, rollsOutOnTheLine(5.0)},
      {"take-off, reports every 10 s", scenarioText(header, noisyTakeOff(0.0, 10.0), 10.0), {}, 160,
       normal(liftsOff(firstAirborneS(noisyTakeOff(0.0, 10.0)) + 30.0 + 10.0))},
      {"take-off, reports every 6 s 10 m off", scenarioText(header, noisyTakeOff(10.0, 6.0), 6.0), {}, 160,
       normal(liftsOff(firstAirborneS(noisyTakeOff(10.0, 6.0)) + 30.0 + 10.0))},
      {"landing every 5 s, the feed repeating 135 kt into its roll-out",
       scenarioText(header, landingWithAStaleSpeed(), 5.0), {}, 420, keptThroughLanding()},
      {"taxi across the runway at 25 kt, every 3 s 5 m off", scenarioText(header, taxiAcrossTheRunway(5.0), 3.0), {},
       150, normal(grounded(25.0 * 1.5))},
      {"taxi across the runway at 25 kt, every 4 s 8 m off", scenarioText(header, taxiAcrossTheRunway(8.0, 4.0), 4.0),
       {}, 150, normal(grounded(25.0 * 1.5))},
      {"landing roll with one report 300 m ahead", scenarioText(header, landingRollWithAJump(2.0), 2.0), {}, 160,
       smooth(keptThroughLanding(), 13.0, 116.0 * 1.1)},
      // (down for its three reports' spacing and its rotation)
      {"touch-and-go, three ground reports", scenarioText(header, touchAndGo(2.0), 2.0), {}, 340, bounces(2.0 * 6.0)},
      {"touch-and-go, three ground reports every 3 s", scenarioText(header, touchAndGo(3.0), 3.0), {}, 340,
       bounces(3.0 * 5.0)},
      // its turn and backtrack followed report by report, none dropped as a jump ahead
      {"landing turns round on the runway and backtracks", scenarioText(header, landingTurnsRoundOnTheRunway(2.0, 0.0), 2.0),
       {}, 600, keptUpWith(keptThroughLanding(), 30.0 + 5.0)},
      {"landing turns round on the runway and backtracks, every 4 s 5 m off",
       scenarioText(header, landingTurnsRoundOnTheRunway(4.0, 5.0), 4.0), {}, 600,
       keptUpWith(keptThroughLanding(), 30.0 + 5.0)},
      {"climbing out when its reports end", scenarioText(header, climbOutThenSilent(), 5.0), {}, 150,
       smoothAloft(climbOutEndS + 30.0)},
      // landed in a 140 s gap: the made-up roll-out gives way to its reports as they resume
      {"landing in a 100 s gap, back in its roll-out, every 3 s 5 m off", scenarioText(header, landingGapAsFed(3.0, 5.0, 1.0), 3.0),
       {gapFromS(500.0) + 0.5, gapFromS(500.0) + 100.0}, 700, keptUpWith(keptThroughLanding(), 90.0, 2)},
      {"landing in a 95 s gap, back in its roll-out, every 2 s 8 m off", scenarioText(header, landingGapAsFed(2.0, 8.0, 1.0), 2.0),
       {gapFromS(500.0) + 0.5, gapFromS(500.0) + 95.0}, 700, keptUpWith(keptThroughLanding(), 90.0, 10)},
      {"landing, every third report 800 m off", scenarioText(header, landingWithJumpingPositions(2.0, 3, 800.0), 2.0), {}, 400,
       keptThroughLanding()},
      {"landing, every other report 1.5 km off", scenarioText(header, landingWithJumpingPositions(3.0, 2, 1500.0), 3.0), {}, 400,
       keptThroughLanding()},
      {"queue, every third report 800 m off", scenarioText(header, queueWithJumpingPositions(4.0, 3, 800.0), 4.0), {}, 460,
       [] { Expect e = keptThroughLanding(); e.groundKt = 12.0 * 1.5 * 1.05; return e; }()},
      {"queue, every fourth report 1.5 km off, every 8 s", scenarioText(header, queueWithJumpingPositions(8.0, 4, 1500.0), 8.0), {}, 460,
       [] { Expect e = keptThroughLanding(); e.groundKt = 12.0 * 1.5 * 1.05; return e; }()},
      {"taxi, every third report 800 m off", scenarioText(header, taxiWithJumpingPositions(2.0, 3, 800.0), 2.0), {}, 400,
       [] { Expect e = keptThroughLanding(); e.groundKt = 15.0 * 1.5 * 1.05; return e; }()},
  };
  for (const RollCase& c : cases) {
    if (!testsupport::scenarioRowChosen(c.name)) continue;
    SCOPED_TRACE(c.name);
    EngineHarness harness({{"DLH", "", "A20N", false, lufthansa, ""}}, {lufthansa}, false,
                          testsupport::PoseRecording::on);
    harness.readFrankfurtAsParkAirport();
    play(harness, c.text, c.seconds, c.outage);
    gf_clearParkAirport();
    check(harness, c.expect);
  }
}

} // namespace
} // namespace gwr
