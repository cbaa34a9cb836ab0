// The RealTraffic link against clients that misbehave on 127.0.0.1: one that
// stops reading must not hold the sender, and one that never answers the
// version request must not take the link, at the first connection or a later one.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <future>
#include <memory>
#include <string>

#include "platform/net/tcp_deadline.h"
#include "support/engine_harness.h"
#include "traffic/engine/realtraffic_link.h"
#include "traffic/feed/feeder_wait.h"

namespace gwr {
namespace {

using namespace std::chrono_literals;
using testsupport::waitUntil;
using Clock = std::chrono::steady_clock;

constexpr LinkTimeLimits shortLimits{200ms, 200ms};
constexpr auto guardLimit = 8s;  // only reached when a call blocks

// A client of our own making: it may answer the version request ahead of
// time (the reply waits in the link's buffer) and then never read.
struct RawClient {
  RawClient(std::uint16_t port, std::string_view answer) {
    EXPECT_EQ(socket.connect(platform::Ipv4Address::loopback(), port), 0);
    if (!answer.empty()) socket.sendAll(answer);
  }
  // Everything received until the link closes it or nothing comes for a while.
  std::string received() {
    std::string text;
    std::array<char, 4096> buffer{};
    while (true) {
      const auto got = platform::gf_receiveWithin(socket, buffer, 300ms);
      if (!got.ok() || got.count == 0) return text;
      text.append(buffer.data(), static_cast<std::size_t>(got.count));
    }
  }
  platform::TcpConnection socket;
};

class RealTrafficLinkLimits : public ::testing::Test {
protected:
  void SetUp() override {
    gf_setLinkTimeLimits(shortLimits);
    realTrafficOnThisPc.store(true);
    realTrafficConnected.store(false);
    lf_listenForRealTraffic("0");
    port = gf_realTrafficPort();
    ASSERT_NE(port, 0);
  }
  void TearDown() override {
    lf_closeRealTrafficLink();
    realTrafficOnThisPc.store(false);
    trafficEngine.user = {};
    gf_setLinkTimeLimits(defaultLinkTimeLimits);
  }
  // Runs call on another thread; false when it is still blocked after the guard.
  template <typename Call> static bool endsInTime(std::future<void>& running, Call call) {
    running = std::async(std::launch::async, call);
    return running.wait_for(guardLimit) == std::future_status::ready;
  }
  testsupport::LogCapture log;
  std::uint16_t port = 0;
};

TEST_F(RealTrafficLinkLimits, AClientThatStopsReadingIsDroppedWithoutHoldingTheSender) {
  RawClient client(port, "RealTraffic version 10\r\n");
  lf_connectRealTraffic();
  ASSERT_TRUE(realTrafficConnected.load());
  // Lines far larger than the position line fill the socket buffers fast.
  const std::string bulk(256 * 1024, 'x');
  auto longest = Clock::duration::zero();
  std::future<void> running;
  const bool ended = endsInTime(running, [&] {
    for (int i = 0; i < 4096 && realTrafficConnected.load(); ++i) {
      const auto start = Clock::now();
      sendDataPacket(bulk);
      longest = std::max(longest, Clock::now() - start);
    }
  });
  if (!ended) client.socket.close(true);  // the old blocking send: free it, then fail
  running.wait();
  EXPECT_TRUE(ended) << "a send blocked on a client that does not read";
  EXPECT_FALSE(realTrafficConnected.load());
  EXPECT_LT(longest, 1s);
  EXPECT_TRUE(testsupport::hasLine(log, "RealTraffic client socket closed"));
  // A close afterwards returns at once.
  const auto start = Clock::now();
  lf_closeRealTrafficLink();
  EXPECT_LT(Clock::now() - start, 1s);
}

TEST_F(RealTrafficLinkLimits, SilentClientsAreClosedAndTheNextOneTaken) {
  const std::string noAnswer =
      "RealTraffic link: no answer to the version request within 200 ms, connection closed";
  // At the first connection: a silent client queued before RealTraffic.
  auto silent = std::make_unique<RawClient>(port, "");
  RawClient realTraffic(port, "RealTraffic version 10\r\n");
  std::future<void> running;
  const bool ended = endsInTime(running, [] { lf_connectRealTraffic(); });
  if (!ended) silent->socket.close(true);  // the old wait for ever: free it, then fail
  running.wait();
  ASSERT_TRUE(ended) << "the handshake waited for ever on a silent client";
  ASSERT_TRUE(realTrafficConnected.load());
  EXPECT_TRUE(testsupport::hasLine(log, noAnswer));
  EXPECT_EQ(silent->received(), "Qs999=version\r\n");  // asked, then closed

  // After the link drops: a foreign client queued meanwhile gets no position.
  trafficEngine.user.latitude = 47.5;
  trafficEngine.user.longitude = 8.5;
  realTraffic.socket.close(true);
  for (int i = 0; i < 100 && realTrafficConnected.load(); ++i) lf_sendUserPosition();
  ASSERT_FALSE(realTrafficConnected.load());
  silent = std::make_unique<RawClient>(port, "");
  RawClient comesBack(port, "RealTraffic version 10\r\n");
  const bool reconnected = endsInTime(running, [] { lf_sendUserPosition(); });
  if (!reconnected) silent->socket.close(true);
  running.wait();
  ASSERT_TRUE(reconnected);
  ASSERT_TRUE(realTrafficConnected.load());
  lf_sendUserPosition();
  EXPECT_EQ(silent->received(), "Qs999=version\r\n");
  EXPECT_TRUE(waitUntil([&] { return comesBack.received().find("Qs121=") != std::string::npos; }));
}

} // namespace
} // namespace gwr
