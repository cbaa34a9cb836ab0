// The user aircraft's requests and replies (state, teleport, simulator time,
// title, stand) and the aircraft-in-radius reply that identifies new objects.
#include "traffic/simclient/user_aircraft.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <utility>

#include "core/exit_reason.h"
#include "core/geo.h"
#include "core/log.h"
#include "core/main_window_state.h"
#include "core/text_utils.h"
#include "traffic/simclient/sim_client_constants.h"
#include "traffic/simclient/sim_client_hooks.h"
#include "traffic/simclient/sim_commands.h"
#include "traffic/simclient/sim_ids.h"

namespace gwr {

std::atomic<bool> newUserData{false};
std::atomic<std::int64_t> simulatorTime{0};
std::atomic<bool> userOnGround{false};
std::atomic<bool> userOnGroundKnown{false};

namespace {

constexpr std::size_t atcIdBytes = 32;
constexpr std::int64_t daysBefore1970 = 719163;  // 1970-01-01 counted from 0001-01-01 as day 1
constexpr std::int64_t secondsPerDay = 86400;
constexpr std::int64_t lastZuluYear = 9999;
constexpr std::int64_t daysInLongestYear = 366;

std::mutex userMutex;  // the user state and the kind; copies are taken under it
UserState userState;
UserAircraftKind userKind;

// SimClient thread only.
LatLon previousPosition;
std::string lastTitle;
std::string lastStand;
bool asGenLogged = false;

bool knownPosition(double latitude, double longitude) {
  return std::abs(latitude) > unknownPositionDeg || std::abs(longitude) > unknownPositionDeg;
}

template <typename T>
T read(const simconnect::RecvSimObjectData& message, std::size_t offset) {
  T value{};
  if (message.dataSize() >= offset + sizeof(T)) std::memcpy(&value, message.dataBytes() + offset, sizeof(T));
  return value;
}

std::string fixedString(const simconnect::RecvSimObjectData& message, std::size_t offset) {
  if (message.dataSize() < offset + atcIdBytes) return {};
  const auto* text = reinterpret_cast<const char*>(message.dataBytes() + offset);
  return std::string(text, strnlen(text, atcIdBytes));
}

void request(std::uint32_t requestId, std::uint32_t definition, simconnect::Period period, const char* failure) {
  bool failed = false;
  {
    std::lock_guard lock(simCommandMutex);
    failed = !simconnect::succeeded(simconnect::RequestDataOnSimObject(simHandle, requestId, definition,
                                                                        simconnect::userObjectIdRequest, period));
  }
  if (failed) {
    gf_logError(failure);
    lf_simConnectRequestError();
  }
}

void onUserState(const simconnect::RecvSimObjectData& message) {
  if (message.dataSize() < sizeof(UserState)) {
    gf_logError(fmt::format("user state reply of {} bytes skipped", message.dataSize()));
    return;
  }
  UserState state;
  std::memcpy(&state, message.dataBytes(), sizeof state);
  state.altitude = std::max(state.altitude, 0.0);
  {
    std::lock_guard lock(userMutex);
    userState = state;
  }
  const LatLon position{state.latitude, state.longitude};
  if (knownPosition(previousPosition.latitude, previousPosition.longitude) &&
      knownPosition(position.latitude, position.longitude) &&
      gf_greatCircleDistanceNm(previousPosition, position) > teleportDistanceNm) {
    gf_log("Teleport");
    gf_requestStop(ExitReason::NewFlight, 0);
  }
  previousPosition = position;

  const std::string stand = userOnGround.load() ? gf_standAtPosition(state.latitude, state.longitude) : std::string();
  if (stand != lastStand) {
    gf_showStatusText(StatusText::userStand, stand);
    lastStand = stand;
  }
  simulatorTime.store(gf_simulatorEpochSeconds(state.zuluYear, state.zuluDayOfYear, state.zuluTime));
  userObjectId.store(message.objectId);
}

void onUserOnGround(const simconnect::RecvSimObjectData& message) {
  const auto user = gf_userStateCopy();
  if (knownPosition(user.latitude, user.longitude)) {
    userOnGround.store(read<std::int64_t>(message, 0) != 0);
    userOnGroundKnown.store(true);
  }
  newUserData.store(true);
}

// The pending creation that the object is, or none; ambiguous: wait for the
// simulator's assignment instead of guessing by callsign.
enum class Match { Found, None, Ambiguous };
Match takePendingCreate(std::uint32_t objectId, const std::string& atcId, std::uint32_t& hexid) {
  auto& pending = lf_pendingCreates();
  auto found = std::find_if(pending.begin(), pending.end(), [&](const PendingCreate& p) { return p.objectId == objectId; });
  if (found == pending.end() && !atcId.empty()) {
    const auto byCallsign = [&](const PendingCreate& p) { return p.objectId == 0 && p.callsign == atcId; };
    const auto count = std::count_if(pending.begin(), pending.end(), byCallsign);
    if (count > 1) return Match::Ambiguous;
    found = std::find_if(pending.begin(), pending.end(), byCallsign);
  }
  if (found == pending.end()) return Match::None;
  hexid = found->hexid;
  *found = std::move(pending.back());
  pending.pop_back();
  return Match::Found;
}

void logForeignObject(std::uint32_t objectId, const std::string& atcId, double above, bool onGround, double ground) {
  if (atcId == "AS-GEN") {
    if (std::exchange(asGenLogged, true)) return;
    gf_logError(fmt::format("\nSpawned by Asobo, oid: {}, callsign AS-GEN, altaboveGnd:{:.0f} ft, onground:{}, "
                            "gnd_alt:{:.0f} ft\nThis message will be logged only once...\n",
                            objectId, above, onGround ? 1 : 0, ground));
    return;
  }
  gf_log(fmt::format("just spawned, but not by Gatewright, oid: {}, callsign '{}', altaboveGnd:{:.0f} ft, onground:{}, "
                     "gnd_alt:{:.0f} ft",
                     gf_objectIdText(objectId), atcId, above, onGround ? 1 : 0, ground));
}

} // namespace

std::int64_t gf_simulatorEpochSeconds(std::int64_t year, std::int64_t dayOfYear, std::int64_t secondsOfDay) {
  // A date no clock shows is no time; the sums below stay far from overflow.
  if (year < 1 || year > lastZuluYear || dayOfYear < 1 || dayOfYear > daysInLongestYear || secondsOfDay < 0 ||
      secondsOfDay > secondsPerDay)
    return 0;
  const std::int64_t y = year - 1;
  const std::int64_t days = dayOfYear + 365 * y + y / 4 - y / 100 + y / 400 - daysBefore1970;
  return days * secondsPerDay + secondsOfDay;
}

UserState gf_requestUserState() {
  if (!simDisconnecting.load()) {
    request(UserStateRequest, UserStateDefinition, simconnect::Period::Once, "SimConnect request user ac position fails");
  }
  return gf_userStateCopy();
}

UserState gf_userStateCopy() {
  std::lock_guard lock(userMutex);
  return userState;
}

void gf_requestUserTitleModel() {
  request(UserTitleRequest, UserTitleDefinition, simconnect::Period::Once, "SimConnect request user ac title fails");
  request(UserModelRequest, UserModelDefinition, simconnect::Period::Once, "SimConnect reques user ac model fails");
}

void gf_requestUserOnGround() {
  request(UserOnGroundRequest, UserOnGroundDefinition, simconnect::Period::Second, "SimConnect request ac gnd/air fails");
}

void gf_requestAircraftInRadius(std::uint32_t radiusMeters) {
  bool failed = false;
  {
    std::lock_guard lock(simCommandMutex);
    failed = !simconnect::succeeded(simconnect::RequestDataOnSimObjectType(
        simHandle, AircraftInRadiusRequest, AircraftInRadiusDefinition, radiusMeters, simconnect::ObjectType::Aircraft));
  }
  if (failed) {
    gf_logError("SimConnect request ac within range fails");
    lf_simConnectRequestError();
  }
}

bool gf_requestStaticCg(std::uint32_t objectId) {
  bool failed = false;
  {
    std::lock_guard lock(simCommandMutex);
    failed = !simconnect::succeeded(simconnect::RequestDataOnSimObject(simHandle, StaticCgRequest, StaticCgDefinition,
                                                                        objectId, simconnect::Period::Once));
  }
  if (failed) {
    gf_logError("SimConnect request StaticCG fails");
    lf_simConnectRequestError();
  }
  return !failed;
}

void onRecvSimObjectData(const simconnect::RecvSimObjectData& message) {
  switch (message.requestId) {
    case StaticCgRequest:
      gf_postFeedback({message.objectId, 0, 0, FeedbackKind::StaticCg, read<double>(message, 0), read<double>(message, 8)});
      break;
    case UserTitleRequest: lf_userAircraftTitle(message); break;
    case UserModelRequest: lf_userAircraftModel(fixedString(message, 0)); break;
    case UserOnGroundRequest: onUserOnGround(message); break;
    case UserStateRequest: onUserState(message); break;
    default: break;
  }
}

void onRecvAssignedObjectId(const simconnect::RecvAssignedObjectId& message) {
  for (auto& p : lf_pendingCreates()) {
    if (p.requestId == message.requestId) p.objectId = message.objectId;
  }
}

void onRecvSimObjectDataByType(const simconnect::RecvSimObjectData& message) {
  if (message.requestId != AircraftInRadiusRequest) return;
  const std::uint32_t objectId = message.objectId;
  if (objectId <= userObjectId.load()) return;
  const double above = read<double>(message, 0);
  const double ground = read<double>(message, 8);
  const bool onGround = read<std::int64_t>(message, 16) != 0;
  const std::string atcId = fixedString(message, 24);

  auto& added = lf_addedObjects();
  auto it = std::find(added.begin(), added.end(), objectId);
  if (it == added.end()) {
    if (above > newObjectMaxHeightFt || atcId.empty() || atcId.ends_with('*')) return;
    gf_postFeedback({objectId, onGround ? 1u : 0u, 0, FeedbackKind::GroundData, ground, above});
    return;
  }
  std::uint32_t hexid = 0;
  const Match match = takePendingCreate(objectId, atcId, hexid);
  if (match == Match::Ambiguous) return;  // stays in the added list until the simulator names it
  *it = added.back();
  added.pop_back();
  if (match == Match::None) {
    logForeignObject(objectId, atcId, above, onGround, ground);
    return;
  }
  if (lf_takeRemoveWhenCreated(hexid)) {
    gf_queueRemoval(objectId);
  } else {
    gf_releaseAndFreeze(objectId);
  }
  const bool isStatic = hexid <= staticHexidLimit;
  gf_postFeedback({objectId, hexid, 0, isStatic ? FeedbackKind::StaticCreated : FeedbackKind::LiveCreated, 0.0,
                   isStatic ? 0.0 : above});
}

void lf_userAircraftTitle(const simconnect::RecvSimObjectData& message) {
  std::string_view text;
  std::uint32_t taken = 0;
  if (message.dataSize() == 0 || !simconnect::succeeded(simconnect::RetrieveString(message, message.dataBytes(), text, taken))) {
    text = {};
  }
  if (text.empty()) {
    gf_log("! Title of your aircraft is empty?");
    return;
  }
  std::string title(gf_firstCharacters(text, userTitleMaxChars));
  if (title == lastTitle) return;
  gf_showStatusText(StatusText::simulatorSecond, title);
  lastTitle = title;
  gf_logIndented("SimConnect: User aircraft title: " + title);
}

void lf_saveUserStand() {
  const auto user = gf_userStateCopy();
  if (!userOnGroundKnown.load() || user.groundVelocity > saveStandMaxGroundSpeedKt) return;
  const std::string stand = userOnGround.load() ? gf_standAtPosition(user.latitude, user.longitude) : std::string();
  if (!stand.empty()) gf_reserveUserStand(stand);
}

UserAircraftKind gf_userAircraftKind() {
  std::lock_guard lock(userMutex);
  return userKind;
}

void lf_setUserAircraftKind(const UserAircraftKind& kind) {
  std::lock_guard lock(userMutex);
  userKind = kind;
}

std::string lf_lastUserTitle() { return lastTitle; }

void gf_resetUserAircraft() {
  {
    std::lock_guard lock(userMutex);
    userState = {};
    userKind = {};
  }
  previousPosition = {};
  lastTitle.clear();
  lastStand.clear();
  newUserData.store(false);
  userOnGround.store(false);
  userOnGroundKnown.store(false);
  simulatorTime.store(0);
  userObjectId.store(0);
}

} // namespace gwr
