// Landings around a silence in their reports: outages over the touchdown,
// made-up roll-outs, reports that end or come back on final or in the roll-out.
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

// Final approach on 25C; no reports for 140 s from 500 ft above the field
// (it lands, rolls out and turns off meanwhile); back taxiing at 20 kt for
// four minutes off the runway beside where its made-up roll-out runs.
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
// ground positions noiseM off along and across by turns: down at downKt at
// 240 s, braking `brakeKtPerS` to 20 kt and turning off south, taxiing on;
// its first report firstS seconds into the feed. Scattered, its ground
// reports are sent up to noiseM off any way instead (their tracks the path's).
std::vector<Row> landingGapAsFed(double every, double noiseM, double brakeKtPerS,
                                 double downKt = 135.0, double firstS = 0.0, bool scattered = false) {
  std::vector<Row> rows;
  constexpr double downS = gapDownS, fpm = gapFpm;
  const double rollS = (downKt - 20.0) / brakeKtPerS;
  const LatLon off = ahead(runwayPoint, runwayDeg, (downKt + 20.0) / 2.0 * 0.514444 * rollS);
  for (double t = firstS; t <= downS + rollS + 240.0; t += every) {
    LatLon at = ahead(runwayPoint, runwayDeg, downKt * 0.514444 * (t - downS));
    double kt = downKt;
    if (t > downS) {
      const double b = std::min(t - downS, rollS);
      kt = downKt - brakeKtPerS * b;
      at = ahead(runwayPoint, runwayDeg, (downKt + kt) / 2.0 * 0.514444 * b);
    }
    if (t > downS + rollS) at = ahead(off, runwayDeg + 90.0, 20.0 * 0.514444 * (t - downS - rollS));
    const bool ground = t >= downS;
    const std::size_t i = rows.size();
    if (ground && !scattered)
      at = ahead(ahead(at, runwayDeg, i % 2 == 0 ? noiseM : -noiseM), runwayDeg + 90.0, (i / 2) % 2 ? noiseM : -noiseM);
    rows.push_back({t, at, ground ? fieldFt : fieldFt + fpm * (downS - t) / 60.0, kt, ground ? 0.0 : -fpm, ground});
  }
  if (scattered) scatterOnTheGround(rows, noiseM);
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

// Down at about 275 s: no harsher than 6.5 kt in a second over its first
// 15 s on the ground (its exit is the rapid-exit rows').
Expect brakesFromTouchdown() {
  Expect e = smooth(keptThroughLanding(), 6.5);
  e.changeToS = 275.0 + 15.0;
  return e;
}

} // namespace

// Add a landing row whose reports fall silent or end here; other landings go in the landing table.
std::vector<RollCase> rollscenario::landingGapRollCases(const std::string& header) {
  return {
      {"landing on made-up reports, reports back in its roll-out", scenarioText(header, landingOverAnOutage(), 3.0),
       {outageFromS + 0.5, outageToS}, 420, keptThroughLanding()},
      {"made-up roll-out slows like an aircraft", scenarioText(header, rollOutAfterTheReportsEnd(), 3.0), {}, 360,
       slowsIn(18.0, 32.0)},
      // landed in a 140 s gap: the made-up roll-out gives way to its reports as they resume
      {"landing in a 140 s gap, then taxiing at 20 kt", scenarioText(header, landingGapThenTaxi(), 5.0),
       {gapLandingFromS + 0.5, gapLandingToS}, 700, [] {  // its made-up roll-out ends first: created again where they resume
         Expect e = keptUpWith(150.0);
         e.groundKt = 20.0 * 1.5 * 1.05;
         return e;
       }()},
      {"roll-out reports ending at 60 kt", scenarioText(header, rollOutEndingAt60Kt(2.0), 2.0), {}, 460,
       goneBy(smooth(Expect{}, 13.0), endedRollOutS + 30.0 + 90.0)},
      {"roll-out reports ending at 60 kt, every 3 s, 6 m off by turns",
       scenarioText(header, rollOutEndingAt60Kt(3.0, 6.0), 3.0), {}, 460,
       goneBy(smooth(Expect{}, 25.0), endedRollOutS + 30.0 + 90.0)},
      {"roll-out reports ending at 60 kt, every 5 s", scenarioText(header, rollOutEndingAt60Kt(5.0), 5.0), {}, 460,
       goneBy(smooth(Expect{}, 13.0), endedRollOutS + 30.0 + 90.0)},
      // on the ground its speed carries on from the touchdown's, braking as
      // the reports do: checked from its first seconds down
      {"landing down at 135 kt braking 2.5 kt a second, every 10 s", scenarioText(header, landingGapAsFed(10.0, 0.0, 2.5), 10.0),
       {}, 360, smooth(keptThroughLanding(), 6.5)},
      {"landing down at 135 kt braking 2.5 kt a second, every 10 s, first down 6 s after",
       scenarioText(header, landingGapAsFed(10.0, 0.0, 2.5, 135.0, 6.0), 10.0), {}, 360, smooth(keptThroughLanding(), 6.5)},
      {"landing down at 135 kt braking 4.5 kt a second, every 2 s", scenarioText(header, landingGapAsFed(2.0, 0.0, 4.5), 2.0),
       {}, 360, smooth(keptThroughLanding(), 6.5)},
      {"landing down at 120 kt braking 4 kt a second, every 4 s 5 m off",
       scenarioText(header, landingGapAsFed(4.0, 5.0, 4.0, 120.0, 3.0), 4.0), {}, 360, brakesFromTouchdown()},
      {"landing down at 150 kt braking 5 kt a second, every 2 s 5 m off",
       scenarioText(header, landingGapAsFed(2.0, 5.0, 5.0, 150.0, 1.0), 2.0), {}, 360, brakesFromTouchdown()},
      {"landing down at 135 kt braking 5 kt a second, every 4 s", scenarioText(header, landingGapAsFed(4.0, 0.0, 5.0), 4.0),
       {}, 360, brakesFromTouchdown()},
      {"landing down at 125 kt braking 3 kt a second, every 5 s 5 m off",
       scenarioText(header, landingGapAsFed(5.0, 5.0, 3.0, 125.0, 2.0), 5.0), {}, 360, brakesFromTouchdown()},
      {"landing down at 140 kt braking 3 kt a second, every 8 s 5 m off",
       scenarioText(header, landingGapAsFed(8.0, 5.0, 3.0, 140.0, 3.0), 8.0), {}, 360, smooth(keptThroughLanding(), 6.5)},
      {"landing down at 145 kt braking 5 kt a second, every 1.1 s",
       scenarioText(header, landingGapAsFed(1.1, 0.0, 5.0, 145.0, 0.5), 1.1), {}, 360, brakesFromTouchdown()},
      // braking ends at 20 kt between two reports: the positions' pace over
      // that leg, the mean of its two speeds, is no lag of the feed's (its
      // later report raised so, it braked late and all at once)
      {"landing down at 150 kt braking 4 kt a second, every 5 s",
       scenarioText(header, landingGapAsFed(5.0, 0.0, 4.0, 150.0, 2.0), 5.0), {}, 360, smooth(keptThroughLanding(), 6.5)},
      {"landing down at 145 kt braking 4 kt a second, every 5 s, first down 1 s after",
       scenarioText(header, landingGapAsFed(5.0, 0.0, 4.0, 145.0, 1.0), 5.0), {}, 360, smooth(keptThroughLanding(), 6.5)},
      {"landing down at 145 kt braking 4 kt a second, every 1.1 s 8 m off any way",
       scenarioText(header, landingGapAsFed(1.1, 8.0, 4.0, 145.0, 0.5, true), 1.1), {}, 360,
       smooth(keptThroughLanding(), 6.5)},
      // time stamps that jitter: one leg between two close ones looks far
      // faster than the roll-out (its first on the ground too), and is no lag
      {"landing down at 145 kt braking 3 kt a second, every 1.05 s 8 m off any way, time stamps 0.4 s off either way",
       scenarioText(header, landingGapAsFed(1.05, 8.0, 3.0, 145.0, 0.5, true), 1.05), {}, 360,
       smooth(keptThroughLanding(), 6.5), 0.4},
      {"landing down at 145 kt braking 5 kt a second, every 2 s 8 m off any way, time stamps 0.6 s off either way",
       scenarioText(header, landingGapAsFed(2.0, 8.0, 5.0, 145.0, 0.5, true), 2.0), {}, 360,
       smooth(keptThroughLanding(), 6.5), 0.6},
      {"landing in a 100 s gap, back in its roll-out, every 3 s 5 m off", scenarioText(header, landingGapAsFed(3.0, 5.0, 1.0), 3.0),
       {gapFromS(500.0) + 0.5, gapFromS(500.0) + 100.0}, 700, keptUpWith(keptThroughLanding(), 90.0, 2)},
      {"landing in a 95 s gap, back in its roll-out, every 2 s 8 m off", scenarioText(header, landingGapAsFed(2.0, 8.0, 1.0), 2.0),
       {gapFromS(500.0) + 0.5, gapFromS(500.0) + 95.0}, 700, keptUpWith(keptThroughLanding(), 90.0, 10)},
      // its approach made up on short final: its speed held down the glide to
      // the runway, back with its reports within a minute
      {"landing in a 100 s gap from 500 ft, braking 2.5 kt a second, every 5 s 8 m off",
       scenarioText(header, landingGapAsFed(5.0, 8.0, 2.5), 5.0), {gapFromS(500.0) + 0.5, gapFromS(500.0) + 100.0}, 700,
       downShortAtMost(keptUpWith(keptThroughLanding(), 60.0, 1), 300.0)},
      {"landing in a 140 s gap from 1,000 ft, every 6 s 3 m off", scenarioText(header, landingGapAsFed(6.0, 3.0, 2.5), 6.0),
       {gapFromS(1000.0) + 0.5, gapFromS(1000.0) + 140.0}, 700,
       downShortAtMost(keptUpWith(keptThroughLanding(), 60.0, 1), 300.0)},
      // (its reports back before it is down, the first on the ground far down
      // the runway: it comes down its glide, not floating on to that report)
      {"landing in a 100 s gap from 1,000 ft, every 2 s", scenarioText(header, landingGapAsFed(2.0, 0.0, 2.5), 2.0),
       {gapFromS(1000.0) + 0.5, gapFromS(1000.0) + 100.0}, 700,
       downShortAtMost(keptUpWith(keptThroughLanding(), 60.0), 300.0, 300.0)},
      {"landing in a 60 s gap from 500 ft, every 5 s 5 m off", scenarioText(header, landingGapAsFed(5.0, 5.0, 2.5), 5.0),
       {gapFromS(500.0) + 0.5, gapFromS(500.0) + 60.0}, 700,
       downShortAtMost(keptUpWith(keptThroughLanding(), 60.0, 1), 300.0, 300.0)},
      // (braking gently, its reports back ahead of its made-up roll-out: it
      // never speeds up again past what they show)
      {"landing in a 100 s gap, back in its roll-out braking 1 kt a second, every 2 s",
       scenarioText(header, landingGapAsFed(2.0, 0.0, 1.0), 2.0), {gapFromS(500.0) + 0.5, gapFromS(500.0) + 100.0}, 700,
       [] { Expect e = keptUpWith(keptThroughLanding(), 75.0); e.fastestKt = 105.0; e.fastestFromS = 300.0; return e; }()},
      // (braking harder than its made-up roll-out, turned off and back after a
      // long silence, its reports lie behind it and aside: it turns after them
      // nose first, never backing up, the same aircraft)
      {"landing in a 173 s gap from 1,000 ft, back behind its made-up roll-out, every 2 s",
       scenarioText(header, landingGapAsFed(2.0, 0.0, 5.0), 2.0), {gapFromS(1000.0) + 0.5, gapFromS(1000.0) + 173.0},
       700, [] { Expect e = keptUpWith(keptThroughLanding(), 45.0); e.turnsOnTheGround = true; return e; }()},
      {"landing in a 165 s gap from 1,000 ft, back behind its made-up roll-out, every 5 s 5 m off",
       scenarioText(header, landingGapAsFed(5.0, 5.0, 5.0, 140.0, 2.0), 5.0),
       {gapFromS(1000.0) + 0.5, gapFromS(1000.0) + 165.0}, 700,
       [] { Expect e = keptUpWith(keptThroughLanding(), 45.0); e.turnsOnTheGround = true; return e; }()},
      // (its reports back on short final a few seconds ahead of it: it touches
      // down behind them and catches up by a few knots, not at a roll's cap)
      {"landing in a 60 s gap from 1,000 ft, back before it is down, every 5 s",
       scenarioText(header, landingGapAsFed(5.0, 0.0, 2.5), 5.0), {gapFromS(1000.0) + 0.5, gapFromS(1000.0) + 60.0},
       700, smooth(keptUpWith(keptThroughLanding(), 45.0), 1e9, 135.0 + 10.0)},
  };
}

} // namespace gwr
