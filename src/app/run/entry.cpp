// The process entry: one instance per user, the log before anything else, then
// the command line and the run.
#include "app/run/entry.h"

#include "airports/apf_download.h"
#include "app/run/command_line.h"
#include "app/run/embedded_sim.h"
#include "app/run/run.h"
#include "app/run/sim_disconnect.h"
#include "app/run/startup.h"
#include "app/window/main_window.h"
#include "app/window/message_line.h"
#include "app/window/program_shells.h"
#include "core/file_maintenance.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/status_line.h"
#include "core/version.h"
#include "platform/sys/shell.h"
#include "platform/sys/single_instance.h"
#include "traffic/parking/park_airport_driver.h"

#include <atomic>
#include <csignal>
#include <filesystem>
#include <memory>
#include <fmt/format.h>
#include <string>
#include <string_view>
#include <vector>

namespace gwr {

namespace {

bool lf_createPerUserFolder() {
  try {
    const auto& folder = gf_perUserFolder();
    gf_makeFoldersOrThrow(folder);
    return true;
  } catch (const std::filesystem::filesystem_error& e) {
    gf_log(fmt::format("Failed to create directory: {}", e.what()));
    return false;
  }
}

// Ctrl+C or a termination request acts as the window's close button: the run
// closes down and the program ends as the user would end it.
std::atomic<bool> closeSignal{false};

extern "C" void lf_onCloseSignal(int) { closeSignal.store(true); }

bool lf_closeSignalled() { return closeSignal.exchange(false); }

int lf_runApplication(int argc, char** argv) {
  std::vector<std::string_view> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  productionMode = gf_parseProductionSwitch(arguments);
  // Failing here is a failed start, not a successful run.
  if (!lf_createPerUserFolder()) return failureExitCode;
  gf_installProgramParts();
  // On this system the simulator is always the emulated one; a restart in
  // the same process keeps it.
  if (!productionMode) gf_setUpEmbeddedSimulator(gf_embeddedPackagesFolder());
  std::signal(SIGINT, lf_onCloseSignal);
  std::signal(SIGTERM, lf_onCloseSignal);
  gf_installDisplayLossHandlers();
  if (!platform::gf_desktopDisplayAvailable()) return gf_runUntilQuit(RunOptions{}, lf_closeSignalled);
  // A display that works gets the window, or the program does not run: a run
  // nobody can see or close from the desktop is no start.
  std::unique_ptr<platform::Window> window = platform::gf_makeDesktopWindow();
  if (!window || !gf_initInstance(*window)) {
    gf_logError("initInstance failed");
    return failureExitCode;
  }
  return gf_runWindowed(*window, RunOptions{}, lf_closeSignalled);
}

} // namespace

void gf_installProgramParts() {
  static MessageLine& line = gf_messageLine();
  gf_installStatusLine(&line);
  // Closest-stand questions of the reference data are answered from the
  // airports' stand files.
  gf_installClosestStandSearch();
  gf_installSimDisconnectHandler();
  gf_installParking();
  // After the parking's hooks: the display adds its share to them.
  gf_installProgramShells();
}

int gf_processEntry(int argc, char** argv) {
  platform::SingleInstance instance;
  if (instance.state() == platform::SingleInstance::State::heldElsewhere) return secondInstanceExitCode;

  try {
    gf_openLogFile();
  } catch (const std::exception& e) {
    // Without a log nothing else could report what goes wrong later.
    platform::showMessageBox(fmt::format("{} cannot start: {}", programName, e.what()), "GWRT");
    return failureExitCode;
  }
  if (!instance.acquired()) {
    // No instance can hold a lock that cannot be opened, so the log opened
    // above is this user's only one; two runs side by side could not be told
    // apart, hence no run.
    const std::string why = fmt::format("{} cannot start: its {}", programName, instance.failure());
    gf_logError(why);
    platform::showMessageBox(why, "GWRT");
    return failureExitCode;
  }
  return lf_runApplication(argc, argv);
}

} // namespace gwr
