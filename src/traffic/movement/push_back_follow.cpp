// A push-back from a stand timed by its reports, and ended where they go when
// they leave its made-up path.
#include "traffic/movement/push_back_follow.h"

#include <algorithm>
#include <cmath>

#include "core/geo.h"
#include "refdata/airports_table.h"
#include "traffic/feed/tick_clock.h"
#include "traffic/movement/flight_movement.h"
#include "traffic/movement/ground_movement.h"
#include "traffic/movement/movement_constants.h"
#include "traffic/movement/taxi_curves.h"

namespace gwr {

namespace {

// How far back along the push direction from the stand r lies, and how far
// to its side, in nm.
struct AlongPush {
  double along = 0.0, across = 0.0;
};

AlongPush alongPush(const LiveAc& ac, double lat, double lon) {
  const LocalOffset o = gf_localOffset({ac.standLat, ac.standLon}, {lat, lon});
  const double push = ac.standHeading + M_PI;
  const double north = o.north / metresPerNm, east = o.east / metresPerNm;
  return {north * std::cos(push) + east * std::sin(push), east * std::cos(push) - north * std::sin(push)};
}

} // namespace

PushBackTiming gf_pushBackTiming(const LiveAc& ac, const PositionSample& leaving, double pushNm) {
  const std::int32_t now = tickCount.load();
  // A feed that gives next to nothing (0.1 kt) while it pushes: a walk.
  const double reportedKt = leaving.groundSpeed > 0.0 ? std::max(leaving.groundSpeed, catchUpMinKt) : ac.standSpeedKt;
  const double paceKt = std::min(reportedKt, pushBackMaxKt);
  const double alongNm = std::max(alongPush(ac, leaving.lat, leaving.lon).along, 0.0);
  const std::int32_t start = leaving.dueTick - gf_legTicks(alongNm, paceKt);
  if (start >= now) return {paceKt, start};
  // Late: fast enough to be on time at the end of the push, within the catch-up.
  const std::int32_t endDue = leaving.dueTick + gf_legTicks(pushNm - alongNm, paceKt);
  const double catchUpKt = std::min(paceKt * catchUpFactor, pushBackMaxKt);
  const double onTimeKt = endDue > now ? pushNm * ticksPerHour / (endDue - now) : catchUpKt;
  return {std::clamp(onTimeKt, paceKt, catchUpKt), now};
}

bool gf_pushGoesElsewhere(const LiveAc& ac, const PositionSample& r) {
  if (ac.standNumber <= 0 || ac.halfWingspan <= 0.0) return false;
  // The made-up path: straight back to its first point, then a swing of up
  // to a half wingspan round it.
  const double pushNm = alongPush(ac, ac.pushBackSecondLeg.lat, ac.pushBackSecondLeg.lon).along;
  const AlongPush at = alongPush(ac, r.lat, r.lon);
  const double beyondNm = at.along < 0.0 ? -at.along : std::max(at.along - pushNm, 0.0);
  return std::hypot(beyondNm, at.across) > pushOffPathSpans * ac.halfWingspan;
}

void gf_endPushAtReports(LiveAc& ac, PositionSample& r) {
  if (ac.phase == AcPhase::PushingBack) gf_finishPushBack(ac);
  auto& s = ac.samples;
  gf_clearCurve(ac);
  ac.turning = 0;
  ac.latRate = ac.lonRate = 0.0;
  // From where it is now, the made-up legs dropped.
  s.resize(1);
  s.front().lat = ac.lat;
  s.front().lon = ac.lon;
  s.front().standing = 0;
  s.front().groundSpeed = r.groundSpeed;
  s.front().dueTick = tickCount.load() + 1;
  const auto bearing = gf_legBearing(ac.lat, ac.lon, r.lat, r.lon);
  const bool behind = bearing && std::fabs(gf_normalizeAngle(*bearing - ac.heading)) > reverseKeepDeg * radiansPerDegree;
  ac.reversing = behind ? 1 : 0;
  r.standing = 0;
  ac.setPhase(AcPhase::Taxi);
  ac.standNumber = 0;
  ac.standFlag = 0;
  ac.holding = 0;
}

} // namespace gwr
