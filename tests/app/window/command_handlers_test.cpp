// The handlers of the window's controls: what each saves to parameters.xml,
// the notice it shows, the request it raises for the traffic thread and the
// controls it switches; the text boxes and their refusals of bad input.
#include "app/window/command_handlers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/window/controls_fixture.h"
#include "core/paths.h"
#include "refdata/airports_table.h"
#include "traffic/engine/engine_hooks.h"
#include "traffic/simclient/user_aircraft.h"

namespace gwr {
namespace {

namespace fs = std::filesystem;
using testsupport::ControlsTest;
using namespace std::string_literals;

class Handlers : public ControlsTest {
protected:
  void SetUp() override {
    ControlsTest::SetUp();
    startRun();
  }
  // Clicks the box; the new value must be checked and stored.
  void click(CheckboxBoolParameter& box, bool on) {
    ASSERT_TRUE(window.click(box.controlId));
    EXPECT_EQ(std::pair(window.isChecked(box.controlId), stored(box)), std::pair(on, std::string(on ? "true" : "false")))
        << box.key;
  }
};

TEST_F(Handlers, EachCheckBoxSavesItsNewValueAndShowsItsNotice) {
  const std::string kept = "kept";  // the notice is left alone
  const struct {
    CheckboxBoolParameter* box;
    std::string whenOn, whenOff;
  } rows[] = {
      {&LIG_AUTOMATIC, "", "The liveries defined by your lfolder parameters will be scanned"},
      {&LIG_PRIORITIZE, "Liveries, for airl+model, in lower lfolders that are already available will be skipped", ""},
      {&COLLISION_LIVE_PARKED_GND, "", "Be aware, live aircraft may collide with (run through) static parked on the ground"},
      {&COLLISION_USER_GND, "",
       "Be aware, user aircraft may collide with (run through) live aircraft and static parked on the ground"},
      {&COLLISION_USER_AIR, "", "Be aware, user aircraft may collide with (run through) live aircraft in the air"},
      {&INITIAL_LOAD_ONLY, "Initial Load Only: static parked aircraft are generated once, no renewal every 20 minutes", ""},
      {&ALWAYS_ON_TOP, "Gatewright's window will remain visible", ""},
      {&GUID_CHANGES, "", "Be aware, no more livery updates: you miss correct data for Learn, LittleNavMap, etc!"},
      {&OBJECTID_LIST, "Every minute info about all active live aircraft is written to the file output/info/ObjectIdList.txt", ""},
      {&AIRBORNE_ONLY, "Be aware, airborne live traffic only!  (greater than 150 ft above ground ...)", ""},
      {&PARK_SOFT, kept, kept}, {&WEEK, kept, kept}, {&STRAIGHT_PBS_ONLY, kept, kept},
      {&LIGHT_AIRCRAFT, kept, kept}, {&HELICOPTERS, kept, kept}, {&HIGH_PERF_AIRCRAFT, kept, kept}};
  for (const auto& row : rows) {
    const bool was = row.box->current();
    for (const bool on : {!was, was}) {
      setStatusText(kept, false);
      click(*row.box, on);
      EXPECT_EQ(notice(), on ? row.whenOn : row.whenOff) << row.box->key;
    }
  }
  EXPECT_FALSE(stopRequested.load());
}

TEST_F(Handlers, CheckBoxesThatSwitchOtherControlsOrRaiseRequests) {
  click(LIG_AUTOMATIC, false);
  EXPECT_FALSE(enabled(AI_PACKAGE_SELECTOR));
  click(ALWAYS_ON_TOP, true);
  EXPECT_TRUE(window.topmost());
  click(INITIAL_LOAD_ONLY, true);
  EXPECT_FALSE(enabled(NOW_BUTTON));
  parkControlsSetUp.store(false);
  click(INITIAL_LOAD_ONLY, false);
  EXPECT_FALSE(enabled(NOW_BUTTON)) << "not before the parking controls were set up";
  click(NAV_LIGHTS_WHILE_PARKED, false);
  EXPECT_TRUE(navLightsRequested.load());

  // AUTO_RANGE: on the ground the automatic range is 10; off brings back 25.
  click(AUTO_RANGE, false);
  ASSERT_TRUE(window.choose(RANGE.controlId, 12));
  userOnGround.store(true);
  click(AUTO_RANGE, true);
  EXPECT_EQ(std::tuple(RANGE.current(), enabled(RANGE), enabled(AR_ABOVE_HEIGHT)), std::tuple(10, false, true));
  click(AUTO_RANGE, false);
  EXPECT_EQ(std::tuple(RANGE.current(), enabled(RANGE), enabled(AR_ABOVE_HEIGHT)), std::tuple(25, true, false));
  userOnGround.store(false);
}

TEST_F(Handlers, ScanBoxesRestartOnlyWhileWaitingForRealTraffic) {
  liveriesProcessed.store(true);
  click(SCAN_LIVERIES, false);
  click(SCAN_LIVERIES, true);
  EXPECT_TRUE(logged("Your liveries will be scanned"));
  EXPECT_FALSE(enabled(AI_PACKAGE_SELECTOR));
  EXPECT_FALSE(liveriesProcessed.load());
  EXPECT_EQ(std::pair(exitReason.load(), restartDelaySeconds.load()), std::pair(ExitReason::NewSettings, 2));
  EXPECT_TRUE(gf_rebuildLiveryTablesIfMarked()) << "only marked, for the start-up thread";
  EXPECT_FALSE(gf_rebuildLiveryTablesIfMarked());

  testsupport::resetControlFlags();
  beforeFirstConnection.store(false);
  for (auto* box : {&SCAN_LIVERIES, &SCAN_AIRPORTS}) {
    click(*box, false);
    click(*box, true);
  }
  EXPECT_EQ(notice(), "Your airports will be scanned at the next start of Gatewright");
  EXPECT_FALSE(stopRequested.load());
  EXPECT_FALSE(gf_rebuildLiveryTablesIfMarked());
}

TEST_F(Handlers, ButtonsRaiseTheirRequestsAndSwitchOff) {
  for (const auto* button : {&REREAD_BUTTON, &FLUSH_STATIC_BUTTON, &CS_TO_OID_BUTTON, &TBLO_ZIP_BUTTON})
    ASSERT_TRUE(window.click(button->controlId));
  EXPECT_TRUE(reReadRequested.load() && flushStaticRequested.load() && callsignChoicesRequested.load());
  for (const ControlBinding* c : testsupport::Controls{&REREAD_BUTTON, &DESTINATION, &FLUSH_STATIC_BUTTON, &BLOCK_BUTTON})
    EXPECT_FALSE(enabled(*c)) << c->controlId;
  EXPECT_FALSE(logged("All static parked aircraft will be removed ...")) << "shown without log echo";
  EXPECT_EQ(window.messageBoxes(), (std::vector<platform::MessageBoxCall>{{"Could not open File Explorer at tblo.zip.",
                                                                           "GWRT", platform::MessageIcon::exclamation}}));

  window.enable(UNBLOCK_BUTTON.controlId, true);
  ASSERT_TRUE(window.click(UNBLOCK_BUTTON.controlId));
  EXPECT_EQ(notice(), "Nothing to block or unblock...");
  EXPECT_FALSE(blockChangeRequested.load());
  CALLSIGN_2_OBJECTID.setCurrent("DLH4AB");
  window.enable(BLOCK_BUTTON.controlId, true);
  ASSERT_TRUE(window.click(BLOCK_BUTTON.controlId));
  EXPECT_EQ(std::pair(stored(BLOCK_CALLSIGN), window.text(BLOCK_CALLSIGN.controlId)), std::pair("DLH4AB"s, "DLH4AB"s));
  EXPECT_TRUE(blockChangeRequested.exchange(false) && enabled(UNBLOCK_BUTTON) && !enabled(BLOCK_BUTTON));
  ASSERT_TRUE(window.click(UNBLOCK_BUTTON.controlId));
  EXPECT_EQ(stored(BLOCK_CALLSIGN), "");
  EXPECT_TRUE(logged("no more blocking of live aircraft 'DLH4AB'"));
  EXPECT_TRUE(blockChangeRequested.load() && !enabled(UNBLOCK_BUTTON) && enabled(BLOCK_BUTTON));
}

TEST_F(Handlers, NowAnnouncesTheStaticUpdateOnlyWithAParkAirportAndRenewalsOn) {
  ASSERT_TRUE(window.click(NOW_BUTTON.controlId));
  standTableReady.store(true);
  INITIAL_LOAD_ONLY.setCurrent(true);
  ASSERT_TRUE(window.click(NOW_BUTTON.controlId));
  EXPECT_FALSE(staticUpdateRequested.load());
  INITIAL_LOAD_ONLY.setCurrent(false);
  for (const auto& [counter, text] : {std::pair{30, "Gatewright will update static parking in 15 seconds ..."},
                                      std::pair{44, "Gatewright will update static parking in 1 second ..."}}) {
    gf_enableParkControls();  // the update before is done
    secondCount = counter;
    ASSERT_TRUE(window.click(NOW_BUTTON.controlId));
    EXPECT_EQ(notice(), text);
    EXPECT_TRUE(staticUpdateRequested.load() && renewalRestartRequested.load() && parkControlsDisabled.load());
    EXPECT_FALSE(enabled(NOW_BUTTON)) << "until the update is done";
    EXPECT_EQ(gf_mainWindow().minutesToRenewal.load(), 20);
  }
  staticRenewalMinutes = 3;  // the traffic thread's countdown starts afresh at its next minute
  gf_staticRenewalMinute();
  EXPECT_EQ(std::pair(staticRenewalMinutes, renewalRestartRequested.load()), std::pair(19, false));
}

TEST_F(Handlers, DropDownsSaveTheirEntryAndRaiseTheirRequests) {
  const auto choose = [this](const ControlBinding& list, const std::string& entry) {
    window.enable(list.controlId, true);
    const auto items = window.state(list.controlId)->items;
    return window.choose(list.controlId, std::find(items.begin(), items.end(), entry) - items.begin());
  };
  MATCHING_DEPTH.setCurrent(2);
  ASSERT_TRUE(choose(MATCHING_DEPTH, "1"));
  EXPECT_FALSE(noMatchResetRequested.load()) << "lowered";
  ASSERT_TRUE(choose(MATCHING_DEPTH, "4"));
  EXPECT_TRUE(noMatchResetRequested.load()) << "raised";
  ASSERT_TRUE(choose(MAX_LIVE_SEL, "10"));
  EXPECT_TRUE(liveLimitRequested.load());
  ASSERT_TRUE(choose(RANGE, "25"));
  EXPECT_EQ(rangeMetres.load(), 25 * 1852);
  for (auto* list : {&MATCHING_DEPTH, &MAX_LIVE_SEL, &RANGE, &MAX_PARK_SEL, &AIRP_RANGE, &AR_ABOVE_HEIGHT, &AIRP_HEIGHT}) {
    if (list->choices.size() > 6) {
      ASSERT_TRUE(choose(*list, std::to_string(list->choices[6])));
    }
    EXPECT_EQ(stored(*list), std::to_string(list->current())) << list->key;
  }
  for (const auto& [hours, maxFit] : {std::pair{"2.5", "4"}, {"24.0", "47"}, {"0.5", "0"}}) {
    ASSERT_TRUE(choose(MAX_FIT_FL, hours));
    EXPECT_EQ(stored(MAX_FIT), maxFit) << hours;
  }
  ASSERT_TRUE(choose(AI_PACKAGE_SELECTOR, "MTL"));
  EXPECT_EQ(stored(AI_PACKAGE_SELECTOR), "MTL");
  EXPECT_TRUE(logged("If you want to make this choice effective, you must start a Scan for liveries"));

  callsignChoices->replace({"", "KLM1234"});
  gf_fillCallsignCombo();
  gf_mainWindow().setText(StatusText::callsignLookup, "KLM1234 = 12");
  ASSERT_TRUE(choose(CALLSIGN_2_OBJECTID, "KLM1234"));
  EXPECT_TRUE(objectIdLookupPending.load() && enabled(BLOCK_BUTTON)) << "Block is on while Unblock is off";
  EXPECT_EQ(gf_mainWindow().text(StatusText::callsignLookup), "");
  EXPECT_EQ(std::pair(stored(CALLSIGN_2_OBJECTID), stored(MAX_FIT_FL)), std::pair("<missing>"s, "<missing>"s));
}

TEST_F(Handlers, TheOtherSimulatorEditionRestartsAndAFailedSwitchKeepsTheEdition) {
  fs::create_directories(liveriesScannedFile / "in the way");  // a folder that is no file to remove
  ASSERT_TRUE(window.choose(SIM_CHOICE.controlId, 1));
  EXPECT_EQ(std::pair(stored(SIM_CHOICE), window.text(SIM_CHOICE.controlId)), std::pair("MSFS 2020"s, "MSFS 2020"s));
  EXPECT_FALSE(stopRequested.load());
  EXPECT_NE(notice().find("remove"), std::string::npos) << notice();
  EXPECT_TRUE(logged("==> control 32789: " + notice()));

  fs::remove_all(liveriesScannedFile);
  ASSERT_TRUE(window.choose(SIM_CHOICE.controlId, 0));
  EXPECT_FALSE(stopRequested.load()) << "the same edition again";
  ASSERT_TRUE(window.choose(SIM_CHOICE.controlId, 1));
  EXPECT_EQ(std::tuple(stored(SIM_CHOICE), stored(SCAN_AIRPORTS), restartDelaySeconds.load()),
            std::tuple("MSFS 2024"s, "true"s, 3));
  EXPECT_TRUE(gf_rebuildLiveryTablesIfMarked());
}

TEST(AutoRange, RadiusFromHeightAndTheNearestParkAirport) {
  testsupport::SettingsSandbox sandbox;  // AR_ABOVE_HEIGHT 48000 ft, AIRP_HEIGHT 18000 ft
  EXPECT_EQ(gf_autoRangeNm(true, 50000.0, 100.0), 10);
  EXPECT_EQ(gf_autoRangeNm(false, 48001.0, 1.0), 100);
  EXPECT_EQ(gf_autoRangeNm(false, 48000.0, 1.0), 40);
  for (const auto& [nm, radius] : {std::pair{7.0, 10}, {7.1, 8}, {8.4, 8}, {8.5, 10}, {10.5, 12}, {12.5, 14}, {14.5, 16},
                                   {16.5, 18}, {18.5, 20}, {22.5, 25}, {27.5, 30}, {32.5, 35}, {36.9, 35}, {37.0, 40}})
    EXPECT_EQ(gf_autoRangeNm(false, 18000.0, nm), radius) << nm;
}

TEST_F(Handlers, BlockedCallsignBox) {
  ASSERT_TRUE(enter(BLOCK_CALLSIGN, "klm1234"));
  EXPECT_EQ(std::pair(stored(BLOCK_CALLSIGN), window.text(BLOCK_CALLSIGN.controlId)), std::pair("KLM1234"s, "KLM1234"s));
  EXPECT_TRUE(blockChangeRequested.exchange(false) && enabled(UNBLOCK_BUTTON));
  for (const auto& [typed, answer] : {std::pair{"KLM1234", "callsign 'KLM1234' was already set ..."},
                                      {"KL1", "callsign 'KL1' is not valid"},
                                      {"KLM123456", "callsign 'KLM123456' is not valid"},
                                      {"ÄÖ1", "callsign 'ÄÖ1' is not valid"}}) {  // three characters in five bytes
    ASSERT_TRUE(enter(BLOCK_CALLSIGN, typed));
    EXPECT_TRUE(logged(answer));
    EXPECT_EQ(std::pair(stored(BLOCK_CALLSIGN), window.text(BLOCK_CALLSIGN.controlId)), std::pair("KLM1234"s, "KLM1234"s));
  }
  EXPECT_FALSE(blockChangeRequested.load());
  ASSERT_TRUE(enter(BLOCK_CALLSIGN, "klm1234é"));  // eight characters in nine bytes
  EXPECT_EQ(stored(BLOCK_CALLSIGN), "KLM1234é");
  ASSERT_TRUE(enter(BLOCK_CALLSIGN, "ab12"));  // four is the shortest
  EXPECT_EQ(stored(BLOCK_CALLSIGN), "AB12");
  ASSERT_TRUE(enter(BLOCK_CALLSIGN, ""));
  EXPECT_EQ(notice(), "no more blocking of live aircraft 'AB12'");
  blockChangeRequested.store(false);
  ASSERT_TRUE(enter(BLOCK_CALLSIGN, ""));
  EXPECT_FALSE(blockChangeRequested.load()) << "nothing blocked, nothing to do";
}

TEST_F(Handlers, DestinationBoxHandsTheAirportToTheTrafficThread) {
  std::vector<AirportRecord> kept{AirportRecord{FixedCode<4>("EHAM"), FixedCode<3>("AMS"), 52.3, 4.76, -11.0F, 200}};
  kept.swap(airportsTable);
  fs::create_directories(airportsFolder);
  ASSERT_TRUE(enter(DESTINATION, "eham"));
  EXPECT_EQ(std::pair(stored(DESTINATION), notice()), std::pair("EHAM"s, "New destination: EHAM"s));
  EXPECT_FALSE(enabled(REREAD_BUTTON));
  EXPECT_TRUE(parkAirports.empty()) << "the window thread leaves the list alone";
  ASSERT_TRUE(lf_takeDestinationRequest());
  EXPECT_EQ(parkAirports.front().code, FixedCode<4>("EHAM"));
  EXPECT_FALSE(lf_takeDestinationRequest()) << "taken once";
  for (const auto& [typed, answer] :
       {std::pair{"EHA", "destination 'EHA' is not valid"}, {"ÉHA", "destination 'ÉHA' is not valid"},
        {"EHAMS", "destination 'EHAMS' is not valid"}, {"EH-M", "destination 'EH-M' is unknown ..."},
        {"ÉHAM", "destination 'ÉHAM' is unknown ..."}, {"eham", "destination 'EHAM' was already set ..."},
        {"zzzz", "destination 'ZZZZ' is unknown ..."}}) {
    ASSERT_TRUE(enter(DESTINATION, typed));
    EXPECT_TRUE(logged(answer));
    EXPECT_EQ(std::pair(stored(DESTINATION), window.text(DESTINATION.controlId)), std::pair("EHAM"s, "EHAM"s));
  }
  ASSERT_TRUE(enter(DESTINATION, ""));
  EXPECT_EQ(std::tuple(DESTINATION.current(), stored(DESTINATION), enabled(REREAD_BUTTON)), std::tuple(""s, "EHAM"s, true));
  EXPECT_FALSE(lf_takeDestinationRequest());
  kept.swap(airportsTable);
}

TEST_F(Handlers, InstallPathBoxStoresTheFolderHoldingCommunityAndRestarts) {
  const fs::path packages = sandbox.log().folder() / "Packages";
  fs::create_directories(packages / "Community");
  testsupport::SettingsSandbox::writeText(sandbox.log().folder() / "Community", "a file");
  setStatusError("Error 150: No install path detected.");
  for (const std::string& typed : {(packages / "Community").string() + "//", packages.string()}) {
    testsupport::resetControlFlags();
    MSFS_INSTALL_PATH.set("");
    ASSERT_TRUE(enter(ALL_INSTALL_PATH, typed));
    EXPECT_EQ(stored(MSFS_INSTALL_PATH), packages.string());
    EXPECT_EQ(gf_messageLine().error(), "") << "a confirmed path clears the error";
    EXPECT_TRUE(logged("Community path found, Gatewright will restart ..."));
    EXPECT_EQ(restartDelaySeconds.load(), 3);
  }
  testsupport::resetControlFlags();
  const std::string missing = (sandbox.log().folder() / "nowhere").string();
  for (const auto& [typed, answer] :
       {std::pair{missing, "This install path does not exist: " + missing},
        {sandbox.log().folder().string(), "This path exists but is not a path to Community ..."s},
        {(sandbox.log().folder() / "Community").string(), "This path does not contain a valid Community folder (unexpected)."s}}) {
    ASSERT_TRUE(enter(ALL_INSTALL_PATH, typed));
    EXPECT_EQ(notice(), answer);
    EXPECT_EQ(std::pair(stored(MSFS_INSTALL_PATH), window.text(ALL_INSTALL_PATH.controlId)), std::pair(packages.string(), typed));
  }
  SimEdition.store(false);
  ASSERT_TRUE(enter(ALL_INSTALL_PATH, packages.string()));
  EXPECT_EQ(stored(MSFS_2024_INSTALL_PATH), packages.string()) << "the edition in use";
  ASSERT_TRUE(enter(ALL_INSTALL_PATH, ""));
  EXPECT_EQ(stored(MSFS_2024_INSTALL_PATH), "");
}

} // namespace
} // namespace gwr
