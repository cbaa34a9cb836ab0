// Wall-clock side of the feeder's clock: seconds since 1970 from the system
// clock, and waits that sleep in short slices so that a stop is seen.
#include "feeder/feed_clock.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace gwr::feeder {

namespace {

constexpr double stopCheckSeconds = 0.2;  // longest sleep before looking at the stop flag again

} // namespace

double SystemFeedClock::now() const {
  const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
  return std::chrono::duration<double>(sinceEpoch).count();
}

bool SystemFeedClock::waitUntil(double time) {
  for (double left = time - now(); left > 0.0; left = time - now()) {
    if (stopRequested_.load()) return false;
    std::this_thread::sleep_for(std::chrono::duration<double>(std::min(left, stopCheckSeconds)));
  }
  return !stopRequested_.load();
}

} // namespace gwr::feeder
