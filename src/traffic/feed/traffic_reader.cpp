// The traffic reader's datagram handling and its shared state: reference
// position, field elevation, seen callsigns and the latest time stamp.
#include "traffic/feed/traffic_reader.h"

#include "core/log.h"
#include "core/run_state.h"
#include "traffic/feed/traffic_line.h"

namespace gwr {
namespace {

constexpr std::string_view vehicleMark = " VEH";

} // namespace

void gf_splitAtCommas(std::string_view text, std::vector<std::string_view>& fields) {
  fields.clear();
  // A plain byte loop: fields are short, so a library search per field costs
  // more in calls than it saves.
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  const char* start = begin;
  for (const char* p = begin; p != end; ++p) {
    if (*p == ',') {
      fields.emplace_back(start, static_cast<std::size_t>(p - start));
      start = p + 1;
    }
  }
  fields.emplace_back(start, static_cast<std::size_t>(end - start));
}

TrafficReader::TrafficReader() : UdpReader("Traffic Reader") { fields.reserve(fieldViewsReserved); }

void TrafficReader::handleDatagram() {
  const std::string_view text = datagram();
  if (text.find(vehicleMark) != std::string_view::npos) return;
  gf_splitAtCommas(text, fields);
  processLineSub(*this);
}

void TrafficReader::onStopped() {
  status.store(ReaderStatus::stopped);
  gf_repaintReaders();
  gf_log("Traffic Reader has stopped");
}

void TrafficReader::handleTextForTests(std::string_view text) {
  setDatagramForTests(text);
  handleDatagram();
}

void TrafficReader::setReferencePosition(const LatLon& position) {
  const std::lock_guard lock(positionMutex);
  reference = position;
}

LatLon TrafficReader::referencePosition() const {
  const std::lock_guard lock(positionMutex);
  return reference;
}

void TrafficReader::setFieldElevation(std::optional<double> feet) {
  const std::lock_guard lock(positionMutex);
  elevation = feet;
}

std::optional<double> TrafficReader::fieldElevation() const {
  const std::lock_guard lock(positionMutex);
  return elevation;
}

void TrafficReader::insertSeenCallsign(std::string_view callsign) {
  const std::lock_guard lock(seenMutex);
  seen.emplace(callsign);
}

void TrafficReader::clearSeenCallsigns() {
  const std::lock_guard lock(seenMutex);
  seen.clear();
}

std::unordered_set<std::string> TrafficReader::seenCallsigns() const {
  const std::lock_guard lock(seenMutex);
  return seen;
}

void TrafficReader::setTimestamp(double seconds) {
  latestTimestamp.store(seconds);
  trafficTime.store(seconds);
}

void TrafficReader::resetFeed() {
  qnh.store(startQnhHpa);
  setTimestamp(0.0);
  clearSeenCallsigns();
}

} // namespace gwr
