// The simulator client API the program talks to: connection, declarations,
// requests, AI calls and the received message records, answered in-process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace gwr::simconnect {

using Result = std::int32_t;
inline constexpr Result resultOk = 0;
inline constexpr Result resultFail = static_cast<Result>(0x80004005u);
inline bool succeeded(Result r) { return r >= 0; }

// Opaque connection; null while closed.
struct Connection;
using Handle = Connection*;

inline constexpr std::uint32_t userObjectIdRequest = 0;  // "the user aircraft" as an object id argument
inline constexpr std::uint32_t unusedId = 0xFFFFFFFFu;   // no datum, no group

enum class DataType : std::uint32_t { Float64, Int64, String32, StringV, Float32, Int32 };
enum class Period : std::uint32_t { Never, Once, Second };
enum class ObjectType : std::uint32_t { User, All, Aircraft, Helicopter, Boat, Ground };

// Received message ids.
enum class RecvId : std::uint32_t {
  Exception = 1, Open = 2, Quit = 3, Event = 4, EventObjectAddRemove = 5, EventFilename = 6,
  EventFrame = 7, SimObjectData = 8, SimObjectDataByType = 9, AssignedObjectId = 12,
  ClientData = 16, EventEx1 = 27, FacilityData = 28, FacilityDataEnd = 29,
};

// Exception numbers the simulator reports.
enum class ExceptionId : std::uint32_t {
  Error = 1, UnrecognizedId = 3, VersionMismatch = 5, NameUnrecognized = 7, TooManyObjects = 11,
  InvalidDataSize = 19, CreateObjectFailed = 22, LoadFlightplanFailed = 23,
  OperationInvalidForObjectType = 24,
};

enum class FacilityDataType : std::uint32_t { Airport = 0, Helipad = 4, TaxiParking = 15 };

struct RecvHeader {
  std::uint32_t size = 0;  // bytes of the whole record
  std::uint32_t version = 1;
  std::uint32_t id = 0;    // RecvId
};

struct RecvException : RecvHeader {
  std::uint32_t exception = 0;
  std::uint32_t sendId = 0;  // packet id of the call that failed
  std::uint32_t index = 0;
};

inline constexpr std::size_t applicationNameBytes = 256;
struct RecvOpen : RecvHeader {
  char applicationName[applicationNameBytes] = {};
  std::uint32_t applicationVersionMajor = 0;
  std::uint32_t applicationVersionMinor = 0;
  std::uint32_t applicationBuildMajor = 0;
  std::uint32_t applicationBuildMinor = 0;
};

struct RecvEvent : RecvHeader {
  std::uint32_t groupId = 0;
  std::uint32_t eventId = 0;
  std::uint32_t data = 0;  // the object id for object added/removed
};

struct RecvEventObjectAddRemove : RecvEvent {
  std::uint32_t objectType = 0;  // ObjectType
};

inline constexpr std::size_t fileNameBytes = 260;
struct RecvEventFilename : RecvEvent {
  char fileName[fileNameBytes] = {};
  std::uint32_t flags = 0;
};

struct RecvEventFrame : RecvEvent {
  float frameRate = 0.0f;
  float simSpeed = 1.0f;
};

struct RecvAssignedObjectId : RecvHeader {
  std::uint32_t requestId = 0;
  std::uint32_t objectId = 0;
};

// The data block follows the record directly; dataBytes() points at it.
struct RecvSimObjectData : RecvHeader {
  std::uint32_t requestId = 0;
  std::uint32_t objectId = 0;
  std::uint32_t defineId = 0;
  std::uint32_t flags = 0;
  std::uint32_t entryNumber = 0;  // 1-based in a by-type answer
  std::uint32_t outOf = 0;
  std::uint32_t defineCount = 0;
  std::uint32_t reserved = 0;     // keeps the data block 8-byte aligned
  const std::byte* dataBytes() const { return reinterpret_cast<const std::byte*>(this + 1); }
  std::size_t dataSize() const { return size - sizeof(RecvSimObjectData); }
};

struct RecvFacilityData : RecvHeader {
  std::uint32_t userRequestId = 0;
  std::uint32_t uniqueRequestId = 0;
  std::uint32_t parentUniqueRequestId = 0;
  std::uint32_t type = 0;  // FacilityDataType
  std::uint32_t isListItem = 0;
  std::uint32_t itemIndex = 0;
  std::uint32_t listSize = 0;
  std::uint32_t reserved = 0;
  const std::byte* dataBytes() const { return reinterpret_cast<const std::byte*>(this + 1); }
  std::size_t dataSize() const { return size - sizeof(RecvFacilityData); }
};

struct RecvFacilityDataEnd : RecvHeader {
  std::uint32_t requestId = 0;
  std::uint32_t totalObjectCount = 0;
};

// Where and how a new AI aircraft appears; angles in degrees.
struct InitPosition {
  double latitude = 0.0;
  double longitude = 0.0;
  double altitude = 0.0;  // feet
  double pitch = 0.0;
  double bank = 0.0;
  double heading = 0.0;
  std::uint32_t onGround = 0;
  std::uint32_t airspeed = 0;  // knots
};

using DispatchProc = void (*)(const RecvHeader* message, std::uint32_t size, void* context);

Result Open(Handle& handle, std::string_view clientName, std::uint32_t configIndex);
Result Close(Handle handle);
// Hands every message waiting now to proc; fails once the connection is lost.
Result CallDispatch(Handle handle, DispatchProc proc, void* context);
Result GetLastSentPacketID(Handle handle, std::uint32_t& packetId);

Result SubscribeToSystemEvent(Handle handle, std::uint32_t eventId, std::string_view systemEvent);
Result MapClientEventToSimEvent(Handle handle, std::uint32_t eventId, std::string_view simEvent);
Result AddClientEventToNotificationGroup(Handle handle, std::uint32_t groupId, std::uint32_t eventId,
                                         bool maskable);
Result SetNotificationGroupPriority(Handle handle, std::uint32_t groupId, std::uint32_t priority);
inline constexpr std::uint32_t groupPriorityHighest = 1;

Result AddToDataDefinition(Handle handle, std::uint32_t defineId, std::string_view variable,
                           std::string_view units, DataType type, float epsilon, std::uint32_t datumId);
Result RequestDataOnSimObject(Handle handle, std::uint32_t requestId, std::uint32_t defineId,
                              std::uint32_t objectId, Period period);
Result RequestDataOnSimObjectType(Handle handle, std::uint32_t requestId, std::uint32_t defineId,
                                  std::uint32_t radiusMeters, ObjectType type);
Result SetDataOnSimObject(Handle handle, std::uint32_t defineId, std::uint32_t objectId, std::uint32_t flags,
                          std::uint32_t arrayCount, std::uint32_t unitSize, const void* data);
Result TransmitClientEvent(Handle handle, std::uint32_t objectId, std::uint32_t eventId, std::uint32_t data,
                           std::uint32_t groupId, std::uint32_t flags);

Result AICreateNonATCAircraft(Handle handle, std::string_view containerTitle, std::string_view tailNumber,
                              const InitPosition& position, std::uint32_t requestId);
Result AIRemoveObject(Handle handle, std::uint32_t objectId, std::uint32_t requestId);
Result AIReleaseControl(Handle handle, std::uint32_t objectId, std::uint32_t requestId);
Result AISetAircraftFlightPlan(Handle handle, std::uint32_t objectId, std::string_view flightPlanPath,
                               std::uint32_t requestId);

Result AddToFacilityDefinition(Handle handle, std::uint32_t defineId, std::string_view field);
Result RequestFacilityData(Handle handle, std::uint32_t defineId, std::uint32_t requestId, std::string_view icao,
                           std::string_view region);

// The variable-length string at `at` inside a data reply: its text and the
// bytes it takes (text, terminator and padding). Fails when it overruns.
Result RetrieveString(const RecvSimObjectData& message, const std::byte* at, std::string_view& text,
                      std::uint32_t& bytesTaken);

} // namespace gwr::simconnect
