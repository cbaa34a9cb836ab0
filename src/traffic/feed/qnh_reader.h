// The QNH reader: the UDP reader of RealTraffic's pressure datagrams, which
// publishes the local pressure in whole hectopascals to the other threads.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string_view>

#include "traffic/feed/traffic_reader.h"
#include "traffic/feed/udp_reader.h"

namespace gwr {

// The QNH for the traffic thread's movement code and the window, whole hPa.
extern std::atomic<std::int32_t> currentQnh;

class QnhReader : public UdpReader {
public:
  // Publishes to target's QNH as well as to currentQnh.
  explicit QnhReader(TrafficReader& target) : UdpReader("QNH Reader"), trafficTarget(target) {}

  // Takes the "QNH" member of the JSON datagram; unusable datagrams are
  // logged and change nothing.
  void handleDatagram() override;
  void onStopped() override;

  void handleTextForTests(std::string_view text);

  std::int32_t lastQnh() const { return last.load(); }
  std::atomic<std::uint64_t> malformedCount{0};  // datagrams that could not be used
  // Back to 1013 in every holder of the pressure, and counters 0, for a new
  // link or run.
  void resetFeed();

private:
  // The value into every holder: last, the traffic reader, currentQnh, the window.
  void publish(std::int32_t hpa);

  TrafficReader& trafficTarget;
  std::atomic<std::int32_t> last{startQnhHpa};
  // A datagram taken while the link resets must not leave the holders apart.
  std::mutex publishMutex;
};

// A pressure value in hPa, inches of mercury (up to 40) or hundredths of an
// inch (above 1100) as whole hPa, clamped to 900..1100. Throws
// gsl::narrowing_error when it does not fit 32 bits.
std::int32_t gf_qnhHectopascals(double value);

} // namespace gwr
