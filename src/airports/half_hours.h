// Half-hour slots of the week and the sets of half-hours a stand option holds:
// their text forms in stand files and the walk back over slots for learning.
#pragma once

#include <bitset>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "airports/airports_constants.h"

namespace gwr {

// Bit k = half-hour k of the day (slot 0 is 00:00-00:30).
using HalfHours = std::bitset<halfHoursPerDay>;

// Day 1..7 and half-hour 0..47.
struct WeekTime {
  std::uint32_t day = 0;
  std::uint32_t halfHour = 0;
};

// n slots from when's half-hour backwards, 0 followed by 47; nothing for n <= 0.
void gf_pushSlotsBack(std::vector<std::uint32_t>& out, int n, WeekTime when);
std::vector<std::uint32_t> gf_slotsBackFrom(WeekTime when, int n);  // room for 48

// "a:b" (a range), or a comma list; bad pieces are logged. A range with any
// bad piece gives the empty set; a list skips its bad pieces.
HalfHours gf_hours2bitset(std::string_view text);
// "lo:hi" or "lo" for one unbroken run; none for the empty set or gaps.
std::optional<std::string> gf_bitset2hours(const HalfHours& hours);
// The set half-hours ascending, joined by ","; none for the empty set.
std::optional<std::string> gf_bitset2hoursList(const HalfHours& hours);
// The run form where there is one, else the list: what the writer stores.
std::optional<std::string> gf_hoursText(const HalfHours& hours);

} // namespace gwr
