// The bounded traffic record queue: the reader appends, the traffic thread
// takes from the front; a full queue loses its oldest records, not new ones.
#include "traffic/feed/traffic_queue.h"

#include <fmt/format.h>

#include "core/log.h"
#include "traffic/feed/feed_constants.h"
#include "traffic/feed/feed_log.h"

namespace gwr {

std::mutex trafficRecordMutex;
std::deque<TrafficRecord> trafficRecordQueue;
bool trafficAccepting = false;

namespace {

std::uint64_t droppedRecords = 0;  // under trafficRecordMutex
bool dropBurst = false;            // under trafficRecordMutex: the last append dropped

} // namespace

bool gf_queueTrafficRecord(TrafficRecord&& record) {
  bool logBurst = false;
  {
    const std::lock_guard lock(trafficRecordMutex);
    if (!trafficAccepting) return false;
    if (trafficRecordQueue.size() >= trafficQueueLimit) {
      trafficRecordQueue.pop_front();
      ++droppedRecords;
      logBurst = !dropBurst;
      dropBurst = true;
    } else {
      dropBurst = false;
    }
    trafficRecordQueue.push_back(std::move(record));
  }
  // Logged outside the queue's lock: the traffic thread must not wait on the log.
  if (logBurst) {
    gf_logFeed(FeedLogKind::queueFull,
               fmt::format("traffic record queue full ({} records): dropping the oldest", trafficQueueLimit), true);
  }
  return true;
}

std::uint64_t gf_droppedTrafficRecords() {
  const std::lock_guard lock(trafficRecordMutex);
  return droppedRecords;
}

} // namespace gwr
