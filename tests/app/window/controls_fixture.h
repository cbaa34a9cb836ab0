// Test helper: the main window's controls on a headless window that is the
// control surface, the program's handler behind it, the message line
// installed, settings in a temporary parameters.xml and every request clear.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "airports/park_stand_table.h"
#include "app/window/command_handlers.h"
#include "app/window/message_line.h"
#include "app/window/window_controls.h"
#include "core/exit_reason.h"
#include "core/main_window_state.h"
#include "core/run_state.h"
#include "liveries/livery_processing.h"
#include "platform/ui/headless_window.h"
#include "support/settings_sandbox.h"
#include "traffic/engine/realtraffic_link.h"
#include "traffic/engine/traffic_engine.h"
#include "traffic/parking/park_airport_driver.h"
#include "traffic/parking/park_airports.h"
#include "traffic/parking/static_parking_plan.h"

namespace gwr::testsupport {

using Controls = std::initializer_list<const ControlBinding*>;

inline void resetControlFlags() {
  for (auto* flag : {&reReadRequested, &flushStaticRequested, &callsignChoicesRequested, &objectIdLookupPending,
                     &blockChangeRequested, &noMatchResetRequested, &liveLimitRequested, &navLightsRequested,
                     &staticUpdateRequested, &parkControlsDisabled, &parkControlsSetUp, &renewalRestartRequested,
                     &stopRequested, &standTableReady, &liveriesProcessed})
    flag->store(false);
  beforeFirstConnection.store(true);
  exitReason.store(ExitReason::NotYetSet);
  restartDelaySeconds.store(0);
  SimEdition.store(true);
  secondCount = 0;
  gf_mainWindow().reset();
  gf_rebuildLiveryTablesIfMarked();
  lf_takeDestinationRequest();
  parkAirports.clear();
  ALL_INSTALL_PATH.setCurrent("");
  CALLSIGN_2_OBJECTID.setCurrent("");
  parking_percentage.setCurrent(parking_percentage.defaultValue());
}

class ControlsTest : public ::testing::Test {
protected:
  void SetUp() override {
    resetControlFlags();
    gf_messageLine().clearError(true);
    gf_installStatusLine(&gf_messageLine());
    window.setHandlers({{}, [](platform::ControlId id, platform::ControlEvent e) { lf_handleCommand(id, e); }, {}});
    window.open(platform::WindowSpec{"Gatewright", 400, 20, 880, 477, controlsBand});
    platform::gf_setControlSurface(&window);
    lf_createControls(window);
    // The program's own reach from the traffic side to the parking controls.
    gf_installParkControlsHook();
  }
  void TearDown() override {
    platform::gf_setControlSurface(nullptr);
    gf_installStatusLine(nullptr);
    resetControlFlags();
  }
  // After a run's start, with the controls that later steps enable enabled.
  void startRun() {
    lf_enableControlsAfterStart();
    for (const ControlBinding* c : Controls{&SCAN_AIRPORTS, &TBLO_ZIP_BUTTON, &CS_TO_OID_BUTTON, &CALLSIGN_2_OBJECTID,
                                            &REREAD_BUTTON, &FLUSH_STATIC_BUTTON, &NOW_BUTTON, &DESTINATION,
                                            &ALL_INSTALL_PATH})
      window.enable(c->controlId, true);
  }
  std::string notice() const { return gf_messageLine().notice(); }
  bool logged(const std::string& line) { return sandbox.log().text().find(line + "\n") != std::string::npos; }
  bool enabled(const ControlBinding& c) const { return window.isEnabled(c.controlId); }
  std::string stored(const Parameter& p) const { return sandbox.storedValue(p.key); }
  bool enter(const ControlBinding& box, const std::string& text) {
    return window.type(box.controlId, text) && window.pressEnter(box.controlId);
  }

  SettingsSandbox sandbox;
  platform::HeadlessWindow window;
};

} // namespace gwr::testsupport
