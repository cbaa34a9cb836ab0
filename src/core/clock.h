// UTC time texts and the program clock, which follows the traffic's time stamp
// when one is known and the computer's clock otherwise.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <utility>

namespace gwr {

// "Www Mmm dd hh:mm:ss yyyy" in UTC; "Invalid time" when t cannot be converted.
std::string gf_timeText(std::time_t t);
std::string gf_nowTimeOfDay();    // hh:mm:ss of the computer's clock
std::string gf_dateText();        // "Mmm dd, yyyy" of today
std::string gf_clockTimeOfDay();  // hh:mm:ss of the program clock

// The program clock in whole seconds since 1970 UTC: trafficTime truncated
// towards zero, or the computer's clock while it is 0 or not a convertible time.
std::time_t gf_programClock();

// Weekday (1 Monday .. 7 Sunday) and half-hour slot (0..47) of the program
// clock, packed with the weekday in the low and the slot in the high half.
std::uint64_t gf_weekdayAndSlot();
std::pair<std::int32_t, std::int32_t> gf_unpackWeekdayAndSlot(std::uint64_t packed);
// The same for a given time, packed alike; none when t cannot be converted.
std::optional<std::uint64_t> gf_weekdayAndSlotOf(std::time_t t);

// True when b is exactly a followed by one "*".
bool gf_equalsStarred(const std::string& a, const std::string& b);

} // namespace gwr
