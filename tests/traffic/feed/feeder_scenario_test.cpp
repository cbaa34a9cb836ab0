// The feeder's scenario format: what a good file gives, that every bad line
// is refused with its file and line, and that the shipped scenarios fly as described.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ostream>
#include <string>
#include <tuple>

#include "core/geo.h"
#include "feeder/scenario.h"
#include "feeder/track.h"

namespace gwr::feeder {
namespace {

TEST(FeederScenario, ReadsAircraftWaypointsAndIntervals) {
  const Scenario scenario = gf_parseScenario(
      "# two aircraft\n"
      "aircraft 4837645 DLH123 A320 D-AIZZ FRA LHR   # default category\n"
      "0   50.0333 8.5706 36000 450 0 air 271.2\n"
      "\t60  50.0400 8.6000 35000 440 -1000 air\r\n"
      "\n"
      "interval 3.5\n"
      "aircraft 10001 - - - - - B1\n"
      "5 1 2 0 0 0 ground\n"
      "6 1 2 0 0 0 ground\n",
      "s");
  ASSERT_EQ(scenario.aircraft.size(), 2U);
  const ScenarioAircraft& first = scenario.aircraft[0];
  EXPECT_EQ(std::tie(first.id, first.callsign, first.type, first.registration, first.origin, first.destination),
            std::make_tuple(4837645U, "DLH123", "A320", "D-AIZZ", "FRA", "LHR"));
  EXPECT_EQ(first.category, "A3");
  EXPECT_EQ(first.reportIntervalSeconds, 2.0);
  ASSERT_EQ(first.waypoints.size(), 2U);
  EXPECT_EQ(first.waypoints[0].headingDegrees, 271.2);
  const Waypoint& second = first.waypoints[1];
  EXPECT_FALSE(second.headingDegrees);
  EXPECT_EQ(std::tie(second.time, second.verticalSpeedFpm, second.onGround), std::make_tuple(60.0, -1000.0, false));

  const ScenarioAircraft& dashes = scenario.aircraft[1];
  EXPECT_EQ(dashes.id, 10001U);
  EXPECT_EQ(dashes.callsign + dashes.type + dashes.registration + dashes.origin + dashes.destination, "");
  EXPECT_EQ(dashes.category, "B1");
  EXPECT_EQ(dashes.reportIntervalSeconds, 3.5);
  EXPECT_TRUE(dashes.waypoints[0].onGround);
}

struct BadScenario {
  const char* text;
  const char* message;  // the whole error text, file and line included
};

void PrintTo(const BadScenario& bad, std::ostream* out) { *out << bad.message; }

class FeederScenarioRefused : public ::testing::TestWithParam<BadScenario> {};

TEST_P(FeederScenarioRefused, NamesTheLine) {
  try {
    gf_parseScenario(GetParam().text, "bad.txt");
    FAIL() << "accepted: " << GetParam().text;
  } catch (const ScenarioError& error) {
    EXPECT_EQ(std::string(error.what()), GetParam().message);
  }
}

#define AC "aircraft 20000 A B C D E\n"
#define WP "0 50 8 0 0 0 ground\n"
INSTANTIATE_TEST_SUITE_P(
    Lines, FeederScenarioRefused,
    ::testing::Values(
        BadScenario{WP, "bad.txt:1: waypoint row before the first aircraft line"},
        BadScenario{"plane 1\n", "bad.txt:1: unknown directive \"plane\" (expected interval, aircraft or a waypoint row)"},
        BadScenario{AC WP "1 5O.0 8 0 0 0 air\n", "bad.txt:3: latitude \"5O.0\" is not a number"},
        BadScenario{AC WP "1 50 8 nan 0 0 air\n", "bad.txt:3: altitude \"nan\" is not a number"},
        BadScenario{AC WP "1 50 8 0 inf 0 air\n", "bad.txt:3: speed \"inf\" is not a number"},
        BadScenario{AC WP "1 50 8 0 0 12abc air\n", "bad.txt:3: vertical speed \"12abc\" is not a number"},
        BadScenario{AC WP "1 90.5 8 0 0 0 air\n", "bad.txt:3: latitude 90.5 is outside -90..90"},
        BadScenario{AC WP "1 50 -180.1 0 0 0 air\n", "bad.txt:3: longitude -180.1 is outside -180..180"},
        BadScenario{AC WP "1 50 8 0 -1 0 air\n", "bad.txt:3: speed -1 is outside 0..1000"},
        BadScenario{AC WP "1 50 8 0 0 0 air 361\n", "bad.txt:3: heading 361 is outside 0..360"},
        BadScenario{AC WP "0 50 8 0 0 0 air\n", "bad.txt:3: time 0 does not come after 0"},
        BadScenario{AC WP "1 50 8 0 0 0 grnd\n", "bad.txt:3: \"grnd\" must be ground or air"},
        BadScenario{AC WP "1 50 8 0 0 air\n",
                    "bad.txt:3: waypoint row takes: time lat lon altitude speed vertical-speed ground|air [heading]"},
        BadScenario{"# one point only\n" AC WP "\n", "bad.txt:2: aircraft 20000 needs at least two waypoints"},
        BadScenario{AC WP "aircraft 20001 A B C D E\n" WP,
                    "bad.txt:1: aircraft 20000 needs at least two waypoints"},
        BadScenario{"aircraft 10000 A B C D E\n", "bad.txt:1: aircraft id 10000 must be above 10000"},
        BadScenario{"aircraft 4294967296 A B C D E\n",
                    "bad.txt:1: aircraft id \"4294967296\" is not a whole number below 4294967296"},
        BadScenario{"aircraft 2e4 A B C D E\n", "bad.txt:1: aircraft id \"2e4\" is not a whole number below 4294967296"},
        BadScenario{AC WP "1 50 8 0 0 0 air\n" "aircraft 20000 F G H I J\n",
                    "bad.txt:4: aircraft id 20000 appears twice"},
        BadScenario{"aircraft 20000 A,B B C D E\n", "bad.txt:1: callsign \"A,B\" contains a comma"},
        BadScenario{"aircraft 20000 A B C D\n",
                    "bad.txt:1: aircraft takes: id callsign type registration origin destination [category]"},
        BadScenario{"interval 1\n",
                    "bad.txt:1: interval 1 s must be more than 1 s: reports of one aircraft are more than 1 s apart"},
        BadScenario{"interval\n", "bad.txt:1: interval takes one value in seconds"}));
#undef AC
#undef WP

TEST(FeederScenario, MergingRefusesAnIdUsedByAnotherFile) {
  Scenario all = gf_parseScenario("aircraft 20000 A B C D E\n0 1 2 0 0 0 air\n1 1 2 0 0 0 air\n", "one");
  gf_mergeScenario(all, gf_parseScenario("aircraft 20001 A B C D E\n0 1 2 0 0 0 air\n1 1 2 0 0 0 air\n", "two"), "two");
  EXPECT_EQ(all.aircraft.size(), 2U);
  try {
    gf_mergeScenario(all, gf_parseScenario("aircraft 20000 F B C D E\n0 1 2 0 0 0 air\n1 1 2 0 0 0 air\n", "three"),
                     "three");
    FAIL();
  } catch (const ScenarioError& error) {
    EXPECT_STREQ(error.what(), "three: aircraft id 20000 is already used by another scenario");
  }
  EXPECT_THROW(gf_readScenarioFile("/nonexistent/scenario.txt"), ScenarioError);
}

// The shipped scenarios, checked against what their descriptions promise.
constexpr LatLon frankfurt{50.030241, 8.561096};  // EDDF in the airports table
constexpr double frankfurtElevationFeet = 364.0;
constexpr double rangeNm = 40.0;   // the program's default range
constexpr double metresPerNm = 1852.0;

ScenarioAircraft lf_shipped(const char* name) {
  const Scenario scenario = gf_readScenarioFile(std::string(GWR_FEEDER_SCENARIOS) + "/" + name);
  EXPECT_EQ(scenario.aircraft.size(), 1U);
  return scenario.aircraft.at(0);
}

double lf_metres(const LatLon& a, const LatLon& b) { return gf_greatCircleDistanceNm(a, b) * metresPerNm; }

// Each moving leg covers about the distance its reported speeds give.
void lf_expectSpeedsMatchDistances(const ScenarioAircraft& aircraft) {
  for (std::size_t i = 1; i < aircraft.waypoints.size(); ++i) {
    const Waypoint& a = aircraft.waypoints[i - 1];
    const Waypoint& b = aircraft.waypoints[i];
    const double flownNm = gf_greatCircleDistanceNm(a.position, b.position);
    const double reportedNm = (a.groundSpeedKnots + b.groundSpeedKnots) / 2.0 * (b.time - a.time) / 3600.0;
    EXPECT_NEAR(flownNm, reportedNm, 0.1 * reportedNm + 0.005) << aircraft.callsign << " leg ending at " << b.time;
  }
}

TEST(FeederShippedScenarios, DepartureFromFrankfurt) {
  const ScenarioAircraft dep = lf_shipped("eddf_departure.txt");
  lf_expectSpeedsMatchDistances(dep);
  const auto& w = dep.waypoints;
  EXPECT_TRUE(w.front().onGround);
  EXPECT_EQ(w.front().groundSpeedKnots, 0.0);
  EXPECT_LT(gf_greatCircleDistanceNm(w.front().position, frankfurt), 2.0);
  // Push-back: backwards (heading opposite the track), 40-60 m at 2-3 kt, then a stop.
  const auto pushStart = gf_stateAt(dep, 80.0).value();
  EXPECT_GE(pushStart.groundSpeedKnots, 2.0);
  EXPECT_LE(pushStart.groundSpeedKnots, 3.0);
  EXPECT_GT(std::abs(std::remainder(*pushStart.trueHeadingDegrees - *pushStart.trackDegrees, 360.0)), 120.0);
  const auto stopped = std::find_if(w.begin() + 2, w.end(), [](const Waypoint& p) { return p.groundSpeedKnots == 0.0; });
  ASSERT_NE(stopped, w.end());
  EXPECT_NEAR(lf_metres(w.front().position, stopped->position), 50.0, 10.0);
  // Taxi at 15 kt with a right turn of about 90 degrees, all on the ground.
  double fastestTaxi = 0.0;
  double firstTaxiTrack = -1.0;
  double lastTaxiTrack = -1.0;
  double t = stopped->time;
  while (gf_stateAt(dep, t)->groundSpeedKnots == 0.0) t += 1.0;  // engine start
  for (; gf_stateAt(dep, t)->groundSpeedKnots > 0.0; t += 1.0) {   // up to the holding point
    const auto state = gf_stateAt(dep, t).value();
    EXPECT_TRUE(state.onGround);
    fastestTaxi = std::max(fastestTaxi, state.groundSpeedKnots);
    if (state.groundSpeedKnots >= 12.0 && firstTaxiTrack < 0.0) firstTaxiTrack = *state.trackDegrees;
    if (state.groundSpeedKnots >= 12.0) lastTaxiTrack = *state.trackDegrees;
  }
  EXPECT_EQ(fastestTaxi, 15.0);
  EXPECT_NEAR(std::remainder(lastTaxiTrack - firstTaxiTrack, 360.0), 90.0, 5.0);
  // Take-off roll through 40/80/120/150 kt, then airborne climbing at 2000 ft/min.
  for (double knots : {40.0, 80.0, 120.0, 150.0}) {
    EXPECT_TRUE(std::any_of(w.begin(), w.end(), [&](const Waypoint& p) { return p.onGround && p.groundSpeedKnots == knots; }))
        << knots;
  }
  for (double aboveField : {200.0, 800.0, 1500.0}) {
    EXPECT_TRUE(std::any_of(w.begin(), w.end(), [&](const Waypoint& p) {
      return !p.onGround && p.altitudeFeet == frankfurtElevationFeet + aboveField && p.verticalSpeedFpm == 2000.0;
    })) << aboveField;
  }
  EXPECT_GT(gf_greatCircleDistanceNm(w.back().position, frankfurt), rangeNm);
}

TEST(FeederShippedScenarios, ArrivalAtFrankfurt) {
  const ScenarioAircraft arr = lf_shipped("eddf_arrival.txt");
  lf_expectSpeedsMatchDistances(arr);
  EXPECT_EQ(arr.reportIntervalSeconds, 3.0);
  const auto& w = arr.waypoints;
  const auto touchdown = std::find_if(w.begin(), w.end(), [](const Waypoint& p) { return p.onGround; });
  ASSERT_NE(touchdown, w.end());
  EXPECT_EQ(touchdown->groundSpeedKnots, 130.0);
  EXPECT_NEAR(gf_greatCircleDistanceNm(w.front().position, touchdown->position), 10.2, 0.2);  // 10 nm to the threshold
  EXPECT_EQ(w.front().groundSpeedKnots, 160.0);
  // A 3 degree path: about 318 ft per nm above the threshold.
  const double glideFeet = w.front().altitudeFeet - frankfurtElevationFeet;
  EXPECT_NEAR(glideFeet / 10.0, 318.0, 15.0);
  EXPECT_TRUE(std::all_of(w.begin(), touchdown, [](const Waypoint& p) { return !p.onGround && p.verticalSpeedFpm < 0.0; }));
  EXPECT_TRUE(std::all_of(touchdown, w.end(), [](const Waypoint& p) { return p.onGround; }));
  // On the stand: standing for a while; 5 kt or less within the last 35 m.
  const Waypoint& stand = w.back();
  EXPECT_EQ(stand.groundSpeedKnots, 0.0);
  EXPECT_EQ(w[w.size() - 2].position.latitude, stand.position.latitude);
  EXPECT_GE(stand.time - w[w.size() - 2].time, 60.0);
  for (double t = touchdown->time; t <= stand.time; t += 0.5) {
    const auto state = gf_stateAt(arr, t).value();
    if (lf_metres(state.position, stand.position) <= 35.0) {
      EXPECT_LE(state.groundSpeedKnots, 5.0) << t;
    }
  }
  EXPECT_LT(gf_greatCircleDistanceNm(stand.position, frankfurt), 2.0);
}

TEST(FeederShippedScenarios, OverflightGoesSilentInsideTheRange) {
  const ScenarioAircraft ovf = lf_shipped("eddf_overflight.txt");
  lf_expectSpeedsMatchDistances(ovf);
  for (const Waypoint& p : ovf.waypoints) {
    EXPECT_EQ(p.altitudeFeet, 36000.0);
    EXPECT_FALSE(p.onGround);
  }
  EXPECT_LT(gf_greatCircleDistanceNm(ovf.waypoints.back().position, frankfurt), rangeNm);
  EXPECT_FALSE(gf_stateAt(ovf, ovf.waypoints.back().time + 0.1));
}

} // namespace
} // namespace gwr::feeder
