// Opening a folder with the desktop's xdg-open, started detached, and the
// stand-in message box until the window layer provides its dialog.
#include "platform/sys/shell.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <iostream>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>
#include <utility>
#include <vector>

namespace gwr::platform {

namespace {

constexpr const char* lf_openerName = "xdg-open";

std::mutex hooksMutex;
ShellHooks installedHooks;

std::optional<std::filesystem::path> lf_findOnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return std::nullopt;
  const std::string_view folders(path);
  std::size_t start = 0;
  while (start <= folders.size()) {
    std::size_t end = folders.find(':', start);
    if (end == std::string_view::npos) end = folders.size();
    const std::string_view folder = folders.substr(start, end - start);
    // An empty entry means the current folder.
    const std::filesystem::path candidate =
        (folder.empty() ? std::filesystem::path(".") : std::filesystem::path(folder)) / program;
    std::error_code error;
    if (::access(candidate.c_str(), X_OK) == 0 && !std::filesystem::is_directory(candidate, error))
      return candidate;
    start = end + 1;
  }
  return std::nullopt;
}

// Starts program with one argument in a grandchild that init adopts, so that
// nobody has to reap it. True once exec has succeeded.
bool lf_spawnDetached(const std::filesystem::path& program, const std::string& argument) {
  std::string programText = program.string();
  std::string argumentText = argument;
  std::vector<char*> argv{programText.data(), argumentText.data(), nullptr};

  int execReport[2];
  if (::pipe2(execReport, O_CLOEXEC) != 0) return false;

  const pid_t child = ::fork();
  if (child < 0) {
    ::close(execReport[0]);
    ::close(execReport[1]);
    return false;
  }
  if (child == 0) {
    // Only async-signal-safe calls from here on.
    ::close(execReport[0]);
    ::setsid();
    const pid_t grandchild = ::fork();
    if (grandchild == 0) {
      ::execv(argv[0], argv.data());
      const int error = errno;
      [[maybe_unused]] auto written = ::write(execReport[1], &error, sizeof error);
      ::_exit(127);
    }
    ::_exit(grandchild < 0 ? 1 : 0);
  }

  ::close(execReport[1]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  bool started = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  // The pipe closes without data when exec succeeded.
  int execError = 0;
  ssize_t got = 0;
  while ((got = ::read(execReport[0], &execError, sizeof execError)) < 0 && errno == EINTR) {
  }
  if (got > 0) started = false;
  ::close(execReport[0]);
  return started;
}

} // namespace

bool openFolderInShell(const std::filesystem::path& folder) {
  std::function<bool(const std::filesystem::path&)> hook;
  {
    const std::lock_guard lock(hooksMutex);
    hook = installedHooks.openFolder;
  }
  if (hook) return hook(folder);

  const auto opener = lf_findOnPath(lf_openerName);
  if (!opener) return false;
  // Absolute, so that a name starting with '-' is never taken for an option.
  std::error_code error;
  const auto absoluteFolder = std::filesystem::absolute(folder, error);
  if (error) return false;
  return lf_spawnDetached(*opener, absoluteFolder.string());
}

void showMessageBox(const std::string& text, const std::string& caption) {
  std::function<void(const std::string&, const std::string&)> hook;
  {
    const std::lock_guard lock(hooksMutex);
    hook = installedHooks.messageBox;
  }
  if (hook) {
    hook(text, caption);
    return;
  }
  std::cerr << caption << ": " << text << std::endl;
}

void setShellHooksForTests(ShellHooks hooks) {
  const std::lock_guard lock(hooksMutex);
  installedHooks = std::move(hooks);
}

} // namespace gwr::platform
