// An IPv4 UDP socket: bound for receiving datagrams with a receive time-out,
// or used to send datagrams to an address and port.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "platform/net/socket.h"

namespace gwr::platform {

class UdpSocket : public Socket {
public:
  // Opens an AF_INET/SOCK_DGRAM/UDP socket; 0 or a Winsock code.
  std::int32_t open();

  // Receives one datagram into buffer. The count is the datagram's full
  // length, which is larger than the buffer when the datagram was cut.
  // A time-out gives an error for which gf_isReceiveTimeout is true.
  NetResult receive(std::span<char> buffer);

  // Sends data as one datagram to address:port.
  NetResult sendTo(std::string_view data, Ipv4Address address, std::uint16_t port);
};

} // namespace gwr::platform
