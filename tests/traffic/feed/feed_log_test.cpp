// The feed's log under a flood of garbage: one escaped line per kind and
// interval, then a summary with the count held back and the readers' counters.
#include "traffic/feed/feed_log.h"

#include <gtest/gtest.h>

#include "support/log_capture.h"
#include "support/traffic_feed.h"
#include "traffic/feed/reader_threads.h"

namespace gwr {
namespace {

using namespace std::chrono_literals;
std::chrono::steady_clock::time_point fakeNow{};

class FeedFlood : public ::testing::Test {
protected:
  FeedFlood() { gf_setFeedLogClock([] { return fakeNow; }); }
  ~FeedFlood() override { gf_setFeedLogClock(nullptr); }
  testsupport::LogCapture log;
  testsupport::FeedState feed;
};

TEST_F(FeedFlood, GarbageOnBothStreamsWritesAFewLinesAndTheirCounts) {
  const auto firstLine = fakeNow + 20us;
  // 50,000 datagrams a second on each port for a simulated second.
  for (int i = 0; i < 50'000; ++i) {
    fakeNow += 20us;
    trafficReader.handleTextForTests("X,1,2\nGatewright version 99 forged line");
    qnhReader.handleTextForTests("\x01{garbage");
  }
  const std::vector<std::string> first = log.lines();
  ASSERT_EQ(first.size(), 2U);
  EXPECT_EQ(first[0], "exception in processLineSub: too few fields: 3");
  EXPECT_TRUE(first[1].ends_with(", in \\x01{garbage")) << first[1];
  // Once the interval is over: the summary of what was held back, then the line.
  fakeNow = firstLine + 9999ms;
  log.mark();
  trafficReader.handleTextForTests("X,1,2");
  gf_flushFeedLog();  // not yet
  fakeNow += 1ms;
  trafficReader.handleTextForTests("X,1,2");
  gf_flushFeedLog();
  const std::vector<std::string> later = log.lines();
  ASSERT_EQ(later.size(), 3U);
  EXPECT_TRUE(later[0].starts_with("==> 50000 more log lines about traffic lines held back; malformed ")) << later[0];
  EXPECT_NE(later[0].find(", dropped "), std::string::npos);
  EXPECT_TRUE(later[2].starts_with("==> 49999 more log lines about pressure datagrams held back")) << later[2];
}

// A line of the feed stays one line of the log whatever the datagram holds.
TEST_F(FeedFlood, OutsideTextIsEscapedAndCut) {
  const std::pair<std::string, std::string> cases[] = {
      {"a\r\n==> b\tc", "a\\r\\n==> b\\tc"},
      {std::string("x\0y\x1f\x7f", 5), "x\\x00y\\x1F\\x7F"},
      {std::string(600, 'x'), std::string(512, 'x') + "... (600 bytes)"},
  };
  for (const auto& [text, logged] : cases) {
    gf_resetFeedLog();
    log.mark();
    gf_logFeed(FeedLogKind::pressure, text);
    EXPECT_EQ(log.lines(), std::vector<std::string>{logged});
  }
}

} // namespace
} // namespace gwr
