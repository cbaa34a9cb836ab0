// Tests of the single-instance lock: a second holder is refused while the
// first lives, and the lock is free again once it is gone.
#include "platform/sys/single_instance.h"

#include <gtest/gtest.h>

#include <memory>
#include <unistd.h>

namespace gwr::platform {
namespace {

TEST(SingleInstance, SecondHolderIsRefusedUntilTheFirstEnds) {
  const auto folder = std::filesystem::temp_directory_path() / ("gwr_lock_" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  auto first = std::make_unique<SingleInstance>(folder);
  EXPECT_TRUE(first->acquired());
  EXPECT_TRUE(std::filesystem::exists(folder / gf_singleInstanceLockName()));
  EXPECT_FALSE(SingleInstance(folder).acquired());  // its own open file description
  EXPECT_FALSE(SingleInstance(folder).acquired());  // a refused holder left the lock alone
  first.reset();
  EXPECT_TRUE(SingleInstance(folder).acquired());
  std::filesystem::remove_all(folder);
}

} // namespace
} // namespace gwr::platform
