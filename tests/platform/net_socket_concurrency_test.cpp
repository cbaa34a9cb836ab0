// Tests that a socket shut down from another thread ends a receive or an
// accept that is waiting on it, as closing down relies on.
#include "platform/net/tcp_socket.h"
#include "platform/net/udp_socket.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <vector>

namespace gwr::platform {
namespace {

using namespace std::chrono_literals;
constexpr auto wakeLimit = 5s;  // generous; the wake-up itself is immediate

TEST(SocketConcurrency, ShutdownWakesABlockedUdpReceive) {
  UdpSocket socket;
  ASSERT_EQ(socket.open(), 0);
  ASSERT_EQ(socket.bind(Ipv4Address::loopback(), 0), 0);
  auto receiving = std::async(std::launch::async, [&socket] {
    std::vector<char> buffer(64);
    return socket.receive(buffer);  // no time-out: blocks until woken
  });
  std::this_thread::sleep_for(20ms);
  socket.shutdownBoth();
  ASSERT_EQ(receiving.wait_for(wakeLimit), std::future_status::ready);
  EXPECT_EQ(receiving.get().count, 0);
}

TEST(SocketConcurrency, ShutdownWakesABlockedAccept) {
  TcpListener listener;
  ASSERT_EQ(listener.listen(Ipv4Address::loopback(), 0), 0);
  auto accepting = std::async(std::launch::async, [&listener] {
    TcpConnection connection;
    const auto result = listener.accept(connection);
    return std::make_pair(result, connection.valid());
  });
  std::this_thread::sleep_for(20ms);
  listener.shutdownBoth();
  ASSERT_EQ(accepting.wait_for(wakeLimit), std::future_status::ready);
  const auto [result, valid] = accepting.get();
  EXPECT_FALSE(result.ok());
  EXPECT_FALSE(valid);
}

} // namespace
} // namespace gwr::platform
