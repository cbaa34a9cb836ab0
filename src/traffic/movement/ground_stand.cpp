// Leaving and reaching a stand: pull-out and push-back from it, the drive onto
// one and the arrival, and the hooks the stand logic installs.
#include "traffic/movement/ground_movement.h"

#include <fmt/format.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <string>

#include "airports/park_stand_table.h"
#include "core/geo.h"
#include "core/log.h"
#include "traffic/engine/live_removal.h"
#include "traffic/engine/traffic_engine.h"
#include "traffic/feed/tick_clock.h"
#include "traffic/movement/flight_movement.h"
#include "traffic/movement/ground_reports.h"
#include "traffic/movement/movement_constants.h"
#include "traffic/movement/push_back_follow.h"
#include "traffic/movement/runway_phases.h"
#include "traffic/movement/taxi_curves.h"
#include "traffic/simclient/sim_commands.h"

namespace gwr {

namespace {

std::atomic<ArrivalStandChoice> arrivalStandChoice{nullptr};
std::atomic<StandEventHook> standEventHook{nullptr};

std::string standName(const LiveAc& ac) {
  const StandRecord* stand = gf_findStand(ac.standNumber);
  return stand != nullptr ? stand->id : std::to_string(ac.standNumber);
}

} // namespace

void gf_installArrivalStandChoice(ArrivalStandChoice choice) { arrivalStandChoice.store(choice); }
ArrivalStandChoice gf_arrivalStandChoice() { return arrivalStandChoice.load(); }

void gf_installStandEventHook(StandEventHook hook) { standEventHook.store(hook); }
StandEventHook gf_standEventHook() { return standEventHook.load(); }

bool gf_standEvent(LiveAc& ac, StandEvent event) {
  const StandEventHook hook = standEventHook.load();
  return hook == nullptr || hook(ac, event);
}

bool gf_pullsOut(double offStandHeadingDeg) { return std::fabs(offStandHeadingDeg) < pullOutMaxDeg; }

const StandRecord* gf_findStand(std::int32_t number) {
  if (number <= 0) return nullptr;
  const auto it = std::lower_bound(standTable.begin(), standTable.end(), static_cast<std::uint32_t>(number),
                                   [](const StandRecord& s, std::uint32_t n) { return s.number < n; });
  return it != standTable.end() && it->number == static_cast<std::uint32_t>(number) ? &*it : nullptr;
}

void lf_pullOut(LiveAc& ac) {
  ac.leaving = 0;
  ac.extrapolationCount = 0;
  auto& s = ac.samples;
  const LatLon target = gf_destinationPoint({ac.standLat, ac.standLon}, ac.standHeading,
                                            2.0 * ac.halfWingspan * feetPerNm);
  s.resize(1);
  s[0].groundSpeed = ac.standSpeedKt;
  const double distance = gf_distanceNm(s[0].lat, s[0].lon, target.latitude, target.longitude);
  // Counted from now when the front is overdue (a parked aircraft's front
  // is long past): from the front alone the pull-out would be due at once
  // and jump out of its stand.
  const std::int32_t due = std::max(s[0].dueTick, tickCount.load()) +
                           std::max(gf_legTicks(distance, ac.standSpeedKt), minLegTicks);
  s.push_back(gf_reportAt(s[0], target, ac.standSpeedKt, due));
  ac.setPhase(AcPhase::Taxi);
  ac.trackHeading = ac.heading;
  lf_taxiLights(ac);
  gf_engineAutoStart(ac.sim.objectId);
  gf_setThrottle(ac.sim, 0);
  gf_setFlaps(ac.sim, 1);
  gf_log(fmt::format("{:8}: {:8} pulling out", standName(ac), ac.callsign));
}

void gf_finishPushBack(LiveAc& ac) {
  ac.trackHeading = ac.heading;
  gf_engineAutoStart(ac.sim.objectId);
  gf_setThrottle(ac.sim, 0);
  gf_setFlaps(ac.sim, 1);
  ac.setPhase(AcPhase::PushedBack);
  ac.pushBackCountdown = 1;
  ac.extrapolationCount = 0;
  ac.leaving = 0;
}

void lf_pushBack(LiveAc& ac) {
  const StandRecord* stand = gf_findStand(ac.standNumber);
  if (stand == nullptr) return;
  const double push = gf_wrapHeading(ac.standHeading + M_PI);
  auto& s = ac.samples;
  const LatLon first = gf_destinationPoint({ac.lat, ac.lon}, push, pushBackRadiusFactor * stand->radius * feetPerNm);
  const double distance = gf_distanceNm(ac.lat, ac.lon, first.latitude, first.longitude);
  // Timed by the report that made it leave: it pushes when and as fast as its reports do.
  const PushBackTiming timing = gf_pushBackTiming(ac, s.back(), distance);
  s.resize(1);
  s[0].groundSpeed = timing.kt;
  const std::int32_t start = std::max({s[0].dueTick, tickCount.load(), timing.startTick});
  const std::int32_t due = start + std::max(gf_legTicks(distance, timing.kt), 2 * minLegTicks);
  s.push_back(gf_reportAt(s[0], first, timing.kt, due));
  lf_insertMidpoint(ac);
  s[1].dueTick = (start + due) / 2;
  ac.pushBackSecondLeg = s.back();
  // Standing at the stand until its reports start moving: one step more.
  const bool waits = start > std::max(s[0].dueTick, tickCount.load()) + minLegTicks;
  if (waits) {
    PositionSample wait = s[0];
    wait.lat = ac.lat;
    wait.lon = ac.lon;
    wait.standing = 1;
    wait.dueTick = start;
    s.insert(s.begin() + 1, wait);
  }
  lf_taxiLights(ac);
  ac.setPhase(AcPhase::PushingBack);
  // Only this push-back's reports turn it: a side decided at an earlier one
  // (before a tow) would turn a push nothing decided, or one kept straight.
  ac.pushBackHasSecondLeg = 0;
  ac.pushBackCountdown = pushBackSteps + (waits ? 1 : 0);
  ac.turning = 0;
  ac.leaving = 0;
}

void drive2Stand(LiveAc& ac, const StandRecord& stand) {
  auto& s = ac.samples;
  if (s.empty()) {
    gf_log(fmt::format("{} empty sz?", "drive2Stand"));
    return;
  }
  ac.standLat = stand.latitude;
  ac.standLon = stand.longitude;
  ac.standHeading = stand.heading;
  ac.standNumber = static_cast<std::int32_t>(stand.number);
  // Its reports are measured from this stand afresh: distances kept from a
  // stand it turned away from would refuse every report near this one, and
  // hold its departure from here until its reports outgrow them.
  ac.atStandCheck = 0;
  ac.standMoves = 0;
  PositionSample& newest = s.back();
  const double distance = gf_distanceNm(newest.lat, newest.lon, stand.latitude, stand.longitude);
  const std::int32_t ticks = std::max(gf_legTicks(distance, ac.standSpeedKt), minStandTicks);
  // Never due before the newest report it follows: counted from the front
  // alone, a long stream would put the stand before the way there.
  PositionSample at = gf_reportAt(newest, {stand.latitude, stand.longitude}, ac.standSpeedKt,
                               std::max(s.front().dueTick + ticks, newest.dueTick + minLegTicks));
  at.altitude = ac.altitude;
  at.tas = ac.standSpeedKt;
  at.track = stand.heading * degreesPerRadian;
  at.roll = ac.bank;
  at.standing = gf_samePosition(newest, at) ? 1 : 0;
  newest.groundSpeed = ac.standSpeedKt;
  PositionSample stop = at;
  stop.standing = 1;
  stop.groundSpeed = 0.0;
  stop.dueTick = at.dueTick + standStopTicks;
  s.push_back(at);
  s.push_back(stop);
  ac.trackHeading = stand.heading;
  if (ac.extrapolationCount > 0) {
    ac.extrapolationCount = 0;
    lf_widenSmoothing(ac);
  }
}

void lf_arriveAtStand(LiveAc& ac) {
  if (!gf_standEvent(ac, StandEvent::Arriving)) {
    ac.extrapolationCount = 1;
    gf_removeLiveAc(ac);
    return;
  }
  if (gf_distanceNm(ac.lat, ac.lon, ac.standLat, ac.standLon) > standReachedNm) {
    ac.setPhase(AcPhase::Taxi);
    return;
  }
  ac.setPhase(AcPhase::Parked);
  rp_transition(ac, RunwayEvent::Parks);
  ac.weekTimeParked = weekTime.load();
  if (ac.towed) gf_log(fmt::format("          towed aircraft {} parks", ac.callsign));
  // Towed between stands only: once parked, its next departure is its own,
  // which must not ask for a stand each time it stops on its way out.
  ac.towed = 0;
  if (!ac.samples.empty()) ac.samples.front().standing = 1;
  ac.parkedSince = static_cast<std::uint64_t>(tickCount.load());
  gf_setParkedConfig(ac.sim);
  gf_log(fmt::format("{:8}: {:8} arrived at stand", standName(ac), ac.callsign));
  trafficEngine.standWork.push_back(ac.hexId);
  gf_standEvent(ac, StandEvent::Parked);
}

} // namespace gwr
