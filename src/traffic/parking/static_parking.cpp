// Static parked aircraft made one at a time from the parked-file entries the
// plan leaves, the limits on parked aircraft, their twins and their counts.
#include "traffic/parking/static_parking.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <optional>

#include <fmt/format.h>

#include "airports/park_stand_table.h"
#include "airports/parked_matching.h"
#include "core/log.h"
#include "core/main_window_state.h"
#include "core/run_state.h"
#include "core/settings_catalogue.h"
#include "liveries/refused_liveries.h"
#include "refdata/code_pools.h"
#include "traffic/engine/engine_constants.h"
#include "traffic/engine/live_removal.h"
#include "traffic/engine/traffic_engine.h"
#include "traffic/feed/tick_clock.h"
#include "traffic/parking/stand_choice.h"
#include "traffic/parking/stand_learning.h"
#include "traffic/parking/static_ac.h"
#include "traffic/simclient/sim_commands.h"

namespace gwr {

std::vector<ParkedEntry> parkedEntries;
std::vector<ParkedLive> parkedLive;
std::int32_t maxParkCount = 0;

namespace {

constexpr double secondsPerMinute = 60.0;

bool isParking(const LiveAc& ac) { return ac.phase == AcPhase::Parking || ac.phase == AcPhase::Parked; }
bool activeParked(const LiveAc& ac) { return ac.sim.simState == AcSimState::Active && ac.phase == AcPhase::Parked; }

bool inOverlaps(const StandRecord& stand, std::int64_t number) {
  return std::find(stand.overlaps.begin(), stand.overlaps.end(), number) != stand.overlaps.end();
}

// Why no static aircraft can stand at the entry's stand; empty when it can.
std::string conflictAt(const StandRecord* stand, const ParkedEntry& e) {
  const std::string id = gf_standName(e.standNumber);
  for (const LiveAc& ac : trafficEngine.live) {
    if (!isParking(ac) || ac.standNumber < 1) continue;
    if (ac.standNumber == std::int64_t{e.standNumber})
      return fmt::format("{:8}: no static parking for {}, live aircraft {} standing here", id, e.callsign1, ac.callsign);
    if (stand != nullptr && inOverlaps(*stand, ac.standNumber))
      return fmt::format("{:8}: no static parking for {}, live aircraft {} is adjacent at {}, possibly colliding", id,
                         e.callsign1, ac.callsign, gf_standName(ac.standNumber));
  }
  for (const StaticAc& s : staticAircraft) {
    // One on its way out still stands there until the simulator confirms.
    if (s.drop) continue;
    if (s.standNumber == std::int64_t{e.standNumber} || (stand != nullptr && inOverlaps(*stand, s.standNumber)))
      return fmt::format("{:8}: no static parking for {}, static aircraft {} is adjacent at {}, possibly colliding", id,
                         e.callsign1, s.callsign, gf_standName(s.standNumber));
  }
  return {};
}

std::string staticCallsignOf(const ParkedEntry& e, std::uint32_t hexid) {
  if (e.callsign1.empty()) return fmt::format("{}{}{}", gf_airlineCode(e.codes.airline), hexid, "*");
  const std::string& preferred = e.secondCallsignFirst ? e.callsign1 : e.callsign2;
  const std::string& fallback = e.secondCallsignFirst ? e.callsign2 : e.callsign1;
  if (!preferred.empty()) return gf_staticCallsign(preferred);
  return gf_staticCallsign(fallback);
}

std::uint64_t weekTimeBack(std::int32_t halfHours) {
  const WeekTime now = gf_unpackWeekTime(weekTime.load());
  std::int32_t slot = static_cast<std::int32_t>(now.halfHour) - halfHours;
  std::uint32_t day = now.day;
  while (slot < 0) {
    slot += static_cast<std::int32_t>(halfHoursPerDay);
    day = day <= firstWeekday ? lastWeekday : day - 1;
  }
  return (static_cast<std::uint64_t>(slot) << 32U) | day;
}

StaticAc* staticByHexid(std::uint32_t hexid) {
  for (StaticAc& s : staticAircraft)
    if (s.sim.hexid == hexid && !s.drop) return &s;
  return nullptr;
}

} // namespace

bool lf_detcs() {
  if (parkedEntries.empty() || standTable.empty()) return false;
  const ParkedEntry e = std::move(parkedEntries.back());
  parkedEntries.pop_back();
  StandRecord* stand = gf_standByNumber(e.standNumber);
  if (const std::string conflict = conflictAt(stand, e); !conflict.empty()) {
    gf_log(conflict);
    return false;
  }
  if (stand == nullptr) {
    gf_logError(fmt::format("stand with id {} not found", gf_standName(e.standNumber)));
    return false;
  }
  if (stand->liveAssigned) {
    gf_log(fmt::format("{:8}: no static parking for {}, live aircraft occupies the stand", stand->id, e.callsign1));
    return false;
  }
  const std::uint32_t hexid = gf_nextStaticHexid();
  AcIdentity identity;
  identity.key = e.codes;
  identity.registration = e.registration;
  identity.callsign = staticCallsignOf(e, hexid);
  if (identity.callsign.empty()) gf_logError("lf_detcs callsign is empty..");
  StaticAc ac(identity);
  ac.hexId = hexid;
  ac.pairedCallsign1 = e.callsign1;
  ac.pairedCallsign2 = e.callsign2;
  ac.standLat = stand->latitude;
  ac.standLon = stand->longitude;
  ac.standHeading = stand->heading;
  ac.standNumber = static_cast<std::int32_t>(stand->number);
  ac.sim.hexid = hexid;
  ac.sim.category = static_cast<std::uint32_t>(ac.category);
  ac.sim.cargo = stand->cargo != 0;
  ac.sim.label = ac.fullText();
  if (!gf_matchParkedAircraft(ac, *stand)) return false;
  ac.weekTimeParked = weekTimeBack(e.parkedHalfHours);
  ac.sim.simState = AcSimState::Adding2Sim;
  AiCreateRequest request;
  const double altitude = fieldElevationValid ? double(fieldElevationFt) : 0.0;
  request.position = {ac.standLat, ac.standLon, altitude, 0.0, 0.0, ac.standHeading * degreesPerRadian, 1, 0};
  request.tailNumber = ac.callsign;
  request.title = ac.livery;
  request.hexid = hexid;
  trafficEngine.queuedStaticCreations.push_back(std::move(request));
  staticAircraft.push_back(std::move(ac));
  return true;
}

void gf_handleStaticFeedback(const SimFeedback& f) {
  switch (f.kind) {
    case FeedbackKind::StaticCreated:
      if (StaticAc* s = staticByHexid(f.value)) {
        s->sim.objectId = f.objectId;
        // One to be removed once created is on its way out (the client removes
        // it, unless the mark came after the client had identified it); the
        // others wait for their activation.
        if (gf_takeLateRemoval(s->sim)) {
          gf_removeStatic(*s);
        } else if (s->sim.removeWhenCreated) {
          s->sim.simState = AcSimState::RemovingFromSim;
        }
      }
      break;
    case FeedbackKind::Removed:
      std::erase_if(staticAircraft, [&](const StaticAc& s) { return s.sim.objectId == f.objectId; });
      break;
    case FeedbackKind::CreationFailed: {
      // The simulator has not got its livery: no aircraft is given it again
      // (too many such liveries end the run, after the record has gone).
      std::optional<AcDescription> refused;
      if (const StaticAc* s = staticByHexid(f.value)) refused = *s;
      std::erase_if(staticAircraft, [&](const StaticAc& s) { return s.sim.hexid == f.value; });
      if (refused) gf_registerUncreatableLivery(*refused);
      break;
    }
    default: break;
  }
}

void gf_activateStatic(const SimFeedback& created) {
  StaticAc* s = staticByHexid(created.value);
  // Removed or gone while it waited: nothing to activate.
  if (s == nullptr || s->sim.objectId != created.objectId || s->sim.simState != AcSimState::Adding2Sim) return;
  s->sim.simState = AcSimState::Active;
  gf_setParkedConfig(s->sim);
  gf_log(fmt::format("{:8}: {:8} parked", gf_standName(s->standNumber), s->callsign));
}

void gf_enforceMaxPark(std::uint8_t newcomers) {
  const std::int32_t m = maxParkCount;
  if (m < 1) return;
  const auto l = std::count_if(trafficEngine.live.begin(), trafficEngine.live.end(), activeParked);
  if (!INITIAL_LOAD_ONLY.current() && newcomers + l > m) {
    LiveAc* longest = nullptr;
    for (LiveAc& ac : trafficEngine.live)
      if (activeParked(ac) && (longest == nullptr || ac.parkedSince < longest->parkedSince)) longest = &ac;
    if (longest != nullptr) {
      gf_log(fmt::format("{:8}: {} live max park exceeded, removed", gf_standName(longest->standNumber),
                         longest->callsign));
      gf_removeLiveAc(*longest);
    }
  }
  const auto s = static_cast<std::int64_t>(gf_countStaticParked());
  if (s + newcomers + l > m && s > 0) {
    const WeekTime now = gf_unpackWeekTime(weekTime.load());
    const auto age = [&](const StaticAc& a) { return gf_weekTimeDifference(gf_unpackWeekTime(a.weekTimeParked), now); };
    StaticAc* earliest = nullptr;
    for (StaticAc& a : staticAircraft)
      if (gf_staticParked(a) && (earliest == nullptr || age(a) > age(*earliest))) earliest = &a;
    if (earliest != nullptr && earliest->sim.simState == AcSimState::Active) {
      gf_log(fmt::format("{:8}: {} static max park exceeded, removed", gf_standName(earliest->standNumber),
                         earliest->callsign));
      gf_removeStatic(*earliest);
    }
  }
}

void gf_collectParkedLive() {
  parkedLive.clear();
  const double now = trafficTime.load();
  for (LiveAc& ac : trafficEngine.live) {
    if (!activeParked(ac)) continue;
    std::int64_t minutes = 0;
    if (!ac.streamExtended) {
      minutes = static_cast<std::int64_t>((now - ac.lastSampleTime) / secondsPerMinute);
      const std::int64_t limit = ac.category == AcCategory::Heavy ? silentParkedMinutesHeavy : silentParkedMinutes;
      if (!INITIAL_LOAD_ONLY.current() && minutes > limit) {
        gf_removeLiveAc(ac);
        continue;
      }
    }
    const std::int32_t slots = ac.weekTimeParked == 0
                                   ? 0
                                   : gf_weekTimeDifference(gf_unpackWeekTime(ac.weekTimeParked),
                                                           gf_unpackWeekTime(weekTime.load()));
    parkedLive.push_back({ac.callsign, ac.standNumber, minutes, slots});
  }
  std::sort(parkedLive.begin(), parkedLive.end());
}

void gf_removeStaticTwins(const LiveAc& aircraft) {
  if (aircraft.callsign.empty()) return;
  const std::string& k = aircraft.callsign;
  const std::string k2 = k.back() == '_' ? k.substr(0, k.size() - 1) : std::string();
  const auto pairedWith = [](const StaticAc& s, const std::string& c) {
    return !c.empty() && (s.pairedCallsign1 == c || s.pairedCallsign2 == c);
  };
  for (StaticAc& s : staticAircraft) {
    if (s.sim.simState != AcSimState::Active) continue;
    const bool twin = (!aircraft.registration.empty() && aircraft.registration == s.registration) ||
                      pairedWith(s, k) || pairedWith(s, aircraft.pairedCallsign2) || pairedWith(s, k2);
    if (!twin) continue;
    try {
      gf_removeStatic(s);
    } catch (const std::exception&) {
      // The next check finds the twin again.
    }
    return;
  }
}

void lf_removeStaticTwinsOfParked() {
  for (const LiveAc& ac : trafficEngine.live) {
    if (ac.sim.simState != AcSimState::Active || !ac.onGroundConfirmed) continue;
    for (StaticAc& s : staticAircraft) {
      if (s.sim.simState != AcSimState::Active) continue;
      if ((!ac.registration.empty() && s.registration == ac.registration) || s.callsign == ac.callsign + "*") {
        gf_removeStatic(s);
        return;
      }
    }
  }
}

void lf_checkStaticOverlap(LiveAc& ac) {
  if (ac.runway.onRunway()) return;
  ac.checkedLat = ac.lat;
  ac.checkedLon = ac.lon;
  for (StaticAc& s : staticAircraft) {
    if (s.sim.simState != AcSimState::Active || s.callsign == ac.callsign) continue;
    const double d = gf_greatCircleDistanceNm({ac.lat, ac.lon}, {s.standLat, s.standLon});
    if (!gf_wingsCollide(ac.halfWingspan, s.halfWingspan, d)) continue;
    gf_removeStatic(s);
    return;
  }
}

void gf_checkLiveOverStatic() {
  if (staticAircraft.empty()) return;
  for (LiveAc& ac : trafficEngine.live) {
    if (ac.sim.simState != AcSimState::Active || !ac.onGroundConfirmed ||
        (ac.phase != AcPhase::Taxi && ac.phase != AcPhase::Parking))
      continue;
    const bool moved =
        std::fabs(ac.lat - ac.checkedLat) > samePositionDeg || std::fabs(ac.lon - ac.checkedLon) > samePositionDeg;
    if (moved) lf_checkStaticOverlap(ac);
  }
}

void gf_setStaticNavLights(std::uint32_t nav) {
  for (const StaticAc& s : staticAircraft)
    if (s.sim.simState == AcSimState::Active) gf_setNavLights(s.sim.objectId, nav);
}

std::size_t gf_countStaticParked() {
  return static_cast<std::size_t>(std::count_if(staticAircraft.begin(), staticAircraft.end(), gf_staticParked));
}

std::size_t gf_countLiveParked() {
  return static_cast<std::size_t>(std::count_if(trafficEngine.live.begin(), trafficEngine.live.end(), activeParked));
}

namespace {

// Half-hour slots summed over count aircraft, as hours; 0 without aircraft.
float lf_meanParkedHours(std::int64_t slots, std::size_t count) {
  return count == 0 ? 0.0F : static_cast<float>(slots) / (2.0F * static_cast<float>(count)) + 0.5F;
}

std::int32_t lf_slotOfWeek(const WeekTime& t) {
  return static_cast<std::int32_t>(t.day) * static_cast<std::int32_t>(halfHoursPerDay) +
         static_cast<std::int32_t>(t.halfHour);
}

bool lf_storeChanged(std::atomic<float>& shown, float value) { return shown.exchange(value) != value; }

} // namespace

void gf_refreshParkedTimes() {
  const WeekTime now = gf_unpackWeekTime(weekTime.load());
  std::int64_t staticSlots = 0;
  std::size_t staticCount = 0;
  for (const StaticAc& a : staticAircraft) {
    if (!gf_staticParked(a)) continue;
    ++staticCount;
    const WeekTime parked = gf_unpackWeekTime(a.weekTimeParked);
    // One parked later in the week than now adds nothing.
    if (lf_slotOfWeek(parked) <= lf_slotOfWeek(now)) staticSlots += gf_weekTimeDifference(parked, now);
  }
  std::int64_t liveSlots = 0;
  std::size_t liveCount = 0;
  for (const LiveAc& ac : trafficEngine.live) {
    if (!activeParked(ac)) continue;
    ++liveCount;
    const WeekTime parked = gf_unpackWeekTime(ac.weekTimeParked);
    if (parked.day != 0) liveSlots += gf_weekTimeDifference(parked, now);
  }
  MainWindowState& window = gf_mainWindow();
  const bool staticChanged = lf_storeChanged(window.meanStaticHours, lf_meanParkedHours(staticSlots, staticCount));
  const bool liveChanged = lf_storeChanged(window.meanFitHours, lf_meanParkedHours(liveSlots, liveCount));
  if (staticChanged || liveChanged) gf_repaintBand(statisticsBand);
}

} // namespace gwr
