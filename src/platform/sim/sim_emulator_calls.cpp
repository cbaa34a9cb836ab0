// The emulated simulator's answers to declarations, data requests, client
// events and AI calls: every reply built from the declared fields in order.
#include <algorithm>
#include <cstring>
#include <filesystem>

#include "platform/sim/sim_emulator.h"
#include "platform/sim/sim_variables.h"

namespace gwr::simemu {

using namespace simconnect;

namespace {

constexpr std::size_t string32Bytes = 32;
constexpr double metresPerNm = 1852.0;
constexpr std::uint32_t allLightBits = 0x3FF;

std::size_t fixedSize(DataType type) {
  switch (type) {
    case DataType::Float64:
    case DataType::Int64: return 8;
    case DataType::Float32:
    case DataType::Int32: return 4;
    case DataType::String32: return string32Bytes;
    case DataType::StringV: return 0;
  }
  return 0;
}

template <typename T>
void append(std::vector<std::byte>& out, const T& value) {
  const auto* p = reinterpret_cast<const std::byte*>(&value);
  out.insert(out.end(), p, p + sizeof(T));
}

// The data block of one reply: every declared field, in declared order.
std::vector<std::byte> buildBlock(const std::vector<Emulator::Field>& fields, const SimObject& object,
                                  const WorldClock& clock) {
  std::vector<std::byte> out;
  for (const auto& field : fields) {
    const auto variable = static_cast<Variable>(field.code);
    switch (field.type) {
      case DataType::Float64: append(out, gf_numberOf(object, variable, clock)); break;
      case DataType::Int64: append(out, static_cast<std::int64_t>(gf_numberOf(object, variable, clock))); break;
      case DataType::Float32: append(out, static_cast<float>(gf_numberOf(object, variable, clock))); break;
      case DataType::Int32: append(out, static_cast<std::int32_t>(gf_numberOf(object, variable, clock))); break;
      case DataType::String32: {
        char text[string32Bytes] = {};
        std::strncpy(text, gf_textOf(object, variable).c_str(), string32Bytes - 1);
        append(out, text);
        break;
      }
      case DataType::StringV: {
        const std::string text = gf_textOf(object, variable);
        const auto* p = reinterpret_cast<const std::byte*>(text.c_str());
        out.insert(out.end(), p, p + text.size() + 1);
        out.resize((out.size() + 7) / 8 * 8);
        break;
      }
    }
  }
  return out;
}

std::size_t definitionSize(const std::vector<Emulator::Field>& fields) {
  std::size_t size = 0;
  for (const auto& f : fields) size += fixedSize(f.type);
  return size;
}

// The effect of a client event on the object it is sent to.
void applyEvent(SimObject& o, const std::string& name, std::uint32_t data) {
  static const std::pair<const char*, std::uint32_t> lightEvents[] = {
      {"NAV_LIGHTS_SET", lightNav},         {"BEACON_LIGHTS_SET", lightBeacon}, {"LANDING_LIGHTS_SET", lightLanding},
      {"TAXI_LIGHTS_SET", lightTaxi},       {"STROBES_SET", lightStrobe},       {"LOGO_LIGHTS_SET", lightLogo},
      {"CABIN_LIGHTS_SET", lightCabin},
  };
  o.events.push_back({name, data});
  for (const auto& [event, bit] : lightEvents) {
    if (name == event) o.lights = data != 0 ? (o.lights | bit) : (o.lights & ~bit);
  }
  if (name == "ALL_LIGHTS_TOGGLE") o.lights = ~o.lights & allLightBits;
  if (name == "FREEZE_LATITUDE_LONGITUDE_SET") o.freezeLatLon = data != 0;
  if (name == "FREEZE_ALTITUDE_SET") o.freezeAltitude = data != 0;
  if (name == "FREEZE_ATTITUDE_SET") o.freezeAttitude = data != 0;
  if (name == "FLAPS_SET") o.flaps = data;
  if (name == "SPOILERS_SET") o.spoilersEvent = data;
  if (name == "GEAR_SET") o.gear = data;
  if (name == "THROTTLE_SET") o.throttle = data;
  if (name == "ENGINE_AUTO_START") o.enginesRunning = true;
  if (name == "ENGINE_AUTO_SHUTDOWN") o.enginesRunning = false;
}

} // namespace

void Emulator::queueObjectData(Connection& connection, RecvId id, std::uint32_t requestId, std::uint32_t defineId,
                               const SimObject& object, std::uint32_t entry, std::uint32_t outOf) {
  auto fields = connection.definitions.find(defineId);
  if (fields == connection.definitions.end()) return;
  const WorldClock clock{groundAt(object.pose.latitude, object.pose.longitude), zuluSeconds_, zuluDay_, zuluYear_};
  const auto block = buildBlock(fields->second, object, clock);
  RecvSimObjectData header;
  header.id = static_cast<std::uint32_t>(id);
  header.size = static_cast<std::uint32_t>(sizeof header + block.size());
  header.requestId = requestId;
  header.objectId = object.id;
  header.defineId = defineId;
  header.entryNumber = entry;
  header.outOf = outOf;
  header.defineCount = static_cast<std::uint32_t>(fields->second.size());
  std::vector<std::byte> record(header.size);
  std::memcpy(record.data(), &header, sizeof header);
  if (!block.empty()) std::memcpy(record.data() + sizeof header, block.data(), block.size());
  queue(connection, record.data(), record.size());
}

Result Emulator::subscribe(Handle handle, std::uint32_t eventId, std::string_view name) {
  Lock lock(mutex_);
  auto r = begin(handle, "SubscribeToSystemEvent", callOf(0, eventId, 0, std::string(name)));
  if (!succeeded(r)) return r;
  handle->systemEvents[eventId] = std::string(name);
  // A client that connects to a running flight learns so at once, not only
  // at the next start of the flight.
  if (name == "Sim" && options_.flightRunning) {
    RecvEvent message;
    message.size = sizeof message;
    message.id = static_cast<std::uint32_t>(RecvId::Event);
    message.eventId = eventId;
    message.data = 1;
    queue(*handle, &message, sizeof message);
  }
  return r;
}

Result Emulator::mapEvent(Handle handle, std::uint32_t eventId, std::string_view name) {
  Lock lock(mutex_);
  auto r = begin(handle, "MapClientEventToSimEvent", callOf(0, eventId, 0, std::string(name)));
  if (succeeded(r)) handle->clientEvents[eventId] = std::string(name);
  return r;
}

Result Emulator::addToGroup(Handle handle, std::uint32_t groupId, std::uint32_t eventId) {
  Lock lock(mutex_);
  auto r = begin(handle, "AddClientEventToNotificationGroup", callOf(0, eventId, groupId, {}));
  if (succeeded(r)) handle->groups[groupId].push_back(eventId);
  return r;
}

Result Emulator::groupPriority(Handle handle, std::uint32_t groupId, std::uint32_t priority) {
  Lock lock(mutex_);
  auto r = begin(handle, "SetNotificationGroupPriority", callOf(0, groupId, priority, {}));
  if (succeeded(r)) handle->groupPriorities[groupId] = priority;
  return r;
}

Result Emulator::addToDefinition(Handle handle, std::uint32_t defineId, std::string_view variable,
                                 std::string_view units, DataType type) {
  Lock lock(mutex_);
  auto r = begin(handle, "AddToDataDefinition", callOf(0, defineId, static_cast<std::uint32_t>(type), std::string(variable)));
  if (!succeeded(r)) return r;
  const auto known = gf_findVariable(variable);
  if (!known) {
    queueException(*handle, ExceptionId::NameUnrecognized, handle->packetCount);
    return r;
  }
  handle->definitions[defineId].push_back({std::string(variable), std::string(units), type, static_cast<int>(*known)});
  return r;
}

Result Emulator::requestData(Handle handle, std::uint32_t requestId, std::uint32_t defineId, std::uint32_t objectId,
                             Period period) {
  Lock lock(mutex_);
  auto r = begin(handle, "RequestDataOnSimObject", callOf(objectId, requestId, defineId, {}));
  if (!succeeded(r)) return r;
  auto& periodic = handle->everySecond;
  std::erase_if(periodic, [requestId](const PeriodicRequest& p) { return p.requestId == requestId; });
  const SimObject* o = findObject(objectId);
  if (o == nullptr || !handle->definitions.contains(defineId)) {
    queueException(*handle, ExceptionId::UnrecognizedId, handle->packetCount);
    return r;
  }
  if (period == Period::Never) return r;
  queueObjectData(*handle, RecvId::SimObjectData, requestId, defineId, *o, 0, 0);
  if (period == Period::Second) periodic.push_back({requestId, defineId, objectId});
  return r;
}

Result Emulator::requestDataByType(Handle handle, std::uint32_t requestId, std::uint32_t defineId,
                                   std::uint32_t radiusMeters, ObjectType type) {
  Lock lock(mutex_);
  auto r = begin(handle, "RequestDataOnSimObjectType", callOf(0, requestId, radiusMeters, {}));
  if (!succeeded(r)) return r;
  if (!handle->definitions.contains(defineId)) {
    queueException(*handle, ExceptionId::UnrecognizedId, handle->packetCount);
    return r;
  }
  std::vector<const SimObject*> inRange{&user_};
  if (type == ObjectType::Aircraft || type == ObjectType::All) {
    const double radiusNm = radiusMeters / metresPerNm;
    for (const auto& [id, o] : objects_) {
      if (gf_distanceNm(user_.pose.latitude, user_.pose.longitude, o.pose.latitude, o.pose.longitude) <= radiusNm) {
        inRange.push_back(&o);
      }
    }
  }
  const auto outOf = static_cast<std::uint32_t>(inRange.size());
  for (std::uint32_t i = 0; i < outOf; ++i) {
    queueObjectData(*handle, RecvId::SimObjectDataByType, requestId, defineId, *inRange[i], i + 1, outOf);
  }
  return r;
}

Result Emulator::setData(Handle handle, std::uint32_t defineId, std::uint32_t objectId, std::uint32_t arrayCount,
                         std::uint32_t unitSize, const void* data) {
  Lock lock(mutex_);
  auto r = begin(handle, "SetDataOnSimObject", callOf(objectId, defineId, 0, {}));
  if (!succeeded(r)) return r;
  auto fields = handle->definitions.find(defineId);
  SimObject* o = findObject(objectId);
  if (fields == handle->definitions.end() || o == nullptr) {
    queueException(*handle, ExceptionId::UnrecognizedId, handle->packetCount);
    return r;
  }
  const std::size_t expected = definitionSize(fields->second);
  if (data == nullptr || unitSize != expected || arrayCount > 1) {
    queueException(*handle, ExceptionId::InvalidDataSize, handle->packetCount);
    return r;
  }
  const auto* bytes = static_cast<const std::byte*>(data);
  for (const auto& field : fields->second) {
    const auto variable = static_cast<Variable>(field.code);
    double value = 0.0;
    if (field.type == DataType::Float64) std::memcpy(&value, bytes, sizeof value);
    if (field.type == DataType::Int64) {
      std::int64_t whole = 0;
      std::memcpy(&whole, bytes, sizeof whole);
      value = static_cast<double>(whole);
    }
    gf_assign(*o, variable, value);
    bytes += fixedSize(field.type);
  }
  if (o->id != user_.id) {
    if (options_.keepHistory) o->poseHistory.push_back(o->pose);
    updateGround(*o);
    accountFor(*o);
  }
  return r;
}

Result Emulator::transmitEvent(Handle handle, std::uint32_t objectId, std::uint32_t eventId, std::uint32_t data) {
  Lock lock(mutex_);
  auto r = begin(handle, "TransmitClientEvent", callOf(objectId, eventId, data, {}));
  if (!succeeded(r)) return r;
  auto mapped = handle->clientEvents.find(eventId);
  SimObject* o = findObject(objectId);
  if (mapped == handle->clientEvents.end() || o == nullptr) {
    queueException(*handle, ExceptionId::UnrecognizedId, handle->packetCount);
    return r;
  }
  if (options_.keepHistory) calls_.back().text = mapped->second;
  applyEvent(*o, mapped->second, data);
  return r;
}

Result Emulator::createAircraft(Handle handle, std::string_view title, std::string_view tail,
                                const InitPosition& position, std::uint32_t requestId) {
  Lock lock(mutex_);
  auto r = begin(handle, "AICreateNonATCAircraft", callOf(0, requestId, 0, std::string(title)));
  if (succeeded(r)) {
    creations_.push_back({handle, frame_ + options_.creationDelayFrames, std::string(title), std::string(tail),
                          position, requestId, handle->packetCount});
  }
  return r;
}

Result Emulator::removeObject(Handle handle, std::uint32_t objectId, std::uint32_t requestId) {
  Lock lock(mutex_);
  auto r = begin(handle, "AIRemoveObject", callOf(objectId, requestId, 0, {}));
  if (!succeeded(r)) return r;
  auto it = objects_.find(objectId);
  if (it == objects_.end()) {
    queueException(*handle, ExceptionId::UnrecognizedId, handle->packetCount);
    return r;
  }
  accountFor(it->second, "removed");
  objects_.erase(it);
  queueSystemEvent("ObjectRemoved", 0, objectId);
  return r;
}

Result Emulator::releaseControl(Handle handle, std::uint32_t objectId, std::uint32_t requestId) {
  Lock lock(mutex_);
  auto r = begin(handle, "AIReleaseControl", callOf(objectId, requestId, 0, {}));
  if (!succeeded(r)) return r;
  auto it = objects_.find(objectId);
  if (it == objects_.end()) {
    queueException(*handle, ExceptionId::UnrecognizedId, handle->packetCount);
    return r;
  }
  it->second.released = true;
  return r;
}

Result Emulator::setFlightPlan(Handle handle, std::uint32_t objectId, std::string_view path, std::uint32_t requestId) {
  Lock lock(mutex_);
  auto r = begin(handle, "AISetAircraftFlightPlan", callOf(objectId, requestId, 0, std::string(path)));
  if (!succeeded(r)) return r;
  auto it = objects_.find(objectId);
  std::error_code ec;
  if (it == objects_.end()) {
    queueException(*handle, ExceptionId::UnrecognizedId, handle->packetCount);
  } else if (!std::filesystem::is_regular_file(std::filesystem::path(path).concat(".pln"), ec) &&
             !std::filesystem::is_regular_file(std::filesystem::path(path), ec)) {
    queueException(*handle, ExceptionId::LoadFlightplanFailed, handle->packetCount);
  } else {
    it->second.flightPlan = std::string(path);
  }
  return r;
}

} // namespace gwr::simemu
