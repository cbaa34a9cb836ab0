// Tests of the IPv4 sockets on 127.0.0.1 with ports chosen free at test time:
// UDP datagrams and time-outs, TCP lines, and the Winsock error numbers.
#include "platform/net/socket_error.h"
#include "platform/net/tcp_socket.h"
#include "platform/net/udp_socket.h"

#include <netinet/in.h>
#include <netinet/tcp.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace gwr::platform {
namespace {

using namespace std::chrono_literals;

UdpSocket boundUdp(Ipv4Address address = Ipv4Address::loopback()) {
  UdpSocket socket;
  EXPECT_EQ(socket.open(), 0);
  EXPECT_EQ(socket.bind(address, 0), 0);
  return socket;
}

TEST(SocketError, ErrnoValuesMapOntoWinsockNumbers) {
  // Winsock numbers written from the Windows Sockets error list.
  const struct { int errnoValue; std::int32_t winsock; } cases[] = {
      {EINTR, 10004},      {EBADF, 10009},       {EAGAIN, 10035},     {EMSGSIZE, 10040},
      {EADDRINUSE, 10048}, {ECONNRESET, 10054},  {EPIPE, 10054},      {ETIMEDOUT, 10060},
      {ECONNREFUSED, 10061}, {ENOENT, ENOENT},  // no Winsock counterpart: passed through
  };
  for (const auto& c : cases) EXPECT_EQ(gf_winsockCodeOf(c.errnoValue), c.winsock) << c.errnoValue;
  for (std::int32_t code : {10004, 10035, 10060}) EXPECT_TRUE(gf_isReceiveTimeout(code)) << code;
  for (std::int32_t code : {0, 10054, 10048, 10009}) EXPECT_FALSE(gf_isReceiveTimeout(code)) << code;
}

TEST(UdpSocket, DeliversDatagramsAndReportsTheFullLengthOfACutOne) {
  UdpSocket receiver = boundUdp();
  ASSERT_NE(receiver.localPort(), 0);
  ASSERT_EQ(receiver.setReceiveTimeout(1000ms), 0);
  UdpSocket sender;
  ASSERT_EQ(sender.open(), 0);

  std::vector<char> buffer(16);
  const std::string shortText = "X,12345,50.0";
  EXPECT_EQ(sender.sendTo(shortText, Ipv4Address::loopback(), receiver.localPort()).count, 12);
  auto got = receiver.receive(buffer);
  ASSERT_TRUE(got.ok());
  EXPECT_EQ(std::string(buffer.data(), static_cast<std::size_t>(got.count)), shortText);

  const std::string longText(40, 'a');
  ASSERT_TRUE(sender.sendTo(longText, Ipv4Address::loopback(), receiver.localPort()).ok());
  got = receiver.receive(buffer);
  ASSERT_TRUE(got.ok());
  EXPECT_EQ(got.count, 40);  // larger than the buffer: the caller sees it was cut
}

TEST(UdpSocket, ReceiveTimesOutWithATimeoutCode) {
  UdpSocket receiver = boundUdp();
  ASSERT_EQ(receiver.setReceiveTimeout(20ms), 0);
  std::vector<char> buffer(64);
  const auto got = receiver.receive(buffer);
  EXPECT_FALSE(got.ok());
  EXPECT_TRUE(gf_isReceiveTimeout(got.error)) << got.error;
}

TEST(UdpSocket, ASecondBindToAHeldPortIsAddressInUse) {
  UdpSocket first = boundUdp();
  UdpSocket second;
  ASSERT_EQ(second.open(), 0);
  EXPECT_EQ(second.bind(Ipv4Address::loopback(), first.localPort()), wsaEaddrinuse);
  EXPECT_EQ(second.bind(Ipv4Address::any(), first.localPort()), wsaEaddrinuse);
}

TEST(Socket, ClosesWithItsObjectAndOnMove) {
  int descriptor = -1;
  std::uint16_t port = 0;
  {
    UdpSocket socket = boundUdp();
    descriptor = socket.descriptor();
    port = socket.localPort();
    UdpSocket moved = std::move(socket);
    EXPECT_FALSE(socket.valid());
    EXPECT_EQ(moved.descriptor(), descriptor);
  }
  UdpSocket again;  // the port is free again once the owner is gone
  ASSERT_EQ(again.open(), 0);
  EXPECT_EQ(again.bind(Ipv4Address::loopback(), port), 0);
  again.close(true);
  EXPECT_FALSE(again.valid());
  again.close();  // closing twice is harmless
  EXPECT_EQ(again.localPort(), 0);
}

TEST(TcpSocket, ExchangesLinesBothWays) {
  TcpListener listener;
  ASSERT_EQ(listener.listen(Ipv4Address::loopback(), 0), 0);
  TcpConnection client;
  ASSERT_EQ(client.connect(Ipv4Address::loopback(), listener.localPort()), 0);
  TcpConnection server;
  ASSERT_TRUE(listener.accept(server).ok());
  ASSERT_TRUE(server.valid());
  int on = 0;  // the link's options: the listener reuses its port, the connection sends at once
  socklen_t length = sizeof on;
  EXPECT_TRUE(::getsockopt(listener.descriptor(), SOL_SOCKET, SO_REUSEADDR, &on, &length) == 0 && on != 0);
  ASSERT_EQ(server.setNoDelay(), 0);
  EXPECT_TRUE(::getsockopt(server.descriptor(), IPPROTO_TCP, TCP_NODELAY, &on, &length) == 0 && on != 0);

  EXPECT_EQ(server.sendLine("Qs999=12.5.5").count, 14);
  // Two lines in one send, a bare LF line and an unterminated rest.
  ASSERT_TRUE(client.sendAll("first\r\n\r\nsecond\nrest").ok());
  std::string line;
  ASSERT_TRUE(client.receiveLine(line).ok());
  EXPECT_EQ(line, "Qs999=12.5.5");
  client.close(true);  // nothing unread left, so the close is an orderly end

  const struct { const char* text; bool more; } expected[] = {
      {"first", true}, {"", true}, {"second", true}, {"rest", true}, {"", false}};
  for (const auto& e : expected) {
    const auto got = server.receiveLine(line);
    ASSERT_TRUE(got.ok()) << got.error;
    EXPECT_EQ(line, e.text);
    EXPECT_EQ(got.count > 0, e.more) << e.text;
  }
}

TEST(TcpSocket, ConnectFailuresAndAHeldListeningPortGiveWinsockCodes) {
  TcpListener listener;
  ASSERT_EQ(listener.listen(Ipv4Address::loopback(), 0), 0);
  const auto port = listener.localPort();
  TcpListener second;
  EXPECT_EQ(second.listen(Ipv4Address::loopback(), port), wsaEaddrinuse);
  listener.close();
  TcpConnection client;
  EXPECT_EQ(client.connect(Ipv4Address::loopback(), port), wsaEconnrefused);
  EXPECT_FALSE(client.valid());
  std::vector<char> buffer(8);
  EXPECT_EQ(client.receive(buffer).error, wsaEbadf);  // closed socket
}

TEST(TcpSocket, ALineLongerThanTheLimitIsAnError) {
  TcpListener listener;
  ASSERT_EQ(listener.listen(Ipv4Address::loopback(), 0), 0);
  TcpConnection client;
  ASSERT_EQ(client.connect(Ipv4Address::loopback(), listener.localPort()), 0);
  TcpConnection server;
  ASSERT_TRUE(listener.accept(server).ok());
  std::thread writer([&client] { client.sendAll(std::string(TcpConnection::maxLineBytes + 8192, 'x')); });
  std::string line;
  EXPECT_EQ(server.receiveLine(line).error, wsaEmsgsize);
  server.close(true);
  writer.join();
}

} // namespace
} // namespace gwr::platform
