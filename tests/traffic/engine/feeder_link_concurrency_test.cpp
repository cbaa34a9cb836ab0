// The feeder's link client against a real TCP listener on 127.0.0.1: it
// answers the version request, hands on every line, and connects again
// after the program closes the link or before it listens.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "feeder/link_client.h"
#include "platform/net/tcp_socket.h"
#include "traffic/feed/feeder_wait.h"

namespace gwr::feeder {
namespace {

using namespace std::chrono_literals;

using testsupport::RunningLinkClient;

TEST(FeederLinkClient, AnswersTheVersionRequestPassesLinesOnAndReconnects) {
  platform::TcpListener listener;
  ASSERT_EQ(listener.listen(platform::Ipv4Address::loopback(), 0), 0);
  const std::uint16_t port = listener.localPort();
  RunningLinkClient client(port);

  platform::TcpConnection program;
  ASSERT_TRUE(listener.accept(program).ok());
  ASSERT_TRUE(program.sendLine("Qs999=version").ok());
  std::string reply;
  ASSERT_TRUE(program.receiveLine(reply).ok());
  EXPECT_EQ(reply, "gwr-feeder 1");
  ASSERT_TRUE(program.sendAll("Qs121=500;-100;1.570800;500;250;0.829031;0.148353\r\nQs123=1718000000000\r\nexit\r\n").ok());
  program.close(true);
  EXPECT_TRUE(testsupport::waitUntil([&] { return client.lines().size() == 4; }));
  EXPECT_EQ(client.lines(), (std::vector<std::string>{"Qs999=version", "Qs121=500;-100;1.570800;500;250;0.829031;0.148353",
                                                      "Qs123=1718000000000", "exit"}));

  // RealTraffic comes back after the program closed the link.
  platform::TcpConnection again;
  ASSERT_TRUE(listener.accept(again).ok());
  EXPECT_TRUE(testsupport::waitUntil([&] { return client.statuses().size() == 3; }));
  const std::string connected = "link: connected to port " + std::to_string(port);
  EXPECT_EQ(client.statuses(), (std::vector<std::string>{connected, "link: the program said goodbye", connected}));
}

TEST(FeederLinkClient, WaitsForTheProgramToListenAndSaysSoOnce) {
  std::uint16_t port = 0;
  {
    platform::TcpListener probe;  // a port that was free a moment ago
    ASSERT_EQ(probe.listen(platform::Ipv4Address::loopback(), 0), 0);
    port = probe.localPort();
  }
  RunningLinkClient client(port);
  std::this_thread::sleep_for(100ms);  // several refused attempts
  platform::TcpListener listener;
  ASSERT_EQ(listener.listen(platform::Ipv4Address::loopback(), port), 0);
  platform::TcpConnection program;
  ASSERT_TRUE(listener.accept(program).ok());
  EXPECT_TRUE(testsupport::waitUntil([&] { return client.statuses().size() == 2; }));
  const auto statuses = client.statuses();
  ASSERT_EQ(statuses.size(), 2U);
  EXPECT_EQ(statuses[0], "link: cannot connect to port " + std::to_string(port) + ": 10061 Connection refused");
  EXPECT_EQ(statuses[1], "link: connected to port " + std::to_string(port));
}

} // namespace
} // namespace gwr::feeder
