// The emulated simulator's facility data: an airport's reference values, its
// taxi parkings and helipads, then the end record (unless told to leave it out);
// and a slow simulator's pace of handing its answers over.
#include <algorithm>
#include <cstring>

#include "platform/sim/sim_emulator.h"
#include "platform/sys/case_insensitive.h"

namespace gwr::simemu {

using namespace simconnect;

namespace {

constexpr double metresPerFoot = 0.3048;
constexpr std::size_t facilityNameBytes = 32;
constexpr std::int32_t taxiPointParking = 3;

template <typename T>
void put(std::vector<std::byte>& out, const T& value) {
  const auto* p = reinterpret_cast<const std::byte*>(&value);
  out.insert(out.end(), p, p + sizeof(T));
}

} // namespace

void Emulator::setDispatchPace(int emptyPasses) {
  Lock lock(mutex_);
  dispatchPace_ = emptyPasses > 0 ? emptyPasses : 0;
}

Result Emulator::addToFacilityDefinition(Handle handle, std::uint32_t defineId, std::string_view field) {
  Lock lock(mutex_);
  auto r = begin(handle, "AddToFacilityDefinition", callOf(0, defineId, 0, std::string(field)));
  if (succeeded(r)) handle->facilityDefinitions[defineId].emplace_back(field);
  return r;
}

Result Emulator::requestFacilityData(Handle handle, std::uint32_t defineId, std::uint32_t requestId,
                                     std::string_view icao) {
  Lock lock(mutex_);
  auto r = begin(handle, "RequestFacilityData", callOf(0, requestId, defineId, std::string(icao)));
  if (!succeeded(r)) return r;
  auto airport = std::find_if(world_.airports.begin(), world_.airports.end(),
                              [&](const WorldAirport& a) { return platform::equalsNoCase(a.icao, icao); });
  if (!handle->facilityDefinitions.contains(defineId) || airport == world_.airports.end()) {
    queueException(*handle, ExceptionId::Error, handle->packetCount);
    return r;
  }
  queueFacilities(*handle, requestId, *airport);
  return r;
}

void Emulator::queueFacilities(Connection& connection, std::uint32_t requestId, const WorldAirport& airport) {
  std::uint32_t unique = 0;
  auto send = [&](FacilityDataType type, const std::vector<std::byte>& block, std::uint32_t index, std::uint32_t count) {
    RecvFacilityData header;
    header.id = static_cast<std::uint32_t>(RecvId::FacilityData);
    header.size = static_cast<std::uint32_t>(sizeof header + block.size());
    header.userRequestId = requestId;
    header.uniqueRequestId = ++unique;
    header.type = static_cast<std::uint32_t>(type);
    header.isListItem = type == FacilityDataType::Airport ? 0 : 1;
    header.itemIndex = index;
    header.listSize = count;
    std::vector<std::byte> record(header.size);
    std::memcpy(record.data(), &header, sizeof header);
    std::memcpy(record.data() + sizeof header, block.data(), block.size());
    queue(connection, record.data(), record.size());
  };

  std::vector<std::byte> block;
  put(block, airport.latitude);
  put(block, airport.longitude);
  put(block, airport.elevationFt * metresPerFoot);
  char name[facilityNameBytes] = {};
  std::strncpy(name, airport.name.c_str(), facilityNameBytes - 1);
  put(block, name);
  put(block, static_cast<std::int32_t>(airport.helipads.size()));
  put(block, static_cast<std::int32_t>(airport.parkings.size()));
  send(FacilityDataType::Airport, block, 0, 1);

  const auto parkings = static_cast<std::uint32_t>(airport.parkings.size());
  for (std::uint32_t i = 0; i < parkings; ++i) {
    const auto& p = airport.parkings[i];
    block.clear();
    for (std::int32_t v : {p.type, taxiPointParking, std::int32_t{0}, std::int32_t{0}, p.number, std::int32_t{0}}) put(block, v);
    for (float v : {p.headingDeg, p.radiusM, p.biasXM, p.biasZM}) put(block, v);
    send(FacilityDataType::TaxiParking, block, i, parkings);
  }
  const auto helipads = static_cast<std::uint32_t>(airport.helipads.size());
  for (std::uint32_t i = 0; i < helipads; ++i) {
    const auto& h = airport.helipads[i];
    block.clear();
    for (double v : {h.latitude, h.longitude, h.altitudeM}) put(block, v);
    for (float v : {h.headingDeg, h.lengthM, h.widthM}) put(block, v);
    put(block, std::int32_t{0});
    put(block, h.type);
    send(FacilityDataType::Helipad, block, i, helipads);
  }
  if (omitFacilityEnd_) return;
  RecvFacilityDataEnd end;
  end.id = static_cast<std::uint32_t>(RecvId::FacilityDataEnd);
  end.size = sizeof end;
  end.requestId = requestId;
  end.totalObjectCount = 1 + parkings + helipads;
  queue(connection, &end, sizeof end);
}

} // namespace gwr::simemu
