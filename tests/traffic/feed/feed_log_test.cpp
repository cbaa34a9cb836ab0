// The feed's log under a flood of garbage: one escaped line per kind and
// interval, then a summary with the counts held back and the readers' counters.
#include "traffic/feed/feed_log.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "core/repeated_lines.h"
#include "support/log_capture.h"
#include "support/traffic_feed.h"
#include "traffic/feed/reader_threads.h"

namespace gwr {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

Clock::time_point fakeNow{};
Clock::time_point fakeClock() { return fakeNow; }

// One rule: written at the first line and once the interval has passed since
// the last written one; the lines in between are counted for the next.
TEST(RepeatedLines, OneLinePerIntervalWithTheCountHeldBack) {
  RepeatedLines lines(10s);
  const Clock::time_point start{};
  const struct {
    std::chrono::milliseconds at;
    bool write;
    std::uint64_t heldBack;
  } steps[] = {{0ms, true, 0},      {5000ms, false, 0}, {9999ms, false, 0},
               {10000ms, true, 2},  {10001ms, false, 0}, {25000ms, true, 1}, {36000ms, true, 0}};
  for (const auto& step : steps) {
    const auto verdict = lines.admit(start + step.at);
    EXPECT_EQ(verdict.write, step.write) << step.at.count();
    EXPECT_EQ(verdict.heldBack, step.heldBack) << step.at.count();
  }
  lines.admit(start + 37000ms);  // held back
  EXPECT_EQ(lines.takeHeldBack(start + 40000ms), 0U);  // the interval is not over
  EXPECT_EQ(lines.takeHeldBack(start + 46000ms), 1U);
  EXPECT_EQ(lines.takeHeldBack(start + 60000ms), 0U);
}

class FeedFlood : public ::testing::Test {
protected:
  FeedFlood() { gf_setFeedLogClock(&fakeClock); }
  ~FeedFlood() override { gf_setFeedLogClock(nullptr); }
  testsupport::LogCapture log;
  testsupport::FeedState feed;
};

TEST_F(FeedFlood, GarbageOnBothStreamsWritesAFewEscapedLinesAndTheirCounts) {
  const std::string forged = "X,1,2\nGatewright version 99 forged line";
  const auto malformedBefore = trafficReader.malformedCount.load() + qnhReader.malformedCount.load();
  // 50,000 datagrams a second on each port for a simulated second.
  for (int i = 0; i < 50'000; ++i) {
    fakeNow += 20us;
    trafficReader.handleTextForTests(forged);
    qnhReader.handleTextForTests("\x01{garbage");
  }
  const std::vector<std::string> first = log.lines();
  ASSERT_EQ(first.size(), 2U) << log.text().substr(0, 2000);
  EXPECT_EQ(first[0], "exception in processLineSub: too few fields: 3");
  EXPECT_NE(first[1].find("\\x01{garbage"), std::string::npos) << first[1];
  EXPECT_EQ(trafficReader.malformedCount.load() + qnhReader.malformedCount.load() - malformedBefore, 100'000U);

  // After the interval: the summary of what was held back, then the line.
  fakeNow += 10s;
  log.mark();
  trafficReader.handleTextForTests("X,1,2\rforged");
  const std::vector<std::string> later = log.lines();
  ASSERT_EQ(later.size(), 2U);
  EXPECT_EQ(later[0].rfind("==> 49999 more log lines about traffic lines held back; malformed ", 0), 0U) << later[0];
  EXPECT_NE(later[0].find(", too long "), std::string::npos);
  EXPECT_NE(later[0].find(", dropped "), std::string::npos);
  // The watchdog's look brings the pressure stream's count too.
  log.mark();
  gf_flushFeedLog();
  ASSERT_EQ(log.lines().size(), 1U);
  EXPECT_EQ(log.lines()[0].rfind("==> 49999 more log lines about pressure datagrams held back", 0), 0U);
}

// A line of the feed is one line of the log whatever the datagram holds, and
// a long one is cut.
TEST_F(FeedFlood, OutsideTextIsEscapedAndCut) {
  const struct {
    std::string text;
    std::string logged;
  } cases[] = {
      {"a\nb", "a\\nb"},
      {"a\r\n==> b\tc", "a\\r\\n==> b\\tc"},
      {std::string("x\0y\x1f\x7f", 5), "x\\x00y\\x1F\\x7F"},
      {"Zürich", "Zürich"},
      {std::string(600, 'x'), std::string(512, 'x') + "... (600 bytes)"},
  };
  for (const auto& c : cases) {
    gf_resetFeedLog();
    log.mark();
    gf_logFeed(FeedLogKind::pressure, c.text);
    EXPECT_EQ(log.lines(), std::vector<std::string>{c.logged}) << c.logged;
  }
}

} // namespace
} // namespace gwr
