// Counting repeated log lines between intervals.
#include "core/repeated_lines.h"

namespace gwr {

RepeatedLines::Verdict RepeatedLines::admit(Clock::time_point now) {
  const std::lock_guard lock(mutex_);
  if (any_ && now - lastWritten_ < interval_) {
    ++heldBack_;
    return {};
  }
  const Verdict verdict{true, heldBack_};
  any_ = true;
  lastWritten_ = now;
  heldBack_ = 0;
  return verdict;
}

std::uint64_t RepeatedLines::takeHeldBack(Clock::time_point now) {
  const std::lock_guard lock(mutex_);
  if (heldBack_ == 0 || now - lastWritten_ < interval_) return 0;
  const std::uint64_t count = heldBack_;
  heldBack_ = 0;
  lastWritten_ = now;
  return count;
}

std::uint64_t RepeatedLines::finish() {
  const std::lock_guard lock(mutex_);
  const std::uint64_t count = heldBack_;
  any_ = false;
  heldBack_ = 0;
  return count;
}

void RepeatedLines::reset() {
  const std::lock_guard lock(mutex_);
  any_ = false;
  heldBack_ = 0;
}

} // namespace gwr
