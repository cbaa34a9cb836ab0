// Where a scenario aircraft is at a given scenario time: great-circle
// interpolation between its waypoints.
#pragma once

#include <optional>

#include "core/geo.h"
#include "feeder/scenario.h"

namespace gwr::feeder {

struct AircraftState {
  LatLon position;  // as sent: the path's, off it by the waypoints' report offsets
  double altitudeFeet = 0.0;
  double groundSpeedKnots = 0.0;
  double verticalSpeedFpm = 0.0;
  bool onGround = false;
  std::optional<double> trackDegrees;        // none while standing without a heading
  std::optional<double> trueHeadingDegrees;  // the waypoints' heading, else the track
};

// None before the first and after the last waypoint (the aircraft is silent).
// Between two waypoints position, altitude and speeds move linearly; the
// ground flag is the earlier waypoint's until the later one is reached. The
// track is the path's course, whatever the report offsets do to the position.
std::optional<AircraftState> gf_stateAt(const ScenarioAircraft& aircraft, double time);

} // namespace gwr::feeder
