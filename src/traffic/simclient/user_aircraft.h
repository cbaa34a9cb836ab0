// The user aircraft as the simulator reports it, the requests for it, and the
// handlers of object replies that identify newly created AI objects.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/sim/sim_api.h"

namespace gwr {

// The reply to the user-state request, fields in the definition's order (112 bytes).
struct UserState {
  double latitude = 0.0;
  double longitude = 0.0;
  double pitch = 0.0;
  double bank = 0.0;
  double heading = 0.0;
  double altitude = 0.0;            // feet, never negative
  double indicatedAltitude = 0.0;
  double heightAboveGround = 0.0;
  double groundVelocity = 0.0;      // knots
  std::int64_t zuluTime = 0;        // seconds of the day
  std::int64_t zuluDayOfYear = 0;   // 1-based
  std::int64_t zuluYear = 0;
  std::int64_t lightStates = 0;
  double standardAtmTemperature = 0.0;  // Rankine
};
static_assert(sizeof(UserState) == 112);

extern std::atomic<bool> newUserData;
extern std::atomic<std::int64_t> simulatorTime;  // seconds since 1970 UTC
extern std::atomic<bool> userOnGround;
extern std::atomic<bool> userOnGroundKnown;

// Asks for a new user state and returns the previous one; nothing is asked
// while the run is ending. A failed request ends the run.
UserState gf_requestUserState();
UserState gf_userStateCopy();
void gf_requestUserTitleModel();
void gf_requestUserOnGround();                     // every second from now on
void gf_requestAircraftInRadius(std::uint32_t radiusMeters);
bool gf_requestStaticCg(std::uint32_t objectId);   // false after a failed request

// Days since 1970-01-01 of a zulu date, times a day, plus the time of day;
// 0 for a date outside years 1..9999, days 1..366 or seconds 0..86400.
std::int64_t gf_simulatorEpochSeconds(std::int64_t year, std::int64_t dayOfYear, std::int64_t secondsOfDay);

void onRecvSimObjectData(const simconnect::RecvSimObjectData& message);
void onRecvSimObjectDataByType(const simconnect::RecvSimObjectData& message);
void onRecvAssignedObjectId(const simconnect::RecvAssignedObjectId& message);
void lf_userAircraftTitle(const simconnect::RecvSimObjectData& message);
void lf_userAircraftModel(const std::string& model);
void lf_saveUserStand();
std::string lf_lastUserTitle();  // SimClient thread

// The user aircraft's wingspan and category as the model gave them.
struct UserAircraftKind {
  std::string model;
  double halfWingspanNm = 0.0;
  bool halfWingspanSet = false;
  std::uint32_t category = 0;
};
UserAircraftKind gf_userAircraftKind();
void lf_setUserAircraftKind(const UserAircraftKind& kind);

// Forgets the user aircraft: before a new connection, and in tests.
void gf_resetUserAircraft();

} // namespace gwr
