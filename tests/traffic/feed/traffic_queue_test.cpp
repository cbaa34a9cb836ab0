// Tests of the bounded traffic record queue: first in first out, the oldest
// dropped when full, drops counted and logged once per burst.
#include "traffic/feed/traffic_queue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/log_capture.h"
#include "support/traffic_feed.h"
#include "traffic/feed/feed_constants.h"

namespace gwr {
namespace {

TrafficRecord recordWithId(std::uint32_t hexid) {
  TrafficRecord record;
  record.hexid = hexid;
  return record;
}

TEST(TrafficQueue, AFullQueueDropsTheOldestAndLogsOncePerBurst) {
  testsupport::LogCapture log;
  testsupport::FeedState feed;
  constexpr std::uint32_t limit = 4096;  // the bound, written here by hand
  const auto droppedBefore = gf_droppedTrafficRecords();
  for (std::uint32_t id = 1; id <= limit; ++id) ASSERT_TRUE(gf_queueTrafficRecord(recordWithId(id)));
  EXPECT_TRUE(log.lines().empty());
  for (std::uint32_t id = limit + 1; id <= limit + 10; ++id) gf_queueTrafficRecord(recordWithId(id));
  EXPECT_EQ(gf_droppedTrafficRecords() - droppedBefore, 10U);
  const std::string fullLine = "==> traffic record queue full (4096 records): dropping the oldest";
  EXPECT_EQ(log.lines(), std::vector<std::string>{fullLine});
  {
    const std::lock_guard lock(trafficRecordMutex);
    ASSERT_EQ(trafficRecordQueue.size(), limit);
    EXPECT_EQ(trafficRecordQueue.front().hexid, 11U);  // 1..10 went
    EXPECT_EQ(trafficRecordQueue.back().hexid, limit + 10);
    trafficRecordQueue.pop_front();  // the traffic thread takes one: the burst ends
  }
  gf_queueTrafficRecord(recordWithId(1));  // fits
  gf_resetFeedLog();                        // as if the interval had passed
  gf_queueTrafficRecord(recordWithId(2));  // a new burst
  gf_queueTrafficRecord(recordWithId(3));
  EXPECT_EQ(log.lines(), (std::vector<std::string>{fullLine, fullLine}));
  EXPECT_EQ(gf_droppedTrafficRecords() - droppedBefore, 12U);
}

TEST(TrafficQueue, RecordsAreDiscardedWhileNotAccepting) {
  testsupport::FeedState feed;
  {
    const std::lock_guard lock(trafficRecordMutex);
    trafficAccepting = false;
  }
  EXPECT_FALSE(gf_queueTrafficRecord(recordWithId(20000)));
  EXPECT_EQ(testsupport::FeedState::queuedCount(), 0U);
}

} // namespace
} // namespace gwr
