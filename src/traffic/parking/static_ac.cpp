// Static parked aircraft at the park airport's stands: their record, and the
// way they make room for live aircraft or leave with the park airport.
#include "traffic/parking/static_ac.h"

#include <algorithm>

#include <fmt/format.h>

#include "core/geo.h"
#include "core/log.h"
#include "traffic/engine/traffic_engine.h"
#include "traffic/parking/stand_choice.h"

namespace gwr {

std::vector<StaticAc> staticAircraft;

namespace {

std::uint32_t staticHexidCounter = 0;

bool isActive(const StaticAc& ac) { return ac.sim.simState == AcSimState::Active; }

std::string makesWayLine(const StandRecord& stand, const StaticAc& s, const LiveAc& live) {
  const bool sameFlight = s.pairedCallsign1 == live.callsign || s.registration == live.registration;
  return fmt::format("{:8}: {:8} {} makes way for{} {} {}", stand.id, s.callsign, s.registration,
                     sameFlight ? " the same live version" : "", live.callsign, live.registration);
}

} // namespace

std::string gf_staticCallsign(std::string text) {
  while (!text.empty() && text.back() == '_') text.pop_back();
  if (text.empty() || text.back() != '*') text += '*';
  return text;
}

std::uint32_t gf_nextStaticHexid() {
  // After a wrap, a hexid still held by a static aircraft is passed over, so
  // that feedback for one never reaches the other.
  const auto held = [](std::uint32_t hexid) {
    return std::any_of(staticAircraft.begin(), staticAircraft.end(),
                       [hexid](const StaticAc& s) { return s.sim.hexid == hexid; });
  };
  do {
    staticHexidCounter = (staticHexidCounter + 1) % staticHexidWrap;
  } while (held(staticHexidCounter));
  return staticHexidCounter;
}

void gf_removeStatic(StaticAc& aircraft) {
  auto queues = trafficEngine.queues();
  removeAircraftFromSim(aircraft.sim, queues);
  if (aircraft.sim.removedWhileQueued) aircraft.drop = true;
}

bool gf_staticParked(const StaticAc& aircraft) {
  return aircraft.sim.simState == AcSimState::Active || aircraft.sim.simState == AcSimState::RemovingFromSim;
}

void gf_sweepDroppedStatic() {
  std::erase_if(staticAircraft, [](const StaticAc& s) { return s.drop; });
}

void gf_staticMakesWay(const LiveAc& aircraft, const StandRecord& stand) {
  const auto it = std::find_if(staticAircraft.begin(), staticAircraft.end(), [&](const StaticAc& s) {
    return s.standNumber == std::int64_t{stand.number};
  });
  if (it != staticAircraft.end()) {
    if (isActive(*it)) {
      gf_log(makesWayLine(stand, *it, aircraft));
      gf_removeStatic(*it);
    } else if (it->sim.simState == AcSimState::Adding2Sim && !it->sim.removeWhenCreated) {
      gf_removeStatic(*it);
      if (it->drop) gf_log("queued " + makesWayLine(stand, *it, aircraft));
    }
  }
  gf_sweepDroppedStatic();
  for (const std::uint32_t overlap : stand.overlaps) gf_staticMakesWayAtOverlap(aircraft, overlap, stand);
}

void gf_staticMakesWayAtOverlap(const LiveAc& aircraft, std::int64_t overlapNumber, const StandRecord& stand) {
  const StandRecord* overlap = gf_standByNumber(overlapNumber);
  const LatLon at = overlap ? LatLon{overlap->latitude, overlap->longitude} : LatLon{};
  const double d = gf_greatCircleDistanceNm(at, {stand.latitude, stand.longitude});
  for (StaticAc& s : staticAircraft) {
    if (s.standNumber != overlapNumber || !isActive(s) || !gf_wingsCollide(s.halfWingspan, aircraft.halfWingspan, d))
      continue;
    gf_log(fmt::format("{:8}: {:8} makes way for {} parking at excluded stand {}", gf_standName(overlapNumber),
                       s.callsign, aircraft.callsign, stand.id));
    gf_removeStatic(s);
    return;
  }
}

StaticAc* gf_activeStaticAt(std::int64_t standNumber) {
  const auto at = std::find_if(staticAircraft.begin(), staticAircraft.end(),
                               [&](const StaticAc& s) { return s.standNumber == standNumber && isActive(s); });
  return at == staticAircraft.end() ? nullptr : &*at;
}

bool gf_removeStaticAt(std::int64_t standNumber) {
  StaticAc* standing = gf_activeStaticAt(standNumber);
  if (standing != nullptr) gf_removeStatic(*standing);
  return standing != nullptr;
}

void gf_removeAllStatic() {
  for (StaticAc& s : staticAircraft) {
    if (isActive(s) || (s.sim.simState == AcSimState::Adding2Sim && !s.sim.removeWhenCreated)) gf_removeStatic(s);
  }
  gf_sweepDroppedStatic();
}

} // namespace gwr
