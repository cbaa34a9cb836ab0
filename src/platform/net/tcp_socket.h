// IPv4 TCP sockets: a listening socket that accepts connections, and a
// connected socket that sends and receives bytes and CR LF terminated lines.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/net/socket.h"

namespace gwr::platform {

// The calls that open a listening socket, and the one option set on an
// accepted connection, by name: a failure is reported by the call that failed.
enum class SocketStep { socket, blocking, reuseAddress, bind, listen, noDelay };

// What listening came to: the step that failed and its Winsock code, or error 0.
struct ListenResult {
  SocketStep step = SocketStep::listen;
  std::int32_t error = 0;
  bool ok() const { return error == 0; }
};

// Tests only: the next time `step` runs it fails with the Winsock code, once.
void gf_failSocketStepForTests(SocketStep step, std::int32_t winsockCode);

class TcpConnection : public Socket {
public:
  TcpConnection() = default;

  // Sends small writes at once (TCP_NODELAY); 0 or a Winsock code.
  std::int32_t setNoDelay();

  // Opens a socket and connects it to address:port; 0 or a Winsock code.
  std::int32_t connect(Ipv4Address address, std::uint16_t port);

  // Sends all of data (repeating short sends); the count is data's size on success.
  NetResult sendAll(std::string_view data);
  // Sends line followed by CR LF.
  NetResult sendLine(std::string_view line);

  // Receives what has arrived, up to buffer's size; a count of 0 means the
  // peer closed the connection.
  NetResult receive(std::span<char> buffer);

  // Receives the next line, without its LF and a CR before it. A count of 0
  // with no error means the peer closed; an unterminated rest is returned as
  // the last line. A line longer than maxLineBytes is an error (WSAEMSGSIZE).
  NetResult receiveLine(std::string& line);

  static constexpr std::size_t maxLineBytes = 65536;

private:
  friend class TcpListener;
  explicit TcpConnection(int descriptor) { adopt(descriptor); }

  std::string pending;  // bytes received after the last line handed out
};

class TcpListener : public Socket {
public:
  // Opens a blocking socket (reusing a port left in TIME_WAIT), binds it to
  // address:port and listens; 0 or a Winsock code. On failure the socket is closed.
  std::int32_t listen(Ipv4Address address, std::uint16_t port, int backlog = defaultBacklog);
  // The same, naming the step that failed. A listener that is not blocking
  // never holds its thread: accept then reports wsaEwouldblock when no
  // connection is waiting.
  ListenResult listenSteps(Ipv4Address address, std::uint16_t port, int backlog, bool blocking = true);

  // Takes the next connection, waiting for one when the listener blocks.
  // `connection` is valid on success; the result's error is set when the
  // socket was shut down or failed, or nothing waits at a non-blocking one.
  NetResult accept(TcpConnection& connection);

  static constexpr int defaultBacklog = 4;
};

} // namespace gwr::platform
