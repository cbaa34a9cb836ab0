// The main window's controls: made in their rows when the window opens, and
// set for the loaded settings when a run starts.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "airports/park_airport_shell.h"
#include "platform/ui/window.h"

namespace gwr {

// On the window thread, once the window is open.
void lf_createControls(platform::Window& window);

// The controls for the loaded settings, at the start of each run. Also sets
// SimEdition and simNumber from SIM_CHOICE.
void lf_enableControlsAfterStart();

// The window the controls were made on; nullptr before (and in headless runs
// without one).
platform::Window* gf_controlsWindow();

// Set once the parking controls have been set up; never cleared. "Now" is
// only enabled again once this is set.
extern std::atomic<bool> parkControlsSetUp;

// The window's side of disabling and enabling the parking controls (the
// traffic engine's park-controls hook); any thread.
void lf_showParkControls(bool enabled);
// Installs lf_showParkControls as the traffic engine's park-controls hook.
void gf_installParkControlsHook();

// What the park airport's settings ask of the controls, on the window's
// controls; a shell that also shows the park airport's details derives from it.
class ControlsParkAirportShell : public ParkAirportShell {
public:
  void setRange(std::int32_t rangeNm) override;
  void selectMaxFit() override;
  void applyAutoRange() override;
  void enableFlushStatic(bool enabled) override;
  void enableNowButton(bool enabled) override;
  void enableDestination(bool enabled) override;
  void enableRereadButton(bool enabled) override;
};

// The entry picked in a drop-down list; none for other events or no selection.
struct ComboSelection {
  std::size_t index = 0;
  std::string text;
};
std::optional<ComboSelection> lf_comboSelection(platform::ControlId id, platform::ControlId wanted,
                                                platform::ControlEvent event);

// MAX_FIT_FL := the hours of MAX_FIT, selected in its drop-down when listed.
void gf_selectMaxFit();
// RANGE := nm clamped to its list, selected; the working radius takes nm as
// given. Returns the radius in metres.
std::int32_t gf_setRange(std::int32_t nm);

} // namespace gwr
