// The traffic reader: the UDP reader of RealTraffic's traffic lines with the
// state its line parser keeps between lines and shares with other threads.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "core/geo.h"
#include "traffic/feed/udp_reader.h"

namespace gwr {

// Cuts text at every comma into views of it; the text after the last comma
// is the last field. No quoting, no trimming.
void gf_splitAtCommas(std::string_view text, std::vector<std::string_view>& fields);

class TrafficReader : public UdpReader {
public:
  TrafficReader();

  // Splits the datagram at commas into fields and parses it; a datagram
  // holding " VEH" anywhere is ignored.
  void handleDatagram() override;
  void onStopped() override;

  // Tests and tools: handle text as a received datagram.
  void handleTextForTests(std::string_view text);

  // The user's position that lines are filtered by (traffic thread writes).
  void setReferencePosition(const LatLon& position);
  LatLon referencePosition() const;
  // The park airport's field elevation in feet; none when unknown.
  void setFieldElevation(std::optional<double> feet);
  std::optional<double> fieldElevation() const;

  // Seen callsigns, collected while the collect flag is on.
  void setCollectCallsigns(bool on) { collectCallsigns.store(on); }
  bool collectingCallsigns() const { return collectCallsigns.load(); }
  void insertSeenCallsign(std::string_view callsign);
  void clearSeenCallsigns();
  std::unordered_set<std::string> seenCallsigns() const;

  // Seconds since 1970 of the latest line with a readable time, kept also
  // when the line was dropped later; 0 before the first.
  double timestamp() const { return latestTimestamp.load(); }
  // Sets the time stamp and the program clock that follows it.
  void setTimestamp(double seconds);

  // Back to the state of a new run: QNH 1013, no time stamp, no callsigns.
  void resetFeed();

  std::atomic<std::int32_t> qnh{startQnhHpa};  // whole hPa, written by the QNH reader
  std::atomic<std::uint64_t> malformedCount{0};  // lines rejected with a log line

  std::vector<std::string_view> fields;  // views into the datagram; reader thread only

private:
  mutable std::mutex positionMutex;  // reference position and field elevation
  LatLon reference;
  std::optional<double> elevation;

  mutable std::mutex seenMutex;
  std::unordered_set<std::string> seen;
  std::atomic<bool> collectCallsigns{false};

  std::atomic<double> latestTimestamp{0.0};
};

} // namespace gwr
