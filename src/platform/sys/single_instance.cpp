// Single instance by flock(): the kernel drops the lock when the process ends,
// so a crashed instance never leaves a stale lock behind.
#include "platform/sys/single_instance.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace gwr::platform {

namespace {
constexpr mode_t lf_lockFileMode = 0600;  // owner read/write only
}

std::string gf_singleInstanceLockName() { return "GWRT-" + std::to_string(::geteuid()) + ".lock"; }

std::filesystem::path SingleInstance::defaultFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && *runtime != '\0') return runtime;
  return "/tmp";
}

SingleInstance::SingleInstance() : SingleInstance(defaultFolder()) {}

SingleInstance::SingleInstance(const std::filesystem::path& folder) {
  const auto lockPath = folder / gf_singleInstanceLockName();
  // No following of symlinks: the fallback folder is world-writable.
  const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, lf_lockFileMode);
  if (fd < 0) return;
  int result = 0;
  while ((result = ::flock(fd, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
  }
  if (result != 0) {
    ::close(fd);
    return;
  }
  lockFd = fd;
}

SingleInstance::~SingleInstance() {
  // Closing the only descriptor of the open file releases the lock.
  if (lockFd >= 0) ::close(lockFd);
}

} // namespace gwr::platform
