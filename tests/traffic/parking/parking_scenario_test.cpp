// Scenario test of parking in simulated time at a generated airport: the park
// airport from the user's list, static aircraft placed from the plan, a live
// aircraft born at a stand, renewal, and the learned file on leaving.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <tuple>

#include "airports/stand_fixture.h"
#include "core/main_window_state.h"
#include "core/paths.h"
#include "core/settings_catalogue.h"
#include "feeder/traffic_line.h"
#include "refdata/code_pools.h"
#include "refdata/registration_records.h"
#include "standgen/stand_files.h"
#include "support/engine_harness.h"
#include "support/parking_world.h"
#include "support/traffic_feed.h"
#include "traffic/engine/live_intake.h"
#include "traffic/engine/live_removal.h"
#include "traffic/feed/reader_threads.h"
#include "traffic/parking/park_airport_driver.h"
#include "traffic/parking/park_airports.h"
#include "traffic/parking/stand_choice.h"
#include "traffic/parking/static_ac.h"
#include "traffic/parking/static_parking_plan.h"
#include "traffic/simclient/sim_client_hooks.h"
#include "traffic/simclient/user_aircraft.h"

namespace gwr {
namespace {

using testsupport::EngineHarness;
using testsupport::harnessUser;
using testsupport::TrafficLine;

constexpr double metresPerDegreeLat = 111'120.0;
const double metresPerDegreeLon = metresPerDegreeLat * std::cos(harnessUser.latitude * radiansPerDegree);
constexpr int gridRows = 6, gridColumns = 6;
constexpr double gridSpacingM = 70.0;
constexpr double gridNorthM = 400.0;  // clear of the user's surroundings
constexpr const char* airlines[] = {"DLH", "RYR", "KLM"};
constexpr const char* models[] = {"A320", "B38M", "B772"};

std::vector<testsupport::InstalledLivery> parkedLiveries() {
  return {{"DLH", "", "A320", false, "Airbus A320 Lufthansa", ""},
          {"RYR", "", "B38M", false, "Boeing 737 MAX 8 Ryanair", ""},
          {"KLM", "", "B772", false, "Boeing 777 KLM", ""}};
}

LatLon offset(double northM, double eastM) {
  return {harnessUser.latitude + northM / metresPerDegreeLat, harnessUser.longitude + eastM / metresPerDegreeLon};
}

// A flight on every day, all day, at the stand.
void addWeek(standgen::StandSpec& stand, const std::string& id, int n) {
  for (int day = 1; day <= 7; ++day)
    stand.options.push_back(standgen::option(fmt::format("D-{}{}", id, day), airlines[n % 3], models[n % 3], day,
                                             "0:47", fmt::format("{}{}", airlines[n % 3], 100 + n)));
}

// 36 gates of three sizes, the last column cargo, the user's reserved stand V1
// and U1 under the user aircraft.
standgen::FileSpec generatedAirport() {
  standgen::FileSpec spec;
  int n = 0;
  for (int r = 0; r < gridRows; ++r)
    for (int c = 0; c < gridColumns; ++c, ++n) {
      const std::string id = fmt::format("S{}{}", r, c);
      const LatLon at = offset(gridNorthM + r * gridSpacingM, c * gridSpacingM);
      auto stand = standgen::stand(id, at.latitude, at.longitude, 90.0, 18.0 + 6.0 * (n % 3), 0);
      if (c == gridColumns - 1) stand.attributes[6].second = "true";
      addWeek(stand, id, n);
      spec.stands.push_back(std::move(stand));
    }
  const LatLon v = offset(gridNorthM - gridSpacingM, 0.0);
  spec.stands.push_back(standgen::stand("V1", v.latitude, v.longitude, 90.0, 30.0, 0));
  addWeek(spec.stands.back(), "V1", n++);
  spec.stands.push_back(standgen::stand("U1", harnessUser.latitude, harnessUser.longitude, 90.0, 30.0, 0));
  addWeek(spec.stands.back(), "U1", n++);
  spec.parameters = standgen::generatedParameters("EDDF", "Frankfurt Main", "Gen", 364, spec.stands.size());
  return spec;
}

std::size_t activeStatic() {
  return static_cast<std::size_t>(std::count_if(staticAircraft.begin(), staticAircraft.end(), [](const StaticAc& s) {
    return s.sim.simState == AcSimState::Active;
  }));
}

class ParkingScenario : public testsupport::ParkingWorldTest {
protected:
  // One ground report at the feed's epoch time, then 4 s of simulated time.
  static void report(EngineHarness& harness, std::uint32_t id, const char* flight, const LatLon& at, double epoch,
                     double speedKt = 0.0) {
    const auto [callsign, type, registration] = std::string_view(flight) == "DLH1"
                                                    ? std::tuple{"DLH1", "A320", "D-AIBX"}
                                                    : std::tuple{"RYR2", "B38M", "EI-DAB"};
    feeder::ScenarioAircraft a{id, callsign, type, registration, "FRA", "", "A3", 0.0, {}};
    feeder::AircraftState state{at, 0.0, speedKt, 0.0, true, speedKt > 0.0 ? std::optional{0.0} : std::nullopt, {}};
    harness.feedLine(feeder::gf_formatTrafficLine(a, state, epoch));
    harness.run(4.0);
  }
};

TEST_F(ParkingScenario, ParkAirportFillsWithStaticAircraftMakesWayForLiveOnesRenewsAndLearns) {
  EngineHarness harness(parkedLiveries(), {"Airbus A320 Lufthansa", "Boeing 737 MAX 8 Ryanair", "Boeing 777 KLM"});
  standgen::writeText(myParkAirportsFile, "EDDF,V1\nED!X\n");
  standgen::writeApf(myThirdpartyFolder / "EDDF.xml", generatedAirport());
  CUSTOM_PARKING_PERCENTAGE.setCurrent(50);
  gf_installParking();

  // The feed's first line sets the program's clock (Monday 06:13): the first
  // plan and the renewals below are made for the same day whatever the
  // computer's own clock says.
  harness.feedLine(TrafficLine().set(14, fmt::format("{}", testsupport::harnessStartTime)).text());
  // The list is read at the loop's start; the user on the ground picks EDDF.
  lf_parkAirportDriver(true);
  EXPECT_EQ(parkAirports.size(), 1U);
  ASSERT_TRUE(parkReadPending);
  ASSERT_TRUE(harness.runUntil(20.0, [] { return standTableReady.load(); }));
  ASSERT_EQ(standTable.size(), 38U);
  // The user stands at U1: that becomes the reserved stand at EDDF, in the file too.
  EXPECT_EQ(reservedStandName, "U1");
  EXPECT_EQ(testsupport::readFile(myParkAirportsFile), "ED!X\nEDDF,U1\n");
  EXPECT_EQ(gf_userStandName(harnessUser), "U1");
  const std::size_t wanted = 19;  // half of 38 stands
  EXPECT_EQ(parkedEntries.size(), wanted);

  ASSERT_TRUE(harness.runUntil(60.0, [&] { return activeStatic() == wanted; }));
  std::set<std::int32_t> stands;
  for (const StaticAc& s : staticAircraft) {
    SCOPED_TRACE(s.callsign);
    const std::string id = gf_standName(s.standNumber);
    EXPECT_NE(id, "U1");
    EXPECT_FALSE(s.livery.empty());
    EXPECT_EQ(s.callsign.back(), '*');
    EXPECT_TRUE(stands.insert(s.standNumber).second) << "two static aircraft at " << id;
  }
  EXPECT_EQ(harness.emulator().objects().size(), wanted);

  // A live aircraft reported standing at a stand with a static aircraft on it.
  const StaticAc& displaced = staticAircraft.front();
  const std::int32_t liveStand = displaced.standNumber;
  const StandRecord* stand = gf_standByNumber(liveStand);
  harness.log().mark();
  const std::string scenario = fmt::format(
      "interval 4\naircraft 300001 DLH9LV A320 D-AILV FRA MUC A3\n  0 {0:.7f} {1:.7f} 364 0 0 ground\n"
      "  40 {0:.7f} {1:.7f} 364 0 0 ground\n",
      stand->latitude, stand->longitude);
  harness.play(feeder::gf_parseScenario(scenario, "born-at-stand"));
  ASSERT_TRUE(harness.runUntil(90.0, [&] {
    const LiveAc* ac = trafficEngine.findHexid(300001);
    return ac != nullptr && ac->sim.simState == AcSimState::Active;
  })) << harness.log().text();
  const LiveAc* live = trafficEngine.findHexid(300001);
  EXPECT_EQ(live->standNumber, liveStand);
  EXPECT_EQ(live->phase, AcPhase::Parked);
  EXPECT_EQ(gf_standByNumber(liveStand)->liveAssigned, 1);
  EXPECT_TRUE(std::none_of(staticAircraft.begin(), staticAircraft.end(),
                           [&](const StaticAc& s) { return s.standNumber == liveStand; }));

  // It leaves: the stand is free again.
  gf_removeLiveAc(*trafficEngine.findHexid(300001));
  EXPECT_EQ(gf_standByNumber(liveStand)->liveAssigned, 0);
  harness.run(5.0);

  // A smaller share at the next renewal removes static aircraft, a larger one adds them.
  CUSTOM_PARKING_PERCENTAGE.setCurrent(25);
  staticRenewalMinutes = 1;
  ASSERT_TRUE(harness.runUntil(90.0, [&] { return activeStatic() == 10; })) << activeStatic();  // round(9.5)
  CUSTOM_PARKING_PERCENTAGE.setCurrent(40);
  staticRenewalMinutes = 1;
  ASSERT_TRUE(harness.runUntil(120.0, [&] { return activeStatic() == 15; }));  // round(15.2)

  // Flown away: the learned file is written and every static aircraft goes.
  gf_leaveParkAirport();
  EXPECT_FALSE(standTableReady.load());
  EXPECT_TRUE(std::filesystem::exists(learnedThirdpartyFolder / "Gen" / "EDDF.xml"));
  ASSERT_TRUE(harness.runUntil(30.0, [&] { return staticAircraft.empty(); }));
  EXPECT_TRUE(harness.emulator().objects().empty());
}

// The arrival of the engine's scenario taxis into its stand at Terminal 1: the
// ground movement asks for a stand once it is slow near its newest report, the
// stand is taken and its static aircraft goes, the one at the small stand next
// door stays.
TEST_F(ParkingScenario, AnArrivalTakesAFittingStandAndTheStaticAircraftThereMakesWay) {
  constexpr const char* condorTitle = "Airbus A321neo Condor";
  constexpr LatLon arrivalStand{50.045153, 8.554446};
  EngineHarness harness({{"CFG", "", "A21N", false, condorTitle, ""}, parkedLiveries().front()},
                        {condorTitle, "Airbus A320 Lufthansa"});
  airportsTable.front().altitude = 364.0F;
  standgen::FileSpec spec;
  spec.stands = {standgen::stand("T1", arrivalStand.latitude, arrivalStand.longitude, 340.0, 24.0, 0),
                 standgen::stand("T2", arrivalStand.latitude, arrivalStand.longitude - 60.0 / metresPerDegreeLon, 340.0,
                                 8.0, 0),
                 standgen::stand("U1", harnessUser.latitude, harnessUser.longitude, 90.0, 30.0, 0)};
  addWeek(spec.stands[0], "T1", 0);
  addWeek(spec.stands[1], "T2", 3);
  spec.parameters = standgen::generatedParameters("EDDF", "Frankfurt Main", "Gen", 364, spec.stands.size());
  standgen::writeApf(myThirdpartyFolder / "EDDF.xml", spec);
  standgen::writeText(myParkAirportsFile, "EDDF\n");
  CUSTOM_PARKING_PERCENTAGE.setCurrent(100);
  gf_installParking();
  lf_parkAirportDriver(true);
  ASSERT_TRUE(harness.runUntil(30.0, [] { return activeStatic() == 2; }));

  harness.play(feeder::gf_readScenarioFile(std::filesystem::path(GWR_FEEDER_SCENARIOS) / "eddf_arrival.txt"));
  ASSERT_TRUE(harness.runUntil(600.0, [] {
    return trafficEngine.live.size() == 1 && trafficEngine.live.front().phase == AcPhase::Parking;
  }));
  const LiveAc& arrival = trafficEngine.live.front();
  EXPECT_EQ(gf_standName(arrival.standNumber), "T1");
  EXPECT_NEAR(gf_standByNumber(1)->radius / nmPerMetre, 24.0, 1e-9);
  EXPECT_EQ(gf_standByNumber(2)->radius_change, 0);
  EXPECT_TRUE(gf_standByNumber(1)->overlaps.empty());
  ASSERT_TRUE(harness.runUntil(10.0, [] { return staticAircraft.size() == 1; }));  // the simulator removed it
  EXPECT_EQ(gf_standName(staticAircraft.front().standNumber), "T2");
  // The movement drives it onto the stand it took.
  ASSERT_TRUE(harness.runUntil(300.0, [] {
    return !trafficEngine.live.empty() && trafficEngine.live.front().phase == AcPhase::Parked;
  }));
  EXPECT_EQ(gf_standName(trafficEngine.live.front().standNumber), "T1");
}

// Max park 3 with three static aircraft standing: four arrivals taxi in one
// after another. Each one parked sends a static aircraft away at once, the
// fourth the live one parked longest, so static + live never pass 3.
TEST_F(ParkingScenario, MaxParkHoldsWhileArrivalsParkOneAfterAnother) {
  EngineHarness harness(parkedLiveries(), {"Airbus A320 Lufthansa", "Boeing 737 MAX 8 Ryanair", "Boeing 777 KLM"});
  constexpr int maxPark = 3, arrivals = 4;
  constexpr double standSpacingM = 60.0;
  standgen::FileSpec spec;
  for (int i = 0; i < maxPark + arrivals; ++i) {
    const LatLon at = offset(gridNorthM, i * standSpacingM);
    const std::string id = fmt::format("{}{}", i < maxPark ? "S" : "L", i);
    spec.stands.push_back(standgen::stand(id, at.latitude, at.longitude, 0.0, 25.0, 0));
    if (i < maxPark) addWeek(spec.stands.back(), id, i);  // the arrivals' stands have no flights to plan
  }
  spec.stands.push_back(standgen::stand("U1", harnessUser.latitude, harnessUser.longitude, 90.0, 30.0, 0));
  spec.parameters = standgen::generatedParameters("EDDF", "Frankfurt Main", "Gen", 364, spec.stands.size());
  standgen::writeApf(myThirdpartyFolder / "EDDF.xml", spec);
  standgen::writeText(myParkAirportsFile, "EDDF\n");
  CUSTOM_PARKING_PERCENTAGE.setCurrent(100);
  MAX_PARK_SEL.setCurrent(maxPark);
  gf_installParking();
  lf_parkAirportDriver(true);
  ASSERT_TRUE(harness.runUntil(60.0, [] { return activeStatic() == maxPark; }));
  EXPECT_EQ(maxParkCount, maxPark);

  // Each taxis 100 m north into its stand, slowing within the last 35 m, and
  // falls silent there (one still reporting would be born again); 90 s apart.
  std::string scenario = "interval 3\n";
  for (int k = 0; k < arrivals; ++k) {
    const double east = (maxPark + k) * standSpacingM;
    const auto row = [&](double t, double south, double kt) {
      const LatLon at = offset(gridNorthM - south, east);
      return fmt::format("  {} {:.7f} {:.7f} 364 {} 0 ground 0\n", 90 * k + t, at.latitude, at.longitude, kt);
    };
    scenario += fmt::format("aircraft {} DLH4{} A320 D-AIL{} FRA MUC A3\n", 300101 + k, k, k) + row(0, 100, 8) +
                row(15, 40, 8) + row(21, 25, 4) + row(30, 8, 2) + row(39, 0, 0) + row(60, 0, 0);
  }
  harness.play(feeder::gf_parseScenario(scenario, "arrivals"));
  const auto liveParked = [] {
    return std::count_if(trafficEngine.live.begin(), trafficEngine.live.end(), [](const LiveAc& ac) {
      return ac.sim.simState == AcSimState::Active && ac.phase == AcPhase::Parked;
    });
  };
  std::int64_t most = 0, mostLive = 0;
  ASSERT_TRUE(harness.runUntil(600.0, [&] {
    most = std::max<std::int64_t>(most, std::int64_t(activeStatic()) + liveParked());
    mostLive = std::max<std::int64_t>(mostLive, liveParked());
    const LiveAc* last = trafficEngine.findHexid(300101 + arrivals - 1);
    return last != nullptr && last->phase == AcPhase::Parked && last->sim.simState == AcSimState::Active;
  })) << harness.log().text();
  EXPECT_TRUE(harness.runUntil(60.0, [&] {
    most = std::max<std::int64_t>(most, std::int64_t(activeStatic()) + liveParked());
    return trafficEngine.findHexid(300101) == nullptr;
  })) << "the one parked longest made way";
  EXPECT_LE(most, maxPark) << "static + live over Max park";
  EXPECT_EQ(mostLive, maxPark);
  EXPECT_EQ(activeStatic(), 0U);
  EXPECT_EQ(liveParked(), maxPark);
  const std::string log = harness.log().text();
  const auto count = [&](const char* text) {
    std::size_t n = 0;
    for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count(" static max park exceeded, removed"), std::size_t{maxPark}) << log;
  EXPECT_EQ(count("L3      : DLH40 live max park exceeded, removed"), 1U) << log;
}

// Two simulated days: flights stand at S1 and S2 on Monday, one moves off, the
// other is next reported far away; both stays are saved complete, on Tuesday
// the plan parks them as static aircraft at the same stands, and DLH1 coming
// back takes its stand from its static twin.
TEST_F(ParkingScenario, FlightsLearnedOnOneDayParkAsStaticAircraftTheNextDay) {
  EngineHarness harness(parkedLiveries(), {"Airbus A320 Lufthansa", "Boeing 737 MAX 8 Ryanair"});
  dbaseRecords = {{"D-AIBX", {gf_airlineIndex("DLH"), 0, gf_modelIndex("A320"), 0, 1}},
                  {"EI-DAB", {gf_airlineIndex("RYR"), 0, gf_modelIndex("B38M"), 0, 1}}};
  const LatLon s1 = offset(300.0, 0.0), s2 = offset(300.0, 120.0);
  standgen::FileSpec airport;
  airport.stands = {standgen::stand("U1", harnessUser.latitude, harnessUser.longitude, 90.0, 30.0, 0),
                    standgen::stand("S1", s1.latitude, s1.longitude, 0.0, 30.0, 0),
                    standgen::stand("S2", s2.latitude, s2.longitude, 0.0, 30.0, 0)};
  airport.parameters = standgen::generatedParameters("EDDF", "Frankfurt Main", "Gen", 364, 3);
  standgen::writeText(myParkAirportsFile, "EDDF\n");
  standgen::writeApf(myThirdpartyFolder / "EDDF.xml", airport);
  WEEK.setCurrent(true);
  RANDOM.setCurrent(false);
  CUSTOM_PARKING_PERCENTAGE.setCurrent(100);
  gf_installParking();
  lf_parkAirportDriver(true);
  EXPECT_TRUE(parkControlsDisabled.load());  // while the file is read and planned
  ASSERT_TRUE(harness.runUntil(20.0, [] { return standTableReady.load(); }));
  EXPECT_FALSE(parkControlsDisabled.load());  // nothing learned yet, nothing planned
  // The user's stand U1 is shown, and kept as reserved on a flight change.
  ASSERT_TRUE(harness.runUntil(5.0, [] { return gf_mainWindow().text(StatusText::userStand) == "U1"; }));
  standgen::writeText(myParkAirportsFile, "EDDF\n");
  parkAirports.front().reservedStand.clear();
  lf_saveUserStand();
  harness.run(6.0);
  EXPECT_EQ(testsupport::readFile(myParkAirportsFile), "EDDF,U1\n");
  const double monday0800 = 1718006400.0;  // 2024-06-10, half-hour 16
  for (int i = 0; i < 4; ++i) {
    report(harness, 300001, "DLH1", s1, monday0800 + 20 * i);
    report(harness, 300002, "RYR2", s2, monday0800 + 20 * i);
  }
  const auto parkedAt = [](std::uint32_t hexid, const char* stand) {
    const LiveAc* ac = trafficEngine.findHexid(hexid);
    return ac != nullptr && ac->sim.simState == AcSimState::Active && ac->phase == AcPhase::Parked &&
           gf_standName(ac->standNumber) == stand;
  };
  // Each stand is marked when its aircraft parks (a silent parked aircraft's
  // made-up reports clear the mark again).
  bool marked[2] = {false, false};
  ASSERT_TRUE(harness.runUntil(60.0, [&] {
    for (int i = 0; i < 2; ++i) marked[i] = marked[i] || gf_standByNumber(2 + i)->liveAssigned != 0;
    return parkedAt(300001, "S1") && parkedAt(300002, "S2");
  }));
  EXPECT_TRUE(marked[0] && marked[1]);
  double t = monday0800 + 2400.0;  // 08:40, half-hour 17
  for (const double north : {0.0, 6.0, 12.0, 18.0, 24.0})
    report(harness, 300001, "DLH1", offset(300.0 + north, 0.0), t += 20.0, north > 0.0 ? 3.0 : 0.0);
  report(harness, 300002, "RYR2", s2, t += 20.0);
  report(harness, 300002, "RYR2", offset(300.0, 420.0), t += 20.0);  // 300 m off
  ASSERT_TRUE(harness.runUntil(60.0, [] { return trafficEngine.findHexid(300002) == nullptr; }));
  EXPECT_EQ(gf_standByNumber(2)->liveAssigned + gf_standByNumber(3)->liveAssigned, 0);

  gf_leaveParkAirport();  // the learned file holds both stays, complete
  const std::string learned = testsupport::readFile(learnedThirdpartyFolder / "Gen" / "EDDF.xml");
  for (const char* stay : {R"(<parkpos id="S1">)" "\n" R"(      <opt reg="D-AIBX" day="1" hh="16:17" cs="DLH1" cpl="true")",
                           R"(<parkpos id="S2">)" "\n" R"(      <opt reg="EI-DAB" day="1" hh="16:17" cs="RYR2" cpl="true")"})
    EXPECT_NE(learned.find(stay), std::string::npos) << learned;
  ASSERT_TRUE(harness.runUntil(60.0, [] { return trafficEngine.live.empty(); }));
  // Tuesday 08:00 (an overflight's report sets the clock): the user is chosen
  // the airport again and the plan finds Monday's flights 47 half-hours back.
  harness.feedLine(TrafficLine().set(14, fmt::format("{}", monday0800 + 86400.0)).text());
  ASSERT_TRUE(harness.runUntil(40.0, [] { return standTableReady.load(); }));
  const auto statics = [] {
    std::vector<std::string> out;
    for (const StaticAc& s : staticAircraft)
      if (s.sim.simState == AcSimState::Active) out.push_back(gf_standName(s.standNumber) + " " + s.registration);
    std::sort(out.begin(), out.end());
    return out;
  };
  ASSERT_TRUE(harness.runUntil(60.0, [&] { return statics().size() == 2; })) << harness.log().text();
  EXPECT_EQ(statics(), (std::vector<std::string>{"S1 D-AIBX", "S2 EI-DAB"}));
  EXPECT_NE(harness.log().text().find("It is day 2 (Tue), 9.0 hours"), std::string::npos);
  EXPECT_EQ(gf_mainWindow().planOffsetReal.load(), 47);
  EXPECT_FALSE(gf_mainWindow().weekMark.load());  // the week pass after it found nothing
  for (int i = 0; i < 4; ++i) report(harness, 300001, "DLH1", s1, monday0800 + 86460.0 + 20 * i);
  ASSERT_TRUE(harness.runUntil(60.0, [&] { return parkedAt(300001, "S1"); }));
  EXPECT_NE(harness.log().text().find("makes way for the same live version DLH1 D-AIBX"), std::string::npos);
  ASSERT_TRUE(harness.runUntil(30.0, [&] { return statics() == std::vector<std::string>{"S2 EI-DAB"}; }));
}

} // namespace
} // namespace gwr
