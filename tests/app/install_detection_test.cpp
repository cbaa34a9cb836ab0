// Detection of the simulator's packages folder on installation trees laid out
// below the injected known folders, for both editions.
#include "app/install_detection.h"

#include <algorithm>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "core/paths.h"
#include "core/run_state.h"
#include "core/settings_catalogue.h"
#include "core/settings_file.h"
#include "platform/sys/known_folders.h"
#include "platform/sys/native_path.h"
#include "support/settings_sandbox.h"

namespace gwr {
namespace {

namespace fs = std::filesystem;
using namespace testsupport;

const char* const storeFamily2020 = "Microsoft.FlightSimulator_8wekyb3d8bbwe";
const char* const storeFamily2024 = "Microsoft.Limitless_8wekyb3d8bbwe";

class InstallDetection : public ::testing::Test {
protected:
  void SetUp() override { useKnownRoot(sandbox.log().folder() / "known"); }
  void TearDown() override { SimEdition.store(true); }

  void useKnownRoot(const fs::path& root) {
    knownRoot = root;
    platform::setKnownFolderRootForTests(root);
    gf_resetPerUserPathsForTests();
    fs::create_directories(gf_perUserFolder());
    gf_saveParameters(false);
    sandbox.log().mark();
  }
  fs::path roaming() const { return knownRoot / "roaming"; }
  fs::path local() const { return knownRoot / "local"; }
  static fs::path makePackages(const fs::path& packages, const char* official) {
    fs::create_directories(packages / "Community");
    fs::create_directories(packages / official);
    return packages;
  }
  static void writeUserCfg(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    SettingsSandbox::writeText(file, text);
  }
  fs::path storeUserCfg(const char* family = storeFamily2020) const {
    return local() / "Packages" / family / "LocalCache" / "UserCfg.opt";
  }
  bool logged(const std::string& line) {
    const auto lines = sandbox.log().lines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }

  SettingsSandbox sandbox;
  fs::path knownRoot;
};

TEST_F(InstallDetection, SteamInstallationOfEitherEditionIsStoredForThatEdition) {
  const fs::path steam2020 = makePackages(roaming() / "Microsoft Flight Simulator" / "Packages", "Official");
  const fs::path steam2024 = makePackages(roaming() / "Microsoft Flight Simulator 2024" / "Packages", "Official2024");
  ASSERT_TRUE(gf_detectPackagesPath());
  EXPECT_EQ(MSFS_INSTALL_PATH.current(), steam2020.string());
  EXPECT_EQ(sandbox.storedValue("MSFS_INSTALL_PATH"), steam2020.string());
  EXPECT_EQ(ALL_INSTALL_PATH.current(), steam2020.string());
  EXPECT_TRUE(logged("Steam packages: " + steam2020.string()));

  SimEdition.store(false);
  ASSERT_TRUE(gf_detectPackagesPath());
  EXPECT_EQ(sandbox.storedValue("MSFS_2024_INSTALL_PATH"), steam2024.string());
  EXPECT_EQ(ALL_INSTALL_PATH.current(), steam2024.string());
  EXPECT_EQ(sandbox.storedValue("MSFS_INSTALL_PATH"), steam2020.string());
}

TEST_F(InstallDetection, PackagesFolderNeedsCommunityAndTheEditionsOfficialFolder) {
  const fs::path packages = roaming() / "Microsoft Flight Simulator" / "Packages";
  EXPECT_FALSE(gf_isValidPackagesPath({}));
  EXPECT_FALSE(gf_isValidPackagesPath(packages));
  fs::create_directories(packages / "Community");
  EXPECT_FALSE(gf_isValidPackagesPath(packages));
  fs::create_directories(packages / "Official2024");
  EXPECT_FALSE(gf_isValidPackagesPath(packages)) << "2020 needs \"Official\"";
  SimEdition.store(false);
  EXPECT_TRUE(gf_isValidPackagesPath(packages));
  SimEdition.store(true);
  SettingsSandbox::writeText(packages / "Official", "a file, not a folder");
  EXPECT_FALSE(gf_isValidPackagesPath(packages));
  EXPECT_FALSE(gf_detectPackagesPath());
  EXPECT_EQ(MSFS_INSTALL_PATH.current(), "");
}

TEST_F(InstallDetection, UserCfgCandidatesAreTriedInOrderAndMissingOnesLogged) {
  const fs::path candidates[] = {
      storeUserCfg(),
      roaming() / "Microsoft Flight Simulator" / "UserCfg.opt",
      local() / "Packages" / "Microsoft.FlightDashboard_8wekyb3d8bbwe" / "LocalCache" / "UserCfg.opt",
      local() / "MSFSPackages" / "UserCfg.opt",
  };
  EXPECT_EQ(gf_userCfgOptPath(), fs::path());
  for (const fs::path& candidate : candidates) EXPECT_TRUE(logged("MSFS detection, not found: " + candidate.string()));
  for (int found = 3; found >= 0; --found) {
    writeUserCfg(candidates[found], "");
    sandbox.log().mark();
    EXPECT_EQ(gf_userCfgOptPath(), candidates[found]);
    for (int before = 0; before < found; ++before)
      EXPECT_TRUE(logged("MSFS detection, not found: " + candidates[before].string()));
    EXPECT_EQ(sandbox.log().lines().size(), static_cast<std::size_t>(found));
  }
  SimEdition.store(false);
  writeUserCfg(storeUserCfg(storeFamily2024), "");
  EXPECT_EQ(gf_userCfgOptPath(), storeUserCfg(storeFamily2024));
}

TEST_F(InstallDetection, InstalledPackagesPathIsReadFromUserCfgLines) {
  const fs::path packages = makePackages(knownRoot / "Games" / "MSFS Packages", "Official");
  const std::string path = packages.string();
  struct Case {
    const char* what;
    std::string text;
    std::string loggedValue;  // after "UserCfg.opt: InstalledPackagesPath="
    bool detected;
  };
  const Case cases[] = {
      {"quoted", "Version 1\nInstalledPackagesPath \"" + path + "\"\n", path, true},
      {"quoted with CRLF", "Version 1\r\nInstalledPackagesPath \"" + path + "\"\r\n", path, true},
      {"unquoted", "InstalledPackagesPath " + path + "\n", "InstalledPackagesPath " + path, false},
      {"opening quote only", "InstalledPackagesPath \"" + path + "\n", "", false},
      {"opening quote at the end", "InstalledPackagesPath       \"\n", "", false},
      {"missing folder", "InstalledPackagesPath \"" + path + "-gone\"\n", path + "-gone", false},
  };
  for (const Case& c : cases) {
    writeUserCfg(storeUserCfg(), c.text);
    MSFS_INSTALL_PATH.setCurrent("");
    sandbox.log().mark();
    EXPECT_EQ(gf_detectPackagesPath(), c.detected) << c.what;
    EXPECT_TRUE(logged("UserCfg.opt: InstalledPackagesPath=" + c.loggedValue)) << c.what;
    EXPECT_EQ(MSFS_INSTALL_PATH.current(), c.detected ? path : "") << c.what;
  }
  writeUserCfg(storeUserCfg(), "Version 1\nInstalledPackages \"C:\\x\"\n");
  sandbox.log().mark();
  EXPECT_EQ(gf_installedPackagesPath(), fs::path());
  EXPECT_TRUE(logged("UserCfg.opt: InstalledPackagesPath=???"));
}

TEST_F(InstallDetection, NamedFolderThatDoesNotExistIsReportedNotUsed) {
  writeUserCfg(storeUserCfg(), "InstalledPackagesPath \"D:\\MSFS\\Packages\"\n");
  EXPECT_EQ(gf_installedPackagesPath(), fs::path());
  EXPECT_TRUE(logged("==> UserCfg.opt names a packages folder that does not exist: D:\\MSFS\\Packages"));
}

TEST_F(InstallDetection, NonAsciiUserFolderKeepsItsUtf8Path) {
  useKnownRoot(sandbox.log().folder() / "Users" / "J\xC3\xBCrgen \xC3\x98stby \xE6\x97\xA5\xE6\x9C\xAC");
  const fs::path packages = makePackages(local() / "Pak\xC3\xA8tes", "Official");
  writeUserCfg(storeUserCfg(), "InstalledPackagesPath \"" + platform::pathToUtf8(packages) + "\"\n");
  ASSERT_TRUE(gf_detectPackagesPath());
  EXPECT_EQ(MSFS_INSTALL_PATH.current(), platform::pathToUtf8(packages));
  EXPECT_EQ(sandbox.storedValue("MSFS_INSTALL_PATH"), platform::pathToUtf8(packages));
  EXPECT_TRUE(fs::is_directory(platform::pathFromUtf8(MSFS_INSTALL_PATH.current()) / "Community"));
}

TEST_F(InstallDetection, SteamComesBeforeUserCfg) {
  const fs::path steam = makePackages(roaming() / "Microsoft Flight Simulator" / "Packages", "Official");
  const fs::path other = makePackages(knownRoot / "other", "Official");
  writeUserCfg(storeUserCfg(), "InstalledPackagesPath \"" + other.string() + "\"\n");
  ASSERT_TRUE(gf_detectPackagesPath());
  EXPECT_EQ(MSFS_INSTALL_PATH.current(), steam.string());
  fs::remove(steam / "Official");
  ASSERT_TRUE(gf_detectPackagesPath());
  EXPECT_EQ(MSFS_INSTALL_PATH.current(), other.string());
}

TEST_F(InstallDetection, OnlyTheTrailingCommunityPartIsCut) {
  struct Case {
    std::string stored;
    std::string after;
  };
  const Case cases[] = {
      {"C:\\MSFS\\Community", "C:\\MSFS"},
      {"\\Community", ""},
      {"Community", "Community"},
      {"/home/pilot/msfs/Community", "/home/pilot/msfs"},
      {"D:\\Community\\Packages\\Community", "D:\\Community\\Packages"},
      {"D:\\Community\\Packages", "D:\\Community\\Packages"},
      {"C:\\MyCommunity", "C:\\MyCommunity"},
      {"C:\\MSFS\\community", "C:\\MSFS\\community"},
      {"C:\\MSFS\\Community\\", "C:\\MSFS\\Community\\"},
  };
  for (const bool msfs2020 : {true, false}) {
    SimEdition.store(msfs2020);
    StringParameter& setting = msfs2020 ? MSFS_INSTALL_PATH : MSFS_2024_INSTALL_PATH;
    for (const Case& c : cases) {
      setting.set(c.stored);
      gf_trimCommunityEnding();
      EXPECT_EQ(setting.current(), c.after) << c.stored;
      EXPECT_EQ(sandbox.storedValue(setting.key), c.after) << c.stored;
    }
  }
}

} // namespace
} // namespace gwr
