// The feeder's interpolation between waypoints and the traffic lines and
// pressure datagrams it writes, checked against lines written by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>

#include <fmt/format.h>

#include "feeder/scenario.h"
#include "feeder/track.h"
#include "feeder/traffic_line.h"

namespace gwr::feeder {
namespace {

ScenarioAircraft lf_aircraft(std::string_view rows) {
  return gf_parseScenario(fmt::format("aircraft 3958088 DLH9AK A20N D-AIJH FRA LHR\n{}", rows), "t").aircraft.at(0);
}

TEST(FeederTrack, InterpolatesAlongTheGreatCircle) {
  const ScenarioAircraft ac = lf_aircraft(
      "10 50 8   1000 200 1000 air\n"
      "70 50 8.1 2000 300 -500 ground\n");
  EXPECT_FALSE(gf_stateAt(ac, 9.99));   // not yet reporting
  EXPECT_FALSE(gf_stateAt(ac, 70.01));  // silent after the last waypoint
  const AircraftState mid = gf_stateAt(ac, 40.0).value();
  EXPECT_NEAR(mid.position.latitude, 50.0000107, 1e-6);  // great-circle midpoint
  EXPECT_NEAR(mid.position.longitude, 8.05, 1e-6);
  EXPECT_DOUBLE_EQ(mid.altitudeFeet, 1500.0);
  EXPECT_DOUBLE_EQ(mid.groundSpeedKnots, 250.0);
  EXPECT_DOUBLE_EQ(mid.verticalSpeedFpm, 250.0);
  EXPECT_FALSE(mid.onGround);  // the earlier waypoint's flag until the later one
  EXPECT_NEAR(*mid.trackDegrees, 89.9617, 1e-3);
  EXPECT_EQ(mid.trueHeadingDegrees, mid.trackDegrees);
  const AircraftState end = gf_stateAt(ac, 70.0).value();
  EXPECT_TRUE(end.onGround);
  EXPECT_EQ(end.position.longitude, 8.1);
  EXPECT_EQ(gf_stateAt(ac, 10.0)->position.latitude, 50.0);
}

TEST(FeederTrack, HeadingsTrackAndStandingStill) {
  // Stands, pushes back south facing north, stands again, taxis north.
  const ScenarioAircraft ac = lf_aircraft(
      "0  50.0    8 0 0 0 ground\n"
      "10 50.0    8 0 0 0 ground 350\n"
      "20 49.9995 8 0 3 0 ground 10\n"
      "30 49.9995 8 0 0 0 ground\n"
      "40 50.0    8 0 5 0 ground\n");
  const AircraftState before = gf_stateAt(ac, 5.0).value();
  EXPECT_FALSE(before.trackDegrees);  // never moved, no heading given
  EXPECT_FALSE(before.trueHeadingDegrees);
  const AircraftState push = gf_stateAt(ac, 15.0).value();
  EXPECT_NEAR(*push.trackDegrees, 180.0, 1e-6);
  EXPECT_NEAR(*push.trueHeadingDegrees, 0.0, 1e-9);  // 350 to 10 the short way round
  const AircraftState stopped = gf_stateAt(ac, 25.0).value();
  EXPECT_NEAR(*stopped.trackDegrees, 180.0, 1e-6);   // the way it last moved
  EXPECT_NEAR(*stopped.trueHeadingDegrees, 10.0, 1e-9);  // the heading it stopped with
  const AircraftState taxi = gf_stateAt(ac, 35.0).value();
  EXPECT_NEAR(*taxi.trackDegrees, 0.0, 1e-6);
  EXPECT_EQ(taxi.trueHeadingDegrees, taxi.trackDegrees);
}

TEST(FeederLine, GroundAndAirborneLinesInRealTrafficsLayout) {
  const ScenarioAircraft ac = lf_aircraft(
      "0 50.047537 8.564608 364 2.5 0 ground 349.6\n"
      "2 50.047510 8.564654 364 2.5 0 ground 349.6\n");
  AircraftState ground = gf_stateAt(ac, 0.0).value();
  ground.trackDegrees = 159.6;
  EXPECT_EQ(gf_formatTrafficLine(ac, ground, 1718000000.0),
            "X,3958088,50.047537,8.564608,0,0,,159.6,2,DLH9AK,A20N,D-AIJH,FRA,LHR,1718000000.00,,,adsb_icao,,,-1,,,-1,,349.6,,,A3");

  ScenarioAircraft anonymous = ac;
  anonymous.callsign.clear();
  anonymous.registration.clear();
  anonymous.origin.clear();
  anonymous.destination.clear();
  anonymous.category = "B1";
  AircraftState air;
  air.position = {-33.9461, -0.0000001};
  air.altitudeFeet = 36000.4;
  air.groundSpeedKnots = 449.6;
  air.verticalSpeedFpm = -0.2;  // no "-0"
  const std::string line = gf_formatTrafficLine(anonymous, air, 1718000001.256);
  EXPECT_EQ(line, "X,3958088,-33.946100,0.000000,36000,0,,,450,null,A20N,null,null,null,1718000001.26,,,adsb_icao,,,-1,,,-1,,-1,,,B1");
  EXPECT_EQ(std::count(line.begin(), line.end(), ','), 28);  // 29 fields
  EXPECT_EQ(line.find('\n'), std::string::npos);
}

TEST(FeederLine, FieldsAndTimeStampOfARecordedLine) {
  const std::string line = "X,4837645,50.0333,8.5706,36000,0,,270.5,450,DLH123,A320,D-AIZZ,FRA,LHR,1718000000,,,adsb_icao,,,460,,,-1,,271.2,,,A3";
  EXPECT_EQ(gf_lineField(line, 1), "4837645");
  EXPECT_EQ(gf_lineField(line, 28), "A3");
  EXPECT_EQ(gf_lineField(line, 29), std::nullopt);
  EXPECT_EQ(gf_lineField(line, 0), "X");
  EXPECT_EQ(gf_lineTimestamp(line), 1718000000.0);
  EXPECT_EQ(gf_withTimestamp(line, 1800000000.5),
            "X,4837645,50.0333,8.5706,36000,0,,270.5,450,DLH123,A320,D-AIZZ,FRA,LHR,1800000000.50,,,adsb_icao,,,460,,,-1,,271.2,,,A3");
  EXPECT_EQ(gf_lineTimestamp("X,1,2,3,4,5,6,7,8,9,10,11,12,13"), std::nullopt);  // no field 14
  EXPECT_EQ(gf_lineTimestamp("X,1,2,3,4,5,6,7,8,9,10,11,12,13,nan,"), std::nullopt);
  EXPECT_EQ(gf_lineTimestamp("X,1,2,3,4,5,6,7,8,9,10,11,12,13,,"), std::nullopt);
  EXPECT_EQ(gf_lineTimestamp("X,1,2,3,4,5,6,7,8,9,10,11,12,13,17e8"), 17e8);
}

TEST(FeederLine, PressureDatagrams) {
  EXPECT_EQ(gf_formatPressureDatagram("1013"), "{\"QNH\":1013}");
  EXPECT_EQ(gf_formatPressureDatagram("29.92"), "{\"QNH\":29.92}");
  EXPECT_EQ(gf_formatPressureDatagram("2992"), "{\"QNH\":2992}");
  for (const char* bad : {"", "nan", "inf", "10x", "hPa", "1013 "}) {
    EXPECT_EQ(gf_formatPressureDatagram(bad), std::nullopt) << bad;
  }
}

} // namespace
} // namespace gwr::feeder
