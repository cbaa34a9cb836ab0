// The program update on the loopback web folder: the zip unpacked into
// new_version, the hand-over, and every archive or download that is refused.
#include "app/update/new_version.h"

#include <chrono>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>
#include <unistd.h>

#include "app/update/refused_downloads.h"
#include "app/update/version_check.h"
#include "core/paths.h"
#include "core/exit_reason.h"
#include "core/user_error.h"
#include "platform/sys/known_folders.h"
#include "support/as_unprivileged.h"
#include "support/updater_site.h"
#include "support/zip_fixture.h"

namespace gwr {
namespace {

namespace fs = std::filesystem;
using namespace testsupport;

const std::string zipRoute = "release/Gatewright/latest_version.zip";
const fs::path handed = fs::path("new_version") / "install_new_version.exe";
const std::string normalNotice =
    "A new version is available.\nThe installer can be executed normally (no Administrator rights required).";
const std::string adminNotice = "A new version is available. Run the installer as Administrator";

class NewVersion : public ::testing::Test {
protected:
  void SetUp() override {
    site.serve("versions.json", {200, versionList("msfs_app", versionJson(12, 6, 0))});
    site.serve("docs/ReleaseNotes.pdf", {200, "%PDF notes"});
  }
  void serveZip(const ZipEntries& entries) {
    writeZip("made.zip", entries);
    site.serve(zipRoute, {200, readBytes("made.zip")});
    fs::remove("made.zip");
  }
  static void expectNoLeftovers() {
    for (const char* left : {"latest_version.zip", "latest_version.zip.part", "install_new_version.exe", "new_version.part"})
      EXPECT_FALSE(fs::exists(left)) << left;
  }
  UpdaterSite site;
};

TEST_F(NewVersion, NewerProgramIsUnpackedHandedOverAndEndsTheRun) {
  serveZip({{"Gatewright-12.6.0-setup.exe", "INSTALLER"}});
  EXPECT_FALSE(checkVersions());
  EXPECT_EQ(readBytes(handed), "INSTALLER");
  EXPECT_EQ(readBytes("new_version/ReleaseNotes.pdf"), "%PDF notes");
  EXPECT_EQ(readBytes("new_version/README.txt"), normalNotice + "\n");
  ASSERT_EQ(site.opened.size(), 1u);
  EXPECT_EQ(fs::canonical(site.opened[0]), fs::canonical("new_version"));
  EXPECT_TRUE(stopRequested.load());
  EXPECT_EQ(exitReason.load(), ExitReason::NewVersion);
  EXPECT_FALSE(site.requested("12/airports.enc")) << "data members wait for the new program";
  expectNoLeftovers();
}

TEST_F(NewVersion, EveryFileKeepsItsOwnNameAndEscapingEntriesAreNeverWritten) {
  const std::string absolute = (fs::current_path() / "absolute.txt").string();
  serveZip({{"install_new_version.exe", "INSTALLER"}, {"docs/", ""}, {"docs/changes.txt", "CHANGES"},
            {"../escaped.txt", "OUT"}, {"a/../../escaped.txt", "OUT"}, {absolute, "OUT"}});
  fs::create_directories("new_version");
  writeBytes("new_version/old.txt", "an earlier download");
  fs::create_directories("install_new_version.exe/held");  // an old installer that cannot go
  EXPECT_FALSE(checkVersions());
  EXPECT_TRUE(site.logged("Warning: could not remove old installer: "));
  EXPECT_EQ(readBytes(handed), "INSTALLER");
  EXPECT_EQ(readBytes("new_version/docs/changes.txt"), "CHANGES");
  EXPECT_FALSE(fs::exists("new_version/old.txt"));
  EXPECT_FALSE(fs::exists("escaped.txt"));
  EXPECT_FALSE(fs::exists(absolute));
  EXPECT_TRUE(site.logged("Zip entry '../escaped.txt' refused"));
  EXPECT_TRUE(site.logged("Zip entry '" + absolute + "' refused"));

  serveZip({{"bin/", ""}, {"bin/setup.exe", "ONLY FILE"}});  // the only file is the installer
  stopRequested.store(false);  // a later start: the hand-over above ended its run
  exitReason.store(ExitReason::NotYetSet);
  EXPECT_FALSE(checkVersions());
  EXPECT_EQ(readBytes(handed), "ONLY FILE");
}

// Nothing of an earlier attempt is handed over when this run's download or
// unpacking fails: error 112, and the run goes on. A zip the site sent too
// large or unusable is not fetched again for that version, and the log names
// where that is remembered; a failure that may pass is tried again.
TEST_F(NewVersion, FailedDownloadsAndBadArchivesAreRefused) {
  writeCorruptZip("corrupt.zip", "install_new_version.exe");
  writeEmptyZip("empty.zip");
  writeZip("two.zip", {{"setup.exe", "A"}, {"other.exe", "B"}});
  writeZip("dirs.zip", {{"bin/", ""}});
  writeZip("escaping.zip", {{"../install_new_version.exe", "X"}});
  writeBytes("nozip.zip", "this is no zip archive");
  gf_setInstallerLimit(1024 * 1024);
  writeZip("bomb.zip", {{"install_new_version.exe", std::string(2 * 1024 * 1024, '\0')}});
  const fs::path memory = gf_perUserFolder() / refusedDownloadsFileName;
  const struct {
    const char* what;
    LoopbackHttpServer::Route route;
    bool refused;
  } cases[] = {
      {"unpacks beyond an installer's size", {200, readBytes("bomb.zip")}, true},
      {"404", {404, "gone"}, false},
      {"cut short", {200, readBytes("two.zip"), false, true}, false},
      {"corrupt", {200, readBytes("corrupt.zip")}, false},
      {"empty", {200, readBytes("empty.zip")}, true},
      {"two files, no installer", {200, readBytes("two.zip")}, true},
      {"directory only", {200, readBytes("dirs.zip")}, true},
      {"escaping only", {200, readBytes("escaping.zip")}, true},
      {"no zip", {200, readBytes("nozip.zip")}, true},
  };
  for (const auto& [what, route, refused] : cases) {
    SCOPED_TRACE(what);
    fs::remove(memory);
    const std::size_t logStart = site.log().text().size();
    const auto loggedInRow = [&](const std::string& line) {
      return site.log().text().find(line, logStart) != std::string::npos;
    };
    writeZip("latest_version.zip", {{"install_new_version.exe", "OF AN EARLIER RUN"}});
    writeBytes("install_new_version.exe", "OF AN EARLIER RUN");
    site.serve(zipRoute, route);
    try {
      checkVersions();
      ADD_FAILURE() << "no user error";
    } catch (const UserErrorException& e) {
      EXPECT_STREQ(e.what(), "112: The downloading/unzipping of the new version failed? Try manually via the "
                             "Quillmere website");
    }
    EXPECT_FALSE(fs::exists(handed));
    EXPECT_FALSE(fs::exists("new_version/README.txt"));
    EXPECT_TRUE(site.opened.empty());
    EXPECT_FALSE(stopRequested.load());
    expectNoLeftovers();
    EXPECT_EQ(loggedInRow(fmt::format("latest_version.zip 12.6.0 refused: not fetched again until a newer version "
                                      "(remembered in {})\n",
                                      memory.string())),
              refused);
    const auto asked = site.server.requests().size();
    if (refused) {
      EXPECT_TRUE(checkVersions()) << "the run goes on with this version";
      EXPECT_EQ(site.server.requests().size(), asked + 1) << "only versions.json";
      EXPECT_TRUE(loggedInRow("latest_version.zip 12.6.0 not fetched: it was refused before (remove its line from " +
                              memory.string() + " to try again)\n"));
    } else {
      EXPECT_THROW(checkVersions(), UserErrorException);
    }
  }
  EXPECT_TRUE(site.logged("Downloading program installer file version 12.6.0 failed\n"));
  EXPECT_TRUE(site.logged("Unzipping error code: 7\n")) << "libzip's CRC error of the corrupt entry";
  EXPECT_TRUE(site.logged("Zip entry 'install_new_version.exe' not unpacked: "));
  EXPECT_TRUE(site.logged("new_version/install_new_version.exe does not exists?\n"));
  EXPECT_TRUE(site.logged("Zip entry 'install_new_version.exe' refused: the archive unpacks to more than 1048576 bytes"));
  gf_setInstallerLimit(installerLimitBytes);
}

// On a run as root in a program folder the user may write, the user's link
// put again and again at the staging folder's name leads no folder or file of
// the update into root's private folder: refused with its line, error 112.
TEST_F(NewVersion, AStagingFolderThatIsAnotherUsersLinkIsRefused) {
  if (::geteuid() != 0) GTEST_SKIP() << "another user needs root to act as";
  const fs::path roots = fs::absolute("roots");
  fs::create_directory(roots);
  fs::permissions(roots, fs::perms::owner_all);
  fs::permissions(".", fs::perms::all);
  // Sent slowly: the user puts the link back while the zip comes.
  writeZip("made.zip", {{"Gatewright-12.6.0-setup.exe", "INSTALLER"}});
  site.serve(zipRoute, {.body = readBytes("made.zip"), .trickleEvery = std::chrono::milliseconds(10), .trickleBytes = 32});
  fs::remove("made.zip");
  const std::string rootsText = roots.string();
  const OtherUserLoop user(nobodyUserId, 0, [&] { ::symlink(rootsText.c_str(), "new_version.part"); });
  ASSERT_TRUE(user.started());
  while (!fs::is_symlink("new_version.part")) {
  }
  EXPECT_THROW(checkVersions(), UserErrorException);
  EXPECT_TRUE(fs::is_empty(roots));
  EXPECT_TRUE(site.logged("new_version.part not made: its link leads to another user's file\n")) << site.log().text();
  EXPECT_FALSE(fs::exists(handed));
}

TEST_F(NewVersion, MissingNotesAndAFolderThatWillNotOpenOnlyWarn) {
  site.serve("docs/ReleaseNotes.pdf", {404, "gone"});
  site.openSucceeds = false;
  serveZip({{"install_new_version.exe", "INSTALLER"}});
  EXPECT_FALSE(checkVersions());
  EXPECT_TRUE(site.logged("==> could not download ReleaseNotes.pdf to new_version\n"));
  EXPECT_EQ(site.messageBoxes, std::vector<std::string>{"Could not open File Explorer at new version"});
  EXPECT_TRUE(site.logged("Opening file explorer at the new version failed? Try manually via the Quillmere website.\n"));
  EXPECT_TRUE(fs::exists("new_version/README.txt"));
  EXPECT_TRUE(stopRequested.load());
}

// A folder that does not exist cannot be written to, also for root.
TEST_F(NewVersion, NoticeAsksForAdministratorOnlyBelowProgramsWithoutWriteRights) {
  const fs::path programs = *platform::knownFolderPath(platform::KnownFolder::ProgramFiles);
  const fs::path x86 = *platform::knownFolderPath(platform::KnownFolder::ProgramFilesX86);
  fs::create_directories(programs / "Gatewright");
  const std::tuple<fs::path, bool, const std::string&> cases[] = {
      {programs / "Gatewright", false, normalNotice},        {programs / "Locked", false, adminNotice},
      {programs / "Locked", true, normalNotice},             {x86 / "Locked", false, adminNotice},
      {programs.string() + "-lookalike/Locked", false, normalNotice}, {"Locked", false, normalNotice},
  };
  for (const auto& [folder, elevated, notice] : cases) {
    platform::setElevatedForTests(elevated);
    EXPECT_EQ(gf_newVersionNotice(folder), notice) << folder << " elevated " << elevated;
  }
  EXPECT_FALSE(fs::exists(programs / "Gatewright" / ".write_test.tmp"));
}

} // namespace
} // namespace gwr
