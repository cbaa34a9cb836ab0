// Tests of paths made from UTF-8 texts (a folder and a file named with
// non-ASCII characters are created, written, listed and read back) and of
// the walk to a file through links of root and of another user.
#include "platform/sys/native_path.h"

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/sys/case_insensitive.h"
#include "platform/sys/folder_listing.h"
#include "platform/sys/path_walker.h"
#include "support/as_unprivileged.h"

namespace gwr::platform {
namespace {

namespace fs = std::filesystem;

// "Flüge ✈ 日本" and "Ärger.DLH", spelled in bytes so that no source or
// compiler character set can change them.
constexpr const char* folderName = "Fl\xC3\xBC" "ge \xE2\x9C\x88 \xE6\x97\xA5\xE6\x9C\xAC";
constexpr const char* fileName = "\xC3\x84rger.DLH";

class NativePath : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(base); }
  void TearDown() override { fs::remove_all(base); }
  const fs::path base = fs::temp_directory_path() / ("gwr_native_path_" + std::to_string(::getpid()));
};

TEST_F(NativePath, Utf8TextsAndPathsRoundTrip) {
  const std::string texts[] = {folderName, fileName, std::string(folderName) + "/" + fileName, "", "plain.txt"};
  for (const std::string& text : texts) EXPECT_EQ(pathToUtf8(pathFromUtf8(text)), text);
  EXPECT_EQ(pathFromUtf8(std::string(folderName) + "/" + fileName).filename(), pathFromUtf8(fileName));
}

TEST_F(NativePath, FileUnderANonAsciiFolderIsCreatedWrittenListedAndRead) {
  const fs::path folder = pathFromUtf8(pathToUtf8(base) + "/" + folderName);
  ASSERT_TRUE(fs::create_directory(folder));
  const fs::path file = folder / pathFromUtf8(fileName);
  FileKind kind = FileKind::missing;
  std::FILE* out = openForWriting(file, kind);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(std::fputs(folderName, out), 1);
  EXPECT_EQ(std::fclose(out), 0);

  std::ifstream in(file, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), folderName);
  // The names the system lists are the UTF-8 texts they were made from.
  const fs::directory_entry listedFolder = *fs::directory_iterator(base);
  EXPECT_EQ(pathToUtf8(listedFolder.path().filename()), folderName);
  EXPECT_EQ(pathToUtf8(fs::directory_iterator(folder)->path().filename()), fileName);
  // ASCII letters fold, the others are compared as they are.
  EXPECT_EQ(findChildNoCase(folder, "\xC3\x84RGER.dlh"), file);
  EXPECT_FALSE(findChildNoCase(folder, "\xC3\xA4rger.DLH"));

  // Listed and looked at through the walker: the same names, kinds and size;
  // nothing there, also past a file or with a folder's trailing separator,
  // is no error.
  std::error_code error;
  const std::vector<ListedEntry> listed = listFolder(base, error);
  ASSERT_EQ(listed.size(), 1u) << error.message();
  EXPECT_EQ(pathToUtf8(listed[0].path.filename()), folderName);
  EXPECT_TRUE(listed[0].isFolder());
  EXPECT_EQ(lookAt(file, error).bytes, std::string(folderName).size());
  for (const fs::path& nothing : {folder / "missing" / "x", file / "x", file / "", fs::path()}) {
    EXPECT_FALSE(lookAt(nothing, error).exists()) << nothing;
    EXPECT_FALSE(error) << nothing;
  }
  // A tree walk lists a link to a folder but never enters it, goes into a
  // folder only when told, and passes over an unreadable one only when let.
  fs::create_directory_symlink(base, folder / "up");
  std::vector<std::string> walked;
  for (const TreeStep step : {TreeStep::into, TreeStep::over}) {
    walked.clear();
    walkTree(base, [&](const ListedEntry& entry) {
      walked.push_back(pathToUtf8(entry.path.filename()) + (entry.link ? "@" : "") + (entry.isFolder() ? "/" : ""));
      return step;
    }, error);
    EXPECT_FALSE(error) << error.message();
  }
  EXPECT_EQ(walked, std::vector<std::string>{std::string(folderName) + "/"});
  walked.clear();
  walkTree(base, [&](const ListedEntry& entry) {
    walked.push_back(pathToUtf8(entry.path.filename()) + (entry.link ? "@" : "") + (entry.isFolder() ? "/" : ""));
    return TreeStep::into;
  }, error);
  std::sort(walked.begin() + 1, walked.end());
  EXPECT_EQ(walked, (std::vector<std::string>{std::string(folderName) + "/", "up@/", fileName}));
  for (const fs::path& nothing : {base / "missing", fs::path()}) {
    walkTree(nothing, [](const ListedEntry&) { return TreeStep::into; }, error);
    EXPECT_EQ(error, std::errc::no_such_file_or_directory) << nothing;
    EXPECT_TRUE(listFolder(nothing, error).empty());
    EXPECT_EQ(error, std::errc::no_such_file_or_directory) << nothing;
  }
  walkTree(base / "missing", [](const ListedEntry&) { return TreeStep::into; }, error,
           [](const fs::path&, const std::error_code&) { return true; });
  EXPECT_FALSE(error);

  EXPECT_EQ(openForWriting(folder / "missing" / "x", kind), nullptr);
  EXPECT_EQ(errno, ENOENT);
}

constexpr uid_t otherUser = 4321;
constexpr gid_t otherGroup = 5432;

std::string lf_textOf(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Root's private file in a 0700 folder beside a user's home of two folders,
// A and A/deep, and B; the user's decoy of the same name in the home.
class Walker : public NativePath {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "another user's link and moves need root to make";
    NativePath::SetUp();
    fs::create_directories(base / "rootonly");
    fs::permissions(base / "rootonly", fs::perms::owner_all);
    std::ofstream(rootsFile) << "private";
    fs::permissions(rootsFile, fs::perms::owner_read | fs::perms::owner_write);
    for (const char* folder : {"users", "users/A", "users/A/deep", "users/B", "users/rootonly"}) {
      fs::create_directories(base / folder);
      ASSERT_EQ(::chown((base / folder).c_str(), otherUser, otherGroup), 0);
    }
    for (const char* file : {"users/rootonly/parameters.xml", "users/B/own.pln"}) {
      std::ofstream(base / file) << "the user's";
      ASSERT_EQ(::chown((base / file).c_str(), otherUser, otherGroup), 0);
    }
  }
  void linkAs(uid_t owner, const fs::path& text, const fs::path& link) {
    fs::remove(link);
    fs::create_symlink(text, link);
    ASSERT_EQ(::lchown(link.c_str(), owner, otherGroup), 0);
  }
  const fs::path rootsFile = base / "rootonly" / "parameters.xml";
  const fs::path users = base / "users";
};

// Each link's text is walked part by part, `..` in the folder the walk
// reached: another user's link leads only into that user's own things, root's
// and this process's own links lead anywhere.
TEST_F(Walker, AnotherUsersLinkLeadsOnlyIntoTheirOwnThingsWhereverItsTextClimbs) {
  const struct Row {
    const char* what;
    uid_t owner;      // of the link at the file
    const char* x;    // what the user's own link X leads to
    const char* text; // of the link at the file, in the user's home
    FileKind read;
    const char* hardLinked = nullptr;  // the file a second name of this, as where users may link others' files
  } rows[] = {
      {"`..` after the user's link climbs into root's folder", otherUser, "A", "X/../../rootonly/parameters.xml",
       FileKind::foreignLink},
      {"`..` after the user's link stays in the user's home", otherUser, "A/deep", "X/../../rootonly/parameters.xml",
       FileKind::regular},
      {"the user's link straight at root's file", otherUser, "A", "../rootonly/parameters.xml", FileKind::foreignLink},
      // Refused as the file that is there, lest the answer tell the user which names root's folder holds.
      {"the user's link at a name not in root's private folder", otherUser, "A", "../rootonly/absent.xml",
       FileKind::foreignLink},
      {"the user's link through root's private folder back home", otherUser, "A", "../rootonly/../users/B/own.pln",
       FileKind::foreignLink},
      {"the user's link through root's folder back home", otherUser, "A", "../users/B/own.pln", FileKind::regular},
      {"the user's link at a link of their own in a loop", otherUser, "A", "plan.pln", FileKind::missing},
      {"a second name of root's file in the user's home", otherUser, "A", "", FileKind::foreignLink,
       "rootonly/parameters.xml"},
      {"a second name of the user's own file", otherUser, "A", "", FileKind::regular, "users/B/own.pln"},
      // Last: its write empties root's file.
      {"root's own link at root's file", 0, "A", "../rootonly/parameters.xml", FileKind::regular},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    linkAs(otherUser, row.x, users / "X");
    const fs::path file = users / "plan.pln";
    if (row.hardLinked != nullptr) {
      fs::remove(file);
      fs::create_hard_link(base / row.hardLinked, file);
    } else {
      linkAs(row.owner, row.text, file);
    }
    std::string bytes;
    std::error_code error;
    EXPECT_EQ(readRegularFile(file, bytes), row.read);
    EXPECT_EQ(lookAt(file, error).kind, row.read);
    // Listed, the name has the kind the walk to it may find.
    std::size_t seen = 0;
    for (const ListedEntry& entry : listFolder(users, error)) {
      if (entry.path != file) continue;
      ++seen;
      EXPECT_EQ(entry.link, row.hardLinked == nullptr);
      EXPECT_EQ(entry.kind, row.read);
    }
    EXPECT_EQ(seen, 1u) << error.message();
    FileKind kind = FileKind::missing;
    std::FILE* out = openForWriting(file, kind);
    EXPECT_EQ(kind, row.read);
    if (out != nullptr) {
      EXPECT_EQ(std::fclose(out), 0);
    }
    if (row.owner != 0) {
      EXPECT_EQ(lf_textOf(rootsFile), "private");
    }
  }
}

// Another user's link as a folder on the way: followed into the user's own
// folder, where folders are made and removed; never into root's.
TEST_F(Walker, NoFolderIsMadeOrRemovedWhereAnotherUsersLinkLeadsOutOfTheirThings) {
  const struct Row {
    const char* what;
    const char* text;
    bool followed;
  } rows[] = {
      {"the user's link at the user's folder", "B", true},
      {"the user's link at root's folder", "../rootonly", false},
      {"the user's link climbing out of the user's folder", "B/../..", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const fs::path output = users / "output";
    linkAs(otherUser, row.text, output);
    std::error_code error;
    // Listed and looked at through the link only where it may lead.
    const std::vector<ListedEntry> listed = listFolder(output, error);
    EXPECT_EQ(listed.size(), row.followed ? 1u : 0u);
    EXPECT_EQ(error.message(), row.followed ? std::error_code().message() : "its link leads to another user's file");
    walkTree(output, [&](const ListedEntry&) { return TreeStep::into; }, error);
    EXPECT_EQ(error == foreignLinkError(), !row.followed);
    EXPECT_EQ(lookAt(output / "own.pln", error).kind, row.followed ? FileKind::regular : FileKind::foreignLink);
    EXPECT_EQ(makeFolders(output / "learned" / "stock", error), row.followed) << error.message();
    EXPECT_EQ(fs::exists(users / "B" / "learned" / "stock"), row.followed);
    EXPECT_FALSE(fs::exists(base / "rootonly" / "learned"));
    EXPECT_FALSE(fs::exists(base / "learned"));
    EXPECT_EQ(removeTree(output / "learned", error), row.followed ? 2u : 0u);
    EXPECT_EQ(removePath(output / "parameters.xml", error), false);
    EXPECT_EQ(!error, row.followed) << error.message();
    EXPECT_EQ(lf_textOf(rootsFile), "private");
  }
}

// The user flips their own links while root reads and writes through them:
// root's file is never reached and no device is ever opened.
TEST_F(Walker, LinksFlippedByTheUserMeanwhileNeverLeadRootOut) {
  constexpr int rounds = 5000;
  // A device of the test's own, so that whoever opens it is seen.
  const fs::path device = base / "zero";
  ASSERT_EQ(::mknod(device.c_str(), S_IFCHR | 0666, ::makedev(1, 5)), 0);
  const fs::path file = users / "plan.pln";
  const struct Row {
    const char* what;
    const char* fileText;
    std::string first;   // the flipped link's texts
    std::string second;
    const char* flipped;
    bool exchanged = false;  // root's link of the first text swapped in one move with the user's of the second
  } rows[] = {
      {"`..` after a link flipped between the user's folders", "X/../../rootonly/parameters.xml", "A", "A/deep", "X"},
      {"a link at a flight plan flipped between the user's file and a device", nullptr, "B/own.pln",
       device.string(), "plan.pln"},
      {"root's link at a flight plan swapped with the user's link to root's file", nullptr, "B/own.pln",
       "../rootonly/parameters.xml", "plan.pln", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    if (row.fileText != nullptr) linkAs(otherUser, row.fileText, file);
    const std::string flipped = (users / row.flipped).string();
    const std::string spare = flipped + ".new";
    if (row.exchanged) {
      linkAs(0, row.first, flipped);
      linkAs(otherUser, row.second, spare);
    }
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, device.c_str(), IN_OPEN), 0);
    int reached = 0;
    int opened = 0;
    {
      const testsupport::OtherUserLoop user(otherUser, otherGroup, [&] {
        if (row.exchanged) {
          ::renameat2(AT_FDCWD, spare.c_str(), AT_FDCWD, flipped.c_str(), RENAME_EXCHANGE);
          return;
        }
        for (const std::string* text : {&row.first, &row.second}) {
          ::symlink(text->c_str(), spare.c_str());
          ::rename(spare.c_str(), flipped.c_str());
        }
      });
      ASSERT_TRUE(user.started());
      for (int round = 0; round < rounds; ++round) {
        std::string bytes;
        if (readRegularFile(file, bytes) == FileKind::regular && bytes != "the user's") ++reached;
        FileKind kind = FileKind::missing;
        if (std::FILE* out = openForWriting(file, kind)) {
          std::fputs("the user's", out);
          std::fclose(out);
        }
        if (lf_textOf(rootsFile) != "private") {
          ++reached;
          std::ofstream(rootsFile, std::ios::trunc) << "private";
        }
        char events[4096];
        if (::read(watch, events, sizeof events) > 0) ++opened;
      }
    }
    ::close(watch);
    EXPECT_EQ(opened, 0) << "rounds that opened the device";
    EXPECT_EQ(reached, 0) << "rounds that read or wrote root's file";
  }
}

} // namespace
} // namespace gwr::platform
