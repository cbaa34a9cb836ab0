// Single instance by flock(): the kernel drops the lock when the process ends,
// so a crashed instance never leaves a stale lock behind.
#include "platform/sys/single_instance.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/sys/native_path.h"

namespace gwr::platform {

namespace {

constexpr mode_t lf_lockFileMode = 0600;  // owner read/write only

std::string lf_failure(const std::filesystem::path& lockPath, const char* step, int error) {
  return "lock file '" + lockPath.string() + "' " + step + ": " + std::strerror(error);
}

} // namespace

std::string gf_singleInstanceLockName() { return "GWRT-" + std::to_string(::geteuid()) + ".lock"; }

std::filesystem::path SingleInstance::defaultFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && *runtime != '\0') return runtime;
  return "/tmp";
}

SingleInstance::SingleInstance() : SingleInstance(defaultFolder()) {}

SingleInstance::SingleInstance(const std::filesystem::path& folder) {
  const auto lockPath = folder / gf_singleInstanceLockName();
  // Opened the one way files are written, never following a link at its
  // name: the fallback folder is world-writable.
  FileKind kind = FileKind::missing;
  const Folder lockFolder(folder, kind);
  const int fd = openForWriting(lockFolder, lockPath.filename(), ExistingText::kept, kind, LinkAtName::refused,
                                lf_lockFileMode);
  if (fd < 0) {
    // A missing folder, a link or another user's file in the way: that says
    // nothing about another instance, so it must not pass for one.
    why = lf_failure(lockPath, "cannot be opened", errno);
    return;
  }
  int result = 0;
  while ((result = ::flock(fd, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
  }
  if (result != 0) {
    const int error = errno;
    ::close(fd);
    if (error == EWOULDBLOCK) {
      current = State::heldElsewhere;
    } else {
      why = lf_failure(lockPath, "cannot be locked", error);
    }
    return;
  }
  lockFd = fd;
  current = State::acquired;
}

SingleInstance::~SingleInstance() {
  // Closing the only descriptor of the open file releases the lock.
  if (lockFd >= 0) ::close(lockFd);
}

} // namespace gwr::platform
