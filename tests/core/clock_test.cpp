// Tests of the UTC time texts, the weekday and half-hour slot, and the program
// clock's choice between the traffic's time stamp and the computer's clock.
#include <chrono>
#include <cmath>
#include <ctime>
#include <limits>
#include <regex>
#include <string>

#include <gtest/gtest.h>

#include "core/clock.h"
#include "core/run_state.h"

namespace gwr {
namespace {

std::time_t lf_utc(int year, unsigned month, unsigned day, int hour, int minute, int second) {
  using namespace std::chrono;
  return system_clock::to_time_t(sys_days{std::chrono::year{year} / month / day} + hours{hour} + minutes{minute} +
                                 seconds{second});
}

constexpr std::time_t unconvertible = std::numeric_limits<std::time_t>::max();

TEST(TimeText, FixedWidthUtcWithOwnMonthNames) {
  EXPECT_EQ(gf_timeText(0), "Thu Jan 01 00:00:00 1970");
  EXPECT_EQ(gf_timeText(lf_utc(2025, 10, 5, 14, 3, 9)), "Sun Okt 05 14:03:09 2025");
  EXPECT_EQ(gf_timeText(unconvertible), "Invalid time");
  const std::string now = gf_timeText(std::time(nullptr));
  EXPECT_EQ(gf_dateText(), now.substr(4, 6) + ", " + now.substr(20, 4));  // may cross midnight, very rarely
  EXPECT_TRUE(gf_equalsStarred("abc", "abc*"));
  for (const char* other : {"abc", "abc**", "abd*"}) EXPECT_FALSE(gf_equalsStarred("abc", other)) << other;
}

TEST(WeekdayAndSlot, SlotTurnsAtTwentyNineThirtyAndSundayIsSeven) {
  const struct {
    unsigned day;
    int hour, minute, second;
    std::int32_t weekday, slot;
  } cases[]{{8, 10, 29, 29, 3, 20}, {8, 10, 29, 30, 3, 21}, {8, 10, 59, 59, 3, 21},
                                {8, 11, 0, 0, 3, 22},   {8, 23, 29, 29, 3, 46}, {5, 23, 59, 59, 7, 47},
                                {6, 0, 0, 0, 1, 0}};
  for (const auto& c : cases) {
    const auto packed = gf_weekdayAndSlotOf(lf_utc(2025, 10, c.day, c.hour, c.minute, c.second));
    ASSERT_TRUE(packed.has_value());
    EXPECT_EQ(*packed, (std::uint64_t(c.slot) << 32) | std::uint32_t(c.weekday)) << c.hour << ":" << c.minute;
    EXPECT_EQ(gf_unpackWeekdayAndSlot(*packed), std::make_pair(c.weekday, c.slot));
  }
  EXPECT_FALSE(gf_weekdayAndSlotOf(unconvertible).has_value());
}

// Follows the traffic's stamp truncated. 0 means no stamp yet; a stamp off the network that
// no calendar can hold must neither give weekday and slot -1 nor break the time-of-day texts.
TEST(ProgramClock, FollowsTrafficTimeElseTheComputersClock) {
  const std::time_t t = lf_utc(2025, 10, 5, 10, 29, 29);
  trafficTime = static_cast<double>(t) + 0.9;
  EXPECT_EQ(gf_programClock(), t);
  EXPECT_EQ(gf_clockTimeOfDay(), "10:29:29");
  EXPECT_EQ(gf_unpackWeekdayAndSlot(gf_weekdayAndSlot()), std::make_pair(std::int32_t{7}, std::int32_t{20}));
  const std::regex timeOfDay(R"(([01]\d|2[0-3]):[0-5]\d:[0-5]\d)");
  for (const double stamp : {0.0, std::nan(""), std::numeric_limits<double>::infinity(), -1e300, 1e17,
                             static_cast<double>(unconvertible)}) {
    SCOPED_TRACE(stamp);
    trafficTime = stamp;
    const std::time_t before = std::time(nullptr);
    const std::time_t clock = gf_programClock();
    EXPECT_TRUE(clock >= before && clock <= std::time(nullptr));
    const auto [weekday, slot] = gf_unpackWeekdayAndSlot(gf_weekdayAndSlot());
    EXPECT_TRUE(weekday >= 1 && weekday <= 7 && slot >= 0 && slot <= 47) << weekday << " " << slot;
    std::string text;
    EXPECT_NO_THROW(text = gf_clockTimeOfDay());
    EXPECT_TRUE(std::regex_match(text, timeOfDay)) << text;
  }
  EXPECT_TRUE(std::regex_match(gf_nowTimeOfDay(), timeOfDay));
  trafficTime = 0.0;
}

} // namespace
} // namespace gwr
