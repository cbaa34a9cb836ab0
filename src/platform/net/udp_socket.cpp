// UDP datagrams on IPv4: opening, receiving with the true datagram length,
// and sending to an address and port.
#include "platform/net/udp_socket.h"

#include <sys/socket.h>

#include "platform/net/socket_address.h"
#include "platform/net/socket_error.h"

namespace gwr::platform {

std::int32_t UdpSocket::open() { return openDescriptor(SOCK_DGRAM, IPPROTO_UDP); }

NetResult UdpSocket::receive(std::span<char> buffer) {
  // MSG_TRUNC makes recv report the datagram's real length, so that a cut
  // datagram is recognised rather than taken as a shorter one.
  const auto n = ::recv(descriptor(), buffer.data(), buffer.size(), MSG_TRUNC);
  if (n < 0) return {0, gf_lastSocketError()};
  return {static_cast<std::int64_t>(n), 0};
}

NetResult UdpSocket::sendTo(std::string_view data, Ipv4Address address, std::uint16_t port) {
  const sockaddr_in sa = gf_socketAddress(address, port);
  const auto n = ::sendto(descriptor(), data.data(), data.size(), MSG_NOSIGNAL,
                          reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
  if (n < 0) return {0, gf_lastSocketError()};
  return {static_cast<std::int64_t>(n), 0};
}

} // namespace gwr::platform
