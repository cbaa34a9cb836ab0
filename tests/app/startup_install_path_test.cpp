// The start-up's handling of the packages folder in a program folder with the
// real data files: a trailing Community part, detection, and error 150.
#include "app/startup.h"

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "core/paths.h"
#include "core/run_state.h"
#include "core/settings_catalogue.h"
#include "platform/sys/known_folders.h"
#include "support/settings_sandbox.h"

namespace gwr {
namespace {

namespace fs = std::filesystem;
using namespace testsupport;

class StartUpInstallPath : public ::testing::Test {
protected:
  void SetUp() override {
    fs::create_directories("docs");
    fs::copy(GWR_PROGRAM_INPUT_DIR, "input", fs::copy_options::recursive);
  }
  void TearDown() override {
    stopRequested.store(false);
    quitRequested.store(false);
  }
  void storeSettings(const std::string& entries) {
    sandbox.writeFile(R"(<root><parameters><parameter name="PROGRAM_VERSION" value="12.5.5"/>)" + entries +
                      "</parameters></root>");
  }
  bool loggedPart(const std::string& part) { return sandbox.log().text().find(part) != std::string::npos; }
  fs::path steamPackages() {
    return sandbox.log().folder() / "known" / "roaming" / "Microsoft Flight Simulator" / "Packages";
  }

  SettingsSandbox sandbox;
};

TEST_F(StartUpInstallPath, NoStoredAndNoDetectedPathEndsTheRunWithError150) {
  storeSettings("");
  EXPECT_FALSE(lf_startUpGWRT());
  EXPECT_TRUE(loggedPart(
      "Error 150: No install path detected. Type the full path to your Community folder above, then press Enter\n"));
}

TEST_F(StartUpInstallPath, DetectedSteamFolderIsStoredAndShown) {
  fs::create_directories(steamPackages() / "Community");
  fs::create_directories(steamPackages() / "Official");
  storeSettings("");
  lf_startUpGWRT();  // the empty package tree ends the run later, in the livery scan
  EXPECT_FALSE(loggedPart("Error 150"));
  EXPECT_EQ(sandbox.storedValue("MSFS_INSTALL_PATH"), steamPackages().string());
  EXPECT_EQ(ALL_INSTALL_PATH.current(), steamPackages().string());
}

TEST_F(StartUpInstallPath, StoredCommunityFolderIsCutBackToThePackagesFolder) {
  const std::string packages = (sandbox.log().folder() / "sim").string();
  storeSettings(R"(<parameter name="MSFS_INSTALL_PATH" value=")" + packages + R"(/Community"/>)");
  lf_startUpGWRT();
  EXPECT_EQ(sandbox.storedValue("MSFS_INSTALL_PATH"), packages);
  EXPECT_EQ(ALL_INSTALL_PATH.current(), packages);
}

} // namespace
} // namespace gwr
