// The UDP reader's socket steps, its receive loop with repeat test and
// over-long datagram handling, the thread body and the error report.
#include "traffic/feed/udp_reader.h"

#include <stdexcept>

#include <fmt/format.h>

#include "core/exit_reason.h"
#include "core/log.h"
#include "core/main_window_state.h"
#include "core/run_state.h"
#include "core/status_line.h"
#include "core/text_utils.h"
#include "platform/net/socket_error.h"
#include "traffic/feed/feed_log.h"
#include "traffic/feed/reader_threads.h"

namespace gwr {
namespace {

// Marks the stream stopped on every way out of the thread body.
class ReaderExitGuard {
public:
  explicit ReaderExitGuard(UdpReader& r) : reader(r) {}
  ~ReaderExitGuard() {
    reader.closeSocket();
    reader.status.store(ReaderStatus::stopped);
    gf_repaintReaders();
    gf_logIndented(fmt::format("{} disconnected", reader.name));
  }
  ReaderExitGuard(const ReaderExitGuard&) = delete;
  ReaderExitGuard& operator=(const ReaderExitGuard&) = delete;

private:
  UdpReader& reader;
};

} // namespace

void gf_repaintReaders() {
  // Every change of a stream's status ends here: the window takes both.
  MainWindowState& window = gf_mainWindow();
  window.trafficReaderState.store(static_cast<std::int32_t>(trafficReader.status.load()));
  window.weatherReaderState.store(static_cast<std::int32_t>(qnhReader.status.load()));
  gf_repaintBand(statusBand);
}

void UdpReader::onStopped() {}

// Sockets need no start-up here; the step stays so the body reads as it runs.
void UdpReader::startWinsock() {}

void UdpReader::createSocket() {
  if (const auto error = socket.open(); error != 0) {
    throw std::runtime_error(fmt::format("failed to create the socket, error: {}", gf_winsockErrorText(error)));
  }
}

void UdpReader::bindSocket(std::uint16_t port, bool loopbackOnly) {
  const auto address = loopbackOnly ? platform::Ipv4Address::loopback() : platform::Ipv4Address::any();
  if (const auto error = socket.bind(address, port); error != 0) {
    throw std::runtime_error(fmt::format("bind to stream socket failed, error: {}", gf_winsockErrorText(error)));
  }
}

void UdpReader::requestStop() {
  stopFlag.store(true);
  const std::lock_guard lock(closeMutex);
  socket.shutdownBoth();
}

void UdpReader::closeSocket() {
  const std::lock_guard lock(closeMutex);
  socket.close(true);
}

void UdpReader::closeOnStop() {
  closeSocket();
  onStopped();
}

void UdpReader::setDatagramForTests(std::string_view text) {
  // No copy: a parser that read past the view would read past the caller's text.
  current = text.data();
  currentLength = text.size();
}

bool UdpReader::takeDatagram(std::int64_t length, bool loopbackOnly) {
  const auto n = static_cast<std::size_t>(length);
  buffer[n] = '\0';
  const std::string_view text(buffer.data(), n);
  // From another machine the same datagram may arrive twice; keep one.
  if (!loopbackOnly) {
    if (text == previous) return false;
    previous.assign(text);
  }
  current = buffer.data();
  currentLength = n;
  return true;
}

void UdpReader::receiveLoop(bool loopbackOnly) {
  socket.setReceiveTimeout(receiveTimeout);
  if (stopFlag.load()) {
    closeOnStop();
    return;
  }
  while (true) {
    const auto got = socket.receive({buffer.data(), datagramBufferBytes});
    if (!got.ok() && !platform::gf_isReceiveTimeout(got.error)) {
      if (stopFlag.load()) {
        closeOnStop();
        return;
      }
      throw std::runtime_error(fmt::format("receive error: {}", gf_winsockErrorText(got.error)));
    }
    if (got.ok() && got.count >= static_cast<std::int64_t>(datagramBufferBytes)) {
      // Too long for any line we read: skip it and keep the stream going.
      oversizedCount.fetch_add(1);
      if (!gf_stopping()) gf_logFeed(FeedLogKind::oversized, fmt::format("buffer overrun: {} bytes", got.count));
    } else if (got.ok() && got.count > 0 && takeDatagram(got.count, loopbackOnly)) {
      receivedCount.fetch_add(1);
      handleDatagram();
    }
    if (stopFlag.load()) {
      closeOnStop();
      return;
    }
  }
}

void lf_reportReaderError(std::string_view readerName, std::string_view what) {
  setStatusText(fmt::format("The {} has stopped with error: {}", readerName, what), true);
  if (gf_stopping()) return;  // the first stop names the reason
  gf_requestStop(ExitReason::ReaderError, readerErrorRestartSeconds);
}

void gf_runReaderThread(UdpReader& reader, std::uint16_t port, bool loopbackOnly, UdpReader* alsoReceiving) {
  const ReaderExitGuard guard(reader);
  try {
    reader.startWinsock();
    reader.createSocket();
    reader.bindSocket(port, loopbackOnly);
    reader.status.store(ReaderStatus::receiving);
    if (alsoReceiving != nullptr) alsoReceiving->status.store(ReaderStatus::receiving);
    gf_repaintReaders();
    gf_logIndented(fmt::format("{} connected", reader.name));
    reader.receiveLoop(loopbackOnly);
  } catch (const std::exception& e) {
    lf_reportReaderError(reader.name, e.what());
  } catch (...) {
    lf_reportReaderError(reader.name, "Unknown exception");
  }
}

} // namespace gwr
