// The lost-simulator handler and the switch to the other simulator edition.
#include "app/run/sim_disconnect.h"

#include "app/window/command_handlers.h"

#include <filesystem>
#include <system_error>

#include <fmt/format.h>

#include "core/clock.h"
#include "core/exit_reason.h"
#include "core/file_maintenance.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/run_state.h"
#include "core/settings_catalogue.h"
#include "core/status_line.h"
#include "core/version.h"
#include "traffic/simclient/sim_client_hooks.h"

namespace gwr {

namespace {

constexpr std::int32_t editionSwitchRestartSeconds = 3;
constexpr const char* edition2020 = "MSFS 2020";
constexpr const char* edition2024 = "MSFS 2024";

} // namespace

void lf_switchSimVersion() {
  std::error_code error;
  gf_removePath(liveriesScannedFile, error);
  if (error) throw std::filesystem::filesystem_error("remove", liveriesScannedFile, error);
  // The traffic thread may still read the tables: they are emptied by the
  // start-up thread of the next run.
  gf_markLiveryTablesForRebuild();
  for (CheckboxBoolParameter* scan : {&SCAN_AIRPORTS, &SCAN_LIVERIES}) {
    scan->setCurrent(true);
    scan->save();
    scan->showCheck();
  }
  setStatusText(fmt::format("Switching MSFS version in {}", programName), true);
  ALL_INSTALL_PATH.setCurrent("");
  gf_showStringParameter(ALL_INSTALL_PATH);
  if (!SimEdition.load()) MYSIMADDON24_VERSION.set("");
  gf_requestStop(ExitReason::NewSettings, editionSwitchRestartSeconds);
}

void gf_handleSimDisconnect(bool otherEdition) {
  if (stopRequested.load()) return;
  if (otherEdition) {
    const std::string before = SIM_CHOICE.current();
    SIM_CHOICE.set(SimEdition.load() ? edition2024 : edition2020);
    SIM_CHOICE.fillCombo();
    try {
      lf_switchSimVersion();
    } catch (...) {
      // Nothing was switched: the next start must use the edition as it was.
      SIM_CHOICE.set(before);
      SIM_CHOICE.fillCombo();
      throw;
    }
    return;
  }
  gf_log(fmt::format("{} Flight Simulator no longer connected, {} will stop ...", gf_nowTimeOfDay(), programName));
  gf_requestStop(ExitReason::SimWasClosed, 0);
}

void gf_installSimDisconnectHandler() {
  SimClientHooks hooks = gf_simClientHooks();
  hooks.handleSimDisconnect = [](bool otherEdition) {
    try {
      gf_handleSimDisconnect(otherEdition);
    } catch (const std::exception& e) {
      // The client thread must not end on a failed file removal or save.
      gf_logError(fmt::format("gf_handleSimDisconnect exception: {}", e.what()));
      gf_requestStop(ExitReason::SimWasClosed, 0);
    }
  };
  gf_installSimClientHooks(hooks);
}

} // namespace gwr
