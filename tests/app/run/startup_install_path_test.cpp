// The start-up's packages folder in a program folder with the real data
// files: a trailing Community part, detection, and error 150.
#include "app/run/startup.h"

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "core/download.h"
#include "core/settings_catalogue.h"
#include "core/status_line.h"
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
    // Nothing listens there: the update check gives up at once.
    gf_setDownloadFolderUrl("http://127.0.0.1:9/");
  }
  // The empty package trees end these runs later, in the livery scan.
  void startWith(const std::string& entries) {
    sandbox.writeFile(R"(<root><parameters><parameter name="PROGRAM_VERSION" value="12.5.5"/>)" + entries +
                      "</parameters></root>");
    try {
      lf_startUpData();
    } catch (const std::exception& e) {
      setStatusError(e.what());
    }
  }
  bool logged(const std::string& part) { return sandbox.log().text().find(part) != std::string::npos; }

  SettingsSandbox sandbox;
};

TEST_F(StartUpInstallPath, NoPathStoredOrDetectedEndsTheRunWithError150) {
  startWith("");
  EXPECT_TRUE(logged(
      "Error 150: No install path detected. Type the full path to your Community folder above, then press Enter\n"));
}

TEST_F(StartUpInstallPath, DetectedOrCutBackPathIsStoredAndShown) {
  const fs::path steam = sandbox.log().folder() / "known" / "roaming" / "Microsoft Flight Simulator" / "Packages";
  fs::create_directories(steam / "Community");
  fs::create_directories(steam / "Official");
  startWith("");
  EXPECT_FALSE(logged("Error 150"));
  EXPECT_EQ(sandbox.storedValue("MSFS_INSTALL_PATH"), steam.string());
  EXPECT_EQ(ALL_INSTALL_PATH.current(), steam.string());

  startWith(R"(<parameter name="MSFS_INSTALL_PATH" value="/sim/packages/Community"/>)");
  EXPECT_EQ(sandbox.storedValue("MSFS_INSTALL_PATH"), "/sim/packages");
  EXPECT_EQ(ALL_INSTALL_PATH.current(), "/sim/packages");
}

} // namespace
} // namespace gwr
