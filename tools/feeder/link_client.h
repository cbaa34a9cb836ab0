// The TCP client of the RealTraffic link: connects to the program on
// loopback, answers its version request and hands on every line it sends.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string_view>

#include "feeder/feeder_constants.h"

namespace gwr::platform {
class TcpConnection;
}

namespace gwr::feeder {

class LinkClient {
 public:
  using LineHandler = std::function<void(std::string_view line)>;
  using StatusHandler = std::function<void(std::string_view message)>;

  LinkClient(std::uint16_t port, LineHandler onLine, StatusHandler onStatus, double retrySeconds = linkRetrySeconds)
      : port_(port), onLine_(std::move(onLine)), onStatus_(std::move(onStatus)), retrySeconds_(retrySeconds) {}

  // Connects, converses, and connects again whenever the program closes the
  // link or is not listening yet, until `stop` is set (seen within a fraction
  // of a second).
  void run(const std::atomic<bool>& stop);

 private:
  void converse(const std::atomic<bool>& stop, platform::TcpConnection& socket);

  std::uint16_t port_;
  LineHandler onLine_;
  StatusHandler onStatus_;
  double retrySeconds_;
};

} // namespace gwr::feeder
