// Test helper: a tiny HTTP/1.1 server on 127.0.0.1 and an ephemeral port that
// answers scripted routes, 404 for others, and logs every request path.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace gwr::testsupport {

class LoopbackHttpServer {
 public:
  struct Route {
    int status = 200;
    std::string body;
    bool stall = false;  // send the headers and a little of the body, then nothing
    bool cutShort = false;  // promise the whole body, send half of it and close
    // Instead of body: this many filler bytes without a Content-Length, as a
    // hostile server sends, until the client stops reading.
    std::uint64_t floodBytes = 0;
    std::string location{};  // sent as a Location header when not empty
    // When not zero: the body trickleBytes at a time, that many bytes each
    // this often, as a server that is slow but never silent sends it.
    std::chrono::milliseconds trickleEvery{0};
    std::size_t trickleBytes = 1;
  };

  LoopbackHttpServer();  // listening at once; throws std::runtime_error when it cannot
  ~LoopbackHttpServer();
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  void addRoute(const std::string& path, Route route);
  std::string url(std::string_view path) const;  // "http://127.0.0.1:<port>" + path
  std::vector<std::string> requests() const;      // the paths asked for, oldest first
  std::uint64_t sentBodyBytes() const { return sentBodyBytes_.load(); }  // of every answer so far

 private:
  void answer(int client);
  bool waitReadable(int fd) const;  // false once stopping

  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<std::uint64_t> sentBodyBytes_{0};
  mutable std::mutex routesMutex_;
  std::map<std::string, Route> routes_;
  std::vector<std::string> requests_;
  std::thread thread_;
};

} // namespace gwr::testsupport
