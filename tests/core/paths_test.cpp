// Tests of the folder layout: the per-user folder below the roaming
// application data folder, and opening it in the desktop shell.
#include "core/paths.h"

#include <fstream>

#include <gtest/gtest.h>

#include "platform/sys/known_folders.h"
#include "platform/sys/shell.h"
#include "support/log_capture.h"

namespace gwr {
namespace {

using Box = std::pair<std::string, std::string>;  // text, caption
using Folders = std::vector<std::filesystem::path>;

// In a temporary working folder with the log open; the shell's calls are recorded.
class Paths : public ::testing::Test {
 protected:
  void SetUp() override {
    gf_resetPerUserPathsForTests();
    platform::setShellHooksForTests(
        {[this](const std::filesystem::path& folder) { return opened.push_back(folder), true; },
         [this](const std::string& text, const std::string& caption) { boxes.emplace_back(text, caption); }});
  }
  void TearDown() override {
    platform::setShellHooksForTests({});
    platform::setKnownFolderRootForTests({});
    gf_resetPerUserPathsForTests();
  }

  testsupport::LogCapture log;
  Folders opened;
  std::vector<Box> boxes;
};

TEST_F(Paths, ParametersFolderIsTheRoamingFoldersGatewrightOrABox) {
  platform::setKnownFolderRootForTests(log.folder() / "known");
  const auto roaming = platform::knownFolderPath(platform::KnownFolder::RoamingAppData);
  EXPECT_EQ(gf_parametersFile(), roaming.value() / "Gatewright" / "parameters.xml");
  EXPECT_FALSE(gf_openParametersFolder());
  std::filesystem::create_directories(gf_perUserFolder());
  std::ofstream(gf_parametersFile()) << "x";
  EXPECT_TRUE(gf_openParametersFolder());
  EXPECT_EQ(opened, Folders{*roaming / "Gatewright"});
  EXPECT_EQ(boxes, (std::vector<Box>{{"Could not open folder with parameters.xml", "GWRT"}}));
  EXPECT_TRUE(log.lines().empty());
}

} // namespace
} // namespace gwr
