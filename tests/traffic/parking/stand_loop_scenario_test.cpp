// Scenario of the learning loop over two simulated days at a generated park
// airport: flights stand, leave (one moving off, one reported far away) and
// are written to the learned file as completed stays; on the next day the
// static plan parks them at the stands they used, and a returning flight
// takes its stand back from its static twin.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <string>

#include <pugixml.hpp>

#include "airports/park_stand_table.h"
#include "core/main_window_state.h"
#include "core/paths.h"
#include "core/settings_catalogue.h"
#include "feeder/traffic_line.h"
#include "refdata/airports_table.h"
#include "refdata/code_pools.h"
#include "refdata/registration_records.h"
#include "standgen/stand_files.h"
#include "support/engine_harness.h"
#include "traffic/engine/live_intake.h"
#include "traffic/engine/live_removal.h"
#include "traffic/movement/ground_movement.h"
#include "traffic/parking/park_airport_driver.h"
#include "traffic/parking/park_airports.h"
#include "traffic/parking/stand_choice.h"
#include "traffic/parking/static_ac.h"
#include "traffic/simclient/sim_client_hooks.h"
#include "traffic/simclient/user_aircraft.h"

namespace gwr {
namespace {

using testsupport::EngineHarness;
using testsupport::harnessUser;

constexpr double monday0800 = 1718006400.0;  // 2024-06-10 08:00 UTC, a Monday: half-hour 16
constexpr double secondsPerDay = 86400.0;
constexpr double reportGapS = 20.0;  // feed time between reports, past the redundancy window
constexpr double metresPerDegreeLat = 111'120.0;
const double metresPerDegreeLon = metresPerDegreeLat * std::cos(harnessUser.latitude * radiansPerDegree);

LatLon offset(double northM, double eastM) {
  return {harnessUser.latitude + northM / metresPerDegreeLat, harnessUser.longitude + eastM / metresPerDegreeLon};
}

const LatLon s1 = offset(300.0, 0.0), s2 = offset(300.0, 120.0);

feeder::ScenarioAircraft flight(std::uint32_t id, const char* callsign, const char* type, const char* registration) {
  feeder::ScenarioAircraft a;
  a.id = id;
  a.callsign = callsign;
  a.type = type;
  a.registration = registration;
  a.origin = "FRA";
  a.category = "A3";
  return a;
}

// Stand ids of the stands the static aircraft stand at, with their registration.
std::vector<std::string> staticPicture() {
  std::vector<std::string> out;
  for (const StaticAc& s : staticAircraft)
    if (s.sim.simState == AcSimState::Active) out.push_back(gf_standName(s.standNumber) + " " + s.registration);
  std::sort(out.begin(), out.end());
  return out;
}

class StandLoopScenario : public ::testing::Test {
protected:
  void SetUp() override {
    gf_clearAirportsForTests();
    AirportRecord eddf;
    eddf.icao = FixedCode<4>("EDDF");
    eddf.iata = FixedCode<3>("FRA");
    eddf.latitude = harnessUser.latitude;
    eddf.longitude = harnessUser.longitude;
    eddf.stands = 1;
    airportsTable.push_back(eddf);
    parkAirports.clear();
  }
  void TearDown() override {
    standTableReady = false;
    gf_leaveParkAirport();
    gf_installTrafficEngineHooks({});
    gf_installBirthStandChoice(nullptr);
    gf_installArrivalStandChoice(nullptr);
    gf_installStandEventHook(nullptr);
    gf_installSimClientHooks({});
    parkControlsDisabled = false;
    gf_installLiveRemovalHook(nullptr);
    staticAircraft.clear();
    parkAirports.clear();
    dbaseRecords.clear();
    gf_clearAirportsForTests();
  }

  void send(EngineHarness& harness, const feeder::ScenarioAircraft& a, const LatLon& at, double speedKt,
            double epoch, std::optional<double> track = std::nullopt) {
    feeder::AircraftState state;
    state.position = at;
    state.onGround = true;
    state.groundSpeedKnots = speedKt;
    state.trackDegrees = track;
    harness.feedLine(feeder::gf_formatTrafficLine(a, state, epoch));
    harness.run(4.0);
  }
};

TEST_F(StandLoopScenario, FlightsLearnedOnOneDayParkAsStaticAircraftTheNextDay) {
  EngineHarness harness({{"DLH", "", "A320", false, "Airbus A320 Lufthansa", ""},
                         {"RYR", "", "B38M", false, "Boeing 737 MAX 8 Ryanair", ""}},
                        {"Airbus A320 Lufthansa", "Boeing 737 MAX 8 Ryanair"});
  dbaseRecords = {{"D-AIBX", {gf_airlineIndex("DLH"), 0, gf_modelIndex("A320"), 0, 1}},
                  {"EI-DAB", {gf_airlineIndex("RYR"), 0, gf_modelIndex("B38M"), 0, 1}}};
  standgen::FileSpec airport;
  airport.stands = {standgen::stand("U1", harnessUser.latitude, harnessUser.longitude, 90.0, 30.0, 0),
                    standgen::stand("S1", s1.latitude, s1.longitude, 0.0, 30.0, 0),
                    standgen::stand("S2", s2.latitude, s2.longitude, 0.0, 30.0, 0)};
  airport.parameters = standgen::generatedParameters("EDDF", "Frankfurt Main", "Gen", 364, airport.stands.size());
  standgen::writeText(myParkAirportsFile, "EDDF\n");
  standgen::writeApf(myThirdpartyFolder / "EDDF.xml", airport);
  WEEK.setCurrent(true);
  RANDOM.setCurrent(false);
  CUSTOM_PARKING_PERCENTAGE.setCurrent(100);
  gf_installParking();
  lf_parkAirportDriver(true);
  EXPECT_TRUE(parkControlsDisabled.load());  // while its file is read and planned
  ASSERT_TRUE(harness.runUntil(20.0, [] { return standTableReady.load(); }));
  ASSERT_TRUE(staticAircraft.empty());  // nothing learned yet
  EXPECT_FALSE(parkControlsDisabled.load());

  // The user aircraft stands at U1: the window shows it, and a flight change
  // keeps it as the reserved stand.
  EXPECT_EQ(gf_standAtPosition(harnessUser.latitude, harnessUser.longitude), "U1");
  ASSERT_TRUE(harness.runUntil(5.0, [] { return gf_mainWindow().text(StatusText::userStand) == "U1"; }));
  parkAirports.front().reservedStand.clear();
  standgen::writeText(myParkAirportsFile, "EDDF\n");
  lf_saveUserStand();
  harness.run(6.0);
  EXPECT_EQ(parkAirports.front().reservedStand, "U1");
  std::ifstream listed(myParkAirportsFile);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(listed), {}), "EDDF,U1\n");

  // Monday 08:00: two flights stand at S1 and S2.
  const auto dlh = flight(300001, "DLH1", "A320", "D-AIBX");
  const auto ryr = flight(300002, "RYR2", "B38M", "EI-DAB");
  double t = monday0800;
  for (int i = 0; i < 4; ++i, t += reportGapS) {
    send(harness, dlh, s1, 0.0, t);
    send(harness, ryr, s2, 0.0, t);
  }
  const auto parkedAt = [](std::uint32_t hexid, const std::string& stand) {
    const LiveAc* ac = trafficEngine.findHexid(hexid);
    return ac != nullptr && ac->sim.simState == AcSimState::Active && ac->phase == AcPhase::Parked &&
           gf_standName(ac->standNumber) == stand;
  };
  ASSERT_TRUE(harness.runUntil(60.0, [&] { return parkedAt(300001, "S1") && parkedAt(300002, "S2"); }))
      << harness.log().text();
  EXPECT_EQ(gf_standByNumber(2)->liveAssigned, 1);
  EXPECT_EQ(gf_standByNumber(3)->liveAssigned, 1);

  // 08:40: DLH1 moves off its stand; RYR2 is next reported far from its own.
  t = monday0800 + 40 * 60;
  send(harness, dlh, s1, 0.0, t);
  for (double north : {6.0, 12.0, 18.0, 24.0}) send(harness, dlh, offset(300.0 + north, 0.0), 3.0, t += reportGapS, 0.0);
  send(harness, ryr, s2, 0.0, t += reportGapS);
  send(harness, ryr, offset(300.0, 420.0), 0.0, t += reportGapS);
  ASSERT_TRUE(harness.runUntil(60.0, [] {
    const LiveAc* ryrAc = trafficEngine.findHexid(300002);
    return ryrAc == nullptr || ryrAc->sim.simState == AcSimState::RemovingFromSim;
  })) << harness.log().text();
  EXPECT_EQ(gf_standByNumber(2)->liveAssigned, 0);
  EXPECT_EQ(gf_standByNumber(3)->liveAssigned, 0);

  // Flown away at the end of the day: the learned file holds both stays, complete.
  gf_leaveParkAirport();
  pugi::xml_document learned;
  ASSERT_TRUE(learned.load_file((learnedThirdpartyFolder / "Gen" / "EDDF.xml").c_str()));
  const auto stay = [&](const char* stand, const char* registration) {
    const pugi::xml_node pos = learned.child("root").child("parkpositions").find_child_by_attribute("parkpos", "id", stand);
    const pugi::xml_node opt = pos.find_child_by_attribute("opt", "reg", registration);
    return fmt::format("{} day {} hh {} cpl {}", stand, opt.attribute("day").value(), opt.attribute("hh").value(),
                       opt.attribute("cpl").value());
  };
  EXPECT_EQ(stay("S1", "D-AIBX"), "S1 day 1 hh 16:17 cpl true");
  EXPECT_EQ(stay("S2", "EI-DAB"), "S2 day 1 hh 16:17 cpl true");
  ASSERT_TRUE(harness.runUntil(60.0, [] { return trafficEngine.live.empty(); }));

  // Tuesday 08:00 the user is at the airport again: the plan parks both flights
  // at the stands they used the day before (the overflight's report sets the clock).
  feeder::ScenarioAircraft overflight = flight(300003, "BAW9", "A320", "G-EUPA");
  feeder::AircraftState high;
  high.position = offset(20000.0, 0.0);
  high.altitudeFeet = 36000.0;
  high.groundSpeedKnots = 450.0;
  high.trackDegrees = 90.0;
  harness.feedLine(feeder::gf_formatTrafficLine(overflight, high, monday0800 + secondsPerDay));
  ASSERT_TRUE(harness.runUntil(40.0, [] { return standTableReady.load(); }));
  ASSERT_TRUE(harness.runUntil(60.0, [] { return staticPicture().size() == 2; })) << harness.log().text();
  EXPECT_EQ(staticPicture(), (std::vector<std::string>{"S1 D-AIBX", "S2 EI-DAB"}));
  EXPECT_NE(harness.log().text().find("It is day 2 (Tue), 8.5 hours"), std::string::npos);
  // Found by the real pass looking back into Monday (47 half-hours); the week
  // pass after it found nothing and leaves no mark.
  EXPECT_EQ(gf_mainWindow().planOffsetReal.load(), 47);
  EXPECT_FALSE(gf_mainWindow().weekMark.load());

  // DLH1 is back at S1: its static twin makes way.
  harness.log().mark();
  t = monday0800 + secondsPerDay + 60.0;
  for (int i = 0; i < 4; ++i, t += reportGapS) send(harness, dlh, s1, 0.0, t);
  ASSERT_TRUE(harness.runUntil(60.0, [&] { return parkedAt(300001, "S1"); })) << harness.log().text();
  EXPECT_NE(harness.log().text().find("makes way for the same live version DLH1 D-AIBX"), std::string::npos)
      << harness.log().text();
  ASSERT_TRUE(harness.runUntil(30.0, [] { return staticPicture() == std::vector<std::string>{"S2 EI-DAB"}; }));
}

} // namespace
} // namespace gwr
