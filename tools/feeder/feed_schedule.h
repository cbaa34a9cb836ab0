// What the feeder sends and when: datagram sources, the pressure ticker and
// the loop that sends every datagram at its time.
#pragma once

#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "feeder/feed_clock.h"

namespace gwr::feeder {

enum class FeedStream { traffic, pressure };

using DatagramSink = std::function<void(FeedStream, std::string_view)>;

inline constexpr double never = std::numeric_limits<double>::infinity();

class FeedSource {
 public:
  virtual ~FeedSource() = default;
  // Time of the next datagram (seconds since 1970); `never` when there is none.
  virtual double nextDueTime() const = 0;
  // Sends what is due at `now`.
  virtual void sendDue(double now, const DatagramSink& sink) = 0;
  // True when the feeder may end as far as this source is concerned.
  virtual bool done() const { return nextDueTime() == never; }
};

// The pressure datagram at the start and then every interval, for as long as
// anything else plays; it never keeps the feeder running by itself.
class PressureTicker final : public FeedSource {
 public:
  PressureTicker(std::string datagram, double start, double intervalSeconds)
      : datagram_(std::move(datagram)), next_(start), interval_(intervalSeconds) {}
  double nextDueTime() const override { return next_; }
  void sendDue(double now, const DatagramSink& sink) override;
  bool done() const override { return true; }

 private:
  std::string datagram_;
  double next_;
  double interval_;
};

class FeedSchedule {
 public:
  void add(std::unique_ptr<FeedSource> source) { sources_.push_back(std::move(source)); }
  double nextDueTime() const;
  void sendDue(double now, const DatagramSink& sink);
  bool finished() const;

 private:
  std::vector<std::unique_ptr<FeedSource>> sources_;
};

// Sends every datagram at its time until the schedule is finished, `endTime`
// is reached or the clock's wait is cut short. Returns the clock's time at the end.
double gf_runSchedule(FeedSchedule& schedule, FeedClock& clock, double endTime, const DatagramSink& sink);

} // namespace gwr::feeder
