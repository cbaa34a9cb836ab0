// The common part of the program's IPv4 sockets: an owned descriptor that is
// closed with its object, addresses, and results carrying Winsock error codes.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>

namespace gwr::platform {

// An IPv4 address in host byte order.
struct Ipv4Address {
  std::uint32_t value = 0;

  static constexpr Ipv4Address any() { return {0x00000000U}; }       // INADDR_ANY
  static constexpr Ipv4Address loopback() { return {0x7F000001U}; }  // 127.0.0.1
  constexpr bool operator==(const Ipv4Address&) const = default;
};

// What a send or receive did: a byte count, or a Winsock error code.
struct NetResult {
  std::int64_t count = 0;
  std::int32_t error = 0;  // 0: success
  bool ok() const { return error == 0; }
};

// Owns one socket descriptor; move-only. The descriptor is atomic so that
// another thread may shut the socket down to end a blocking call.
class Socket {
public:
  Socket() = default;
  ~Socket();
  Socket(Socket&& other) noexcept;
  Socket& operator=(Socket&& other) noexcept;
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;

  bool valid() const { return fd.load() >= 0; }
  int descriptor() const { return fd.load(); }

  // Binds to address:port (port 0: any free port); 0 or a Winsock code.
  std::int32_t bind(Ipv4Address address, std::uint16_t port);
  // The bound port; 0 when unbound or closed.
  std::uint16_t localPort() const;
  // Sets SO_RCVTIMEO; 0 or a Winsock code.
  std::int32_t setReceiveTimeout(std::chrono::milliseconds timeout);

  // Shuts both directions down, which wakes a blocked receive or accept on
  // another thread; the descriptor stays open. Safe from any thread.
  void shutdownBoth();
  // Closes the descriptor (after a shutdown when `shutdownFirst`); safe to repeat.
  void close(bool shutdownFirst = false);

protected:
  // Opens a new descriptor of the given type, closing any earlier one.
  std::int32_t openDescriptor(int type, int protocol);
  void adopt(int descriptor) { close(); fd.store(descriptor); }

private:
  std::atomic<int> fd{-1};
};

} // namespace gwr::platform
