// The lost-simulator handler: another edition answering switches the
// configured edition and restarts; a closed simulator ends the run; a run
// already stopping keeps its reason.
#include "app/run/sim_disconnect.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>

#include "core/exit_reason.h"
#include "core/paths.h"
#include "core/run_state.h"
#include "core/settings_catalogue.h"
#include "liveries/livery_processing.h"
#include "support/log_capture.h"
#include "support/settings_sandbox.h"

namespace gwr {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

class SimDisconnectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetRun();
    fs::create_directories(outputFolder);
    testsupport::SettingsSandbox::writeText(liveriesScannedFile, "<root/>");
    ALL_INSTALL_PATH.setCurrent("/sim/Community");
    MYSIMADDON24_VERSION.setCurrent("1.2.3");
    liveriesProcessed.store(true);
  }
  void TearDown() override {
    resetRun();
    SimEdition.store(true);
  }
  static void resetRun() {
    stopRequested.store(false);
    exitReason.store(ExitReason::NotYetSet);
    restartDelaySeconds.store(0);
  }

  testsupport::WorkingFolder workingFolder;
  testsupport::SettingsSandbox sandbox;
};

TEST_F(SimDisconnectTest, TheOtherEditionAnsweringSwitchesTheEditionAndRestarts) {
  const struct {
    bool runOn2020;
    const char* newChoice;
    const char* addonVersionAfter;
  } rows[] = {{true, "MSFS 2024", "1.2.3"}, {false, "MSFS 2020", ""}};
  for (const auto& row : rows) {
    SetUp();
    SimEdition.store(row.runOn2020);
    SCAN_LIVERIES.setCurrent(false);
    SCAN_AIRPORTS.setCurrent(false);

    gf_handleSimDisconnect(true);

    EXPECT_EQ(SIM_CHOICE.current(), row.newChoice);
    EXPECT_EQ(sandbox.storedValue("SIM_CHOICE"), row.newChoice);
    EXPECT_EQ(sandbox.storedValue("SCAN_LIVERIES"), "true");
    EXPECT_EQ(sandbox.storedValue("SCAN_AIRPORTS"), "true");
    EXPECT_EQ(MYSIMADDON24_VERSION.current(), row.addonVersionAfter);
    EXPECT_EQ(ALL_INSTALL_PATH.current(), "");
    EXPECT_FALSE(fs::exists(liveriesScannedFile));
    EXPECT_FALSE(liveriesProcessed.load());
    EXPECT_EQ(exitReason.load(), ExitReason::NewSettings);
    EXPECT_EQ(restartDelaySeconds.load(), 3);
    EXPECT_NE(sandbox.log().text().find("Switching MSFS version in Gatewright"), std::string::npos);
    resetRun();
  }
}

// A scan result that cannot be removed ends the handler before anything is
// switched: the edition stays as it was.
TEST_F(SimDisconnectTest, AFailedSwitchKeepsTheEditionAsItWas) {
  fs::remove(liveriesScannedFile);
  fs::create_directories(liveriesScannedFile / "in the way");
  EXPECT_THROW(gf_handleSimDisconnect(true), fs::filesystem_error);
  EXPECT_EQ(std::pair(SIM_CHOICE.current(), sandbox.storedValue("SIM_CHOICE")), std::pair("MSFS 2020"s, "MSFS 2020"s));
  EXPECT_FALSE(stopRequested.load());
}

TEST_F(SimDisconnectTest, AClosedSimulatorEndsTheRunWithoutRestart) {
  gf_handleSimDisconnect(false);
  EXPECT_TRUE(stopRequested.load());
  EXPECT_EQ(exitReason.load(), ExitReason::SimWasClosed);
  EXPECT_EQ(restartDelaySeconds.load(), 0);
  EXPECT_NE(sandbox.log().text().find("Flight Simulator no longer connected, Gatewright will stop ..."),
            std::string::npos);
  EXPECT_TRUE(fs::exists(liveriesScannedFile));
}

TEST_F(SimDisconnectTest, ARunAlreadyStoppingIsLeftAsItIs) {
  ASSERT_TRUE(gf_requestStop(ExitReason::ReaderError, 15));
  for (const bool otherEdition : {true, false}) gf_handleSimDisconnect(otherEdition);
  EXPECT_EQ(exitReason.load(), ExitReason::ReaderError);
  EXPECT_EQ(SIM_CHOICE.current(), "MSFS 2020");
  EXPECT_TRUE(fs::exists(liveriesScannedFile));
}

} // namespace
} // namespace gwr
