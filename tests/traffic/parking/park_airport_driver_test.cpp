// Tests of the park-airport driver: choosing the park airport in the air and
// on the ground, a failed read, and leaving when out of sight or when another
// listed airport comes as near.
#include <filesystem>
#include <optional>
#include <string>
#include <tuple>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "airports/park_airport_shell.h"
#include "core/paths.h"
#include "core/settings_catalogue.h"
#include "traffic/engine/traffic_engine.h"
#include "standgen/stand_files.h"
#include "traffic/feed/reader_threads.h"
#include "traffic/feed/traffic_reader.h"
#include "traffic/parking/park_airport_driver.h"
#include "traffic/parking/park_airports.h"
#include "traffic/parking/static_parking_plan.h"
#include "traffic/parking/stand_scene.h"

namespace gwr {
namespace {

constexpr double nmPerDegreeLat = 60.0;

// Counts the DESTINATION box enabled and the "Now" and "Flush static" buttons disabled.
struct DestinationShell : ParkAirportShell {
  int enabled = 0, buttonsOff = 0;
  void enableDestination(bool on) override { enabled += on ? 1 : 0; }
  void enableNowButton(bool on) override { buttonsOff += on ? 0 : 1; }
  void enableFlushStatic(bool on) override { buttonsOff += on ? 0 : 1; }
};

class ParkDriverTest : public testsupport::StandScene {
protected:
  void SetUp() override {
    StandScene::SetUp();
    gf_clearParkAirport();
    parkAirportCode = {};
    for (const auto& [code, lon] : {std::pair{"EHAM", 4.0}, std::pair{"EHRD", 4.5}}) {
      AirportRecord airport;
      airport.icao = FixedCode<4>(code);
      airport.iata = FixedCode<3>("XXX");
      airport.latitude = 52.0;
      airport.longitude = lon;
      airportsTable.push_back(airport);
    }
    standgen::writeText(myParkAirportsFile, "EHAM\nEHRD\n");
    ASSERT_TRUE(lf_readMyParkAirports());
  }
  void TearDown() override {
    gf_leaveParkAirport();
    parkAirports.clear();
    StandScene::TearDown();
  }
  // The user aircraft the given nm north of latitude 52.
  static void userAt(double northNm, double lon, bool onGround, double heightFt = 1000.0) {
    trafficEngine.user.latitude = 52.0 + northNm / nmPerDegreeLat;
    trafficEngine.user.longitude = lon;
    trafficEngine.user.heightAboveGround = heightFt;
    userOnGround = onGround;
  }
  static void writeStandFile(const std::string& code, double lon) {
    standgen::FileSpec spec;
    spec.stands = {standgen::stand("A1", 52.0, lon, 0.0, 30.0, 0)};
    spec.parameters = standgen::generatedParameters(code, code, "Pub", 0, 1);
    standgen::writeApf(myThirdpartyFolder / (code + ".xml"), spec);
  }
  static std::string parkCode() {
    const auto park = gf_parkAirport();
    return park && !park->icao.empty() ? park->icao.text() : std::string();
  }
  bool logged(const std::string& text) { return log().text().find(text) != std::string::npos; }
  // Chooses the airport, then reads its stand file.
  static void chooseAndRead() {
    lf_parkAirportDriver(false);
    lf_parkAirportDriver(false);
  }
};

TEST_F(ParkDriverTest, InTheAirTheNearestListedAirportInRangeIsChosen) {
  // Beyond AIRP_RANGE (20 nm), above AIRP_HEIGHT, then in range and low.
  for (const auto& [northNm, heightFt, chosen] : {std::tuple{25.0, 1000.0, ""}, {15.0, 30000.0, ""}, {15.0, 1000.0, "EHAM"}}) {
    userAt(northNm, 4.0, false, heightFt);
    lf_parkAirportDriver(false);
    EXPECT_EQ(parkCode(), chosen) << northNm;
  }
  EXPECT_TRUE(parkReadPending);
  EXPECT_TRUE(logged("The park airport is EHAM"));
  // Three runs by EHRD (1.8 nm; EHAM 16.6 nm), each where the last ended, the
  // list read anew in the file's order: the nearer, unless EHAM is the destination.
  for (const auto& [destination, chosen] : {std::pair{"", "EHRD"}, {"EHAM", "EHAM"}, {"", "EHRD"}}) {
    gf_leaveParkAirport();
    ASSERT_TRUE(lf_readMyParkAirports());
    if (*destination != '\0') gf_requestDestinationAirport(FixedCode<4>(destination), {52.0, 4.0});
    userAt(0.0, 4.45, false);
    lf_parkAirportDriver(true);
    EXPECT_EQ(parkCode(), chosen) << "destination '" << destination << "'";
  }
}

TEST_F(ParkDriverTest, OnTheGroundOnlyAnAirportWithAStandFileIsChosen) {
  userAt(0.0, 4.5, true);
  lf_parkAirportDriver(false);
  EXPECT_EQ(parkCode(), "");
  EXPECT_FALSE(parkReadPending);
  writeStandFile("EHRD", 4.5);
  lf_parkAirportDriver(false);
  EXPECT_EQ(parkCode(), "EHRD");
  EXPECT_TRUE(logged("User aircraft on the ground at EHRD"));
  lf_parkAirportDriver(false);
  EXPECT_TRUE(standTableReady.load());
  EXPECT_EQ(standTable.size(), 1U);
}

TEST_F(ParkDriverTest, AFileThatCannotBeReadLeavesTheAirportAtOnce) {
  DestinationShell shell;
  gf_installParkAirportShell(&shell);
  userAt(10.0, 4.0, false);
  lf_parkAirportDriver(false);
  ASSERT_EQ(parkCode(), "EHAM");
  EXPECT_EQ(shell.enabled, 1);  // airborne: a destination may be entered
  EXPECT_TRUE(parkControlsDisabled.load());  // until the plan is made
  lf_parkAirportDriver(false);
  EXPECT_EQ(parkCode(), "");
  EXPECT_FALSE(standTableReady.load());
  EXPECT_TRUE(logged("lf_readParkedFile EHAM not found"));
  EXPECT_EQ(shell.enabled, 2);  // again once the reading is over
  EXPECT_EQ(shell.buttonsOff, 2);
  gf_installParkAirportShell(nullptr);
}

TEST_F(ParkDriverTest, TheParkAirportIsLeftOutOfSightOrForANearerListedOne) {
  writeStandFile("EHAM", 4.0);
  userAt(10.0, 4.0, false);
  chooseAndRead();
  ASSERT_TRUE(standTableReady.load());
  userAt(10.0, 4.2, false);  // still nearer EHAM
  lf_parkAirportDriver(false);
  EXPECT_EQ(parkCode(), "EHAM");
  userAt(10.0, 4.3, false);  // EHRD is nearer now
  lf_parkAirportDriver(false);
  EXPECT_EQ(parkCode(), "");
  EXPECT_TRUE(logged("EHRD is in sight"));
  EXPECT_TRUE(logged("parked aircraft at EHAM will be removed first"));
  EXPECT_TRUE(std::filesystem::exists(learnedThirdpartyFolder / "Pub" / "EHAM.xml"));

  writeStandFile("EHRD", 4.5);
  chooseAndRead();
  ASSERT_EQ(parkCode(), "EHRD");
  ASSERT_TRUE(standTableReady.load());
  userAt(30.0, 4.5, false);
  lf_parkAirportDriver(false);
  EXPECT_EQ(parkCode(), "");
  EXPECT_TRUE(logged("EHRD is out of sight (30.0 nm), parked aircraft will be removed"));
}

// The traffic reader measures a report's height from the park airport's field
// (its stand file's altitude, feet) while the airport is set, from none else.
TEST_F(ParkDriverTest, TheTrafficReaderTakesTheFieldFromTheStandFileUntilTheAirportIsLeft) {
  struct Row {
    const char* step;
    int altitudeFt;  // of EHAM's stand file
    bool withStand;  // a file without stands is a failed read
    double northNm;  // where the user is then, airborne at 1000 ft
    std::optional<double> field;
  };
  const Row rows[] = {{"read", -11, true, 10.0, -11.0},
                      {"still in sight", -11, true, 12.0, -11.0},
                      {"out of sight: left", -11, true, 30.0, std::nullopt},
                      {"read without stands: left", 364, false, 10.0, std::nullopt},
                      {"read again", 364, true, 10.0, 364.0}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.step);
    standgen::FileSpec spec;
    if (row.withStand) spec.stands = {standgen::stand("A1", 52.0, 4.0, 0.0, 30.0, 0)};
    spec.parameters = standgen::generatedParameters("EHAM", "EHAM", "Pub", row.altitudeFt, spec.stands.size());
    standgen::writeApf(myThirdpartyFolder / "EHAM.xml", spec);
    userAt(row.northNm, 4.0, false);
    if (parkCode().empty())
      chooseAndRead();
    else
      lf_parkAirportDriver(false);
    EXPECT_EQ(trafficReader.fieldElevation(), row.field);
  }
}

TEST_F(ParkDriverTest, ReReadTakesAChangedReservedStandAndADestinationGoesFirst) {
  writeStandFile("EHAM", 4.0);
  standgen::writeText(myParkAirportsFile, "EHAM\nEHRD\n");
  userAt(10.0, 4.0, false);
  chooseAndRead();
  ASSERT_TRUE(standTableReady.load());
  userOnGroundKnown = true;
  std::string notice;
  ASSERT_TRUE(gf_rereadParkAirports(true, notice));
  EXPECT_EQ(notice, "park airports and stands are okay");
  standgen::writeText(myParkAirportsFile, "EHAM,A1\nEHRD\n");
  notice.clear();
  ASSERT_TRUE(gf_rereadParkAirports(true, notice));
  EXPECT_EQ(notice, "reserved stand changed from '' to 'A1'");
  EXPECT_EQ(reservedStandName, "A1");
  EXPECT_EQ(standTable[0].reserved, 1);
  userOnGroundKnown = false;

  gf_setDestinationAirport(FixedCode<4>("EHRD"), {52.0, 4.5});
  EXPECT_EQ(parkAirports.front().code.text(), "EHRD");
  gf_setDestinationAirport(FixedCode<4>("EHLE"), {52.4, 5.5});
  EXPECT_EQ(parkAirports.front().code.text(), "EHLE");
  EXPECT_EQ(testsupport::readFile(myParkAirportsFile), "EHAM,A1\nEHLE\nEHRD\n");
  destinationEntered = false;
}

TEST_F(ParkDriverTest, TheFirstAirportsDistanceIsPublishedAndAWaitingDestinationTakenFirst) {
  userAt(30.0, 4.0, false);
  lf_parkAirportDriver(false);
  EXPECT_NEAR(firstParkAirportNm.load(), 30.0, 0.1) << "EHAM, the nearer";
  gf_requestDestinationAirport(FixedCode<4>("EHRD"), {52.0, 4.5});
  EXPECT_EQ(parkAirports.front().code.text(), "EHAM") << "only the traffic thread changes the list";
  lf_parkAirportDriver(false);
  EXPECT_EQ(parkAirports.front().code.text(), "EHRD");
  EXPECT_GT(firstParkAirportNm.load(), 30.0);
  EXPECT_FALSE(lf_takeDestinationRequest());
  parkAirports.clear();
  lf_parkAirportDriver(false);
  EXPECT_EQ(firstParkAirportNm.load(), noParkAirportNm);
  destinationEntered = false;
}

// The renewal interval starts when the controls come back after the reading's
// placement, whatever minutes went by while it placed; a renewal's placement
// does not start it again.
TEST_F(ParkDriverTest, TheRenewalIntervalStartsWhenThePlacementAfterTheReadingEnds) {
  struct Row {
    bool flights;  // false: no position found, the controls come back at once
    bool initialLoadOnly;
    int placementMinutes;
  };
  const Row rows[] = {{true, false, 5}, {true, false, 25}, {false, false, 5}, {true, true, 5}};
  weekTime = (std::uint64_t{20} << 32U) | 3U;  // day 3, slot 20
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.flights << " " << row.initialLoadOnly << " " << row.placementMinutes);
    standgen::FileSpec spec;
    spec.stands = {standgen::stand("A1", 52.0, 4.0, 0.0, 30.0, 0)};
    if (row.flights)
      for (int day = 1; day <= 7; ++day)
        spec.stands[0].options.push_back(standgen::option(fmt::format("PH-A{}", day), "KLM", "B738", day, "0:47", "KLM1"));
    spec.parameters = standgen::generatedParameters("EHAM", "EHAM", "Pub", 0, 1);
    standgen::writeApf(myThirdpartyFolder / "EHAM.xml", spec);
    INITIAL_LOAD_ONLY.setCurrent(row.initialLoadOnly);
    staticRenewalMinutes = 7;  // left from before
    userAt(10.0, 4.0, false);
    chooseAndRead();
    ASSERT_TRUE(standTableReady.load());
    EXPECT_EQ(parkControlsDisabled.load(), row.flights);
    EXPECT_EQ(parkedEntries.size(), row.flights ? 1U : 0U);
    const auto minutes = [](int n) {
      for (int i = 0; i < n; ++i) gf_staticRenewalMinute();
    };
    if (row.flights) {
      minutes(row.placementMinutes);
      parkedEntries.clear();  // all created
      lf_parkAirportDriver(false);
      EXPECT_FALSE(parkControlsDisabled.load());
    }
    EXPECT_EQ(staticRenewalMinutes, 20);
    minutes(19);
    EXPECT_FALSE(staticUpdateRequested.load());
    minutes(1);
    EXPECT_EQ(staticUpdateRequested.load(), !row.initialLoadOnly);

    // A renewal's placement leaves the countdown running.
    gf_disableParkControls();
    parkedEntries.push_back({});
    minutes(3);
    parkedEntries.clear();
    lf_parkAirportDriver(false);
    EXPECT_FALSE(parkControlsDisabled.load());
    EXPECT_EQ(staticRenewalMinutes, 17);
    staticUpdateRequested = false;
    gf_leaveParkAirport();
    std::filesystem::remove(learnedThirdpartyFolder / "Pub" / "EHAM.xml");  // its settings would override
  }
  INITIAL_LOAD_ONLY.setCurrent(INITIAL_LOAD_ONLY.defaultValue());
  weekTime = 0;
}

} // namespace
} // namespace gwr
