// The single-instance lock: one holder at a time, released with its holder,
// and a lock file that cannot be opened told apart from one held elsewhere.
#include "platform/sys/single_instance.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "support/log_capture.h"

namespace gwr::platform {
namespace {

namespace fs = std::filesystem;
using State = SingleInstance::State;

TEST(SingleInstanceLock, OneHolderAtATimeAndReleasedWithIt) {
  const testsupport::TempFolder folder;
  std::optional<SingleInstance> first(std::in_place, folder.path());
  EXPECT_EQ(first->state(), State::acquired);
  const SingleInstance second(folder.path());
  EXPECT_EQ(second.state(), State::heldElsewhere);
  EXPECT_EQ(second.failure(), "");
  first.reset();
  EXPECT_EQ(SingleInstance(folder.path()).state(), State::acquired);
}

TEST(SingleInstanceLock, UnopenableLockFileIsUnavailableWithItsReason) {
  const testsupport::TempFolder folder;
  const fs::path lock = folder.path() / gf_singleInstanceLockName();
  const auto expectUnavailable = [](const fs::path& where, const fs::path& lockFile, const char* reason) {
    const SingleInstance instance(where);
    EXPECT_EQ(instance.state(), State::unavailable);
    EXPECT_EQ(instance.failure(), "lock file '" + lockFile.string() + "' cannot be opened: " + reason);
  };
  expectUnavailable(folder.path() / "missing", folder.path() / "missing" / gf_singleInstanceLockName(),
                    "No such file or directory");
  fs::create_symlink(folder.path() / "target", lock);
  expectUnavailable(folder.path(), lock, "Too many levels of symbolic links");
  fs::remove(lock);
  fs::create_directory(lock);
  expectUnavailable(folder.path(), lock, "Is a directory");
}

} // namespace
} // namespace gwr::platform
