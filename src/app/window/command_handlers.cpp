// The handlers of the window's push buttons, check boxes, drop-down lists and
// text-entry boxes, the automatic range and the livery-table marking.
#include "app/window/command_handlers.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <filesystem>
#include <limits>
#include <optional>
#include <string_view>
#include <stdexcept>
#include <system_error>

#include <fmt/format.h>

#include "airports/park_stand_table.h"
#include "app/run/sim_disconnect.h"
#include "app/update/install_detection.h"
#include "app/window/message_line.h"
#include "app/window/window_controls.h"
#include "core/exit_reason.h"
#include "core/log.h"
#include "core/main_window_state.h"
#include "core/paths.h"
#include "core/settings_catalogue.h"
#include "core/status_line.h"
#include "core/text_files.h"
#include "core/text_utils.h"
#include "core/version.h"
#include "liveries/livery_processing.h"
#include "liveries/livery_shell.h"
#include "liveries/livery_tables.h"
#include "platform/sys/folder_listing.h"
#include "platform/sys/native_path.h"
#include "refdata/airports_table.h"
#include "traffic/engine/realtraffic_link.h"
#include "traffic/engine/traffic_engine.h"
#include "traffic/parking/park_airport_driver.h"
#include "traffic/parking/static_parking_plan.h"
#include "traffic/simclient/user_aircraft.h"

namespace gwr {

namespace {

namespace fs = std::filesystem;
using platform::ControlEvent;
using platform::ControlId;

constexpr std::int32_t scanRestartSeconds = 2;
constexpr std::int32_t installPathRestartSeconds = 3;
constexpr std::int32_t renewalMinutes = 20;
constexpr double airborneOnlyFeet = 150.0;
constexpr std::size_t shortestCallsign = 4;
constexpr std::size_t longestCallsign = 8;
constexpr std::size_t airportCodeLength = 4;
constexpr const char* communityFolder = "Community";

std::atomic<bool> liveryTablesMarked{false};
// The manual range to go back to when AUTO_RANGE is switched off; none yet
// stands for RANGE's default (the settings may not exist yet at this point
// of static initialisation).
constexpr std::int32_t noRememberedRange = -1;
std::atomic<std::int32_t> rememberedRange{noRememberedRange};

platform::ControlSurface& lf_surface() { return platform::gf_controlSurface(); }

// Characters as the user typed them, not the bytes UTF-8 needs for them.
std::size_t lf_characterCount(std::string_view text) {
  return static_cast<std::size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0U) != 0x80U; }));
}
void lf_enable(const ControlBinding& binding, bool enabled) { gf_enableControl(binding, enabled); }
void lf_repaintControls() { lf_surface().invalidateSettingsArea(); }
bool lf_is(ControlId id, const ControlBinding& binding) { return id == binding.controlId; }

std::string lf_getTextFromId(const ControlBinding& binding) {
  if (!lf_surface().hasControl(binding.controlId)) {
    gf_log(fmt::format("GetDlgItem failed for ID {}", binding.controlId));
    return {};
  }
  return lf_surface().text(binding.controlId);
}

// The scan boxes and the install path restart the run with NEW SETTINGS.
void lf_requestRestart(std::int32_t delaySeconds) { gf_requestNewSettings(delaySeconds); }

// --- push buttons ---

void lf_pressNow() {
  if (!standTableReady.load()) return;
  if (INITIAL_LOAD_ONLY.current()) {
    clearStatusText();
    return;
  }
  lf_announceStaticParkingUpdate();
  renewalRestartRequested.store(true);
  gf_mainWindow().minutesToRenewal.store(renewalMinutes);
  lf_repaintControls();
}

void lf_openTbloFolder() {
  bool opened = false;
  try {
    opened = gf_openContainingFolder(fs::current_path() / tbloFolder / tbloZipFile);
  } catch (const fs::filesystem_error& e) {
    gf_logError(fmt::format("tblo.zip: {}", e.what()));
  }
  if (opened) return;
  if (auto* window = gf_controlsWindow())
    window->messageBox("Could not open File Explorer at tblo.zip.", "GWRT", platform::MessageIcon::exclamation);
}

bool lf_handleButtons(ControlId id) {
  if (lf_is(id, UNBLOCK_BUTTON)) {
    if (BLOCK_CALLSIGN.current().empty()) {
      setStatusText("Nothing to block or unblock...", false);
    } else {
      lf_unblockCallsign();
    }
    lf_enable(BLOCK_BUTTON, !CALLSIGN_2_OBJECTID.current().empty());
  } else if (lf_is(id, CS_TO_OID_BUTTON)) {
    callsignChoicesRequested.store(true);
    lf_enable(BLOCK_BUTTON, false);
  } else if (lf_is(id, BLOCK_BUTTON)) {
    // An empty lookup value would unblock rather than block.
    if (!CALLSIGN_2_OBJECTID.current().empty()) lf_blockCallsign(CALLSIGN_2_OBJECTID.current());
    lf_enable(BLOCK_BUTTON, false);
  } else if (lf_is(id, REREAD_BUTTON)) {
    reReadRequested.store(true);
    lf_enable(REREAD_BUTTON, false);
    lf_enable(DESTINATION, false);
  } else if (lf_is(id, FLUSH_STATIC_BUTTON)) {
    setStatusText("All static parked aircraft will be removed ...", false);
    flushStaticRequested.store(true);
    lf_enable(FLUSH_STATIC_BUTTON, false);
  } else if (lf_is(id, TBLO_ZIP_BUTTON)) {
    lf_openTbloFolder();
  } else if (lf_is(id, NOW_BUTTON)) {
    lf_pressNow();
  } else {
    return false;
  }
  return true;
}

// --- check boxes ---

// A box's text when on and when off; empty clears the notice.
void lf_noticeOr(bool on, const std::string& whenOn, const std::string& whenOff) {
  const std::string& text = on ? whenOn : whenOff;
  if (text.empty()) {
    clearStatusText();
  } else {
    setStatusText(text, false);
  }
}

void lf_scanBoxOn(const char* what, bool liveries) {
  if (!beforeFirstConnection.load()) {
    setStatusText(fmt::format("Your {} will be scanned at the next start of {}", what, programName), false);
    return;
  }
  if (liveries) gf_markLiveryTablesForRebuild();
  setStatusText(fmt::format("Your {} will be scanned", what), true);
  lf_requestRestart(scanRestartSeconds);
}

void lf_reactToCheck(CheckboxBoolParameter& box, bool on) {
  if (&box == &LIG_AUTOMATIC) {
    lf_noticeOr(on, "", "The liveries defined by your lfolder parameters will be scanned");
    lf_enable(AI_PACKAGE_SELECTOR, on);
  } else if (&box == &LIG_PRIORITIZE) {
    lf_noticeOr(on, "Liveries, for airl+model, in lower lfolders that are already available will be skipped", "");
  } else if (&box == &COLLISION_LIVE_PARKED_GND) {
    lf_noticeOr(on, "", "Be aware, live aircraft may collide with (run through) static parked on the ground");
  } else if (&box == &COLLISION_USER_GND) {
    lf_noticeOr(on, "",
                "Be aware, user aircraft may collide with (run through) live aircraft and static parked on the ground");
  } else if (&box == &COLLISION_USER_AIR) {
    lf_noticeOr(on, "", "Be aware, user aircraft may collide with (run through) live aircraft in the air");
  } else if (&box == &INITIAL_LOAD_ONLY) {
    lf_noticeOr(on,
                fmt::format("Initial Load Only: static parked aircraft are generated once, no renewal every {} minutes",
                            renewalMinutes),
                "");
    lf_enable(NOW_BUTTON, !on && parkControlsSetUp.load());
  } else if (&box == &ALWAYS_ON_TOP) {
    lf_noticeOr(on, fmt::format("{}'s window will remain visible", programName), "");
    if (auto* window = gf_controlsWindow()) window->setTopmost(on);
  } else if (&box == &GUID_CHANGES) {
    lf_noticeOr(on, "", "Be aware, no more livery updates: you miss correct data for Learn, LittleNavMap, etc!");
  } else if (&box == &AEROWINX) {
    lf_noticeOr(on,
                fmt::format("This mode is only for users of the Aerowinx simulator; restart {} to use it", programName),
                "");
  } else if (&box == &AUTO_RANGE) {
    lf_enable(AR_ABOVE_HEIGHT, on);
    gf_applyAutoRange();
  } else if (&box == &SCAN_AIRPORTS) {
    if (on) {
      lf_scanBoxOn("airports", false);
    } else {
      clearStatusText();
    }
  } else if (&box == &SCAN_LIVERIES) {
    lf_enable(AI_PACKAGE_SELECTOR, !on);
    if (on) {
      lf_scanBoxOn("liveries", true);
    } else {
      clearStatusText();
    }
  } else if (&box == &NAV_LIGHTS_WHILE_PARKED) {
    navLightsRequested.store(true);
  } else if (&box == &OBJECTID_LIST) {
    lf_noticeOr(on,
                fmt::format("Every minute info about all active live aircraft is written to the file {}",
                            gf_pathToUtf8(objectIdListFile)),
                "");
  } else if (&box == &AIRBORNE_ONLY) {
    lf_noticeOr(on,
                fmt::format("Be aware, airborne live traffic only!  (greater than {:.0f} ft above ground ...)",
                            airborneOnlyFeet),
                "");
  }
  for (const CheckboxBoolParameter* repainted :
       {&INITIAL_LOAD_ONLY, &ALWAYS_ON_TOP, &GUID_CHANGES, &SCAN_AIRPORTS, &SCAN_LIVERIES, &AIRBORNE_ONLY})
    if (&box == repainted) lf_repaintControls();
}

bool lf_handleCheckBoxes(ControlId id) {
  CheckboxBoolParameter* box = nullptr;
  for (CheckboxBoolParameter* candidate : checkboxParameters)
    if (candidate->controlId == id) box = candidate;
  if (box == nullptr) return false;
  const bool before = box->current();
  const bool on = !lf_surface().isChecked(id);
  try {
    lf_surface().setCheck(id, on);
    box->setCurrent(on);
    box->save();
  } catch (...) {
    box->setCurrent(before);
    lf_surface().setCheck(id, before);
    throw;
  }
  lf_reactToCheck(*box, on);
  return true;
}

// --- drop-down lists ---

void lf_pickSimChoice(const std::string& text) {
  const std::string before = SIM_CHOICE.current();
  if (text == before) return;
  SIM_CHOICE.set(text);
  lf_surface().selectListItem(SIM_CHOICE.controlId, text);
  try {
    lf_switchSimVersion();
  } catch (...) {
    // The edition stays as it was, in the file and in the list.
    SIM_CHOICE.set(before);
    lf_surface().selectListItem(SIM_CHOICE.controlId, before);
    throw;
  }
}

void lf_pickNumber(ComboNumberParameter<std::int32_t>& list, std::size_t index) {
  if (index >= list.choices.size()) return;
  const std::int32_t before = list.current();
  list.setCurrent(list.clamped(list.choices[index]));
  list.save();
  if (&list == &MATCHING_DEPTH && list.current() > before) noMatchResetRequested.store(true);
  if (&list == &RANGE) gf_setRange(list.current());
  if (&list == &MAX_LIVE_SEL) liveLimitRequested.store(true);
}

void lf_pickMaxFit(std::size_t index) {
  if (index >= MAX_FIT_FL.choices.size()) return;
  const float hours = MAX_FIT_FL.choices[index];
  const double halfHours = std::round(2.0 * static_cast<double>(hours)) - 1.0;
  // Checked before anything changes, so a failure leaves both settings alone.
  if (!(halfHours >= std::numeric_limits<std::int32_t>::min() && halfHours <= std::numeric_limits<std::int32_t>::max()))
    throw std::range_error(fmt::format("MAX_FIT_FL {} hours: narrowing", hours));
  MAX_FIT_FL.setCurrent(hours);
  MAX_FIT.setCurrent(MAX_FIT.clamped(static_cast<std::int32_t>(halfHours)));
  MAX_FIT.save();
}

bool lf_handleComboBoxes(ControlId id, ControlEvent event) {
  if (auto picked = lf_comboSelection(id, SIM_CHOICE.controlId, event)) {
    lf_pickSimChoice(picked->text);
  } else if ((picked = lf_comboSelection(id, AI_PACKAGE_SELECTOR.controlId, event))) {
    if (picked->text != AI_PACKAGE_SELECTOR.current()) {
      AI_PACKAGE_SELECTOR.set(picked->text);
      setStatusText("If you want to make this choice effective, you must start a Scan for liveries", true);
    }
  } else if ((picked = lf_comboSelection(id, CALLSIGN_2_OBJECTID.controlId, event))) {
    if (picked->text != CALLSIGN_2_OBJECTID.current()) {
      CALLSIGN_2_OBJECTID.setCurrent(picked->text);
      gf_mainWindow().setText(StatusText::callsignLookup, "");
      lf_repaintControls();
      objectIdLookupPending.store(true);
      lf_enable(BLOCK_BUTTON, !lf_surface().isEnabled(UNBLOCK_BUTTON.controlId));
    }
  } else if ((picked = lf_comboSelection(id, MAX_FIT_FL.controlId, event))) {
    lf_pickMaxFit(picked->index);
  } else {
    for (ComboNumberParameter<std::int32_t>* list :
         {&MATCHING_DEPTH, &MAX_PARK_SEL, &parking_percentage, &RANGE, &AIRP_RANGE, &AR_ABOVE_HEIGHT, &AIRP_HEIGHT,
          &MAX_LIVE_SEL}) {
      if ((picked = lf_comboSelection(id, list->controlId, event))) {
        lf_pickNumber(*list, picked->index);
        return true;
      }
    }
    return false;
  }
  return true;
}

// --- text-entry boxes ---

void lf_communityPathFound() {
  setStatusText(fmt::format("Community path found, {} will restart ...", programName), true);
  lf_requestRestart(installPathRestartSeconds);
}

void lf_validateDestination(int result, const std::string& text) {
  switch (result) {
  case 0:
    lf_enable(REREAD_BUTTON, true);
    setStatusText("destination set to empty", true);
    return;
  case 1:
    setStatusText(fmt::format("destination '{}' is not valid", text), true);
    break;
  case 2:
    setStatusText(fmt::format("destination '{}' was already set ...", text), true);
    break;
  default:
    setStatusText(fmt::format("destination '{}' is unknown ...", text), true);
    break;
  }
  gf_showStringParameter(DESTINATION);
}

bool lf_handleEditBoxes(ControlId id) {
  if (lf_is(id, BLOCK_CALLSIGN)) {
    clearStatusText();
    lf_enterBlockCallsign();
  } else if (lf_is(id, DESTINATION)) {
    clearStatusText();
    lf_enterDestination();
  } else if (lf_is(id, ALL_INSTALL_PATH)) {
    clearStatusText();
    lf_enterInstallPath(gf_editionInstallPath(), lf_getTextFromId(ALL_INSTALL_PATH));
  } else {
    return false;
  }
  return true;
}

bool lf_dispatch(ControlId id, ControlEvent event) {
  switch (event) {
  case ControlEvent::clicked:
    return lf_handleButtons(id) || lf_handleCheckBoxes(id);
  case ControlEvent::selectionChanged:
    return lf_handleComboBoxes(id, event);
  case ControlEvent::enterPressed:
    return lf_handleEditBoxes(id);
  }
  return false;
}

} // namespace

bool lf_handleCommand(ControlId id, ControlEvent event) {
  try {
    if (lf_dispatch(id, event)) return true;
  } catch (const std::exception& e) {
    // The window thread must go on; the handler kept the settings as they were.
    gf_logError(fmt::format("control {}: {}", id, e.what()));
    setStatusText(e.what(), false);
    lf_repaintControls();
    return true;
  }
  lf_repaintControls();
  return false;
}

int gf_autoRangeNm(bool onGround, double heightAboveGroundFt, double nearestParkAirportNm) {
  if (onGround) return 10;
  if (heightAboveGroundFt > AR_ABOVE_HEIGHT.current()) return 100;
  if (heightAboveGroundFt > AIRP_HEIGHT.current()) return 40;
  const double x = nearestParkAirportNm;
  if (x <= 7.0) return 10;
  if (x >= 37.0) return 40;
  const long r = std::lround(x);
  struct Step {
    long from;
    int nm;
  };
  static constexpr Step steps[] = {{33, 35}, {28, 30}, {23, 25}, {19, 20}, {17, 18},
                                   {15, 16}, {13, 14}, {11, 12}, {9, 10}};
  for (const Step& step : steps)
    if (r >= step.from) return step.nm;
  return 8;
}

void gf_autoRange() {
  gf_setRange(gf_autoRangeNm(userOnGround.load(), gf_userStateCopy().heightAboveGround, firstParkAirportNm.load()));
}

void gf_applyAutoRange() {
  if (AUTO_RANGE.current()) {
    rememberedRange.store(RANGE.current());
    gf_autoRange();
  } else {
    const std::int32_t remembered = rememberedRange.load();
    gf_setRange(remembered == noRememberedRange ? RANGE.defaultValue() : remembered);
    clearStatusText();
  }
  lf_enable(RANGE, !AUTO_RANGE.current());
}

void lf_enterInstallPath(StringParameter& editionPath, const std::string& text) {
  gf_messageLine().clearError(false);
  clearStatusText();
  if (text.empty()) {
    if (!editionPath.current().empty()) editionPath.set("");
    return;
  }
  const fs::path path = platform::pathFromUtf8(text);
  std::error_code error;
  const platform::FileLook look = platform::lookAt(path, error);
  if (!look.exists() && !error) {
    setStatusText(fmt::format("This install path does not exist: {}", text), true);
    return;
  }
  if (error) {
    setStatusText(fmt::format("Cannot access install path '{}': {}", text, error.message()), true);
    return;
  }
  std::string trimmed = text;
  while (trimmed.size() > 1 && (trimmed.back() == '\\' || trimmed.back() == '/')) trimmed.pop_back();
  const fs::path folder = platform::pathFromUtf8(trimmed);
  const std::string last = gf_pathToUtf8(folder.filename());
  // Folder names are compared as the simulator's file system does: ignoring case.
  if (gf_equalsUpper("COMMUNITY", last)) {
    const fs::path parent = folder.parent_path();
    if (!parent.empty() && platform::isFolder(parent / folder.filename(), error)) {
      editionPath.set(gf_pathToUtf8(parent));
      lf_communityPathFound();
    } else {
      setStatusText("This path does not contain a valid Community folder (unexpected).", true);
    }
    return;
  }
  if (platform::isFolder(folder / communityFolder, error)) {
    editionPath.set(text);
    lf_communityPathFound();
  } else {
    setStatusText("This path exists but is not a path to Community ...", true);
  }
}

void lf_enterBlockCallsign() {
  clearStatusText();
  std::string text = lf_getTextFromId(BLOCK_CALLSIGN);
  if (text.empty()) {
    if (!BLOCK_CALLSIGN.current().empty()) lf_unblockCallsign();
    return;
  }
  const std::size_t length = lf_characterCount(text);
  if (length < shortestCallsign || length > longestCallsign) {
    setStatusText(fmt::format("callsign '{}' is not valid", text), true);
    gf_showStringParameter(BLOCK_CALLSIGN);
    return;
  }
  text = gf_upperAscii(text);
  if (text == BLOCK_CALLSIGN.current()) {
    setStatusText(fmt::format("callsign '{}' was already set ...", text), true);
    gf_showStringParameter(BLOCK_CALLSIGN);
    return;
  }
  lf_blockCallsign(text);
}

void lf_blockCallsign(const std::string& callsign) {
  BLOCK_CALLSIGN.set(callsign);
  gf_showStringParameter(BLOCK_CALLSIGN);
  lf_enable(UNBLOCK_BUTTON, true);
  blockChangeRequested.store(true);
}

void lf_unblockCallsign() {
  const std::string blocked = BLOCK_CALLSIGN.current();
  if (blocked.empty()) return;
  BLOCK_CALLSIGN.set("");
  gf_showStringParameter(BLOCK_CALLSIGN);
  lf_enable(UNBLOCK_BUTTON, false);
  setStatusText(fmt::format("no more blocking of live aircraft '{}'", blocked), true);
  blockChangeRequested.store(true);
}

void lf_enterDestination() {
  clearStatusText();
  std::string text = lf_getTextFromId(DESTINATION);
  if (text.empty()) {
    DESTINATION.setCurrent("");
    lf_validateDestination(0, text);
    return;
  }
  if (lf_characterCount(text) != airportCodeLength) {
    lf_validateDestination(1, text);
    return;
  }
  text = gf_upperAscii(text);
  if (text == DESTINATION.current()) {
    lf_validateDestination(2, text);
    return;
  }
  // Four characters that are no airport code name no airport either.
  const AirportRecord* airport = nullptr;
  try {
    airport = gf_findAirport(FixedCode<4>(text));
  } catch (const std::invalid_argument&) {
  }
  if (airport != nullptr) {
    lf_newDestination(text, LatLon{airport->latitude, airport->longitude});
  } else {
    lf_validateDestination(3, text);
  }
}

void lf_newDestination(const std::string& code, const LatLon& position) {
  FixedCode<4> airport;
  try {
    airport = FixedCode<4>(code);
  } catch (const std::invalid_argument&) {
    gf_log(fmt::format("destination '{}' is not valid", code));
    return;
  }
  DESTINATION.set(airport.text());
  gf_showStringParameter(DESTINATION);
  setStatusText(fmt::format("New destination: {}", airport.text()), true);
  gf_requestDestinationAirport(airport, position);
  lf_enable(REREAD_BUTTON, false);
}

void gf_markLiveryTablesForRebuild() {
  liveryTablesMarked.store(true);
  liveriesProcessed.store(false);
}

bool gf_rebuildLiveryTablesIfMarked() {
  if (!liveryTablesMarked.exchange(false)) return false;
  gf_clearLiveryTables();
  liveriesProcessed.store(false);
  return true;
}

} // namespace gwr
