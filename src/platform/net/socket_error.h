// Socket failures as Windows Sockets error numbers: the program logs their
// texts, so the POSIX errno values are mapped onto the Winsock codes.
#pragma once

#include <cstdint>

namespace gwr::platform {

// The Winsock codes the program tests for by name.
inline constexpr std::int32_t wsaEintr = 10004;
inline constexpr std::int32_t wsaEbadf = 10009;
inline constexpr std::int32_t wsaEinval = 10022;
inline constexpr std::int32_t wsaEwouldblock = 10035;
inline constexpr std::int32_t wsaEmsgsize = 10040;
inline constexpr std::int32_t wsaEaddrinuse = 10048;
inline constexpr std::int32_t wsaEconnreset = 10054;
inline constexpr std::int32_t wsaEnotconn = 10057;
inline constexpr std::int32_t wsaEshutdown = 10058;
inline constexpr std::int32_t wsaEtimedout = 10060;
inline constexpr std::int32_t wsaEconnrefused = 10061;
inline constexpr std::int32_t wsaTypeNotFound = 10109;  // getaddrinfo: no such service (port)

// The Winsock code for an errno value; a value without a Winsock counterpart
// is returned unchanged (it reads as an unknown code in the log).
std::int32_t gf_winsockCodeOf(int errnoValue);

// gf_winsockCodeOf(errno) of the calling thread.
std::int32_t gf_lastSocketError();

// A receive that only ran into its time-out or a signal: no failure.
bool gf_isReceiveTimeout(std::int32_t winsockCode);

} // namespace gwr::platform
