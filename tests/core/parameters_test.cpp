// Setting objects in their controls (through the headless surface) and the
// catalogue's invariants.
#include "core/parameters.h"

#include <gtest/gtest.h>

#include <set>

#include "core/settings_catalogue.h"
#include "core/settings_file.h"
#include "platform/ui/controls.h"
#include "support/settings_sandbox.h"

namespace gwr {
namespace {

using platform::gf_headlessControlSurface;
using testsupport::SettingsSandbox;

TEST(ParameterControls, NumberDropDownSelectsOnlyAChoiceEqualToCurrent) {
  SettingsSandbox sandbox;
  auto& surface = gf_headlessControlSurface();
  surface.createControl(RANGE.controlId);

  RANGE.setCurrent(40);
  RANGE.fillCombo();
  auto state = surface.state(RANGE.controlId);
  ASSERT_EQ(state->items.size(), 20U);
  EXPECT_EQ(state->items.front(), "2");
  EXPECT_EQ(state->items.back(), "100");
  EXPECT_EQ(state->selected, 15U);

  RANGE.setCurrent(7);  // not a choice: listed anew, nothing selected
  RANGE.fillCombo();
  state = surface.state(RANGE.controlId);
  EXPECT_EQ(state->items.size(), 20U);
  EXPECT_EQ(state->selected, std::nullopt);

  MAX_FIT_FL.fillCombo();  // no control: nothing happens
  EXPECT_EQ(surface.state(MAX_FIT_FL.controlId), std::nullopt);
}

TEST(ParameterControls, StringDropDownSelectsTheExactEntryNotAPrefix) {
  SettingsSandbox sandbox;
  auto& surface = gf_headlessControlSurface();
  surface.createControl(AI_PACKAGE_SELECTOR.controlId);
  surface.createControl(CALLSIGN_2_OBJECTID.controlId);

  AI_PACKAGE_SELECTOR.setCurrent("AIG");
  AI_PACKAGE_SELECTOR.fillCombo();
  auto state = surface.state(AI_PACKAGE_SELECTOR.controlId);
  ASSERT_EQ(state->items.size(), 64U);
  ASSERT_TRUE(state->selected.has_value());
  EXPECT_EQ(state->items[*state->selected], "AIG");

  AI_PACKAGE_SELECTOR.setCurrent("aig");  // case counts too
  AI_PACKAGE_SELECTOR.fillCombo();
  EXPECT_EQ(surface.state(AI_PACKAGE_SELECTOR.controlId)->selected, std::nullopt);

  callsignChoices->replace({"AIG123", "AIG12", "AIG1"});
  CALLSIGN_2_OBJECTID.setCurrent("AIG1");
  gf_fillCallsignCombo();
  EXPECT_EQ(surface.state(CALLSIGN_2_OBJECTID.controlId)->selected, 2U);

  CALLSIGN_2_OBJECTID.setCurrent("");
  gf_fillCallsignCombo();
  EXPECT_EQ(surface.state(CALLSIGN_2_OBJECTID.controlId)->selected, std::nullopt);
  callsignChoices->replace({""});
  gf_fillCallsignCombo();
  EXPECT_EQ(surface.state(CALLSIGN_2_OBJECTID.controlId)->selected, 0U);
}

TEST(ParameterControls, InvalidUtf8ChoiceStopsTheFillAtThatEntry) {
  SettingsSandbox sandbox;
  ComboChoiceParameter list{"TEST_LIST", "b", {"a", "b\xff", "c"}, 0x9000, 0};
  gf_headlessControlSurface().createControl(0x9000);
  EXPECT_THROW(list.fillCombo(), std::runtime_error);
  EXPECT_EQ(gf_headlessControlSurface().state(0x9000)->items, std::vector<std::string>{"a"});
}

TEST(ParameterControls, ShowingAValueLogsAMissingControlOrBadTextAndGoesOn) {
  SettingsSandbox sandbox;
  auto& surface = gf_headlessControlSurface();
  sandbox.log().mark();
  gf_showNumberParameter(RANGE);
  EXPECT_EQ(sandbox.log().lines(), std::vector<std::string>{"GetDlgItem failed for ID 32818"});

  surface.createControl(BLOCK_CALLSIGN.controlId);
  BLOCK_CALLSIGN.setCurrent("X\xc3");
  sandbox.log().mark();
  gf_showStringParameter(BLOCK_CALLSIGN);
  ASSERT_EQ(sandbox.log().lines().size(), 1U);
  EXPECT_EQ(sandbox.log().lines()[0].rfind("utf8_to_wide failed for 'X\xc3': ", 0), 0U);
  EXPECT_EQ(surface.state(BLOCK_CALLSIGN.controlId)->text, "");

  BLOCK_CALLSIGN.setCurrent("DLH9");
  gf_showStringParameter(BLOCK_CALLSIGN);
  EXPECT_EQ(surface.state(BLOCK_CALLSIGN.controlId)->text, "DLH9");
  EXPECT_EQ(surface.settingsAreaInvalidations(), 1);
}

TEST(ParameterControls, LoadingShowsStoredValuesInBoxesAndLists) {
  SettingsSandbox sandbox;
  auto& surface = gf_headlessControlSurface();
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

TEST(ParameterObjects, IndexOfValueGivesTheFirstEqualChoiceOnly) {
  EXPECT_EQ((ComboChoiceParameter{"T_NONE", "", {}, 0x9001, 0}.indexOfValue()), std::nullopt);
  EXPECT_EQ((ComboChoiceParameter{"T_TWICE", "b", {"bb", "b", "b"}, 0x9002, 0}.indexOfValue()), 1U);
}

TEST(SettingsCatalogue, KeysAreUniqueAndListsWellFormed) {
  const auto registered = testsupport::registeredKeys();
  const std::set<std::string> keys(registered.begin(), registered.end());
  EXPECT_EQ(registered.size(), 60U);
  EXPECT_EQ(keys.size(), 60U);
  for (const std::string* key : {&ALL_INSTALL_PATH.key, &CALLSIGN_2_OBJECTID.key, &parking_percentage.key,
                                 &MAX_FIT_FL.key})
    EXPECT_FALSE(keys.contains(*key)) << *key;
  for (auto* p : comboNumberParameters) {
    EXPECT_EQ(p->min, p->choices.front()) << p->key;
    EXPECT_EQ(p->max, p->choices.back()) << p->key;
    EXPECT_TRUE(std::is_sorted(p->choices.begin(), p->choices.end())) << p->key;
  }
  EXPECT_EQ(MAX_FIT_FL.choices.size(), 20U);
  EXPECT_EQ(rangeMetres.load(), 74080);
}

TEST(SettingsCatalogue, PackageSelectorListsEveryOrderingOfEverySubset) {
  const auto& choices = AI_PACKAGE_SELECTOR.choices;
  ASSERT_EQ(choices.size(), 64U);
  EXPECT_EQ(std::set<std::string>(choices.begin(), choices.end()).size(), 64U);
  EXPECT_EQ(choices[0], "AIG, FSLTL, JF, MTL");
  EXPECT_EQ(choices[23], "MTL, JF, FSLTL, AIG");
  EXPECT_EQ(choices[24], "AIG, FSLTL, JF");
  EXPECT_EQ(choices[30], "AIG, FSLTL, MTL");
  EXPECT_EQ(choices[47], "MTL, JF, FSLTL");
  EXPECT_EQ(choices[48], "AIG, FSLTL");
  EXPECT_EQ(choices[49], "FSLTL, AIG");
  EXPECT_EQ(choices[59], "MTL, JF");
  EXPECT_EQ(std::vector<std::string>(choices.begin() + 60, choices.end()),
            (std::vector<std::string>{"AIG", "FSLTL", "JF", "MTL"}));
  EXPECT_EQ(AI_PACKAGE_SELECTOR.indexOfValue(), 0U);
}

} // namespace
} // namespace gwr
