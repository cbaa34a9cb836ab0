// Live aircraft between their delayed reports: the engine's entry to the
// flight and ground movement, extrapolation while the feed is silent, range rule.
#include "traffic/movement/live_motion.h"

#include <algorithm>
#include <cmath>

#include "airports/park_stand_table.h"
#include "core/geo.h"
#include "core/settings_catalogue.h"
#include "traffic/engine/engine_constants.h"
#include "traffic/engine/live_removal.h"
#include "traffic/engine/traffic_engine.h"
#include "traffic/feed/park_airport_state.h"
#include "traffic/feed/tick_clock.h"
#include "traffic/movement/extrapolation.h"
#include "traffic/movement/flight_movement.h"
#include "traffic/movement/ground_movement.h"
#include "traffic/movement/ground_reports.h"
#include "traffic/movement/movement_constants.h"
#include "traffic/movement/runway_phases.h"

namespace gwr {

namespace {

bool categorySwitchedOff(AcCategory category) {
  return (category == AcCategory::Light && !LIGHT_AIRCRAFT.current()) ||
         (category == AcCategory::HighPerf && !HIGH_PERF_AIRCRAFT.current()) ||
         (category == AcCategory::Rotorcraft && !HELICOPTERS.current());
}

// On the runway after a made-up touchdown and still faster than a taxi: its
// made-up roll-out goes on until it is slow, whatever reports were left.
bool rollingOutMadeUp(const LiveAc& ac) {
  return ac.extrapolationCount >= 1 && ac.onGroundConfirmed && (ac.runway.madeUpRollOut() || ac.runway.landing()) &&
         !ac.samples.empty() && !ac.samples.front().standing && ac.samples.front().groundSpeed > rollOutSlowestKt;
}

// On short final when its feed fell silent: its made-up approach goes on
// down to the runway (removed at their count's end, it would vanish a few
// hundred feet over the approach lights).
bool approachingMadeUp(const LiveAc& ac) {
  return ac.extrapolationCount >= 1 && !ac.onGroundConfirmed && ac.runway.landing() && !ac.samples.empty() &&
         ac.samples.front().airborne && ac.heightAboveGround <= stabilisedApproachFt;
}

} // namespace

void lf_extrapolate(LiveAc& ac, std::int32_t n) {
  ac.extrapolationCount = n;
  ac.samples.push_back(gf_madeUpReport(ac, n));
  if (ac.phase == AcPhase::Parked) {
    // Silent at its stand for a week of made-up time: the stand is not held for it.
    if (const StandRecord* stand = gf_findStand(ac.standNumber)) standTable[stand - standTable.data()].liveAssigned = 0;
    ac.atStandCheck = 0;
  }
}

bool lf_extendStream(LiveAc& ac) {
  // Its reports end while it rolls out: the rest of the roll-out is made up.
  if (ac.onGroundConfirmed) rp_transition(ac, RunwayEvent::ReportsEnd);
  if (const auto extended = lf_extendOnGround(ac)) return *extended;
  if (approachingMadeUp(ac)) {
    lf_extrapolate(ac, std::max(ac.extrapolationCount - 1, landingSteadyReports - 1));
    return true;
  }
  if (rollingOutMadeUp(ac)) {
    lf_extrapolate(ac, std::max(ac.extrapolationCount - 1, madeUpRollOutLeastReports));
    return true;
  }
  if (ac.extrapolationCount < 0 || ac.extrapolationCount == 1) {
    ac.extrapolationCount = -1;
    gf_removeLiveAc(ac);
    return false;
  }
  if (ac.extrapolationCount > 1) {
    lf_extrapolate(ac, ac.extrapolationCount - 1);
    return true;
  }
  if (categorySwitchedOff(ac.category)) {
    gf_removeLiveAc(ac);
    return false;
  }
  const UserState& user = trafficEngine.user;
  if (!ac.onGroundConfirmed) {
    if (gf_knownUserPosition(user) &&
        gf_greatCircleDistanceNm({ac.lat, ac.lon}, {user.latitude, user.longitude}) > rangeNm.load() - rangeMarginNm) {
      gf_removeLiveAc(ac);
      return false;
    }
    if (AIRBORNE_ONLY.current() && ac.altitude - gf_parkElevationFt().value_or(0.0) < airborneOnlyMinHeightFt) {
      gf_removeLiveAc(ac);
      return false;
    }
    lf_extrapolate(ac, airExtrapolations);
    return true;
  }
  lf_extrapolate(ac, ac.phase == AcPhase::Parked ? 1 : groundExtrapolations);
  return true;
}

void lf_nextPosition(LiveAc& ac) { nextPosMain(ac); }

void lf_moveStep(LiveAc& ac) { lf_moveTick(ac); }

} // namespace gwr
