// Tests of the reader watchdog's verdicts over successive looks, and that it
// looks only while the RealTraffic indicator is on.
#include "traffic/feed/reader_threads.h"

#include <gtest/gtest.h>

#include <utility>

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

// The indicator is the window's own flag: set by the run with RealTraffic on
// another machine (or by the link), and gone with the restart's reset.
TEST(ReaderWatchdog, LooksOnlyWhileTheRealTrafficIndicatorIsOn) {
  auto& indicator = gf_mainWindow().realTrafficDetailsShown;
  const struct { bool on; bool resetFirst; ReaderStatus after; } steps[] = {
      {false, false, ReaderStatus::receiving},
      {true, false, ReaderStatus::noData},
      {true, true, ReaderStatus::receiving},  // a restart's reset puts it off
  };
  for (const auto& s : steps) {
    trafficReader.status.store(ReaderStatus::receiving);
    qnhReader.status.store(ReaderStatus::receiving);
    indicator.store(s.on);
    if (s.resetFirst) gf_mainWindow().reset();
    gf_checkReaders();
    EXPECT_EQ(std::pair(trafficReader.status.load(), qnhReader.status.load()), std::pair(s.after, s.after)) << s.on;
  }
  gf_mainWindow().reset();
  trafficReader.status.store(ReaderStatus::stopped);
  qnhReader.status.store(ReaderStatus::stopped);
}

} // namespace
} // namespace gwr
