// The main connection's declarations: system events, client events and their
// notification group, and the data definitions, each table in its call order.
#include <fmt/format.h>

#include <stdexcept>
#include <string_view>

#include "traffic/simclient/sim_client.h"
#include "traffic/simclient/sim_ids.h"

namespace gwr {
namespace {

using simconnect::DataType;

struct SystemEventName {
  std::uint32_t id;
  std::string_view name;
};
constexpr SystemEventName systemEvents[] = {
    {SimEvent, "Sim"}, {ObjectAddedEvent, "ObjectAdded"}, {ObjectRemovedEvent, "ObjectRemoved"},
    {FlightLoadedEvent, "FlightLoaded"}, {FrameEvent, "Frame"},
};

constexpr SystemEventName clientEvents[] = {
    {GearSet, "GEAR_SET"}, {EngineAutoStart, "ENGINE_AUTO_START"}, {EngineAutoShutdown, "ENGINE_AUTO_SHUTDOWN"},
    {ThrottleSet, "THROTTLE_SET"}, {FlapsSet, "FLAPS_SET"}, {SpoilersSet, "SPOILERS_SET"},
    {NavLightsSet, "NAV_LIGHTS_SET"}, {BeaconLightsSet, "BEACON_LIGHTS_SET"}, {LandingLightsSet, "LANDING_LIGHTS_SET"},
    {TaxiLightsSet, "TAXI_LIGHTS_SET"}, {StrobesSet, "STROBES_SET"}, {LogoLightsSet, "LOGO_LIGHTS_SET"},
    {CabinLightsSet, "CABIN_LIGHTS_SET"}, {AllLightsToggle, "ALL_LIGHTS_TOGGLE"},
    {FreezeLatitudeLongitudeSet, "FREEZE_LATITUDE_LONGITUDE_SET"}, {FreezeAltitudeSet, "FREEZE_ALTITUDE_SET"},
    {FreezeAttitudeSet, "FREEZE_ATTITUDE_SET"},
};

// Engine auto-start is mapped but not in the group.
constexpr std::uint32_t groupEvents[] = {
    NavLightsSet, BeaconLightsSet, LandingLightsSet, TaxiLightsSet, StrobesSet, LogoLightsSet, CabinLightsSet,
    AllLightsToggle, FlapsSet, SpoilersSet, GearSet, EngineAutoShutdown, ThrottleSet, FreezeLatitudeLongitudeSet,
    FreezeAltitudeSet, FreezeAttitudeSet,
};

struct FieldDeclaration {
  std::uint32_t definition;
  std::string_view name;
  std::string_view units;
  DataType type;
};
constexpr FieldDeclaration fields[] = {
    {UserTitleDefinition, "TITLE", "", DataType::StringV},
    {UserModelDefinition, "ATC MODEL", "", DataType::String32},
    {UserOnGroundDefinition, "SIM ON GROUND", "Bool", DataType::Int64},
    {AiPositionDefinition, "Plane Latitude", "degree", DataType::Float64},
    {AiPositionDefinition, "Plane Longitude", "degree", DataType::Float64},
    {AiPositionDefinition, "Plane Pitch degrees", "radians", DataType::Float64},
    {AiPositionDefinition, "Plane Bank degrees", "radians", DataType::Float64},
    {AiPositionDefinition, "Plane Heading degrees true", "radians", DataType::Float64},
    {AiPositionDefinition, "Plane Altitude", "feet", DataType::Float64},
    {AiPositionDefinition, "Vertical Speed", "feet per second", DataType::Float64},
    {AiPositionDefinition, "Airspeed True", "knots", DataType::Float64},
    {UserStateDefinition, "Plane Latitude", "degree", DataType::Float64},
    {UserStateDefinition, "Plane Longitude", "degree", DataType::Float64},
    {UserStateDefinition, "Plane Pitch degrees", "radians", DataType::Float64},
    {UserStateDefinition, "Plane Bank degrees", "radians", DataType::Float64},
    {UserStateDefinition, "Plane Heading degrees true", "radians", DataType::Float64},
    {UserStateDefinition, "Plane Altitude", "feet", DataType::Float64},
    {UserStateDefinition, "Indicated Altitude", "feet", DataType::Float64},
    {UserStateDefinition, "Plane Alt Above Ground", "feet", DataType::Float64},
    {UserStateDefinition, "Ground Velocity", "knots", DataType::Float64},
    {UserStateDefinition, "ZULU TIME", "Seconds", DataType::Int64},
    {UserStateDefinition, "ZULU DAY OF YEAR", "Number", DataType::Int64},
    {UserStateDefinition, "ZULU YEAR", "Number", DataType::Int64},
    {UserStateDefinition, "LIGHT STATES", "Mask", DataType::Int64},
    {UserStateDefinition, "STANDARD ATM TEMPERATURE", "Rankine", DataType::Float64},
    {StaticCgDefinition, "Static CG to Ground", "feet", DataType::Float64},
    {StaticCgDefinition, "Static Pitch", "radians", DataType::Float64},
    {AircraftInRadiusDefinition, "Plane Alt Above Ground", "feet", DataType::Float64},
    {AircraftInRadiusDefinition, "Ground Altitude", "feet", DataType::Float64},
    {AircraftInRadiusDefinition, "SIM ON GROUND", "Bool", DataType::Int64},
    {AircraftInRadiusDefinition, "ATC ID", "", DataType::String32},
    {AiLeversDefinition, "SPOILERS HANDLE POSITION", "percent", DataType::Float64},
    {AiLeversDefinition, "GENERAL ENG THROTTLE LEVER POSITION:1", "percent", DataType::Float64},
    {AiLeversDefinition, "GENERAL ENG THROTTLE LEVER POSITION:2", "percent", DataType::Float64},
};

void check(simconnect::Result result, std::string_view call, std::string_view what) {
  if (!simconnect::succeeded(result)) throw std::runtime_error(fmt::format("SimConnect {} {} failed", call, what));
}

} // namespace

void lf_addClientEventToGroup(simconnect::Handle handle, std::uint32_t eventId) {
  check(simconnect::AddClientEventToNotificationGroup(handle, aiNotificationGroup, eventId, true),
        "AddClientEventToNotificationGroup", fmt::format("{}", eventId));
}

void lf_setupSimConnect(simconnect::Handle handle) {
  for (const auto& e : systemEvents) {
    check(simconnect::SubscribeToSystemEvent(handle, e.id, e.name), "SubscribeToSystemEvent", e.name);
  }
  for (const auto& e : clientEvents) {
    check(simconnect::MapClientEventToSimEvent(handle, e.id, e.name), "MapClientEventToSimEvent", e.name);
  }
  for (auto id : groupEvents) lf_addClientEventToGroup(handle, id);
  check(simconnect::SetNotificationGroupPriority(handle, aiNotificationGroup, simconnect::groupPriorityHighest),
        "SetNotificationGroupPriority", "301");
  for (const auto& f : fields) {
    check(simconnect::AddToDataDefinition(handle, f.definition, f.name, f.units, f.type, 0.0f, simconnect::unusedId),
          "AddToDataDefinition", f.name);
  }
}

} // namespace gwr
