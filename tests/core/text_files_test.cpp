// Tests of charset detection, reading files as UTF-8 lines in every charset,
// line splitting, whole-file writing and the UTF-8 <-> UTF-16 conversions.
#include "core/text_files.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <initializer_list>

#include "core/atomic_save.h"
#include "core/status_line.h"
#include "support/encrypted_fixture.h"
#include "support/as_unprivileged.h"
#include "support/log_capture.h"

namespace gwr {
namespace {

using Lines = std::vector<std::string>;

class TextFiles : public testing::Test, public StatusLineSink {
 protected:
  void SetUp() override { gf_installStatusLine(this); }
  void TearDown() override { gf_installStatusLine(nullptr); }
  bool showNotice(const std::string& text) override {
    notices.push_back(text);
    return true;
  }
  void showError(const std::string&) override {}
  void clearNotice() override {}

  std::filesystem::path write(const std::string& bytes) {
    const auto path = folder.path() / ("f" + std::to_string(++fileCount));
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  testsupport::TempFolder folder;
  Lines notices;
  int fileCount = 0;
};

std::string lf_bytes(std::initializer_list<unsigned char> list) { return std::string(list.begin(), list.end()); }

TEST_F(TextFiles, DetectsAndReadsEveryCharset) {
  const std::string longAscii(4094, 'a'), longLine(100 * 1024, 'x');
  const struct { const char* name; std::string bytes; Charset charset; bool readOk; Lines lines; } cases[] = {
      {"empty", "", Charset::UTF8_without_BOM, true, {}},
      {"utf8", "Z\xC3\xBCrich\r\nb\n", Charset::UTF8_without_BOM, true, {"Z\xC3\xBCrich", "b"}},
      {"utf8 with mark", "\xEF\xBB\xBF" "a\nb", Charset::UTF8_with_BOM, true, {"a", "b"}},
      {"only the mark", "\xEF\xBB\xBF", Charset::UTF8_with_BOM, true, {}},
      {"doubled mark", "\xEF\xBB\xBF\xEF\xBB\xBFx", Charset::UTF8_with_BOM, true, {"x"}},
      {"a 100 kB line", longLine + "\r\nend", Charset::UTF8_without_BOM, true, {longLine, "end"}},
      {"utf16le", lf_bytes({0xFF, 0xFE, 'a', 0, '\r', 0, '\n', 0, 'b', 0}), Charset::Unicode, true, {"a", "b"}},
      {"utf16be", lf_bytes({0xFE, 0xFF, 0, 'a', 0, '\n', 0x20, 0xAC}), Charset::Unicode_big_endian, true,
       {"a", "\xE2\x82\xAC"}},
      {"utf16le no mark", lf_bytes({'A', 0, 'B', 0}), Charset::Unicode, true, {"AB"}},
      {"utf16be no mark", lf_bytes({0, 'A', 0, '\n', 0, 'B'}), Charset::Unicode_big_endian, true, {"A", "B"}},
      {"utf16 odd, no mark", lf_bytes({'A', 0, 'B'}), Charset::Unicode, false, {}},
      {"utf16 lone surrogate", lf_bytes({0xFF, 0xFE, 0x00, 0xD8}), Charset::Unicode, false, {}},
      {"ansi", "Caf\xE9\r\n\x80 \x93q\x94", Charset::ANSI, true,
       {"Caf\xC3\xA9", "\xE2\x82\xAC \xE2\x80\x9Cq\xE2\x80\x9D"}},
      {"cut off at file end", "ab\xC3", Charset::ANSI, true, {"ab\xC3\x83"}},
      // The sample's last bytes start a character the file completes after it.
      {"character across the sample end", longAscii + "a\xC3\xA9", Charset::UTF8_without_BOM, true,
       {longAscii + "a\xC3\xA9"}},
      // The whole file decides: one Windows-1252 byte far into it makes it ANSI.
      {"bad byte far into the file", longAscii + "aa\xE9", Charset::ANSI, true, {longAscii + "aa\xC3\xA9"}},
      {"surrogate", "\xED\xA0\x80", Charset::ANSI, true, {"\xC3\xAD\xC2\xA0\xE2\x82\xAC"}},
      {"overlong", "\xC0\x80", Charset::ANSI, true, {"\xC3\x80\xE2\x82\xAC"}},
      {"marked utf8 with a bad byte", "\xEF\xBB\xBF" "a\xE9" "b", Charset::UTF8_with_BOM, true, {"a\xEF\xBF\xBD" "b"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto path = write(c.bytes);
    const Charset charset = gf_detectCharset(path);
    EXPECT_EQ(charset, c.charset);
    Lines lines{"stale"};
    EXPECT_EQ(gf_readTextLines(charset, path, lines), c.readOk);
    EXPECT_TRUE(lines == c.lines);  // not printed: some are long
    for (const std::string& line : lines) EXPECT_TRUE(gf_isValidUtf8(line));
    std::string text;
    const TextRead read = gf_readUtf8Text(path, text);
    EXPECT_EQ(read.ok(), c.readOk);
    if (read.ok()) {
      EXPECT_EQ(read.charset, c.charset);
    }
    EXPECT_TRUE(gf_isValidUtf8(text));
  }
}

TEST_F(TextFiles, UnmarkedTextNotUtf8IsReadAsAnsi) {
  TextFile list(write(std::string(5000, 'a') + "\nCaf\xE9;D-ABCD\n"));
  const TextLinesResult result = list.readLines(8);
  ASSERT_TRUE(result.ok());
  EXPECT_EQ(result.lines.back(), "Caf\xC3\xA9;D-ABCD");
}

TEST(SplitTextLines, LeavesOutBlankLinesAndReservesExactly) {
  Lines lines;
  gf_splitTextLines(std::string(100000, '\n') + "a\r\n \t\r\n\n b\n" + std::string(1000, '\n'), lines);
  EXPECT_EQ(lines, (Lines{"a", " b"}));
  EXPECT_EQ(lines.capacity(), 2U);
}

TEST(ValidUtf8, ReplacesEachBadByteAlsoInTheLog) {
  EXPECT_EQ(gf_toValidUtf8("a\xE9\xC3\xA9\xF4\x90\x80\x80"),
            "a\xEF\xBF\xBD\xC3\xA9\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_TRUE(gf_isValidUtf8("\xF4\x8F\xBF\xBF\xED\x9F\xBF"));
  EXPECT_FALSE(gf_isValidUtf8("\xE0\x9F\x80"));
  const testsupport::LogCapture log;
  gf_log("/x/Caf\xE9/aircraft.cfg");
  EXPECT_EQ(log.text(), "/x/Caf\xEF\xBF\xBD/aircraft.cfg\n");
}

// Missing files, folders and odd UTF-16 fail with their cause; the notice names
// it, except for a missing file read as UTF-8. A folder must not be taken for a
// huge file to allocate.
TEST_F(TextFiles, FailedReadsNameTheirCauseAndShowANotice) {
  const auto odd = write(lf_bytes({'A', 0, 'B'}));
  const auto missing = folder.path() / "missing.cfg";
  const auto cfgFolder = folder.path() / "aircraft.cfg";
  std::filesystem::create_directory(cfgFolder);
  std::string text;
  EXPECT_EQ(gf_readUtf8Text(cfgFolder, text).error, "Is a directory");
  EXPECT_EQ(gf_readUtf8Text(missing, text).error, "No such file or directory");
  EXPECT_EQ(gf_detectCharset(cfgFolder), Charset::none_found);
  EXPECT_EQ(gf_detectCharset(missing), Charset::none_found);
  EXPECT_EQ(TextFile(cfgFolder).readLines(16).error, textFileIsFolder);
  Lines lines{"stale"};
  EXPECT_FALSE(gf_readTextLines(Charset::none_found, missing, lines));
  EXPECT_FALSE(gf_readTextLines(Charset::Unicode, odd, lines));
  EXPECT_FALSE(gf_readTextLines(Charset::UTF8_without_BOM, missing, lines));  // no notice
  lines = {"stale"};
  EXPECT_FALSE(gf_readTextLines(Charset::UTF8_without_BOM, cfgFolder, lines));
  EXPECT_TRUE(lines.empty());
  EXPECT_EQ(notices, (Lines{"Read failed for '" + missing.string() + "': file " + missing.string() +
                                " has unknown charset: none_found",
                            "Read failed for '" + odd.string() + "': UTF-16 text has an odd number of bytes",
                            "Read failed for '" + cfgFolder.string() + "': it is a folder, not a file"}));
}

TEST(SplitLines, CutsAtLineFeedsAndAppends) {
  const std::pair<std::string, Lines> cases[] = {
      {"a\n\nb\n", {"a", "", "b"}}, {"a\r\r\n", {"a\r"}}, {"a\nb", {"a", "b"}}, {"\xEF\xBB\xBFx", {"x"}}, {"", {}}};
  for (const auto& [text, expected] : cases) {
    Lines lines{"kept"};
    gf_splitLines(text, lines);
    EXPECT_EQ(lines.front(), "kept");
    EXPECT_EQ(Lines(lines.begin() + 1, lines.end()), expected) << testing::PrintToString(text);
  }
}

TEST_F(TextFiles, WritesWholeFilesAndConvertsStrictly) {
  const auto path = folder.path() / "out.txt";
  ASSERT_TRUE(gf_writeTextLines({"a", "", "b"}, path));
  EXPECT_EQ(testsupport::readBytes(path), "a\n\nb\n");
  ASSERT_TRUE(gf_writeTextFile("12.5.5", path));
  EXPECT_EQ(testsupport::readBytes(path), "12.5.5\n");
  // A path of raw bytes in a report line.
  ASSERT_TRUE(gf_writeTextLines({"/x/Caf\xE9/aircraft.cfg"}, path));
  EXPECT_EQ(testsupport::readBytes(path), "/x/Caf\xEF\xBF\xBD/aircraft.cfg\n");
  EXPECT_FALSE(gf_writeTextLines({"x"}, folder.path() / "no" / "folder"));
  // Opens but cannot take a byte: the failed write must not pass for success.
  const std::filesystem::path full = "/dev/full";
  if (std::filesystem::exists(full)) {
    EXPECT_FALSE(gf_writeTextLines({"x"}, full));
    EXPECT_FALSE(gf_writeTextFile("x", full));
  }
  EXPECT_EQ(wide_to_utf8(utf8_to_wide("EDDF \xE2\x82\xAC \xF0\x9F\x9B\xAB")), "EDDF \xE2\x82\xAC \xF0\x9F\x9B\xAB");
  EXPECT_THROW(utf8_to_wide("\xC0\x80"), std::runtime_error);
}

// A save replaces only a file this process may write itself: one of another
// user's in a folder open to all stays as it was, with its owner. A private
// file's new text is never open to others, not even in its temporary.
TEST_F(TextFiles, SavesLeaveOthersFilesAloneAndKeepPrivateFilesPrivate) {
  namespace fs = std::filesystem;
  using fs::perms;
  const mode_t savedMask = ::umask(022);
  for (const perms mode : {perms::owner_read | perms::owner_write,
                           perms::owner_read | perms::owner_write | perms::group_read}) {
    const fs::path path = write("old");
    fs::permissions(path, mode);
    perms seen = perms::unknown;
    std::string cause;
    EXPECT_TRUE(gf_saveAtomically(
        path,
        [&seen](std::FILE* temporary, std::string&) {
          struct stat made {};
          if (::fstat(::fileno(temporary), &made) == 0) seen = static_cast<perms>(made.st_mode & 07777);
          return std::fputs("new", temporary) >= 0;
        },
        cause));
    EXPECT_EQ(seen, mode) << "while the new text was written";
    EXPECT_EQ(fs::status(path).permissions(), mode);
    EXPECT_EQ(testsupport::readBytes(path), "new");
  }
  ::umask(savedMask);

  if (::geteuid() != 0) GTEST_SKIP() << "another user's file needs root to make";
  const fs::path open = folder.path() / "open";
  fs::create_directory(open);
  fs::permissions(folder.path(), perms::all);
  fs::permissions(open, perms::all);
  const fs::path rootsFile = open / "settings.xml";
  std::ofstream(rootsFile) << "root's";
  fs::permissions(rootsFile, perms::owner_read | perms::owner_write | perms::group_read | perms::others_read);
  const int held = testsupport::runAsUnprivileged([&rootsFile] {
    std::string cause;
    const bool saved =
        gf_saveAtomically(rootsFile, [](std::FILE* temporary, std::string&) {
          return std::fputs("taken\n", temporary) >= 0;
        }, cause);
    return !saved && cause == "the file is read-only";
  });
  EXPECT_EQ(held, 0);
  EXPECT_EQ(testsupport::readBytes(rootsFile), "root's");
  struct stat owner {};
  ASSERT_EQ(::stat(rootsFile.c_str(), &owner), 0);
  EXPECT_EQ(owner.st_uid, 0U);
}

// A save run with raised rights keeps the owner, group and mode of the file it
// replaces; one that cannot give them back leaves the file as it was.
TEST_F(TextFiles, SavesKeepTheOwnerAndGroupOfTheFileTheyReplace) {
  namespace fs = std::filesystem;
  if (::geteuid() != 0) GTEST_SKIP() << "another user's file needs root to make";
  fs::permissions(folder.path(), fs::perms::all);
  constexpr uid_t otherUser = 4321;
  constexpr gid_t otherGroup = 5432;
  const struct Row {
    const char* what;
    uid_t uid;
    gid_t gid;
    mode_t mode;
    bool unprivileged;  // saved by a process without root's rights
    bool saved;
  } rows[] = {
      {"a user's private file saved by root", otherUser, otherGroup, 0600, false, true},
      {"a user's shared file saved by root", otherUser, otherGroup, 0664, false, true},
      {"root's group-writable file saved by another user", 0, 0, 0664, true, false},
  };
  for (const Row& row : rows) {
    const fs::path path = write("old");
    ASSERT_EQ(::chown(path.c_str(), row.uid, row.gid), 0);
    ASSERT_EQ(::chmod(path.c_str(), row.mode), 0);
    const auto savedAsExpected = [&path, &row] {
      std::string cause;
      const bool saved = gf_replaceTextLines({"new"}, path, cause);
      return saved == row.saved && (saved || cause == "its owner and group cannot be kept");
    };
    EXPECT_TRUE(row.unprivileged ? testsupport::runAsUnprivileged(savedAsExpected) == 0 : savedAsExpected())
        << row.what;
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_uid, row.uid) << row.what;
    EXPECT_EQ(after.st_gid, row.gid) << row.what;
    EXPECT_EQ(after.st_mode & 07777, row.mode) << row.what;
    EXPECT_EQ(testsupport::readBytes(path), row.saved ? "new\n" : "old") << row.what;
  }
}

} // namespace
} // namespace gwr
