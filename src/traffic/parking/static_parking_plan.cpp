// The static parking plan: which stands get a static parked aircraft and which
// learned flight each shows, by weekday and half-hour, and its renewal.
#include "traffic/feed/reader_threads.h"
#include "traffic/parking/static_parking_plan.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>
#include <limits>
#include <optional>
#include <random>
#include <set>
#include <stdexcept>
#include <string_view>
#include <unordered_set>
#include <utility>

#include <fmt/format.h>

#include "airports/park_stand_table.h"
#include "core/clock.h"
#include "core/log.h"
#include "core/main_window_state.h"
#include "core/random.h"
#include "core/settings_catalogue.h"
#include "core/status_line.h"
#include "core/text_utils.h"
#include "refdata/reference_queries.h"
#include "traffic/engine/live_removal.h"
#include "traffic/engine/traffic_engine.h"
#include "traffic/parking/stand_choice.h"
#include "traffic/parking/stand_learning.h"
#include "traffic/parking/static_ac.h"

namespace gwr {

std::int32_t staticRenewalMinutes = 0;
bool renewalAwaitsPlacement = false;
std::atomic<bool> renewalRestartRequested{false};

namespace {

std::unordered_set<std::string> callsignsCollecting;
std::unordered_set<std::string> callsignsSeen;  // checked by the plan
// Options already shown by an aircraft in this plan run, kept apart from the
// dropped mark (index 0) so that the learned file keeps them.
std::set<std::pair<std::uint32_t, std::uint32_t>> optionsInUse;

// Weekday 1 is Monday, 7 Sunday.
constexpr std::array<const char*, 8> dayNames{"???", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};

} // namespace

WeekTime gf_logDayAndHour() {
  const WeekTime now = gf_unpackWeekTime(weekTime.load());
  gf_log(fmt::format("\n{} (utc) It is day {} ({}), {:.1F} hours", gf_clockTimeOfDay(), now.day,
                     now.day < dayNames.size() ? dayNames[now.day] : "???", gf_maxFitHours(std::int32_t(now.halfHour))));
  return now;
}

void gf_renewSeenCallsigns() {
  callsignsSeen = std::move(callsignsCollecting);
  callsignsCollecting.clear();
  // What the feed carried while the announced update collected.
  callsignsSeen.merge(trafficReader.seenCallsigns());
  trafficReader.setCollectCallsigns(false);
  for (const LiveAc& ac : trafficEngine.live) callsignsSeen.insert(ac.callsign);
}

void gf_clearStandMarks(bool renumberOptions) {
  for (StandRecord& stand : standTable) {
    stand.reserved = stand.blocked = stand.staticOccupied = 0;
    // Each renewal starts the options afresh: one dropped (0) for the last plan may be shown again.
    if (renumberOptions)
      for (std::size_t i = 0; i < stand.options.size(); ++i) stand.options[i].index = static_cast<std::uint32_t>(i + 1);
  }
  optionsInUse.clear();
}

namespace {

std::int32_t countStaticOccupied() {
  return static_cast<std::int32_t>(
      std::count_if(standTable.begin(), standTable.end(), [](const StandRecord& s) { return s.staticOccupied != 0; }));
}

} // namespace

bool gf_seenLiveSinceRenewal(const std::string& callsign) {
  return !callsign.empty() && (callsignsSeen.contains(callsign) || callsignsSeen.contains(callsign + "_"));
}

namespace {

ParkedEntry entryOf(const StandRecord& stand, const StandOption& o, std::int32_t offset) {
  return {stand.number, offset, o.codes, o.callsign1, o.callsign2, o.registration, false};
}

} // namespace

void gf_sortEntries() {
  // Taken from the back: entries at a stand whose static aircraft is still
  // there go last, so that its removal has time to come through.
  const auto occupied = [](const ParkedEntry& e) {
    return std::any_of(staticAircraft.begin(), staticAircraft.end(),
                       [&](const StaticAc& s) { return s.standNumber == std::int64_t{e.standNumber} && !s.drop; });
  };
  std::stable_sort(parkedEntries.begin(), parkedEntries.end(), [&](const ParkedEntry& a, const ParkedEntry& b) {
    const bool oa = occupied(a), ob = occupied(b);
    return oa != ob ? oa : a.standNumber > b.standNumber;
  });
}

void gf_removeParkedLive(const ParkedLive& entry) {
  for (LiveAc& ac : trafficEngine.live)
    if (ac.callsign == entry.callsign && ac.standNumber == entry.standNumber && !ac.erased()) {
      gf_log(fmt::format("live parked {} at {} removed", ac.liveFullText(), gf_standName(ac.standNumber)));
      gf_removeLiveAc(ac);
      return;
    }
}

namespace {

void lf_showWanted(std::int32_t wanted, std::int32_t percent) {
  gf_mainWindow().maxParkCount.store(wanted);
  gf_mainWindow().maxParkPercent.store(percent);
  gf_repaintBand(statisticsBand);
}

} // namespace

// Which options the plan had to reach for, shown beside the park airport.
void gf_showPlanMarks(bool week, bool soft) {
  gf_mainWindow().weekMark.store(week);
  gf_mainWindow().softMark.store(soft);
  gf_repaintBand(statisticsBand);
}

std::int32_t gf_wantedParkCount() {
  const std::int32_t selected = MAX_PARK_SEL.current();
  if (selected <= 0) {
    lf_showWanted(0, parking_percentage.current());
    return maxParkCount = 0;
  }
  const auto n = static_cast<std::int64_t>(standTable.size());
  const std::int32_t custom = CUSTOM_PARKING_PERCENTAGE.current();
  const std::int64_t p = custom >= 0 ? custom : parking_percentage.current();
  std::int64_t w = 1;
  if (n > 1 && (n > 3 || p >= 50)) {
    w = std::llround(double(p) * double(n) / 100.0);
    if (w > std::numeric_limits<std::int32_t>::max()) throw std::overflow_error("wanted park count");
  }
  maxParkCount = static_cast<std::int32_t>(std::min<std::int64_t>(selected, w));
  lf_showWanted(maxParkCount, gf_percentage(maxParkCount, n));
  return maxParkCount;
}

void gf_noteLiveCallsign(const std::string& callsign) {
  if (!callsign.empty()) callsignsCollecting.insert(callsign);
}

void gf_startCollectingLiveCallsigns() {
  callsignsCollecting.clear();
  trafficReader.clearSeenCallsigns();
  trafficReader.setCollectCallsigns(true);
}

void gf_markReservedStands() {
  const UserState& user = trafficEngine.user;
  const std::string under = gf_userStandName({user.latitude, user.longitude});
  for (StandRecord& stand : standTable)
    if ((!reservedStandName.empty() && stand.id == reservedStandName) || (!under.empty() && stand.id == under))
      stand.reserved = 1;
}

bool gf_optionFitsStand(const StandOption& o, bool real, bool sameDay, WeekTime target, const StandRecord& stand) {
  // The plain tests first: most options are of another day or half-hour.
  if (o.index == 0) return false;
  if (sameDay && o.day != target.day) return false;
  if ((real && o.real != 1) || (!real && o.real == 1)) return false;
  if (target.halfHour >= halfHoursPerDay || !o.hours.test(target.halfHour)) return false;
  if (optionsInUse.contains({stand.number, o.index})) return false;
  if ((stand.heli && !HELICOPTERS.current()) || stand.blocked) return false;
  const double span = gf_halfWingspan(o.codes.model);
  for (const std::uint32_t overlap : stand.overlaps)
    for (const StaticAc& s : staticAircraft)
      if (s.standNumber == std::int64_t{overlap} && s.sim.simState == AcSimState::Active &&
          gf_greatCircleDistanceNm({s.standLat, s.standLon}, {stand.latitude, stand.longitude}) <
              s.halfWingspan + span)
        return false;
  return true;
}

bool gf_optionInUse(const StandOption& o, const std::vector<ParkedEntry>& pending) {
  const auto isFlight = [&](const std::string& c) { return !c.empty() && (c == o.callsign1 || c == o.callsign2); };
  const bool sameReg = !o.registration.empty();
  if (sameReg && std::any_of(parkedEntries.begin(), parkedEntries.end(),
                             [&](const ParkedEntry& e) { return e.registration == o.registration; }))
    return true;
  if (gf_seenLiveSinceRenewal(o.callsign1) || gf_seenLiveSinceRenewal(o.callsign2)) return true;
  for (const StaticAc& s : staticAircraft)
    if (isFlight(s.pairedCallsign1) || (sameReg && s.registration == o.registration)) return true;
  // The candidates of the running search count as planned already.
  for (const std::vector<ParkedEntry>* entries : {&std::as_const(parkedEntries), &pending})
    for (const ParkedEntry& e : *entries)
      if (isFlight(e.callsign1) || (sameReg && e.registration == o.registration)) return true;
  return std::any_of(parkedLive.begin(), parkedLive.end(), [&](const ParkedLive& p) { return isFlight(p.callsign); });
}

namespace {

// The answers of gf_optionInUse for one search of the stands, from sets made
// once: the static aircraft, the planned entries and the live parked ones do
// not change while the search runs, and its own candidates join as chosen.
// (Walking them for every stand made a renewal take milliseconds.) The sets
// view the records' own strings; the search's candidates are copied, as their
// vector grows.
class FlightsInUse {
public:
  explicit FlightsInUse(const std::vector<ParkedEntry>& pending) {
    const std::size_t room = 2 * (staticAircraft.size() + parkedEntries.size() + pending.size() + parkedLive.size());
    flights_.reserve(room);
    registrations_.reserve(room);
    for (const StaticAc& s : staticAircraft) {
      addFlight(s.pairedCallsign1);
      registrations_.insert(s.registration);
    }
    for (const ParkedEntry& e : parkedEntries) {
      addFlight(e.callsign1);
      registrations_.insert(e.registration);
    }
    for (const ParkedEntry& e : pending) add(e);
    for (const ParkedLive& p : parkedLive) addFlight(p.callsign);
  }
  void add(const ParkedEntry& e) {
    addFlight(*chosen_.insert(e.callsign1).first);
    registrations_.insert(*chosen_.insert(e.registration).first);
  }
  bool contains(const StandOption& o) const {
    if (!o.registration.empty() && registrations_.contains(o.registration)) return true;
    if (gf_seenLiveSinceRenewal(o.callsign1) || gf_seenLiveSinceRenewal(o.callsign2)) return true;
    return flights_.contains(o.callsign1) || flights_.contains(o.callsign2);  // never the empty one
  }

private:
  void addFlight(std::string_view callsign) {
    if (!callsign.empty()) flights_.insert(callsign);
  }
  std::unordered_set<std::string_view> flights_, registrations_;
  std::set<std::string> chosen_;  // node-based: the views stay valid
};

} // namespace

void lf_searchStands(WeekTime now, bool real, bool sameDay, std::int32_t offset, std::vector<ParkedEntry>& out) {
  WeekTime target = now;
  std::int32_t slot = static_cast<std::int32_t>(now.halfHour) - offset;
  while (slot < 0) {
    slot += static_cast<std::int32_t>(halfHoursPerDay);
    target.day = target.day <= firstWeekday ? lastWeekday : target.day - 1;
  }
  target.halfHour = static_cast<std::uint32_t>(slot);
  try {
    std::optional<FlightsInUse> inUse;  // made at the first option that fits: later offsets seldom reach one
    std::vector<std::size_t> fitting;
    fitting.reserve(planOptionRoom);
    for (StandRecord& stand : standTable) {
      if (stand.reserved || stand.staticOccupied) continue;
      fitting.clear();
      for (std::size_t i = 0; i < stand.options.size() && fitting.size() < planOptionRoom; ++i)
        if (gf_optionFitsStand(stand.options[i], real, sameDay, target, stand)) fitting.push_back(i);
      if (fitting.empty()) continue;
      if (fitting.size() >= 2 && RANDOM.current()) {
        const auto shown = std::find_if(fitting.begin(), fitting.end(), [&](std::size_t i) {
          const StandOption& o = stand.options[i];
          return std::any_of(staticAircraft.begin(), staticAircraft.end(), [&](const StaticAc& s) {
            return s.standNumber == std::int64_t{stand.number} && s.key.airline == o.codes.airline &&
                   s.key.airlineOperator == o.codes.airlineOperator && s.key.model == o.codes.model &&
                   ((!o.callsign1.empty() && s.callsign == o.callsign1 + "*") ||
                    (!o.callsign2.empty() && s.callsign == o.callsign2 + "*"));
          });
        });
        if (shown != fitting.end())
          std::iter_swap(fitting.begin(), shown);
        else
          std::shuffle(fitting.begin(), fitting.end(), gf_threadRandomEngine());
      }
      const StandOption& chosen = stand.options[fitting.front()];
      if (!inUse) inUse.emplace(out);
      if (inUse->contains(chosen)) {
        optionsInUse.insert({stand.number, chosen.index});
        continue;
      }
      gf_markStandStaticOccupied(stand);
      out.push_back(entryOf(stand, chosen, offset));
      inUse->add(out.back());
    }
  } catch (const std::exception& e) {
    gf_log(fmt::format("lf_searchStands: day: {}, offset {}: {}", target.day, offset, e.what()));
  }
}

bool gf_searchPass(WeekTime now, bool real, bool sameDay, std::int32_t wanted, std::vector<ParkedEntry>& out) {
  if (wanted == 0) return true;
  const std::int32_t before = static_cast<std::int32_t>(parkedEntries.size());
  bool success = false;
  std::int32_t offset = 0;
  for (; offset <= MAX_FIT.current(); ++offset) {
    lf_searchStands(now, real, sameDay, offset, out);
    if (countStaticOccupied() >= wanted) {
      success = true;
      break;
    }
    parkedEntries.insert(parkedEntries.end(), out.begin(), out.end());
    out.clear();
  }
  const auto found = static_cast<std::int32_t>(parkedEntries.size() + out.size()) - before;
  const std::int32_t reached = std::min(offset, MAX_FIT.current());
  (real && sameDay ? gf_mainWindow().planOffsetReal : gf_mainWindow().planOffsetOther).store(reached);
  if (found > 0) {
    if (!real) gf_mainWindow().softMark.store(true);
    if (!sameDay) gf_mainWindow().weekMark.store(true);
    gf_repaintBand(statisticsBand);
    const char* kind = real ? (sameDay ? "real" : "week/real") : (sameDay ? "soft" : "week/soft");
    gf_log(fmt::format("{} {} position{} found, Max fit={:.1F} hours{}{}", found, kind, gf_plural(std::int64_t{found}),
                       MAX_FIT_FL.current(), fmt::format(", day {}", now.day),
                       fmt::format(", hh:{} or {:.1F} hrs, fit: {:.1F} hour", now.halfHour,
                                   gf_maxFitHours(std::int32_t(now.halfHour)), gf_maxFitHours(reached))));
  }
  return success;
}

void gf_planPass(WeekTime now, std::int32_t wanted, std::int32_t already, bool real, bool sameDay) {
  std::vector<ParkedEntry> candidates;
  candidates.reserve(planCandidateRoom);
  if (!gf_searchPass(now, real, sameDay, wanted, candidates)) return;
  const auto excess = static_cast<std::int64_t>(already) + std::int64_t(parkedEntries.size()) +
                      std::int64_t(candidates.size()) - wanted;
  if (excess >= 1 && excess <= std::int64_t(candidates.size())) {
    if (RANDOM.current()) std::shuffle(candidates.begin(), candidates.end(), gf_threadRandomEngine());
    candidates.resize(candidates.size() - static_cast<std::size_t>(excess));
  }
  parkedEntries.insert(parkedEntries.end(), candidates.begin(), candidates.end());
  const std::int64_t room = std::max<std::int64_t>(0, std::int64_t{wanted} - already);
  if (std::int64_t(parkedEntries.size()) > room) parkedEntries.resize(static_cast<std::size_t>(room));
}

void gf_planStatics(WeekTime now, std::int32_t wanted, std::int32_t already) {
  const auto planned = [&] { return already + static_cast<std::int32_t>(parkedEntries.size()); };
  gf_mainWindow().planOffsetReal.store(0);
  gf_mainWindow().planOffsetOther.store(-1);
  gf_planPass(now, wanted, already, true, true);
  if (planned() < wanted && WEEK.current()) gf_planPass(now, wanted, already, true, false);
  if (planned() < wanted && PARK_SOFT.current()) gf_planPass(now, wanted, already, false, true);
  if (planned() < wanted && PARK_SOFT.current() && WEEK.current()) gf_planPass(now, wanted, already, false, false);
}

void gf_planStaticsAtRead() {
  const WeekTime now = gf_logDayAndHour();
  gf_disableParkControls();
  parkedEntries.clear();
  parkedLive.clear();
  gf_mainWindow().meanFitHours.store(-1.0F);
  gf_mainWindow().meanStaticHours.store(-1.0F);
  gf_showPlanMarks(false, false);
  gf_renewSeenCallsigns();
  gf_clearStandMarks(false);
  gf_markReservedStands();
  const std::int32_t wanted = gf_wantedParkCount();
  if (wanted > std::int32_t(parkedEntries.size())) gf_planStatics(now, wanted, 0);
  gf_sortEntries();
  if (std::int32_t(parkedEntries.size()) > wanted) parkedEntries.resize(static_cast<std::size_t>(std::max(wanted, 0)));
  if (parkedEntries.empty()) {
    gf_log("no parking positions found");
    gf_enableParkControlsAfterPlacement();
    return;
  }
  const auto n = static_cast<std::int64_t>(parkedEntries.size());
  gf_log(fmt::format("{} positions ({}% vs wanted {}%, with Max fit={:.1F} hours)\n", n,
                     std::llround(double(n) * 100.0 / double(standTable.size())), parking_percentage.current(),
                     MAX_FIT_FL.current()));
}

void gf_enableParkControlsAfterPlacement() {
  gf_enableParkControls();
  // Only after the reading: a renewal's placement does not stop the clock.
  if (std::exchange(renewalAwaitsPlacement, false)) staticRenewalMinutes = renewalIntervalMinutes;
}

void gf_staticRenewalMinute() {
  if (renewalRestartRequested.exchange(false)) staticRenewalMinutes = renewalIntervalMinutes;
  const bool due = --staticRenewalMinutes < 1;
  if (due) staticRenewalMinutes = renewalIntervalMinutes;
  gf_mainWindow().minutesToRenewal.store(staticRenewalMinutes);
  gf_repaintBand(controlsBand);
  if (!due) return;
  // The update itself runs from the 15-second work once announced.
  if (standTableReady.load() && !INITIAL_LOAD_ONLY.current() && !parkControlsDisabled.load() &&
      !staticUpdateRequested.load())
    lf_announceStaticParkingUpdate();
}

} // namespace gwr
