// Tests of the registration-code lists: the user's text lines, the shipped
// list, and which source wins in the registration tables.
#include "scan_fixture.h"

namespace gwr {
namespace {

namespace fs = std::filesystem;
using testsupport::readBytes;
using testsupport::writeEncrypted;
using testsupport::writeFile;

constexpr const char* metaBlock =
    R"(<meta><info name="author" value="t"/><info name="version" value="1.0.0"/><info name="date" value="d"/>)"
    R"(<info name="copyright" value="c"/><info name="sim" value="1"/></meta>)";

std::string aigXml(const std::string& entries) {
  return std::string("<?xml version=\"1.0\"?><root>") + metaBlock + "<aig>" + entries + "</aig></root>";
}

class RegcodeLists : public testsupport::ScanFixture {
 protected:
  // The tables of three installed liveries.
  void buildTables() {
    LiveryList liveries;
    for (const char* title : {"Livery X", "Livery Y", "Livery Z"})
      liveries.push_back(LiveryData{title, "", LivKey{gf_airlineIndex("DLH"), 0, gf_modelIndex("A320"), 0, 0}, 0});
    gf_buildLiveryTables(liveries);
  }
};

TEST_F(RegcodeLists, UserListLines) {
  struct Case {
    const char* line;
    bool good;
    std::vector<std::string> registrations;  // of the one record made
    bool special;
    bool record = true;
  };
  const std::vector<Case> cases{
      {"Title A;D-ABCD", true, {"D-ABCD"}, true},
      {"Title A ; D-ABCD, D-ABCE ; #", true, {"D-ABCD", "D-ABCE"}, true},
      {"Title A;D-ABCE,D-ABCD", true, {"D-ABCD", "D-ABCE"}, false},
      {"Title A;D-ABCD,", false, {"D-ABCD"}, false},
      {"Title A;ABC", true, {"ABC"}, true},
      {"Title A;ABCDEFGHIJKL", true, {"ABCDEFGHIJKL"}, true},
      {"Title A;AB", false, {}, false, false},
      {"Title A;ABCDEFGHIJKLM", false, {}, false, false},
      {"Title A;AB,CD", false, {}, false},
      {"# only a title", true, {}, false},
      {"a;b;c;d;e", true, {}, false, false},
      {"T;AB", true, {}, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const fs::path folder = root() / "lists";
    fs::remove_all(folder);
    writeFile(folder / "mine.TXT", std::string(c.line) + "\n");
    writeFile(folder / "ignored.csv", "Other title;D-AAAA\n");
    std::vector<RegcodeRecord> records;
    EXPECT_EQ(gf_readRegcodeTextLists(folder, records), c.good);
    ASSERT_EQ(records.size(), c.record ? 1U : 0U);
    if (!c.record) continue;
    EXPECT_EQ(records[0].registrations, c.registrations);
    EXPECT_EQ(records[0].special, c.special);
  }
}

TEST_F(RegcodeLists, ShippedListDropsOnlyNeighbouringDuplicates) {
  const fs::path file = root() / "aig.xml";
  writeFile(file, aigXml(R"(<l t="A" r="D-AAAA"/><l t="A" r="D-BBBB"/><l t=""/><l t="B" s="true"/><l t="A"/>)"));
  std::vector<RegcodeRecord> records;
  EXPECT_FALSE(gf_readAigRegcodesXml(records, file));
  ASSERT_EQ(records.size(), 3U);
  EXPECT_EQ(records[1].title, "B");
  EXPECT_TRUE(records[1].special);
  EXPECT_NE(logText().find("==> Duplicate title 'A' (same as previous)"), std::string::npos);

  // The list the program ships, read from a copy: a file that fails to load is removed.
  const fs::path shipped = fs::path(__FILE__).parent_path().parent_path().parent_path() / "data/regcodes/AIG-regcodes.xml";
  fs::copy_file(shipped, file, fs::copy_options::overwrite_existing);
  records.clear();
  EXPECT_TRUE(gf_readAigRegcodesXml(records, file));
  EXPECT_GE(records.size(), 5U);

  writeFile(file, std::string("<root>") + metaBlock + "</root>");
  EXPECT_FALSE(gf_readAigRegcodesXml(records, file));
  writeFile(file, "not xml");
  EXPECT_FALSE(gf_readAigRegcodesXml(records, file));
  EXPECT_FALSE(fs::exists(file));
}

TEST_F(RegcodeLists, UserListsOverrideShippedListOverridesInline) {
  buildTables();
  LiveryList inlined{LiveryData{"Livery X", "D-AAAA", {}, 0}, LiveryData{"Livery Z", "D-AAAA", {}, 0}};
  gf_processInlineRegcodes(inlined);
  EXPECT_NE(readBytes(inlineRegcodesFile).find("D-AAAA 'Livery Z' => already in use by 'Livery X'"),
            std::string::npos);
  writeEncrypted(regcodesEncFile, aigXml(R"(<l t="Livery Y" r="D-AAAA,D-BBBB"/>)"));
  writeFile(myRegcodesFolder / "mine.txt", "Livery Z;D-BBBB\n");
  gf_processRegcodeFiles();
  EXPECT_EQ(RegcodeTitleMap.at("D-AAAA"), "Livery Y");
  EXPECT_EQ(RegcodeTitleMap.at("D-BBBB"), "Livery Z");
  EXPECT_EQ(TitleRegcodeMap.at("Livery X"), "D-AAAA");
  EXPECT_TRUE(UniqueRegcodes.contains("D-BBBB"));
  const std::string offline = readBytes(offlineRegcodesFile);
  EXPECT_NE(offline.find("   regcode D-AAAA for 'Livery Y', instead of the same for 'Livery X'"), std::string::npos);
  EXPECT_NE(offline.find("\n1 new regcode added, 1 regcode replaced\n"), std::string::npos) << offline;
  EXPECT_NE(offline.find("\n0 new regcodes added, 1 regcode replaced, 1 regcode defined as special\n"),
            std::string::npos);
  EXPECT_FALSE(fs::exists(regcodesXmlFile));
}

TEST_F(RegcodeLists, UnusableShippedListDoesNotKeepOutTheUserLists) {
  buildTables();
  writeFile(regcodesEncFile, "not an encrypted file");
  writeFile(myRegcodesFolder / "mine.txt", "Livery Z;D-CCCC\nNever this one\n");
  gf_processRegcodeFiles();
  EXPECT_EQ(RegcodeTitleMap.at("D-CCCC"), "Livery Z");
  EXPECT_NE(readBytes(offlineRegcodesFile).find("Processing files in"), std::string::npos);

  gf_clearScanReports();
  gf_readDontUseTitles();
  EXPECT_TRUE(gf_isDontUseTitle("Never this one"));
}

} // namespace
} // namespace gwr
