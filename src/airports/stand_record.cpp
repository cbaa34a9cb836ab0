// The stand record's size rule and option operations: adding a flight seen at
// a stand, its second callsign, and the half-hours it stayed.
#include "airports/stand_record.h"

#include <array>
#include <stdexcept>

#include <fmt/format.h>

#include "airports/park_airport_shell.h"
#include "core/log.h"
#include "refdata/registration_records.h"

namespace gwr {

std::uint32_t standUpdateCount = 0;

namespace {

// Bit c set: the stand type accepts category c (Light 0 .. Rotorcraft 5).
constexpr std::uint8_t light = 1U << 0U, buzjets = 1U << 1U, large = 1U << 2U, heavy = 1U << 3U,
                       highPerf = 1U << 4U, rotorcraft = 1U << 5U;
constexpr std::array<std::uint8_t, highestStandType + 1> acceptedCategories{
    0,                            // 0: none given
    light,                        // 1
    light,                        // 2
    light | buzjets | highPerf,   // 3
    buzjets | large,              // 4
    large | heavy,                // 5
    large | heavy,                // 6
    highPerf,                     // 7
    buzjets | large,              // 8
    large,                        // 9
    heavy,                        // 10
    light | rotorcraft,           // 11
    0xFF,                         // 12: any size
    0,                            // 13
    light | highPerf,             // 14
    large | heavy,                // 15
};

void lf_dropOneUnderscore(std::string& callsign) {
  if (!callsign.empty() && callsign.back() == '_') callsign.pop_back();
}

// Takes slots from the back into hours until stop says so; false on a bad slot.
template <class Stop>
bool lf_takeSlots(std::vector<std::uint32_t>& slots, HalfHours& hours, const char* caller, Stop stop) {
  try {
    while (!stop()) {
      hours.set(slots.back());  // throws std::out_of_range beyond 47
      slots.pop_back();
    }
    return true;
  } catch (const std::exception& e) {
    gf_logError(fmt::format("{} exception:{}", caller, e.what()));
    return false;
  }
}

} // namespace

StandRecord::StandRecord(std::string standId, std::vector<StandOption> standOptions, double lat, double lon,
                         double headingRad, double radiusMetres, std::int16_t standType, bool isCargo, bool isRamp,
                         bool isHeli)
    : options(std::move(standOptions)), id(std::move(standId)), latitude(lat), longitude(lon), heading(headingRad),
      radius(radiusMetres * nmPerMetre), type(standType), cargo(isCargo ? 1 : 0), ramp(isRamp ? 1 : 0),
      heli(isHeli ? 1 : 0) {
  overlaps.reserve(reservedOverlaps);
}

bool StandRecord::fitsSizeCategory(AcCategory category) const {
  if (type < 0 || type > highestStandType) return false;
  const auto bit = static_cast<std::uint32_t>(category);
  return bit < 8 && (acceptedCategories[static_cast<std::size_t>(type)] & (1U << bit)) != 0;
}

StandOption* StandRecord::findOption(std::uint32_t index) {
  if (index == 0) return nullptr;
  for (StandOption& option : options)
    if (option.index == index) return &option;
  return nullptr;
}

OptionAdded StandRecord::addOption(LivKey codes, WeekTime now, std::string callsign, const std::string& registration,
                                   std::uint8_t cpl) {
  if (registration.empty()) return {};
  lf_dropOneUnderscore(callsign);
  HalfHours hours;
  hours.set(now.halfHour);  // std::out_of_range for 48 and more: the caller's to catch
  if (!codes.fromDbase)
    if (const auto known = gf_lookupRegistration(registration)) codes = *known;
  for (const StandOption& option : options)
    if (option.registration == registration && option.day == now.day && option.hours == hours) return {};

  StandOption option;
  option.codes = codes;
  option.registration = registration;
  option.callsign1 = std::move(callsign);
  option.hours = hours;
  option.index = static_cast<std::uint32_t>(options.size() + 1);
  option.day = now.day;
  option.fromFile = 0;
  option.real = 1;
  option.cpl = cpl;
  options.push_back(std::move(option));
  gf_parkAirportShell().showUpdateCount(++standUpdateCount);
  return {options.back().index, true};
}

void StandRecord::addOptionCallsign(std::uint32_t index, std::string callsign) {
  lf_dropOneUnderscore(callsign);
  if (callsign.empty()) return;
  StandOption* option = findOption(index);
  if (!option || callsign == option->callsign1 || callsign == option->callsign2) return;
  if (option->callsign1.empty())
    option->callsign1 = std::move(callsign);
  else
    option->callsign2 = std::move(callsign);
}

bool StandRecord::updateOptions(std::vector<std::uint32_t>& slots, std::uint32_t index) {
  StandOption* option = findOption(index);
  if (!option) return false;
  return lf_takeSlots(slots, option->hours, "updateOptions", [&] { return slots.empty(); });
}

bool StandRecord::updateOptionsWrapped(std::vector<std::uint32_t>& slots, std::uint32_t oldIndex,
                                       std::uint32_t newIndex) {
  constexpr auto lastHalfHour = static_cast<std::uint32_t>(halfHoursPerDay - 1);
  StandOption* oldOption = findOption(oldIndex);
  if (oldOption && !slots.empty() && slots.back() != 0) {
    bool lastTaken = false;
    const bool ok = lf_takeSlots(slots, oldOption->hours, "updateOptionsWrapped", [&] {
      if (lastTaken || slots.empty()) return true;
      lastTaken = slots.back() == lastHalfHour;
      return false;
    });
    if (!ok) return false;
  }
  if (!oldOption) return false;
  StandOption* newOption = findOption(newIndex);
  if (!newOption) return false;
  return lf_takeSlots(slots, newOption->hours, "updateOptionsWrapped", [&] { return slots.size() < 2; });
}

} // namespace gwr
