// The process's two readers, the thread bodies the run step starts, and the
// watchdog run by the traffic thread.
#include "traffic/feed/reader_threads.h"

#include "core/main_window_state.h"
#include "traffic/feed/feed_log.h"

namespace gwr {

TrafficReader trafficReader;
QnhReader qnhReader(trafficReader);
std::atomic<bool> realTrafficOnThisPc{true};

void lf_trafficReaderThread(std::uint16_t port, bool loopbackOnly) {
  // The traffic reader also marks the pressure stream as receiving.
  gf_runReaderThread(trafficReader, port, loopbackOnly, &qnhReader);
}

void lf_qnhReaderThread(std::uint16_t port) {
  gf_runReaderThread(qnhReader, port, realTrafficOnThisPc.load(), nullptr);
}

void lf_checkReader(UdpReader& reader) {
  const std::int32_t received = reader.receivedCount.load();
  const bool silent = received == reader.watchdogCount;
  reader.watchdogCount = received;
  if (silent) {
    reader.status.store(ReaderStatus::noData);
    reader.receivingLatch.store(false);
    gf_repaintReaders();
  } else if (!reader.receivingLatch.exchange(true)) {
    reader.status.store(ReaderStatus::receiving);
    gf_repaintReaders();
  }
}

void gf_checkReaders() {
  // The window's indicator itself, so the watchdog cannot drift from it: on
  // while the link is up or RealTraffic runs elsewhere, off after a reset.
  if (!gf_mainWindow().realTrafficDetailsShown.load()) return;
  lf_checkReader(qnhReader);
  lf_checkReader(trafficReader);
  gf_flushFeedLog();
}

} // namespace gwr
