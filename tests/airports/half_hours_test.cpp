// Half-hour texts read and written, and the walk back over slots.
#include "airports/half_hours.h"

#include <gtest/gtest.h>

#include "support/log_capture.h"

namespace gwr {
namespace {

using testsupport::LogCapture;
using Lines = std::vector<std::string>;

HalfHours setOf(std::initializer_list<int> slots) {
  HalfHours hours;
  for (const int s : slots) hours.set(static_cast<std::size_t>(s));
  return hours;
}

TEST(HalfHoursTest, TextsReadAsTheirSetsWithTheirLogLines) {
  struct Row {
    const char* text;
    HalfHours expected;
    Lines log;
  };
  const Row rows[] = {
      {"", {}, {}},
      {"5", setOf({5}), {}},
      {"5:7", setOf({5, 6, 7}), {}},
      {"5,6,7", setOf({5, 6, 7}), {}},
      {"5 , 6,7", setOf({5, 6, 7}), {}},
      {" 0 : 47 ", HalfHours().set(), {}},
      {"12x", setOf({12}), {}},  // trailing non-digits are ignored
      {"7:5", {}, {"==> gf_hours2bitset descending range not allowed (7:5 in 7:5)"}},
      {"3:x", {}, {"==> operator () invalid hour 'x' in 3:x"}},
      {"1,x,3", setOf({1, 3}), {"==> operator () invalid hour 'x' in 1,x,3"}},
      {"48", {}, {"==> operator () invalid hour '48' in 48"}},
      {"40:48", {}, {"==> operator () invalid hour '48' in 40:48"}},
      {"1:2:3", {}, {"==> gf_hours2bitset more than one colon char in: 1:2:3"}},
      {"1,,2", setOf({1, 2}), {"==> operator () invalid hour '' in 1,,2"}},
      {"-1", {}, {"==> operator () invalid hour '-1' in -1"}},
  };
  for (const Row& row : rows) {
    LogCapture log;
    EXPECT_EQ(gf_hours2bitset(row.text), row.expected) << row.text;
    EXPECT_EQ(log.lines(), row.log) << row.text;
  }
}

TEST(HalfHoursTest, SetsWriteAsRunsOrLists) {
  struct Row {
    HalfHours hours;
    std::optional<std::string> run;
    std::optional<std::string> list;
  };
  const Row rows[] = {
      {{}, std::nullopt, std::nullopt},
      {setOf({5}), "5", "5"},
      {setOf({47}), "47", "47"},
      {setOf({5, 6, 7}), "5:7", "5,6,7"},
      {setOf({5, 7}), std::nullopt, "5,7"},
      {HalfHours().set(), "0:47", std::nullopt},
      {setOf({0, 47}), std::nullopt, "0,47"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(gf_bitset2hours(row.hours), row.run) << row.hours;
    if (row.list) {
      EXPECT_EQ(gf_bitset2hoursList(row.hours), row.list) << row.hours;
    }
    // What the writer stores always reads back as the same set.
    const auto stored = gf_hoursText(row.hours);
    EXPECT_EQ(stored.has_value(), row.hours.any());
    if (stored) {
      EXPECT_EQ(gf_hours2bitset(*stored), row.hours) << *stored;
    }
  }
}

TEST(HalfHoursTest, SlotsGoBackOverMidnight) {
  std::vector<std::uint32_t> slots{9};
  gf_pushSlotsBack(slots, 4, {3, 1});
  EXPECT_EQ(slots, (std::vector<std::uint32_t>{9, 1, 0, 47, 46}));
  gf_pushSlotsBack(slots, 0, {3, 1});
  gf_pushSlotsBack(slots, -2, {3, 1});
  EXPECT_EQ(slots.size(), 5U);
  const auto fresh = gf_slotsBackFrom({1, 20}, 3);
  EXPECT_EQ(fresh, (std::vector<std::uint32_t>{20, 19, 18}));
  EXPECT_GE(fresh.capacity(), 48U);
}

} // namespace
} // namespace gwr
