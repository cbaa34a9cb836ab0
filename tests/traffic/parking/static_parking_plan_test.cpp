// Tests of the static parking plan: the wanted number, the stands it never
// uses, the passes by day, week and offset, and options in use kept apart
// from dropped ones so that the learned file keeps them.
#include <algorithm>
#include <filesystem>
#include <numeric>
#include <string>
#include <tuple>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "core/run_state.h"
#include "core/settings_catalogue.h"
#include "traffic/parking/stand_learning.h"
#include "traffic/parking/stand_scene.h"
#include "traffic/parking/static_ac.h"
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
    RANDOM.setCurrent(RANDOM.defaultValue());
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
  const struct { std::int32_t maxParkSel, custom; int stands; std::int32_t wanted; } cases[] = {{0, 50, 10, 0},  {500, 40, 3, 1}, {500, 40, 4, 2}, {500, 50, 2, 1},
                        {500, 49, 2, 1}, {500, 50, 3, 2}, {500, 10, 1, 1}, {3, 50, 10, 3},  {500, 0, 10, 0}};
  for (const auto& c : cases) {
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

// The day line gives the hours of the current half-hour, the pass line those
// of the half-hour and of the offset reached, both by the Max fit list's steps.
TEST_F(StaticPlanTest, DayAndPassLinesGiveTheHoursOfTheMaxFitList) {
  CUSTOM_PARKING_PERCENTAGE.setCurrent(100);
  MAX_FIT.setCurrent(47);
  const struct { std::uint32_t slot; int flightSlot; const char* day; const char* pass; } cases[] = {
      {16, 16, "It is day 3 (Wed), 9.0 hours", ", day 3, hh:16 or 9.0 hrs, fit: 0.5 hour"},
      {20, 9, "It is day 3 (Wed), 11.0 hours", ", day 3, hh:20 or 11.0 hrs, fit: 6.0 hour"},
      {47, 4, "It is day 3 (Wed), 24.0 hours", ", day 3, hh:47 or 24.0 hrs, fit: 21.0 hour"},
      {9, 1, "It is day 3 (Wed), 5.0 hours", ", day 3, hh:9 or 5.0 hrs, fit: 4.5 hour"},
      {0, 0, "It is day 3 (Wed), 0.5 hours", ", day 3, hh:0 or 0.5 hrs, fit: 0.5 hour"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.day);
    weekTime = (std::uint64_t{c.slot} << 32U) | 3U;
    standsWithFlights(1, 3, {c.flightSlot});
    log().mark();
    gf_planStaticsAtRead();
    ASSERT_EQ(plannedStands(), std::vector<std::string>{"G1"});
    const std::string written = log().text();
    EXPECT_NE(written.find(std::string(" (utc) ") + c.day + "\n"), std::string::npos) << written;
    EXPECT_NE(written.find(std::string("1 real position found, Max fit=") + fmt::format("{:.1F}", MAX_FIT_FL.current()) +
                           " hours" + c.pass + "\n"),
              std::string::npos)
        << written;
  }
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

// A renewal numbers each stand's options 1..n afresh, so that one dropped (0)
// for an earlier plan is shown again; the plan at the reading leaves them.
TEST_F(StaticPlanTest, TheRenewalNumbersEveryStandsOptionsAfresh) {
  CUSTOM_PARKING_PERCENTAGE.setCurrent(100);
  const std::vector<std::uint32_t> cases[] = {{0}, {0, 0, 0}, {2, 1}, {5, 0, 9, 0}, {1, 2, 3}};
  for (const auto& before : cases) {
    SCOPED_TRACE(testing::PrintToString(before));
    standsWithFlights(1, 3, {20});  // the first option is of now, the others of another day
    for (std::size_t i = 1; i < before.size(); ++i)
      standTable[0].options.push_back(makeOption("PH-X" + std::to_string(i), LivKey{1, 0, 1, 0, 1}, 4, {20}, 0));
    for (std::size_t i = 0; i < before.size(); ++i) standTable[0].options[i].index = before[i];
    const auto indexes = [] {
      std::vector<std::uint32_t> out;
      for (const StandOption& o : standTable[0].options) out.push_back(o.index);
      return out;
    };
    gf_planStaticsAtRead();
    EXPECT_EQ(indexes(), before);
    EXPECT_EQ(plannedStands(), before.front() == 0 ? std::vector<std::string>{} : std::vector<std::string>{"G1"});
    gf_renewStaticParking();
    std::vector<std::uint32_t> numbered(before.size());
    std::iota(numbered.begin(), numbered.end(), 1U);
    EXPECT_EQ(indexes(), numbered);
    EXPECT_EQ(plannedStands(), std::vector<std::string>{"G1"});
  }
}

// One parked live aircraft too many at a renewal: the one parked longest goes,
// not the one silent longest (an hour, below the limit).
TEST_F(StaticPlanTest, TooManyParkedLiveAircraftLoseThoseParkedLongest) {
  MAX_PARK_SEL.setCurrent(1);
  useStands({standAt("G1", 0.0, 20.0), standAt("G2", 100.0, 20.0)});
  trafficTime = 100000.0;
  for (const auto& [slot, heard] : {std::pair{2U, 100000.0}, std::pair{19U, 96400.0}}) {
    LiveAc& ac = parkLive(fmt::format("A{}", slot), std::int64_t(trafficEngine.live.size() + 1), 20001 + slot);
    ac.weekTimeParked = (std::uint64_t{slot} << 32U) | 3U;
    ac.lastSampleTime = heard;
  }
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

// Day 3, half-hour 20, the passes looked back 2 half-hours. Static KLM1* (flight
// KLM1 in, KLM2 out, PH-1) stands at G1; G2, 30 m off, overlaps it.
TEST_F(StaticPlanTest, TheRenewalKeepsRemovesOrReplansTheStandingStaticAircraft) {
  const LivKey klm{1, 0, 1, 0, 1}, dlh{2, 0, 1, 0, 1};
  struct Case {
    const char* name;
    const char* hours;      // of its flight's option today
    std::uint32_t parkedAt;  // half-hour it parked
    int entryStand;          // 0: no entry planned
    bool sameFlight;
    std::int32_t entryParked;
    const char* shown;
    bool kept;
    std::vector<std::string> entriesAfter;
  };
  const Case cases[] = {
      {"its flight goes on", "18:21", 18, 0, false, 0, "KLM1*", true, {}},
      {"its flight was seen live", "18:21", 18, 0, false, 0, "KLM1*", false, {}},
      {"its own flight planned at its stand", "18:21", 18, 1, true, 0, "KLM1*", true, {}},
      {"another flight planned, started later", "18:21", 18, 1, false, 0, "KLM1*", true, {}},
      {"another flight planned, started earlier", "18:21", 20, 1, false, 1, "KLM1*", false, {"G1 DLH5/"}},
      {"a colliding flight planned next door", "18:21", 20, 2, false, 1, "KLM1*", false, {"G2 DLH5/"}},
      {"not due in the half-hours looked back", "10:17", 18, 0, false, 0, "KLM1*", false, {}},
      {"shown as KLM2, due two half-hours ago", "10:18", 18, 0, false, 0, "KLM2*", true, {}},
      {"its stay ends now: planned again as KLM2", "18:20", 18, 0, false, 0, "KLM1*", false, {"G1 KLM1/KLM2"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    clearTraffic();
    parkedEntries.clear();
    if (std::string(c.name) == "its flight was seen live") gf_noteLiveCallsign("KLM2");
    gf_renewSeenCallsigns();
    useStands({standAt("G1", 0.0, 20.0), standAt("G2", 30.0, 20.0)});
    StandOption& flight = standTable[0].options.emplace_back(makeOption("PH-1", klm, 3, {}, 1));
    std::tie(flight.hours, flight.callsign1, flight.callsign2) = std::tuple(gf_hours2bitset(c.hours), "KLM1", "KLM2");
    if (c.entryStand > 0)
      parkedEntries.push_back(c.sameFlight ? ParkedEntry{1, 0, klm, "KLM1", "KLM2", "PH-1", false}
                                           : ParkedEntry{std::uint32_t(c.entryStand), c.entryParked, dlh, "DLH5", "",
                                                         "D-AIXX", false});
    StaticAc s(AcIdentity{});
    s.key = klm;
    s.callsign = c.shown;
    std::tie(s.pairedCallsign1, s.pairedCallsign2, s.registration) = std::tuple("KLM1", "KLM2", "PH-1");
    s.halfWingspan = 35.0 * nmPerMetre;
    s.standNumber = 1;
    s.weekTimeParked = (std::uint64_t{c.parkedAt} << 32U) | 3U;
    s.sim.simState = AcSimState::Active;
    staticAircraft.push_back(s);
    std::vector<std::size_t> kept, removal;
    gf_reconcileStatics({3, 20}, 2, kept, removal);
    EXPECT_EQ(kept.size(), c.kept ? 1U : 0U);
    EXPECT_EQ(removal.size(), c.kept ? 0U : 1U);
    std::vector<std::string> entries;
    for (const ParkedEntry& e : parkedEntries)
      entries.push_back(gf_standName(e.standNumber) + " " + e.callsign1 + "/" + e.callsign2);
    EXPECT_EQ(entries, c.entriesAfter);
  }
  parkedEntries.clear();
}

struct Flight {
  const char* callsign1;
  const char* callsign2;
  const char* registration;
};

struct Shown {  // a static aircraft standing elsewhere
  const char* pairedCallsign;
  const char* registration;
};

// The plan leaves out a flight already shown: by a static aircraft (its flight
// or the same aircraft), by an entry planned earlier in the same search, or by
// a live callsign seen; an empty callsign or registration never counts as the same.
TEST_F(StaticPlanTest, AFlightAlreadyShownIsLeftOutOfThePlan) {
  CUSTOM_PARKING_PERCENTAGE.setCurrent(100);
  struct Case {
    const char* what;
    Flight g1, g2;
    std::vector<Shown> statics;
    const char* seenLive;
    std::vector<std::string> planned;
  };
  const std::vector<Case> cases{
      {"nothing shown", {"KLM1", "", "PH-A"}, {"KLM2", "", "PH-B"}, {}, "", {"G1", "G2"}},
      {"a static shows its flight", {"KLM1", "", "PH-A"}, {"KLM2", "", "PH-B"}, {{"KLM2", "PH-X"}}, "", {"G1"}},
      {"a static shows it as second callsign", {"KLM1", "", "PH-A"}, {"KLM2", "KLM9", "PH-B"}, {{"KLM9", ""}}, "",
       {"G1"}},
      {"a static is the same aircraft", {"KLM1", "", "PH-A"}, {"KLM2", "", "PH-B"}, {{"", "PH-B"}}, "", {"G1"}},
      {"planned at G1 in this search", {"KLM2", "", "PH-A"}, {"KLM2", "", "PH-B"}, {}, "", {"G1"}},
      {"same aircraft planned at G1", {"KLM1", "", "PH-B"}, {"KLM2", "", "PH-B"}, {}, "", {"G1"}},
      {"seen live", {"KLM1", "", "PH-A"}, {"KLM2", "", "PH-B"}, {}, "KLM2", {"G1"}},
      {"empty callsigns are not the same", {"", "", "PH-A"}, {"", "", "PH-B"}, {{"", "PH-X"}}, "", {"G1", "G2"}},
      {"empty registrations are not the same", {"KLM1", "", ""}, {"KLM2", "", ""}, {{"", ""}}, "", {"G1", "G2"}},
  };
  for (const Case& c : cases) {
    std::vector<StandRecord> stands;
    for (const auto& [id, flight] : {std::pair{"G1", c.g1}, std::pair{"G2", c.g2}}) {
      stands.push_back(standAt(id, id[1] == '1' ? 0.0 : 100.0, 20.0));
      StandOption o = makeOption(flight.registration, LivKey{1, 0, 1, 0, 1}, 3, {20}, 1);
      o.callsign1 = flight.callsign1;
      o.callsign2 = flight.callsign2;
      stands.back().options.push_back(o);
    }
    useStands(std::move(stands));
    staticAircraft.clear();
    for (const Shown& s : c.statics) {
      AcIdentity identity;
      identity.callsign = "STATIC*";
      identity.registration = s.registration;
      staticAircraft.emplace_back(identity);
      staticAircraft.back().pairedCallsign1 = s.pairedCallsign;
    }
    if (*c.seenLive != '\0') gf_noteLiveCallsign(c.seenLive);
    gf_planStaticsAtRead();
    std::vector<std::string> planned;
    for (const ParkedEntry& e : parkedEntries) planned.push_back(gf_standName(e.standNumber));
    std::sort(planned.begin(), planned.end());
    EXPECT_EQ(planned, c.planned) << c.what;
    gf_planStaticsAtRead();  // the seen callsigns are used up
  }
}

} // namespace
} // namespace gwr
