// Taxis from recorded airport traffic: runway crossings, queues, stale speeds
// while taxiing, and taxis whose positions jump, flown through the whole engine.
#include <cstddef>
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

// Taxiing south-east at 15 kt, reported every `every` seconds, 5 m off by
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

// Taxiing at 12 kt, standing 4 minutes in a queue, taxiing on; reported
// every `every` seconds, 4 m off by turns, every `badEvery`-th report
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

// Taxiing along 100 at kt for a minute, round a right-hand corner of turnDeg
// (at one point, or on a bend of radiusM), on for a minute; a row every
// `every` seconds, each up to noiseM off any way.
std::vector<Row> taxiRoundACorner(double turnDeg, double kt, double every, double noiseM, double radiusM = 0.0) {
  const double pace = kt * 0.514444, straightM = 60.0 * pace, bendM = radiusM * turnDeg * radiansPerDegree;
  const LatLon from{50.0480, 8.5600}, bendFrom = ahead(from, 100.0, straightM);
  const LatLon centre = ahead(bendFrom, 190.0, radiusM);
  const LatLon bendTo = radiusM > 0.0 ? ahead(centre, 10.0 + turnDeg, radiusM) : bendFrom;
  const auto at = [&](double m) {
    if (m <= straightM) return ahead(from, 100.0, m);
    if (m <= straightM + bendM) return ahead(centre, 10.0 + (m - straightM) / radiusM * degreesPerRadian, radiusM);
    return ahead(bendTo, 100.0 + turnDeg, m - straightM - bendM);
  };
  std::vector<Row> rows;
  for (double t = 0.0; t * pace <= 2.0 * straightM + bendM + 1e-9; t += every)
    rows.push_back({t, at(t * pace), fieldFt, kt, 0.0, true});
  scatterOnTheGround(rows, noiseM);
  return rows;
}
// Round it no faster than 1.3 times its reports' speed over any second (the
// corner's slowing made up at their pace, not at once), a few seconds behind at most.
Expect roundsTheCorner(double kt) { return keptUpWith(smooth(grounded(kt * 1.3), 1e9, kt * 1.3), 30.0 + 6.0); }

// Taxiing across 25C at kt, each report up to noiseM off its place, any way.
std::vector<Row> scatteredAcrossTheRunway(double noiseM, double kt) {
  std::vector<Row> rows = taxiAcrossTheRunway(0.0, 1.0, kt);
  scatterOnTheGround(rows, noiseM);
  return rows;
}

// Taxiing along 100 at kt for a minute, braking evenly at ktPerS to a stop,
// standing a minute, moving off at the same rate to kt and on for a minute; a
// row every `every` seconds, each up to noiseM off any way.
std::vector<Row> taxiStopAndGo(double kt, double ktPerS, double every, double noiseM) {
  const double pace = kt * 0.514444, cruiseS = 60.0, brakeS = kt / ktPerS, standS = 60.0;
  const double cruiseM = pace * cruiseS, brakeM = pace * brakeS / 2.0, goFromS = cruiseS + brakeS + standS;
  std::vector<Row> rows;
  for (double t = 0.0; t <= goFromS + brakeS + 60.0 + 1e-9; t += every) {
    double kts = kt, m = pace * t;
    if (t > cruiseS && t <= cruiseS + brakeS) {
      kts = kt - ktPerS * (t - cruiseS);
      m = cruiseM + (kt + kts) / 2.0 * 0.514444 * (t - cruiseS);
    } else if (t > cruiseS + brakeS && t <= goFromS) {
      kts = 0.0;
      m = cruiseM + brakeM;
    } else if (t > goFromS && t <= goFromS + brakeS) {
      kts = ktPerS * (t - goFromS);
      m = cruiseM + brakeM + kts / 2.0 * 0.514444 * (t - goFromS);
    } else if (t > goFromS) {
      m = cruiseM + 2.0 * brakeM + pace * (t - goFromS - brakeS);
    }
    rows.push_back({t, ahead({50.0480, 8.5600}, 100.0, m), fieldFt, kts, 0.0, true});
  }
  scatterOnTheGround(rows, noiseM);
  return rows;
}
// Its speed over a second changes no more than about 7 kt in the next: an
// aircraft braking or gathering speed at up to 3 kt a second changes it by
// that between two seconds, twice over where it goes from braking to
// standing, and a little for the pace its reports' spacing leaves; reports
// 8 m off may make a leg's pace 1 kt more. So down to its stop and away from
// it (until its reports end, 30 s behind them).
Expect stopsAndGoesEvenly(double kt, double ktPerS, double noiseM) {
  Expect e = grounded(kt * 1.5);
  e.slowChangeKtPerS = noiseM >= 8.0 ? 8.0 : 7.0;
  e.changeToS = 60.0 + 2.0 * kt / ktPerS + 60.0 + 60.0 + 30.0 - 5.0;
  return e;
}

} // namespace

// Add a taxi, queue or runway crossing row here (one that never leaves the
// ground); take-offs and the holds before them go in the take-off table.
std::vector<RollCase> rollscenario::taxiRollCases(const std::string& header) {
  return {
      {"stale 139.8 kt after a silent queue", scenarioText(header, staleRollSpeedAfterAQueue(), 2.0),
       {staleQueueFromS, staleBackS}, 460, grounded(7.0 * 1.5 * 1.05)},  // no roll; a catch-up at 1.5x its pace
      // positions that jump are held or dropped, never chased faster than a taxi
      {"stale 139.8 kt on jittery positions", scenarioText(header, staleRollSpeedOnJitteryPositions(), 2.0), {}, 300,
       grounded(43.0 * 1.05)},
      {"born on the apron with a stale 150 kt", scenarioText(header, bornWithStaleRollSpeed(), 2.0), {}, 260,
       grounded(12.0 * 1.5)},
      {"taxi round a U-turn at 8 kt", scenarioText(header, taxiUTurn(), 2.0), {}, 200,
       [] { Expect e = normal(grounded(8.0 * 1.5)); e.turnsOnTheGround = true; return e; }()},
      {"taxi every 15 s, the feed repeating 0 kt", scenarioText(header, taxiWithAStaleStop(), 15.0), {}, 300,
       [] { Expect e = normal(grounded(15.0 * 1.25)); e.behindAtMostS = 40.0; return e; }()},
      // no roll: it taxis on at their pace (a catch-up at up to 1.5 times it) and holds when they end
      {"holder next seen taxiing fast ahead", scenarioText(header, holderNextTaxiingFast(4.0, 32.0, 400.0), 4.0),
       {queueSilentFromS, queueSilentToS}, 460, keptUpWith(smooth(grounded(32.0 * 1.5), 13.0), 30.0 + 15.0)},
      {"holder next seen taxiing fast ahead, 36 kt 600 m on, reports every 2 s",
       scenarioText(header, holderNextTaxiingFast(2.0, 36.0, 600.0), 2.0), {queueSilentFromS, queueSilentToS}, 460,
       grounded(36.0 * 1.5)},  // (still catching up when they end, it stops where it is: the holding)
      {"taxi across the runway at 25 kt, every 3 s 5 m off", scenarioText(header, taxiAcrossTheRunway(5.0), 3.0), {},
       150, normal(grounded(25.0 * 1.5))},
      {"taxi across the runway at 25 kt, every 4 s 8 m off", scenarioText(header, taxiAcrossTheRunway(8.0, 4.0), 4.0),
       {}, 150, normal(grounded(25.0 * 1.5))},
      // made up from 1-s rows: created 2 s late, it catches up; noisy legs before the noise is known raise no speed
      // (a report 10 m off is at times reached only once the next is due, one early in the catch-up never)
      {"taxi across the runway at 25 kt, every 1.5 s 10 m off", scenarioText(header, taxiAcrossTheRunway(10.0), 1.5), {},
       150, crosses(25.0, false, 1)},
      {"taxi across the runway at 25 kt, every 1.1 s 8 m off", scenarioText(header, taxiAcrossTheRunway(8.0), 1.1), {},
       150, crosses(25.0, false)},
      {"taxi across the runway at 25 kt, every 1.5 s 5 m off", scenarioText(header, taxiAcrossTheRunway(5.0), 1.5), {},
       150, crosses(25.0)},
      {"taxi across the runway at 25 kt, every 3 s 10 m off", scenarioText(header, taxiAcrossTheRunway(10.0), 3.0), {},
       150, crosses(25.0)},
      {"taxi across the runway at 25 kt, every 5 s 8 m off", scenarioText(header, taxiAcrossTheRunway(8.0), 5.0), {},
       150, crosses(25.0)},
      // 10 m off across by turns every other report: straight slow reports thinned at intake kept those on one side
      // only; legs queued before the noise was known zigzagged round the line
      {"taxi across the runway at 15 kt, every 2 s 10 m off", scenarioText(header, taxiAcrossTheRunway(10.0, 1.0, 15.0), 2.0),
       {}, 220, crosses(15.0)},
      {"taxi across the runway at 25 kt, every 2 s 10 m off", scenarioText(header, taxiAcrossTheRunway(10.0), 2.0), {},
       150, crosses(25.0)},
      {"taxi across the runway at 25 kt, every 2 s 5 m off each", scenarioText(header, taxiAcrossTheRunway(5.0, 2.0), 2.0),
       {}, 150, crosses(25.0)},
      {"taxi across the runway at 25 kt, every 2 s up to 10 m off any way",
       scenarioText(header, scatteredAcrossTheRunway(10.0, 25.0), 2.0), {}, 150, crosses(25.0)},
      {"taxi across the runway at 35 kt, every 2 s", scenarioText(header, taxiAcrossTheRunway(0.0, 1.0, 35.0), 2.0), {},
       130, crosses(35.0)},
      {"taxi across the runway at 35 kt, every 1.5 s 5 m off",
       scenarioText(header, taxiAcrossTheRunway(5.0, 1.0, 35.0), 1.5), {}, 130, crosses(35.0, false)},
      {"taxi across the runway at 35 kt, every 3 s 10 m off",
       scenarioText(header, taxiAcrossTheRunway(10.0, 1.0, 35.0), 3.0), {}, 130, crosses(35.0)},
      {"taxi across the runway at 15 kt, every 3 s 5 m off",
       scenarioText(header, taxiAcrossTheRunway(5.0, 1.0, 15.0), 3.0), {}, 220, crosses(15.0)},
      {"taxi across the runway after a right turn at 15 kt, every 3 s 5 m off",
       scenarioText(header, taxiAcrossTheRunway(5.0, 1.0, 15.0, true), 3.0), {}, 290, crosses(15.0)},
      {"taxi across the runway after a right turn at 25 kt, every 5 s 8 m off",
       scenarioText(header, taxiAcrossTheRunway(8.0, 1.0, 25.0, true), 5.0), {}, 190, crosses(25.0)},
      {"taxi across the runway after a right turn at 35 kt, every 2 s 8 m off",
       scenarioText(header, taxiAcrossTheRunway(8.0, 1.0, 35.0, true), 2.0), {}, 160, crosses(35.0)},
      {"queue, every third report 800 m off", scenarioText(header, queueWithJumpingPositions(4.0, 3, 800.0), 4.0), {}, 460,
       [] { Expect e = keptThroughLanding(); e.groundKt = 12.0 * 1.5 * 1.05; return e; }()},
      {"queue, every fourth report 1.5 km off, every 8 s", scenarioText(header, queueWithJumpingPositions(8.0, 4, 1500.0), 8.0), {}, 460,
       [] { Expect e = keptThroughLanding(); e.groundKt = 12.0 * 1.5 * 1.05; return e; }()},
      {"taxi round a 90 degree bend at 15 kt, every 8 s 8 m off",
       scenarioText(header, taxiRoundACorner(90.0, 15.0, 8.0, 8.0, 30.0), 8.0), {}, 200, roundsTheCorner(15.0)},
      {"taxi round a 90 degree bend at 20 kt, every 8 s 10 m off",
       scenarioText(header, taxiRoundACorner(90.0, 20.0, 8.0, 10.0, 30.0), 8.0), {}, 200, roundsTheCorner(20.0)},
      {"taxi round a 135 degree bend at 10 kt, every 8 s 5 m off",
       scenarioText(header, taxiRoundACorner(135.0, 10.0, 8.0, 5.0, 30.0), 8.0), {}, 200, roundsTheCorner(10.0)},
      {"taxi round a 90 degree corner at 10 kt, every 8 s 10 m off",
       scenarioText(header, taxiRoundACorner(90.0, 10.0, 8.0, 10.0), 8.0), {}, 200, roundsTheCorner(10.0)},
      {"taxi round a 135 degree corner at 15 kt, every 4 s",
       scenarioText(header, taxiRoundACorner(135.0, 15.0, 4.0, 0.0), 4.0), {}, 200, roundsTheCorner(15.0)},
      {"taxi round a 135 degree corner at 15 kt, every 4 s 8 m off",
       scenarioText(header, taxiRoundACorner(135.0, 15.0, 4.0, 8.0), 4.0), {}, 200, roundsTheCorner(15.0)},
      {"taxi round a 90 degree corner at 20 kt, every 5 s 10 m off",
       scenarioText(header, taxiRoundACorner(90.0, 20.0, 5.0, 10.0), 5.0), {}, 200, roundsTheCorner(20.0)},
      {"taxi round a 45 degree corner at 15 kt, every 2 s 5 m off",
       scenarioText(header, taxiRoundACorner(45.0, 15.0, 2.0, 5.0), 2.0), {}, 200, roundsTheCorner(15.0)},
      // (it held its speed and stopped dead at the last moving report kept; from the standstill it crept off and
      // stepped up to the pace at its first moving report)
      {"taxi stopping and moving off at 1.5 kt/s from 18 kt, every 2 s 5 m off",
       scenarioText(header, taxiStopAndGo(18.0, 1.5, 2.0, 5.0), 2.0), {}, 300, stopsAndGoesEvenly(18.0, 1.5, 5.0)},
      {"taxi stopping and moving off at 3 kt/s from 25 kt, every 3 s 8 m off",
       scenarioText(header, taxiStopAndGo(25.0, 3.0, 3.0, 8.0), 3.0), {}, 280, stopsAndGoesEvenly(25.0, 3.0, 8.0)},
      {"taxi stopping and moving off at 2 kt/s from 18 kt, every 4 s 3 m off",
       scenarioText(header, taxiStopAndGo(18.0, 2.0, 4.0, 3.0), 4.0), {}, 300, stopsAndGoesEvenly(18.0, 2.0, 3.0)},
      {"taxi, every third report 800 m off", scenarioText(header, taxiWithJumpingPositions(2.0, 3, 800.0), 2.0), {}, 400,
       [] { Expect e = keptThroughLanding(); e.groundKt = 15.0 * 1.5 * 1.05; return e; }()},
      // every 7th stamped inside the second after the one sent before it (which may have been weighed and
      // refused), sent at its own time: refused before it is weighed, never read as a leg flown too fast
      {"taxi round a 90 degree bend at 20 kt, every 1.1 s, every 7th stamped 0.5 s after the one before",
       scenarioText(header, taxiRoundACorner(90.0, 20.0, 1.1, 0.0, 45.0), 1.1), {}, 200, roundsTheCorner(20.0), 0.0, 0.5},
      {"taxi round a 90 degree bend at 20 kt, every 1.5 s 3 m off, every 7th stamped 0.5 s after the one before",
       scenarioText(header, taxiRoundACorner(90.0, 20.0, 1.5, 3.0, 45.0), 1.5), {}, 200, roundsTheCorner(20.0), 0.0, 0.5},
  };
}

} // namespace gwr
