// Scenarios in simulated time of aircraft standing at a stand of the park
// airport: a static one is activated and parked 2 s after its creation (or,
// refused by the simulator, gives up its livery), a live arrival reported
// standing in noisy positions parks and stays put.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

#include "airports/stand_fixture.h"
#include "core/settings_catalogue.h"
#include "feeder/traffic_line.h"
#include "liveries/refused_liveries.h"
#include "standgen/stand_files.h"
#include "support/engine_harness.h"
#include "support/parking_world.h"
#include "traffic/engine/live_intake.h"
#include "traffic/feed/reader_threads.h"
#include "traffic/movement/ground_movement.h"
#include "traffic/parking/park_airport_driver.h"
#include "traffic/parking/park_airports.h"
#include "traffic/parking/stand_choice.h"
#include "traffic/parking/static_ac.h"
#include "traffic/simclient/sim_client_hooks.h"

namespace gwr {
namespace {

using testsupport::EngineHarness;
using testsupport::harnessUser;

constexpr double metresPerDegreeLat = 111'120.0;
const double metresPerDegreeLon = metresPerDegreeLat * std::cos(harnessUser.latitude * radiansPerDegree);
constexpr double standNorthM = 400.0;  // clear of the user's surroundings
constexpr const char* lufthansaTitle = "Airbus A320 Lufthansa";

LatLon offset(double northM, double eastM) {
  return {harnessUser.latitude + northM / metresPerDegreeLat, harnessUser.longitude + eastM / metresPerDegreeLon};
}

// S1 400 m north of the user with a flight on every day, all day, or none;
// U1 under the user aircraft (its reserved stand).
void writeAirport(bool withFlights) {
  const LatLon s1 = offset(standNorthM, 0.0);
  standgen::FileSpec spec;
  spec.stands = {standgen::stand("S1", s1.latitude, s1.longitude, 0.0, 25.0, 0),
                 standgen::stand("U1", harnessUser.latitude, harnessUser.longitude, 90.0, 30.0, 0)};
  if (withFlights)
    for (int day = 1; day <= 7; ++day)
      spec.stands[0].options.push_back(
          standgen::option(fmt::format("D-AIS{}", day), "DLH", "A320", day, "0:47", "DLH100"));
  spec.parameters = standgen::generatedParameters("EDDF", "Frankfurt Main", "Gen", 364, spec.stands.size());
  standgen::writeApf(myThirdpartyFolder / "EDDF.xml", spec);
  standgen::writeText(myParkAirportsFile, "EDDF\n");
}

class StandingScenario : public testsupport::ParkingWorldTest {
protected:
  // The program's parking wiring and the park airport read as the run reads it.
  static void readParkAirport(EngineHarness& harness) {
    CUSTOM_PARKING_PERCENTAGE.setCurrent(100);
    gf_installParking();
    lf_parkAirportDriver(true);
    ASSERT_TRUE(harness.runUntil(20.0, [] { return standTableReady.load(); }));
  }
};

std::optional<simemu::SimObject> objectWithTail(EngineHarness& harness, const std::string& tail) {
  for (const simemu::SimObject& object : harness.emulator().objects())
    if (object.tail == tail) return object;
  return std::nullopt;
}

bool hasEvent(const simemu::SimObject& object, const char* name) {
  return std::any_of(object.events.begin(), object.events.end(),
                     [&](const simemu::ObjectEvent& e) { return e.name == name; });
}

// The simulator creates the static aircraft; it stays as created, inactive
// and unconfigured, for 2 s, then it is active and parked: engines off, flaps
// and throttle set, logo lights only (nav as the setting wants), logged once.
TEST_F(StandingScenario, AStaticAircraftIsActivatedAndParked2sAfterItsCreation) {
  EngineHarness harness({{"DLH", "", "A320", false, lufthansaTitle, ""}}, {lufthansaTitle});
  NAV_LIGHTS_WHILE_PARKED.setCurrent(false);
  writeAirport(true);
  readParkAirport(harness);
  ASSERT_TRUE(harness.runUntil(30.0, [] { return !staticAircraft.empty(); }));
  const std::string callsign = staticAircraft.front().callsign;

  ASSERT_TRUE(harness.runUntil(30.0, [&] { return objectWithTail(harness, callsign).has_value(); }));
  const double created = harness.now();
  while (staticAircraft.front().sim.simState != AcSimState::Active && harness.now() < created + 5.0) {
    const simemu::SimObject object = *objectWithTail(harness, callsign);
    EXPECT_FALSE(hasEvent(object, "ENGINE_AUTO_SHUTDOWN")) << harness.now() - created;
    EXPECT_EQ(object.lights & simemu::lightLogo, 0U) << harness.now() - created;
    harness.pass();
  }
  const double activated = harness.now() - created;
  EXPECT_GE(activated, 2.0);
  EXPECT_LE(activated, 2.1);
  ASSERT_EQ(staticAircraft.front().sim.simState, AcSimState::Active);

  harness.run(10.0);
  const simemu::SimObject object = *objectWithTail(harness, callsign);
  for (const char* event : {"ENGINE_AUTO_SHUTDOWN", "FLAPS_SET", "THROTTLE_SET"})
    EXPECT_TRUE(hasEvent(object, event)) << event;
  EXPECT_FALSE(object.enginesRunning);
  constexpr std::uint32_t offWhileParked =
      simemu::lightNav | simemu::lightBeacon | simemu::lightLanding | simemu::lightTaxi | simemu::lightStrobe;
  EXPECT_EQ(object.lights & (offWhileParked | simemu::lightLogo), simemu::lightLogo);
  const std::string log = harness.log().text();
  const std::string line = fmt::format("{:8}: {:8} parked\n", "S1", callsign);
  const auto first = log.find(line);
  ASSERT_NE(first, std::string::npos) << log;
  EXPECT_EQ(log.find(line, first + 1), std::string::npos) << log;
}

// A static aircraft whose livery the simulator has not got is refused at its
// creation: its record goes and its livery is never chosen again; with the
// livery installed the same aircraft stands at S1.
TEST_F(StandingScenario, AStaticAircraftTheSimulatorRefusesGivesUpItsLivery) {
  struct Case {
    const char* name;
    bool installed;
    bool standing, refused;
  };
  const Case cases[] = {{"livery installed", true, true, false}, {"livery missing", false, false, true}};
  const auto run = [](const Case& c) {
    SCOPED_TRACE(c.name);
    EngineHarness harness({{"DLH", "", "A320", false, lufthansaTitle, ""}},
                          c.installed ? std::vector<std::string>{lufthansaTitle} : std::vector<std::string>{}, true);
    writeAirport(true);
    readParkAirport(harness);
    ASSERT_TRUE(harness.runUntil(30.0, [] { return !staticAircraft.empty(); }));
    const std::string callsign = staticAircraft.front().callsign;
    harness.run(10.0);
    EXPECT_EQ(harness.emulator().countCalls("AICreateNonATCAircraft"), 1U);
    EXPECT_EQ(objectWithTail(harness, callsign).has_value(), c.standing);
    EXPECT_EQ(staticAircraft.size(), c.standing ? 1U : 0U);
    EXPECT_EQ(gf_isUncreatable(lufthansaTitle), c.refused);
    const std::string notice = fmt::format("{} '{}' could not be created by your Sim!", callsign, lufthansaTitle);
    EXPECT_EQ(harness.log().text().find(notice) != std::string::npos, c.refused) << harness.log().text();
  };
  for (const Case& c : cases) {
    run(c);
    TearDown();  // the next case reads the park airport afresh
    SetUp();
  }
}

// A Lufthansa A320 taxis north into S1, then stands there while the feed's
// positions wander 5 m around the stand at 0 kt. Those reports are the
// standing one it stopped at: the arrival takes its stand while the reports
// still come, drives onto it and stays there.
TEST_F(StandingScenario, AnArrivalStandingInNoisyReportsParksAndStaysPut) {
  EngineHarness harness({{"DLH", "", "A320", false, lufthansaTitle, ""}}, {lufthansaTitle});
  writeAirport(false);
  readParkAirport(harness);

  const feeder::ScenarioAircraft arrival{300201, "DLH5", "A320", "D-AISN", "MUC", "FRA", "A3", 0.0, {}};
  const LatLon stand = offset(standNorthM, 0.0);
  const auto send = [&](double southM, double eastM, double kt, double trackDeg) {
    const feeder::AircraftState state{offset(standNorthM - southM, eastM), 364.0, kt, 0.0, true, trackDeg, {}};
    harness.feedLine(feeder::gf_formatTrafficLine(arrival, state, testsupport::harnessStartTime + harness.now()));
    harness.run(3.0);
  };
  for (const auto& [south, kt] : {std::pair{100.0, 8.0}, {80.0, 8.0}, {60.0, 7.0}, {42.0, 5.0}, {24.0, 4.0},
                                  {6.0, 3.0}})
    send(south, 0.0, kt, 0.0);

  // Two minutes of noise: 5 m off the stand, each report another way, its
  // track jittering too (so that none repeats the one before).
  constexpr double noiseM = 5.0;
  struct Noise {
    double north, east, trackDeg;
  };
  const Noise noise[] = {{noiseM, 0.0, 10.0}, {0.0, noiseM, 350.0}, {-noiseM, 0.0, 25.0},
                         {0.0, -noiseM, 340.0}, {3.5, 3.5, 5.0},    {-3.5, -3.5, 355.0}};
  bool tookStand = false, parked = false;
  double farthestParkedM = 0.0;
  for (int i = 0; i < 40; ++i) {
    const Noise& n = noise[i % std::size(noise)];
    send(-n.north, n.east, 0.0, n.trackDeg);
    const LiveAc* ac = trafficEngine.findHexid(300201);
    ASSERT_NE(ac, nullptr) << harness.log().text();
    tookStand = tookStand || ac->phase == AcPhase::Parking || ac->phase == AcPhase::Parked;
    parked = parked || ac->phase == AcPhase::Parked;
    if (const auto object = objectWithTail(harness, "DLH5"); parked && object) {
      const LatLon at{object->pose.latitude, object->pose.longitude};
      farthestParkedM = std::max(farthestParkedM, gf_greatCircleDistanceNm(stand, at) / nmPerMetre);
    }
  }
  ASSERT_TRUE(tookStand) << "never took a stand while its reports came";
  ASSERT_TRUE(parked);
  const LiveAc* ac = trafficEngine.findHexid(300201);
  EXPECT_EQ(gf_standName(ac->standNumber), "S1");
  EXPECT_EQ(ac->phase, AcPhase::Parked);
  EXPECT_LE(farthestParkedM, 2.0) << "crept after the reports' positions";
}

} // namespace
} // namespace gwr
