// Tests of the reader watchdog's verdicts over successive looks, and that it
// looks only while the RealTraffic indicator is on.
#include "traffic/feed/reader_threads.h"

#include <gtest/gtest.h>

#include "core/main_window_state.h"

namespace gwr {
namespace {

int repaints = 0;

TEST(ReaderWatchdog, VerdictsFollowTheCounterAndRepaintOnlyOnChange) {
  gf_installWindowInvalidator([](const platform::Rect&) { ++repaints; });
  TrafficReader reader;
  reader.receivingLatch.store(true);
  // Each step: datagrams arriving before the look, then status and repaints expected.
  const struct { std::int32_t arriving; ReaderStatus status; int repaints; } steps[] = {
      {3, ReaderStatus::receiving, 0},  // latch set by the handshake: no repaint
      {0, ReaderStatus::noData, 1},
      {0, ReaderStatus::noData, 2},     // every silent look repaints
      {1, ReaderStatus::receiving, 3},
      {5, ReaderStatus::receiving, 3},
      {0, ReaderStatus::noData, 4},
  };
  reader.status.store(ReaderStatus::receiving);
  repaints = 0;
  for (const auto& s : steps) {
    reader.receivedCount.fetch_add(s.arriving);
    lf_checkReader(reader);
    EXPECT_EQ(reader.status.load(), s.status) << s.arriving;
    EXPECT_EQ(repaints, s.repaints) << s.arriving;
  }
  gf_installWindowInvalidator({});
}

TEST(ReaderWatchdog, LooksOnlyWhileTheRealTrafficIndicatorIsOn) {
  trafficReader.status.store(ReaderStatus::receiving);
  qnhReader.status.store(ReaderStatus::receiving);
  realTrafficIndicatorOn.store(false);
  gf_checkReaders();
  EXPECT_EQ(trafficReader.status.load(), ReaderStatus::receiving);
  realTrafficIndicatorOn.store(true);
  gf_checkReaders();
  EXPECT_EQ(trafficReader.status.load(), ReaderStatus::noData);
  EXPECT_EQ(qnhReader.status.load(), ReaderStatus::noData);
  realTrafficIndicatorOn.store(false);
  trafficReader.status.store(ReaderStatus::stopped);
  qnhReader.status.store(ReaderStatus::stopped);
}

} // namespace
} // namespace gwr
