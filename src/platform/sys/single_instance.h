// The one-instance-per-session guard: an exclusive lock on a lock file in the
// user's runtime folder, held for as long as the object lives.
#pragma once

#include <filesystem>
#include <string>

namespace gwr::platform {

// One lock per user: the name carries the user id, because the fallback
// folder /tmp is shared by every user of the machine.
std::string gf_singleInstanceLockName();

class SingleInstance {
public:
  enum class State {
    acquired,       // this process holds the lock
    heldElsewhere,  // another instance holds it
    unavailable,    // the lock file cannot be opened or locked: see failure()
  };

  // Locks "GWRT-<uid>.lock" in $XDG_RUNTIME_DIR, else in /tmp.
  SingleInstance();
  // Locks the same file in folder (tests use their own).
  explicit SingleInstance(const std::filesystem::path& folder);
  ~SingleInstance();

  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  State state() const { return current; }
  bool acquired() const { return current == State::acquired; }
  // Why the lock is unavailable: the lock file and the system's reason.
  const std::string& failure() const { return why; }

  // The folder used when none is given.
  static std::filesystem::path defaultFolder();

private:
  int lockFd = -1;
  State current = State::unavailable;
  std::string why;
};

} // namespace gwr::platform
