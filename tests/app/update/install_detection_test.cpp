// Detection of the packages folder on installation trees laid out below the
// injected known folders, for both editions.
#include "app/update/install_detection.h"

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "core/paths.h"
#include "core/run_state.h"
#include "core/settings_catalogue.h"
#include "core/settings_file.h"
#include "platform/sys/known_folders.h"
#include "support/settings_sandbox.h"

namespace gwr {
namespace {

namespace fs = std::filesystem;
using namespace testsupport;

class InstallDetection : public ::testing::Test {
protected:
  void SetUp() override { useKnownRoot(sandbox.log().folder() / "known"); }
  void TearDown() override { SimEdition.store(true); }
  void useKnownRoot(const fs::path& root) {
    known = root;
    platform::setKnownFolderRootForTests(root);
    gf_resetPerUserPathsForTests();
    fs::create_directories(gf_perUserFolder());
    gf_saveParameters(false);
  }
  static fs::path makePackages(const fs::path& packages, const char* official) {
    fs::create_directories(packages / "Community");
    fs::create_directories(packages / official);
    return packages;
  }
  static void writeFile(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    SettingsSandbox::writeText(file, text);
  }
  fs::path storeUserCfg(const char* family = "Microsoft.FlightSimulator_8wekyb3d8bbwe") const {
    return known / "local" / "Packages" / family / "LocalCache" / "UserCfg.opt";
  }
  bool logged(const std::string& part) { return sandbox.log().text().find(part) != std::string::npos; }

  SettingsSandbox sandbox;
  fs::path known;
};

TEST_F(InstallDetection, SteamFolderOfEachEditionNeedsCommunityAndItsOfficialFolder) {
  const fs::path steam2020 = known / "roaming" / "Microsoft Flight Simulator" / "Packages";
  const fs::path steam2024 = makePackages(known / "roaming" / "Microsoft Flight Simulator 2024" / "Packages", "Official2024");
  makePackages(steam2020, "Official2024");  // Community, but not the official folder of 2020
  EXPECT_FALSE(gf_detectPackagesPath());
  EXPECT_EQ(MSFS_INSTALL_PATH.current(), "");
  fs::create_directories(steam2020 / "Official");
  ASSERT_TRUE(gf_detectPackagesPath());
  EXPECT_EQ(sandbox.storedValue("MSFS_INSTALL_PATH"), steam2020.string());
  EXPECT_EQ(ALL_INSTALL_PATH.current(), steam2020.string());
  EXPECT_TRUE(logged("Steam packages: " + steam2020.string() + "\n"));

  SimEdition.store(false);
  ASSERT_TRUE(gf_detectPackagesPath());
  EXPECT_EQ(sandbox.storedValue("MSFS_2024_INSTALL_PATH"), steam2024.string());
  EXPECT_EQ(ALL_INSTALL_PATH.current(), steam2024.string());
  EXPECT_EQ(sandbox.storedValue("MSFS_INSTALL_PATH"), steam2020.string());
}

TEST_F(InstallDetection, UserCfgCandidatesAreTriedInOrderAndMissingOnesLogged) {
  const fs::path candidates[] = {
      storeUserCfg(), known / "roaming" / "Microsoft Flight Simulator" / "UserCfg.opt",
      storeUserCfg("Microsoft.FlightDashboard_8wekyb3d8bbwe"), known / "local" / "MSFSPackages" / "UserCfg.opt"};
  EXPECT_EQ(gf_userCfgOptPath(), fs::path());
  for (int found = 3; found >= 0; --found) {
    writeFile(candidates[found], "");
    sandbox.log().mark();
    EXPECT_EQ(gf_userCfgOptPath(), candidates[found]);
    for (int before = 0; before < 4; ++before)
      EXPECT_EQ(logged("MSFS detection, not found: " + candidates[before].string() + "\n"), before < found);
  }
  SimEdition.store(false);
  writeFile(storeUserCfg("Microsoft.Limitless_8wekyb3d8bbwe"), "");
  EXPECT_EQ(gf_userCfgOptPath(), storeUserCfg("Microsoft.Limitless_8wekyb3d8bbwe"));
}

TEST_F(InstallDetection, InstalledPackagesPathLineQuotedUnquotedOrBroken) {
  const std::string path = makePackages(known / "Games" / "MSFS Packages", "Official").string();
  const std::tuple<const char*, std::string, std::string, bool> cases[] = {
      // what, UserCfg.opt, value logged, detected
      {"quoted", "Version 1\nInstalledPackagesPath \"" + path + "\"\n", path, true},
      {"CRLF", "Version 1\r\nInstalledPackagesPath \"" + path + "\"\r\n", path, true},
      {"unquoted", "InstalledPackagesPath " + path + "\n", "InstalledPackagesPath " + path, false},
      {"opening quote only", "InstalledPackagesPath \"" + path + "\n", "", false},
      {"missing folder", "InstalledPackagesPath \"D:\\MSFS\\Packages\"\n", "D:\\MSFS\\Packages", false},
      {"no such line", "Version 1\nInstalledPackages \"" + path + "\"\n", "???", false},
  };
  for (const auto& [what, text, value, detected] : cases) {
    writeFile(storeUserCfg(), text);
    MSFS_INSTALL_PATH.setCurrent("");
    sandbox.log().mark();
    EXPECT_EQ(gf_detectPackagesPath(), detected) << what;
    EXPECT_TRUE(logged("UserCfg.opt: InstalledPackagesPath=" + value + "\n")) << what;
    EXPECT_EQ(MSFS_INSTALL_PATH.current(), detected ? path : "") << what;
  }
}

TEST_F(InstallDetection, NamedFolderThatDoesNotExistIsReportedNotUsed) {
  writeFile(storeUserCfg(), "InstalledPackagesPath \"D:\\MSFS\\Packages\"\n");
  EXPECT_EQ(gf_installedPackagesPath(), fs::path());
  EXPECT_TRUE(logged("==> UserCfg.opt names a packages folder that does not exist: D:\\MSFS\\Packages\n"));
}

TEST_F(InstallDetection, NonAsciiUserFolderKeepsItsUtf8Path) {
  useKnownRoot(sandbox.log().folder() / "Users" / "J\xC3\xBCrgen \xC3\x98stby \xE6\x97\xA5\xE6\x9C\xAC");
  const std::string packages = makePackages(known / "local" / "Pak\xC3\xA8tes", "Official").string();
  writeFile(storeUserCfg(), "InstalledPackagesPath \"" + packages + "\"\n");
  ASSERT_TRUE(gf_detectPackagesPath());
  EXPECT_EQ(sandbox.storedValue("MSFS_INSTALL_PATH"), packages);
  EXPECT_EQ(ALL_INSTALL_PATH.current(), packages);
}

TEST_F(InstallDetection, OnlyTheTrailingCommunityPartIsCut) {
  const std::pair<std::string, std::string> cases[] = {
      {"C:\\MSFS\\Community", "C:\\MSFS"},
      {"\\Community", ""},
      {"Community", "Community"},
      {"/home/pilot/msfs/Community", "/home/pilot/msfs"},
      {"D:\\Community\\Packages\\Community", "D:\\Community\\Packages"},
      {"D:\\Community\\Packages", "D:\\Community\\Packages"},
      {"C:\\MyCommunity", "C:\\MyCommunity"},
      {"C:\\MSFS\\community", "C:\\MSFS\\community"},
  };
  for (const bool msfs2020 : {true, false}) {
    SimEdition.store(msfs2020);
    StringParameter& setting = msfs2020 ? MSFS_INSTALL_PATH : MSFS_2024_INSTALL_PATH;
    for (const auto& [stored, after] : cases) {
      setting.set(stored);
      gf_trimCommunityEnding();
      EXPECT_EQ(sandbox.storedValue(setting.key), after) << stored;
    }
  }
}

} // namespace
} // namespace gwr
