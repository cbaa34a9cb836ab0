// Tests of the static parking plan: the wanted number, the stands it never
// uses, the passes by day, week and offset, and options in use kept apart
// from dropped ones so that the learned file keeps them.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/run_state.h"
#include "core/settings_catalogue.h"
#include "traffic/parking/stand_learning.h"
#include "traffic/parking/stand_scene.h"
#include "traffic/parking/static_parking_plan.h"
#include "traffic/parking/static_renewal.h"

namespace gwr {
namespace {

using testsupport::makeOption;
using testsupport::northOf;
using testsupport::standAt;

class StaticPlanTest : public testsupport::StandScene {
protected:
  void SetUp() override {
    StandScene::SetUp();
    RANDOM.setCurrent(false);
    MAX_FIT.setCurrent(0);
    weekTime = (std::uint64_t{20} << 32U) | 3U;  // day 3, slot 20
    parkedEntries.clear();
  }
  void TearDown() override {
    parkedEntries.clear();
    parkedLive.clear();
    weekTime = 0;
    for (auto* p : {&RANDOM}) p->setCurrent(p->defaultValue());
    MAX_FIT.setCurrent(MAX_FIT.defaultValue());
    CUSTOM_PARKING_PERCENTAGE.setCurrent(CUSTOM_PARKING_PERCENTAGE.defaultValue());
    MAX_PARK_SEL.setCurrent(MAX_PARK_SEL.defaultValue());
    WEEK.setCurrent(false);
    PARK_SOFT.setCurrent(false);
    StandScene::TearDown();
  }
  // n stands 100 m apart, each with one flight of the given day and half-hours.
  static void standsWithFlights(int n, std::uint32_t day, std::initializer_list<int> halfHours) {
    std::vector<StandRecord> stands;
    for (int i = 0; i < n; ++i) {
      stands.push_back(standAt("G" + std::to_string(i + 1), 100.0 * i, 20.0));
      stands.back().options.push_back(makeOption("PH-" + std::to_string(i), LivKey{1, 0, 1, 0, 1}, day, halfHours, 1));
    }
    useStands(std::move(stands));
  }
  static std::vector<std::string> plannedStands() {
    std::vector<std::string> ids;
    for (const ParkedEntry& e : parkedEntries) ids.push_back(gf_standName(e.standNumber));
    std::sort(ids.begin(), ids.end());
    return ids;
  }
};

TEST_F(StaticPlanTest, WantedNumberFromStandsAndPercentage) {
  struct Case {
    std::int32_t maxParkSel, custom;
    int stands;
    std::int32_t wanted;
  };
  const Case cases[] = {{0, 50, 10, 0},  {500, 40, 3, 1}, {500, 40, 4, 2}, {500, 50, 2, 1},
                        {500, 49, 2, 1}, {500, 10, 1, 1}, {3, 50, 10, 3},  {500, 0, 10, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.maxParkSel << " " << c.custom << "% of " << c.stands);
    MAX_PARK_SEL.setCurrent(c.maxParkSel);
    CUSTOM_PARKING_PERCENTAGE.setCurrent(c.custom);
    standsWithFlights(c.stands, 3, {20});
    EXPECT_EQ(gf_wantedParkCount(), c.wanted);
  }
}

TEST_F(StaticPlanTest, ReservedStandAndTheUsersStandAreNeverPlanned) {
  CUSTOM_PARKING_PERCENTAGE.setCurrent(100);
  standsWithFlights(3, 3, {20});
  reservedStandName = "G1";
  userOnGround = true;
  trafficEngine.user.latitude = northOf(103.0).latitude;
  trafficEngine.user.longitude = northOf(103.0).longitude;
  gf_planStaticsAtRead();
  EXPECT_EQ(plannedStands(), std::vector<std::string>{"G3"});
}

TEST_F(StaticPlanTest, PassesUseTodayFirstAndTheWeekOnlyWhenAllowed) {
  CUSTOM_PARKING_PERCENTAGE.setCurrent(100);
  standsWithFlights(4, 3, {20});
  standTable[1].options[0].day = 4;   // another day
  standTable[2].options[0].real = 0;  // soft
  standTable[3].options[0].hours = {};
  standTable[3].options[0].hours.set(17);  // three half-hours ago
  gf_planStaticsAtRead();
  EXPECT_EQ(plannedStands(), std::vector<std::string>{"G1"});

  WEEK.setCurrent(true);
  gf_planStaticsAtRead();
  EXPECT_EQ(plannedStands(), (std::vector<std::string>{"G1", "G2"}));

  PARK_SOFT.setCurrent(true);
  MAX_FIT.setCurrent(3);
  gf_planStaticsAtRead();
  EXPECT_EQ(plannedStands(), (std::vector<std::string>{"G1", "G2", "G3", "G4"}));
  const auto g4 = std::find_if(parkedEntries.begin(), parkedEntries.end(),
                               [](const ParkedEntry& e) { return gf_standName(e.standNumber) == "G4"; });
  EXPECT_EQ(g4->parkedHalfHours, 3);
}

TEST_F(StaticPlanTest, AnOptionInUseIsSkippedButKeptForTheLearnedFile) {
  CUSTOM_PARKING_PERCENTAGE.setCurrent(100);
  standsWithFlights(2, 3, {20});
  standTable[1].options[0].registration = "PH-0";  // the same aircraft as at G1
  gf_planStaticsAtRead();
  EXPECT_EQ(plannedStands(), std::vector<std::string>{"G1"});
  EXPECT_EQ(standTable[1].options[0].index, 1U);

  // The next plan may use it again, and leaving the airport saves it.
  standTable[0].options.clear();
  gf_planStaticsAtRead();
  EXPECT_EQ(plannedStands(), std::vector<std::string>{"G2"});
  apfHeader.publisher = "Pub";
  ASSERT_TRUE(lf_saveLearnedStands());
  const std::string saved = testsupport::readFile(gf_learnedFilePath());
  EXPECT_NE(saved.find("PH-0"), std::string::npos) << saved;
}

// More parked live aircraft than wanted at a renewal: those parked longest
// go, however recently they were heard.
TEST_F(StaticPlanTest, TooManyParkedLiveAircraftLoseThoseParkedLongest) {
  MAX_PARK_SEL.setCurrent(1);
  useStands({standAt("G1", 0.0, 20.0), standAt("G2", 100.0, 20.0)});
  constexpr double now = 100000.0;
  trafficTime = now;
  parkLive("EARLY", 1, 20001);
  parkLive("LATE", 2, 20002);
  trafficEngine.live[0].weekTimeParked = (std::uint64_t{2} << 32U) | 3U;
  trafficEngine.live[0].lastSampleTime = now;
  trafficEngine.live[1].weekTimeParked = (std::uint64_t{19} << 32U) | 3U;
  trafficEngine.live[1].lastSampleTime = now - 3600.0;  // silent an hour, below the limit
  gf_renewStaticParking();
  EXPECT_EQ(trafficEngine.live[0].sim.simState, AcSimState::RemovingFromSim);
  EXPECT_EQ(trafficEngine.live[1].sim.simState, AcSimState::Active);
  trafficTime = 0.0;
}

TEST_F(StaticPlanTest, ALiveCallsignSeenSinceTheLastRenewalKeepsItsFlightOff) {
  CUSTOM_PARKING_PERCENTAGE.setCurrent(100);
  standsWithFlights(2, 3, {20});
  standTable[0].options[0].callsign1 = "KLM1";
  gf_noteLiveCallsign("KLM1_");
  gf_planStaticsAtRead();
  EXPECT_EQ(plannedStands(), std::vector<std::string>{"G2"});
  gf_planStaticsAtRead();  // not seen since
  EXPECT_EQ(plannedStands(), (std::vector<std::string>{"G1", "G2"}));
}

// Day 3, half-hour 20, the passes looked back 2 half-hours. A static aircraft
// KLM1* (flight KLM1 in, KLM2 out, PH-1) stands at G1 since half-hour 18; G2
// overlaps G1.
TEST_F(StaticPlanTest, TheRenewalKeepsRemovesOrReplansTheStandingStaticAircraft) {
  const LivKey klm{1, 0, 1, 0, 1}, dlh{2, 0, 1, 0, 1};
  const auto parkedAt = [](std::uint32_t slot) { return (std::uint64_t{slot} << 32U) | 3U; };
  struct Case {
    const char* name;
    std::function<void(StaticAc&, StandOption&)> setup;
    bool kept;
    std::vector<std::string> entriesAfter;
  };
  const ParkedEntry other{1, 0, dlh, "DLH5", "", "D-AIXX", false};
  const Case cases[] = {
      {"its flight goes on", [](StaticAc&, StandOption&) {}, true, {}},
      {"its flight was seen live",
       [](StaticAc&, StandOption&) {
         gf_noteLiveCallsign("KLM2");
         gf_renewSeenCallsigns();
       },
       false, {}},
      {"the same flight is planned at its stand",
       [&](StaticAc&, StandOption&) { parkedEntries.push_back({1, 0, klm, "KLM1", "KLM2", "PH-1", false}); }, true, {}},
      {"another flight is planned that started after it parked",
       [&](StaticAc&, StandOption&) { parkedEntries.push_back(other); }, true, {}},
      {"another flight is planned that started before it parked",
       [&](StaticAc& s, StandOption&) {
         s.weekTimeParked = parkedAt(20);
         ParkedEntry earlier = other;
         earlier.parkedHalfHours = 1;
         parkedEntries.push_back(earlier);
       },
       false, {"G1 DLH5/"}},
      {"a flight planned next door would touch it",
       [&](StaticAc& s, StandOption&) {
         s.weekTimeParked = parkedAt(20);
         s.halfWingspan = 35.0 * nmPerMetre;  // 30 m apart
         ParkedEntry next = other;
         next.standNumber = 2;
         next.parkedHalfHours = 1;
         parkedEntries.push_back(next);
       },
       false, {"G2 DLH5/"}},
      {"its flight is not due in the half-hours looked back",
       [](StaticAc&, StandOption& o) { o.hours = gf_hours2bitset("10:17"); }, false, {}},
      {"its flight, shown as KLM2, was due two half-hours ago",
       [](StaticAc& s, StandOption& o) {
         s.callsign = "KLM2*";
         o.hours = gf_hours2bitset("10:18");
       },
       true, {}},
      {"its stay ends with this half-hour: planned again to show KLM2",
       [](StaticAc&, StandOption& o) { o.hours = gf_hours2bitset("18:20"); }, false, {"G1 KLM1/KLM2"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    clearTraffic();
    parkedEntries.clear();
    gf_renewSeenCallsigns();
    useStands({standAt("G1", 0.0, 20.0), standAt("G2", 30.0, 20.0)});
    StandOption flight = makeOption("PH-1", klm, 3, {18, 19, 20, 21}, 1);
    flight.callsign1 = "KLM1";
    flight.callsign2 = "KLM2";
    StaticAc s(AcIdentity{});
    s.key = klm;
    s.callsign = "KLM1*";
    s.pairedCallsign1 = "KLM1";
    s.pairedCallsign2 = "KLM2";
    s.registration = "PH-1";
    s.halfWingspan = 20.0 * nmPerMetre;
    s.standNumber = 1;
    s.weekTimeParked = parkedAt(18);
    s.sim.simState = AcSimState::Active;
    c.setup(s, flight);
    standTable[0].options.push_back(flight);
    staticAircraft.push_back(s);
    std::vector<std::size_t> kept, removal;
    gf_reconcileStatics({3, 20}, 2, kept, removal);
    EXPECT_EQ(kept, c.kept ? std::vector<std::size_t>{0} : std::vector<std::size_t>{});
    EXPECT_EQ(removal, c.kept ? std::vector<std::size_t>{} : std::vector<std::size_t>{0});
    std::vector<std::string> entries;
    for (const ParkedEntry& e : parkedEntries)
      entries.push_back(gf_standName(e.standNumber) + " " + e.callsign1 + "/" + e.callsign2);
    EXPECT_EQ(entries, c.entriesAfter);
  }
  parkedEntries.clear();
}

} // namespace
} // namespace gwr
