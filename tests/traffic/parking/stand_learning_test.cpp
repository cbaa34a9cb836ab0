// Tests of stand learning: which sightings open, stretch or leave an option,
// the callsign pair of a flight, and the learned file saved and read again.
#include <filesystem>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "airports/apf_locations.h"
#include "core/settings_catalogue.h"
#include "refdata/code_pools.h"
#include "refdata/registration_records.h"
#include "traffic/engine/engine_hooks.h"
#include "traffic/engine/live_intake.h"
#include "standgen/stand_files.h"
#include "traffic/parking/stand_learning.h"
#include "traffic/parking/stand_scene.h"
#include "traffic/parking/static_parking_plan.h"

namespace gwr {
namespace {

using testsupport::liveAircraft;
using testsupport::northOf;
using testsupport::standAt;

constexpr LivKey klmB738{3, 0, 4, 0, 1};
constexpr LivKey fdxCargo{5, 0, 6, 1, 1};

class StandLearningTest : public testsupport::StandScene {
protected:
  void SetUp() override {
    StandScene::SetUp();
    dbaseRecords = {{"N123FE", fdxCargo}, {"PH-BXA", klmB738}};
    useStands({standAt("A1", 0.0, 30.0), standAt("A2", 200.0, 30.0)});
  }
  void TearDown() override {
    weekTime = 0;
    StandScene::TearDown();
  }
  static void at(std::uint32_t day, std::uint32_t slot) { weekTime = (std::uint64_t{slot} << 32U) | day; }
  static LiveAc klm(const std::string& registration = "PH-BXA") {
    return liveAircraft("KLM1", registration, 15.0, AcCategory::Large, northOf(0.0), 20001);
  }
  // The (first, last) set half-hour of each option of stand A1.
  static std::vector<std::pair<int, int>> spans() {
    std::vector<std::pair<int, int>> out;
    for (const StandOption& o : standTable[0].options) {
      int first = -1, last = -1;
      for (int s = 0; s < 48; ++s)
        if (o.hours.test(static_cast<std::size_t>(s))) {
          if (first < 0) first = s;
          last = s;
        }
      out.emplace_back(first, last);
    }
    return out;
  }
  using Spans = std::vector<std::pair<int, int>>;
};

TEST_F(StandLearningTest, OnlyAircraftKnownToTheDatabaseAreLearned) {
  at(3, 10);
  LiveAc none = klm("");
  lf_addRealStandOption(1, none, LearnMode::AtStand);
  LiveAc unknown = klm("PH-ZZZ");
  lf_addRealStandOption(1, unknown, LearnMode::AtStand);
  LiveAc elsewhere = klm();
  lf_addRealStandOption(9, elsewhere, LearnMode::AtStand);
  EXPECT_TRUE(standTable[0].options.empty());

  LiveAc underscored = klm("PH-BXA_");
  lf_addRealStandOption(1, underscored, LearnMode::Born);
  ASSERT_EQ(standTable[0].options.size(), 1U);
  const StandOption& o = standTable[0].options[0];
  EXPECT_EQ(o.registration, "PH-BXA");
  EXPECT_EQ(o.codes, klmB738);
  EXPECT_EQ(o.day, 3U);
  EXPECT_EQ(o.callsign1, "KLM1");
  EXPECT_EQ(o.cpl, 0);
}

TEST_F(StandLearningTest, AStayIsStretchedOverShortGapsOnlyAndNotOnceCompleted) {
  const struct {
    const char* name;
    bool cargo, firstParked;            // the first sighting completes the stay
    std::vector<std::uint32_t> slots;   // sightings on day 2
    Spans expected;
  } cases[] = {
      {"gap of 5", false, false, {10, 15}, {{10, 15}}},
      {"then a gap of 7", false, false, {10, 15, 22}, {{10, 15}, {22, 22}}},
      {"gap of 6", false, false, {10, 16}, {{10, 10}, {16, 16}}},
      {"cargo gap of 11", true, false, {10, 21}, {{10, 21}}},
      {"cargo gap of 12", true, false, {10, 22}, {{10, 10}, {22, 22}}},
      {"seen earlier again", false, false, {10, 5}, {{10, 10}, {5, 5}}},
      {"the same slot twice", false, false, {10, 10}, {{10, 10}}},
      {"after a completed stay", false, true, {10, 12}, {{10, 10}, {12, 12}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    standTable[0].options.clear();
    LiveAc ac = c.cargo ? liveAircraft("FDX1", "N123FE", 20.0, AcCategory::Heavy, northOf(0.0), 20002) : klm();
    for (const std::uint32_t slot : c.slots) {
      at(2, slot);
      lf_addRealStandOption(1, ac, c.firstParked && slot == c.slots.front() ? LearnMode::Parked : LearnMode::AtStand);
    }
    EXPECT_EQ(spans(), c.expected);
    EXPECT_EQ(standTable[0].options[0].cpl, c.firstParked ? 1 : 0);
  }
}

TEST_F(StandLearningTest, AFileOptionOfTodayOutsideNowKeepsTheStandFromLearning) {
  StandOption fromFile = testsupport::makeOption("PH-BXA", klmB738, 5, {30, 31}, 1);
  fromFile.fromFile = 1;
  standTable[0].options.push_back(fromFile);
  LiveAc ac = klm();
  at(5, 10);
  lf_addRealStandOption(1, ac, LearnMode::AtStand);
  EXPECT_EQ(standTable[0].options.size(), 1U);
  at(5, 30);
  lf_addRealStandOption(1, ac, LearnMode::AtStand);
  EXPECT_EQ(standTable[0].options.size(), 2U);
}

TEST_F(StandLearningTest, WeekTimeDifferencesWrapOverTheWeek) {
  EXPECT_EQ(gf_weekTimeDifference({2, 10}, {2, 15}), 5);
  EXPECT_EQ(gf_weekTimeDifference({7, 47}, {1, 0}), 1);
  EXPECT_EQ(gf_weekTimeDifference({2, 10}, {2, 9}), 335);
  EXPECT_EQ(gf_weekTimeDifference({1, 0}, {1, 0}), 0);
}

TEST_F(StandLearningTest, CallsignPairComesFromAnOptionNearNow) {
  StandOption o = testsupport::makeOption("PH-BXA", klmB738, 3, {20}, 1);
  o.callsign1 = "KLM1";
  o.callsign2 = "KLM2";
  standTable[1].options.push_back(o);
  LiveAc ac = klm();
  ac.key = klmB738;
  ac.callsign = "KLM2_";
  gf_lookupCallsignPair({3, 31}, ac);  // 11 slots off: outside the window
  EXPECT_TRUE(ac.pairedCallsign1.empty());
  gf_lookupCallsignPair({4, 20}, ac);  // another day
  EXPECT_TRUE(ac.pairedCallsign1.empty());
  gf_lookupCallsignPair({3, 30}, ac);
  EXPECT_EQ(ac.pairedCallsign1, "KLM1");
  EXPECT_EQ(ac.pairedCallsign2, "KLM2");
}

// A report giving a parked aircraft another registration (and so another
// aircraft) ends the stay of the one that stood there: it is learned first.
TEST_F(StandLearningTest, AParkedAircraftGivenAnotherIdentityRecordsItsStayFirst) {
  const LivKey klm737{gf_airlineIndex("KLM"), 0, gf_modelIndex("B738"), 0, 1};
  dbaseRecords = {{"PH-BXA", klm737}, {"PH-BXB", {klm737.airline, 0, gf_modelIndex("B739"), 0, 1}}};
  TrafficEngineHooks hooks;
  hooks.standUseBeforeNewKey = &gf_learnStayBeforeNewKey;
  gf_installTrafficEngineHooks(hooks);
  trafficEngine.live.push_back(klm());
  LiveAc& ac = trafficEngine.live.back();
  ac.key = klm737;
  ac.phase = AcPhase::Parked;
  ac.standNumber = 1;
  ac.sim.simState = AcSimState::Active;
  at(2, 16);
  lf_addRealStandOption(1, ac, LearnMode::Born);
  at(2, 17);
  TrafficRecord report;
  report.hexid = ac.hexId;
  report.identity.callsign = "KLM1";
  report.identity.registration = "PH-BXB";
  report.latitude = ac.samples.back().lat;
  report.longitude = ac.samples.back().lon;
  report.onGround = 1;
  report.timestamp = 100.0;
  lf_routeTrafficRecord(report);
  EXPECT_EQ(trafficEngine.live.back().registration, "PH-BXB");
  EXPECT_EQ(spans(), (Spans{{16, 17}}));  // PH-BXA's option
  gf_installTrafficEngineHooks({});
}

// The park airport's file read, flights learned, the airport left and read
// again: the learned file holds the old and new flights as they were learned,
// and the plan made from it is the same.
TEST_F(StandLearningTest, LearnedFlightsSurviveLeavingAndReadingAgain) {
  standgen::FileSpec spec;
  for (int i = 0; i < 3; ++i)
    spec.stands.push_back(standgen::stand(fmt::format("A{}", i + 1), northOf(200.0 * i).latitude, 4.0, 0.0, 30.0, 0));
  spec.parameters = standgen::generatedParameters("EHAM", "Schiphol", "Pub", -11, spec.stands.size());
  standgen::writeApf("airports/my_thirdparty/EHAM.xml", spec);
  const auto read = [] {
    gf_clearStands(standTable);
    return gf_readApf("airports/my_thirdparty/EHAM.xml", apfHeader, qualityFactors, standTable); };
  const auto plan = [] {
    gf_planStaticsAtRead();
    std::vector<std::string> planned;
    for (const ParkedEntry& e : parkedEntries) planned.push_back(gf_standName(e.standNumber) + " " + e.registration);
    return planned;
  };
  const auto options = [] {
    std::vector<std::string> out;
    for (const StandRecord& stand : standTable)
      for (const StandOption& o : stand.options)
        out.push_back(fmt::format("{} {} {} {} {}", stand.id, o.registration, o.day, o.hours.to_string(), o.cpl));
    return out;
  };
  ASSERT_EQ(read(), "");
  LiveAc ac = klm();
  at(6, 20);
  lf_addRealStandOption(1, ac, LearnMode::AtStand);
  at(6, 23);
  lf_addRealStandOption(1, ac, LearnMode::Parked);
  ASSERT_TRUE(lf_saveLearnedStands());
  EXPECT_TRUE(std::filesystem::exists("airports/learned/thirdparty/Pub/EHAM.xml"));
  ASSERT_EQ(read(), "");
  LiveAc cargo = liveAircraft("FDX1", "N123FE", 20.0, AcCategory::Heavy, northOf(400.0), 20002);
  at(1, 2);
  lf_addRealStandOption(3, cargo, LearnMode::Born);
  ASSERT_TRUE(lf_saveLearnedStands());
  const std::vector<std::string> learned = options();
  ASSERT_EQ(learned.size(), 2U);
  EXPECT_EQ(standTable[0].options[0].hours.count(), 4U);  // slots 20..23 of day 6
  CUSTOM_PARKING_PERCENTAGE.setCurrent(100);
  RANDOM.setCurrent(false);
  const std::vector<std::string> planBefore = plan();
  EXPECT_EQ(planBefore, std::vector<std::string>{"A3 N123FE"});
  ASSERT_EQ(read(), "");
  EXPECT_EQ(options(), learned);
  EXPECT_EQ(plan(), planBefore);
  CUSTOM_PARKING_PERCENTAGE.setCurrent(CUSTOM_PARKING_PERCENTAGE.defaultValue());
  RANDOM.setCurrent(RANDOM.defaultValue());
  parkedEntries.clear();
}

} // namespace
} // namespace gwr
