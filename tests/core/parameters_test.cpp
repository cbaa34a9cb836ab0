// Setting objects in their controls (through the headless surface) and the
// catalogue's invariants.
#include "core/parameters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "core/settings_catalogue.h"
#include "core/settings_file.h"
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
  const auto state = surface.state(RANGE.controlId);
  EXPECT_EQ(state->items.size(), 20U);
  EXPECT_EQ(state->selected, 15U);
  RANGE.setCurrent(7);  // not a choice: listed anew, nothing selected
  RANGE.fillCombo();
  EXPECT_EQ(surface.state(RANGE.controlId)->items.size(), 20U);
  EXPECT_EQ(surface.state(RANGE.controlId)->selected, std::nullopt);
  MAX_FIT_FL.fillCombo();  // no control: nothing happens
  EXPECT_EQ(surface.state(MAX_FIT_FL.controlId), std::nullopt);
}

TEST_F(ParameterControls, StringDropDownSelectsTheFirstExactEntryNotAPrefix) {
  surface.createControl(AI_PACKAGE_SELECTOR.controlId);
  surface.createControl(CALLSIGN_2_OBJECTID.controlId);
  AI_PACKAGE_SELECTOR.setCurrent("AIG");
  AI_PACKAGE_SELECTOR.fillCombo();
  const auto state = surface.state(AI_PACKAGE_SELECTOR.controlId);
  ASSERT_TRUE(state->selected.has_value());
  EXPECT_EQ(state->items[*state->selected], "AIG");
  AI_PACKAGE_SELECTOR.setCurrent("aig");  // case counts too
  AI_PACKAGE_SELECTOR.fillCombo();
  EXPECT_EQ(surface.state(AI_PACKAGE_SELECTOR.controlId)->selected, std::nullopt);
  EXPECT_EQ((ComboChoiceParameter{"T_NONE", "", {}, 0x9001, 0}.indexOfValue()), std::nullopt);
  EXPECT_EQ((ComboChoiceParameter{"T_TWICE", "b", {"bb", "b", "b"}, 0x9002, 0}.indexOfValue()), 1U);

  const std::vector<std::tuple<Lines, std::string, std::optional<std::size_t>>> callsignCases{
      {{"AIG123", "AIG12", "AIG1"}, "AIG1", 2U}, {{"AIG123", "AIG12", "AIG1"}, "", std::nullopt}, {{""}, "", 0U}};
  for (const auto& [choices, current, selected] : callsignCases) {
    callsignChoices->replace(choices);
    CALLSIGN_2_OBJECTID.setCurrent(current);
    gf_fillCallsignCombo();
    EXPECT_EQ(surface.state(CALLSIGN_2_OBJECTID.controlId)->selected, selected) << current;
  }
}

TEST_F(ParameterControls, ShowingAValueLogsAMissingControlOrBadTextAndGoesOn) {
  gf_showNumberParameter(RANGE);
  surface.createControl(BLOCK_CALLSIGN.controlId);
  BLOCK_CALLSIGN.setCurrent("X\xc3");
  gf_showStringParameter(BLOCK_CALLSIGN);
  const auto lines = sandbox.log().lines();
  ASSERT_EQ(lines.size(), 2U);
  EXPECT_EQ(lines[0], "GetDlgItem failed for ID 32818");
  EXPECT_TRUE(lines[1].starts_with("utf8_to_wide failed for 'X\xc3': ")) << lines[1];
  EXPECT_EQ(surface.state(BLOCK_CALLSIGN.controlId)->text, "");
  BLOCK_CALLSIGN.setCurrent("DLH9");
  gf_showStringParameter(BLOCK_CALLSIGN);
  EXPECT_EQ(surface.state(BLOCK_CALLSIGN.controlId)->text, "DLH9");
  EXPECT_EQ(surface.settingsAreaInvalidations(), 1);
}

TEST_F(ParameterControls, LoadingShowsStoredValuesInBoxesAndLists) {
  for (auto id : {WEEK.controlId, SCAN_LIVERIES.controlId, RANGE.controlId, SIM_CHOICE.controlId})
    surface.createControl(id);
  SIM_CHOICE.fillCombo();
  sandbox.writeFile("<root><parameters><parameter name=\"WEEK\" value=\"true\"/>"
                    "<parameter name=\"SCAN_LIVERIES\" value=\"false\"/><parameter name=\"RANGE\" value=\"65\"/>"
                    "<parameter name=\"SIM_CHOICE\" value=\"MSFS 2024\"/></parameters></root>");
  gf_loadParameters();
  EXPECT_TRUE(surface.state(WEEK.controlId)->checked);
  EXPECT_FALSE(surface.state(SCAN_LIVERIES.controlId)->checked);
  EXPECT_EQ(surface.state(RANGE.controlId)->text, "65");
  EXPECT_EQ(surface.state(SIM_CHOICE.controlId)->selected, 1U);
}

TEST(SettingsCatalogue, KeysAreUniqueAndListsWellFormed) {
  const auto registered = testsupport::registeredKeys();
  const std::set<std::string> keys(registered.begin(), registered.end());
  EXPECT_EQ(keys.size(), 60U);
  EXPECT_EQ(registered.size(), 60U);
  for (const auto* key : {&ALL_INSTALL_PATH.key, &CALLSIGN_2_OBJECTID.key, &parking_percentage.key, &MAX_FIT_FL.key})
    EXPECT_FALSE(keys.contains(*key)) << *key;
  for (auto* p : comboNumberParameters) {
    EXPECT_EQ(p->min, p->choices.front()) << p->key;
    EXPECT_EQ(p->max, p->choices.back()) << p->key;
    EXPECT_TRUE(std::is_sorted(p->choices.begin(), p->choices.end())) << p->key;
  }
  // The package selector lists every ordering of every subset of two or more, then each alone.
  const auto& choices = AI_PACKAGE_SELECTOR.choices;
  ASSERT_EQ(std::set<std::string>(choices.begin(), choices.end()).size(), 64U);
  ASSERT_EQ(choices.size(), 64U);
  EXPECT_EQ(choices[0] + "|" + choices[23] + "|" + choices[24] + "|" + choices[48] + "|" + choices[59] + "|" +
                choices[60] + "|" + choices[63],
            "AIG, FSLTL, JF, MTL|MTL, JF, FSLTL, AIG|AIG, FSLTL, JF|AIG, FSLTL|MTL, JF|AIG|MTL");
}

} // namespace
} // namespace gwr
