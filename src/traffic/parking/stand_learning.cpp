// Learning which flights use which stand of the park airport by weekday and
// half-hour, and saving what was learned when the park airport is left.
#include "traffic/parking/stand_learning.h"

#include <algorithm>
#include <exception>

#include <fmt/format.h>

#include "airports/apf_data.h"
#include "airports/apf_locations.h"
#include "airports/apf_writer.h"
#include "airports/park_stand_table.h"
#include "airports/quality_factors.h"
#include "core/clock.h"
#include "core/file_maintenance.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/run_state.h"
#include "core/text_utils.h"
#include "platform/sys/native_path.h"
#include "refdata/registration_records.h"
#include "traffic/engine/traffic_engine.h"
#include "traffic/parking/stand_choice.h"
#include "traffic/parking/stand_constants.h"

namespace gwr {

namespace {

std::string withoutTrailingUnderscore(std::string text) {
  if (!text.empty() && text.back() == '_') text.pop_back();
  return text;
}

std::int32_t stretchLimit(const LiveAc& ac) {
  if (ac.key.cargo != 0) return stretchSlotsCargo;
  return ac.category == AcCategory::Heavy ? stretchSlotsHeavy : stretchSlotsOther;
}

std::optional<std::uint32_t> highestSlot(const HalfHours& hours) {
  for (std::size_t slot = halfHoursPerDay; slot-- > 0;)
    if (hours.test(slot)) return static_cast<std::uint32_t>(slot);
  return std::nullopt;
}

void learn(std::int64_t standNumber, LiveAc& ac, LearnMode mode, WeekTime now) {
  const std::string registration = withoutTrailingUnderscore(ac.registration);
  if (registration.empty()) return;
  const auto known = gf_lookupRegistration(registration);
  if (!known) return;
  ac.key = *known;
  StandRecord* stand = gf_standByNumber(standNumber);
  if (stand == nullptr) return;
  const bool cpl = mode == LearnMode::Parked || mode == LearnMode::MovedAway;
  const auto today = [&](const StandOption& o) {
    return o.index != 0 && o.day == now.day && o.registration == registration;
  };
  for (const StandOption& o : stand->options)
    if (o.fromFile == 1 && o.real == 1 && today(o) && !o.hours.test(now.halfHour)) return;
  const auto learned = std::find_if(stand->options.begin(), stand->options.end(),
                                    [&](const StandOption& o) { return o.fromFile == 0 && o.real == 1 && today(o); });
  const auto addNew = [&] { stand->addOption(ac.key, now, ac.callsign, registration, cpl ? 1 : 0); };
  if (learned == stand->options.end() || (learned->cpl != 0 && !learned->hours.test(now.halfHour))) {
    addNew();
    return;
  }
  // addOption may grow the vector: work on the index from here on.
  const std::uint32_t index = learned->index;
  if (learned->hours.test(now.halfHour)) {
    if (cpl) learned->cpl = 1;
    return;
  }
  const auto last = highestSlot(learned->hours);
  if (!last) return;
  WeekTime lastSeen{learned->day, *last};
  if (gf_extendStandOption(now, *stand, index, lastSeen, ac, cpl))
    gf_countStandUpdate();
  else
    addNew();
  if (StandOption* option = stand->findOption(index); option != nullptr && cpl) option->cpl = 1;
}

} // namespace

WeekTime gf_unpackWeekTime(std::uint64_t packed) {
  return {static_cast<std::uint32_t>(packed & 0xffffffffU), static_cast<std::uint32_t>(packed >> 32U)};
}

std::int32_t gf_weekTimeDifference(WeekTime from, WeekTime to) {
  std::int32_t d = (static_cast<std::int32_t>(to.day) - static_cast<std::int32_t>(from.day)) *
                       static_cast<std::int32_t>(halfHoursPerDay) -
                   static_cast<std::int32_t>(from.halfHour) + static_cast<std::int32_t>(to.halfHour);
  if (d < 0) d += slotsPerWeek;
  return d;
}

void lf_addRealStandOption(std::int64_t standNumber, LiveAc& aircraft, LearnMode mode) {
  const WeekTime now = gf_unpackWeekTime(weekTime.load());
  try {
    learn(standNumber, aircraft, mode, now);
  } catch (const std::exception& e) {
    gf_logError(fmt::format("lf_addRealStandOption: hh_now: {}, {}", now.halfHour, e.what()));
  }
}

void gf_learnStayBeforeNewKey(LiveAc& aircraft) {
  lf_addRealStandOption(aircraft.standNumber, aircraft, LearnMode::AtStand);
}

bool gf_extendStandOption(WeekTime now, StandRecord& stand, std::uint32_t index, WeekTime& lastSeen,
                          const LiveAc& aircraft, bool /*cpl*/) {
  if (index == 0 || (lastSeen.day == now.day && lastSeen.halfHour == now.halfHour)) return true;
  const std::int32_t d = gf_weekTimeDifference(lastSeen, now);
  if (d < 1 || d >= stretchLimit(aircraft)) return false;
  // Stays over midnight are not joined: the caller only passes today's options.
  if (lastSeen.day != now.day) return false;
  std::vector<std::uint32_t> slots = gf_slotsBackFrom(now, d);
  if (stand.updateOptions(slots, index)) stand.addOptionCallsign(index, aircraft.callsign);
  lastSeen = now;
  return true;
}

void gf_lookupCallsignPair(WeekTime now, LiveAc& aircraft) {
  const std::int32_t window = aircraft.category == AcCategory::Heavy ? pairWindowSlotsHeavy : pairWindowSlotsOther;
  const std::int32_t slot = static_cast<std::int32_t>(now.halfHour);
  const auto first = static_cast<std::size_t>(std::max(slot - window, 0));
  const auto last = static_cast<std::size_t>(std::min(slot + window, static_cast<std::int32_t>(halfHoursPerDay) - 1));
  HalfHours near;
  for (std::size_t s = first; s <= last; ++s) near.set(s);
  const std::string& k = aircraft.callsign;
  const std::string k2 = withoutTrailingUnderscore(k);
  if (k2.empty()) return;
  for (const StandRecord& stand : standTable)
    for (const StandOption& o : stand.options) {
      if (o.index == 0 || o.day != now.day || o.codes.airline != aircraft.key.airline || o.callsign2.empty() ||
          (o.hours & near).none())
        continue;
      if (o.callsign1 != k && o.callsign1 != k2 && o.callsign2 != k && o.callsign2 != k2) continue;
      aircraft.pairedCallsign1 = o.callsign1;
      aircraft.pairedCallsign2 = o.callsign2;
      return;
    }
}

std::filesystem::path gf_learnedFilePath() {
  if (parkAirportCode.empty()) return {};
  const std::string& publisher = apfHeader.publisher;
  std::filesystem::path folder;
  if (publisher == stockPublisher)
    folder = learnedStockFolder;
  else if (publisher == simaddonPublisher)
    folder = learnedSimaddonFolder;
  else if (const std::string name = gf_publisherFolderName(publisher); !name.empty())
    folder = learnedThirdpartyFolder / platform::pathFromUtf8(name);
  else
    return {};
  return folder / gf_apfFileName(parkAirportCode);
}

bool lf_saveLearnedStands() {
  ApfData data;
  data.icao = parkAirportCode;
  data.airport_name = apfHeader.airport_name;
  data.altitude = apfHeader.altitude;
  data.publisher = apfHeader.publisher;
  data.handmade = apfHandmade;
  if (apfHandmade) {
    data.stands = standTable;
    const auto qf = QualityFactors::fromPacked(gf_computeQualityFactors(standTable));
    data.Qf_real = qf.Qf_real;
    data.Qf_soft = qf.Qf_soft;
  } else {
    for (const StandRecord& stand : standTable) {
      StandRecord kept = stand;
      std::erase_if(kept.options, [](const StandOption& o) { return o.fromFile == 1 || o.index == 0; });
      if (!kept.manual && kept.options.empty() && !kept.radius_change && !kept.cargo_change) continue;
      data.stands.push_back(std::move(kept));
    }
  }
  const std::filesystem::path file = gf_learnedFilePath();
  const std::string clock = gf_clockTimeOfDay();
  std::error_code ec;
  gf_makeFolders(file.parent_path(), ec);
  if (file.empty() || ec || !gf_writeApf(data, file, ApfMode::Learned, simNumber.load())) {
    gf_log(fmt::format("{} saving '{}' did not succeed", clock, file.string()));
    return false;
  }
  gf_log(fmt::format("{}{} '{}' saved with {} update{}", clock, apfHandmade ? " handmade" : "", file.string(),
                     standUpdateCount, gf_plural(std::int64_t{standUpdateCount})));
  return true;
}

} // namespace gwr
