// The facility data reader: one definition, one request, records decoded after
// their sizes were checked, nothing thrown through the simulator's dispatch: a
// simulator exception is kept and thrown once the dispatch call has returned.
#include "airports/facility_reader.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <map>
#include <thread>
#include <utility>

#include <fmt/format.h>

#include "airports/airports_constants.h"
#include "core/geo.h"
#include "core/log.h"
#include "core/user_error.h"
#include "platform/sim/sim_api.h"

namespace gwr {

namespace sc = simconnect;

namespace {

constexpr double feetPerMetre = 3.2808399;
constexpr std::size_t facilityNameBytes = 32;
constexpr std::uint16_t ignoredParkingTypes[] = {0, 13};
constexpr std::int32_t squareHelipadType = 2;
constexpr float roundHelipadRadiusFactor = 0.5F;
constexpr std::uint32_t alphabetSize = 26;
constexpr double maxAirportAltitudeFt = 100000.0;  // far beyond any airport, well inside 32 bits
constexpr int simulatorExceptionCode = 111;

constexpr const char* parkingFacilityFields[] = {
    "OPEN AIRPORT", "LATITUDE", "LONGITUDE", "ALTITUDE", "NAME", "N_HELIPADS", "N_TAXI_PARKINGS",
    "OPEN TAXI_PARKING", "TYPE", "TAXI_POINT_TYPE", "NAME", "SUFFIX", "NUMBER", "ORIENTATION", "HEADING", "RADIUS",
    "BIAS_X", "BIAS_Z", "CLOSE TAXI_PARKING", "OPEN HELIPAD", "LATITUDE", "LONGITUDE", "ALTITUDE", "HEADING",
    "LENGTH", "WIDTH", "SURFACE", "TYPE", "CLOSE HELIPAD", "CLOSE AIRPORT"};

// Data block sizes of the definition's records.
constexpr std::size_t airportBlockBytes = 64;
constexpr std::size_t parkingBlockBytes = 40;
constexpr std::size_t helipadBlockBytes = 44;

sc::Handle readerHandle = nullptr;
void (*waitPause)() = nullptr;
int quietPassLimit = facilityQuietPassLimit;

struct FacilityContext {
  std::string icao;
  LatLon airport;
  double altitudeFt = 0.0;
  std::string name;
  StandTable stands;
  bool done = false;
  bool received = false;     // a record arrived in this pass
  std::string failure;       // set instead of throwing out of the dispatch
  std::string exception;     // the simulator's exception, thrown after the dispatch
};

template <typename T>
T lf_at(const std::byte* block, std::size_t offset) {
  T value;
  std::memcpy(&value, block + offset, sizeof value);
  return value;
}

void lf_addHelipad(FacilityContext& c, const std::byte* block) {
  const double lat = lf_at<double>(block, 0);
  const double lon = lf_at<double>(block, 8);
  const float heading = lf_at<float>(block, 24);
  const float width = lf_at<float>(block, 32);
  const std::int32_t type = lf_at<std::int32_t>(block, 40);
  const float radius = width * (type == squareHelipadType ? static_cast<float>(squareHelipadRadiusFactor)
                                                          : roundHelipadRadiusFactor);
  if (!std::isfinite(lat) || !std::isfinite(lon) || !std::isfinite(heading) || !std::isfinite(radius) ||
      radius < 0.0F || radius > largestStandRadiusMetres) {
    gf_logError(fmt::format("Fac: {} helipad with impossible values skipped", c.icao));
    return;
  }
  c.stands.emplace_back(std::string(), std::vector<StandOption>{}, lat, lon, heading * radiansPerDegree, radius,
                        std::int16_t{0}, false, false, true);
}

void lf_addParking(FacilityContext& c, const std::byte* block) {
  const auto type = static_cast<std::uint16_t>(lf_at<std::int32_t>(block, 0) & 0xFFFF);
  for (const std::uint16_t ignored : ignoredParkingTypes)
    if (type == ignored) return;
  const std::int32_t number = lf_at<std::int32_t>(block, 16);
  const float heading = lf_at<float>(block, 24);
  const float radius = lf_at<float>(block, 28);
  const float biasX = lf_at<float>(block, 32);
  const float biasZ = lf_at<float>(block, 36);
  if (!std::isfinite(heading) || !std::isfinite(radius) || !std::isfinite(biasX) || !std::isfinite(biasZ) ||
      radius < 0.0F || radius > largestStandRadiusMetres || type > highestStandType || number < 0) {
    gf_logError(fmt::format("Fac: {} parking {} with impossible values skipped", c.icao, number));
    return;
  }
  LatLon position = c.airport;
  if (biasX != 0.0F) position = gf_destinationPoint(position, (biasX > 0 ? 90.0 : 270.0) * radiansPerDegree,
                                                    std::fabs(biasX) * feetPerMetre);
  if (biasZ != 0.0F) position = gf_destinationPoint(position, (biasZ > 0 ? 0.0 : 180.0) * radiansPerDegree,
                                                    std::fabs(biasZ) * feetPerMetre);
  StandRecord& stand = c.stands.emplace_back(std::string(), std::vector<StandOption>{}, position.latitude,
                                             position.longitude, heading * radiansPerDegree, radius,
                                             static_cast<std::int16_t>(type), false, false, false);
  stand.number = static_cast<std::uint32_t>(number);
}

void onRecvFacilityData(FacilityContext& c, const sc::RecvFacilityData& message, std::uint32_t size) {
  if (message.userRequestId != parkingFacilityRequest) return;
  const std::size_t blockBytes = size - sizeof(sc::RecvFacilityData);
  const std::byte* block = message.dataBytes();
  switch (static_cast<sc::FacilityDataType>(message.type)) {
    case sc::FacilityDataType::Airport: {
      if (blockBytes < airportBlockBytes) break;
      c.airport = {lf_at<double>(block, 0), lf_at<double>(block, 8)};
      c.altitudeFt = lf_at<double>(block, 16) * feetPerMetre;
      // Every stand is placed from this point, and the elevation becomes whole feet.
      if (!(std::fabs(c.airport.latitude) <= largestLatitude && std::fabs(c.airport.longitude) <= largestLongitude &&
            std::fabs(c.altitudeFt) <= maxAirportAltitudeFt))
        c.failure = fmt::format("Fac: {} airport record with impossible values", c.icao);
      c.name = gf_facilityNameText(reinterpret_cast<const char*>(block + 24));
      return;
    }
    case sc::FacilityDataType::Helipad:
      if (blockBytes < helipadBlockBytes) break;
      lf_addHelipad(c, block);
      return;
    case sc::FacilityDataType::TaxiParking:
      if (blockBytes < parkingBlockBytes) break;
      lf_addParking(c, block);
      return;
    default:
      return;
  }
  gf_logError(fmt::format("Fac: {} record of type {} is too short ({} bytes)", c.icao, message.type, blockBytes));
}

void lf_dispatchParkingData(const sc::RecvHeader* message, std::uint32_t size, void* context) {
  auto& c = *static_cast<FacilityContext*>(context);
  try {
    if (message == nullptr || size < sizeof(sc::RecvHeader) || size < message->size) return;
    c.received = true;
    switch (static_cast<sc::RecvId>(message->id)) {
      case sc::RecvId::Exception: {
        if (message->size < sizeof(sc::RecvException)) return;
        const auto& e = *static_cast<const sc::RecvException*>(message);
        c.exception = fmt::format("SimConnect EXCEPTION id={} sendID={} index={}", e.exception, e.sendId, e.index);
        return;
      }
      case sc::RecvId::FacilityData:
        if (message->size < sizeof(sc::RecvFacilityData)) return;
        onRecvFacilityData(c, *static_cast<const sc::RecvFacilityData*>(message), message->size);
        return;
      case sc::RecvId::FacilityDataEnd:
        if (message->size >= sizeof(sc::RecvFacilityDataEnd) &&
            static_cast<const sc::RecvFacilityDataEnd*>(message)->requestId == parkingFacilityRequest)
          c.done = true;
        return;
      default:
        return;
    }
  } catch (const std::exception& e) {
    // One record is lost; the others remain.
    gf_logError(fmt::format("{} exception: {}", "onRecvFacilityData", e.what()));
  } catch (...) {
    c.failure = "unknown exception in the facility data dispatch";
  }
}

bool lf_defineParkingFacility(sc::Handle handle) {
  for (const char* field : parkingFacilityFields)
    if (!sc::succeeded(sc::AddToFacilityDefinition(handle, parkingFacilityDefinition, field))) return false;
  return true;
}

bool lf_openReader() {
  if (readerHandle != nullptr) return true;
  sc::Handle handle = nullptr;
  const sc::Result result = sc::Open(handle, facilityClientName, 0);
  if (!sc::succeeded(result) || handle == nullptr) {
    gf_logError(fmt::format("SimConnect_Open (PARKING_DATA_RDR) FAILED hr=0x{:08X}", static_cast<std::uint32_t>(result)));
    return false;
  }
  readerHandle = handle;
  if (lf_defineParkingFacility(handle)) return true;
  gf_logError("SimConnect (PARKING_DATA_RDR): the facility definition was refused");
  gf_closeFacilityReader();
  return false;
}

bool lf_fail(const std::string& line) {
  gf_logError(line);
  gf_closeFacilityReader();  // the next airport starts on a fresh connection
  return false;
}

void lf_nameStands(StandTable& stands, std::uint32_t& helipads) {
  helipads = 0;
  std::map<std::uint32_t, std::uint32_t> seen;
  for (StandRecord& stand : stands) {
    if (stand.heli) {
      stand.id = fmt::format("helipad{}", ++helipads);
      continue;
    }
    const std::uint32_t repeat = seen[stand.number]++;
    stand.id = repeat == 0 ? fmt::format("{}", stand.number) : fmt::format("{}{}", stand.number, gf_repeatSuffix(repeat));
    stand.number = 0;
  }
}

} // namespace

SimulatorExceptionError::SimulatorExceptionError(std::string simulatorLine)
    : UserErrorException(simulatorExceptionCode, "restart"), simulatorLine_(std::move(simulatorLine)) {}

std::string gf_facilityNameText(const char* field) {
  return std::string(field, std::find(field, field + facilityNameBytes, '\0'));  // may fill all 32
}

std::string gf_repeatSuffix(std::uint32_t repeat) {
  std::string letters;
  for (std::uint32_t n = repeat; n > 0; n = (n - 1) / alphabetSize)
    letters.insert(letters.begin(), static_cast<char>('a' + (n - 1) % alphabetSize));
  return letters;
}

bool gf_readAirportStands(const std::string& icao, ApfData& out, std::uint32_t& helipads) {
  if (!lf_openReader()) return false;
  FacilityContext context;
  context.icao = icao;
  context.stands.reserve(facilityReservedStands);
  if (!sc::succeeded(sc::RequestFacilityData(readerHandle, parkingFacilityDefinition, parkingFacilityRequest, icao, "")))
    return lf_fail(fmt::format("RequestFacilityData failed for {}", icao));
  for (int quiet = 0; !context.done;) {
    context.received = false;
    if (!sc::succeeded(sc::CallDispatch(readerHandle, lf_dispatchParkingData, &context)))
      return lf_fail(fmt::format("Facility data for {}: the connection to the simulator was lost", icao));
    if (!context.exception.empty()) {
      lf_fail(context.exception);
      throw SimulatorExceptionError(context.exception);
    }
    if (!context.failure.empty()) return lf_fail(context.failure);
    if (context.done) break;
    quiet = context.received ? 0 : quiet + 1;
    if (quiet >= quietPassLimit)
      return lf_fail(fmt::format("Facility data for {} did not end: no answer within {} passes, given up", icao,
                                 quietPassLimit));
    if (waitPause != nullptr) waitPause();
    else std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  lf_nameStands(context.stands, helipads);
  out.icao = FixedCode<4>(icao);
  out.airport_name = context.name;
  out.altitude = static_cast<std::int32_t>(context.altitudeFt);  // toward zero
  out.Facilities = true;
  out.stands = std::move(context.stands);
  if (out.stands.empty()) gf_log(fmt::format("Fac: {} has no stands", out.icao.empty() ? std::string(20, ' ') : out.icao.text()));
  return true;
}

bool gf_isFacilityReaderOpen() { return readerHandle != nullptr; }

void gf_closeFacilityReader() {
  if (readerHandle == nullptr) return;
  if (sc::succeeded(sc::Close(readerHandle))) gf_log("SimConnect closed ok");
  else gf_logError("Closing SimConnect failed?!");
  readerHandle = nullptr;
  gf_log("SimConnect (PARKING_DATA_RDR) closed");
}

void gf_setFacilityWaitForTests(void (*pause)(), int limit) {
  waitPause = pause;
  quietPassLimit = limit > 0 ? limit : facilityQuietPassLimit;
}

} // namespace gwr
