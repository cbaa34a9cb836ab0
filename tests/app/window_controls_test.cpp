// The main window's 43 controls: where and how each is made, their state at
// the start of a run, the parking controls and the drop-down mappings.
#include "app/window_controls.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/controls_fixture.h"
#include "traffic/engine_hooks.h"

namespace gwr {
namespace {

using platform::ControlKind;
using platform::ControlSpec;
using testsupport::ControlsTest;

// A window that only notes how its controls are made.
class SpecRecorder final : public platform::ModelControls<platform::Window> {
public:
  void setHandlers(platform::WindowHandlers) override {}
  bool open(const platform::WindowSpec&) override { return true; }
  void addControl(const ControlSpec& spec) override {
    specs.push_back(spec);
    controls.add(spec.id, platform::gf_initialControlState(spec));
  }
  bool runOnce(double) override { return false; }
  platform::Rect windowRect() const override { return {}; }
  void moveTo(int, int) override {}
  platform::Rect workAreaNearest(const platform::Rect& area) const override { return area; }
  void setTopmost(bool) override {}
  void messageBox(const std::string&, const std::string&, platform::MessageIcon) override {}
  void post(std::function<void()> task) override { task(); }
  void invalidate(const platform::Rect& area) override { invalidated.push_back(area); }
  void invalidateAll() override {}
  void invalidateSettingsArea() override {}
  void quit(int) override {}
  int exitCode() const override { return 0; }

  std::vector<ControlSpec> specs;
  std::vector<platform::Rect> invalidated;
};

struct Expected {
  ControlKind kind;
  const char* name;  // setting key or caption
  int id, y, x, width, listHeight;
};

constexpr ControlKind D = ControlKind::dropDown;
constexpr ControlKind E = ControlKind::editBox;
constexpr ControlKind C = ControlKind::checkBox;
constexpr ControlKind B = ControlKind::pushButton;

// The controls in creation order, as the window's layout gives them.
const Expected layout[] = {
    {D, "SIM_CHOICE", 32789, 119, 5, 105, 80},
    {E, "ALL_INSTALL_PATH", 32788, 119, 111, 1200, 0},
    {C, "SCAN_LIVERIES", 32798, 147, 5, 0, 0},
    {C, "LIG_AUTOMATIC", 32799, 147, 217, 0, 0},
    {D, "AI_PACKAGE_SELECTOR", 32790, 147, 323, 175, 300},
    {C, "LIG_PRIORITIZE", 32800, 147, 536, 0, 0},
    {C, "ALWAYS_ON_TOP", 32771, 147, 748, 0, 0},
    {C, "SCAN_AIRPORTS", 32802, 175, 5, 0, 0},
    {B, "tblo.zip", 32804, 175, 217, 80, 0},
    {C, "OBJECTID_LIST", 32775, 175, 652, 0, 0},
    {C, "NAV_LIGHTS_WHILE_PARKED", 32774, 175, 748, 0, 0},
    {D, "MATCHING_DEPTH", 32808, 203, 217, 40, 120},
    {C, "LIGHT_AIRCRAFT", 32809, 203, 323, 0, 0},
    {C, "HELICOPTERS", 32810, 203, 430, 0, 0},
    {C, "HIGH_PERF_AIRCRAFT", 32811, 203, 536, 0, 0},
    {C, "AEROWINX", 32776, 203, 652, 0, 0},
    {C, "GUID_CHANGES", 32773, 203, 748, 0, 0},
    {D, "RANGE", 32818, 231, 217, 50, 200},
    {C, "AUTO_RANGE", 32819, 231, 323, 0, 0},
    {D, "AR_ABOVE_HEIGHT", 32820, 231, 455, 70, 230},
    {C, "AIRBORNE_ONLY", 32821, 231, 572, 0, 0},
    {C, "COLLISION_USER_GND", 32834, 287, 217, 0, 0},
    {C, "COLLISION_USER_AIR", 32833, 287, 323, 0, 0},
    {C, "COLLISION_LIVE_PARKED_GND", 32835, 287, 430, 0, 0},
    {E, "BLOCK_CALLSIGN", 32828, 259, 107, 100, 0},
    {B, "Unblock", 32829, 257, 223, 60, 0},
    {B, "cs->oid:", 32830, 257, 305, 60, 0},
    {D, "CALLSIGN_2_OBJECTID", 32831, 259, 375, 100, 300},
    {B, "Block", 32832, 257, 576, 60, 0},
    {B, "Now", 32847, 313, 111, 45, 0},
    {D, "MAX_PARK_SEL", 32848, 315, 323, 55, 144},
    {D, "MAX_LIVE_SEL", 32849, 315, 536, 55, 144},
    {E, "DESTINATION", 32839, 343, 217, 50, 0},
    {D, "AIRP_RANGE", 32840, 343, 353, 45, 144},
    {D, "AIRP_HEIGHT", 32841, 343, 566, 70, 230},
    {C, "STRAIGHT_PBS_ONLY", 32855, 315, 652, 0, 0},
    {C, "INITIAL_LOAD_ONLY", 32851, 371, 5, 0, 0},
    {C, "WEEK", 32853, 371, 71, 0, 0},
    {C, "PARK_SOFT", 32852, 371, 151, 0, 0},
    {D, "parking_percentage", 32850, 371, 323, 50, 200},
    {D, "MAX_FIT_FL", 32854, 371, 566, 60, 300},
    {B, "Re-read", 32838, 341, 758, 90, 0},
    {B, "Flush static", 32857, 369, 758, 90, 0},
};

TEST(ControlLayout, FortyThreeControlsInTabOrderWithTheirPlacesAndSizes) {
  testsupport::SettingsSandbox sandbox;
  SpecRecorder window;
  platform::gf_setControlSurface(&window);
  lf_createControls(window);
  platform::gf_setControlSurface(nullptr);
  ASSERT_EQ(window.specs.size(), std::size(layout));
  for (std::size_t i = 0; i < std::size(layout); ++i) {
    const Expected& want = layout[i];
    const ControlSpec& made = window.specs[i];
    SCOPED_TRACE(want.name);
    EXPECT_EQ(made.kind, want.kind);
    EXPECT_EQ(made.id, want.id);
    EXPECT_EQ(made.x, want.x);
    EXPECT_EQ(made.y, want.y);
    if (want.kind != C) {
      EXPECT_EQ(made.width, want.width);
    }
    if (want.kind == D) {
      EXPECT_EQ(made.listHeight, want.listHeight);
    }
    if (want.kind == B) {
      EXPECT_EQ(made.caption, want.name);
    }
  }
  ASSERT_FALSE(window.invalidated.empty());
  EXPECT_EQ(window.invalidated.back(), (platform::Rect{0, 112, 880, 392})) << "the controls band after the last one";
}

TEST_F(ControlsTest, NewControlsShowTheChecksAndOnlyBoxesAndListsTakeInput) {
  EXPECT_TRUE(window.isChecked(SCAN_LIVERIES.controlId)) << "on by default";
  EXPECT_FALSE(window.isChecked(AIRBORNE_ONLY.controlId)) << "off by default";
  EXPECT_TRUE(enabled(AIRBORNE_ONLY));
  EXPECT_TRUE(enabled(RANGE));
  EXPECT_FALSE(enabled(REREAD_BUTTON));
  EXPECT_FALSE(enabled(BLOCK_CALLSIGN));
  EXPECT_EQ(window.text(FLUSH_STATIC_BUTTON.controlId), "Flush static");
  EXPECT_EQ(gf_controlsWindow(), &window);
}

// The controls after a run's start, by the settings they depend on.
TEST_F(ControlsTest, StartOfARunSetsEveryControlForTheLoadedSettings) {
  struct Case {
    bool autoRange, ligAutomatic, initialLoadOnly;
    const char* blocked;
    const char* sim;
  };
  for (const Case& c : {Case{true, true, false, "", "MSFS 2020"}, Case{false, false, true, "KLM123", "MSFS 2024"}}) {
    SCOPED_TRACE(c.sim);
    AUTO_RANGE.setCurrent(c.autoRange);
    LIG_AUTOMATIC.setCurrent(c.ligAutomatic);
    INITIAL_LOAD_ONLY.setCurrent(c.initialLoadOnly);
    BLOCK_CALLSIGN.setCurrent(c.blocked);
    SIM_CHOICE.setCurrent(c.sim);
    MAX_FIT.setCurrent(8);
    window.enable(NOW_BUTTON.controlId, true);
    for (const ControlBinding* c2 : std::initializer_list<const ControlBinding*>{
             &SCAN_AIRPORTS, &BLOCK_BUTTON, &CS_TO_OID_BUTTON, &DESTINATION, &REREAD_BUTTON, &FLUSH_STATIC_BUTTON})
      window.enable(c2->controlId, true);

    lf_enableControlsAfterStart();

    for (const ControlBinding* on : std::initializer_list<const ControlBinding*>{
             &ALWAYS_ON_TOP, &NAV_LIGHTS_WHILE_PARKED, &OBJECTID_LIST, &GUID_CHANGES, &SCAN_LIVERIES, &LIG_AUTOMATIC,
             &LIG_PRIORITIZE, &MATCHING_DEPTH, &LIGHT_AIRCRAFT, &HELICOPTERS, &HIGH_PERF_AIRCRAFT, &AUTO_RANGE,
             &AIRBORNE_ONLY, &COLLISION_USER_GND, &COLLISION_USER_AIR, &COLLISION_LIVE_PARKED_GND, &BLOCK_CALLSIGN,
             &MAX_PARK_SEL, &MAX_LIVE_SEL, &STRAIGHT_PBS_ONLY, &SIM_CHOICE, &AIRP_RANGE, &AIRP_HEIGHT, &WEEK,
             &PARK_SOFT, &INITIAL_LOAD_ONLY})
      EXPECT_TRUE(enabled(*on)) << on->controlId;
    for (const ControlBinding* off : std::initializer_list<const ControlBinding*>{
             &SCAN_AIRPORTS, &TBLO_ZIP_BUTTON, &BLOCK_BUTTON, &CS_TO_OID_BUTTON, &CALLSIGN_2_OBJECTID, &DESTINATION,
             &REREAD_BUTTON, &parking_percentage, &MAX_FIT_FL, &FLUSH_STATIC_BUTTON})
      EXPECT_FALSE(enabled(*off)) << off->controlId;
    EXPECT_EQ(enabled(RANGE), !c.autoRange);
    EXPECT_EQ(enabled(AR_ABOVE_HEIGHT), c.autoRange);
    EXPECT_EQ(enabled(UNBLOCK_BUTTON), std::string(c.blocked) != "");
    EXPECT_EQ(enabled(NOW_BUTTON), c.initialLoadOnly) << "disabled only while INITIAL_LOAD_ONLY is off";
    EXPECT_EQ(enabled(AI_PACKAGE_SELECTOR), c.ligAutomatic);
    EXPECT_EQ(window.text(SIM_CHOICE.controlId), c.sim);
    EXPECT_EQ(SimEdition.load(), std::string(c.sim) == "MSFS 2020");
    EXPECT_EQ(simNumber.load(), std::string(c.sim) == "MSFS 2020" ? 1 : 2);
    EXPECT_EQ(window.text(BLOCK_CALLSIGN.controlId), c.blocked);
    EXPECT_EQ(window.selection(AI_PACKAGE_SELECTOR.controlId)->text, "AIG, FSLTL, JF, MTL");
    EXPECT_EQ(window.selection(MAX_LIVE_SEL.controlId)->text, "500");
    EXPECT_EQ(parking_percentage.current(), 30);
    EXPECT_EQ(window.selection(parking_percentage.controlId)->text, "30");
    const auto fits = window.state(MAX_FIT_FL.controlId)->items;
    ASSERT_EQ(fits.size(), 20U);
    EXPECT_EQ(fits.front(), "0.5");
    EXPECT_EQ(fits[1], "1.0");
    EXPECT_EQ(fits.back(), "24.0");
    EXPECT_EQ(window.selection(MAX_FIT_FL.controlId)->text, "4.5") << "MAX_FIT 8 is four and a half hours";
    EXPECT_TRUE(parkControlsSetUp.load());
  }
}

TEST(MaxFitMapping, HalfHourIndexToTheHoursOfTheList) {
  const std::pair<int, float> rows[] = {{-3, 0.5F}, {0, 0.5F}, {1, 1.0F}, {2, 1.5F}, {8, 4.5F}, {9, 5.0F},
                                        {10, 6.0F}, {11, 6.0F}, {12, 7.0F}, {19, 10.0F}, {20, 11.0F}, {21, 11.0F},
                                        {22, 12.0F}, {25, 12.0F}, {26, 15.0F}, {32, 18.0F}, {37, 18.0F},
                                        {38, 21.0F}, {43, 21.0F}, {44, 24.0F}, {47, 24.0F}, {1000, 24.0F}};
  for (const auto& [index, hours] : rows) EXPECT_EQ(gf_maxFitHours(index), hours) << index;
}

TEST_F(ControlsTest, MaxFitSelectionFollowsMaxFit) {
  lf_enableControlsAfterStart();
  MAX_FIT.setCurrent(47);
  gf_selectMaxFit();
  EXPECT_EQ(MAX_FIT_FL.current(), 24.0F);
  EXPECT_EQ(window.selection(MAX_FIT_FL.controlId)->text, "24.0");
  MAX_FIT.setCurrent(20);  // 11 hours: not in the list, the selection stays
  gf_selectMaxFit();
  EXPECT_EQ(MAX_FIT_FL.current(), 11.0F);
  EXPECT_EQ(window.selection(MAX_FIT_FL.controlId)->text, "24.0");
}

TEST_F(ControlsTest, RangeIsClampedToTheListWhileTheRadiusKeepsTheGivenValue) {
  lf_enableControlsAfterStart();
  EXPECT_EQ(gf_setRange(1), 1852);
  EXPECT_EQ(RANGE.current(), 2);
  EXPECT_EQ(window.selection(RANGE.controlId)->index, 0U);
  EXPECT_EQ(rangeNm.load(), 1.0);
  EXPECT_EQ(rangeMetres.load(), 1852);

  EXPECT_EQ(gf_setRange(7), 7 * 1852);
  EXPECT_EQ(window.selection(RANGE.controlId)->text, "8") << "the first choice not below";
  EXPECT_EQ(gf_setRange(250), 250 * 1852);
  EXPECT_EQ(RANGE.current(), 100);
  EXPECT_EQ(window.selection(RANGE.controlId)->text, "100");
  EXPECT_EQ(rangeNm.load(), 250.0);
}

TEST_F(ControlsTest, ParkingControlsGoOffAndOnTogether) {
  startRun();
  for (const bool initialLoadOnly : {false, true}) {
    SCOPED_TRACE(initialLoadOnly);
    INITIAL_LOAD_ONLY.setCurrent(initialLoadOnly);
    window.enable(NOW_BUTTON.controlId, true);
    lf_showParkControls(false);
    for (const ControlBinding* c : std::initializer_list<const ControlBinding*>{
             &parking_percentage, &WEEK, &PARK_SOFT, &MAX_FIT_FL, &MAX_PARK_SEL, &MAX_LIVE_SEL, &FLUSH_STATIC_BUTTON,
             &REREAD_BUTTON})
      EXPECT_FALSE(enabled(*c)) << c->controlId;
    EXPECT_EQ(enabled(NOW_BUTTON), initialLoadOnly) << "with INITIAL_LOAD_ONLY on, Now is left alone";
    window.enable(NOW_BUTTON.controlId, false);
    gf_mainWindow().minutesToRenewal.store(3);
    lf_showParkControls(true);
    for (const ControlBinding* c : std::initializer_list<const ControlBinding*>{
             &parking_percentage, &WEEK, &PARK_SOFT, &MAX_FIT_FL, &MAX_PARK_SEL, &MAX_LIVE_SEL, &FLUSH_STATIC_BUTTON,
             &REREAD_BUTTON})
      EXPECT_TRUE(enabled(*c)) << c->controlId;
    EXPECT_EQ(enabled(NOW_BUTTON), !initialLoadOnly);
    EXPECT_EQ(gf_mainWindow().minutesToRenewal.load(), 20);
  }
  // Through the traffic engine's hook, with its flag.
  gf_installParkControlsHook();
  gf_disableParkControls();
  EXPECT_TRUE(parkControlsDisabled.load());
  EXPECT_FALSE(enabled(WEEK));
  gf_enableParkControls();
  EXPECT_TRUE(enabled(WEEK));
  gf_installTrafficEngineHooks({});
}

TEST_F(ControlsTest, ASelectionIsOnlyTheChangeOfThatList) {
  AUTO_RANGE.setCurrent(false);
  lf_enableControlsAfterStart();
  ASSERT_TRUE(window.choose(RANGE.controlId, 3));
  using platform::ControlEvent;
  EXPECT_FALSE(lf_comboSelection(RANGE.controlId, RANGE.controlId, ControlEvent::clicked));
  EXPECT_FALSE(lf_comboSelection(RANGE.controlId, AIRP_RANGE.controlId, ControlEvent::selectionChanged));
  const auto picked = lf_comboSelection(RANGE.controlId, RANGE.controlId, ControlEvent::selectionChanged);
  ASSERT_TRUE(picked);
  EXPECT_EQ(picked->index, 3U);
  EXPECT_EQ(picked->text, "5");
  EXPECT_FALSE(lf_comboSelection(1234, 1234, ControlEvent::selectionChanged)) << "no such list";
}

} // namespace
} // namespace gwr
