// Tests of the reader threads over real UDP sockets on 127.0.0.1: bad and
// over-long datagrams skipped with the thread still running; repeats,
// stopping, pressure, a held port and shared state changed meanwhile.
#include "traffic/feed/reader_threads.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include <fmt/format.h>

#include "core/exit_reason.h"
#include "core/run_state.h"
#include "support/traffic_feed.h"
#include "traffic/feed/feeder_wait.h"

namespace gwr {
namespace {

using testsupport::FeedState;
using testsupport::hasLine;
using testsupport::RunningReader;
using testsupport::TrafficLine;
using testsupport::waitUntil;

constexpr double parkLat = 50.0333;
constexpr double parkLon = 8.5706;

class ReaderLoopbackTest : public ::testing::Test {
 protected:
  ReaderLoopbackTest() {
    traffic.setReferencePosition({parkLat, parkLon});
    testsupport::setParkAirport(parkLat, parkLon);
  }

  testsupport::LogCapture log;
  FeedState feed;
  TrafficReader traffic;
};

TEST_F(ReaderLoopbackTest, BadAndOverLongDatagramsAreSkippedAndTheReaderGoesOn) {
  RunningReader running(traffic, true);
  const std::string garbage("\x00\xff\x13,\x80\x81", 6);
  running.send({TrafficLine{}.set(2, "nan").text(), std::string(20000, 'x'), garbage, "", "X,1,2",
                TrafficLine{}.set(1, "400001").text()});
  ASSERT_TRUE(running.waitForTaken(4));  // the over-long and the empty datagram are not taken
  ASSERT_TRUE(waitUntil([] { return FeedState::queuedCount() == 1; }));
  EXPECT_EQ(running.reader.status.load(), ReaderStatus::receiving);
  running.stop();

  EXPECT_EQ(traffic.malformedCount.load(), 3U);
  EXPECT_EQ(traffic.oversizedCount.load(), 1U);
  EXPECT_TRUE(hasLine(log, "exception in processLineSub: lat:nan"));
  EXPECT_TRUE(hasLine(log, "buffer overrun: 20000 bytes"));
  // Later bad lines of the same interval are counted, not written.
  EXPECT_FALSE(hasLine(log, "exception in processLineSub: too few fields: 2"));
  EXPECT_FALSE(hasLine(log, "exception in processLineSub: too few fields: 3"));
  EXPECT_FALSE(stopRequested.load());  // no restart of the run
  EXPECT_TRUE(hasLine(log, "Traffic Reader has stopped"));
  EXPECT_TRUE(hasLine(log, "          Traffic Reader disconnected"));
  EXPECT_EQ(traffic.status.load(), ReaderStatus::stopped);
}

TEST_F(ReaderLoopbackTest, RepeatedDatagramsCountOnceOnlyFromAnotherMachine) {
  const std::string a = TrafficLine{}.set(1, "500001").text();
  const std::string b = TrafficLine{}.set(1, "500002").text();
  {
    RunningReader remote(traffic, false);  // any address: repeats skipped
    remote.send({a, a, b});
    ASSERT_TRUE(waitUntil([] { return FeedState::queuedCount() == 2; }));
    EXPECT_EQ(traffic.receivedCount.load(), 2);
  }
  TrafficReader local;
  local.setReferencePosition({parkLat, parkLon});
  RunningReader same(local, true);
  same.send({a, a, b});
  ASSERT_TRUE(same.waitForTaken(3));
  ASSERT_TRUE(waitUntil([] { return FeedState::queuedCount() == 5; }));
}

TEST_F(ReaderLoopbackTest, TheStopFlagEndsAnIdleReaderWithinItsTimeout) {
  traffic.receiveTimeout = testsupport::readerReceiveTimeout;
  std::thread thread([this] { gf_runReaderThread(traffic, 0, true, nullptr); });
  ASSERT_TRUE(waitUntil([this] { return traffic.status.load() == ReaderStatus::receiving; }));
  traffic.stopFlag.store(true);  // no wake-up: only the time-out lets the loop look
  EXPECT_TRUE(waitUntil([this] { return traffic.status.load() == ReaderStatus::stopped; }));
  thread.join();
  EXPECT_TRUE(hasLine(log, "Traffic Reader has stopped"));
  EXPECT_FALSE(stopRequested.load());
}

TEST_F(ReaderLoopbackTest, PressureDatagramsReachTheTrafficReader) {
  QnhReader qnh(traffic);
  qnh.status.store(ReaderStatus::stopped);
  RunningReader running(qnh, true);
  running.send({R"({"QNH":29.92})", "{broken", R"({"QNH":2953})"});
  ASSERT_TRUE(running.waitForTaken(3));
  running.stop();
  EXPECT_EQ(traffic.qnh.load(), 1000);  // 29.53 inHg
  EXPECT_TRUE(hasLine(log, "QNH Reader has stopped"));
  EXPECT_TRUE(hasLine(log, "          QNH Reader disconnected"));
  currentQnh.store(startQnhHpa);
}

TEST_F(ReaderLoopbackTest, ASecondReaderOnAHeldPortStopsTheRunWithAReaderError) {
  exitReason.store(ExitReason::NotYetSet);
  QnhReader qnh(traffic);
  RunningReader first(traffic, true, &qnh);
  EXPECT_EQ(qnh.status.load(), ReaderStatus::receiving);  // the traffic reader marks both
  TrafficReader second;
  gf_runReaderThread(second, first.port, true, nullptr);  // returns once bind fails

  EXPECT_TRUE(hasLine(log, "The Traffic Reader has stopped with error: bind to stream socket failed, "
                           "error: 10048 Address already in use"));
  EXPECT_TRUE(hasLine(log, "          Traffic Reader disconnected"));
  EXPECT_EQ(second.status.load(), ReaderStatus::stopped);
  EXPECT_TRUE(stopRequested.load());
  EXPECT_EQ(exitReason.load(), ExitReason::ReaderError);
  EXPECT_EQ(restartDelaySeconds.load(), 15);
  // The first reader is untouched and still takes lines.
  first.send({TrafficLine{}.text()});
  EXPECT_TRUE(first.waitForTaken(1));
  exitReason.store(ExitReason::NotYetSet);
}

TEST_F(ReaderLoopbackTest, SharedStateChangesWhileLinesArriveAreSafe) {
  constexpr int lineCount = 300;
  traffic.setCollectCallsigns(true);
  RunningReader running(traffic, true);
  std::vector<std::string> lines;
  for (int i = 0; i < lineCount; ++i) {
    lines.push_back(TrafficLine{}.set(1, std::to_string(600000 + i)).set(9, fmt::format("CS{}", i)).text());
  }
  // In windows of 20, so that the socket's receive buffer never overflows.
  constexpr int window = 20;
  std::thread sender([&running, &lines] {
    for (int sent = 0; sent < lineCount; sent += window) {
      running.send({lines.begin() + sent, lines.begin() + sent + window});
      running.waitForTaken(sent + window);
    }
  });
  // What the traffic and QNH threads do meanwhile; ThreadSanitizer checks it.
  for (int round = 0; traffic.receivedCount.load() < lineCount && round < 100000; ++round) {
    traffic.setReferencePosition({parkLat + (round % 2) * 1e-4, parkLon});
    traffic.setFieldElevation(round % 2 == 0 ? std::optional<double>(364.0) : std::nullopt);
    traffic.qnh.store(1000 + round % 20);
    (void)traffic.seenCallsigns();
    if (round % 7 == 0) traffic.clearSeenCallsigns();
    if (round % 2 == 0) testsupport::setParkAirport(parkLat, parkLon); else gf_clearParkAirport();
    std::this_thread::yield();
  }
  sender.join();
  EXPECT_TRUE(running.waitForTaken(lineCount));
  EXPECT_EQ(traffic.malformedCount.load(), 0U);
}

} // namespace
} // namespace gwr
