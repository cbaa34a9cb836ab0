// The main window's controls: their state at the start of a run, the parking
// controls and the drop-down mappings.
#include "app/window/window_controls.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/window/controls_fixture.h"
#include "core/settings_catalogue.h"
#include "traffic/engine/engine_hooks.h"

namespace gwr {
namespace {

using testsupport::Controls;
using testsupport::ControlsTest;

// The place of each control is the real window's picture; here only what the
// making itself decides.
TEST_F(ControlsTest, ControlsAreMadeCheckedFromTheirValues) {
  EXPECT_TRUE(window.isChecked(SCAN_LIVERIES.controlId));
  EXPECT_FALSE(window.isChecked(AIRBORNE_ONLY.controlId));
  EXPECT_EQ(window.state(TBLO_ZIP_BUTTON.controlId)->text, "tblo.zip");
}

// The window answers every edit box with the background 0xFFCC99, a Windows
// colour value (0x00BBGGRR): red 0x99, green 0xCC, blue 0xFF, a light blue.
TEST_F(ControlsTest, EditBoxesShowALightBlueFieldAndNoOtherControlAColourOfItsOwn) {
  const platform::Rgb lightBlue{0x99, 0xCC, 0xFF};
  const struct { const ControlBinding* control; std::optional<platform::Rgb> field; } cases[] = {
      {&ALL_INSTALL_PATH, lightBlue}, {&BLOCK_CALLSIGN, lightBlue}, {&DESTINATION, lightBlue},
      {&SIM_CHOICE, std::nullopt},    {&SCAN_LIVERIES, std::nullopt}, {&TBLO_ZIP_BUTTON, std::nullopt},
  };
  for (const auto& c : cases) {
    const auto state = window.state(c.control->controlId);
    ASSERT_TRUE(state.has_value()) << c.control->controlId;
    EXPECT_EQ(state->background, c.field) << c.control->controlId;
  }
}

TEST_F(ControlsTest, StartOfARunSetsEveryControlForTheLoadedSettings) {
  for (const bool first : {true, false}) {
    AUTO_RANGE.setCurrent(first);
    LIG_AUTOMATIC.setCurrent(first);
    INITIAL_LOAD_ONLY.setCurrent(!first);
    BLOCK_CALLSIGN.setCurrent(first ? "" : "KLM123");
    SIM_CHOICE.setCurrent(first ? "MSFS 2020" : "MSFS 2024");
    MAX_FIT.setCurrent(8);
    for (const ControlBinding* c : Controls{&SCAN_AIRPORTS, &BLOCK_BUTTON, &DESTINATION, &NOW_BUTTON, &REREAD_BUTTON})
      window.enable(c->controlId, true);
    lf_enableControlsAfterStart();
    for (const ControlBinding* on :
         Controls{&ALWAYS_ON_TOP, &NAV_LIGHTS_WHILE_PARKED, &OBJECTID_LIST, &GUID_CHANGES, &SCAN_LIVERIES, &LIG_AUTOMATIC,
                  &LIG_PRIORITIZE, &MATCHING_DEPTH, &LIGHT_AIRCRAFT, &HELICOPTERS, &HIGH_PERF_AIRCRAFT, &AUTO_RANGE,
                  &AIRBORNE_ONLY, &COLLISION_USER_GND, &COLLISION_USER_AIR, &COLLISION_LIVE_PARKED_GND,
                  &BLOCK_CALLSIGN, &MAX_PARK_SEL, &MAX_LIVE_SEL, &STRAIGHT_PBS_ONLY, &SIM_CHOICE, &AIRP_RANGE,
                  &AIRP_HEIGHT, &WEEK, &PARK_SOFT, &INITIAL_LOAD_ONLY})
      EXPECT_TRUE(enabled(*on)) << on->controlId;
    for (const ControlBinding* off : Controls{&SCAN_AIRPORTS, &TBLO_ZIP_BUTTON, &BLOCK_BUTTON, &CS_TO_OID_BUTTON,
                                              &CALLSIGN_2_OBJECTID, &DESTINATION, &REREAD_BUTTON, &parking_percentage,
                                              &MAX_FIT_FL, &FLUSH_STATIC_BUTTON})
      EXPECT_FALSE(enabled(*off)) << off->controlId;
    EXPECT_EQ(enabled(RANGE), !first);
    EXPECT_EQ(enabled(AR_ABOVE_HEIGHT), first);
    EXPECT_EQ(enabled(UNBLOCK_BUTTON), !first);
    EXPECT_EQ(enabled(NOW_BUTTON), !first) << "disabled only while INITIAL_LOAD_ONLY is off";
    EXPECT_EQ(enabled(AI_PACKAGE_SELECTOR), first);
    EXPECT_EQ(SimEdition.load(), first);
    EXPECT_EQ(simNumber.load(), first ? 1 : 2);
    EXPECT_EQ(window.text(SIM_CHOICE.controlId), first ? "MSFS 2020" : "MSFS 2024");
    EXPECT_EQ(window.text(BLOCK_CALLSIGN.controlId), first ? "" : "KLM123");
    EXPECT_EQ(window.text(MAX_LIVE_SEL.controlId), "500");
    EXPECT_EQ(parking_percentage.current(), 30);
    EXPECT_EQ(window.text(parking_percentage.controlId), "30");
    const auto fits = window.state(MAX_FIT_FL.controlId)->items;
    EXPECT_EQ(std::vector<std::string>(fits.begin(), fits.begin() + 3), (std::vector<std::string>{"0.5", "1.0", "1.5"}));
    EXPECT_EQ(fits.back(), "24.0");
    EXPECT_EQ(window.text(MAX_FIT_FL.controlId), "4.5") << "MAX_FIT 8 is four and a half hours";
    EXPECT_TRUE(parkControlsSetUp.load());
  }
}

TEST_F(ControlsTest, MaxFitHoursAndTheRangeList) {
  for (const auto& [index, hours] : {std::pair{-3, 0.5F}, {0, 0.5F}, {1, 1.0F}, {8, 4.5F}, {9, 5.0F}, {10, 6.0F},
                                     {11, 6.0F}, {19, 10.0F}, {20, 11.0F}, {22, 12.0F}, {26, 15.0F}, {32, 18.0F},
                                     {43, 21.0F}, {44, 24.0F}, {47, 24.0F}})
    EXPECT_EQ(gf_maxFitHours(index), hours) << index;
  lf_enableControlsAfterStart();
  MAX_FIT.setCurrent(20);  // 11 hours is not listed: the selection stays
  gf_selectMaxFit();
  EXPECT_EQ(MAX_FIT_FL.current(), 11.0F);
  EXPECT_EQ(window.text(MAX_FIT_FL.controlId), "24.0");

  EXPECT_EQ(gf_setRange(1), 1852);
  EXPECT_EQ(RANGE.current(), 2);
  EXPECT_EQ(window.selection(RANGE.controlId)->index, 0U);
  EXPECT_EQ(rangeNm.load(), 1.0) << "the radius keeps the given value";
  EXPECT_EQ(gf_setRange(7), 7 * 1852);
  EXPECT_EQ(window.text(RANGE.controlId), "8") << "the first choice not below";
  EXPECT_EQ(gf_setRange(250), 250 * 1852);
  EXPECT_EQ(RANGE.current(), 100);
}

TEST_F(ControlsTest, ParkingControlsGoOffAndOnTogetherAndNowFollowsInitialLoadOnly) {
  startRun();
  gf_installParkControlsHook();
  const Controls parking{&parking_percentage, &WEEK,         &PARK_SOFT,           &MAX_FIT_FL,
                         &MAX_PARK_SEL,       &MAX_LIVE_SEL, &FLUSH_STATIC_BUTTON, &REREAD_BUTTON};
  for (const bool initialLoadOnly : {false, true}) {
    INITIAL_LOAD_ONLY.setCurrent(initialLoadOnly);
    window.enable(NOW_BUTTON.controlId, true);
    gf_disableParkControls();
    EXPECT_TRUE(parkControlsDisabled.load());
    for (const ControlBinding* c : parking) EXPECT_FALSE(enabled(*c)) << c->controlId;
    EXPECT_EQ(enabled(NOW_BUTTON), initialLoadOnly) << "with INITIAL_LOAD_ONLY on, Now is left alone";
    window.enable(NOW_BUTTON.controlId, false);
    gf_enableParkControls();
    for (const ControlBinding* c : parking) EXPECT_TRUE(enabled(*c)) << c->controlId;
    EXPECT_EQ(enabled(NOW_BUTTON), !initialLoadOnly);
    EXPECT_EQ(gf_mainWindow().minutesToRenewal.load(), 20);
  }
  gf_installTrafficEngineHooks({});
}

TEST_F(ControlsTest, ASelectionIsOnlyAChangeOfThatList) {
  using platform::ControlEvent;
  lf_enableControlsAfterStart();
  ASSERT_TRUE(window.choose(AIRP_RANGE.controlId, 3));
  EXPECT_FALSE(lf_comboSelection(AIRP_RANGE.controlId, AIRP_RANGE.controlId, ControlEvent::clicked));
  EXPECT_FALSE(lf_comboSelection(AIRP_RANGE.controlId, RANGE.controlId, ControlEvent::selectionChanged));
  const auto picked = lf_comboSelection(AIRP_RANGE.controlId, AIRP_RANGE.controlId, ControlEvent::selectionChanged);
  EXPECT_EQ(std::pair(picked->index, picked->text), std::pair(std::size_t{3}, std::string("20")));
  EXPECT_FALSE(lf_handleCommand(1234, ControlEvent::clicked)) << "no control of the program";
  EXPECT_FALSE(lf_handleCommand(REREAD_BUTTON.controlId, ControlEvent::selectionChanged));
}

} // namespace
} // namespace gwr
