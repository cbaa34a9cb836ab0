// Traffic scenarios: aircraft with timed waypoints, read from the feeder's
// small text format (see README.md in this folder).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/geo.h"

namespace gwr::feeder {

// One timed point of a flight; speeds and altitude are what is reported there.
struct Waypoint {
  double time = 0.0;  // seconds from the start of the scenario
  LatLon position;
  double altitudeFeet = 0.0;
  double groundSpeedKnots = 0.0;
  double verticalSpeedFpm = 0.0;
  bool onGround = false;
  std::optional<double> headingDegrees;  // true heading when it differs from the track (push-back)
  std::optional<double> trackDegrees;    // the track sent from here on the leg, when the feed's is not the leg's
  // Where the report is sent from, off the waypoint (position noise): the
  // track and speeds still come from the waypoints, as a real feed's come
  // from the aircraft's navigation, not from its broadcast positions.
  LocalOffset reportOffset;
};

// Identity texts are sent as written; an empty one is sent as "null".
struct ScenarioAircraft {
  std::uint32_t id = 0;
  std::string callsign;
  std::string type;
  std::string registration;
  std::string origin;
  std::string destination;
  std::string category;
  double reportIntervalSeconds = 0.0;
  std::vector<Waypoint> waypoints;  // at least two, times strictly increasing
};

struct Scenario {
  std::vector<ScenarioAircraft> aircraft;
};

// A scenario file that cannot be played; the text names the file and line.
class ScenarioError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Parses scenario text; sourceName prefixes every error ("name:line: what").
Scenario gf_parseScenario(std::string_view text, std::string_view sourceName);

Scenario gf_readScenarioFile(const std::filesystem::path& file);

// Adds the aircraft of more to into; an id already there is an error.
void gf_mergeScenario(Scenario& into, Scenario&& more, std::string_view sourceName);

} // namespace gwr::feeder
