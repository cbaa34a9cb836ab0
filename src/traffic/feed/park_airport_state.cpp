// The park airport's record behind a lock: the traffic thread writes it, the
// traffic reader thread reads it for every line.
#include "traffic/feed/park_airport_state.h"

#include <mutex>

namespace gwr {
namespace {

std::mutex parkAirportMutex;
AirportRecord parkAirportRecord;  // icao 0 = none; under parkAirportMutex

} // namespace

void gf_setParkAirport(const AirportRecord& record) {
  const std::lock_guard lock(parkAirportMutex);
  parkAirportRecord = record;
}

void gf_clearParkAirport() {
  const std::lock_guard lock(parkAirportMutex);
  parkAirportRecord = AirportRecord{};
}

std::optional<AirportRecord> gf_parkAirport() {
  const std::lock_guard lock(parkAirportMutex);
  if (parkAirportRecord.icao.empty()) return std::nullopt;
  return parkAirportRecord;
}

std::optional<double> gf_parkElevationFt(std::optional<LatLon> near) {
  const auto park = gf_parkAirport();
  if (!park) return std::nullopt;
  if (near && gf_greatCircleDistanceNm(*near, {park->latitude, park->longitude}) > atAirportRadiusNm)
    return std::nullopt;
  return static_cast<double>(park->altitude);
}

} // namespace gwr
