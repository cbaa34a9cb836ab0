// TCP on IPv4: listening, accepting, connecting, sending whole buffers and
// lines, and reading CR LF terminated lines.
#include "platform/net/tcp_socket.h"

#include <sys/socket.h>

#include <array>

#include "platform/net/socket_address.h"
#include "platform/net/socket_error.h"

namespace gwr::platform {
namespace {

constexpr std::size_t lineChunkBytes = 4096;
constexpr std::string_view lineEnd = "\r\n";

} // namespace

std::int32_t TcpConnection::connect(Ipv4Address address, std::uint16_t port) {
  if (const auto error = openDescriptor(SOCK_STREAM, IPPROTO_TCP); error != 0) return error;
  pending.clear();
  const sockaddr_in sa = gf_socketAddress(address, port);
  if (::connect(descriptor(), reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) {
    const auto error = gf_lastSocketError();
    close();
    return error;
  }
  return 0;
}

NetResult TcpConnection::sendAll(std::string_view data) {
  std::size_t sent = 0;
  while (sent < data.size()) {
    const auto n = ::send(descriptor(), data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
    if (n < 0) {
      const auto error = gf_lastSocketError();
      if (error == wsaEintr) continue;
      return {static_cast<std::int64_t>(sent), error};
    }
    sent += static_cast<std::size_t>(n);
  }
  return {static_cast<std::int64_t>(sent), 0};
}

NetResult TcpConnection::sendLine(std::string_view line) {
  std::string text;
  text.reserve(line.size() + lineEnd.size());
  text.append(line).append(lineEnd);
  return sendAll(text);
}

NetResult TcpConnection::receive(std::span<char> buffer) {
  const auto n = ::recv(descriptor(), buffer.data(), buffer.size(), 0);
  if (n < 0) return {0, gf_lastSocketError()};
  return {static_cast<std::int64_t>(n), 0};
}

NetResult TcpConnection::receiveLine(std::string& line) {
  std::array<char, lineChunkBytes> chunk{};
  while (true) {
    if (const auto end = pending.find('\n'); end != std::string::npos) {
      line.assign(pending, 0, end);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      pending.erase(0, end + 1);
      return {static_cast<std::int64_t>(end + 1), 0};
    }
    if (pending.size() > maxLineBytes) return {0, wsaEmsgsize};
    const auto got = receive(chunk);
    if (!got.ok()) return got;
    if (got.count == 0) {
      line = std::move(pending);
      pending.clear();
      return {static_cast<std::int64_t>(line.size()), 0};
    }
    pending.append(chunk.data(), static_cast<std::size_t>(got.count));
  }
}

std::int32_t TcpListener::listen(Ipv4Address address, std::uint16_t port, int backlog) {
  if (const auto error = openDescriptor(SOCK_STREAM, IPPROTO_TCP); error != 0) return error;
  const int on = 1;
  ::setsockopt(descriptor(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (const auto error = bind(address, port); error != 0) return error;
  if (::listen(descriptor(), backlog) != 0) return gf_lastSocketError();
  return 0;
}

NetResult TcpListener::accept(TcpConnection& connection) {
  while (true) {
    const int made = ::accept4(descriptor(), nullptr, nullptr, SOCK_CLOEXEC);
    if (made >= 0) {
      connection = TcpConnection(made);
      return {0, 0};
    }
    const auto error = gf_lastSocketError();
    if (error != wsaEintr) return {0, error};
  }
}

} // namespace gwr::platform
