// The send loop of the feeder and its pressure ticker: every source's due
// datagrams at their time, until the sources are done or the run ends.
#include "feeder/feed_schedule.h"

#include <algorithm>

namespace gwr::feeder {

void PressureTicker::sendDue(double now, const DatagramSink& sink) {
  if (now < next_) return;
  sink(FeedStream::pressure, datagram_);
  // One datagram however late we are; the next one an interval after now.
  while (next_ <= now) next_ += interval_;
}

double FeedSchedule::nextDueTime() const {
  double next = never;
  for (const auto& source : sources_) next = std::min(next, source->nextDueTime());
  return next;
}

void FeedSchedule::sendDue(double now, const DatagramSink& sink) {
  for (const auto& source : sources_) source->sendDue(now, sink);
}

bool FeedSchedule::finished() const {
  return std::all_of(sources_.begin(), sources_.end(), [](const auto& source) { return source->done(); });
}

double gf_runSchedule(FeedSchedule& schedule, FeedClock& clock, double endTime, const DatagramSink& sink) {
  for (;;) {
    const double now = clock.now();
    if (now >= endTime) break;
    schedule.sendDue(now, sink);
    if (schedule.finished() && endTime == never) break;
    if (!clock.waitUntil(std::min(schedule.nextDueTime(), endTime))) break;
  }
  return clock.now();
}

} // namespace gwr::feeder
