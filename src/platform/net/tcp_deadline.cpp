// Time-limited TCP sends and receives: non-blocking calls with poll() waits
// on one overall deadline.
#include "platform/net/tcp_deadline.h"

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>

#include "platform/net/socket_error.h"

namespace gwr::platform {
namespace {

using Clock = std::chrono::steady_clock;

// Waits until the socket is ready for `events` or the deadline passes; 0 when
// ready, else a Winsock code (wsaEtimedout at the deadline).
std::int32_t waitFor(int descriptor, short events, Clock::time_point deadline) {
  while (true) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return wsaEtimedout;
    pollfd watched{descriptor, events, 0};
    const int ready = ::poll(&watched, 1, static_cast<int>(std::min<long long>(left.count(), 1'000'000)));
    if (ready > 0) return 0;  // also on error or hang-up: the next call reports it
    if (ready == 0) continue;
    const auto error = gf_lastSocketError();
    if (error != wsaEintr) return error;
  }
}

} // namespace

NetResult gf_sendAllWithin(TcpConnection& connection, std::string_view data, std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  std::size_t sent = 0;
  while (sent < data.size()) {
    const int descriptor = connection.descriptor();
    if (descriptor < 0) return {static_cast<std::int64_t>(sent), wsaEnotconn};
    const auto n = ::send(descriptor, data.data() + sent, data.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n >= 0) {
      sent += static_cast<std::size_t>(n);
      continue;
    }
    const auto error = gf_lastSocketError();
    if (error == wsaEintr) continue;
    if (error != wsaEwouldblock) return {static_cast<std::int64_t>(sent), error};
    if (const auto waited = waitFor(descriptor, POLLOUT, deadline); waited != 0)
      return {static_cast<std::int64_t>(sent), waited};
  }
  return {static_cast<std::int64_t>(sent), 0};
}

NetResult gf_receiveWithin(TcpConnection& connection, std::span<char> buffer, std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  while (true) {
    const int descriptor = connection.descriptor();
    if (descriptor < 0) return {0, wsaEnotconn};
    const auto n = ::recv(descriptor, buffer.data(), buffer.size(), MSG_DONTWAIT);
    if (n >= 0) return {static_cast<std::int64_t>(n), 0};
    const auto error = gf_lastSocketError();
    if (error == wsaEintr) continue;
    if (error != wsaEwouldblock) return {0, error};
    if (const auto waited = waitFor(descriptor, POLLIN, deadline); waited != 0) return {0, waited};
  }
}

bool gf_waitForConnection(const TcpListener& listener, std::chrono::milliseconds limit) {
  const int descriptor = listener.descriptor();
  if (descriptor < 0) return true;
  return waitFor(descriptor, POLLIN, Clock::now() + limit) != wsaEtimedout;
}

} // namespace gwr::platform
