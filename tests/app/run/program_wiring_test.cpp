// The program's own wiring, as the process installs it before its first run:
// every hook the traffic side offers to the layers above is set by it, not
// only by the tests that install their own.
#include "app/run/entry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "airports/airport_scan_shell.h"
#include "airports/park_airport_shell.h"
#include "core/main_window_state.h"
#include "core/run_state.h"
#include "core/settings_catalogue.h"
#include "core/status_line.h"
#include "liveries/livery_shell.h"
#include "refdata/airport_services.h"
#include "traffic/engine/engine_hooks.h"
#include "traffic/engine/live_intake.h"
#include "traffic/movement/ground_movement.h"
#include "traffic/simclient/ai_control.h"
#include "traffic/simclient/sim_client_hooks.h"

namespace gwr {
namespace {

struct Hook {
  const char* name;
  bool set;
};

// Nothing a test installed earlier may count: the wiring starts from none.
void lf_uninstallTrafficHooks() {
  gf_installTrafficEngineHooks({});
  gf_installSimClientHooks({});
  gf_installBirthStandChoice(nullptr);
  gf_installArrivalStandChoice(nullptr);
  gf_installStandEventHook(nullptr);
  gf_installLiveRemovalHook(nullptr);
  gf_installParkAirportShell(nullptr);
  gf_installAirportScanShell(nullptr);
  gf_installLiveryShell(nullptr);
}

// The window bands that repaint() invalidates.
std::vector<platform::Rect> lf_repaintsOf(void (*repaint)()) {
  std::vector<platform::Rect> repaints;
  gf_installWindowInvalidator([&repaints](const platform::Rect& band) { repaints.push_back(band); });
  repaint();
  gf_installWindowInvalidator({});
  return repaints;
}

void lf_uninstallProgramParts() {
  lf_uninstallTrafficHooks();
  gf_installStatusLine(nullptr);
  gf_installClosestStandReader(nullptr);
}

TEST(ProgramWiring, EveryHookOfTheTrafficSideIsInstalledBeforeTheRun) {
  lf_uninstallTrafficHooks();
  // Without the window's shells the airports' headless ones answer.
  const ParkAirportShell* headlessPark = &gf_parkAirportShell();
  const AirportScanShell* headlessScan = &gf_airportScanShell();
  gf_installProgramParts();
  // The headless livery shell has no window to repaint.
  const bool liveryShell = !lf_repaintsOf(&gf_repaintStatusPanel).empty();

  const TrafficEngineHooks& e = gf_trafficEngineHooks();
  const Hook engine[] = {
      {"parkAirportDriver", e.parkAirportDriver != nullptr},
      {"staticTwinCheck", e.staticTwinCheck != nullptr},
      {"placeStaticAircraft", e.placeStaticAircraft != nullptr},
      {"standWork", e.standWork != nullptr},
      {"everySecondDisplay", e.everySecondDisplay != nullptr},
      {"pausedDisplay", e.pausedDisplay != nullptr},
      {"reservedStandCheck", e.reservedStandCheck != nullptr},
      {"every5Seconds", e.every5Seconds != nullptr},
      {"autoRange", e.autoRange != nullptr},
      {"everyMinute", e.everyMinute != nullptr},
      {"liveOverStatic", e.liveOverStatic != nullptr},
      {"staticNavLights", e.staticNavLights != nullptr},
      {"staticFeedback", e.staticFeedback != nullptr},
      {"staticActivation", e.staticActivation != nullptr},
      {"removeAllStatic", e.removeAllStatic != nullptr},
      {"staticUpdate", e.staticUpdate != nullptr},
      {"parkControls", e.parkControls != nullptr},
      {"liveParksOnStand", e.liveParksOnStand != nullptr},
      {"staticUnderUser", e.staticUnderUser != nullptr},
      {"standUseBeforeNewKey", e.standUseBeforeNewKey != nullptr},
  };
  // A hook added to the engine without a row here fails the size check.
  static_assert(sizeof(TrafficEngineHooks) == sizeof(engine) / sizeof(Hook) * sizeof(void (*)()));

  const SimClientHooks c = gf_simClientHooks();
  const Hook simClient[] = {
      {"handleSimDisconnect", c.handleSimDisconnect != nullptr},
      {"standAtPosition", c.standAtPosition != nullptr},
      {"reserveUserStand", c.reserveUserStand != nullptr},
  };
  static_assert(sizeof(SimClientHooks) == sizeof(simClient) / sizeof(Hook) * sizeof(void (*)()));

  const Hook parking[] = {
      {"birthStandChoice", gf_birthStandChoice() != nullptr},
      {"arrivalStandChoice", gf_arrivalStandChoice() != nullptr},
      {"standEventHook", gf_standEventHook() != nullptr},
      {"liveRemovalHook", gf_liveRemovalHook() != nullptr},
      {"parkAirportShell", &gf_parkAirportShell() != headlessPark},
      {"airportScanShell", &gf_airportScanShell() != headlessScan},
      {"liveryShell", liveryShell},
  };

  for (const auto& table : {std::span<const Hook>(engine), std::span<const Hook>(simClient),
                            std::span<const Hook>(parking)})
    for (const Hook& hook : table) EXPECT_TRUE(hook.set) << hook.name << " is not installed by the program";
  // The tests after this one start from no wiring, as before it.
  lf_uninstallProgramParts();
}

// The livery scan's shell as the program installs it: the livery count is
// drawn in the status band, and the scan looks below the install path of the
// edition in use.
TEST(ProgramWiring, TheLiveryScanLooksBelowTheEditionsInstallPathAndRepaintsTheStatusBand) {
  lf_uninstallTrafficHooks();
  gf_installProgramParts();
  EXPECT_EQ(lf_repaintsOf(&gf_repaintStatusPanel), (std::vector<platform::Rect>{{0, 28, 880, 112}}));

  struct Edition {
    bool msfs2020;
    std::string path2020, path2024;
    std::filesystem::path community;
  };
  const Edition editions[] = {{true, "/sim20", "/sim24", "/sim20/Community"},
                              {false, "/sim20", "/sim24", "/sim24/Community"},
                              {false, "/sim20", "", ""}};
  const bool edition = SimEdition.load();
  const std::string kept2020 = MSFS_INSTALL_PATH.current();
  const std::string kept2024 = MSFS_2024_INSTALL_PATH.current();
  for (const Edition& e : editions) {
    SimEdition.store(e.msfs2020);
    MSFS_INSTALL_PATH.setCurrent(e.path2020);
    MSFS_2024_INSTALL_PATH.setCurrent(e.path2024);
    std::filesystem::path community = "stale";
    gf_packagesSubPath(community, "Community");
    EXPECT_EQ(community, e.community) << (e.msfs2020 ? "MSFS 2020" : "MSFS 2024");
  }
  SimEdition.store(edition);
  MSFS_INSTALL_PATH.setCurrent(kept2020);
  MSFS_2024_INSTALL_PATH.setCurrent(kept2024);
  lf_uninstallProgramParts();
}

} // namespace
} // namespace gwr
