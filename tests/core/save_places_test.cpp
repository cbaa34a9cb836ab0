// Saves meet what others may put where they write: things at the temporary's
// name, links made by another user, and folders of another user.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "core/atomic_save.h"
#include "core/file_maintenance.h"
#include "core/text_files.h"
#include "support/as_unprivileged.h"
#include "support/encrypted_fixture.h"
#include "support/log_capture.h"

namespace gwr {
namespace {

namespace fs = std::filesystem;

constexpr uid_t otherUser = 4321;
constexpr gid_t otherGroup = 5432;

// The name the next save of file on this thread gives its temporary.
fs::path lf_nextTemporaryOf(const fs::path& file) {
  const std::string seen = gf_temporaryPathFor(file).string();
  const std::size_t dash = seen.rfind('-');
  return seen.substr(0, dash + 1) + std::to_string(std::stoul(seen.substr(dash + 1)) + 1) + ".tmp";
}

struct StatOf {
  uid_t uid = 0;
  gid_t gid = 0;
};
StatOf lf_ownerOf(const fs::path& path) {
  struct stat found {};
  EXPECT_EQ(::lstat(path.c_str(), &found), 0) << path;
  return {found.st_uid, found.st_gid};
}

// Whatever stands at the temporary's name is taken away, never opened: no
// other file gets the new text or loses its own, and no pipe holds the save.
TEST(SavePlaces, NothingAtTheTemporarysNameIsWrittenThrough) {
  const testsupport::TempFolder folder;
  const fs::path victim = folder.path() / "victim.txt";
  const struct Row {
    const char* what;
    std::function<void(const fs::path& temporary)> plant;
    bool saved;
  } rows[] = {
      {"a link to another file", [&victim](const fs::path& t) { fs::create_symlink(victim, t); }, true},
      {"a second name of another file", [&victim](const fs::path& t) { fs::create_hard_link(victim, t); }, true},
      {"a named pipe", [](const fs::path& t) { ASSERT_EQ(::mkfifo(t.c_str(), 0600), 0); }, true},
      {"a folder", [](const fs::path& t) { fs::create_directory(t); }, false},
  };
  for (const bool present : {true, false}) {
    for (const Row& row : rows) {
      SCOPED_TRACE(std::string(row.what) + (present ? ", replacing a file" : ", making a new file"));
      std::ofstream(victim, std::ios::trunc) << "victim";
      const fs::path file = folder.path() / "saved.txt";
      fs::remove(file);
      if (present) std::ofstream(file) << "old";
      row.plant(lf_nextTemporaryOf(file));
      std::string cause;
      EXPECT_EQ(gf_replaceTextLines({"new"}, file, cause), row.saved) << cause;
      EXPECT_EQ(testsupport::readBytes(victim), "victim");
      EXPECT_EQ(fs::is_regular_file(fs::symlink_status(file)), row.saved || present);
      if (row.saved || present) {
        EXPECT_EQ(testsupport::readBytes(file), row.saved ? "new\n" : "old");
      }
      for (const auto& entry : fs::directory_iterator(folder.path()))
        if (entry.path() != victim && entry.path() != file) fs::remove_all(entry.path());
    }
  }
}

// A temporary whose name is given to something else while its text is being
// written is not renamed into the file's place: the file keeps its old text.
TEST(SavePlaces, ATemporarySwappedWhileWrittenIsNotRenamedIntoPlace) {
  const testsupport::TempFolder folder;
  const fs::path victim = folder.path() / "victim.txt";
  std::ofstream(victim) << "victim";
  const fs::path file = folder.path() / "saved.txt";
  const struct Row {
    const char* what;
    std::function<void(const fs::path& temporary)> swap;
    bool saved;
  } rows[] = {
      {"left as made", [](const fs::path&) {}, true},
      {"swapped for a link", [&victim](const fs::path& t) { fs::remove(t), fs::create_symlink(victim, t); }, false},
      {"swapped for another file", [](const fs::path& t) { fs::remove(t), std::ofstream(t) << "other"; }, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    std::ofstream(file, std::ios::trunc) << "old";
    const fs::path temporary = lf_nextTemporaryOf(file);
    std::string cause;
    const bool saved = gf_saveAtomically(
        file, [&](std::FILE* out, std::string&) { return std::fputs("new", out) >= 0 && (row.swap(temporary), true); },
        cause);
    EXPECT_EQ(saved, row.saved);
    EXPECT_EQ(testsupport::readBytes(file), row.saved ? "new" : "old");
    EXPECT_EQ(testsupport::readBytes(victim), "victim");
    if (!row.saved) {
      EXPECT_EQ(cause, "its temporary was replaced");
    }
    fs::remove(temporary);
  }
}

// The folder a save writes in is held from the start: swapped for a link to
// another folder while the text is written, it still gets the file, and the
// folder swapped in gets nothing, neither the file nor a temporary.
TEST(SavePlaces, AFolderSwappedOnThePathDuringASaveTakesNothing) {
  const testsupport::TempFolder folder;
  const fs::path place = folder.path() / "Gatewright";
  const fs::path movedAway = folder.path() / "moved";
  const fs::path other = folder.path() / "other";
  fs::create_directory(place);
  fs::create_directory(other);
  const fs::path file = place / "parameters.xml";
  std::ofstream(file) << "old";
  std::string cause;
  const bool saved = gf_saveAtomically(
      file,
      [&](std::FILE* out, std::string&) {
        fs::rename(place, movedAway);
        fs::create_directory_symlink(other, place);
        return std::fputs("new", out) >= 0;
      },
      cause);
  EXPECT_TRUE(saved) << cause;
  EXPECT_EQ(testsupport::readBytes(movedAway / "parameters.xml"), "new");
  EXPECT_TRUE(testsupport::namesInFolder(other).empty());
  EXPECT_EQ(testsupport::namesInFolder(movedAway).size(), 1u);
}

// A link another user made leads a save (of a run with raised rights) only to
// that user's own files and folders; the process's own links lead anywhere.
TEST(SavePlaces, AnotherUsersLinkLeadsOnlyToThatUsersThings) {
  if (::geteuid() != 0) GTEST_SKIP() << "another user's link needs root to make";
  const testsupport::TempFolder folder;
  const fs::path users = folder.path() / "users";
  fs::create_directory(users);
  ASSERT_EQ(::chown(users.c_str(), otherUser, otherGroup), 0);
  const fs::path usersFile = users / "parameters.xml";
  const fs::path rootsFile = folder.path() / "roots.txt";
  const fs::path rootsNewFile = folder.path() / "new.txt";
  const struct Row {
    const char* what;
    uid_t linkOwner;
    fs::path leadsTo;
    bool saved;
  } rows[] = {
      {"the user's link to the user's file", otherUser, usersFile, true},
      {"the user's link to a new file in the user's folder", otherUser, users / "new.txt", true},
      {"the user's link to root's file", otherUser, rootsFile, false},
      {"the user's link to a new file in root's folder", otherUser, rootsNewFile, false},
      {"root's own link to the user's file", 0, usersFile, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    std::ofstream(usersFile, std::ios::trunc) << "old";
    ASSERT_EQ(::chown(usersFile.c_str(), otherUser, otherGroup), 0);
    std::ofstream(rootsFile, std::ios::trunc) << "old";
    fs::remove(users / "new.txt");
    fs::remove(rootsNewFile);
    const fs::path link = users / "link.txt";
    fs::remove(link);
    fs::create_symlink(row.leadsTo, link);
    ASSERT_EQ(::lchown(link.c_str(), row.linkOwner, otherGroup), 0);
    std::string cause;
    EXPECT_EQ(gf_replaceTextLines({"new"}, link, cause), row.saved);
    if (!row.saved) {
      EXPECT_EQ(cause, "its link leads to another user's file");
    }
    EXPECT_TRUE(fs::is_symlink(link));
    if (fs::exists(row.leadsTo) || row.saved) {
      EXPECT_EQ(testsupport::readBytes(row.leadsTo), row.saved ? "new\n" : "old");
    }
    EXPECT_EQ(testsupport::readBytes(rootsFile), row.leadsTo == rootsFile && row.saved ? "new\n" : "old");
    EXPECT_FALSE(fs::exists(rootsNewFile));
    EXPECT_EQ(lf_ownerOf(usersFile).uid, otherUser);
  }
}

// A new file is its folder's owner's where the process may give it: a run
// with raised rights leaves the user nothing the user's runs cannot replace.
TEST(SavePlaces, ANewFileGetsItsFoldersOwnerWherePossible) {
  if (::geteuid() != 0) GTEST_SKIP() << "another user's folder needs root to make";
  const testsupport::TempFolder folder;
  fs::permissions(folder.path(), fs::perms::all);
  const struct Row {
    const char* what;
    StatOf folderOwner;
    bool unprivileged;
    StatOf fileOwner;
  } rows[] = {
      {"the user's folder, saved by root", {otherUser, otherGroup}, false, {otherUser, otherGroup}},
      {"root's folder, saved by root", {0, 0}, false, {0, 0}},
      {"another user's shared folder, saved by an unprivileged run", {otherUser, otherGroup}, true,
       {testsupport::nobodyUserId, 0}},
  };
  int made = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const fs::path place = folder.path() / std::to_string(++made);
    fs::create_directory(place);
    fs::permissions(place, fs::perms::all);
    ASSERT_EQ(::chown(place.c_str(), row.folderOwner.uid, row.folderOwner.gid), 0);
    const fs::path file = place / "refused_downloads.txt";
    const auto save = [&file] {
      std::string cause;
      return gf_replaceTextLines({"new"}, file, cause);
    };
    EXPECT_TRUE(row.unprivileged ? testsupport::runAsUnprivileged(save) == 0 : save());
    EXPECT_EQ(testsupport::readBytes(file), "new\n");
    EXPECT_EQ(lf_ownerOf(file).uid, row.fileOwner.uid);
    EXPECT_EQ(lf_ownerOf(file).gid, row.fileOwner.gid);
  }
}

} // namespace
} // namespace gwr
