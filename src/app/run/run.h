// One whole run on the start-up thread: the data steps, the simulator client,
// the RealTraffic link and readers, the tick loop and closing down.
#pragma once

#include "app/run/closing_down.h"
#include "traffic/engine/traffic_engine.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>

namespace gwr {

inline constexpr std::uint16_t qnhReaderPort = 49004;
inline constexpr std::uint16_t trafficReaderPort = 49005;

// The knobs tests turn; the program uses the defaults.
struct RunOptions {
  RunClock* clock = nullptr;                    // the steady clock when none
  WaitPause userAircraftPause = nullptr;        // the waits for a running flight
  std::chrono::milliseconds readerStagger{2000};  // QNH reader first, the traffic reader after this
  std::uint16_t qnhPort = qnhReaderPort;
  std::uint16_t trafficPort = trafficReaderPort;
  bool runTickLoop = true;                      // tests may stop once the run is connected
};

// The threads a run starts. Going out of scope stops and joins each, so that
// none outlives its run.
struct RunThreads {
  RunThreads() = default;
  RunThreads(const RunThreads&) = delete;
  RunThreads& operator=(const RunThreads&) = delete;
  ~RunThreads();
  void stopAll();

  std::jthread simClient;
  std::jthread qnhReader;
  std::jthread trafficReader;
};

// Connects the traffic side; false when a stop was requested on the way.
bool lf_run(RunThreads& threads, const RunOptions& options);

// The body of the start-up thread: every way out runs closing down exactly
// once, which posts the next run or the end.
void lf_startUpGWRT(const RunOptions& options, const std::function<void(RunMessage)>& post);

// Runs runs one after the other on their own start-up thread, each joined
// before the next begins, until one ends the program; returns exitCode. A
// true closeSignalled (polled) acts as the user closing the program.
std::int32_t gf_runUntilQuit(const RunOptions& options, const std::function<bool()>& closeSignalled = {});

} // namespace gwr
