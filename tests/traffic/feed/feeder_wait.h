// Test helpers for the socket tests of the readers and the feeder: waiting for
// another thread, a reader thread on a free port, the feeder's link client, the park airport.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "feeder/link_client.h"
#include "platform/net/udp_socket.h"
#include "support/log_capture.h"
#include "traffic/feed/park_airport_state.h"
#include "traffic/feed/reader_threads.h"

namespace gwr::testsupport {

inline constexpr std::chrono::seconds waitLimit{5};                  // only reached when a test fails
inline constexpr std::chrono::milliseconds readerReceiveTimeout{20};  // so a stop is seen at once

inline bool waitUntil(const std::function<bool()>& done) {
  const auto end = std::chrono::steady_clock::now() + waitLimit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

inline bool hasLine(const LogCapture& log, const std::string& line) {
  const auto lines = log.lines();
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// Frankfurt as the park airport, at the given place.
inline void setParkAirport(double latitude, double longitude, float elevationFeet = 364.0F) {
  AirportRecord park;
  park.icao = FixedCode<4>("EDDF");
  park.iata = FixedCode<3>("FRA");
  park.latitude = latitude;
  park.longitude = longitude;
  park.altitude = elevationFeet;
  gf_setParkAirport(park);
}

// A reader running its thread body on a port chosen free by the system.
class RunningReader {
 public:
  explicit RunningReader(UdpReader& r, bool loopbackOnly = true, UdpReader* alsoReceiving = nullptr) : reader(r) {
    reader.receiveTimeout = readerReceiveTimeout;
    reader.stopFlag.store(false);  // as when RealTraffic connects again
    thread_ = std::thread([this, loopbackOnly, alsoReceiving] {
      gf_runReaderThread(reader, 0, loopbackOnly, alsoReceiving);
    });
    EXPECT_TRUE(waitUntil([this] { return reader.status.load() == ReaderStatus::receiving; }));
    port = reader.boundPort();
    EXPECT_EQ(sender_.open(), 0);
  }
  ~RunningReader() { stop(); }
  RunningReader(const RunningReader&) = delete;
  RunningReader& operator=(const RunningReader&) = delete;

  void send(const std::vector<std::string>& datagrams) {
    for (const auto& d : datagrams) ASSERT_TRUE(sender_.sendTo(d, platform::Ipv4Address::loopback(), port).ok());
  }
  // Until the reader has taken `taken` datagrams in all.
  bool waitForTaken(std::int32_t taken) {
    return waitUntil([this, taken] { return reader.receivedCount.load() >= taken; });
  }
  void stop() {
    reader.requestStop();
    if (thread_.joinable()) thread_.join();
  }

  UdpReader& reader;
  std::uint16_t port = 0;

 private:
  std::thread thread_;
  platform::UdpSocket sender_;
};

// The feeder's link client on its own thread, with the lines it received and
// the statuses it reported.
class RunningLinkClient {
 public:
  static constexpr double retrySeconds = 0.02;

  explicit RunningLinkClient(std::uint16_t port)
      : client_(
            port, [this](std::string_view line) { append(lines_, line); },
            [this](std::string_view message) { append(statuses_, message); }, retrySeconds),
        thread_([this] { client_.run(stop_); }) {}
  ~RunningLinkClient() { stop(); }
  RunningLinkClient(const RunningLinkClient&) = delete;
  RunningLinkClient& operator=(const RunningLinkClient&) = delete;

  void stop() {
    stop_.store(true);
    if (thread_.joinable()) thread_.join();
  }
  std::vector<std::string> lines() const {
    const std::lock_guard lock(mutex_);
    return lines_;
  }
  std::vector<std::string> statuses() const {
    const std::lock_guard lock(mutex_);
    return statuses_;
  }
  std::size_t count(std::string_view prefix) const {
    const auto all = lines();
    return static_cast<std::size_t>(
        std::count_if(all.begin(), all.end(), [&](const std::string& l) { return l.starts_with(prefix); }));
  }
  bool has(const std::string& line) const {
    const auto all = lines();
    return std::find(all.begin(), all.end(), line) != all.end();
  }

 private:
  void append(std::vector<std::string>& to, std::string_view text) {
    const std::lock_guard lock(mutex_);
    to.emplace_back(text);
  }
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
  std::vector<std::string> statuses_;
  std::atomic<bool> stop_{false};
  feeder::LinkClient client_;
  std::thread thread_;
};

} // namespace gwr::testsupport
