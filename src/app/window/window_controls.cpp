// The 43 controls of the main window in creation (tab) order, their state at
// the start of a run, the parking controls and the drop-down mappings.
#include "app/window/window_controls.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>

#include <fmt/format.h>

#include "app/window/command_handlers.h"
#include "app/window/window_colours.h"
#include "core/main_window_state.h"
#include "core/run_state.h"
#include "core/settings_catalogue.h"
#include "liveries/livery_shell.h"
#include "traffic/engine/engine_hooks.h"

namespace gwr {

std::atomic<bool> parkControlsSetUp{false};

namespace {

using platform::ControlKind;
using platform::ControlSpec;

std::atomic<platform::Window*> controlsWindow{nullptr};

constexpr std::int32_t renewalMinutes = 20;

struct ControlRow {
  ControlKind kind;
  ControlBinding* binding;
  const Parameter* caption;  // push buttons: the key is the caption
  int x;
  int width;
  int listHeight;
};

ControlRow lf_check(CheckboxBoolParameter& p, int x) { return {ControlKind::checkBox, &p, nullptr, x, 0, 0}; }
template <class P>
ControlRow lf_list(P& p, int x, int width, int listHeight) {
  return {ControlKind::dropDown, &p, nullptr, x, width, listHeight};
}
ControlRow lf_edit(EditStringParameter& p, int x, int width) { return {ControlKind::editBox, &p, nullptr, x, width, 0}; }
ControlRow lf_button(ButtonCommand& b, int x, int width) { return {ControlKind::pushButton, &b, &b, x, width, 0}; }

std::array<ControlRow, 43> lf_controlTable() {
  return {
      lf_list(SIM_CHOICE, 5, 105, 80),
      lf_edit(ALL_INSTALL_PATH, 111, 1200),
      lf_check(SCAN_LIVERIES, 5),
      lf_check(LIG_AUTOMATIC, 217),
      lf_list(AI_PACKAGE_SELECTOR, 323, 175, 300),
      lf_check(LIG_PRIORITIZE, 536),
      lf_check(ALWAYS_ON_TOP, 748),
      lf_check(SCAN_AIRPORTS, 5),
      lf_button(TBLO_ZIP_BUTTON, 217, 80),
      lf_check(OBJECTID_LIST, 652),
      lf_check(NAV_LIGHTS_WHILE_PARKED, 748),
      lf_list(MATCHING_DEPTH, 217, 40, 120),
      lf_check(LIGHT_AIRCRAFT, 323),
      lf_check(HELICOPTERS, 430),
      lf_check(HIGH_PERF_AIRCRAFT, 536),
      lf_check(AEROWINX, 652),
      lf_check(GUID_CHANGES, 748),
      lf_list(RANGE, 217, 50, 200),
      lf_check(AUTO_RANGE, 323),
      lf_list(AR_ABOVE_HEIGHT, 455, 70, 230),
      lf_check(AIRBORNE_ONLY, 572),
      lf_check(COLLISION_USER_GND, 217),
      lf_check(COLLISION_USER_AIR, 323),
      lf_check(COLLISION_LIVE_PARKED_GND, 430),
      lf_edit(BLOCK_CALLSIGN, 107, 100),
      lf_button(UNBLOCK_BUTTON, 223, 60),
      lf_button(CS_TO_OID_BUTTON, 305, 60),
      lf_list(CALLSIGN_2_OBJECTID, 375, 100, 300),
      lf_button(BLOCK_BUTTON, 576, 60),
      lf_button(NOW_BUTTON, 111, 45),
      lf_list(MAX_PARK_SEL, 323, 55, 144),
      lf_list(MAX_LIVE_SEL, 536, 55, 144),
      lf_edit(DESTINATION, 217, 50),
      lf_list(AIRP_RANGE, 353, 45, 144),
      lf_list(AIRP_HEIGHT, 566, 70, 230),
      lf_check(STRAIGHT_PBS_ONLY, 652),
      lf_check(INITIAL_LOAD_ONLY, 5),
      lf_check(WEEK, 71),
      lf_check(PARK_SOFT, 151),
      lf_list(parking_percentage, 323, 50, 200),
      lf_list(MAX_FIT_FL, 566, 60, 300),
      lf_button(REREAD_BUTTON, 758, 90),
      lf_button(FLUSH_STATIC_BUTTON, 758, 90),
  };
}

ControlSpec lf_specOf(const ControlRow& row) {
  const ControlBinding& b = *row.binding;
  switch (row.kind) {
  case ControlKind::checkBox:
    return ControlSpec::checkBox(b.controlId, row.x, b.y);
  case ControlKind::dropDown:
    return ControlSpec::dropDown(b.controlId, row.x, b.y, row.width, row.listHeight);
  case ControlKind::pushButton:
    return ControlSpec::pushButton(b.controlId, row.x, b.y, row.width, row.caption->key);
  case ControlKind::editBox:
    break;
  }
  return ControlSpec::editBox(b.controlId, row.x, b.y, row.width, windowColour::editBoxField);
}

platform::ControlSurface& lf_surface() { return platform::gf_controlSurface(); }

void lf_enable(const ControlBinding& binding, bool enabled) { gf_enableControl(binding, enabled); }

// The hours are listed with one decimal: "0.5" to "24.0".
void lf_fillMaxFitCombo() {
  auto& surface = lf_surface();
  surface.resetList(MAX_FIT_FL.controlId);
  for (const float hours : MAX_FIT_FL.choices) surface.addListItem(MAX_FIT_FL.controlId, fmt::format("{:.1f}", hours));
  surface.selectListItem(MAX_FIT_FL.controlId, fmt::format("{:.1f}", MAX_FIT_FL.current()));
}

} // namespace

void lf_createControls(platform::Window& window) {
  controlsWindow.store(&window);
  for (const ControlRow& row : lf_controlTable()) {
    window.addControl(lf_specOf(row));
    row.binding->handle.store(&window);
    if (row.kind == ControlKind::checkBox) static_cast<CheckboxBoolParameter*>(row.binding)->showCheck();
  }
  window.invalidate(controlsBand);
}

platform::Window* gf_controlsWindow() { return controlsWindow.load(); }

void lf_enableControlsAfterStart() {
  for (CheckboxBoolParameter* box : checkboxParameters) box->showCheck();
  for (CheckboxBoolParameter* box : {&ALWAYS_ON_TOP, &NAV_LIGHTS_WHILE_PARKED, &OBJECTID_LIST, &GUID_CHANGES,
                                     &SCAN_LIVERIES, &LIG_AUTOMATIC, &LIG_PRIORITIZE})
    lf_enable(*box, true);
  lf_enable(SCAN_AIRPORTS, false);
  lf_enable(TBLO_ZIP_BUTTON, false);
  for (const ComboNumberParameter<std::int32_t>* list : comboNumberParameters) list->fillCombo();
  for (const ControlBinding* control : std::initializer_list<const ControlBinding*>{
           &MATCHING_DEPTH, &LIGHT_AIRCRAFT, &HELICOPTERS, &HIGH_PERF_AIRCRAFT, &AUTO_RANGE})
    lf_enable(*control, true);
  lf_enable(RANGE, !AUTO_RANGE.current());
  lf_enable(AR_ABOVE_HEIGHT, AUTO_RANGE.current());
  for (CheckboxBoolParameter* box : {&AIRBORNE_ONLY, &COLLISION_USER_GND, &COLLISION_USER_AIR, &COLLISION_LIVE_PARKED_GND})
    lf_enable(*box, true);
  lf_enable(BLOCK_BUTTON, false);
  lf_enable(BLOCK_CALLSIGN, true);
  gf_showStringParameter(BLOCK_CALLSIGN);
  lf_enable(UNBLOCK_BUTTON, !BLOCK_CALLSIGN.current().empty());
  if (!INITIAL_LOAD_ONLY.current()) lf_enable(NOW_BUTTON, false);
  lf_enable(MAX_PARK_SEL, true);
  lf_enable(MAX_LIVE_SEL, true);
  lf_enable(STRAIGHT_PBS_ONLY, true);
  lf_enable(CS_TO_OID_BUTTON, false);
  lf_enable(CALLSIGN_2_OBJECTID, false);
  try {
    AI_PACKAGE_SELECTOR.fillCombo();
    SIM_CHOICE.fillCombo();
  } catch (const std::exception&) {
    // The choices are the program's own texts; a list left short only shows less.
  }
  lf_enable(AI_PACKAGE_SELECTOR, LIG_AUTOMATIC.current());
  lf_enable(SIM_CHOICE, true);
  const bool msfs2020 = SIM_CHOICE.current() == "MSFS 2020";
  SimEdition.store(msfs2020);
  simNumber.store(msfs2020 ? 1 : 2);
  lf_enable(DESTINATION, false);
  lf_enable(AIRP_RANGE, true);
  lf_enable(AIRP_HEIGHT, true);
  lf_enable(REREAD_BUTTON, false);
  parking_percentage.setCurrent(30);
  parking_percentage.fillCombo();
  lf_enable(parking_percentage, false);
  lf_fillMaxFitCombo();
  gf_selectMaxFit();
  lf_enable(MAX_FIT_FL, false);
  for (CheckboxBoolParameter* box : {&WEEK, &PARK_SOFT, &INITIAL_LOAD_ONLY}) lf_enable(*box, true);
  lf_enable(FLUSH_STATIC_BUTTON, false);
  parkControlsSetUp.store(true);
  lf_surface().invalidateSettingsArea();
}

void lf_showParkControls(bool enabled) {
  const std::initializer_list<const ControlBinding*> parking{&parking_percentage, &WEEK, &PARK_SOFT, &MAX_FIT_FL,
                                                             &MAX_PARK_SEL, &MAX_LIVE_SEL};
  if (enabled) {
    gf_mainWindow().minutesToRenewal.store(renewalMinutes);
    gf_repaintWindow();
  }
  for (const ControlBinding* control : parking) lf_enable(*control, enabled);
  if (!INITIAL_LOAD_ONLY.current()) lf_enable(NOW_BUTTON, enabled);
  parkControlsSetUp.store(true);
  lf_enable(FLUSH_STATIC_BUTTON, enabled);
  lf_enable(REREAD_BUTTON, enabled);
  lf_surface().invalidateSettingsArea();
}

void gf_installParkControlsHook() {
  TrafficEngineHooks hooks = gf_trafficEngineHooks();
  hooks.parkControls = &lf_showParkControls;
  gf_installTrafficEngineHooks(hooks);
}

void ControlsParkAirportShell::setRange(std::int32_t rangeNm) { gf_setRange(rangeNm); }
void ControlsParkAirportShell::selectMaxFit() { gf_selectMaxFit(); }
void ControlsParkAirportShell::applyAutoRange() { gf_applyAutoRange(); }
void ControlsParkAirportShell::enableFlushStatic(bool enabled) { lf_enable(FLUSH_STATIC_BUTTON, enabled); }
void ControlsParkAirportShell::enableNowButton(bool enabled) { lf_enable(NOW_BUTTON, enabled); }
void ControlsParkAirportShell::enableDestination(bool enabled) { lf_enable(DESTINATION, enabled); }
void ControlsParkAirportShell::enableRereadButton(bool enabled) { lf_enable(REREAD_BUTTON, enabled); }

std::optional<ComboSelection> lf_comboSelection(platform::ControlId id, platform::ControlId wanted,
                                                platform::ControlEvent event) {
  if (id != wanted || event != platform::ControlEvent::selectionChanged) return std::nullopt;
  const auto picked = lf_surface().selection(id);
  if (!picked) return std::nullopt;
  return ComboSelection{picked->index, picked->text};
}

void gf_selectMaxFit() {
  MAX_FIT_FL.setCurrent(gf_maxFitHours(MAX_FIT.current()));
  const auto& hours = MAX_FIT_FL.choices;
  const auto it = std::find(hours.begin(), hours.end(), MAX_FIT_FL.current());
  if (it == hours.end()) return;
  auto& surface = lf_surface();
  const auto listed = surface.state(MAX_FIT_FL.controlId);
  const auto index = static_cast<std::size_t>(it - hours.begin());
  if (!listed || index >= listed->items.size()) return;
  surface.selectListItem(MAX_FIT_FL.controlId, listed->items[index]);
}

std::int32_t gf_setRange(std::int32_t nm) {
  RANGE.setCurrent(RANGE.clamped(nm));
  const auto& choices = RANGE.choices;
  const auto it = std::lower_bound(choices.begin(), choices.end(), RANGE.current());
  if (it != choices.end()) lf_surface().selectListItem(RANGE.controlId, fmt::format("{}", *it));
  const std::int32_t metres = nm * metresPerNauticalMile;
  rangeNm.store(static_cast<double>(nm));
  rangeMetres.store(metres);
  return metres;
}

} // namespace gwr
