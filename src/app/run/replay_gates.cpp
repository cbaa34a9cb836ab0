// The place of a replay's generated gates, from the recording itself.
#include "app/run/replay_gates.h"

#include <cmath>
#include <cstdlib>
#include <set>
#include <string>
#include <utility>

#include "refdata/airports_table.h"
#include "traffic/feed/traffic_line.h"

namespace gwr {

namespace {

std::optional<double> lf_number(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

// Fields 2 to 4 of a comma-separated line.
std::optional<std::pair<LatLon, double>> lf_place(const std::string& line) {
  std::string fields[fAltitude + 1];
  std::size_t start = 0;
  for (std::size_t i = 0; i <= fAltitude; ++i) {
    const std::size_t comma = line.find(',', start);
    if (comma == std::string::npos) return std::nullopt;  // a traffic line has 29 fields
    fields[i] = line.substr(start, comma - start);
    start = comma + 1;
  }
  const auto lat = lf_number(fields[fLatitude]), lon = lf_number(fields[fLongitude]);
  const auto altitude = lf_number(fields[fAltitude]);
  if (!lat || !lon || !altitude || std::fabs(*lat) > largestLatitude || std::fabs(*lon) > largestLongitude)
    return std::nullopt;
  return std::pair{LatLon{*lat, *lon}, *altitude};
}

double lf_metresApart(MetresOffset a, MetresOffset b) { return std::hypot(a.eastM - b.eastM, a.northM - b.northM); }

bool lf_rowClear(const std::vector<MetresOffset>& traffic, MetresOffset centre, std::size_t count, double spacingM) {
  for (std::size_t i = 0; i < count; ++i) {
    const MetresOffset gate{gf_rowGateEastM(centre.eastM, count, spacingM, i), centre.northM};
    for (const MetresOffset& place : traffic)
      if (lf_metresApart(gate, place) < replayClearanceM) return false;
  }
  return true;
}

} // namespace

double gf_rowGateEastM(double centreEastM, std::size_t count, double spacingM, std::size_t i) {
  return centreEastM - 0.5 * spacingM * static_cast<double>(count - 1) + spacingM * static_cast<double>(i);
}

std::vector<MetresOffset> gf_recordedNearGround(std::istream& recording, LatLon airport, double fieldFt) {
  const double metresPerDegreeLongitude = metresPerDegreeLat * std::cos(airport.latitude * radiansPerDegree);
  std::set<std::pair<long, long>> cells;
  std::vector<MetresOffset> places;
  std::string line;
  while (std::getline(recording, line)) {
    const auto place = lf_place(line);
    if (!place || place->second > fieldFt + replayNearGroundFt) continue;  // 0 and below: on the ground
    if (gf_greatCircleDistanceNm(airport, place->first) > atAirportRadiusNm) continue;
    const MetresOffset at{(place->first.longitude - airport.longitude) * metresPerDegreeLongitude,
                          (place->first.latitude - airport.latitude) * metresPerDegreeLat};
    if (cells.emplace(std::lround(at.eastM / replayCellM), std::lround(at.northM / replayCellM)).second)
      places.push_back(at);
  }
  return places;
}

std::optional<MetresOffset> gf_clearRowCentre(const std::vector<MetresOffset>& traffic, MetresOffset preferred,
                                              std::size_t count, double spacingM) {
  if (count == 0 || lf_rowClear(traffic, preferred, count, spacingM)) return preferred;
  for (std::size_t ring = 1; ring <= replayRings; ++ring) {
    const double radius = replayRingStepM * static_cast<double>(ring);
    for (double bearing = 0.0; bearing < 360.0; bearing += replayBearingStepDeg) {
      const MetresOffset centre{radius * std::sin(bearing * radiansPerDegree), radius * std::cos(bearing * radiansPerDegree)};
      if (lf_rowClear(traffic, centre, count, spacingM)) return centre;
    }
  }
  return std::nullopt;
}

} // namespace gwr
