// A RealTraffic UDP stream reader: binds its port, receives datagrams with a
// time-out so that it sees its stop flag, and hands each one to its handler.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/net/udp_socket.h"
#include "traffic/feed/feed_constants.h"

namespace gwr {

// A stream's state as the window shows it.
enum class ReaderStatus : std::int32_t { receiving = 1, noData = 2, stopped = 3 };

class UdpReader {
public:
  explicit UdpReader(std::string_view readerName) : name(readerName) {}
  virtual ~UdpReader() = default;
  UdpReader(const UdpReader&) = delete;
  UdpReader& operator=(const UdpReader&) = delete;

  // Works on the current datagram (datagram()); runs on the reader thread.
  virtual void handleDatagram() = 0;
  // The receive loop ended on the stop flag.
  virtual void onStopped();

  // The steps of the thread body; each throws std::runtime_error with the
  // program's message on failure.
  void startWinsock();
  void createSocket();
  void bindSocket(std::uint16_t port, bool loopbackOnly);
  // Receives until the stop flag is seen; throws on a receive error.
  void receiveLoop(bool loopbackOnly);

  // Sets the stop flag and wakes a pending receive at once. Any thread.
  void requestStop();
  // Closes the socket (after a shutdown); safe to repeat.
  void closeSocket();
  std::uint16_t boundPort() const { return socket.localPort(); }

  std::string_view datagram() const { return {current, currentLength}; }

  const std::string_view name;  // "Traffic Reader", "QNH Reader"
  std::atomic<bool> stopFlag{false};
  std::atomic<std::int32_t> receivedCount{0};  // datagrams handed to handleDatagram
  std::int32_t watchdogCount = 0;             // traffic thread only
  std::atomic<ReaderStatus> status{ReaderStatus::stopped};
  std::atomic<bool> receivingLatch{false};    // status 1 shown since the last no-data verdict
  std::atomic<std::uint64_t> oversizedCount{0};
  std::chrono::milliseconds receiveTimeout = readerReceiveTimeout;

protected:
  // Tests only: make text (which must outlive the handling) the current datagram.
  void setDatagramForTests(std::string_view text);

private:
  bool takeDatagram(std::int64_t length, bool loopbackOnly);
  void closeOnStop();

  const char* current = nullptr;
  std::size_t currentLength = 0;
  std::array<char, datagramBufferBytes + 1> buffer{};  // one more for a terminating NUL
  std::string previous;  // the last datagram taken, for the repeat test
  platform::UdpSocket socket;
  // Keeps a shutdown from another thread off a descriptor number that a
  // close has just given back to the system.
  std::mutex closeMutex;
};

// Both readers' states into the window's state, and the status band repainted.
void gf_repaintReaders();

inline constexpr std::int32_t readerErrorRestartSeconds = 15;

// Shows "The {} has stopped with error: {}" and, unless a stop was already
// requested, stops the run so that it restarts.
void lf_reportReaderError(std::string_view readerName, std::string_view what);

// The body of a reader thread: socket, bind, receive loop; errors reported;
// on every way out the socket is closed and the status becomes stopped.
// alsoReceiving (may be null) is set receiving together with reader.
void gf_runReaderThread(UdpReader& reader, std::uint16_t port, bool loopbackOnly, UdpReader* alsoReceiving);

} // namespace gwr
