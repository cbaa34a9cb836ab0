// Test helper: a tiny HTTP/1.1 server on 127.0.0.1 and an ephemeral port that
// answers fixed routes, 404 for others, and can stall in mid-body.
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace gwr::testsupport {

class LoopbackHttpServer {
 public:
  struct Route {
    int status = 200;
    std::string body;
    bool stall = false;     // send the headers and a little of the body, then nothing
    bool cutShort = false;  // send the headers and a little of the body, then close
  };

  LoopbackHttpServer();  // listening at once; throws std::runtime_error when it cannot
  ~LoopbackHttpServer();
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  void addRoute(const std::string& path, Route route);
  std::string url(std::string_view path) const;  // "http://127.0.0.1:<port>" + path

 private:
  void answer(int client);
  bool waitReadable(int fd) const;  // false once stopping

  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::mutex routesMutex_;
  std::map<std::string, Route> routes_;
  std::thread thread_;
};

} // namespace gwr::testsupport
