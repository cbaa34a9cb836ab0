// The start-up's data steps in a program folder with the real data files: the
// packages folder (a trailing Community part, detection) and when the
// liveries are scanned. Error 150 is the whole run's (program_run).
#include "app/run/startup.h"

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>

#include "core/download.h"
#include "core/file_maintenance.h"
#include "core/paths.h"
#include "core/settings_catalogue.h"
#include "core/status_line.h"
#include "pkggen/package_tree.h"
#include "support/as_unprivileged.h"
#include "support/encrypted_fixture.h"
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

// The liveries are scanned when the setting asks for it or no stored result
// exists, and only then.
TEST_F(StartUpInstallPath, TheLiveryScanRunsWhenAskedOrWithoutAStoredResult) {
  const fs::path packages = sandbox.log().folder() / "sim";
  pkggen::gf_generatePackageTree(
      {.packagesFolder = packages, .dbaseXml = GWR_SOURCE_DIR "/data/dbase/dbase.xml", .cfgFiles = 2, .liveriesPerCfg = 2});
  const std::string install = R"(<parameter name="MSFS_INSTALL_PATH" value=")" + packages.string() + R"("/>)";
  startWith(install);  // its result is the stored one of the cases
  fs::copy_file(liveriesScannedFile, "stored.xml");
  for (const auto& [setting, stored, scans] : {std::tuple{true, true, true}, {false, false, true}, {false, true, false}}) {
    fs::remove(liveriesScannedFile);
    if (stored) fs::copy_file("stored.xml", liveriesScannedFile);
    sandbox.log().mark();
    startWith(install + R"(<parameter name="SCAN_LIVERIES" value=")" + (setting ? "true" : "false") + R"("/>)");
    EXPECT_EQ(logged("+ liveries scan "), scans) << setting << stored;
  }
}

// The start-up clean-up takes only the temporaries the program's own saves
// and downloads leave beside the files they write; the user's files that look
// alike stay.
TEST(StartUpFolders, TheCleanUpRemovesOnlyTheSavesOwnTemporaries) {
  SettingsSandbox sandbox;
  const std::string shape = ".00007f3a2b1c4d00-7.tmp";
  const struct {
    fs::path file;
    bool removed;
  } rows[] = {
      {gf_temporaryPathFor(gf_parametersFile()), true},
      {gf_temporaryPathFor(liveriesScannedFile), true},
      {gf_temporaryPathFor(myParkAirportsFile), true},
      {gf_temporaryPathFor(myThirdpartyFolder / "EDDF.xml"), true},
      {gf_temporaryPathFor(mySimaddonFolder / "LOWW.xml"), true},
      {gf_temporaryPathFor(learnedStockFolder / "EHAM.xml"), true},
      {learnedSimaddonFolder / ("KJFK.xml" + shape), true},
      {learnedThirdpartyFolder / "Orbx" / ("EGLL.xml" + shape), true},
      {myThirdpartyFolder / "EDDF.xml.2024-05.tmp", false},
      {gf_perUserFolder() / "ideas.cafe-1.tmp", false},
      {airportsFolder / "ideas.cafe-1.tmp", false},
      {myThirdpartyFolder / ("notes.txt" + shape), false},
      {mySimaddonFolder / ("eddf.xml" + shape), false},
      {myThirdpartyFolder / "sub" / ("EDDF.xml" + shape), false},
      {learnedThirdpartyFolder / "Orbx" / "old" / ("EGLL.xml" + shape), false},
      {airportsFolder / ("EDDF.xml" + shape), false},
      {infoFolder / ("AirportsScanLog.txt" + shape), false},
      {inputFolder / ("airports.enc" + shape), false},
      {fs::path("parameters.xml" + shape), false},
      {gf_perUserFolder() / ("LiveriesScanned.xml" + shape), false},
      // What a kill during a download leaves beside what the updater fetches.
      {"input/airports.enc.download", true},
      {"input/dbase.enc.download.part", true},
      {"input/AIG-regcodes.enc.download", true},
      {"latest_version.zip.part", true},
      {"new_version/ReleaseNotes.pdf.part", true},
      {"versions.json.part", true},
      {"input/airports.enc.part", false},
      {"input/notes.download", false},
      {"input/latest_version.zip.part", false},
      {"ReleaseNotes.pdf.part", false},
      {"new_version/Other.pdf.part", false},
      {"latest_version.zip", false},
  };
  for (const auto& row : rows) {
    fs::create_directories(row.file.parent_path().empty() ? "." : row.file.parent_path());
    SettingsSandbox::writeText(row.file, "user's");
  }
  lf_maintainFolders();
  std::size_t kept = 0;
  for (const auto& row : rows) {
    EXPECT_EQ(fs::exists(row.file), !row.removed) << row.file;
    kept += fs::exists(row.file) ? 1 : 0;
  }
  EXPECT_EQ(kept, 18U);
}

// On a run as root, the user's links "airports" and "output" lead the start's
// folders and its removal of the object list only into the user's own
// folders: into root's they are refused with their line, and root's folder
// keeps what it holds.
TEST(StartUpFolders, AnotherUsersLinksAtTheFoldersLeadOnlyIntoTheirOwn) {
  if (::geteuid() != 0) GTEST_SKIP() << "another user's link needs root to make";
  SettingsSandbox sandbox;
  const fs::path roots = fs::absolute("roots");
  const fs::path users = fs::absolute("users");
  for (const bool toRoots : {true, false}) {
    SCOPED_TRACE(toRoots ? "into root's folder" : "into the user's folder");
    for (const fs::path& folder : {roots, users}) {
      fs::remove_all(folder);
      fs::create_directories(folder / "info");
      SettingsSandbox::writeText(folder / "info" / "ObjectIdList.txt", "1 2 3");
    }
    fs::permissions(roots, fs::perms::owner_all);
    for (const fs::path& mine : {users, users / "info", users / "info" / "ObjectIdList.txt"})
      ASSERT_EQ(::chown(mine.c_str(), nobodyUserId, 0), 0);
    for (const fs::path& link : {airportsFolder, outputFolder}) {
      fs::remove_all(link);
      fs::create_directory_symlink(toRoots ? roots : users, link);
      ASSERT_EQ(::lchown(link.c_str(), nobodyUserId, 0), 0);
    }
    sandbox.log().mark();
    if (toRoots) {
      EXPECT_THROW(lf_maintainFolders(), fs::filesystem_error);
      const std::vector<std::string> kept{"ObjectIdList.txt"};
      EXPECT_EQ(namesInFolder(roots / "info"), kept);
      EXPECT_EQ(namesInFolder(roots), std::vector<std::string>{"info"});
      EXPECT_NE(sandbox.log().text().find("not made: its link leads to another user's file"), std::string::npos)
          << sandbox.log().text();
    } else {
      lf_maintainFolders();
      EXPECT_FALSE(fs::exists(users / "info" / "ObjectIdList.txt"));
      EXPECT_TRUE(fs::is_directory(users / "learned" / "stock"));
      EXPECT_TRUE(fs::is_directory(users / "errors"));
    }
  }
}

} // namespace
} // namespace gwr
