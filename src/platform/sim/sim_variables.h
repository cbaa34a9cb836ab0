// The simulation variables the emulated simulator knows: reading them from an
// object for a data reply and writing them from SetDataOnSimObject.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/sim/sim_emulator.h"

namespace gwr::simemu {

enum class Variable {
  Title, AtcModel, AtcId, SimOnGround, Latitude, Longitude, Pitch, Bank, Heading, Altitude, VerticalSpeed,
  AirspeedTrue, IndicatedAltitude, AltAboveGround, GroundAltitude, GroundVelocity, ZuluTime, ZuluDayOfYear,
  ZuluYear, LightStates, StandardAtmTemperature, StaticCgToGround, StaticPitch, SpoilersHandle, Throttle1,
  Throttle2,
};

// The variable of a name, compared without regard to case; none when unknown.
std::optional<Variable> gf_findVariable(std::string_view name);
bool gf_isTextVariable(Variable variable);

// What the reply needs besides the object itself.
struct WorldClock {
  double groundElevationFt = 0.0;
  double zuluSeconds = 0.0;
  std::int64_t zuluDayOfYear = 1;
  std::int64_t zuluYear = 2024;
};

double gf_numberOf(const SimObject& object, Variable variable, const WorldClock& clock);
std::string gf_textOf(const SimObject& object, Variable variable);
// False for a variable that cannot be set.
bool gf_assign(SimObject& object, Variable variable, double value);

// Great-circle distance in nautical miles between two positions in degrees.
inline constexpr double radiansPerDegree = 0.017453292519943295;
double gf_distanceNm(double lat1, double lon1, double lat2, double lon2);

} // namespace gwr::simemu
