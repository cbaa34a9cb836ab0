// TCP on IPv4: listening, accepting, connecting, sending whole buffers and
// lines, and reading CR LF terminated lines.
#include "platform/net/tcp_socket.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <array>
#include <atomic>
#include <mutex>
#include <optional>
#include <utility>

#include "platform/net/socket_address.h"
#include "platform/net/socket_error.h"

namespace gwr::platform {
namespace {

constexpr std::size_t lineChunkBytes = 4096;
constexpr std::string_view lineEnd = "\r\n";

std::mutex injectedMutex;
std::optional<std::pair<SocketStep, std::int32_t>> injected;  // under injectedMutex

// The injected failure of step, taken once; 0 when none.
std::int32_t injectedFailure(SocketStep step) {
  const std::lock_guard lock(injectedMutex);
  if (!injected || injected->first != step) return 0;
  const std::int32_t code = injected->second;
  injected.reset();
  return code;
}

std::int32_t setOption(int descriptor, int level, int name, int value) {
  if (::setsockopt(descriptor, level, name, &value, sizeof value) != 0) return gf_lastSocketError();
  return 0;
}

} // namespace

void gf_failSocketStepForTests(SocketStep step, std::int32_t winsockCode) {
  const std::lock_guard lock(injectedMutex);
  injected.emplace(step, winsockCode);
}

std::int32_t TcpConnection::setNoDelay() {
  if (const auto code = injectedFailure(SocketStep::noDelay); code != 0) return code;
  return setOption(descriptor(), IPPROTO_TCP, TCP_NODELAY, 1);
}

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
  return listenSteps(address, port, backlog).error;
}

ListenResult TcpListener::listenSteps(Ipv4Address address, std::uint16_t port, int backlog, bool blocking) {
  // Each step in turn; the first failure closes what was opened.
  const auto step = [this](SocketStep which, auto&& call) -> ListenResult {
    std::int32_t error = injectedFailure(which);
    if (error == 0) error = call();
    if (error != 0) close();
    return {which, error};
  };
  ListenResult result = step(SocketStep::socket, [&] { return openDescriptor(SOCK_STREAM, IPPROTO_TCP); });
  if (!result.ok()) return result;
  result = step(SocketStep::blocking, [&]() -> std::int32_t {
    const int flags = ::fcntl(descriptor(), F_GETFL);
    const int wanted = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
    if (flags < 0 || ::fcntl(descriptor(), F_SETFL, wanted) != 0) return gf_lastSocketError();
    return 0;
  });
  if (!result.ok()) return result;
  result = step(SocketStep::reuseAddress, [&] { return setOption(descriptor(), SOL_SOCKET, SO_REUSEADDR, 1); });
  if (!result.ok()) return result;
  result = step(SocketStep::bind, [&] { return bind(address, port); });
  if (!result.ok()) return result;
  return step(SocketStep::listen, [&]() -> std::int32_t {
    return ::listen(descriptor(), backlog) != 0 ? gf_lastSocketError() : 0;
  });
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
