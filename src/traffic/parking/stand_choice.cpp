// Stands of the park airport for live aircraft: the stand search with its fit
// rules, the conflicts with aircraft already there, and the stands' runtime flags.
#include "traffic/movement/ground_movement.h"
#include "traffic/parking/stand_choice.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "airports/park_airport_shell.h"
#include "airports/park_stand_table.h"
#include "core/log.h"
#include "traffic/engine/engine_constants.h"
#include "traffic/engine/live_intake.h"
#include "traffic/engine/live_removal.h"
#include "traffic/engine/traffic_engine.h"
#include "traffic/feed/park_airport_state.h"
#include "traffic/parking/stand_constants.h"
#include "traffic/parking/stand_learning.h"
#include "traffic/parking/static_ac.h"
#include "traffic/parking/static_parking.h"
#include "traffic/simclient/user_aircraft.h"

namespace gwr {

std::string reservedStandName;

namespace {

struct UserStandCache {
  LatLon position;
  std::string name;
  bool filled = false;
};
UserStandCache userStandCache;

LatLon standPosition(const StandRecord& stand) { return {stand.latitude, stand.longitude}; }

bool samePosition(const LatLon& a, const LatLon& b) {
  return std::fabs(a.latitude - b.latitude) <= samePositionDeg &&
         std::fabs(a.longitude - b.longitude) <= samePositionDeg;
}

bool standsParked(const LiveAc& ac) {
  return ac.phase == AcPhase::Parked || ac.phase == AcPhase::PushingBack || ac.phase == AcPhase::PushedBack;
}

bool isActive(const LiveAc& ac) { return ac.sim.simState == AcSimState::Active; }

LiveAc* firstLiveAt(std::int64_t standNumber) {
  for (LiveAc& ac : trafficEngine.live)
    if (ac.standNumber == standNumber) return &ac;
  return nullptr;
}

bool endsWith(const std::string& text, char c) { return !text.empty() && text.back() == c; }
std::string withoutLast(const std::string& text) { return text.empty() ? text : text.substr(0, text.size() - 1); }

// An option of the stand that shows this flight was here before.
bool usedByFlight(const StandRecord& stand, const LiveAc& ac) {
  return std::any_of(stand.options.begin(), stand.options.end(), [&](const StandOption& o) {
    if (o.index == 0 || o.real != 1) return false;
    if (o.callsign1 == ac.callsign || o.callsign2 == ac.callsign) return true;
    return o.codes.airline == ac.key.airline && o.codes.airlineOperator == ac.key.airlineOperator &&
           o.codes.model == ac.key.model;
  });
}

bool isUsersStand(const StandRecord& stand) {
  if (!reservedStandName.empty() && stand.id == reservedStandName) return true;
  const UserState& user = trafficEngine.user;
  return stand.id == gf_userStandName({user.latitude, user.longitude});
}

void takeStand(LiveAc& ac, const StandRecord& stand) {
  ac.standLat = stand.latitude;
  ac.standLon = stand.longitude;
  ac.standHeading = stand.heading;
  ac.standNumber = static_cast<std::int32_t>(stand.number);
  ac.standFlag = stand.cargo;
}

bool holdsStand(const LiveAc& other, const LiveAc& ac) {
  return other.hexId != ac.hexId && other.standNumber == ac.standNumber && !other.erased() &&
         other.sim.simState != AcSimState::RemovingFromSim;
}

// The stand is free once no other live aircraft holds it.
void releaseStandOf(const LiveAc& ac) {
  if (ac.standNumber < 1) return;
  const auto& live = trafficEngine.live;
  if (std::none_of(live.begin(), live.end(), [&](const LiveAc& other) { return holdsStand(other, ac); }))
    gf_setStandLiveAssigned(ac.standNumber, false);
}

// Another live aircraft already stands at the stand this one drove to.
bool standTakenByAnother(const LiveAc& ac) {
  const StandRecord* stand = gf_standByNumber(ac.standNumber);
  if (stand == nullptr || stand->liveAssigned == 0) return false;
  const auto& live = trafficEngine.live;
  return std::any_of(live.begin(), live.end(), [&](const LiveAc& other) {
    return holdsStand(other, ac) && isActive(other) && other.phase == AcPhase::Parked && other.leaving == 0;
  });
}


} // namespace

StandRecord* gf_standByNumber(std::int64_t number) {
  if (number < 1) return nullptr;
  auto it = std::lower_bound(standTable.begin(), standTable.end(), number,
                             [](const StandRecord& s, std::int64_t n) { return std::int64_t{s.number} < n; });
  return it != standTable.end() && std::int64_t{it->number} == number ? &*it : nullptr;
}

std::string gf_standName(std::int64_t number) {
  if (number == 0) return "sid==0?";
  const StandRecord* stand = gf_standByNumber(number);
  return stand ? stand->id : "sid==?";
}

bool gf_wingsCollide(double halfSpanA, double halfSpanB, double distanceNm) {
  return (halfSpanA + halfSpanB) * wingCollisionFactor >= distanceNm;
}

bool gf_standFitsAircraft(const StandRecord& stand, const LiveAc& aircraft) {
  if (stand.type != 0) return stand.fitsSizeCategory(aircraft.category);
  return aircraft.halfWingspan - stand.radius <= untypedSizeMarginNm;
}

StandRecord* gf_findStandAt(const LatLon& position, const LiveAc& aircraft, double radiusNm, bool wide) {
  double best = noStandYetNm, secondBest = noStandYetNm;
  StandRecord* choice = nullptr;
  StandRecord* second = nullptr;
  StandRecord* tooSmall = nullptr;
  for (StandRecord& stand : standTable) {
    const double d = gf_greatCircleDistanceNm(position, standPosition(stand));
    if (d <= radiusNm && d < best) {
      if (gf_standFitsAircraft(stand, aircraft)) {
        choice = &stand;
        tooSmall = nullptr;
        best = d;
        wide = false;
      } else if (d <= tooSmallChoiceNm) {
        choice = tooSmall = &stand;
        best = d;
        wide = false;
      }
    } else if (wide && d <= wideSecondChoiceNm && d < secondBest && gf_standFitsAircraft(stand, aircraft) &&
               !aircraft.callsign.empty() && usedByFlight(stand, aircraft)) {
      second = &stand;
      secondBest = d;
    }
  }
  if (choice == nullptr) choice = second;
  if (choice == nullptr) return nullptr;
  const bool rotorcraft = aircraft.category == AcCategory::Rotorcraft;
  if ((choice->heli != 0) != rotorcraft) return nullptr;
  if (choice == tooSmall) {
    choice->radius = aircraft.halfWingspan - shrunkRadiusMarginNm;
    choice->radius_change = 1;
    gf_countStandUpdate();
  }
  return choice;
}

std::string gf_userStandName(const LatLon& position) {
  if (standTable.empty() || !userOnGround.load()) return {};
  if (userStandCache.filled && samePosition(userStandCache.position, position)) return userStandCache.name;
  double best = noStandYetNm;
  std::string name;
  for (const StandRecord& stand : standTable) {
    const double d = gf_greatCircleDistanceNm(position, standPosition(stand));
    if (d <= userStandNm && d < best) {
      best = d;
      name = stand.id;
    }
  }
  userStandCache = {position, name, true};
  return name;
}

void gf_forgetUserStand() { userStandCache = {}; }

bool gf_resolveStandOccupant(std::int64_t standNumber, const std::string& newcomer) {
  LiveAc* o = firstLiveAt(standNumber);
  if (o == nullptr || !standsParked(*o) || !isActive(*o)) return true;
  const std::string stand = gf_standName(standNumber);
  const auto ghostLine = [&] { gf_log(fmt::format("{:8}: {:8} ghost, replace by {}", stand, o->callsign, newcomer)); };
  if (o->callsign == newcomer) {
    gf_log(fmt::format("{:8}: {:8} ac with same callsign {} wants it, remove existing ... ", stand, o->callsign,
                       newcomer));
  } else if (withoutLast(newcomer) == o->callsign) {
    return false;
  } else if (newcomer == withoutLast(o->callsign)) {
    ghostLine();
  } else if (endsWith(o->callsign, '_') && !endsWith(newcomer, '_')) {
    ghostLine();
  } else if (!endsWith(o->callsign, '_') && endsWith(newcomer, '_')) {
    return false;
  } else if (o->streamExtended) {
    return false;
  } else {
    gf_log(fmt::format("{:8}: {:8} removed because another live {} wants the stand ...", stand, o->callsign,
                       newcomer));
  }
  gf_removeLiveAc(*o);
  return true;
}

bool gf_overlapAllowsParking(std::int64_t overlapNumber, const LiveAc& aircraft, const StandRecord& stand) {
  const LiveAc* o = firstLiveAt(overlapNumber);
  if (o == nullptr || !(o->phase == AcPhase::Parked || o->phase == AcPhase::PushingBack) || !isActive(*o) ||
      o->callsign == aircraft.callsign)
    return true;
  const StandRecord* overlap = gf_standByNumber(overlapNumber);
  if (overlap == nullptr || (overlap->latitude == 0.0 && overlap->longitude == 0.0)) return true;
  const double d = gf_greatCircleDistanceNm(standPosition(*overlap), standPosition(stand));
  return !gf_wingsCollide(o->halfWingspan, aircraft.halfWingspan, d);
}

bool gf_standAtBirth(LiveAc& ac) {
  if (standTable.empty() || ac.samples.empty()) return false;
  const auto park = gf_parkAirport();
  if (!park || park->icao.empty()) return false;
  PositionSample& oldest = ac.samples.front();
  const PositionSample& newest = ac.samples.back();
  if (gf_greatCircleDistanceNm({oldest.lat, oldest.lon}, {park->latitude, park->longitude}) > birthAirportNm) return false;
  LatLon at{oldest.lat, oldest.lon};
  if (!oldest.standing && ac.samples.size() > 1 && ac.samples[1].groundSpeed <= birthSlowKt &&
      gf_greatCircleDistanceNm(at, {newest.lat, newest.lon}) <= birthSameSpotNm)
    at = {newest.lat, newest.lon};
  StandRecord* stand = gf_findStandAt(at, ac, birthSearchNm, oldest.standing != 0);
  if (stand == nullptr || isUsersStand(*stand)) return false;
  const std::int64_t number = stand->number;
  bool allowed = gf_resolveStandOccupant(number, ac.callsign);
  for (std::size_t i = 0; allowed && i < stand->overlaps.size(); ++i)
    allowed = gf_overlapAllowsParking(stand->overlaps[i], ac, *stand);
  if (!allowed) {
    ac.sim.erase = true;
    return false;
  }
  gf_staticMakesWay(ac, *stand);
  if (!oldest.standing) {
    oldest.standing = 1;
    oldest.groundSpeed = 0.0;
  }
  takeStand(ac, *stand);
  gf_setStandLiveAssigned(number, true);
  gf_updateStandCargo(ac);
  lf_addRealStandOption(number, ac, LearnMode::Born);
  gf_enforceMaxPark(1);
  return true;
}

void gf_removeAdjacentParked(std::int64_t overlapNumber, const LiveAc& aircraft, const StandRecord& stand) {
  LiveAc* o = firstLiveAt(overlapNumber);
  if (o == nullptr || !(o->phase == AcPhase::Parked || o->phase == AcPhase::PushingBack) || !isActive(*o)) return;
  const StandRecord* overlap = gf_standByNumber(overlapNumber);
  if (overlap == nullptr || (overlap->latitude == 0.0 && overlap->longitude == 0.0)) return;
  const double d = gf_greatCircleDistanceNm(standPosition(*overlap), standPosition(stand));
  if (!gf_wingsCollide(o->halfWingspan, aircraft.halfWingspan, d)) return;
  gf_log(fmt::format("{:8}: {:8} removed by parking {} at adjacent and possibly colliding stand {}", overlap->id,
                     o->callsign, aircraft.callsign, stand.id));
  gf_removeLiveAc(*o);
}

bool try2Park(LiveAc& ac, bool wide) {
  if (ac.samples.empty()) {
    gf_logError("try2Park empty sz?");
    return false;
  }
  const LatLon at{ac.samples.back().lat, ac.samples.back().lon};
  if (samePosition(at, {ac.parkTriedLat, ac.parkTriedLon})) return false;
  ac.parkTriedLat = at.latitude;
  ac.parkTriedLon = at.longitude;
  StandRecord* stand = gf_findStandAt(at, ac, wide ? birthSearchNm : narrowSearchNm, wide);
  if (stand == nullptr || isUsersStand(*stand)) return false;
  LiveAc* o = firstLiveAt(stand->number);
  if (o != nullptr && o != &ac && o->phase == AcPhase::Parked && isActive(*o)) {
    gf_log(fmt::format("{:8}: {:8} removed, {} wants to park there", stand->id, o->callsign, ac.callsign));
    gf_removeLiveAc(*o);
  }
  for (const std::uint32_t overlap : stand->overlaps) gf_removeAdjacentParked(overlap, ac, *stand);
  gf_staticMakesWay(ac, *stand);
  // A stand taken before on the way in is free again.
  if (ac.standNumber > 0 && ac.standNumber != std::int64_t{stand->number}) releaseStandOf(ac);
  takeStand(ac, *stand);
  gf_setStandLiveAssigned(stand->number, true);
  if (ac.samples.size() > 1) ac.samples.resize(1);
  ac.setPhase(AcPhase::Parking);
  return true;
}

void gf_clearReservedStand(const std::string& name) {
  const auto it = std::find_if(standTable.begin(), standTable.end(), [&](const StandRecord& s) { return s.id == name; });
  if (it == standTable.end()) return;
  try {
    if (gf_removeStaticAt(it->number)) return;
    for (LiveAc& ac : trafficEngine.live)
      if (ac.standNumber == std::int64_t{it->number} && isActive(ac) && ac.phase == AcPhase::Parked) {
        gf_removeLiveAc(ac);
        return;
      }
  } catch (const std::exception&) {
    // A removal that fails here is tried again in five seconds.
  }
}

void gf_updateStandCargo(LiveAc& ac) {
  if (ac.standFlag != 0 || ac.key.cargo == 0) return;
  StandRecord* stand = gf_standByNumber(ac.standNumber);
  if (stand == nullptr || stand->cargo != 0) return;
  stand->cargo = 1;
  stand->cargo_change = 1;
  ac.standFlag = 1;
  gf_countStandUpdate();
}

void gf_setStandLiveAssigned(std::int64_t standNumber, bool assigned) {
  if (StandRecord* stand = gf_standByNumber(standNumber)) stand->liveAssigned = assigned ? 1 : 0;
}

void gf_markStandStaticOccupied(StandRecord& stand) {
  stand.staticOccupied = 1;
  for (const std::uint32_t overlap : stand.overlaps)
    if (StandRecord* other = gf_standByNumber(overlap)) other->blocked = 1;
}


void gf_releaseLiveStand(const AiControlled& leaving) {
  if (const LiveAc* ac = trafficEngine.findHexid(leaving.hexid)) releaseStandOf(*ac);
}

bool lf_standEvent(LiveAc& ac, StandEvent event) {
  switch (event) {
    case StandEvent::Arriving:
      if (!standTakenByAnother(ac)) return true;
      gf_log(fmt::format("{:8}: {:8} arrived at a stand already taken, removed", gf_standName(ac.standNumber),
                         ac.callsign));
      return false;
    case StandEvent::Parked:
      gf_setStandLiveAssigned(ac.standNumber, true);
      lf_addRealStandOption(ac.standNumber, ac, LearnMode::AtStand);
      // It counts among the parked now: the limit holds from this arrival on,
      // not from the next renewal.
      gf_enforceMaxPark(0);
      break;
    case StandEvent::Leaving:
      lf_addRealStandOption(ac.standNumber, ac, LearnMode::Parked);
      releaseStandOf(ac);
      break;
    case StandEvent::MovedAway:
      lf_addRealStandOption(ac.standNumber, ac, LearnMode::MovedAway);
      releaseStandOf(ac);
      break;
  }
  return true;
}

void gf_countStandUpdate() { gf_parkAirportShell().showUpdateCount(++standUpdateCount); }

namespace {

// The ground movement's choice at arrival: the stand try2Park took, which the
// movement then drives to.
const StandRecord* lf_arrivalStand(LiveAc& ac) { return try2Park(ac, false) ? gf_findStand(ac.standNumber) : nullptr; }

} // namespace

void gf_installStandChoice() {
  gf_installBirthStandChoice(&gf_standAtBirth);
  gf_installArrivalStandChoice(&lf_arrivalStand);
  gf_installLiveRemovalHook(&gf_releaseLiveStand);
  gf_installStandEventHook(&lf_standEvent);
}

} // namespace gwr
