// The identifiers of the main simulator connection: system and client events,
// the notification group, data definitions and requests.
#pragma once

#include <cstdint>

namespace gwr {

enum SystemEventId : std::uint32_t {
  SimEvent = 201,
  ObjectAddedEvent = 202,
  ObjectRemovedEvent = 203,
  FrameEvent = 204,
  FlightLoadedEvent = 205,
};

enum EventId : std::uint32_t {
  BeaconLightsSet = 206,
  NavLightsSet = 207,
  TaxiLightsSet = 208,
  StrobesSet = 209,
  LandingLightsSet = 210,
  CabinLightsSet = 211,
  LogoLightsSet = 212,
  AllLightsToggle = 213,
  FreezeLatitudeLongitudeSet = 214,
  FreezeAltitudeSet = 215,
  FreezeAttitudeSet = 216,
  FlapsSet = 217,
  SpoilersSet = 218,
  GearSet = 219,
  EngineAutoStart = 220,
  EngineAutoShutdown = 221,
  ThrottleSet = 222,
};

inline constexpr std::uint32_t aiNotificationGroup = 301;

enum DefinitionId : std::uint32_t {
  AiLeversDefinition = 401,
  AiPositionDefinition = 402,
  UserStateDefinition = 403,
  AircraftInRadiusDefinition = 404,
  StaticCgDefinition = 405,
  UserTitleDefinition = 407,
  UserModelDefinition = 408,
  UserOnGroundDefinition = 409,
};

enum RequestId : std::uint32_t {
  AircraftInRadiusRequest = 101,
  StaticCgRequest = 102,
  ReleaseControlRequest = 103,
  CreateAircraftRequest = 104,
  RemoveObjectRequest = 105,
  UserTitleRequest = 106,
  UserModelRequest = 107,
  UserOnGroundRequest = 108,
  UserStateRequest = 109,
  FlightPlanRequest = 110,
};

// Each creation gets a request id of its own above this base, so that the
// simulator's assigned-object-id answer names exactly one creation.
inline constexpr std::uint32_t creationRequestBase = 1'000'000;

} // namespace gwr
