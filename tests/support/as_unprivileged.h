// Runs a check in a child process that has given up root, for tests of files
// and folders without read rights (root reads them all).
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>

namespace gwr::testsupport {

inline constexpr uid_t nobodyUserId = 65534;
inline constexpr int childSetupFailed = 3;

// The child's exit code: 0 when check() held, 1 when not, 3 when it could not
// drop root; -1 when the child did not end normally.
inline int runAsUnprivileged(const std::function<bool()>& check) {
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child < 0) return -1;
  if (child == 0) {
    if (::geteuid() == 0 && ::setuid(nobodyUserId) != 0) ::_exit(childSetupFailed);
    ::_exit(check() ? 0 : 1);
  }
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

} // namespace gwr::testsupport
