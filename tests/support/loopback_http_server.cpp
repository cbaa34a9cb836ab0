// A single-threaded HTTP server for download tests: one connection at a time,
// GET only, "Connection: close" on every answer, each request path logged.
#include "support/loopback_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <thread>

#include <fmt/format.h>

namespace gwr::testsupport {

namespace {

constexpr int pollIntervalMs = 20;
constexpr std::size_t stallSentBytes = 4;
constexpr std::size_t stallMissingBytes = 1000;  // promised but never sent

constexpr std::size_t floodChunkBytes = 64 * 1024;
constexpr long floodSendTimeoutSeconds = 2;

// The bytes sent; fewer when the peer went away.
std::size_t sendAll(int fd, std::string_view data) {
  std::size_t total = 0;
  while (!data.empty()) {
    const ssize_t sent = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
    if (sent <= 0) break;
    data.remove_prefix(static_cast<std::size_t>(sent));
    total += static_cast<std::size_t>(sent);
  }
  return total;
}

} // namespace

LoopbackHttpServer::LoopbackHttpServer() {
  listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener_, 8) != 0 || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    if (listener_ >= 0) ::close(listener_);
    throw std::runtime_error("test server: cannot listen on 127.0.0.1");
  }
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] {
    while (waitReadable(listener_)) {
      const int client = ::accept(listener_, nullptr, nullptr);
      if (client < 0) continue;
      answer(client);
      ::close(client);
    }
  });
}

LoopbackHttpServer::~LoopbackHttpServer() {
  stopping_ = true;
  thread_.join();
  ::close(listener_);
}

void LoopbackHttpServer::addRoute(const std::string& path, Route route) {
  const std::lock_guard lock(routesMutex_);
  routes_[path] = std::move(route);
}

std::vector<std::string> LoopbackHttpServer::requests() const {
  const std::lock_guard lock(routesMutex_);
  return requests_;
}

std::string LoopbackHttpServer::url(std::string_view path) const {
  return fmt::format("http://127.0.0.1:{}{}", port_, path);
}

bool LoopbackHttpServer::waitReadable(int fd) const {
  pollfd entry{fd, POLLIN, 0};
  while (!stopping_)
    if (::poll(&entry, 1, pollIntervalMs) > 0) return true;
  return false;
}

void LoopbackHttpServer::answer(int client) {
  std::string request;
  char buffer[1024];
  while (request.find("\r\n\r\n") == std::string::npos) {
    if (!waitReadable(client)) return;
    const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
    if (got <= 0) return;
    request.append(buffer, static_cast<std::size_t>(got));
  }
  // "GET /path HTTP/1.1"
  const std::size_t pathStart = request.find(' ') + 1;
  const std::string path = request.substr(pathStart, request.find(' ', pathStart) - pathStart);
  Route route{404, "not found"};
  {
    const std::lock_guard lock(routesMutex_);
    requests_.push_back(path);
    if (const auto found = routes_.find(path); found != routes_.end()) route = found->second;
  }
  if (route.floodBytes > 0) {
    // A client that stops reading but keeps the connection must not hold the server.
    const timeval sendLimit{floodSendTimeoutSeconds, 0};
    ::setsockopt(client, SOL_SOCKET, SO_SNDTIMEO, &sendLimit, sizeof sendLimit);
    sendAll(client, fmt::format("HTTP/1.1 {} Test\r\nConnection: close\r\n\r\n", route.status));
    const std::string chunk(floodChunkBytes, 'x');
    for (std::uint64_t left = route.floodBytes; left > 0 && !stopping_;) {
      const std::size_t size = static_cast<std::size_t>(std::min<std::uint64_t>(left, chunk.size()));
      const std::size_t sent = sendAll(client, std::string_view(chunk).substr(0, size));
      sentBodyBytes_ += sent;
      if (sent < size) return;
      left -= sent;
    }
    return;
  }
  const std::size_t promised = route.body.size() + (route.stall ? stallMissingBytes : 0);
  const std::string location = route.location.empty() ? "" : fmt::format("Location: {}\r\n", route.location);
  sendAll(client, fmt::format("HTTP/1.1 {} Test\r\n{}Content-Length: {}\r\nConnection: close\r\n\r\n",
                              route.status, location, promised));
  if (route.cutShort) {
    sentBodyBytes_ += sendAll(client, std::string_view(route.body).substr(0, route.body.size() / 2));
    return;
  }
  if (route.trickleEvery.count() > 0) {
    const std::size_t each = std::max<std::size_t>(route.trickleBytes, 1);
    for (std::size_t next = 0; next < route.body.size() && !stopping_; next += each) {
      const std::string_view part = std::string_view(route.body).substr(next, each);
      if (sendAll(client, part) != part.size()) return;
      sentBodyBytes_ += part.size();
      // The wait between bytes ends early when the client goes away.
      pollfd entry{client, POLLIN, 0};
      if (::poll(&entry, 1, static_cast<int>(route.trickleEvery.count())) > 0 &&
          ::recv(client, buffer, sizeof buffer, 0) <= 0)
        return;
    }
    return;
  }
  if (!route.stall) {
    sentBodyBytes_ += sendAll(client, route.body);
    return;
  }
  sendAll(client, std::string_view(route.body).substr(0, stallSentBytes));
  // Hold the connection open, silent, until the client gives up.
  while (waitReadable(client))
    if (::recv(client, buffer, sizeof buffer, 0) <= 0) return;
}

} // namespace gwr::testsupport
