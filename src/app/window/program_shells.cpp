#include "app/window/program_shells.h"

#include "airports/airport_scan_shell.h"
#include "airports/park_airport_shell.h"
#include "app/window/command_handlers.h"
#include "app/window/message_line.h"
#include "app/window/window_controls.h"
#include "app/window/window_paint.h"
#include "core/main_window_state.h"
#include "core/settings_catalogue.h"
#include "core/status_line.h"
#include "liveries/livery_shell.h"
#include "traffic/engine/engine_hooks.h"

namespace gwr {

namespace {

class ProgramAirportScanShell final : public AirportScanShell {
public:
  void showNotice(const std::string& text) override { setStatusText(text, false); }
  void clearNotice() override { clearStatusText(); }
  void repaintStatus() override { gf_repaintBand(statusBand); }
  void enableTbloButton(bool enabled) override { gf_enableControl(TBLO_ZIP_BUTTON, enabled); }
};

// A notice ages by the traffic's seconds, and the counters follow the traffic.
void lf_everySecondDisplay() {
  gf_messageLine().ageOneSecond();
  refreshLiveCounts();
}

} // namespace

void gf_installProgramShells() {
  static ProgramAirportScanShell airportScanShell;
  static ControlsParkAirportShell parkAirportShell;
  gf_installAirportScanShell(&airportScanShell);
  gf_installParkAirportShell(&parkAirportShell);
  gf_installParkControlsHook();
  TrafficEngineHooks hooks = gf_trafficEngineHooks();
  hooks.everySecondDisplay = &lf_everySecondDisplay;
  hooks.pausedDisplay = &refreshLiveCounts;
  hooks.autoRange = &gf_autoRange;
  gf_installTrafficEngineHooks(hooks);
}

} // namespace gwr
