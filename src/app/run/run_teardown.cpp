// Closing-down steps of the real program, wired to the traffic engine, the
// simulator client, the RealTraffic feed and the settings.
#include "app/run/run_teardown.h"

#include "airports/airport_scan_shell.h"
#include "app/window/message_line.h"
#include "core/file_maintenance.h"
#include "core/log.h"
#include "core/main_window_state.h"
#include "core/paths.h"
#include "core/run_state.h"
#include "core/settings_catalogue.h"
#include "liveries/refused_liveries.h"
#include "platform/sys/folder_listing.h"
#include "traffic/engine/realtraffic_link.h"
#include "traffic/engine/traffic_engine.h"
#include "traffic/feed/reader_threads.h"
#include "traffic/feed/traffic_queue.h"
#include "traffic/parking/park_airport_driver.h"
#include "traffic/simclient/sim_commands.h"
#include "traffic/simclient/user_aircraft.h"

#include <filesystem>
#include <fmt/format.h>
#include <mutex>
#include <system_error>
#include <utility>

namespace gwr {

namespace {

// The traffic reader must see accepting cleared before its next queueing.
void lf_stopTrafficSide() {
  {
    std::lock_guard lock(trafficRecordMutex);
    trafficAccepting = false;
  }
  trafficReader.requestStop();
  qnhReader.requestStop();
}

void lf_clearRunData() {
  gf_leaveParkAirport();
  RememberedLiveries.clear();
  gf_removeFlightPlanFolder();
  DESTINATION.set("");
  BLOCK_CALLSIGN.set("");
  tbloFileCount.store(0);
  gf_writeMatchingSummary();
  gf_logNoMatchList();
}

void lf_resetOwners() {
  lf_resetFeedForLink();
  // A link's connect restarts only the pressure's count; a new run both.
  trafficReader.resetCounters();
  gf_prepareSimConnectQueues();
  simRunning.store(false);
  gf_resetUserAircraft();
  gf_resetTraffic();
  // A user's request of the last run must not act on the next run's traffic.
  blockChangeRequested.store(false);
  objectIdLookupPending.store(false);
  gf_messageLine().clearError(true);
  gf_mainWindow().reset();
  // The next run's handshake decides again whose clock counts.
  clockOnTrafficTime.store(false);
  gf_repaintWindow();
}

} // namespace

void gf_removeFlightPlanFolder() {
  if (flightPlanFolder.empty()) return;
  std::error_code error;
  gf_removeTree(flightPlanFolder, error);
  if (error) gf_log(fmt::format("gf_removeFlightPlanFolder: {}", error.message()));
  // A folder whose state cannot be read is a fault worth raising.
  static_cast<void>(platform::lookAt(flightPlanFolder));
}

ClosingDownSteps gf_programClosingDownSteps(std::function<void(RunMessage)> post) {
  ClosingDownSteps steps;
  steps.stopTrafficSide = lf_stopTrafficSide;
  steps.closeRealTrafficLink = lf_closeRealTrafficLink;
  steps.clearRunData = lf_clearRunData;
  steps.resetOwners = lf_resetOwners;
  steps.post = std::move(post);
  return steps;
}

} // namespace gwr
