// Starting and stopping the test's own Xvfb: -displayfd lets the server take
// the first free display number and tell it back through a pipe.
#include "platform/harness/xvfb_server.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace gwr::testsupport {

namespace {

constexpr int startTimeoutMilliseconds = 15000;
constexpr std::string_view screenGeometry = "1280x1024x24";

std::string lf_findOnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::string_view rest = path != nullptr ? path : "/usr/bin:/bin";
  while (!rest.empty()) {
    const auto colon = rest.find(':');
    const std::filesystem::path candidate = std::filesystem::path(rest.substr(0, colon)) / program;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
    rest = colon == std::string_view::npos ? std::string_view{} : rest.substr(colon + 1);
  }
  return {};
}

// The display number Xvfb writes, or an empty text when it writes none in time.
std::string lf_readDisplayNumber(int fd) {
  std::string number;
  pollfd waiting{fd, POLLIN, 0};
  while (::poll(&waiting, 1, startTimeoutMilliseconds) > 0) {
    char c = 0;
    if (::read(fd, &c, 1) != 1) break;
    if (c == '\n') return number;
    number.push_back(c);
  }
  return {};
}

} // namespace

std::unique_ptr<XvfbServer> XvfbServer::start(std::string& whyNot) {
  const std::string program = lf_findOnPath("Xvfb");
  if (program.empty()) {
    whyNot = "Xvfb is not installed (the xvfb package); the real-window tests need it";
    return nullptr;
  }
  std::array<int, 2> ends{};
  if (::pipe(ends.data()) != 0) {
    whyNot = std::string("pipe: ") + std::strerror(errno);
    return nullptr;
  }
  const std::string fdText = std::to_string(ends[1]);
  const std::string geometry(screenGeometry);
  // -noreset: the server would otherwise reset, refusing connections for a
  // moment, each time its last client leaves.
  std::vector<const char*> argv{program.c_str(), "-displayfd", fdText.c_str(), "-screen", "0",
                                geometry.c_str(), "-nolisten", "tcp", "-noreset", nullptr};
  const pid_t parent = ::getpid();
  const pid_t child = ::fork();
  if (child == 0) {
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) ::_exit(1);
    const int quiet = ::open("/dev/null", O_WRONLY);
    ::dup2(quiet, STDOUT_FILENO);
    ::dup2(quiet, STDERR_FILENO);
    ::close(ends[0]);
    ::execv(program.c_str(), const_cast<char* const*>(argv.data()));
    ::_exit(127);
  }
  ::close(ends[1]);
  if (child < 0) {
    ::close(ends[0]);
    whyNot = std::string("fork: ") + std::strerror(errno);
    return nullptr;
  }
  const std::string number = lf_readDisplayNumber(ends[0]);
  ::close(ends[0]);
  if (number.empty()) {
    ::kill(child, SIGTERM);
    ::waitpid(child, nullptr, 0);
    whyNot = "Xvfb did not come up";
    return nullptr;
  }
  std::unique_ptr<XvfbServer> server(new XvfbServer(child, ":" + number));
  ::setenv("DISPLAY", server->name.c_str(), 1);
  return server;
}

XvfbServer::~XvfbServer() {
  ::kill(pid, SIGTERM);
  ::waitpid(pid, nullptr, 0);
}

XvfbServer* gf_sharedXvfb(std::string& whyNot) {
  static std::string reason;
  static std::unique_ptr<XvfbServer> server = XvfbServer::start(reason);
  whyNot = reason;
  return server.get();
}

} // namespace gwr::testsupport
