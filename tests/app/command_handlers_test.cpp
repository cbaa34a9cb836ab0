// The handlers of the window's check boxes, push buttons and drop-down lists:
// what each saves to parameters.xml, the notice it shows, the request it
// raises for the traffic thread and the controls it switches.
#include "app/command_handlers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "app/controls_fixture.h"
#include "core/paths.h"
#include "traffic/engine_hooks.h"
#include "traffic/user_aircraft.h"

namespace gwr {
namespace {

namespace fs = std::filesystem;
using testsupport::ControlsTest;

class CheckBoxes : public ControlsTest {
protected:
  void SetUp() override {
    ControlsTest::SetUp();
    startRun();
  }
  // Clicks the box and checks the new value is shown and stored.
  void click(CheckboxBoolParameter& box, bool expectOn) {
    ASSERT_TRUE(window.click(box.controlId));
    EXPECT_EQ(box.current(), expectOn) << box.key;
    EXPECT_EQ(window.isChecked(box.controlId), expectOn) << box.key;
    EXPECT_EQ(stored(box), expectOn ? "true" : "false") << box.key;
  }
};

// Each box's notice when switched on and when switched off ("" clears it;
// "before" is the notice left as it was).
TEST_F(CheckBoxes, EachBoxSavesItsNewValueAndShowsItsNotice) {
  struct Row {
    CheckboxBoolParameter* box;
    std::string whenOn;
    std::string whenOff;
  };
  const Row rows[] = {
      {&LIG_AUTOMATIC, "", "The liveries defined by your lfolder parameters will be scanned"},
      {&LIG_PRIORITIZE, "Liveries, for airl+model, in lower lfolders that are already available will be skipped", ""},
      {&COLLISION_LIVE_PARKED_GND, "", "Be aware, live aircraft may collide with (run through) static parked on the ground"},
      {&COLLISION_USER_GND, "",
       "Be aware, user aircraft may collide with (run through) live aircraft and static parked on the ground"},
      {&COLLISION_USER_AIR, "", "Be aware, user aircraft may collide with (run through) live aircraft in the air"},
      {&INITIAL_LOAD_ONLY,
       "Initial Load Only: static parked aircraft are generated once, no renewal every 20 minutes", ""},
      {&ALWAYS_ON_TOP, "Gatewright's window will remain visible", ""},
      {&GUID_CHANGES, "", "Be aware, no more livery updates: you miss correct data for Learn, LittleNavMap, etc!"},
      {&OBJECTID_LIST, "Every minute info about all active live aircraft is written to the file output/info/ObjectIdList.txt",
       ""},
      {&AIRBORNE_ONLY, "Be aware, airborne live traffic only!  (greater than 150 ft above ground ...)", ""},
      {&PARK_SOFT, "before", "before"},  // saved only
      {&WEEK, "before", "before"},  // saved only
      {&STRAIGHT_PBS_ONLY, "before", "before"},  // saved only
      {&LIGHT_AIRCRAFT, "before", "before"},  // saved only
      {&HELICOPTERS, "before", "before"},  // saved only
      {&HIGH_PERF_AIRCRAFT, "before", "before"},  // saved only
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.box->key);
    const bool was = row.box->current();
    setStatusText("before", false);
    click(*row.box, !was);
    EXPECT_EQ(notice(), was ? row.whenOff : row.whenOn);
    setStatusText("before", false);
    click(*row.box, was);
    EXPECT_EQ(notice(), was ? row.whenOn : row.whenOff);
  }
  EXPECT_FALSE(stopRequested.load()) << "none of these restarts the run";
}

TEST_F(CheckBoxes, BoxesThatSwitchOtherControls) {
  click(LIG_AUTOMATIC, false);
  EXPECT_FALSE(enabled(AI_PACKAGE_SELECTOR));
  click(LIG_AUTOMATIC, true);
  EXPECT_TRUE(enabled(AI_PACKAGE_SELECTOR));

  click(ALWAYS_ON_TOP, true);
  EXPECT_TRUE(window.topmost());
  click(ALWAYS_ON_TOP, false);
  EXPECT_FALSE(window.topmost());

  parkControlsSetUp.store(false);
  click(INITIAL_LOAD_ONLY, true);
  EXPECT_FALSE(enabled(NOW_BUTTON));
  click(INITIAL_LOAD_ONLY, false);
  EXPECT_FALSE(enabled(NOW_BUTTON)) << "not before the parking controls were set up";
  parkControlsSetUp.store(true);
  click(INITIAL_LOAD_ONLY, true);
  click(INITIAL_LOAD_ONLY, false);
  EXPECT_TRUE(enabled(NOW_BUTTON));

  click(NAV_LIGHTS_WHILE_PARKED, false);
  EXPECT_TRUE(navLightsRequested.exchange(false));
  click(NAV_LIGHTS_WHILE_PARKED, true);
  EXPECT_TRUE(navLightsRequested.exchange(false));
}

TEST_F(CheckBoxes, AutoRangeSwitchesBetweenTheAutomaticAndTheRememberedRange) {
  AUTO_RANGE.setCurrent(false);
  window.setCheck(AUTO_RANGE.controlId, false);
  RANGE.setCurrent(25);
  userOnGround.store(true);
  click(AUTO_RANGE, true);
  EXPECT_EQ(RANGE.current(), 10) << "on the ground";
  EXPECT_FALSE(enabled(RANGE));
  EXPECT_TRUE(enabled(AR_ABOVE_HEIGHT));
  setStatusText("range notice", false);
  click(AUTO_RANGE, false);
  EXPECT_EQ(RANGE.current(), 25);
  EXPECT_EQ(window.selection(RANGE.controlId)->text, "25");
  EXPECT_TRUE(enabled(RANGE));
  EXPECT_FALSE(enabled(AR_ABOVE_HEIGHT));
  EXPECT_EQ(notice(), "");
  userOnGround.store(false);
}

TEST_F(CheckBoxes, ScanBoxesRestartOnlyWhileWaitingForRealTraffic) {
  liveriesProcessed.store(true);
  SCAN_LIVERIES.setCurrent(false);
  window.setCheck(SCAN_LIVERIES.controlId, false);
  click(SCAN_LIVERIES, true);
  EXPECT_EQ(notice(), "Your liveries will be scanned");
  EXPECT_TRUE(logged("Your liveries will be scanned\n"));
  EXPECT_FALSE(enabled(AI_PACKAGE_SELECTOR));
  EXPECT_FALSE(liveriesProcessed.load());
  EXPECT_TRUE(stopRequested.load());
  EXPECT_EQ(exitReason.load(), ExitReason::NewSettings);
  EXPECT_EQ(restartDelaySeconds.load(), 2);
  EXPECT_TRUE(gf_rebuildLiveryTablesIfMarked()) << "marked, for the start-up thread to empty";
  EXPECT_FALSE(gf_rebuildLiveryTablesIfMarked());

  testsupport::resetControlFlags();
  liveriesProcessed.store(true);
  beforeFirstConnection.store(false);
  click(SCAN_LIVERIES, false);
  EXPECT_TRUE(enabled(AI_PACKAGE_SELECTOR));
  click(SCAN_LIVERIES, true);
  EXPECT_EQ(notice(), "Your liveries will be scanned at the next start of Gatewright");
  EXPECT_FALSE(stopRequested.load());
  EXPECT_TRUE(liveriesProcessed.load()) << "the tables stay for this run";
  EXPECT_FALSE(gf_rebuildLiveryTablesIfMarked());

  SCAN_AIRPORTS.setCurrent(false);
  window.setCheck(SCAN_AIRPORTS.controlId, false);
  click(SCAN_AIRPORTS, true);
  EXPECT_EQ(notice(), "Your airports will be scanned at the next start of Gatewright");
  EXPECT_FALSE(stopRequested.load());
  beforeFirstConnection.store(true);
  click(SCAN_AIRPORTS, false);
  EXPECT_EQ(notice(), "");
  click(SCAN_AIRPORTS, true);
  EXPECT_EQ(notice(), "Your airports will be scanned");
  EXPECT_EQ(restartDelaySeconds.load(), 2);
}

TEST_F(ControlsTest, ButtonsRaiseTheirRequestsAndSwitchOff) {
  startRun();
  ASSERT_TRUE(window.click(REREAD_BUTTON.controlId));
  EXPECT_TRUE(reReadRequested.load());
  EXPECT_FALSE(enabled(REREAD_BUTTON));
  EXPECT_FALSE(enabled(DESTINATION));

  ASSERT_TRUE(window.click(FLUSH_STATIC_BUTTON.controlId));
  EXPECT_TRUE(flushStaticRequested.load());
  EXPECT_FALSE(enabled(FLUSH_STATIC_BUTTON));
  EXPECT_EQ(notice(), "All static parked aircraft will be removed ...");
  EXPECT_FALSE(logged("All static parked")) << "no log echo";

  ASSERT_TRUE(window.click(CS_TO_OID_BUTTON.controlId));
  EXPECT_TRUE(callsignChoicesRequested.load());
  EXPECT_FALSE(enabled(BLOCK_BUTTON));

  ASSERT_TRUE(window.click(TBLO_ZIP_BUTTON.controlId)) << "no tblo folder here";
  ASSERT_EQ(window.messageBoxes().size(), 1U);
  EXPECT_EQ(window.messageBoxes()[0], (platform::MessageBoxCall{"Could not open File Explorer at tblo.zip.", "GWRT",
                                                                platform::MessageIcon::exclamation}));
}

TEST_F(ControlsTest, BlockAndUnblockButtons) {
  startRun();
  setStatusText("", false);
  ASSERT_TRUE(window.click(UNBLOCK_BUTTON.controlId));
  EXPECT_EQ(notice(), "Nothing to block or unblock...");
  EXPECT_FALSE(blockChangeRequested.load());
  EXPECT_FALSE(enabled(BLOCK_BUTTON)) << "nothing looked up to block";

  CALLSIGN_2_OBJECTID.setCurrent("DLH4AB");
  window.enable(BLOCK_BUTTON.controlId, true);
  ASSERT_TRUE(window.click(BLOCK_BUTTON.controlId));
  EXPECT_EQ(BLOCK_CALLSIGN.current(), "DLH4AB");
  EXPECT_EQ(stored(BLOCK_CALLSIGN), "DLH4AB");
  EXPECT_EQ(window.text(BLOCK_CALLSIGN.controlId), "DLH4AB");
  EXPECT_TRUE(blockChangeRequested.exchange(false));
  EXPECT_TRUE(enabled(UNBLOCK_BUTTON));
  EXPECT_FALSE(enabled(BLOCK_BUTTON));

  ASSERT_TRUE(window.click(UNBLOCK_BUTTON.controlId));
  EXPECT_EQ(stored(BLOCK_CALLSIGN), "");
  EXPECT_EQ(notice(), "no more blocking of live aircraft 'DLH4AB'");
  EXPECT_TRUE(logged("no more blocking of live aircraft 'DLH4AB'\n"));
  EXPECT_TRUE(blockChangeRequested.load());
  EXPECT_FALSE(enabled(UNBLOCK_BUTTON));
  EXPECT_TRUE(enabled(BLOCK_BUTTON)) << "the looked-up callsign can be blocked again";
}

TEST_F(ControlsTest, NowAnnouncesTheStaticUpdateOnlyWithAParkAirport) {
  startRun();
  setStatusText("kept", false);
  ASSERT_TRUE(window.click(NOW_BUTTON.controlId));
  EXPECT_EQ(notice(), "kept") << "no park airport yet";
  EXPECT_FALSE(staticUpdateRequested.load());

  standTableReady.store(true);
  INITIAL_LOAD_ONLY.setCurrent(true);
  ASSERT_TRUE(window.click(NOW_BUTTON.controlId));
  EXPECT_EQ(notice(), "");
  EXPECT_FALSE(staticUpdateRequested.load());

  INITIAL_LOAD_ONLY.setCurrent(false);
  gf_installParkControlsHook();
  for (const auto& [counter, text] : {std::pair{30, "Gatewright will update static parking in 15 seconds ..."},
                                      std::pair{44, "Gatewright will update static parking in 1 second ..."}}) {
    secondCount = counter;
    window.enable(NOW_BUTTON.controlId, true);
    gf_mainWindow().minutesToRenewal.store(4);
    ASSERT_TRUE(window.click(NOW_BUTTON.controlId));
    EXPECT_EQ(notice(), text);
    EXPECT_TRUE(staticUpdateRequested.exchange(false));
    EXPECT_TRUE(renewalRestartRequested.exchange(false));
    EXPECT_TRUE(parkControlsDisabled.load());
    EXPECT_FALSE(enabled(NOW_BUTTON));
    EXPECT_FALSE(enabled(WEEK));
    EXPECT_EQ(gf_mainWindow().minutesToRenewal.load(), 20);
  }
  gf_installTrafficEngineHooks({});
}

TEST_F(ControlsTest, DropDownsSaveTheirEntryAndRaiseTheirRequests) {
  AUTO_RANGE.setCurrent(false);
  startRun();
  MATCHING_DEPTH.setCurrent(2);
  ASSERT_TRUE(window.choose(MATCHING_DEPTH.controlId, 0));
  EXPECT_EQ(stored(MATCHING_DEPTH), "1");
  EXPECT_FALSE(noMatchResetRequested.load()) << "lowered";
  ASSERT_TRUE(window.choose(MATCHING_DEPTH.controlId, 3));
  EXPECT_EQ(stored(MATCHING_DEPTH), "4");
  EXPECT_TRUE(noMatchResetRequested.load()) << "raised";

  ASSERT_TRUE(window.choose(RANGE.controlId, 12));
  EXPECT_EQ(stored(RANGE), "25");
  EXPECT_EQ(rangeMetres.load(), 25 * 1852);

  ASSERT_TRUE(window.choose(MAX_LIVE_SEL.controlId, 1));
  EXPECT_EQ(stored(MAX_LIVE_SEL), "10");
  EXPECT_TRUE(liveLimitRequested.load());

  for (auto* list : {&MAX_PARK_SEL, &AIRP_RANGE, &AR_ABOVE_HEIGHT, &AIRP_HEIGHT}) {
    window.enable(list->controlId, true);
    ASSERT_TRUE(window.choose(list->controlId, 1));
    EXPECT_EQ(stored(*list), std::to_string(list->choices[1])) << list->key;
  }
  window.enable(parking_percentage.controlId, true);
  ASSERT_TRUE(window.choose(parking_percentage.controlId, 2));
  EXPECT_EQ(parking_percentage.current(), 10);

  window.enable(MAX_FIT_FL.controlId, true);
  for (const auto& [entry, maxFit] : {std::pair{"2.5", "4"}, std::pair{"24.0", "47"}, std::pair{"0.5", "0"}}) {
    const auto items = window.state(MAX_FIT_FL.controlId)->items;
    const auto at = std::find(items.begin(), items.end(), entry) - items.begin();
    ASSERT_TRUE(window.choose(MAX_FIT_FL.controlId, static_cast<std::size_t>(at)));
    EXPECT_EQ(stored(MAX_FIT), maxFit) << entry;
  }
  EXPECT_EQ(stored(MAX_FIT_FL), "<missing>") << "the hours are not stored";
}

TEST_F(ControlsTest, StringDropDowns) {
  startRun();
  ASSERT_TRUE(window.choose(AI_PACKAGE_SELECTOR.controlId, 1));
  EXPECT_EQ(stored(AI_PACKAGE_SELECTOR), AI_PACKAGE_SELECTOR.choices[1]);
  EXPECT_EQ(notice(), "If you want to make this choice effective, you must start a Scan for liveries");
  EXPECT_TRUE(logged("If you want to make this choice effective"));

  callsignChoices->replace({"", "KLM1234", "DLH4AB"});
  gf_fillCallsignCombo();
  gf_mainWindow().setText(StatusText::callsignLookup, "KLM1234 = 12");
  window.enable(UNBLOCK_BUTTON.controlId, false);
  ASSERT_TRUE(window.choose(CALLSIGN_2_OBJECTID.controlId, 2));
  EXPECT_EQ(CALLSIGN_2_OBJECTID.current(), "DLH4AB");
  EXPECT_EQ(stored(CALLSIGN_2_OBJECTID), "<missing>");
  EXPECT_TRUE(objectIdLookupPending.exchange(false));
  EXPECT_EQ(gf_mainWindow().text(StatusText::callsignLookup), "");
  EXPECT_TRUE(enabled(BLOCK_BUTTON)) << "Unblock is off";
  ASSERT_TRUE(window.choose(CALLSIGN_2_OBJECTID.controlId, 2));
  EXPECT_FALSE(objectIdLookupPending.load()) << "the same callsign again";
  window.enable(UNBLOCK_BUTTON.controlId, true);
  ASSERT_TRUE(window.choose(CALLSIGN_2_OBJECTID.controlId, 1));
  EXPECT_FALSE(enabled(BLOCK_BUTTON)) << "Unblock is on";
}

TEST_F(ControlsTest, ChoosingTheOtherSimulatorEditionRestartsAndTheSameDoesNothing) {
  startRun();
  liveriesProcessed.store(true);
  fs::create_directories(outputFolder);
  testsupport::SettingsSandbox::writeText(liveriesScannedFile, "<root/>");
  ASSERT_TRUE(window.choose(SIM_CHOICE.controlId, 0));
  EXPECT_FALSE(stopRequested.load()) << "MSFS 2020 again";

  ASSERT_TRUE(window.choose(SIM_CHOICE.controlId, 1));
  EXPECT_EQ(stored(SIM_CHOICE), "MSFS 2024");
  EXPECT_FALSE(fs::exists(liveriesScannedFile));
  EXPECT_EQ(stored(SCAN_LIVERIES), "true");
  EXPECT_EQ(stored(SCAN_AIRPORTS), "true");
  EXPECT_TRUE(window.isChecked(SCAN_AIRPORTS.controlId));
  EXPECT_EQ(exitReason.load(), ExitReason::NewSettings);
  EXPECT_EQ(restartDelaySeconds.load(), 3);
  EXPECT_FALSE(liveriesProcessed.load());
  EXPECT_TRUE(gf_rebuildLiveryTablesIfMarked()) << "only marked on the window thread";
}

TEST_F(ControlsTest, AFailedEditionSwitchKeepsTheEditionAndTheWindowGoesOn) {
  startRun();
  SCAN_LIVERIES.setCurrent(false);
  fs::create_directories(liveriesScannedFile / "in the way");  // a folder that cannot be removed as a file
  ASSERT_TRUE(window.choose(SIM_CHOICE.controlId, 1));
  EXPECT_EQ(SIM_CHOICE.current(), "MSFS 2020");
  EXPECT_EQ(stored(SIM_CHOICE), "MSFS 2020");
  EXPECT_EQ(window.selection(SIM_CHOICE.controlId)->text, "MSFS 2020");
  EXPECT_FALSE(SCAN_LIVERIES.current());
  EXPECT_FALSE(stopRequested.load());
  EXPECT_NE(notice().find("remove"), std::string::npos) << notice();
  EXPECT_TRUE(logged("==> control 32789: "));
}

TEST_F(ControlsTest, ControlsOfNoHandlerAreLeftToTheWindow) {
  EXPECT_FALSE(lf_handleCommand(1234, platform::ControlEvent::clicked));
  EXPECT_FALSE(lf_handleCommand(RANGE.controlId, platform::ControlEvent::clicked));
  EXPECT_FALSE(lf_handleCommand(SCAN_LIVERIES.controlId, platform::ControlEvent::enterPressed));
  EXPECT_FALSE(lf_handleCommand(REREAD_BUTTON.controlId, platform::ControlEvent::selectionChanged));
  EXPECT_FALSE(reReadRequested.load());
}

TEST(AutoRange, RadiusFromHeightAndTheNearestParkAirport) {
  testsupport::SettingsSandbox sandbox;  // AR_ABOVE_HEIGHT 48000 ft, AIRP_HEIGHT 18000 ft
  EXPECT_EQ(gf_autoRangeNm(true, 50000.0, 100.0), 10);
  EXPECT_EQ(gf_autoRangeNm(false, 48001.0, 1.0), 100);
  EXPECT_EQ(gf_autoRangeNm(false, 48000.0, 1.0), 40);
  EXPECT_EQ(gf_autoRangeNm(false, 18001.0, 1.0), 40);
  const std::pair<double, int> byDistance[] = {
      {0.0, 10},  {7.0, 10},  {7.1, 8},   {8.4, 8},   {8.5, 10},  {10.4, 10}, {10.5, 12}, {12.4, 12},
      {12.5, 14}, {14.5, 16}, {16.5, 18}, {18.5, 20}, {22.5, 25}, {27.5, 30}, {32.5, 35}, {36.9, 35},
      {37.0, 40}, {10000.0, 40}};
  for (const auto& [nm, radius] : byDistance) EXPECT_EQ(gf_autoRangeNm(false, 18000.0, nm), radius) << nm;
}

} // namespace
} // namespace gwr
