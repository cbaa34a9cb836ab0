// The emulated simulator's table of simulation variables and their values.
#include "platform/sim/sim_variables.h"

#include "platform/sys/case_insensitive.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace gwr::simemu {
namespace {

constexpr double seaLevelTemperatureRankine = 518.67;
constexpr double lapseRankinePerFoot = 0.00356616;
constexpr double nmPerRadian = 3437.7467707849;

constexpr std::array<std::pair<std::string_view, Variable>, 26> variableNames{{
    {"TITLE", Variable::Title},
    {"ATC MODEL", Variable::AtcModel},
    {"ATC ID", Variable::AtcId},
    {"SIM ON GROUND", Variable::SimOnGround},
    {"PLANE LATITUDE", Variable::Latitude},
    {"PLANE LONGITUDE", Variable::Longitude},
    {"PLANE PITCH DEGREES", Variable::Pitch},
    {"PLANE BANK DEGREES", Variable::Bank},
    {"PLANE HEADING DEGREES TRUE", Variable::Heading},
    {"PLANE ALTITUDE", Variable::Altitude},
    {"VERTICAL SPEED", Variable::VerticalSpeed},
    {"AIRSPEED TRUE", Variable::AirspeedTrue},
    {"INDICATED ALTITUDE", Variable::IndicatedAltitude},
    {"PLANE ALT ABOVE GROUND", Variable::AltAboveGround},
    {"GROUND ALTITUDE", Variable::GroundAltitude},
    {"GROUND VELOCITY", Variable::GroundVelocity},
    {"ZULU TIME", Variable::ZuluTime},
    {"ZULU DAY OF YEAR", Variable::ZuluDayOfYear},
    {"ZULU YEAR", Variable::ZuluYear},
    {"LIGHT STATES", Variable::LightStates},
    {"STANDARD ATM TEMPERATURE", Variable::StandardAtmTemperature},
    {"STATIC CG TO GROUND", Variable::StaticCgToGround},
    {"STATIC PITCH", Variable::StaticPitch},
    {"SPOILERS HANDLE POSITION", Variable::SpoilersHandle},
    {"GENERAL ENG THROTTLE LEVER POSITION:1", Variable::Throttle1},
    {"GENERAL ENG THROTTLE LEVER POSITION:2", Variable::Throttle2},
}};

} // namespace

std::optional<Variable> gf_findVariable(std::string_view name) {
  for (const auto& [text, variable] : variableNames) {
    if (platform::equalsNoCase(text, name)) return variable;
  }
  return std::nullopt;
}

bool gf_isTextVariable(Variable variable) {
  return variable == Variable::Title || variable == Variable::AtcModel || variable == Variable::AtcId;
}

double gf_numberOf(const SimObject& o, Variable variable, const WorldClock& clock) {
  switch (variable) {
    case Variable::SimOnGround: return o.onGround ? 1.0 : 0.0;
    case Variable::Latitude: return o.pose.latitude;
    case Variable::Longitude: return o.pose.longitude;
    case Variable::Pitch: return o.pose.pitch;
    case Variable::Bank: return o.pose.bank;
    case Variable::Heading: return o.pose.heading;
    case Variable::Altitude:
    case Variable::IndicatedAltitude: return o.pose.altitude;
    case Variable::VerticalSpeed: return o.pose.verticalSpeed;
    case Variable::AirspeedTrue: return o.pose.trueAirspeed;
    case Variable::AltAboveGround: return o.pose.altitude - clock.groundElevationFt;
    case Variable::GroundAltitude: return clock.groundElevationFt;
    case Variable::GroundVelocity: return o.groundVelocity;
    case Variable::ZuluTime: return clock.zuluSeconds;
    case Variable::ZuluDayOfYear: return static_cast<double>(clock.zuluDayOfYear);
    case Variable::ZuluYear: return static_cast<double>(clock.zuluYear);
    case Variable::LightStates: return o.lights;
    case Variable::StandardAtmTemperature:
      return seaLevelTemperatureRankine - lapseRankinePerFoot * o.pose.altitude;
    case Variable::StaticCgToGround: return o.cgToGroundFt;
    case Variable::StaticPitch: return o.staticPitchRad;
    case Variable::SpoilersHandle: return o.spoilers;
    case Variable::Throttle1: return o.throttle1;
    case Variable::Throttle2: return o.throttle2;
    case Variable::Title:
    case Variable::AtcModel:
    case Variable::AtcId: break;
  }
  return 0.0;
}

std::string gf_textOf(const SimObject& object, Variable variable) {
  switch (variable) {
    case Variable::Title: return object.title;
    case Variable::AtcModel: return object.model;
    case Variable::AtcId: return object.tail;
    default: return {};
  }
}

bool gf_assign(SimObject& o, Variable variable, double value) {
  switch (variable) {
    case Variable::Latitude: o.pose.latitude = value; return true;
    case Variable::Longitude: o.pose.longitude = value; return true;
    case Variable::Pitch: o.pose.pitch = value; return true;
    case Variable::Bank: o.pose.bank = value; return true;
    case Variable::Heading: o.pose.heading = value; return true;
    case Variable::Altitude: o.pose.altitude = value; return true;
    case Variable::VerticalSpeed: o.pose.verticalSpeed = value; return true;
    case Variable::AirspeedTrue: o.pose.trueAirspeed = value; return true;
    case Variable::SpoilersHandle: o.spoilers = value; return true;
    case Variable::Throttle1: o.throttle1 = value; return true;
    case Variable::Throttle2: o.throttle2 = value; return true;
    default: return false;
  }
}

double gf_distanceNm(double lat1, double lon1, double lat2, double lon2) {
  const double p1 = lat1 * radiansPerDegree, p2 = lat2 * radiansPerDegree;
  const double dp = p2 - p1, dl = (lon2 - lon1) * radiansPerDegree;
  const double a = std::sin(dp / 2) * std::sin(dp / 2) + std::cos(p1) * std::cos(p2) * std::sin(dl / 2) * std::sin(dl / 2);
  return 2.0 * nmPerRadian * std::asin(std::min(1.0, std::sqrt(a)));
}

} // namespace gwr::simemu
