// Take-offs from recorded airport traffic and the holds before them: a holder
// lining up or backtracking, silences before the roll, rejections, crosswinds.
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

// Holding 300 m beside 25C on a taxiway angled into it; after a silence its
// next report is 300 ft up 0.9 nm down the runway from the point abeam the hold.
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

// Climbing out of 25C at 800 ft/min and 133 kt; its reports end 900 ft above the field.
constexpr double climbOutEndS = 60.0;
std::vector<Row> climbOutThenSilent() {
  std::vector<Row> rows;
  for (double t = 0.0; t <= climbOutEndS; t += 10.0)
    rows.push_back({t, ahead(runwayPoint, runwayDeg, 2000.0 + 133.0 * 0.514444 * t), fieldFt + 100.0 + 800.0 * t / 60.0,
                    133.0, 800.0, false});
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

// A line-up that stops 40 degrees off the centreline: onto the runway at 8 kt,
// standing crooked 20 s, turned onto the line where it stands (the heading
// field only), then the noisy roll of the take-off above.
std::vector<Row> crookedLineUp(double noiseM, double every) {
  std::vector<Row> rows;
  const double crookedDeg = runwayDeg - 40.0, rollFromS = std::ceil(40.0 / every - 1e-9) * every;
  straight(rows, 0.0, ahead(runwayPoint, crookedDeg + 180.0, 8.0 * 0.514444 * 10.0), crookedDeg, 8.0, 10.0, every, 8.0);
  for (Row& r : rows) r.headingDeg = crookedDeg;
  for (double t = rows.back().time + every; t < rollFromS - 1e-9; t += every)
    rows.push_back({t, runwayPoint, fieldFt, 0.0, 0.0, true, t < 30.0 ? crookedDeg : runwayDeg});
  const LatLon off = evenly(rows, rollFromS, runwayPoint, runwayDeg, 0.0, 150.0, 3.0, every);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    sentOff(rows[i], runwayDeg, i % 2 == 0 ? noiseM : -noiseM);
    sentOff(rows[i], runwayDeg + 90.0, (i / 2) % 2 == 0 ? noiseM : -noiseM);
    if (rows[i].time >= rollFromS) rows[i].headingDeg = runwayDeg;
  }
  const double airborne = rows.back().time + every;
  rows.push_back({airborne, ahead(off, runwayDeg, 155.0 * 0.514444 * every), fieldFt + 50.0, 155.0, 1500.0, false, runwayDeg});
  rows.push_back({airborne + 60.0, ahead(off, runwayDeg, 170.0 * 0.514444 * 62.0), fieldFt + 1800.0, 180.0, 2000.0,
                  false, runwayDeg});
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
// repeat the roll's 110 kt for staleS into the braking (or for rollStaleS while
// gathering speed the speed it had rollStaleFromS into the roll: 60 kt at 20 s),
// the taxi on may turn off the runway to the right, and
// each position may lie noiseM off along and across by turns (no heading: the
// track is drawn from the positions).
struct Rejection {
  double every = 2.0, staleS = 0.0;
  bool turnsOff = false;
  double rollStaleS = 0.0, noiseM = 0.0, rollStaleFromS = 20.0;
};
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
      kt = s >= v.rollStaleFromS && s < v.rollStaleFromS + v.rollStaleS ? 3.0 * v.rollStaleFromS : 3.0 * s;
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
    const double along = i % 2 == 0 ? v.noiseM : -v.noiseM, across = (i / 2) % 2 == 0 ? v.noiseM : -v.noiseM;
    rows.push_back({t, ahead(ahead(at, runwayDeg, along), runwayDeg + 90.0, across), fieldFt, kt, 0.0, true});
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

// Taxiing at 15 kt on a taxiway square to 25C from the north, turning
// right onto it (40 m radius) and rolling on without a stop at 3 kt a
// second, lifting off at 150 kt.
std::vector<Row> lineUpAndGo(double every = 2.0) {
  std::vector<Row> rows;
  const double inDeg = runwayDeg - 90.0;
  const LatLon turnIn = ahead(runwayPoint, runwayDeg + 90.0, 40.0);
  straight(rows, 0.0, ahead(turnIn, runwayDeg + 90.0, 360.0), inDeg, 15.0, 360.0 / (15.0 * 0.514444), every, 15.0);
  const LatLon lined = arc(rows, rows.back().time, ahead(turnIn, runwayDeg, 40.0), 40.0, runwayDeg + 180.0, 90.0, 15.0,
                           every);
  const LatLon off = evenly(rows, rows.back().time + every, ahead(lined, runwayDeg, 15.0 * 0.514444 * every), runwayDeg,
                            15.0, 150.0, 3.0, every);
  const double airborne = rows.back().time + every;
  rows.push_back({airborne, ahead(off, runwayDeg, 155.0 * 0.514444 * every), fieldFt + 50.0, 155.0, 1500.0, false});
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

// A crosswind take-off: the take-off with its nose reported `crabDeg` off its
// track, every `every` seconds, its ground positions up to noiseM off.
std::vector<Row> crabbedTakeOff(double noiseM, double every, double crabDeg) {
  std::vector<Row> rows = noisyTakeOff(0.0, every);
  scatterOnTheGround(rows, noiseM);
  for (Row& r : rows) r.headingDeg = std::fmod(runwayDeg + crabDeg + 360.0, 360.0);
  return rows;
}

// Never off the ground, braking as smoothly as its reports and standing
// while they stand, each report reached at most a few seconds late.
Expect rejected() {
  Expect e = keptUpWith(smooth(grounded(110.0 * 1.1), 13.0, 110.0 * 1.1, rejectionStopS + 30.0 + 10.0), 30.0 + 5.0);
  e.stillToS = rejectionOnS + 30.0 - 5.0;
  return e;
}
// ...and its speed changing by no more than this in a second.
Expect rejectedSmoothly(double ktPerS) { return smooth(rejected(), ktPerS, 110.0 * 1.1, rejectionStopS + 30.0 + 10.0); }
// ...its positions noisy: how late it reaches each is left to the noise rows.
Expect noisyRejection(double ktPerS) {
  Expect e = rejectedSmoothly(ktPerS);
  e.behindAtMostS = -1.0;
  return e;
}

} // namespace

// Add a take-off or hold row here (one that leaves the ground or is called off on
// the runway); taxis and crossings go in the taxi table, landings in the landing one.
std::vector<RollCase> rollscenario::takeOffRollCases(const std::string& header) {
  return {
      {"holder beside the runway lines up before its roll", scenarioText(header, holdBesideTheRunway(), 2.0),
       {130.0, lineUpAirborneS}, 330, liftsOff(lineUpAirborneS + 30.0 + 40.0)},
      {"holder backtracks, next reported rolling behind it", scenarioText(header, backtrackAtTheHold(), 5.0),
       {85.0, backtrackResumeS}, 330, liftsOff(backtrackAirborneS + 30.0 + 30.0)},
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
      {"take-off, reports every 3 s 8 m off", scenarioText(header, noisyTakeOff(8.0, 3.0), 3.0), {}, 140,
       smooth(normal(liftsOff(firstAirborneS(noisyTakeOff(8.0, 3.0)) + 30.0 + 10.0)), 13.0)},
      // (it stands where its standing reports average and moves off from there, not from one report's noise)
      {"take-off, reports every 2.7 s 9 m off", scenarioText(header, noisyTakeOff(9.0, 2.7), 2.7), {}, 140,
       smooth(normal(liftsOff(firstAirborneS(noisyTakeOff(9.0, 2.7)) + 30.0 + 10.0)), 13.0)},
      {"take-off, reports every 3.3 s 8 m off", scenarioText(header, noisyTakeOff(8.0, 3.3), 3.3), {}, 140,
       smooth(normal(liftsOff(firstAirborneS(noisyTakeOff(8.0, 3.3)) + 30.0 + 10.0)), 13.0)},
      // the crooked stand says nothing of the roll's way: it rolls along the runway's line
      {"crooked line-up 40 degrees off, reports every 4 s 5 m off", scenarioText(header, crookedLineUp(5.0, 4.0), 4.0), {},
       180, onTheLine(smooth(normal(liftsOff(firstAirborneS(crookedLineUp(5.0, 4.0)) + 30.0 + 10.0)), 13.0), runwayPoint)},
      {"crooked line-up 40 degrees off, reports every 6 s 3 m off", scenarioText(header, crookedLineUp(3.0, 6.0), 6.0), {},
       180, onTheLine(smooth(normal(liftsOff(firstAirborneS(crookedLineUp(3.0, 6.0)) + 30.0 + 10.0)), 13.0), runwayPoint)},
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
      // a speed repeated while the positions brake or gather speed: their pace since it last changed
      {"rejected take-off, every 1.1 s, the feed repeating 110 kt 10 s into the braking",
       scenarioText(header, rejectedAfterATaxi({1.1, 10.0}), 1.1), {}, 330, rejectedSmoothly(8.0)},
      {"rejected take-off, every 1.1 s, the feed repeating 110 kt 4 s into the braking",
       scenarioText(header, rejectedAfterATaxi({1.1, 4.0}), 1.1), {}, 330, rejectedSmoothly(8.0)},
      {"rejected take-off, the feed repeating 110 kt 12 s into the braking",
       scenarioText(header, rejectedAfterATaxi({2.0, 12.0}), 2.0), {}, 330, rejectedSmoothly(8.0)},
      {"rejected take-off, every 3 s, the feed repeating 110 kt 9 s into the braking",
       scenarioText(header, rejectedAfterATaxi({3.0, 9.0}), 3.0), {}, 330, rejectedSmoothly(8.0)},
      {"rejected take-off, every 5 s, the feed repeating 110 kt 12 s into the braking",
       scenarioText(header, rejectedAfterATaxi({5.0, 12.0}), 5.0), {}, 330, rejectedSmoothly(10.5)},
      {"rejected take-off, reports every 5 s", scenarioText(header, rejectedAfterATaxi({5.0}), 5.0), {}, 330,
       rejectedSmoothly(10.5)},
      // positions as noisy as a feed's: a roll's legs lined up on the line its reports follow
      // (it stops where its standing reports lie, not dead at the last moving one taken short of them,
      // which it would reach only as it taxies on; the 52 s is its line-up's lag)
      {"rejected take-off, every 1.1 s 8 m off", scenarioText(header, rejectedAfterATaxi({1.1, 0.0, false, 0.0, 8.0}), 1.1),
       {}, 330, keptUpWith(noisyRejection(15.0), 52.0, 4)},
      {"rejected take-off, every 3 s 8 m off", scenarioText(header, rejectedAfterATaxi({3.0, 0.0, false, 0.0, 8.0}), 3.0),
       {}, 330, noisyRejection(20.0)},
      {"rejected take-off, every 1.1 s 5 m off, the feed repeating 110 kt 10 s into the braking",
       scenarioText(header, rejectedAfterATaxi({1.1, 10.0, false, 0.0, 5.0}), 1.1), {}, 330, noisyRejection(10.5)},
      {"rejected take-off, every 5 s 8 m off, the feed repeating 110 kt 10 s into the braking",
       scenarioText(header, rejectedAfterATaxi({5.0, 10.0, false, 0.0, 8.0}), 5.0), {}, 330, noisyRejection(10.5)},
      // its reports from before it rolled fast enough to be judged a roll (taxied as
      // they came) are lined up on the roll's line as it starts; near a stop 5 m
      // of noise is still told from the 20 m a report counts as reached within
      {"rejected take-off, every 2 s 5 m off", scenarioText(header, rejectedAfterATaxi({2.0, 0.0, false, 0.0, 5.0}), 2.0),
       {}, 330, keptUpWith(noisyRejection(8.0), 30.0 + 5.0)},
      {"rejected take-off, every 1.5 s 7 m off", scenarioText(header, rejectedAfterATaxi({1.5, 0.0, false, 0.0, 7.0}), 1.5),
       {}, 330, noisyRejection(8.0)},
      {"rejected take-off, every 2 s 5 m off, the feed repeating 60 kt 6 s while gathering speed",
       scenarioText(header, rejectedAfterATaxi({2.0, 0.0, false, 6.0, 5.0}), 2.0), {}, 330, noisyRejection(8.0)},
      {"rejected take-off, every 2 s 5 m off, the feed repeating 110 kt 6 s into the braking",
       scenarioText(header, rejectedAfterATaxi({2.0, 6.0, false, 0.0, 5.0}), 2.0), {}, 330, noisyRejection(10.5)},
      {"rejected take-off, every 1.1 s, the feed repeating 60 kt 6 s while gathering speed",
       scenarioText(header, rejectedAfterATaxi({1.1, 0.0, false, 6.0}), 1.1), {}, 330, rejectedSmoothly(8.0)},
      // short freezes: the pace fitted over the reports since, against its own error, not the noise's worst
      {"rejected take-off, every 1.1 s, the feed repeating 90 kt 4 s while gathering speed",
       scenarioText(header, rejectedAfterATaxi({1.1, 0.0, false, 4.0, 0.0, 30.0}), 1.1), {}, 330, rejectedSmoothly(7.0)},
      {"rejected take-off, every 1.1 s 3 m off, the feed repeating 90 kt 6 s while gathering speed",
       scenarioText(header, rejectedAfterATaxi({1.1, 0.0, false, 6.0, 3.0, 30.0}), 1.1), {}, 330, noisyRejection(7.0)},
      {"rejected take-off, silent 8 s in the braking", scenarioText(header, rejectedAfterATaxi({}), 2.0),
       {rejectionBrakeS + 6.0, rejectionBrakeS + 14.0}, 330, rejected()},
      {"rejected take-off, its reports ending at 60 kt in the braking", scenarioText(header, rejectedThenSilent(), 2.0),
       {}, 330, goneBy(smooth(grounded(110.0 * 1.1), 13.0), rejectionBrakeS + 10.0 + 30.0 + 90.0)},
      {"rejected take-off, turning off the runway after",
       scenarioText(header, rejectedAfterATaxi({2.0, 0.0, true}), 2.0), {}, 330, rejected()},
      {"line-up and take-off from a 15 kt taxi", scenarioText(header, lineUpAndGo(), 2.0), {}, 200,
       normal(liftsOff(firstAirborneS(lineUpAndGo()) + 30.0 + 10.0))},
      {"departure held 3 minutes at the hold, then rolling", scenarioText(header, heldThenRolling(), 2.0), {}, 400,
       [] {  // moved off at its reports' pace: none passed by, lifting off in time
         Expect e = normal(keptUpWith(30.0 + 5.0));
         e.liftOffBy = firstAirborneS(heldThenRolling()) + 30.0 + 5.0;
         return e;
       }()},
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
      {"take-off, reports every 10 s", scenarioText(header, noisyTakeOff(0.0, 10.0), 10.0), {}, 160,
       normal(liftsOff(firstAirborneS(noisyTakeOff(0.0, 10.0)) + 30.0 + 10.0))},
      {"take-off, reports every 6 s 10 m off", scenarioText(header, noisyTakeOff(10.0, 6.0), 6.0), {}, 160,
       normal(liftsOff(firstAirborneS(noisyTakeOff(10.0, 6.0)) + 30.0 + 10.0))},
      {"climbing out when its reports end", scenarioText(header, climbOutThenSilent(), 5.0), {}, 150,
       smoothAloft(climbOutEndS + 30.0)},
      // time stamps that jitter: a leg between two close ones looks far faster
      // than the roll, and is no lagging speed (it lifts off at 155 kt)
      {"line-up and take-off, every 2 s, time stamps 0.6 s off either way", scenarioText(header, lineUpAndGo(), 2.0), {}, 200,
       smooth(liftsOff(firstAirborneS(lineUpAndGo()) + 30.0 + 10.0), 1e9, 155.0 * 1.05), 0.6},
      {"take-off, every 1.1 s, time stamps 0.6 s off either way", scenarioText(header, noisyTakeOff(0.0, 1.1), 1.1),
       {}, 140, smooth(liftsOff(firstAirborneS(noisyTakeOff(0.0, 1.1)) + 30.0 + 10.0), 1e9, 155.0 * 1.05), 0.6},
      {"take-off, every 1.5 s, time stamps 1 s off either way", scenarioText(header, noisyTakeOff(0.0, 1.5), 1.5),
       {}, 140, smooth(liftsOff(firstAirborneS(noisyTakeOff(0.0, 1.5)) + 30.0 + 10.0), 1e9, 155.0 * 1.05), 1.0},
      {"take-off, every 2 s, time stamps 1 s off either way", scenarioText(header, noisyTakeOff(0.0, 2.0), 2.0),
       {}, 140, smooth(liftsOff(firstAirborneS(noisyTakeOff(0.0, 2.0)) + 30.0 + 10.0), 8.0, 155.0 * 1.05), 1.0},
      // (a report dropped as too close to the one before leaves a leg of two
      // reports' way between close stamps; a new roll speed over a slow-looking
      // leg is no stale one)
      {"line-up and take-off, every 1.5 s, time stamps 1 s off either way", scenarioText(header, lineUpAndGo(1.5), 1.5),
       {}, 200, smooth(liftsOff(firstAirborneS(lineUpAndGo(1.5)) + 30.0 + 10.0), 8.0, 155.0 * 1.05), 1.0},
      {"line-up and take-off, every 2.5 s, time stamps 1.2 s off either way", scenarioText(header, lineUpAndGo(2.5), 2.5),
       {}, 200, smooth(liftsOff(firstAirborneS(lineUpAndGo(2.5)) + 30.0 + 10.0), 8.0, 155.0 * 1.05), 1.2},
  };
}

} // namespace gwr
