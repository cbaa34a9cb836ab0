// The main window's 43 controls: where and how each is made, their state at
// the start of a run, the parking controls and the drop-down mappings.
#include "app/window/window_controls.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/window/controls_fixture.h"
#include "traffic/engine/engine_hooks.h"

namespace gwr {
namespace {

using platform::ControlKind;
using testsupport::Controls;
using testsupport::ControlsTest;

// A headless surface that also notes how each control is made.
struct SpecRecorder final : platform::ModelControls<platform::Window> {
  void addControl(const platform::ControlSpec& spec) override {
    specs.push_back(spec);
    controls.add(spec.id, platform::gf_initialControlState(spec));
  }
  void invalidate(const platform::Rect& area) override { invalidated.push_back(area); }
  void setHandlers(platform::WindowHandlers) override {}
  bool open(const platform::WindowSpec&) override { return true; }
  bool runOnce(double) override { return false; }
  platform::Rect windowRect() const override { return {}; }
  void moveTo(int, int) override {}
  platform::Rect workAreaNearest(const platform::Rect& area) const override { return area; }
  void setTopmost(bool) override {}
  void messageBox(const std::string&, const std::string&, platform::MessageIcon) override {}
  void post(std::function<void()> task) override { task(); }
  void invalidateAll() override {}
  void invalidateSettingsArea() override {}
  void quit(int) override {}
  int exitCode() const override { return 0; }
  std::vector<platform::ControlSpec> specs;
  std::vector<platform::Rect> invalidated;
};

constexpr ControlKind D = ControlKind::dropDown, E = ControlKind::editBox, C = ControlKind::checkBox,
                      B = ControlKind::pushButton;
// Creation order; kind, id, y, x, width, list height, and a button's caption.
const struct {
  ControlKind kind;
  int id, y, x, width, listHeight;
  const char* caption;
} layout[] = {
    {D, 32789, 119, 5, 105, 80, ""},    {E, 32788, 119, 111, 1200, 0, ""}, {C, 32798, 147, 5, 0, 0, ""},
    {C, 32799, 147, 217, 0, 0, ""},     {D, 32790, 147, 323, 175, 300, ""}, {C, 32800, 147, 536, 0, 0, ""},
    {C, 32771, 147, 748, 0, 0, ""},     {C, 32802, 175, 5, 0, 0, ""},       {B, 32804, 175, 217, 80, 0, "tblo.zip"},
    {C, 32775, 175, 652, 0, 0, ""},     {C, 32774, 175, 748, 0, 0, ""},     {D, 32808, 203, 217, 40, 120, ""},
    {C, 32809, 203, 323, 0, 0, ""},     {C, 32810, 203, 430, 0, 0, ""},     {C, 32811, 203, 536, 0, 0, ""},
    {C, 32776, 203, 652, 0, 0, ""},     {C, 32773, 203, 748, 0, 0, ""},     {D, 32818, 231, 217, 50, 200, ""},
    {C, 32819, 231, 323, 0, 0, ""},     {D, 32820, 231, 455, 70, 230, ""},  {C, 32821, 231, 572, 0, 0, ""},
    {C, 32834, 287, 217, 0, 0, ""},     {C, 32833, 287, 323, 0, 0, ""},     {C, 32835, 287, 430, 0, 0, ""},
    {E, 32828, 259, 107, 100, 0, ""},   {B, 32829, 257, 223, 60, 0, "Unblock"}, {B, 32830, 257, 305, 60, 0, "cs->oid:"},
    {D, 32831, 259, 375, 100, 300, ""}, {B, 32832, 257, 576, 60, 0, "Block"}, {B, 32847, 313, 111, 45, 0, "Now"},
    {D, 32848, 315, 323, 55, 144, ""},  {D, 32849, 315, 536, 55, 144, ""},  {E, 32839, 343, 217, 50, 0, ""},
    {D, 32840, 343, 353, 45, 144, ""},  {D, 32841, 343, 566, 70, 230, ""},  {C, 32855, 315, 652, 0, 0, ""},
    {C, 32851, 371, 5, 0, 0, ""},       {C, 32853, 371, 71, 0, 0, ""},      {C, 32852, 371, 151, 0, 0, ""},
    {D, 32850, 371, 323, 50, 200, ""},  {D, 32854, 371, 566, 60, 300, ""},  {B, 32838, 341, 758, 90, 0, "Re-read"},
    {B, 32857, 369, 758, 90, 0, "Flush static"}};

TEST(ControlLayout, FortyThreeControlsInTabOrderWithTheirPlacesAndSizes) {
  testsupport::SettingsSandbox sandbox;
  SpecRecorder window;
  platform::gf_setControlSurface(&window);
  lf_createControls(window);
  platform::gf_setControlSurface(nullptr);
  ASSERT_EQ(window.specs.size(), std::size(layout));
  for (std::size_t i = 0; i < std::size(layout); ++i) {
    const auto& want = layout[i];
    const auto& made = window.specs[i];
    EXPECT_EQ(std::tie(made.kind, made.id, made.y, made.x), std::tie(want.kind, want.id, want.y, want.x)) << i;
    EXPECT_EQ(made.width, want.kind == C ? made.width : want.width) << i;
    EXPECT_EQ(made.listHeight, want.kind == D ? want.listHeight : made.listHeight) << i;
    EXPECT_EQ(made.caption, want.caption) << i;
  }
  EXPECT_EQ(window.invalidated.back(), (platform::Rect{0, 112, 880, 392})) << "the controls band after the last one";
  EXPECT_TRUE(window.isChecked(SCAN_LIVERIES.controlId)) << "checked from its value";
  EXPECT_FALSE(window.isChecked(AIRBORNE_ONLY.controlId));
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
