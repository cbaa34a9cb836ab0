// Tests of the registration-code lists (the user's text lines, the shipped
// list, which source wins) and of the livery processing at start-up.
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "core/user_error.h"
#include "support/livery_world.h"

namespace gwr {
namespace {

namespace fs = std::filesystem;
using testsupport::readBytes;
using testsupport::writeEncrypted;
using testsupport::writeFile;

std::string aigXml(const std::string& entries) {
  return R"(<?xml version="1.0"?><root><meta><info name="author" value="t"/><info name="version" value="1.0.0"/>)"
         R"(<info name="date" value="d"/><info name="copyright" value="c"/><info name="sim" value="1"/></meta><aig>)" +
         entries + "</aig></root>";
}

class RegcodeLists : public testsupport::LiveryFixture {
 protected:
  // The tables of three installed liveries.
  static void buildTables() {
    LiveryList liveries;
    for (const char* title : {"Livery X", "Livery Y", "Livery Z"})
      liveries.push_back(testsupport::toLiveryData({"DLH", "", "A320", false, title, ""}));
    gf_buildLiveryTables(liveries);
  }
};

TEST_F(RegcodeLists, UserListLines) {
  // The registrations and mark of the one record made, if record.
  const struct { const char* line; bool good; std::vector<std::string> registrations; bool special, record = true; }
      cases[] = {
      {"Title A;D-ABCD", true, {"D-ABCD"}, true}, {"Title A ; D-ABCD, D-ABCE ; #", true, {"D-ABCD", "D-ABCE"}, true},
      {"Title A;D-ABCE,D-ABCD", true, {"D-ABCD", "D-ABCE"}, false}, {"Title A;D-ABCD,", false, {"D-ABCD"}, false},
      {"Title A;ABC", true, {"ABC"}, true}, {"Title A;ABCDEFGHIJKL", true, {"ABCDEFGHIJKL"}, true},
      {"Title A;AB", false, {}, false, false}, {"Title A;ABCDEFGHIJKLM", false, {}, false, false},
      {"Title A;AB,CD", false, {}, false}, {"# only a title", true, {}, false},
      {"a;b;c;d;e", true, {}, false, false}, {"T;AB", true, {}, false, false},
  };
  for (const auto& c : cases) {
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
  std::string xml = aigXml(R"(<l t="A" r="D-AAAA"/><l t="A" r="D-BBBB"/><l t=""/><l t="B" s="true"/><l t="A"/>)");
  std::vector<RegcodeRecord> records;
  EXPECT_FALSE(gf_readAigRegcodesXml(records, xml));
  ASSERT_EQ(records.size(), 3U);
  EXPECT_EQ(records[1].title, "B");
  EXPECT_TRUE(records[1].special);

  // The list the program ships.
  const fs::path shipped = fs::path(GWR_SOURCE_DIR) / "data/regcodes/AIG-regcodes.xml";
  xml = readBytes(shipped);
  records.clear();
  EXPECT_TRUE(gf_readAigRegcodesXml(records, xml));
  EXPECT_GE(records.size(), 5U);
  xml = aigXml("").substr(0, aigXml("").find("<aig>")) + "</root>";
  EXPECT_FALSE(gf_readAigRegcodesXml(records, xml));
  xml = "not xml";
  EXPECT_FALSE(gf_readAigRegcodesXml(records, xml));
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
  EXPECT_TRUE(offline.starts_with("Processing file " + regcodesXmlFile.string() + "\n")) << offline;
  EXPECT_NE(logText().find("    1 livery read from AIG-regcodes.xml\n"), std::string::npos);
  EXPECT_NE(offline.find("   regcode D-AAAA for 'Livery Y', instead of the same for 'Livery X'"), std::string::npos);
  EXPECT_NE(offline.find("\n1 new regcode added, 1 regcode replaced\n"), std::string::npos) << offline;
  EXPECT_NE(offline.find("\n0 new regcodes added, 1 regcode replaced, 1 regcode defined as special\n"),
            std::string::npos);
  EXPECT_FALSE(fs::exists(regcodesXmlFile));
}

// The first livery keeps a registration and a title; a title is checked
// against its registration also after its registration clashed.
TEST_F(RegcodeLists, InlineClashesOfRegistrationAndOfTitle) {
  buildTables();
  const LiveryList inlined{{"Livery X", "D-AAAA", {}, 0}, {"Livery Z", "D-AAAA", {}, 0},
                           {"Livery Z", "D-CCCC", {}, 0}, {"Livery X", "D-AAAA", {}, 0},
                           {"Livery Y", "", {}, 0},       {"Missing", "D-EEEE", {}, 0}};
  gf_processInlineRegcodes(inlined);
  EXPECT_EQ(RegcodeTitleMap.at("D-AAAA"), "Livery X");
  EXPECT_EQ(RegcodeTitleMap.at("D-CCCC"), "Livery Z");
  EXPECT_EQ(TitleRegcodeMap.at("Livery Z"), "D-AAAA");
  EXPECT_FALSE(TitleRegcodeMap.contains(std::string_view("Livery Y")));
  EXPECT_EQ(RegcodeTitleMap.size(), 2U);
  std::vector<std::string> lines;
  std::istringstream text(readBytes(inlineRegcodesFile));
  for (std::string line; std::getline(text, line);) lines.push_back(line.substr(0, line.find('\r')));
  ASSERT_EQ(lines.size(), 3U);
  EXPECT_EQ(lines[0], "D-AAAA 'Livery Z' => already in use by 'Livery X'");
  EXPECT_EQ(lines[1], "Livery Z 'D-CCCC' => already in use by 'D-AAAA'");
  EXPECT_TRUE(lines[2].starts_with("==> ["));
  EXPECT_TRUE(lines[2].ends_with("] D-EEEE 'Missing' not available, system error, should not happen?")) << lines[2];
  EXPECT_NE(logText().find(fmt::format("    3 in-line regcode clashes, see '{}'", inlineRegcodesFile.string())),
            std::string::npos);
}

// Special records mark their registrations; only a record of one registration
// marks it unique. A later record takes a registration but not its marks.
TEST_F(RegcodeLists, UniqueOnlyForSpecialRecordsOfOneRegistration) {
  buildTables();
  gf_applyRegcodeEntries({{"Livery X", {"D-AAAA", "D-AAAB"}, true},
                          {"Livery Y", {"D-BBBB"}, true},
                          {"Livery Z", {"D-CCCC"}, false},
                          {"Livery Z", {"D-BBBB"}, false}});
  EXPECT_EQ(SpecialRegcodes, (std::set<std::string>{"D-AAAA", "D-AAAB", "D-BBBB"}));
  EXPECT_EQ(UniqueRegcodes, std::set<std::string>{"D-BBBB"});
  EXPECT_EQ(SpecialLiveryTitles, (std::vector<std::string_view>{"Livery X", "Livery Y"}));
  EXPECT_EQ(RegcodeTitleMap.at("D-BBBB"), "Livery Z");
}

// The user's lists only correct the shipped one: without it (damaged or
// missing) nothing is applied and the previous report stays. The don't-use
// titles before a scan still come from the user's lists.
TEST_F(RegcodeLists, UndecryptableShippedListKeepsBothListsOut) {
  buildTables();
  writeFile(offlineRegcodesFile, "previous report\n");
  writeFile(myRegcodesFolder / "mine.txt", "Livery Z;D-CCCC\nNever this one\n");
  for (const bool damaged : {true, false}) {
    SCOPED_TRACE(damaged);
    if (damaged) writeFile(regcodesEncFile, "not an encrypted file");
    else fs::remove(regcodesEncFile);
    gf_processRegcodeFiles();
    EXPECT_TRUE(RegcodeTitleMap.empty());
    EXPECT_TRUE(regcodeMessages.empty());
    EXPECT_EQ(readBytes(offlineRegcodesFile), "previous report\n");
  }
  gf_clearScanReports();
  writeFile(regcodesEncFile, "not an encrypted file at all");
  gf_readDontUseTitles();
  EXPECT_TRUE(gf_isDontUseTitle("Never this one"));
  EXPECT_NE(logText().find(regcodesEncFile.string() +
                           " is damaged and cannot be decrypted, its registration codes are not used"),
            std::string::npos);
}

TEST_F(RegcodeLists, FailingShippedListReadLeavesNoPlainFile) {
  buildTables();
  const std::string noAig = aigXml("").substr(0, aigXml("").find("<aig>")) + "</root>";
  for (const std::string& plain : {std::string("not xml"), noAig}) {
    SCOPED_TRACE(plain);
    writeEncrypted(regcodesEncFile, plain);
    gf_readDontUseTitles();
    gf_processRegcodeFiles();
    // No plain copy beside the encrypted file and the user's lists.
    EXPECT_EQ(testsupport::namesInFolder(inputFolder), (std::vector<std::string>{"AIG-regcodes.enc", "my_regcodes"}));
    // Named by the plain file users know, although it is never written.
    EXPECT_NE(readBytes(offlineRegcodesFile)
                  .find("There were errors processing the AIG-regcode file '" + regcodesXmlFile.string() + "'"),
              std::string::npos);
  }
  EXPECT_NE(logText().find("Failed to load " + regcodesXmlFile.string()), std::string::npos);
}

TEST_F(RegcodeLists, StartUpBuildsTheTablesOncePerProcessUntilCleared) {
  EXPECT_THROW(gf_processScannedLiveries(), UserErrorException);  // no scan result yet
  EXPECT_FALSE(liveriesProcessed.load());

  gf_writeLiveriesScanned({testsupport::toLiveryData({"DLH", "", "A320", false, "DLH one", ""}),
                           testsupport::toLiveryData({"DLH", "", "A320", false, "DLH two", "D-AIPX"}),
                           testsupport::toLiveryData({"BAW", "", "A320", false, "BAW one", ""})});
  writeEncrypted(regcodesEncFile, aigXml(R"(<l t="BAW one" r="G-EUUA"/>)"));
  for (int startUp = 0; startUp < 3; ++startUp) {
    if (startUp == 2) {  // the shell emptied the tables
      gf_clearLiveryTables();
      liveriesProcessed.store(false);
    }
    gf_processScannedLiveries();
    EXPECT_EQ(liveryCount.load(), 3U);
    EXPECT_TRUE(liveriesProcessed.load());
    EXPECT_TRUE(ScannedLiveries.empty());
    EXPECT_EQ(RegcodeTitleMap.size(), 2U);
    EXPECT_EQ(AirlineLiveryTable.size(), 2U);
  }
  EXPECT_NE(logText().find("Processing scanned liveries skipped; already done in previous start-up"),
            std::string::npos);
}

} // namespace
} // namespace gwr
