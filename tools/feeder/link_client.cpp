// Connection loop of the feeder's TCP link: connect, receive with a short
// time-out, answer through the conversation, and connect again.
#include "feeder/link_client.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <thread>

#include <fmt/format.h>

#include "core/text_utils.h"
#include "feeder/feeder_constants.h"
#include "feeder/link_conversation.h"
#include "platform/net/socket_error.h"
#include "platform/net/tcp_socket.h"

namespace gwr::feeder {

namespace {

constexpr std::chrono::milliseconds stopPoll{200};  // receive time-out: how soon a stop is seen
constexpr std::chrono::milliseconds pauseSlice{20};
constexpr std::size_t receiveBytes = 4096;

bool lf_pause(const std::atomic<bool>& stop, double seconds) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!stop.load() && std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(std::min<std::chrono::duration<double>>(pauseSlice, until - std::chrono::steady_clock::now()));
  return !stop.load();
}

} // namespace

void LinkClient::run(const std::atomic<bool>& stop) {
  std::int32_t lastError = 0;
  while (!stop.load()) {
    platform::TcpConnection socket;
    if (const auto error = socket.connect(platform::Ipv4Address::loopback(), port_); error != 0) {
      // One message per kind of failure, not one per attempt.
      if (error != lastError) onStatus_(fmt::format("link: cannot connect to port {}: {}", port_, gf_winsockErrorText(error)));
      lastError = error;
      lf_pause(stop, retrySeconds_);
      continue;
    }
    lastError = 0;
    onStatus_(fmt::format("link: connected to port {}", port_));
    converse(stop, socket);
    socket.close(true);
  }
}

void LinkClient::converse(const std::atomic<bool>& stop, platform::TcpConnection& socket) {
  if (const auto error = socket.setReceiveTimeout(stopPoll); error != 0) {
    onStatus_(fmt::format("link: receive time-out not set: {}", gf_winsockErrorText(error)));
    return;
  }
  bool sendFailed = false;
  LinkConversation conversation(onLine_, [&](std::string_view bytes) {
    if (const auto sent = socket.sendAll(bytes); !sent.ok()) {
      onStatus_(fmt::format("link: reply not sent: {}", gf_winsockErrorText(sent.error)));
      sendFailed = true;
    }
  });
  std::array<char, receiveBytes> buffer{};
  while (!stop.load() && !sendFailed) {
    const platform::NetResult got = socket.receive(buffer);
    if (!got.ok()) {
      if (platform::gf_isReceiveTimeout(got.error)) continue;
      onStatus_(fmt::format("link: receive failed: {}", gf_winsockErrorText(got.error)));
      return;
    }
    if (got.count == 0) {
      onStatus_(conversation.goodbyeSeen() ? "link: the program said goodbye" : "link: closed by the program");
      return;
    }
    conversation.receive(std::string_view(buffer.data(), static_cast<std::size_t>(got.count)));
  }
}

} // namespace gwr::feeder
