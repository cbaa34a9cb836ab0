// Tests of charset detection, reading files as UTF-8 lines in every charset,
// line splitting, whole-file writing and the UTF-8 <-> UTF-16 conversions.
#include "core/text_files.h"

#include "core/status_line.h"

#include <gtest/gtest.h>

#include <fstream>
#include <initializer_list>
#include <unistd.h>

namespace gwr {
namespace {

using Lines = std::vector<std::string>;

class NoticeRecorder : public StatusLineSink {
public:
  void showNotice(const std::string& text) override { notices.push_back(text); }
  void showError(const std::string&) override {}
  void clearNotice() override {}
  Lines notices;
};

class TextFiles : public testing::Test {
protected:
  void SetUp() override {
    folder = std::filesystem::temp_directory_path() / ("gwr_text_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    gf_installStatusLine(&recorder);
  }
  void TearDown() override {
    gf_installStatusLine(nullptr);
    std::filesystem::remove_all(folder);
  }
  std::filesystem::path write(const std::string& bytes) {
    const auto path = folder / ("f" + std::to_string(++fileCount));
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  std::filesystem::path folder;
  NoticeRecorder recorder;
  int fileCount = 0;
};

struct ReadCase {
  const char* name;
  std::string bytes;
  Charset charset;
  bool readOk;
  Lines lines;
};

std::string bytes(std::initializer_list<unsigned char> list) { return std::string(list.begin(), list.end()); }

TEST_F(TextFiles, DetectsAndReadsEveryCharset) {
  const std::string longAscii(4094, 'a');
  const ReadCase cases[] = {
      {"empty", "", Charset::UTF8_without_BOM, true, {}},
      {"one byte", "A", Charset::UTF8_without_BOM, true, {"A"}},
      {"utf8", "Z\xC3\xBCrich\r\nb\n", Charset::UTF8_without_BOM, true, {"Z\xC3\xBCrich", "b"}},
      {"utf8 surrogate passes", "\xED\xA0\x80", Charset::UTF8_without_BOM, true, {"\xED\xA0\x80"}},
      {"utf8 with mark", "\xEF\xBB\xBF" "a\nb", Charset::UTF8_with_BOM, true, {"a", "b"}},
      {"doubled mark", "\xEF\xBB\xBF\xEF\xBB\xBFx", Charset::UTF8_with_BOM, true, {"x"}},
      {"utf16le", bytes({0xFF, 0xFE, 'a', 0, '\r', 0, '\n', 0, 'b', 0}), Charset::Unicode, true, {"a", "b"}},
      {"utf16be", bytes({0xFE, 0xFF, 0, 'a', 0, '\n', 0x20, 0xAC}), Charset::Unicode_big_endian, true,
       {"a", "\xE2\x82\xAC"}},
      {"utf16le no mark", bytes({'A', 0, 'B', 0}), Charset::Unicode, true, {"AB"}},
      {"utf16be no mark", bytes({0, 'A', 0, '\n', 0, 'B'}), Charset::Unicode_big_endian, true, {"A", "B"}},
      {"utf16 odd, no mark", bytes({'A', 0, 'B'}), Charset::Unicode, false, {}},
      {"utf16 odd, marked", bytes({0xFF, 0xFE, 'A', 0, 'B'}), Charset::Unicode, false, {}},
      {"utf16 lone surrogate", bytes({0xFF, 0xFE, 0x00, 0xD8}), Charset::Unicode, false, {}},
      {"ansi", "Caf\xE9\r\n\x80 \x93q\x94", Charset::ANSI, true,
       {"Caf\xC3\xA9", "\xE2\x82\xAC \xE2\x80\x9Cq\xE2\x80\x9D"}},
      {"overlong C0", "\xC0\x80", Charset::ANSI, true, {"\xC3\x80\xE2\x82\xAC"}},
      {"overlong E0", "\xE0\x80\x80", Charset::ANSI, true, {"\xC3\xA0\xE2\x82\xAC\xE2\x82\xAC"}},
      {"overlong F0", "\xF0\x80\x80\x80", Charset::ANSI, true, {"\xC3\xB0\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC"}},
      {"above U+10FFFF", "\xF4\x90\x80\x80", Charset::ANSI, true,
       {"\xC3\xB4\xC2\x90\xE2\x82\xAC\xE2\x82\xAC"}},
      {"cut off at file end", "ab\xC3", Charset::ANSI, true, {"ab\xC3\x83"}},
      // The sample's last bytes start a character the file completes after it.
      {"mark across the sample end", longAscii + "\xEF\xBB\xBF", Charset::UTF8_without_BOM, true,
       {longAscii + "\xEF\xBB\xBF"}},
      {"character across the sample end", longAscii + "a\xC3\xA9", Charset::UTF8_without_BOM, true,
       {longAscii + "a\xC3\xA9"}},
      {"bad byte past the sample", std::string(4096, 'a') + "\xE9", Charset::UTF8_without_BOM, true,
       {std::string(4096, 'a') + "\xE9"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto path = write(c.bytes);
    const Charset charset = gf_detectCharset(path);
    EXPECT_EQ(charset, c.charset);
    Lines lines{"stale"};
    EXPECT_EQ(gf_readTextLines(charset, path, lines), c.readOk);
    EXPECT_EQ(lines, c.lines);
  }
}

TEST_F(TextFiles, FailedReadsShowANotice) {
  const auto odd = write(bytes({'A', 0, 'B'}));
  const auto surrogate = write(bytes({0xFF, 0xFE, 0x00, 0xDC}));
  const auto missing = folder / "missing.cfg";
  Lines lines;
  EXPECT_EQ(gf_detectCharset(missing), Charset::none_found);
  EXPECT_FALSE(gf_readTextLines(Charset::none_found, missing, lines));
  EXPECT_FALSE(gf_readTextLines(Charset::Unicode, odd, lines));
  EXPECT_FALSE(gf_readTextLines(Charset::Unicode, surrogate, lines));
  EXPECT_FALSE(gf_readTextLines(Charset::UTF8_without_BOM, missing, lines));  // no notice
  EXPECT_EQ(recorder.notices,
            (Lines{"Read failed for '" + missing.string() + "': file " + missing.string() +
                       " has unknown charset: none_found",
                   "Read failed for '" + odd.string() + "': UTF-16 text has an odd number of bytes",
                   "Read failed for '" + surrogate.string() + "': wide_to_utf8: invalid UTF-16"}));
}

TEST_F(TextFiles, ReadsAHundredKilobyteLine) {
  const std::string longLine(100 * 1024, 'x');
  const auto path = write(longLine + "\r\nend");
  Lines lines;
  ASSERT_TRUE(gf_readTextLines(gf_detectCharset(path), path, lines));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], longLine);
  EXPECT_EQ(lines[1], "end");
}

TEST(SplitLines, CutsAtLineFeeds) {
  const std::pair<std::string, Lines> cases[] = {
      {"a\n\nb\n", {"a", "", "b"}}, {"a\r\r\n", {"a\r"}}, {"\n", {""}},        {"a\nb", {"a", "b"}},
      {"\xEF\xBB\xBFx", {"x"}},      {"\xEF\xBB\xBF", {}}, {"\r\n\r\n", {"", ""}}, {"", {}}};
  for (const auto& [text, expected] : cases) {
    Lines lines{"kept"};
    gf_splitLines(text, lines);
    Lines added(lines.begin() + 1, lines.end());  // appended after what was there
    EXPECT_EQ(lines.front(), "kept");
    EXPECT_EQ(added, expected) << testing::PrintToString(text);
  }
}

TEST_F(TextFiles, TextFileReadLines) {
  TextFile file(write("\xEF\xBB\xBFone\ntwo\n"));
  const auto result = file.readLines(1024);
  ASSERT_TRUE(result.ok());
  EXPECT_EQ(Lines(result.lines.begin(), result.lines.end()), (Lines{"one", "two"}));
  EXPECT_GE(file.lines.capacity(), 1024u);

  TextFile missing(folder / "missing");
  missing.lines = {"stale"};
  const auto failed = missing.readLines(1);
  EXPECT_EQ(failed.error, "open_failed");
  EXPECT_TRUE(failed.lines.empty());
  EXPECT_TRUE(missing.lines.empty());
}

TEST_F(TextFiles, WritesWholeFiles) {
  const auto read = [](const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  const auto path = folder / "out.txt";
  ASSERT_TRUE(gf_writeTextLines({"a", "", "b"}, path));
  EXPECT_EQ(read(path), "a\n\nb\n");
  ASSERT_TRUE(gf_writeTextLines({}, path));
  EXPECT_TRUE(std::filesystem::exists(path));
  EXPECT_EQ(read(path), "");
  ASSERT_TRUE(gf_writeTextFile("12.5.5", path));
  EXPECT_EQ(read(path), "12.5.5\n");
  EXPECT_FALSE(gf_writeTextFile("x", folder / "no" / "such" / "folder"));
  EXPECT_FALSE(gf_writeTextLines({"x"}, folder / "no" / "such" / "folder"));
}

TEST(Conversions, RoundTripAndRejectWithTheirTexts) {
  const std::string text = "EDDF \xE2\x82\xAC \xF0\x9F\x9B\xAB";
  EXPECT_EQ(wide_to_utf8(utf8_to_wide(text)), text);
  EXPECT_EQ(utf8_to_wide(""), u"");
  const auto errorOf = [](auto&& convert) {
    try {
      convert();
    } catch (const std::runtime_error& e) {
      return std::string(e.what());
    }
    return std::string("no exception");
  };
  EXPECT_EQ(errorOf([] { wide_to_utf8(u"a\xD800"); }), "wide_to_utf8: invalid UTF-16");
  EXPECT_EQ(errorOf([] { utf8_to_wide("\xC0\x80"); }), "utf8_to_wide: invalid UTF-8");
  EXPECT_EQ(gf_charsetName(static_cast<Charset>(9)), "9");
}

} // namespace
} // namespace gwr
