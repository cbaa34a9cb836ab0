// The run after the data steps and the start-up thread around it: each run's
// threads are joined before the next run, and every way out closes down once.
#include "app/run/run.h"

#include "airports/airport_scan.h"
#include "airports/airport_scan_shell.h"
#include "app/run/run_teardown.h"
#include "app/run/startup.h"
#include "app/window/command_handlers.h"
#include "app/window/main_window.h"
#include "core/clock.h"
#include "core/exit_reason.h"
#include "core/file_maintenance.h"
#include "core/fixed_code.h"
#include "core/log.h"
#include "core/main_window_state.h"
#include "core/paths.h"
#include "core/run_state.h"
#include "core/settings_catalogue.h"
#include "core/status_line.h"
#include "core/user_error.h"
#include "liveries/livery_shell.h"
#include "liveries/livery_tables.h"
#include "refdata/airports_table.h"
#include "traffic/engine/realtraffic_link.h"
#include "traffic/engine/status_files.h"
#include "traffic/feed/reader_threads.h"
#include "traffic/feed/traffic_queue.h"
#include "traffic/parking/park_airports.h"
#include "traffic/parking/static_renewal.h"
#include "traffic/simclient/sim_client.h"
#include "traffic/simclient/sim_commands.h"
#include "traffic/simclient/user_aircraft.h"

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
// How often a headless run looks for the user's request to close.
constexpr auto closePollPeriod = 100ms;

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

// The start-up thread's handlers: a user error or an unknown failure names
// SYSTEM ERROR over any reason; other failures only when no stop came first.
void lf_failForUser(const std::string& text) {
  setStatusError(text.empty() ? "Unknown exception" : text);
  gf_requestSystemError();
}

void lf_failWith(const std::string& text) {
  setStatusError(text);
  gf_requestStop(ExitReason::SystemError, 0);
}

// The number of the user's own airport files, shown in the status band.
void lf_countMyAirports() {
  simaddonAirportCount.store(gf_countFiles(mySimaddonFolder));
  thirdpartyAirportCount.store(gf_countFiles(myThirdpartyFolder));
  gf_showScanCounts();
}

// A destination kept from the last run's settings becomes the park airport's
// candidate again.
void lf_keepDestination() {
  const std::string destination = DESTINATION.current();
  if (destination.empty()) return;
  if (destination.size() != 4) {
    // An edited settings file must not end the run.
    gf_log(fmt::format("DESTINATION \"{}\" is no airport code, ignored", destination));
    return;
  }
  const FixedCode<4> code(destination);
  for (const AirportRecord& airport : airportsTable) {
    if (airport.icao == code) {
      lf_newDestination(destination, LatLon{airport.latitude, airport.longitude});
      return;
    }
  }
}

void lf_placeOnTop() {
  if (platform::Window* window = gf_mainWindowHandle()) {
    const bool onTop = ALWAYS_ON_TOP.current();
    window->post([window, onTop] { window->setTopmost(onTop); });
  }
}

// The steps after the data files up to the traffic side; false when a stop
// was requested on the way.
bool lf_prepareTraffic() {
  if (gf_stopping()) return false;
  lf_countMyAirports();
  if (gf_stopping()) return false;
  gf_createFlightPlanFolder(std::filesystem::current_path());
  lf_readMyParkAirports();
  gf_enableControl(REREAD_BUTTON, true);
  lf_keepDestination();
  lf_placeOnTop();
  return true;
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
  // Closing down's reset cleared the flags for the next run before this stop
  // set them again: a run whose RealTraffic connects from elsewhere has no
  // handshake to clear them, and its readers would end at once.
  gwr::trafficReader.stopFlag.store(false);
  gwr::qnhReader.stopFlag.store(false);
}

bool lf_run(RunThreads& threads, const RunOptions& options) {
  RunClock& clock = options.clock ? *options.clock : gf_steadyRunClock();
  auto& shown = gf_mainWindow();
  shown.realTrafficDetailsShown.store(false);
  gf_repaintBand(statusBand);
  shown.simulatorConnected.store(false);
  gf_repaintBand(statusBand);
  gf_reserveTrafficContainers();
  gf_reserveParkingLists();
  gf_reserveLiveryLists();  // a no-op once the lists have their room
  gf_prepareSimConnectQueues();
  gf_repaintWindow();
  if (threads.simClient.joinable()) {
    threads.simClient.request_stop();
    threads.simClient.join();
  }
  threads.simClient = std::jthread(lf_simClientThread);
  if (!lf_waitForUserAircraft(options.userAircraftPause)) return false;
  gf_enableControl(SCAN_AIRPORTS, true);
  if (SCAN_AIRPORTS.current()) {
    simaddonAirportCount.store(0);
    thirdpartyAirportCount.store(0);
    gf_showScanCounts();
    gf_scanAirports();
  }
  if (AUTO_RANGE.current()) gf_autoRange();
  const bool linkWanted = realTrafficOnThisPc.load() && !AEROWINX.current();
  if (linkWanted) {
    lf_listenForRealTraffic(PORT_NUMBER.current());
  } else {
    shown.realTrafficDetailsShown.store(true);
    gf_repaintBand(statusBand);
  }
  if (gf_stopping()) return false;
  shown.realTrafficBoxDark.store(false);
  gf_repaintBand(statusBand);
  if (!AEROWINX.current()) {
    clockOnTrafficTime.store(true);
    lf_connectRealTraffic();
    lf_sendSimTime(simulatorTime.load());
  } else {
    clockOnTrafficTime.store(false);
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

void lf_startUpGWRT(const RunOptions& options, const std::function<void(RunMessage)>& post) {
  RunThreads threads;
  ClosingDownSteps steps = gf_programClosingDownSteps(post);
  steps.clock = options.clock;
  steps.stopTrafficSide = [&threads, stopTraffic = steps.stopTrafficSide] {
    stopTraffic();
    threads.simClient.request_stop();
  };
  try {
    if (!lf_startUpData()) {
      // The step that ended the run has named its reason.
    } else if (!lf_prepareTraffic() || !lf_run(threads, options)) {
      lf_stopAtStep();
    } else if (options.runTickLoop) {
      lf_tickLoop();
    } else {
      lf_stopAtStep();
    }
  } catch (const UserErrorException& e) {
    lf_failForUser(e.what());
  } catch (const fmt::format_error& e) {
    lf_failWith(fmt::format("std::format error: {}", e.what()));
    setStatusError(e.what());
  } catch (const std::exception& e) {
    lf_failWith(e.what());
  } catch (...) {
    lf_failForUser("");
  }
  lf_closingDown(steps);
  // The threads go before the next run may start.
  threads.stopAll();
}

std::int32_t gf_runUntilQuit(const RunOptions& options, const std::function<bool()>& closeSignalled) {
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
    std::jthread startUp([&] { lf_startUpGWRT(options, post); });
    {
      std::unique_lock lock(mutex);
      while (!posted.wait_for(lock, closePollPeriod, [&] { return message.has_value(); })) {
        if (!closeSignalled || !closeSignalled()) continue;
        lock.unlock();
        lf_onClose();
        lock.lock();
      }
    }
    startUp.join();
    if (*message == RunMessage::saveAndQuit) return exitCode.load();
  }
}

} // namespace gwr
