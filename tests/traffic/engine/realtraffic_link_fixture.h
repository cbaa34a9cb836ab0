// The RealTraffic link tests' shared ground: the fixture listening on a free
// port, raw clients that answer or stay silent, and counting the link's log lines.
#pragma once

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "platform/net/tcp_deadline.h"
#include "platform/net/tcp_socket.h"
#include "support/engine_harness.h"
#include "traffic/engine/link_log.h"
#include "traffic/engine/realtraffic_link.h"
#include "traffic/feed/feeder_wait.h"

namespace gwr::linktest {

using namespace std::chrono_literals;
using Steady = std::chrono::steady_clock;

using FeederLink = testsupport::RunningLinkClient;

// The user state of the worked example: 47.5 N 8.5 E, nose 0.005 rad up.
inline UserState exampleUser() {
  UserState u;
  std::tie(u.latitude, u.longitude, u.pitch, u.bank, u.heading, u.indicatedAltitude, u.groundVelocity) =
      std::tuple(47.5, 8.5, -0.005, -0.001, 1.5708, 0.5, 0.25);
  return u;
}

class RealTrafficLink : public ::testing::Test {
 protected:
  void SetUp() override {
    realTrafficOnThisPc.store(true);
    realTrafficConnected.store(false);
    gf_resetLinkLog();
    lf_listenForRealTraffic("0");
    port = gf_realTrafficPort();
    ASSERT_NE(port, 0);
  }
  void TearDown() override {
    gf_setLinkTimeLimits(defaultLinkTimeLimits);
    gf_setLinkLogClock(nullptr);
    lf_closeRealTrafficLink();
    realTrafficOnThisPc.store(false);
    trafficEngine.user = {};
  }
  testsupport::LogCapture log;
  std::uint16_t port = 0;
};

// A client that answers the version request ahead of time (or never) and reads only when asked.
struct RawClient {
  RawClient(std::uint16_t port, std::string_view answer) {
    EXPECT_EQ(socket.connect(platform::Ipv4Address::loopback(), port), 0);
    if (!answer.empty()) socket.sendAll(answer);
  }
  // What came until quiet for a while, and "<closed>" when the link closed it.
  std::string received(std::chrono::milliseconds quiet = 300ms) {
    std::string text;
    std::array<char, 4096> buffer{};
    for (auto got = platform::gf_receiveWithin(socket, buffer, quiet); got.ok();
         got = platform::gf_receiveWithin(socket, buffer, quiet)) {
      if (got.count == 0) return text + "<closed>";
      text.append(buffer.data(), static_cast<std::size_t>(got.count));
    }
    return text;
  }
  void resetOnClose() {
    const linger abort{1, 0};
    ::setsockopt(socket.descriptor(), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
  }
  platform::TcpConnection socket;
};

inline std::vector<std::unique_ptr<RawClient>> silentPeers(std::uint16_t port, int count) {
  std::vector<std::unique_ptr<RawClient>> peers;
  for (int i = 0; i < count; ++i) peers.push_back(std::make_unique<RawClient>(port, ""));
  return peers;
}

// A connection to port begun without waiting for it to be taken.
inline int connectionBegun(std::uint16_t port) {
  const sockaddr_in to{AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
  ::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to);
  return fd;
}

inline bool connectedWithin(int fd, int milliseconds) {
  pollfd wanted{fd, POLLOUT, 0};
  int error = -1;
  socklen_t size = sizeof error;
  return ::poll(&wanted, 1, milliseconds) == 1 && (wanted.revents & POLLOUT) != 0 &&
         ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
}

inline std::size_t linesWith(const testsupport::LogCapture& log, const std::string& part) {
  const auto lines = log.lines();
  return static_cast<std::size_t>(std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(part) != l.npos; }));
}

} // namespace gwr::linktest
