// The program update end to end on the loopback web folder: the zip unpacked
// into new_version, the hand-over, and every archive that must be refused.
#include "app/new_version.h"

#include <algorithm>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "app/version_check.h"
#include "core/paths.h"
#include "core/settings_file.h"
#include "core/user_error.h"
#include "platform/sys/known_folders.h"
#include "support/settings_sandbox.h"
#include "support/updater_site.h"
#include "support/zip_fixture.h"

namespace gwr {
namespace {

namespace fs = std::filesystem;
using namespace testsupport;

const std::string zipRoute = "release/Gatewright/latest_version.zip";
const std::string notesRoute = "docs/ReleaseNotes.pdf";
const fs::path handedInstaller = fs::path("new_version") / "install_new_version.exe";
const std::string normalNotice =
    "A new version is available.\nThe installer can be executed normally (no Administrator rights required).";
const std::string adminNotice = "A new version is available. Run the installer as Administrator";

class NewVersion : public ::testing::Test {
protected:
  void SetUp() override {
    gf_saveParameters(false);
    site.serveVersions(fmt::format(R"({{"msfs_app":{}}})", versionJson(12, 6, 0)));
    site.serve(notesRoute, {200, "%PDF notes"});
  }
  void serveZip(const ZipEntries& entries) {
    writeZip("made.zip", entries);
    site.serve(zipRoute, {200, readBytes("made.zip")});
    fs::remove("made.zip");
  }
  void serveZipBytes(const std::string& bytes) { site.serve(zipRoute, {200, bytes}); }
  bool loggedPart(const std::string& part) { return sandbox.log().text().find(part) != std::string::npos; }
  // A refused update: error 112, nothing handed over, the run goes on.
  void expectRefused() {
    try {
      checkVersions();
      ADD_FAILURE() << "no user error";
    } catch (const UserErrorException& e) {
      EXPECT_STREQ(e.what(),
                   "112: The downloading/unzipping of the new version failed? Try manually via the Quillmere website");
    }
    EXPECT_FALSE(fs::exists(handedInstaller));
    EXPECT_FALSE(fs::exists(fs::path("new_version") / "README.txt"));
    EXPECT_TRUE(site.openedFolders.empty());
    EXPECT_FALSE(stopRequested.load());
    expectNoLeftovers();
  }
  static void expectNoLeftovers() {
    for (const char* left : {"latest_version.zip", "latest_version.zip.part", "install_new_version.exe",
                             "new_version.part"})
      EXPECT_FALSE(fs::exists(left)) << left;
  }

  SettingsSandbox sandbox;
  UpdaterSite site;
};

TEST_F(NewVersion, NewerProgramIsUnpackedHandedOverAndEndsTheRun) {
  serveZip({{"Gatewright-12.6.0-setup.exe", "INSTALLER BYTES"}});
  EXPECT_FALSE(checkVersions());
  EXPECT_EQ(readBytes(handedInstaller), "INSTALLER BYTES");
  EXPECT_EQ(readBytes(fs::path("new_version") / "ReleaseNotes.pdf"), "%PDF notes");
  EXPECT_EQ(readBytes(fs::path("new_version") / "README.txt"), normalNotice + "\n");
  ASSERT_EQ(site.openedFolders.size(), 1u);
  EXPECT_EQ(fs::canonical(site.openedFolders[0]), fs::canonical("new_version"));
  EXPECT_TRUE(site.messageBoxes.empty());
  EXPECT_TRUE(stopRequested.load());
  EXPECT_TRUE(loggedPart("msfs_app program version at web = 12.6.0\n"));
  EXPECT_TRUE(loggedPart("Downloaded latest_version.zip\n"));
  expectNoLeftovers();
  EXPECT_FALSE(site.requested("12/airports.enc")) << "the data members wait for the new program";
}

TEST_F(NewVersion, EveryFileOfTheArchiveKeepsItsOwnName) {
  serveZip({{"install_new_version.exe", "INSTALLER"}, {"docs/", ""}, {"docs/changes.txt", "CHANGES"},
            {"licence.txt", "LICENCE"}});
  EXPECT_FALSE(checkVersions());
  EXPECT_EQ(readBytes(handedInstaller), "INSTALLER");
  EXPECT_EQ(readBytes(fs::path("new_version") / "docs" / "changes.txt"), "CHANGES");
  EXPECT_EQ(readBytes(fs::path("new_version") / "licence.txt"), "LICENCE");
}

TEST_F(NewVersion, TheOnlyFileBelowADirectoryEntryIsTheInstaller) {
  serveZip({{"bin/", ""}, {"bin/setup.exe", "INSTALLER"}});
  EXPECT_FALSE(checkVersions());
  EXPECT_EQ(readBytes(handedInstaller), "INSTALLER");
}

TEST_F(NewVersion, EntriesThatWouldLeaveTheFolderAreNeverWritten) {
  const fs::path program = fs::current_path();
  const std::string absolute = (program / "absolute.txt").string();
  serveZip({{"../escaped.txt", "OUT"}, {"a/../../escaped2.txt", "OUT"}, {absolute, "OUT"},
            {"install_new_version.exe", "INSTALLER"}});
  EXPECT_FALSE(checkVersions());
  EXPECT_EQ(readBytes(handedInstaller), "INSTALLER");
  EXPECT_FALSE(fs::exists(program.parent_path() / "escaped.txt"));
  EXPECT_FALSE(fs::exists(program / "escaped.txt"));
  EXPECT_FALSE(fs::exists(program / "escaped2.txt"));
  EXPECT_FALSE(fs::exists(absolute));
  EXPECT_TRUE(loggedPart("Zip entry '../escaped.txt' refused"));
  EXPECT_TRUE(loggedPart("Zip entry '" + absolute + "' refused"));
}

TEST_F(NewVersion, OldInstallerIsReplacedAndOtherOldFilesOfNewVersionGo) {
  fs::create_directories("new_version");
  writeBytes(handedInstaller, "OLD INSTALLER");
  writeBytes(fs::path("new_version") / "old.txt", "OLD");
  serveZip({{"install_new_version.exe", "NEW INSTALLER"}});
  EXPECT_FALSE(checkVersions());
  EXPECT_EQ(readBytes(handedInstaller), "NEW INSTALLER");
  EXPECT_FALSE(fs::exists(fs::path("new_version") / "old.txt"));
}

TEST_F(NewVersion, FailedDownloadNeverHandsOverAnEarlierInstaller) {
  writeBytes("install_new_version.exe", "INSTALLER OF AN EARLIER RUN");
  writeZip("latest_version.zip", {{"install_new_version.exe", "INSTALLER OF AN EARLIER RUN"}});
  for (const LoopbackHttpServer::Route& route :
       {LoopbackHttpServer::Route{404, "gone"}, LoopbackHttpServer::Route{200, std::string(4000, 'z'), false, {}, true}}) {
    site.serve(zipRoute, route);
    expectRefused();
  }
  EXPECT_TRUE(loggedPart("Downloading program installer file version 12.6.0 failed\n"));
}

TEST_F(NewVersion, DamagedEmptyOrAmbiguousArchivesAreRefused) {
  writeCorruptZip("corrupt.zip", "install_new_version.exe");
  writeEmptyZip("empty.zip");
  writeZip("two.zip", {{"setup.exe", "A"}, {"other.exe", "B"}});
  writeZip("dirs.zip", {{"bin/", ""}});
  writeZip("escaping.zip", {{"../install_new_version.exe", "X"}});
  for (const char* zip : {"corrupt.zip", "empty.zip", "two.zip", "dirs.zip", "escaping.zip"}) {
    SCOPED_TRACE(zip);
    serveZipBytes(readBytes(zip));
    expectRefused();
  }
  serveZipBytes("this is no zip archive");
  expectRefused();
  EXPECT_TRUE(loggedPart("Could not open latest_version.zip"));
  EXPECT_TRUE(loggedPart("Unzipping error: install_new_version.exe: "));
}

TEST_F(NewVersion, MissingReleaseNotesOnlyWarn) {
  site.serve(notesRoute, {404, "gone"});
  serveZip({{"install_new_version.exe", "INSTALLER"}});
  EXPECT_FALSE(checkVersions());
  EXPECT_TRUE(loggedPart("==> could not download ReleaseNotes.pdf to new_version\n"));
  EXPECT_TRUE(fs::exists(fs::path("new_version") / "README.txt"));
}

TEST_F(NewVersion, FolderThatCannotBeOpenedIsReportedAndTheRunStillEnds) {
  site.openFolderSucceeds = false;
  serveZip({{"install_new_version.exe", "INSTALLER"}});
  EXPECT_FALSE(checkVersions());
  EXPECT_EQ(site.messageBoxes, std::vector<std::string>{"Could not open File Explorer at new version"});
  EXPECT_TRUE(loggedPart("Opening file explorer at the new version failed? Try manually via the Quillmere website.\n"));
  EXPECT_TRUE(stopRequested.load());
}

// A folder that does not exist cannot be written to, also for root.
TEST_F(NewVersion, NoticeAsksForAdministratorOnlyBelowProgramsWithoutWriteRights) {
  const fs::path programs = *platform::knownFolderPath(platform::KnownFolder::ProgramFiles);
  const fs::path programsX86 = *platform::knownFolderPath(platform::KnownFolder::ProgramFilesX86);
  const fs::path lookalike = programs.string() + "-lookalike";
  const fs::path writable = programs / "Gatewright";
  fs::create_directories(writable);
  struct Case {
    fs::path folder;
    bool elevated;
    const std::string& notice;
  };
  const Case cases[] = {
      {writable, false, normalNotice},
      {programs / "Locked", false, adminNotice},
      {programs / "Locked", true, normalNotice},
      {programsX86 / "Locked", false, adminNotice},
      {lookalike / "Locked", false, normalNotice},
      {fs::current_path() / "Locked", false, normalNotice},
  };
  for (const Case& c : cases) {
    platform::setElevatedForTests(c.elevated);
    EXPECT_EQ(gf_newVersionNotice(c.folder), c.notice) << c.folder << " elevated " << c.elevated;
  }
  EXPECT_FALSE(fs::exists(writable / ".write_test.tmp"));
}

} // namespace
} // namespace gwr
