// Maps POSIX errno values onto the Windows Sockets error numbers whose texts
// the program logs.
#include "platform/net/socket_error.h"

#include <algorithm>
#include <cerrno>
#include <iterator>

namespace gwr::platform {
namespace {

struct ErrnoToWinsock {
  int errnoValue;
  std::int32_t winsockCode;
};

constexpr ErrnoToWinsock errnoTable[] = {
    {EINTR, wsaEintr},           {EBADF, wsaEbadf},           {EACCES, 10013},
    {EFAULT, 10014},             {EINVAL, wsaEinval},         {EMFILE, 10024},
    {ENFILE, 10024},             {EWOULDBLOCK, wsaEwouldblock}, {EINPROGRESS, 10036},
    {EALREADY, 10037},           {ENOTSOCK, 10038},           {EDESTADDRREQ, 10039},
    {EMSGSIZE, wsaEmsgsize},     {EPROTOTYPE, 10041},         {ENOPROTOOPT, 10042},
    {EPROTONOSUPPORT, 10043},    {ESOCKTNOSUPPORT, 10044},    {EOPNOTSUPP, 10045},
    {EPFNOSUPPORT, 10046},       {EAFNOSUPPORT, 10047},       {EADDRINUSE, wsaEaddrinuse},
    {EADDRNOTAVAIL, 10049},      {ENETDOWN, 10050},           {ENETUNREACH, 10051},
    {ENETRESET, 10052},          {ECONNABORTED, 10053},       {ECONNRESET, wsaEconnreset},
    {EPIPE, wsaEconnreset},      {ENOBUFS, 10055},            {EISCONN, 10056},
    {ENOTCONN, wsaEnotconn},     {ESHUTDOWN, wsaEshutdown},   {ETOOMANYREFS, 10059},
    {ETIMEDOUT, wsaEtimedout},   {ECONNREFUSED, wsaEconnrefused}, {ELOOP, 10062},
    {ENAMETOOLONG, 10063},       {EHOSTDOWN, 10064},          {EHOSTUNREACH, 10065},
};

} // namespace

std::int32_t gf_winsockCodeOf(int errnoValue) {
  // EAGAIN and EWOULDBLOCK may differ on some systems; both mean "would block".
  if (errnoValue == EAGAIN) return wsaEwouldblock;
  const auto* found = std::find_if(std::begin(errnoTable), std::end(errnoTable),
                                   [errnoValue](const ErrnoToWinsock& e) { return e.errnoValue == errnoValue; });
  return found != std::end(errnoTable) ? found->winsockCode : errnoValue;
}

std::int32_t gf_lastSocketError() { return gf_winsockCodeOf(errno); }

bool gf_isReceiveTimeout(std::int32_t winsockCode) {
  return winsockCode == wsaEintr || winsockCode == wsaEwouldblock || winsockCode == wsaEtimedout;
}

} // namespace gwr::platform
