// libFuzzer target for the traffic line parser: any bytes as one datagram of
// the traffic stream, with the range wide open so every step is reached.
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string_view>

#include "core/settings_catalogue.h"
#include "traffic/feed/park_airport_state.h"
#include "traffic/feed/traffic_queue.h"
#include "traffic/feed/traffic_reader.h"

namespace {

constexpr double wholeEarthNm = 20000.0;

gwr::TrafficReader& preparedReader() {
  static gwr::TrafficReader reader;
  static const bool prepared = [] {
    gwr::rangeNm.store(wholeEarthNm);
    gwr::AirportRecord park;
    park.icao = gwr::FixedCode<4>("EDDF");
    park.latitude = 50.0333;
    park.longitude = 8.5706;
    park.altitude = 364.0F;
    gwr::gf_setParkAirport(park);
    reader.setReferencePosition({50.0333, 8.5706});
    reader.setFieldElevation(364.0);
    reader.setCollectCallsigns(true);
    const std::lock_guard lock(gwr::trafficRecordMutex);
    gwr::trafficAccepting = true;
    return true;
  }();
  (void)prepared;
  return reader;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto& reader = preparedReader();
  reader.handleTextForTests(std::string_view(reinterpret_cast<const char*>(data), size));
  const std::lock_guard lock(gwr::trafficRecordMutex);
  // Nothing kept from one input to the next, so that the leak check runs
  // only when something really is lost.
  gwr::trafficRecordQueue.clear();
  reader.clearSeenCallsigns();
  return 0;
}
