// The stand record: size categories per stand type, and the option
// operations stand learning relies on.
#include "airports/stand_record.h"

#include <gtest/gtest.h>

#include "refdata/registration_records.h"
#include "support/log_capture.h"

namespace gwr {
namespace {

using testsupport::LogCapture;
using Slots = std::vector<std::uint32_t>;

StandRecord gate(std::int16_t type = 5) { return StandRecord("A1", {}, 52.0, 4.0, 0.0, 20.0, type, false, false, false); }

TEST(StandRecordTest, StandTypesAcceptTheirSizeCategories) {
  // Categories in order Light, Buzjets, Large, Heavy, HighPerf, Rotorcraft.
  const std::pair<int, const char*> rows[] = {
      {-1, "000000"}, {0, "000000"}, {1, "100000"},  {2, "100000"},  {3, "110010"},  {4, "011000"},
      {5, "001100"},  {6, "001100"}, {7, "000010"},  {8, "011000"},  {9, "001000"},  {10, "000100"},
      {11, "100001"}, {12, "111111"}, {13, "000000"}, {14, "100010"}, {15, "001100"}, {16, "000000"},
  };
  for (const auto& [type, accepted] : rows)
    for (int c = 0; c < 6; ++c)
      EXPECT_EQ(gate(static_cast<std::int16_t>(type)).fitsSizeCategory(static_cast<AcCategory>(c)), accepted[c] == '1')
          << "type " << type << " category " << c;
}

TEST(StandRecordTest, AddOptionAddsEachFlightSlotOnce) {
  StandRecord stand = gate();
  EXPECT_NEAR(stand.radius, 0.0108, 0.00001);  // 20 m
  EXPECT_GE(stand.overlaps.capacity(), 8U);
  const LivKey codes{3, 0, 4, 0, 0};
  EXPECT_EQ(stand.addOption(codes, {2, 10}, "KLM1", "", 0).added, false);
  EXPECT_TRUE(stand.options.empty());

  const std::uint32_t before = standUpdateCount;
  const OptionAdded first = stand.addOption(codes, {2, 10}, "KLM1_", "PH-BXA", 1);
  EXPECT_EQ(first.index, 1U);
  EXPECT_TRUE(first.added);
  EXPECT_EQ(standUpdateCount, before + 1);
  const StandOption& option = stand.options.front();
  EXPECT_EQ(option.callsign1, "KLM1");
  EXPECT_EQ(option.hours, HalfHours().set(10));
  EXPECT_EQ(option.day, 2U);
  EXPECT_EQ(option.real, 1U);
  EXPECT_EQ(option.fromFile, 0U);
  EXPECT_EQ(option.cpl, 1);

  EXPECT_EQ(stand.addOption(codes, {2, 10}, "KLM1", "PH-BXA", 0).added, false);
  // The match is on the exact one-slot set: a longer stay today is another option.
  stand.options.front().hours.set(11);
  EXPECT_EQ(stand.addOption(codes, {2, 10}, "KLM1", "PH-BXA", 0).index, 2U);
  EXPECT_EQ(stand.addOption(codes, {3, 10}, "KLM1", "PH-BXA", 0).index, 3U);
  EXPECT_THROW(stand.addOption(codes, {3, 48}, "KLM1", "PH-BXB", 0), std::out_of_range);
}

TEST(StandRecordTest, AddOptionTakesTheDatabaseCodesOfAKnownRegistration) {
  const LivKey dbaseKey{7, 0, 8, 0, 1};
  dbaseRecords = {{"PH-BXA", dbaseKey}};
  StandRecord stand = gate();
  stand.addOption(LivKey{3, 0, 4, 0, 0}, {1, 0}, "KLM1", "PH-BXA", 0);
  stand.addOption(LivKey{3, 0, 4, 0, 0}, {1, 0}, "KLM2", "PH-BXB", 0);
  dbaseRecords.clear();
  EXPECT_EQ(stand.options[0].codes, dbaseKey);
  EXPECT_EQ(stand.options[1].codes, (LivKey{3, 0, 4, 0, 0}));
}

TEST(StandRecordTest, SecondCallsignsFillThenReplace) {
  StandRecord stand = gate();
  stand.addOption({}, {1, 0}, "", "PH-BXA", 0);
  stand.addOptionCallsign(1, "KLM1_");
  stand.addOptionCallsign(1, "KLM1");
  stand.addOptionCallsign(1, "KLM2");
  stand.addOptionCallsign(1, "_");
  stand.addOptionCallsign(0, "KLM9");
  stand.addOptionCallsign(7, "KLM9");
  EXPECT_EQ(stand.options[0].callsign1, "KLM1");
  EXPECT_EQ(stand.options[0].callsign2, "KLM2");
  stand.addOptionCallsign(1, "KLM3");
  EXPECT_EQ(stand.options[0].callsign2, "KLM3");
}

TEST(StandRecordTest, UpdateOptionsSetsSlotsAndStopsAtABadOne) {
  LogCapture log;
  StandRecord stand = gate();
  stand.addOption({}, {1, 5}, "KLM1", "PH-BXA", 0);
  Slots slots{5, 4, 3};
  EXPECT_FALSE(stand.updateOptions(slots, 2));
  EXPECT_EQ(slots.size(), 3U);
  EXPECT_TRUE(stand.updateOptions(slots, 1));
  EXPECT_TRUE(slots.empty());
  EXPECT_EQ(stand.options[0].hours.to_ullong(), 0b111000ULL);

  Slots bad{9, 50, 7};
  EXPECT_FALSE(stand.updateOptions(bad, 1));
  EXPECT_EQ(bad, (Slots{9, 50}));
  EXPECT_TRUE(stand.options[0].hours.test(7));
  ASSERT_EQ(log.lines().size(), 1U);
  EXPECT_EQ(log.lines()[0].rfind("==> updateOptions exception:", 0), 0U);
}

TEST(StandRecordTest, AStayOverMidnightIsSplitBetweenTwoOptions) {
  StandRecord stand = gate();
  stand.addOption({}, {1, 40}, "KLM1", "PH-BXA", 0);
  stand.addOption({}, {2, 1}, "KLM1", "PH-BXA", 0);
  Slots slots = gf_slotsBackFrom({2, 1}, 4);  // 1, 0, 47, 46
  EXPECT_TRUE(stand.updateOptionsWrapped(slots, 1, 2));
  EXPECT_EQ(slots, Slots{1});
  EXPECT_TRUE(stand.options[0].hours.test(46) && stand.options[0].hours.test(47));
  EXPECT_FALSE(stand.options[0].hours.test(0));
  EXPECT_TRUE(stand.options[1].hours.test(0));
  EXPECT_EQ(stand.options[1].hours.count(), 2U);

  Slots noOld{1, 0, 47};
  EXPECT_FALSE(stand.updateOptionsWrapped(noOld, 9, 2));
  Slots noNew{1, 0, 47};
  EXPECT_FALSE(stand.updateOptionsWrapped(noNew, 1, 9));
  LogCapture log;
  Slots bad{1, 0, 60};
  EXPECT_FALSE(stand.updateOptionsWrapped(bad, 1, 2));
  ASSERT_EQ(log.lines().size(), 1U);
  EXPECT_EQ(log.lines()[0].rfind("==> updateOptionsWrapped exception:", 0), 0U);
}

} // namespace
} // namespace gwr
