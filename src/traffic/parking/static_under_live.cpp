// Static parked aircraft that give way to a live one created on their stand
// and to the user aircraft moving on the ground over them.
#include "traffic/parking/static_under_live.h"

#include <algorithm>

#include "core/geo.h"
#include "core/log.h"
#include "traffic/engine/live_removal.h"
#include "traffic/engine/traffic_engine.h"
#include "traffic/parking/stand_choice.h"
#include "traffic/parking/static_ac.h"
#include "traffic/parking/static_parking.h"
#include "traffic/simclient/user_aircraft.h"

namespace gwr {

void gf_liveParksOnStand(const LiveAc& ac) {
  if (ac.standNumber <= 0) return;
  std::erase_if(parkedEntries, [&](const ParkedEntry& e) {
    return static_cast<std::int64_t>(e.standNumber) == ac.standNumber;
  });
  if (StaticAc* standing = gf_activeStaticAt(ac.standNumber)) {
    gf_log(gf_parksOverStaticLine(gf_standName(ac.standNumber), ac.callsign, standing->callsign));
    gf_removeStatic(*standing);
  }
}

void gf_removeStaticUnderUser() {
  const UserState& user = trafficEngine.user;
  const double userHalfSpan = gf_userAircraftKind().halfWingspanNm;
  for (StaticAc& s : staticAircraft) {
    if (s.sim.simState != AcSimState::Active) continue;
    const double d = gf_greatCircleDistanceNm({user.latitude, user.longitude}, {s.standLat, s.standLon});
    if (!gf_wingsCollide(s.halfWingspan, userHalfSpan, d)) continue;
    gf_removeStatic(s);
    return;
  }
}

} // namespace gwr
