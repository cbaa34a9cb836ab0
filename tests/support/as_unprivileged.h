// Runs a check in a child process that has given up root, for tests of files
// and folders without read rights (root reads them all), or another user's
// moves against a run as root.
#pragma once

#include <signal.h>
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

// Another user, in a child process of their rights, doing move() over and
// over until the object goes: what they may do to their own files while a
// run as root works on them. Only system calls belong in move().
class OtherUserLoop {
 public:
  OtherUserLoop(uid_t user, gid_t group, const std::function<void()>& move) {
    std::fflush(nullptr);
    child_ = ::fork();
    if (child_ != 0) return;
    if (::setresgid(group, group, group) != 0 || ::setresuid(user, user, user) != 0) ::_exit(childSetupFailed);
    for (;;) move();
  }
  ~OtherUserLoop() {
    if (child_ <= 0) return;
    ::kill(child_, SIGKILL);
    int status = 0;
    ::waitpid(child_, &status, 0);
  }
  OtherUserLoop(const OtherUserLoop&) = delete;
  OtherUserLoop& operator=(const OtherUserLoop&) = delete;

  bool started() const { return child_ > 0; }

 private:
  pid_t child_ = -1;
};

} // namespace gwr::testsupport
