// Sends and receives on a TCP connection that give up after a time limit, so
// that a peer which stops reading or never answers cannot hold a thread.
#pragma once

#include <chrono>
#include <span>
#include <string_view>

#include "platform/net/tcp_socket.h"

namespace gwr::platform {

// Sends all of data, waiting at most `limit` in all for the peer to take it.
// Past the limit the result carries wsaEtimedout and the bytes sent so far;
// the connection is then out of step and should be closed.
NetResult gf_sendAllWithin(TcpConnection& connection, std::string_view data, std::chrono::milliseconds limit);

// Receives what arrives within `limit`, up to buffer's size. A count of 0
// without error: the peer closed; wsaEtimedout: nothing came in time.
NetResult gf_receiveWithin(TcpConnection& connection, std::span<char> buffer, std::chrono::milliseconds limit);

// Waits at most `limit` for a connection to arrive at the listener; true
// when one waits (or the listener was closed or failed: accept tells).
bool gf_waitForConnection(const TcpListener& listener, std::chrono::milliseconds limit);

} // namespace gwr::platform
