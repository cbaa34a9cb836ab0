// Setting objects in their controls (through the headless surface): what a
// drop-down, box or check shows for the stored value.
#include "core/parameters.h"

#include <gtest/gtest.h>

#include <tuple>

#include "core/settings_catalogue.h"
#include "platform/ui/controls.h"
#include "support/settings_sandbox.h"

namespace gwr {
namespace {

using Lines = std::vector<std::string>;

class ParameterControls : public ::testing::Test {
 protected:
  testsupport::SettingsSandbox sandbox;
  platform::HeadlessControlSurface& surface = platform::gf_headlessControlSurface();
};

TEST_F(ParameterControls, NumberDropDownSelectsOnlyAChoiceEqualToCurrent) {
  surface.createControl(RANGE.controlId);
  RANGE.setCurrent(40);
  RANGE.fillCombo();
  EXPECT_EQ(surface.state(RANGE.controlId)->selected, 15U);
  RANGE.setCurrent(7);  // not a choice: listed anew, nothing selected
  RANGE.fillCombo();
  EXPECT_EQ(surface.state(RANGE.controlId)->items.size(), 20U);
  EXPECT_EQ(surface.state(RANGE.controlId)->selected, std::nullopt);
  MAX_FIT_FL.fillCombo();  // no control: nothing happens
  EXPECT_EQ(surface.state(MAX_FIT_FL.controlId), std::nullopt);
}

// A string list selects the first entry that begins with the value, in any
// letter case; an empty value selects the first entry.
TEST_F(ParameterControls, StringDropDownSelectsTheFirstEntryBeginningWithTheValue) {
  surface.createControl(AI_PACKAGE_SELECTOR.controlId);
  surface.createControl(CALLSIGN_2_OBJECTID.controlId);
  const std::pair<std::string, std::optional<std::string>> packageCases[] = {
      {"MTL, JF", "MTL, JF, AIG, FSLTL"}, {"aig", "AIG, FSLTL, JF, MTL"}, {"JF", "JF, AIG, FSLTL, MTL"},
      {"", "AIG, FSLTL, JF, MTL"},        {"AIG, X", std::nullopt}};
  for (const auto& [current, shown] : packageCases) {
    AI_PACKAGE_SELECTOR.setCurrent(current);
    AI_PACKAGE_SELECTOR.fillCombo();
    const auto state = surface.state(AI_PACKAGE_SELECTOR.controlId);
    EXPECT_EQ(state->selected ? std::optional(state->items[*state->selected]) : std::nullopt, shown) << current;
  }
  EXPECT_EQ((ComboChoiceParameter{"T_NONE", "", {}, 0x9001, 0}.indexOfValue()), std::nullopt);
  EXPECT_EQ((ComboChoiceParameter{"T_TWICE", "b", {"bb", "b", "b"}, 0x9002, 0}.indexOfValue()), 1U);

  const std::vector<std::tuple<Lines, std::string, std::optional<std::size_t>>> callsignCases{
      {{"AIG123", "AIG12", "AIG1"}, "AIG1", 0U}, {{"DLH1", "AIG12", "aig1"}, "AIG1", 1U},
      {{"AIG123", "AIG12", "AIG1"}, "", 0U},     {{"AIG123"}, "KLM1", std::nullopt},
      {{""}, "", 0U}};
  for (const auto& [choices, current, selected] : callsignCases) {
    callsignChoices->replace(choices);
    CALLSIGN_2_OBJECTID.setCurrent(current);
    gf_fillCallsignCombo();
    EXPECT_EQ(surface.state(CALLSIGN_2_OBJECTID.controlId)->selected, selected) << current;
  }
}

// A missing control is logged only when there is a window to miss it from.
TEST_F(ParameterControls, AMissingControlIsLoggedOnlyInAWindow) {
  platform::HeadlessControlSurface window;
  window.createControl(RANGE.controlId);
  for (const auto& [open, shown, logged] : {std::tuple{false, &parking_percentage, false},
                                            {true, &parking_percentage, true}, {true, &RANGE, false}}) {
    platform::gf_setControlSurface(open ? &window : nullptr);
    sandbox.log().mark();
    gf_showNumberParameter(*shown);
    EXPECT_EQ(sandbox.log().lines(), logged ? Lines{"GetDlgItem failed for ID 32850"} : Lines{}) << open;
  }
  platform::gf_setControlSurface(nullptr);
}

} // namespace
} // namespace gwr
