// The installable stand reader and the set of the traffic source's airport
// codes; see airport_services.h.
#include "refdata/airport_services.h"

#include <atomic>

namespace gwr {

namespace {
std::atomic<ClosestStandReader> installedReader{nullptr};
}

std::unordered_set<FixedCode<4>> rtAirportCodes;

void gf_installClosestStandReader(ClosestStandReader reader) { installedReader.store(reader); }

double gf_readDestApfForClosestStand(FixedCode<4> airport, const LatLon& position, std::string& standId) {
  if (const ClosestStandReader reader = installedReader.load()) return reader(airport, position, standId);
  standId.clear();
  return noStandDistanceNm;
}

} // namespace gwr
