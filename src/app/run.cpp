// The run after the data steps and the start-up thread around it: each run's
// threads are joined before the next run, and every way out closes down once.
#include "app/run.h"

#include "app/run_teardown.h"
#include "app/startup.h"
#include "airports/airport_scan.h"
#include "core/clock.h"
#include "core/exit_reason.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/run_state.h"
#include "core/settings_catalogue.h"
#include "core/status_line.h"
#include "traffic/park_airports.h"
#include "traffic/reader_threads.h"
#include "traffic/realtraffic_link.h"
#include "traffic/sim_client.h"
#include "traffic/sim_commands.h"
#include "traffic/status_files.h"
#include "traffic/traffic_queue.h"
#include "traffic/user_aircraft.h"

#include <condition_variable>
#include <exception>
#include <filesystem>
#include <fmt/format.h>
#include <mutex>
#include <optional>

namespace gwr {

namespace {

using namespace std::chrono_literals;

// How long the run looks for a first traffic line before going on without.
constexpr auto trafficPollPeriod = 100ms;
constexpr int trafficPollCount = 150;

void lf_detectRealTraffic() {
  const bool found = std::filesystem::exists(gf_getAppDataFolder() / "InsideSystems" / "RealTraffic.jar");
  realTrafficOnThisPc.store(found);
  setStatusText(fmt::format("RealTraffic {}detected at this PC", found ? "" : "not "), true);
}

void lf_waitForTraffic(RunClock& clock) {
  for (int poll = 0; poll < trafficPollCount && static_cast<std::int64_t>(trafficReader.timestamp()) == 0; ++poll) {
    if (gf_stopping()) return;
    clock.sleepUntil(clock.now() + trafficPollPeriod);
  }
  if (static_cast<std::int64_t>(trafficReader.timestamp()) == 0) gf_log("No traffic in this region?");
}

// The user's own stop at a step boundary; a reason named before stays.
void lf_stopAtStep() {
  lf_closeRealTrafficLink();
  gf_requestUserStop();
}

// A failed start-up: the error stays on the message line until the user closes.
void lf_failRun(const std::string& text) {
  setStatusError(text);
  gf_requestSystemError();
}

} // namespace

RunThreads::~RunThreads() { stopAll(); }

void RunThreads::stopAll() {
  gwr::trafficReader.requestStop();
  gwr::qnhReader.requestStop();
  for (std::jthread* thread : {&simClient, &qnhReader, &trafficReader}) {
    if (!thread->joinable()) continue;
    thread->request_stop();
    thread->join();
  }
}

bool lf_run(RunThreads& threads, const RunOptions& options) {
  RunClock& clock = options.clock ? *options.clock : gf_steadyRunClock();
  lf_detectRealTraffic();
  gf_createFlightPlanFolder(std::filesystem::current_path());
  lf_readMyParkAirports();
  gf_reserveTrafficContainers();
  gf_prepareSimConnectQueues();
  threads.simClient = std::jthread(lf_simClientThread);
  if (!lf_waitForUserAircraft(options.userAircraftPause)) return false;
  if (SCAN_AIRPORTS.current()) gf_scanAirports();
  const bool linkWanted = realTrafficOnThisPc.load() && !AEROWINX.current();
  if (linkWanted) lf_listenForRealTraffic(PORT_NUMBER.current());
  if (gf_stopping()) return false;
  if (!AEROWINX.current()) {
    lf_connectRealTraffic();
    lf_sendSimTime(simulatorTime.load());
  }
  if (gf_stopping()) return false;
  {
    std::lock_guard lock(trafficRecordMutex);
    trafficAccepting = false;
  }
  threads.qnhReader = std::jthread([port = options.qnhPort] { lf_qnhReaderThread(port); });
  clock.sleepUntil(clock.now() + options.readerStagger);
  threads.trafficReader = std::jthread(
      [port = options.trafficPort, loopback = realTrafficOnThisPc.load()] { lf_trafficReaderThread(port, loopback); });
  lf_sendUserPosition();
  trafficReader.setReferencePosition({trafficEngine.user.latitude, trafficEngine.user.longitude});
  lf_waitForTraffic(clock);
  weekTime.store(gf_weekdayAndSlot());
  return true;
}

void lf_startUpRun(const RunOptions& options, const std::function<void(RunMessage)>& post) {
  RunThreads threads;
  ClosingDownSteps steps = gf_programClosingDownSteps(post);
  steps.clock = options.clock;
  steps.stopTrafficSide = [&threads, stopTraffic = steps.stopTrafficSide] {
    stopTraffic();
    threads.simClient.request_stop();
  };
  try {
    if (!lf_startUpGWRT()) {
      gf_requestSystemError();  // the data step has shown its error
    } else if (gf_stopping()) {
      lf_stopAtStep();
    } else if (!lf_run(threads, options)) {
      lf_stopAtStep();
    } else if (options.runTickLoop) {
      lf_tickLoop();
    } else {
      lf_stopAtStep();
    }
  } catch (const std::exception& e) {
    lf_failRun(e.what());
  } catch (...) {
    lf_failRun("Unknown exception");
  }
  lf_closingDown(steps);
  // The threads go before the next run may start.
  threads.stopAll();
}

std::int32_t gf_runUntilQuit(const RunOptions& options) {
  std::mutex mutex;
  std::condition_variable posted;
  std::optional<RunMessage> message;
  const auto post = [&](RunMessage m) {
    std::lock_guard lock(mutex);
    message = m;
    posted.notify_one();
  };
  for (;;) {
    message.reset();
    std::jthread startUp([&] { lf_startUpRun(options, post); });
    {
      std::unique_lock lock(mutex);
      posted.wait(lock, [&] { return message.has_value(); });
    }
    startUp.join();
    if (*message == RunMessage::saveAndQuit) return exitCode.load();
  }
}

} // namespace gwr
