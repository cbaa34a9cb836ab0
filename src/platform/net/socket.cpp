// The owned socket descriptor: opening, binding, time-outs, shutting down and
// closing, with failures reported as Winsock codes.
#include "platform/net/socket.h"

#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include "platform/net/socket_address.h"
#include "platform/net/socket_error.h"

namespace gwr::platform {
namespace {

constexpr long microsecondsPerMillisecond = 1000;
constexpr long millisecondsPerSecond = 1000;

} // namespace

Socket::~Socket() { close(); }

Socket::Socket(Socket&& other) noexcept : fd(other.fd.exchange(-1)) {}

Socket& Socket::operator=(Socket&& other) noexcept {
  if (this != &other) adopt(other.fd.exchange(-1));
  return *this;
}

std::int32_t Socket::openDescriptor(int type, int protocol) {
  const int made = ::socket(AF_INET, type | SOCK_CLOEXEC, protocol);
  if (made < 0) return gf_lastSocketError();
  adopt(made);
  return 0;
}

std::int32_t Socket::bind(Ipv4Address address, std::uint16_t port) {
  const sockaddr_in sa = gf_socketAddress(address, port);
  if (::bind(fd.load(), reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) return gf_lastSocketError();
  return 0;
}

std::uint16_t Socket::localPort() const {
  sockaddr_in sa{};
  socklen_t length = sizeof sa;
  if (::getsockname(fd.load(), reinterpret_cast<sockaddr*>(&sa), &length) != 0) return 0;
  return ntohs(sa.sin_port);
}

std::int32_t Socket::setReceiveTimeout(std::chrono::milliseconds timeout) {
  const auto ms = timeout.count();
  timeval tv{};
  tv.tv_sec = static_cast<time_t>(ms / millisecondsPerSecond);
  tv.tv_usec = static_cast<suseconds_t>((ms % millisecondsPerSecond) * microsecondsPerMillisecond);
  if (::setsockopt(fd.load(), SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv) != 0) return gf_lastSocketError();
  return 0;
}

void Socket::shutdownBoth() {
  const int current = fd.load();
  if (current >= 0) ::shutdown(current, SHUT_RDWR);
}

void Socket::close(bool shutdownFirst) {
  const int current = fd.exchange(-1);
  if (current < 0) return;
  if (shutdownFirst) ::shutdown(current, SHUT_RDWR);
  ::close(current);
}

} // namespace gwr::platform
