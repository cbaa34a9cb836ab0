// Reading and writing half-hour texts ("5", "5:7", "5,7") and stepping back
// over the half-hour slots of a day.
#include "airports/half_hours.h"

#include <charconv>

#include <fmt/format.h>

#include "core/log.h"
#include "core/text_utils.h"

namespace gwr {

namespace {

// The decimal number the piece begins with when it is a half-hour; trailing
// non-digits are ignored as the stored files have always been read.
std::optional<std::size_t> lf_readHalfHour(const std::string& piece) {
  std::size_t value = 0;
  const auto [end, error] = std::from_chars(piece.data(), piece.data() + piece.size(), value);
  if (error != std::errc() || end == piece.data() || value >= halfHoursPerDay) return std::nullopt;
  return value;
}

void lf_logInvalidHour(const std::string& piece, std::string_view text) {
  gf_logError(fmt::format("{} invalid hour '{}' in {}", "operator ()", piece, text));
}

HalfHours lf_readRange(std::string_view text) {
  const std::vector<std::string> pieces = gf_splitTrimmed(text, ':');
  if (pieces.size() > 2) {
    gf_logError(fmt::format("{} more than one colon char in: {}", "gf_hours2bitset", text));
    return {};
  }
  std::optional<std::size_t> ends[2];
  for (std::size_t i = 0; i < 2; ++i) {
    ends[i] = lf_readHalfHour(pieces[i]);
    if (!ends[i]) {
      lf_logInvalidHour(pieces[i], text);
      return {};
    }
  }
  if (*ends[1] < *ends[0]) {
    gf_logError(fmt::format("{} descending range not allowed ({}:{} in {})", "gf_hours2bitset", *ends[0], *ends[1],
                            text));
    return {};
  }
  HalfHours hours;
  for (std::size_t k = *ends[0]; k <= *ends[1]; ++k) hours.set(k);
  return hours;
}

} // namespace

void gf_pushSlotsBack(std::vector<std::uint32_t>& out, int n, WeekTime when) {
  std::uint32_t slot = when.halfHour;
  for (int i = 0; i < n; ++i) {
    out.push_back(slot);
    slot = slot == 0 ? static_cast<std::uint32_t>(halfHoursPerDay - 1) : slot - 1;
  }
}

std::vector<std::uint32_t> gf_slotsBackFrom(WeekTime when, int n) {
  std::vector<std::uint32_t> slots;
  slots.reserve(halfHoursPerDay);
  gf_pushSlotsBack(slots, n, when);
  return slots;
}

HalfHours gf_hours2bitset(std::string_view text) {
  if (text.empty()) return {};
  if (text.find(':') != std::string_view::npos) return lf_readRange(text);
  HalfHours hours;
  for (const std::string& piece : gf_splitTrimmed(text, ',')) {
    if (const auto hour = lf_readHalfHour(piece))
      hours.set(*hour);
    else
      lf_logInvalidHour(piece, text);
  }
  return hours;
}

std::optional<std::string> gf_bitset2hours(const HalfHours& hours) {
  if (hours.none()) return std::nullopt;
  std::size_t lo = 0;
  while (!hours.test(lo)) ++lo;
  std::size_t hi = halfHoursPerDay - 1;
  while (!hours.test(hi)) --hi;
  if (hours.count() != hi - lo + 1) return std::nullopt;
  if (lo == hi) return fmt::format("{}", lo);
  return fmt::format("{}:{}", lo, hi);
}

std::optional<std::string> gf_bitset2hoursList(const HalfHours& hours) {
  if (hours.none()) return std::nullopt;
  std::string text;
  for (std::size_t k = 0; k < halfHoursPerDay; ++k) {
    if (!hours.test(k)) continue;
    if (!text.empty()) text += ',';
    text += fmt::format("{}", k);
  }
  return text;
}

std::optional<std::string> gf_hoursText(const HalfHours& hours) {
  if (auto run = gf_bitset2hours(hours)) return run;
  return gf_bitset2hoursList(hours);
}

} // namespace gwr
