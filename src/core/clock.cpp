// UTC time texts, the program clock and its weekday and half-hour slot;
// see clock.h.
#include "core/clock.h"

#include <array>
#include <cmath>
#include <string_view>

#include <fmt/format.h>

#include "core/run_state.h"

namespace gwr {

namespace {

constexpr std::array<std::string_view, 7> dayNames{"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
constexpr std::array<std::string_view, 12> monthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Okt", "Nov", "Dec"};
constexpr std::string_view unknownName = "???";
constexpr std::int32_t slotsPerDay = 48;    // half hours
constexpr int secondHalfFromMinute = 29;   // the slot turns at hh:29:30
constexpr int secondHalfFromSecond = 30;
// Every double below this magnitude fits a 64-bit time_t.
constexpr double timeTLimitSeconds = 9223372036854775808.0;  // 2^63

std::string_view lf_dayName(int day) {  // 1 Monday .. 7 Sunday
  return day >= 1 && day <= 7 ? dayNames[static_cast<std::size_t>(day - 1)] : unknownName;
}

std::string_view lf_monthName(int month) {  // 1 .. 12
  return month >= 1 && month <= 12 ? monthNames[static_cast<std::size_t>(month - 1)] : unknownName;
}

std::optional<std::tm> lf_toUtc(std::time_t t) {
  std::tm broken{};
  if (gmtime_r(&t, &broken) == nullptr) return std::nullopt;
  return broken;
}

int lf_weekdayFromMonday(const std::tm& broken) { return broken.tm_wday == 0 ? 7 : broken.tm_wday; }

// The computer's clock can always be shown; should it ever fail, a placeholder
// of the same width keeps the callers' layout.
std::string lf_timeOfDay(std::time_t t) {
  const auto broken = lf_toUtc(t);
  if (!broken) return "??:??:??";
  return fmt::format("{:02}:{:02}:{:02}", broken->tm_hour, broken->tm_min, broken->tm_sec);
}

std::time_t lf_computerClock() { return std::time(nullptr); }

} // namespace

std::string gf_timeText(std::time_t t) {
  const auto broken = lf_toUtc(t);
  if (!broken) return "Invalid time";
  return fmt::format("{:3} {:3} {:02} {:02}:{:02}:{:02} {:4}", lf_dayName(lf_weekdayFromMonday(*broken)),
                     lf_monthName(broken->tm_mon + 1), broken->tm_mday, broken->tm_hour, broken->tm_min,
                     broken->tm_sec, broken->tm_year + 1900);
}

std::string gf_nowTimeOfDay() { return lf_timeOfDay(lf_computerClock()); }

std::string gf_dateText() {
  const auto broken = lf_toUtc(lf_computerClock());
  if (!broken) return "Invalid time";
  return fmt::format("{:3} {:02}, {:4}", lf_monthName(broken->tm_mon + 1), broken->tm_mday,
                     broken->tm_year + 1900);
}

std::string gf_clockTimeOfDay() { return lf_timeOfDay(gf_programClock()); }

// The traffic's time stamp comes from the network: NaN, infinities and values
// beyond what time_t or the calendar can hold fall back to the computer's clock.
std::time_t gf_programClock() {
  const double traffic = trafficTime.load();
  if (!clockOnTrafficTime.load() || traffic == 0.0 || !std::isfinite(traffic)) return lf_computerClock();
  const double whole = std::trunc(traffic);
  if (whole >= timeTLimitSeconds || whole < -timeTLimitSeconds) return lf_computerClock();
  const auto seconds = static_cast<std::time_t>(whole);
  if (!lf_toUtc(seconds)) return lf_computerClock();
  return seconds;
}

std::optional<std::uint64_t> gf_weekdayAndSlotOf(std::time_t t) {
  const auto broken = lf_toUtc(t);
  if (!broken) return std::nullopt;
  const std::int32_t weekday = lf_weekdayFromMonday(*broken);
  const bool secondHalf = broken->tm_min > secondHalfFromMinute ||
                          (broken->tm_min == secondHalfFromMinute && broken->tm_sec >= secondHalfFromSecond);
  const std::int32_t slot = (2 * broken->tm_hour + (secondHalf ? 1 : 0)) % slotsPerDay;
  return static_cast<std::uint64_t>(static_cast<std::uint32_t>(weekday)) |
         (static_cast<std::uint64_t>(static_cast<std::uint32_t>(slot)) << 32);
}

std::uint64_t gf_weekdayAndSlot() {
  // Only fails if the computer's own clock cannot be converted: both halves -1.
  constexpr std::uint64_t bothInvalid = ~std::uint64_t{0};
  return gf_weekdayAndSlotOf(gf_programClock()).value_or(bothInvalid);
}

std::pair<std::int32_t, std::int32_t> gf_unpackWeekdayAndSlot(std::uint64_t packed) {
  return {static_cast<std::int32_t>(static_cast<std::uint32_t>(packed & 0xffffffffULL)),
          static_cast<std::int32_t>(static_cast<std::uint32_t>(packed >> 32))};
}

bool gf_equalsStarred(const std::string& a, const std::string& b) {
  return b.size() == a.size() + 1 && b.back() == '*' && b.compare(0, a.size(), a) == 0;
}

} // namespace gwr
