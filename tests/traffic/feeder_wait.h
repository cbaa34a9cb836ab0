// Test helper for the feeder's socket tests: waits for what another thread
// does, with a limit that is only reached when a test fails.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace gwr::testsupport {

inline constexpr std::chrono::seconds waitLimit{5};

inline bool waitUntil(const std::function<bool()>& done) {
  const auto end = std::chrono::steady_clock::now() + waitLimit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

} // namespace gwr::testsupport
