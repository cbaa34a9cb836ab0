// Tests of the reader threads over real UDP sockets on 127.0.0.1: lines in,
// records out through the filters; bad and over-long datagrams skipped with
// the thread still running; repeats, stopping, a held port and the watchdog.
#include "traffic/reader_threads.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <fmt/format.h>

#include "core/exit_reason.h"
#include "core/run_state.h"
#include "platform/net/udp_socket.h"
#include "support/log_capture.h"
#include "support/traffic_feed.h"

namespace gwr {
namespace {

using namespace std::chrono_literals;
using testsupport::FeedState;
using testsupport::TrafficLine;

constexpr auto waitLimit = 5s;                 // only reached when a test fails
constexpr auto testReceiveTimeout = 20ms;      // so the stop flag is seen at once
constexpr double parkLat = 50.0333;
constexpr double parkLon = 8.5706;

bool waitUntil(const std::function<bool()>& done) {
  const auto end = std::chrono::steady_clock::now() + waitLimit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

bool hasLine(const testsupport::LogCapture& log, const std::string& line) {
  const auto lines = log.lines();
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// A reader running its thread body on a port chosen free by the system.
class RunningReader {
 public:
  RunningReader(UdpReader& r, bool loopbackOnly, UdpReader* alsoReceiving = nullptr) : reader(r) {
    reader.receiveTimeout = testReceiveTimeout;
    thread = std::thread([this, loopbackOnly, alsoReceiving] {
      gf_runReaderThread(reader, 0, loopbackOnly, alsoReceiving);
    });
    EXPECT_TRUE(waitUntil([this] { return reader.status.load() == ReaderStatus::receiving; }));
    port = reader.boundPort();
    EXPECT_EQ(sender.open(), 0);
  }
  ~RunningReader() { stop(); }
  RunningReader(const RunningReader&) = delete;
  RunningReader& operator=(const RunningReader&) = delete;

  // Sends the datagrams and waits until the reader has taken `taken` in all.
  void send(const std::vector<std::string>& datagrams) {
    for (const auto& d : datagrams) ASSERT_TRUE(sender.sendTo(d, platform::Ipv4Address::loopback(), port).ok());
  }
  bool waitForTaken(std::int32_t taken) {
    return waitUntil([this, taken] { return reader.receivedCount.load() >= taken; });
  }
  void stop() {
    reader.requestStop();
    if (thread.joinable()) thread.join();
  }

  UdpReader& reader;
  std::uint16_t port = 0;

 private:
  std::thread thread;
  platform::UdpSocket sender;
};

class ReaderLoopbackTest : public ::testing::Test {
 protected:
  ReaderLoopbackTest() {
    traffic.setReferencePosition({parkLat, parkLon});
    AirportRecord park;
    park.icao = FixedCode<4>("EDDF");
    park.latitude = parkLat;
    park.longitude = parkLon;
    park.altitude = 364.0F;
    gf_setParkAirport(park);
  }

  testsupport::LogCapture log;
  FeedState feed;
  TrafficReader traffic;
};

TEST_F(ReaderLoopbackTest, LinesThroughTheSocketComeOutAsFilteredRecords) {
  const struct { const char* what; std::string line; bool accepted; } cases[] = {
      {"cruise", TrafficLine{}.set(1, "300001").text(), true},
      {"push-back at the stand", TrafficLine{}.set(1, "300002").set(4, "0").set(8, "2").text(), true},
      {"ground 6 nm out", TrafficLine{}.set(1, "300003").set(4, "0").set(2, "50.1333").text(), false},
      {"beyond the range", TrafficLine{}.set(1, "300004").set(2, "51.0").text(), false},
      {"glider", TrafficLine{}.set(1, "300005").set(10, "GLID").text(), false},
      {"ground vehicle", TrafficLine{}.set(1, "300009").set(9, "FOLLOW VEH").text(), false},
  };
  tickCount.store(1200);
  RunningReader running(traffic, true);
  std::vector<std::string> lines;
  for (const auto& c : cases) lines.push_back(c.line);
  running.send(lines);
  ASSERT_TRUE(running.waitForTaken(static_cast<std::int32_t>(std::size(cases))));
  running.stop();

  const auto records = FeedState::queued();
  ASSERT_EQ(records.size(), 2U);
  EXPECT_EQ(records[0].hexid, 300001U);
  EXPECT_EQ(records[1].hexid, 300002U);
  EXPECT_EQ(records[0].airborne, 1);
  EXPECT_DOUBLE_EQ(records[0].altitude, 35993.25);
  EXPECT_EQ(records[0].dueTick, 4200);
  EXPECT_EQ(records[1].airborne, 0);
  EXPECT_DOUBLE_EQ(records[1].altitude, 0.0);
  EXPECT_DOUBLE_EQ(records[1].groundSpeed, 2.0);
}

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
  EXPECT_TRUE(hasLine(log, "exception in processLineSub: too few fields: 2"));
  EXPECT_TRUE(hasLine(log, "exception in processLineSub: too few fields: 3"));
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
  traffic.receiveTimeout = testReceiveTimeout;
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
  AirportRecord park;
  park.icao = FixedCode<4>("EDDF");
  park.latitude = parkLat;
  park.longitude = parkLon;
  for (int round = 0; traffic.receivedCount.load() < lineCount && round < 100000; ++round) {
    traffic.setReferencePosition({parkLat + (round % 2) * 1e-4, parkLon});
    traffic.setFieldElevation(round % 2 == 0 ? std::optional<double>(364.0) : std::nullopt);
    traffic.qnh.store(1000 + round % 20);
    (void)traffic.seenCallsigns();
    if (round % 7 == 0) traffic.clearSeenCallsigns();
    if (round % 2 == 0) gf_setParkAirport(park); else gf_clearParkAirport();
    std::this_thread::yield();
  }
  sender.join();
  EXPECT_TRUE(running.waitForTaken(lineCount));
  EXPECT_EQ(traffic.malformedCount.load(), 0U);
}

} // namespace
} // namespace gwr
