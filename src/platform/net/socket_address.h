// The POSIX form of an IPv4 address and port, shared by the socket sources of
// this folder only.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>

#include "platform/net/socket.h"

namespace gwr::platform {

inline sockaddr_in gf_socketAddress(Ipv4Address address, std::uint16_t port) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  sa.sin_addr.s_addr = htonl(address.value);
  return sa;
}

} // namespace gwr::platform
