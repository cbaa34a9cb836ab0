// The client API's functions, each handed to the in-process emulated simulator.
#include "platform/sim/sim_api.h"

#include <chrono>
#include <cstring>

#include "platform/sim/sim_emulator.h"

namespace gwr::simconnect {

std::chrono::nanoseconds timeInEmulatorOnThisThread();

namespace {
simemu::Emulator& emulator() { return simemu::Emulator::instance(); }

// The time this thread spends inside the emulator, apart from the program's
// own work (the dispatch runs the program's handlers and is not counted).
thread_local std::chrono::nanoseconds timeInEmulator{0};

template <class Call>
Result timed(Call call) {
  const auto start = std::chrono::steady_clock::now();
  const Result r = call();
  timeInEmulator += std::chrono::steady_clock::now() - start;
  return r;
}
} // namespace

Result Open(Handle& handle, std::string_view clientName, std::uint32_t) { return timed([&] { return emulator().open(handle, clientName); }); }
Result Close(Handle handle) { return timed([&] { return emulator().close(handle); }); }
Result CallDispatch(Handle handle, DispatchProc proc, void* context) {
  return emulator().dispatch(handle, proc, context);
}
Result GetLastSentPacketID(Handle handle, std::uint32_t& packetId) { return timed([&] { return emulator().lastPacketId(handle, packetId); }); }

Result SubscribeToSystemEvent(Handle handle, std::uint32_t eventId, std::string_view systemEvent) {
  return timed([&] { return emulator().subscribe(handle, eventId, systemEvent); });
}
Result MapClientEventToSimEvent(Handle handle, std::uint32_t eventId, std::string_view simEvent) {
  return timed([&] { return emulator().mapEvent(handle, eventId, simEvent); });
}
Result AddClientEventToNotificationGroup(Handle handle, std::uint32_t groupId, std::uint32_t eventId, bool) {
  return timed([&] { return emulator().addToGroup(handle, groupId, eventId); });
}
Result SetNotificationGroupPriority(Handle handle, std::uint32_t groupId, std::uint32_t priority) {
  return timed([&] { return emulator().groupPriority(handle, groupId, priority); });
}

Result AddToDataDefinition(Handle handle, std::uint32_t defineId, std::string_view variable, std::string_view units,
                           DataType type, float, std::uint32_t) {
  return timed([&] { return emulator().addToDefinition(handle, defineId, variable, units, type); });
}
Result RequestDataOnSimObject(Handle handle, std::uint32_t requestId, std::uint32_t defineId, std::uint32_t objectId,
                              Period period) {
  return timed([&] { return emulator().requestData(handle, requestId, defineId, objectId, period); });
}
Result RequestDataOnSimObjectType(Handle handle, std::uint32_t requestId, std::uint32_t defineId,
                                  std::uint32_t radiusMeters, ObjectType type) {
  return timed([&] { return emulator().requestDataByType(handle, requestId, defineId, radiusMeters, type); });
}
Result SetDataOnSimObject(Handle handle, std::uint32_t defineId, std::uint32_t objectId, std::uint32_t,
                          std::uint32_t arrayCount, std::uint32_t unitSize, const void* data) {
  return timed([&] { return emulator().setData(handle, defineId, objectId, arrayCount, unitSize, data); });
}
Result TransmitClientEvent(Handle handle, std::uint32_t objectId, std::uint32_t eventId, std::uint32_t data,
                           std::uint32_t, std::uint32_t) {
  return timed([&] { return emulator().transmitEvent(handle, objectId, eventId, data); });
}

Result AICreateNonATCAircraft(Handle handle, std::string_view containerTitle, std::string_view tailNumber,
                              const InitPosition& position, std::uint32_t requestId) {
  return timed([&] { return emulator().createAircraft(handle, containerTitle, tailNumber, position, requestId); });
}
Result AIRemoveObject(Handle handle, std::uint32_t objectId, std::uint32_t requestId) {
  return timed([&] { return emulator().removeObject(handle, objectId, requestId); });
}
Result AIReleaseControl(Handle handle, std::uint32_t objectId, std::uint32_t requestId) {
  return timed([&] { return emulator().releaseControl(handle, objectId, requestId); });
}
Result AISetAircraftFlightPlan(Handle handle, std::uint32_t objectId, std::string_view flightPlanPath,
                               std::uint32_t requestId) {
  return timed([&] { return emulator().setFlightPlan(handle, objectId, flightPlanPath, requestId); });
}

Result AddToFacilityDefinition(Handle handle, std::uint32_t defineId, std::string_view field) {
  return timed([&] { return emulator().addToFacilityDefinition(handle, defineId, field); });
}
Result RequestFacilityData(Handle handle, std::uint32_t defineId, std::uint32_t requestId, std::string_view icao,
                           std::string_view) {
  return timed([&] { return emulator().requestFacilityData(handle, defineId, requestId, icao); });
}

Result RetrieveString(const RecvSimObjectData& message, const std::byte* at, std::string_view& text,
                      std::uint32_t& bytesTaken) {
  const std::byte* end = message.dataBytes() + message.dataSize();
  if (at < message.dataBytes() || at >= end) return resultFail;
  const auto* first = reinterpret_cast<const char*>(at);
  const void* nul = std::memchr(first, 0, static_cast<std::size_t>(end - at));
  if (nul == nullptr) return resultFail;
  const auto length = static_cast<std::size_t>(static_cast<const char*>(nul) - first);
  text = std::string_view(first, length);
  const std::size_t padded = (length + 1 + 7) / 8 * 8;
  bytesTaken = static_cast<std::uint32_t>(std::min<std::size_t>(padded, static_cast<std::size_t>(end - at)));
  return resultOk;
}

std::chrono::nanoseconds timeInEmulatorOnThisThread() { return timeInEmulator; }

} // namespace gwr::simconnect

namespace gwr::simemu {
std::chrono::nanoseconds gf_emulatorTimeOnThisThread() { return simconnect::timeInEmulatorOnThisThread(); }
} // namespace gwr::simemu
