// The link's waiting peers: version requests sent and replies looked for
// without waiting, the silent and the closed ones dropped with counted lines.
#include "traffic/engine/link_peers.h"

#include <array>
#include <string>

#include <fmt/format.h>

#include "core/clock.h"
#include "core/text_utils.h"
#include "platform/net/socket_error.h"
#include "platform/net/tcp_deadline.h"
#include "traffic/engine/engine_constants.h"
#include "traffic/engine/link_log.h"
#include "traffic/engine/realtraffic_link.h"

namespace gwr {
namespace {

constexpr std::chrono::milliseconds noWait{0};
constexpr std::string_view closedEarlyText =
    "RealTraffic link: connection closed by the peer before it answered the version request";

void lf_logUnlessQuiet(bool quiet, LinkLogKind kind, std::string_view text) {
  if (!quiet) gf_logLink(kind, text);
}

// A user who sees a connection go should learn why.
void lf_logPassedOver(bool quiet) {
  lf_logUnlessQuiet(quiet, LinkLogKind::passedOver,
                    "RealTraffic link: connection closed, another connection answered the version request first");
}

} // namespace

platform::TcpConnection WaitingPeers::round(platform::TcpListener& listener, std::chrono::milliseconds handshake,
                                            bool quiet) {
  const std::lock_guard lock(mutex_);
  const auto now = Clock::now();
  platform::TcpConnection answered;
  for (auto peer = peers_.begin(); peer != peers_.end();) {
    const Reply reply = lookAt(*peer, now, quiet);
    if (reply == Reply::none) {
      ++peer;
      continue;
    }
    if (reply == Reply::answered) {
      if (!answered.valid()) {
        answered = std::move(peer->socket);
      } else {
        lf_logPassedOver(quiet);
      }
    }
    peer = peers_.erase(peer);
  }
  if (answered.valid()) {
    for (std::size_t left = 0; left < peers_.size(); ++left) lf_logPassedOver(quiet);
    peers_.clear();
    return answered;
  }
  takeNew(listener, handshake, quiet);
  return answered;
}

WaitingPeers::Reply WaitingPeers::lookAt(Peer& peer, Clock::time_point now, bool quiet) {
  std::array<char, linkReceiveBytes> buffer{};
  const auto got = platform::gf_receiveWithin(peer.socket, buffer, noWait);
  if ((got.ok() && got.count == 0) || got.error == platform::wsaEconnreset) {
    // Gone before it answered (a reset when it left our request unread): not
    // silent, and nothing to wait for.
    lf_logUnlessQuiet(quiet, LinkLogKind::closedEarly, closedEarlyText);
    return Reply::closed;
  }
  if (got.ok() && static_cast<std::size_t>(got.count) >= linkReceiveBytes) {
    lf_logUnlessQuiet(quiet, LinkLogKind::overrun, fmt::format("receive: buffer overrun: {}", got.count));
    return Reply::failed;
  }
  if (got.ok()) return Reply::answered;
  if (got.error != platform::wsaEtimedout) {
    lf_logUnlessQuiet(quiet, LinkLogKind::receiveFailed, fmt::format("receive: {}", gf_winsockErrorText(got.error)));
    return Reply::failed;
  }
  if (now < peer.deadline) return Reply::none;
  lf_logUnlessQuiet(quiet, LinkLogKind::noAnswer,
                    fmt::format("RealTraffic link: no answer to the version request within {} ms, connection closed",
                                peer.limit.count()));
  return Reply::failed;
}

void WaitingPeers::takeNew(platform::TcpListener& listener, std::chrono::milliseconds handshake, bool quiet) {
  // At most a round's worth: a flood of connections cannot keep the round going.
  for (std::size_t taken = 0; taken < linkWaitingPeersMost; ++taken) {
    platform::TcpConnection connection;
    const auto accepted = listener.accept(connection);
    acceptFailing_ = !accepted.ok() && accepted.error != platform::wsaEwouldblock && listener.valid();
    if (acceptFailing_) {
      lf_logUnlessQuiet(quiet, LinkLogKind::acceptFailed,
                        fmt::format("RealTraffic link: accept failed: {}", gf_winsockErrorText(accepted.error)));
    }
    if (!accepted.ok() || !connection.valid()) return;
    // Each line goes out as it is written: RealTraffic takes the position at once.
    if (const auto code = connection.setNoDelay(); code != 0) {
      lf_logUnlessQuiet(quiet, LinkLogKind::noDelay,
                        fmt::format("waitForClient interrupted: {} setsockopt failed with error {}", gf_nowTimeOfDay(),
                                    gf_winsockErrorText(code)));
      continue;
    }
    // The request fits into the empty send buffer of a new connection.
    // A peer that reset before it was asked is one that closed first, not a
    // failing RealTraffic client: its lines must not hold back the client's.
    if (const auto sent = platform::gf_sendAllWithin(connection, versionRequestLine, noWait); !sent.ok()) {
      if (sent.error == platform::wsaEconnreset) {
        lf_logUnlessQuiet(quiet, LinkLogKind::closedEarly, closedEarlyText);
      } else {
        lf_logUnlessQuiet(quiet, LinkLogKind::requestFailed,
                          fmt::format("RealTraffic link: version request failed: {}", gf_winsockErrorText(sent.error)));
      }
      continue;
    }
    if (peers_.size() >= linkWaitingPeersMost) {
      peers_.pop_front();
      lf_logUnlessQuiet(quiet, LinkLogKind::tooManyWaiting,
                        fmt::format("RealTraffic link: more than {} connections wait for the version answer, "
                                    "the oldest closed",
                                    linkWaitingPeersMost));
    }
    // Its time counts from its request: a round held up on a busy machine
    // must not shorten the wait of the peers it takes late.
    peers_.push_back({std::move(connection), Clock::now() + handshake, handshake});
  }
}

void WaitingPeers::closeAll() {
  const std::lock_guard lock(mutex_);
  peers_.clear();
  acceptFailing_ = false;
}

bool WaitingPeers::acceptFailing() {
  const std::lock_guard lock(mutex_);
  return acceptFailing_;
}

std::size_t WaitingPeers::size() {
  const std::lock_guard lock(mutex_);
  return peers_.size();
}

} // namespace gwr
