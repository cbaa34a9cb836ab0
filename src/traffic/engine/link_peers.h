// Connections at the link's port that have been asked for their version and
// not answered yet. They are looked at in rounds that never wait, so a peer
// that stays silent costs the traffic loop nothing, and all of them together
// no more than one handshake time.
#pragma once

#include <chrono>
#include <deque>
#include <mutex>

#include "platform/net/tcp_socket.h"

namespace gwr {

class WaitingPeers {
public:
  using Clock = std::chrono::steady_clock;

  // One round: every waiting peer that answered, closed or outlived
  // `handshake` leaves; then each connection waiting at the listener is
  // taken and asked for its version. The first peer that answered is handed
  // out (the others are closed with a line, they are not needed); an invalid
  // connection when none did. Lines only while `quiet` is false.
  platform::TcpConnection round(platform::TcpListener& listener, std::chrono::milliseconds handshake, bool quiet);
  // Closes every waiting peer. Any thread.
  void closeAll();
  std::size_t size();
  // The last round's accept failed (no file descriptors left, say): the
  // listener may stay readable, so waiting on it would not wait.
  bool acceptFailing();

private:
  struct Peer {
    platform::TcpConnection socket;
    Clock::time_point deadline;
    std::chrono::milliseconds limit;
  };
  // What a waiting peer did since the last round.
  enum class Reply { none, answered, closed, failed };
  Reply lookAt(Peer& peer, Clock::time_point now, bool quiet);
  void takeNew(platform::TcpListener& listener, std::chrono::milliseconds handshake, bool quiet);

  std::mutex mutex_;  // the round runs on the traffic thread, a close may come from any
  std::deque<Peer> peers_;
  bool acceptFailing_ = false;
};

} // namespace gwr
