// The user's stand for the simulator client's thread: it looks up the stand
// under the user aircraft in a copy of the park airport's stand positions, and
// hands the stand to keep as the user's reserved one to the traffic thread.
#include "traffic/parking/user_stand.h"

#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "airports/park_stand_table.h"
#include "core/geo.h"
#include "traffic/feed/park_airport_state.h"
#include "traffic/parking/park_airports.h"
#include "traffic/parking/stand_constants.h"
#include "traffic/simclient/sim_client_hooks.h"

namespace gwr {

namespace {

struct StandSpot {
  std::string id;
  LatLon position;
};

// The stand table belongs to the traffic thread; the client reads this copy.
std::mutex spotsMutex;
std::vector<StandSpot> spots;
std::optional<std::string> waitingReservation;

} // namespace

void gf_publishUserStandSpots() {
  std::vector<StandSpot> copy;
  copy.reserve(standTable.size());
  for (const StandRecord& stand : standTable) copy.push_back({stand.id, {stand.latitude, stand.longitude}});
  std::lock_guard lock(spotsMutex);
  spots = std::move(copy);
}

std::string lf_standAtPosition(double latitude, double longitude) {
  std::lock_guard lock(spotsMutex);
  double best = noStandYetNm;
  std::string name;
  for (const StandSpot& spot : spots) {
    const double d = gf_greatCircleDistanceNm({latitude, longitude}, spot.position);
    if (d <= userStandNm && d < best) {
      best = d;
      name = spot.id;
    }
  }
  return name;
}

void lf_reserveUserStand(const std::string& standId) {
  std::lock_guard lock(spotsMutex);
  waitingReservation = standId;
}

void gf_takeUserStandReservation() {
  std::optional<std::string> taken;
  {
    std::lock_guard lock(spotsMutex);
    taken.swap(waitingReservation);
  }
  if (!taken || taken->empty() || parkAirports.empty() || parkAirportCode.empty() ||
      parkAirports.front().code != parkAirportCode || parkAirports.front().reservedStand == *taken)
    return;
  parkAirports.front().reservedStand = *taken;
  gf_writeParkAirportEntry();
}

void gf_installUserStandHooks() {
  SimClientHooks hooks = gf_simClientHooks();
  hooks.standAtPosition = &lf_standAtPosition;
  hooks.reserveUserStand = &lf_reserveUserStand;
  gf_installSimClientHooks(hooks);
}

} // namespace gwr
