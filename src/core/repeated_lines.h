// Repeated log lines of one kind: the first of a burst is written, the rest
// are only counted until an interval has passed, and the count is summarised.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>

namespace gwr {

class RepeatedLines {
public:
  using Clock = std::chrono::steady_clock;

  explicit RepeatedLines(Clock::duration interval) : interval_(interval) {}

  struct Verdict {
    bool write = false;          // the line goes to the log now
    std::uint64_t heldBack = 0;  // lines counted since the last written one, to summarise first
  };
  // A line of the kind arose at now. Any thread.
  Verdict admit(Clock::time_point now);
  // The lines held back when the interval since the last written one has
  // passed (then the count starts again); 0 otherwise.
  std::uint64_t takeHeldBack(Clock::time_point now);
  // The lines held back, whatever the time (the end of a run), and the
  // counting starts afresh: the next line is written.
  std::uint64_t finish();
  // Forget everything (a new run, or a test).
  void reset();

private:
  const Clock::duration interval_;
  std::mutex mutex_;
  bool any_ = false;
  Clock::time_point lastWritten_{};
  std::uint64_t heldBack_ = 0;
};

} // namespace gwr
