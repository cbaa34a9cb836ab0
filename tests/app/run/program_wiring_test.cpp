// The program's own wiring, as the process installs it before its first run:
// every hook the traffic side offers to the layers above is set by it, not
// only by the tests that install their own.
#include "app/run/entry.h"

#include <gtest/gtest.h>

#include <span>

#include "airports/airport_scan_shell.h"
#include "airports/park_airport_shell.h"
#include "core/status_line.h"
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
}

TEST(ProgramWiring, EveryHookOfTheTrafficSideIsInstalledBeforeTheRun) {
  lf_uninstallTrafficHooks();
  // Without the window's shells the airports' headless ones answer.
  const ParkAirportShell* headlessPark = &gf_parkAirportShell();
  const AirportScanShell* headlessScan = &gf_airportScanShell();
  gf_installProgramParts();

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
  };

  for (const auto& table : {std::span<const Hook>(engine), std::span<const Hook>(simClient),
                            std::span<const Hook>(parking)})
    for (const Hook& hook : table) EXPECT_TRUE(hook.set) << hook.name << " is not installed by the program";
  // The tests after this one start from no wiring, as before it.
  lf_uninstallTrafficHooks();
  gf_installStatusLine(nullptr);
  gf_installClosestStandReader(nullptr);
}

} // namespace
} // namespace gwr
