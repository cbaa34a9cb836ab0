// The three text-entry boxes: a typed value counts only with Enter, a good one
// is stored and a bad one answered with a notice and the stored value shown
// again; the destination reaches the traffic thread's list through a request.
#include "app/command_handlers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/controls_fixture.h"
#include "refdata/airports_table.h"

namespace gwr {
namespace {

namespace fs = std::filesystem;
using testsupport::ControlsTest;

class TextEntry : public ControlsTest {
protected:
  void SetUp() override {
    ControlsTest::SetUp();
    startRun();
  }
};

TEST_F(TextEntry, BlockedCallsignIsUpperCasedStoredAndRequested) {
  ASSERT_TRUE(enter(BLOCK_CALLSIGN, "klm1234"));
  EXPECT_EQ(BLOCK_CALLSIGN.current(), "KLM1234");
  EXPECT_EQ(stored(BLOCK_CALLSIGN), "KLM1234");
  EXPECT_EQ(window.text(BLOCK_CALLSIGN.controlId), "KLM1234");
  EXPECT_TRUE(enabled(UNBLOCK_BUTTON));
  EXPECT_TRUE(blockChangeRequested.exchange(false));

  ASSERT_TRUE(enter(BLOCK_CALLSIGN, "KLM1234"));
  EXPECT_EQ(notice(), "callsign 'KLM1234' was already set ...");
  EXPECT_FALSE(blockChangeRequested.load());

  // Four and eight characters are the limits.
  ASSERT_TRUE(enter(BLOCK_CALLSIGN, "ab12"));
  EXPECT_EQ(stored(BLOCK_CALLSIGN), "AB12");
  ASSERT_TRUE(enter(BLOCK_CALLSIGN, "abcd1234"));
  EXPECT_EQ(stored(BLOCK_CALLSIGN), "ABCD1234");
}

TEST_F(TextEntry, CallsignsOfOtherLengthsAreRefusedAndTheBoxShowsTheStoredOne) {
  ASSERT_TRUE(enter(BLOCK_CALLSIGN, "KLM1234"));
  blockChangeRequested.store(false);
  for (const std::string bad : {"KL1", "KLM123456"}) {
    ASSERT_TRUE(enter(BLOCK_CALLSIGN, bad));
    EXPECT_EQ(notice(), "callsign '" + bad + "' is not valid");
    EXPECT_TRUE(logged("callsign '" + bad + "' is not valid\n"));
    EXPECT_EQ(window.text(BLOCK_CALLSIGN.controlId), "KLM1234");
    EXPECT_EQ(stored(BLOCK_CALLSIGN), "KLM1234");
  }
  EXPECT_FALSE(blockChangeRequested.load());
}

TEST_F(TextEntry, AnEmptyBoxUnblocksAndWithNothingBlockedDoesNothing) {
  ASSERT_TRUE(enter(BLOCK_CALLSIGN, "KLM1234"));
  blockChangeRequested.store(false);
  ASSERT_TRUE(enter(BLOCK_CALLSIGN, ""));
  EXPECT_EQ(stored(BLOCK_CALLSIGN), "");
  EXPECT_EQ(notice(), "no more blocking of live aircraft 'KLM1234'");
  EXPECT_FALSE(enabled(UNBLOCK_BUTTON));
  EXPECT_TRUE(blockChangeRequested.exchange(false));

  setStatusText("kept?", false);
  ASSERT_TRUE(enter(BLOCK_CALLSIGN, ""));
  EXPECT_FALSE(blockChangeRequested.load());
  EXPECT_EQ(notice(), "") << "the Enter clears the notice, nothing more";
}

class Destination : public TextEntry {
protected:
  void SetUp() override {
    TextEntry::SetUp();
    saved.swap(airportsTable);
    airportsTable = {AirportRecord{FixedCode<4>("EHAM"), FixedCode<3>("AMS"), 52.308, 4.764, -11.0F, 200},
                     AirportRecord{FixedCode<4>("EDDF"), FixedCode<3>("FRA"), 50.033, 8.571, 364.0F, 300}};
    std::sort(airportsTable.begin(), airportsTable.end(),
              [](const AirportRecord& a, const AirportRecord& b) { return a.icao < b.icao; });
    fs::create_directories(airportsFolder);
  }
  void TearDown() override {
    airportsTable.swap(saved);
    TextEntry::TearDown();
  }
  std::vector<AirportRecord> saved;
};

TEST_F(Destination, AKnownCodeBecomesTheFirstParkAirportOnTheTrafficThread) {
  ASSERT_TRUE(enter(DESTINATION, "eham"));
  EXPECT_EQ(stored(DESTINATION), "EHAM");
  EXPECT_EQ(window.text(DESTINATION.controlId), "EHAM");
  EXPECT_EQ(notice(), "New destination: EHAM");
  EXPECT_TRUE(logged("New destination: EHAM\n"));
  EXPECT_FALSE(enabled(REREAD_BUTTON));
  EXPECT_TRUE(parkAirports.empty()) << "the window thread leaves the list alone";

  ASSERT_TRUE(lf_takeDestinationRequest());
  ASSERT_FALSE(parkAirports.empty());
  EXPECT_EQ(parkAirports.front().code, FixedCode<4>("EHAM"));
  EXPECT_NEAR(parkAirports.front().position.latitude, 52.308, 1e-9);
  EXPECT_FALSE(lf_takeDestinationRequest()) << "taken once";

  // The last of two entries before the traffic thread looks wins.
  ASSERT_TRUE(enter(DESTINATION, "EDDF"));
  lf_newDestination("EHAM", LatLon{52.308, 4.764});
  ASSERT_TRUE(lf_takeDestinationRequest());
  EXPECT_EQ(parkAirports.front().code, FixedCode<4>("EHAM"));
  EXPECT_EQ(stored(DESTINATION), "EHAM");
}

TEST_F(Destination, BadEntriesAreAnsweredAndTheStoredCodeShownAgain) {
  ASSERT_TRUE(enter(DESTINATION, "EHAM"));
  lf_takeDestinationRequest();
  struct Row {
    std::string typed;
    std::string answer;
  };
  for (const Row& row : {Row{"EHA", "destination 'EHA' is not valid"},
                         Row{"EHAMX", "destination 'EHAMX' is not valid"},
                         Row{"EH-M", "destination 'EH-M' is not valid"},
                         Row{"eham", "destination 'EHAM' was already set ..."},
                         Row{"zzzz", "destination 'ZZZZ' is unknown ..."}}) {
    SCOPED_TRACE(row.typed);
    ASSERT_TRUE(enter(DESTINATION, row.typed));
    EXPECT_EQ(notice(), row.answer);
    EXPECT_TRUE(logged(row.answer + "\n"));
    EXPECT_EQ(window.text(DESTINATION.controlId), "EHAM");
    EXPECT_EQ(stored(DESTINATION), "EHAM");
  }
  EXPECT_FALSE(lf_takeDestinationRequest());
}

TEST_F(Destination, AnEmptyEntryClearsTheDestinationWithoutSavingAndAllowsReRead) {
  ASSERT_TRUE(enter(DESTINATION, "EHAM"));
  ASSERT_TRUE(enter(DESTINATION, ""));
  EXPECT_EQ(DESTINATION.current(), "");
  EXPECT_EQ(stored(DESTINATION), "EHAM") << "not saved here";
  EXPECT_TRUE(enabled(REREAD_BUTTON));
  EXPECT_EQ(notice(), "destination set to empty");
}

class InstallPath : public TextEntry {
protected:
  void SetUp() override {
    TextEntry::SetUp();
    packages = sandbox.log().folder() / "sim" / "Packages";
    fs::create_directories(packages / "Community");
    fs::create_directories(sandbox.log().folder() / "plain");
  }
  fs::path packages;
};

TEST_F(InstallPath, TheCommunityFolderOrItsParentStoresTheParentAndRestarts) {
  const std::string asTyped = packages.string();
  for (const std::string& typed : {asTyped + "/Community", asTyped + "/Community//", asTyped + "/community"}) {
    SCOPED_TRACE(typed);
    testsupport::resetControlFlags();
    MSFS_INSTALL_PATH.set("");
    ASSERT_TRUE(enter(ALL_INSTALL_PATH, typed));
    if (typed.ends_with("community")) {
      // Only where the file system ignores case is there such a folder.
      if (!fs::is_directory(typed)) continue;
    }
    EXPECT_EQ(stored(MSFS_INSTALL_PATH), asTyped);
    EXPECT_EQ(notice(), "Community path found, Gatewright will restart ...");
    EXPECT_EQ(exitReason.load(), ExitReason::NewSettings);
    EXPECT_EQ(restartDelaySeconds.load(), 3);
  }
  testsupport::resetControlFlags();
  ASSERT_TRUE(enter(ALL_INSTALL_PATH, asTyped));
  EXPECT_EQ(stored(MSFS_INSTALL_PATH), asTyped);
  EXPECT_TRUE(stopRequested.load());
  EXPECT_EQ(stored(MSFS_2024_INSTALL_PATH), "");
}

TEST_F(InstallPath, TheEditionInUseGetsThePathAndAConfirmedPathClearsTheError) {
  SimEdition.store(false);
  setStatusError("Error 150: No install path detected.");
  ASSERT_TRUE(enter(ALL_INSTALL_PATH, packages.string()));
  EXPECT_EQ(stored(MSFS_2024_INSTALL_PATH), packages.string());
  EXPECT_EQ(gf_messageLine().error(), "");
  EXPECT_EQ(notice(), "Community path found, Gatewright will restart ...");
}

TEST_F(InstallPath, PathsThatLeadNowhereAreAnsweredAndNothingIsStored) {
  MSFS_INSTALL_PATH.set("/kept");
  const std::string missing = (sandbox.log().folder() / "nowhere").string();
  const std::string plain = (sandbox.log().folder() / "plain").string();
  const fs::path fileNamedCommunity = sandbox.log().folder() / "odd" / "Community";
  fs::create_directories(fileNamedCommunity.parent_path());
  testsupport::SettingsSandbox::writeText(fileNamedCommunity, "not a folder");
  const std::pair<std::string, std::string> rows[] = {
      {missing, "This install path does not exist: " + missing},
      {plain, "This path exists but is not a path to Community ..."},
      {fileNamedCommunity.string(), "This path does not contain a valid Community folder (unexpected)."},
  };
  for (const auto& [typed, answer] : rows) {
    ASSERT_TRUE(enter(ALL_INSTALL_PATH, typed));
    EXPECT_EQ(notice(), answer);
    EXPECT_TRUE(logged(answer + "\n"));
    EXPECT_EQ(stored(MSFS_INSTALL_PATH), "/kept");
    EXPECT_EQ(window.text(ALL_INSTALL_PATH.controlId), typed) << "the box keeps the typed text";
  }
  EXPECT_FALSE(stopRequested.load());

  // An empty box forgets the stored path, without a restart.
  ASSERT_TRUE(enter(ALL_INSTALL_PATH, ""));
  EXPECT_EQ(stored(MSFS_INSTALL_PATH), "");
  EXPECT_FALSE(stopRequested.load());
}

TEST_F(TextEntry, EnterInADisabledBoxReachesNothing) {
  window.enable(DESTINATION.controlId, false);
  EXPECT_FALSE(enter(DESTINATION, "EHAM"));
  EXPECT_EQ(stored(DESTINATION), "<missing>");
}

TEST(LiveryTables, MarkedOnlyOnceUntilTheStartUpEmptiesThem) {
  liveriesProcessed.store(true);
  EXPECT_FALSE(gf_rebuildLiveryTablesIfMarked());
  EXPECT_TRUE(liveriesProcessed.load()) << "nothing marked, nothing to do";
  gf_markLiveryTablesForRebuild();
  EXPECT_FALSE(liveriesProcessed.load()) << "the next processing builds them";
  EXPECT_TRUE(gf_rebuildLiveryTablesIfMarked());
  EXPECT_FALSE(gf_rebuildLiveryTablesIfMarked());
}

} // namespace
} // namespace gwr
