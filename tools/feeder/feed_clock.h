// The feeder's clock: real time for the tool, a stepped clock for tests so
// that minutes of traffic play without sleeping.
#pragma once

#include <atomic>

namespace gwr::feeder {

// Seconds since 1970 as a double, the unit of the traffic lines' time stamps.
class FeedClock {
 public:
  virtual ~FeedClock() = default;
  virtual double now() const = 0;
  // Returns at `time` (or soon after); false when the wait was cut short by a stop.
  virtual bool waitUntil(double time) = 0;
};

// Wall-clock time; waits sleep in short slices so that a stop is seen quickly.
class SystemFeedClock final : public FeedClock {
 public:
  explicit SystemFeedClock(const std::atomic<bool>& stopRequested) : stopRequested_(stopRequested) {}
  double now() const override;
  bool waitUntil(double time) override;

 private:
  const std::atomic<bool>& stopRequested_;
};

// Time that moves only when told to.
class SteppedClock final : public FeedClock {
 public:
  explicit SteppedClock(double start) : now_(start) {}
  double now() const override { return now_; }
  bool waitUntil(double time) override {
    if (time > now_) now_ = time;
    return true;
  }

 private:
  double now_;
};

} // namespace gwr::feeder
