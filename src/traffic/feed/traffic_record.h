// One accepted traffic line: who the aircraft is, where it was, how it moved,
// and the tick at which the traffic thread is to fly it.
#pragma once

#include <cstdint>
#include <optional>

#include "refdata/aircraft_description.h"

namespace gwr {

struct TrafficRecord {
  AcIdentity identity;
  double latitude = 0.0;       // degrees
  double longitude = 0.0;      // degrees
  double altitude = 0.0;       // feet, corrected for QNH; 0 = on the ground
  double groundSpeed = 0.0;    // knots
  double track = 0.0;          // degrees
  double verticalSpeed = 0.0;  // ft/min as sent
  double trueAirspeed = 0.0;   // knots
  std::int32_t dueTick = 0;
  std::uint8_t airborne = 0;
  std::uint8_t onGround = 0;
  std::uint8_t trueHeadingGiven = 0;
  std::optional<double> roll;     // radians
  std::optional<double> heading;  // radians; a true heading of 0 is 2 pi
  double timestamp = 0.0;         // seconds since 1970
  std::uint32_t hexid = 0;
};

} // namespace gwr
