// The renewal of the static parking: the plan for the current half-hour
// reconciled with the static aircraft already standing, so that static
// aircraft come and go with the flights learned for the time of day.
#include "traffic/parking/static_renewal.h"

#include <algorithm>
#include <optional>

#include <fmt/format.h>

#include "airports/park_stand_table.h"
#include "core/geo.h"
#include "core/main_window_state.h"
#include "core/status_line.h"
#include "refdata/reference_queries.h"
#include "traffic/engine/engine_constants.h"
#include "traffic/engine/traffic_engine.h"
#include "traffic/parking/stand_choice.h"
#include "traffic/parking/stand_constants.h"
#include "traffic/parking/stand_learning.h"
#include "traffic/parking/static_ac.h"
#include "traffic/parking/static_parking.h"
#include "traffic/parking/static_parking_plan.h"

namespace gwr {

namespace {

// The renewal's lists of static aircraft (indexes into staticAircraft): those
// that stay and those that go. Traffic thread only; emptied at each renewal.
std::vector<std::size_t> keptStatic;
std::vector<std::size_t> staticRemovals;
bool parkingListsReserved = false;  // start-up thread only

constexpr auto lastSlot = static_cast<std::int32_t>(halfHoursPerDay) - 1;
constexpr std::size_t none = static_cast<std::size_t>(-1);

bool sameCodes(const LivKey& a, const LivKey& b) {
  return a.airline == b.airline && a.airlineOperator == b.airlineOperator && a.model == b.model;
}

bool shows(const StaticAc& s, const std::string& callsign) {
  return !callsign.empty() && s.callsign == gf_staticCallsign(callsign);
}

bool standing(const StaticAc& s) {
  return !s.drop && !s.sim.removeWhenCreated &&
         (s.sim.simState == AcSimState::Active || s.sim.simState == AcSimState::Adding2Sim);
}

std::uint32_t previousDay(std::uint32_t day) { return day <= firstWeekday ? lastWeekday : day - 1; }
std::uint32_t nextDay(std::uint32_t day) { return day >= lastWeekday ? firstWeekday : day + 1; }

std::int32_t slotsStanding(const StaticAc& s, WeekTime now) {
  return gf_weekTimeDifference(gf_unpackWeekTime(s.weekTimeParked), now);
}

// It stood there no later than the entry's flight would have started.
bool parkedBefore(const StaticAc& s, const ParkedEntry& e, WeekTime now) {
  return slotsStanding(s, now) >= e.parkedHalfHours;
}

std::size_t entryAt(std::int64_t standNumber, const std::vector<bool>& dropped) {
  for (std::size_t e = 0; e < parkedEntries.size(); ++e)
    if (!dropped[e] && std::int64_t{parkedEntries[e].standNumber} == standNumber) return e;
  return none;
}

// An entry planned at an overlapping stand whose aircraft would touch this one.
std::size_t collidingEntry(const StaticAc& s, const StandRecord* stand, const std::vector<bool>& dropped) {
  if (stand == nullptr) return none;
  for (std::size_t e = 0; e < parkedEntries.size(); ++e) {
    const ParkedEntry& entry = parkedEntries[e];
    if (dropped[e] ||
        std::find(stand->overlaps.begin(), stand->overlaps.end(), entry.standNumber) == stand->overlaps.end())
      continue;
    const StandRecord* other = gf_standByNumber(entry.standNumber);
    if (other == nullptr) continue;
    const double d = gf_greatCircleDistanceNm({stand->latitude, stand->longitude}, {other->latitude, other->longitude});
    if (d < s.halfWingspan + gf_halfWingspan(entry.codes.model)) return e;
  }
  return none;
}

// An option of its flight covers the half-hours the passes looked back over
// (across midnight, the day before covers the slots before it).
bool flightStillDue(const StaticAc& s, WeekTime now, std::int32_t backSlots) {
  const StandRecord* stand = gf_standByNumber(s.standNumber);
  if (stand == nullptr) return false;
  HalfHours today, dayBefore;
  const std::int32_t back = std::clamp(backSlots, 0, lastSlot);
  for (std::int32_t k = 0; k <= back; ++k) {
    const std::int32_t slot = static_cast<std::int32_t>(now.halfHour) - k;
    (slot >= 0 ? today : dayBefore).set(static_cast<std::size_t>(slot >= 0 ? slot : slot + lastSlot + 1));
  }
  return std::any_of(stand->options.begin(), stand->options.end(), [&](const StandOption& o) {
    if (o.index == 0 || o.registration != s.registration || !sameCodes(o.codes, s.key)) return false;
    if (o.day == now.day) return (o.hours & today).any();
    return o.day == previousDay(now.day) && (o.hours & dayBefore).any();
  });
}

// A kept aircraft showing its flight's first callsign whose stay ends with
// this half-hour is planned again, so that it shows the flight it leaves as.
std::optional<ParkedEntry> replanned(const StaticAc& s, WeekTime now) {
  const StandRecord* stand = gf_standByNumber(s.standNumber);
  if (stand == nullptr || s.callsign.empty()) return std::nullopt;
  const std::string callsign = s.callsign.back() == '*' ? s.callsign.substr(0, s.callsign.size() - 1) : s.callsign;
  const auto& options = stand->options;
  const auto shown = std::find_if(options.begin(), options.end(), [&](const StandOption& o) {
    return o.index != 0 && o.day == now.day && o.callsign1 == callsign && sameCodes(o.codes, s.key);
  });
  if (shown == options.end()) return std::nullopt;
  const bool continues =
      static_cast<std::int32_t>(now.halfHour) < lastSlot
          ? shown->hours.test(now.halfHour + 1)
          : std::any_of(options.begin(), options.end(), [&](const StandOption& o) {
              return o.index != 0 && o.day == nextDay(now.day) && sameCodes(o.codes, shown->codes) && o.hours.test(0);
            });
  if (continues) return std::nullopt;
  ParkedEntry entry{stand->number, slotsStanding(s, now), shown->codes, shown->callsign1,
                    shown->callsign2, shown->registration, false};
  // Made again it would show the same callsign: it stays as it stands.
  if (gf_staticCallsign(entry.callsign2.empty() ? entry.callsign1 : entry.callsign2) == s.callsign) return std::nullopt;
  return entry;
}

} // namespace

void gf_reconcileStatics(WeekTime now, std::int32_t backSlots, std::vector<std::size_t>& kept,
                         std::vector<std::size_t>& removal) {
  std::vector<bool> dropped(parkedEntries.size(), false);
  const auto settle = [&](std::size_t i, std::size_t e) {
    if (parkedBefore(staticAircraft[i], parkedEntries[e], now)) {
      kept.push_back(i);
      dropped[e] = true;
    } else {
      removal.push_back(i);
    }
  };
  for (std::size_t i = 0; i < staticAircraft.size(); ++i) {
    const StaticAc& s = staticAircraft[i];
    if (!standing(s)) continue;
    if (gf_seenLiveSinceRenewal(s.pairedCallsign1) || gf_seenLiveSinceRenewal(s.pairedCallsign2)) {
      removal.push_back(i);
      continue;
    }
    if (const std::size_t e = entryAt(s.standNumber, dropped); e != none) {
      const ParkedEntry& entry = parkedEntries[e];
      if (sameCodes(entry.codes, s.key) && (shows(s, entry.callsign1) || shows(s, entry.callsign2))) {
        kept.push_back(i);
        dropped[e] = true;
      } else {
        settle(i, e);
      }
      continue;
    }
    if (const std::size_t e = collidingEntry(s, gf_standByNumber(s.standNumber), dropped); e != none) {
      settle(i, e);
      continue;
    }
    (flightStillDue(s, now, backSlots) ? kept : removal).push_back(i);
  }
  // In place: the entries keep their reserved room.
  std::size_t left = 0;
  for (std::size_t e = 0; e < parkedEntries.size(); ++e)
    if (!dropped[e]) {
      if (left != e) parkedEntries[left] = std::move(parkedEntries[e]);
      ++left;
    }
  parkedEntries.erase(parkedEntries.begin() + static_cast<std::ptrdiff_t>(left), parkedEntries.end());

  std::sort(kept.begin(), kept.end(),
            [](std::size_t a, std::size_t b) { return staticAircraft[a].standNumber < staticAircraft[b].standNumber; });
  std::vector<ParkedEntry> again;
  for (auto it = kept.begin(); it != kept.end();) {
    if (auto entry = replanned(staticAircraft[*it], now)) {
      again.push_back(std::move(*entry));
      removal.push_back(*it);
      it = kept.erase(it);
    } else {
      ++it;
    }
  }
  // At the front: the trimming drops other new entries first.
  parkedEntries.insert(parkedEntries.begin(), again.begin(), again.end());
}

void gf_renewStaticParking() {
  const WeekTime now = gf_logDayAndHour();
  gf_renewSeenCallsigns();
  gf_showPlanMarks(false, false);
  staticRemovals.clear();
  keptStatic.clear();
  parkedLive.clear();
  parkedEntries.clear();
  gf_clearStandMarks(true);
  gf_markReservedStands();
  const std::int32_t wanted = gf_wantedParkCount();
  gf_collectParkedLive();
  if (wanted > 0 && std::int32_t(parkedLive.size()) > wanted) {
    const std::size_t excess = parkedLive.size() - static_cast<std::size_t>(wanted);
    setStatusText(fmt::format("Parking adjustments: {} more live ac than wanted", excess), false);
    std::vector<ParkedLive> longest = parkedLive;
    std::stable_sort(longest.begin(), longest.end(),
                     [](const ParkedLive& a, const ParkedLive& b) { return a.slotsParked > b.slotsParked; });
    for (std::size_t i = 0; i < excess; ++i) gf_removeParkedLive(longest[i]);
    gf_collectParkedLive();
  }
  for (const ParkedLive& p : parkedLive)
    if (StandRecord* stand = gf_standByNumber(p.standNumber)) gf_markStandStaticOccupied(*stand);
  if (wanted - std::int32_t(parkedEntries.size()) != std::int32_t(parkedLive.size()))
    gf_planStatics(now, wanted, std::int32_t(parkedLive.size()));

  std::vector<std::size_t>& kept = keptStatic;
  std::vector<std::size_t>& removal = staticRemovals;
  const MainWindowState& window = gf_mainWindow();
  gf_reconcileStatics(now, std::max(window.planOffsetReal.load(), window.planOffsetOther.load()), kept, removal);
  std::int64_t excess =
      std::int64_t(parkedLive.size() + kept.size() + parkedEntries.size()) - std::int64_t{wanted};
  for (; excess >= 1; --excess) {
    if (!parkedEntries.empty()) {
      parkedEntries.pop_back();
    } else if (!kept.empty()) {
      removal.push_back(kept.back());
      kept.pop_back();
    } else if (!parkedLive.empty()) {
      gf_removeParkedLive(parkedLive.back());
      parkedLive.pop_back();
    } else {
      break;
    }
  }
  gf_sortEntries();
  setStatusText(
      fmt::format("Parking adjustments: {} to be removed, {} to be added\n", removal.size(), parkedEntries.size()),
      true);
  for (const std::size_t i : removal) {
    StaticAc& s = staticAircraft[i];
    if (gf_staticParked(s) || s.sim.simState == AcSimState::Adding2Sim) gf_removeStatic(s);
  }
  gf_sweepDroppedStatic();
}

void gf_reserveParkingLists() {
  if (parkingListsReserved) return;
  parkingListsReserved = true;
  staticAircraft.reserve(staticReserve);
  standTable.reserve(standTableReserve);
  parkedEntries.reserve(parkedEntryReserve);
  parkedLive.reserve(parkedLiveReserve);
  keptStatic.reserve(keptStaticReserve);
  staticRemovals.reserve(staticRemovalReserve);
}

RenewalListsRoom gf_renewalListsRoom() { return {keptStatic.capacity(), staticRemovals.capacity()}; }

} // namespace gwr
