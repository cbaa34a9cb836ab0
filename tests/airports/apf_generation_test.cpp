// Links to archived stand files and generated stand files: archived paths per
// edition and version, report lines, sorting, and failed writes reported.
#include "airports/apf_generation.h"

#include <gtest/gtest.h>

#include "scan_fixture.h"

namespace gwr {
namespace {

using namespace testsupport;
namespace fs = std::filesystem;

class ApfGenerationTest : public ScanSandbox {
protected:
  static ApfData record(const char* code, const char* publisher, std::optional<std::string> version = {}) {
    ApfData apf;
    apf.icao = FixedCode<4>(code);
    apf.publisher = publisher;
    if (version) apf.manifest = ManifestInfo{"", *version, "", ""};
    return apf;
  }
};

TEST_F(ApfGenerationTest, ArchivedPathsByPublisherEditionAndVersion) {
  thirdPartyAirports20 = {{"Some Pub", {"EHAM", "LOWI20", "LOWI"}}, {"Other", {"EGLL"}}};
  thirdPartyAirports24 = {{"Some Pub", {"EGLL"}}};
  simAddonAirports20 = {"EDDF"};
  simAddonAirports24 = {"EDDF", "KJFK"};
  struct Row {
    bool edition2020;
    ApfData apf;
    const char* path;
  };
  const Row rows[] = {
      {true, record("EHAM", "Some Pub"), "archive/thirdparty/Some%20Pub/EHAM.xml"},
      {true, record("LOWI", "Some Pub", "2.0"), "archive/thirdparty/Some%20Pub/LOWI20.xml"},
      {true, record("EHAM", "Some Pub", "2.0"), "archive/thirdparty/Some%20Pub/EHAM.xml"},
      {true, record("EGLL", "Some Pub"), ""},
      {false, record("EGLL", "Some Pub"), "archive/thirdparty/Some%20Pub/EGLL.xml"},
      {true, record("EDDF", "simaddon"), "archive/simaddon/EDDF.xml"},
      {true, record("KJFK", "simaddon"), ""},
      {false, record("KJFK", "simaddon"), "archive/simaddon/KJFK.xml"},
  };
  for (const Row& row : rows) {
    SimEdition.store(row.edition2020);
    const std::string path = row.apf.publisher == "simaddon" ? gf_simaddonArchivePath(row.apf.icao)
                                                             : gf_thirdPartyArchivePath(row.apf);
    EXPECT_EQ(path, row.path) << row.apf.icao.view();
  }
  EXPECT_EQ(ScanLog, (std::vector<std::string>{"thirdparty Some Pub EGLL does not exist",
                                               "KJFK does not exist as simaddon"}));
}

// Links go to the folder of their kind; a link that cannot be written is no
// link, and a hand-made file is neither linked over nor replaced.
TEST_F(ApfGenerationTest, LinksGoToTheirFolderUnlessUnwritableOrHandmade) {
  thirdPartyAirports20 = {{"Some Pub", {"EHAM", "EGLL"}}};
  simAddonAirports20 = {"EDDF"};
  ApfData third = record("EHAM", "Some Pub");
  EXPECT_TRUE(gf_writeApfLinks(third));
  EXPECT_EQ(readFile("airports/my_thirdparty/EHAM.txt"), "archive/thirdparty/Some%20Pub/EHAM.xml\n");
  ApfData maker = record("EDDF", "simaddon");
  EXPECT_TRUE(gf_writeApfLinks(maker));
  EXPECT_EQ(readFile("airports/my_simaddon/EDDF.txt"), "archive/simaddon/EDDF.xml\n");
  ApfData nobody = record("LOWI", "");
  nobody.packageFolder = "Community/unknown/x.bgl";
  EXPECT_FALSE(gf_writeApfLinks(nobody));
  EXPECT_EQ(ScanLog, (std::vector<std::string>{"thirdparty airport EHAM linked to archive/thirdparty/Some%20Pub/EHAM.xml\n",
                                               "simaddon airport EDDF linked to archive/simaddon/EDDF.xml\n"}));

  ScanLog.clear();
  fs::remove("airports/my_thirdparty/EHAM.txt");
  fs::create_directories("airports/my_thirdparty/EHAM.txt");  // a folder where the link belongs
  EXPECT_FALSE(gf_writeApfLinks(third));
  EXPECT_EQ(ScanLog, std::vector<std::string>{"===> Writing airports/my_thirdparty/EHAM.txt did not succeed"});
  EXPECT_TRUE(logHas("==> Writing link file airports/my_thirdparty/EHAM.txt failed"));

  const std::string handmade = standgen::apfXml({true, "12.5.5", 1, {{"icao", "EGLL"}, {"handmade", "true"}}, true, {}, {}});
  standgen::writeText("airports/my_thirdparty/EGLL.xml", handmade);
  ApfData egll = record("EGLL", "Some Pub");
  EXPECT_TRUE(gf_writeApfLinks(egll));
  EXPECT_FALSE(fs::exists("airports/my_thirdparty/EGLL.txt"));
  EXPECT_EQ(readFile("airports/my_thirdparty/EGLL.xml"), handmade);
  standgen::writeText("airports/my_thirdparty/EGLL.xml",
                      standgen::apfXml({true, "12.5.5", 1, {{"icao", "EGLL"}, {"handmade", "false"}}, true, {}, {}}));
  EXPECT_TRUE(gf_writeApfLinks(egll));
  EXPECT_TRUE(fs::exists("airports/my_thirdparty/EGLL.txt"));
}

TEST_F(ApfGenerationTest, GeneratedFilesListStandsInByteOrder) {
  struct Row {
    std::vector<const char*> ids;
    std::int32_t helipads;
    const char* line;
  };
  const Row rows[] = {
      {{"A9", "A10", "helipad1"}, 1, "Generated EHAM: 3 positions of which 1 helipad"},
      {{"B2"}, 0, "Generated EHAM: 1 position"},
      {{"helipad2", "helipad1"}, 2, "Generated EHAM: 2 positions of which 2 helipads"},
      {{}, 0, "EHAM has no stands"},
  };
  for (const Row& row : rows) {
    ScanLog.clear();
    fs::remove_all("airports/my_thirdparty");
    ApfData apf = record("EHAM", "Some Pub");
    for (const char* id : row.ids) apf.stands.emplace_back(id, std::vector<StandOption>{}, 52.3, 4.7, 1.0, 20.0, 4, false, false, false);
    gf_generateApf(apf, row.helipads);
    ASSERT_EQ(ScanLog.size(), 1U);
    EXPECT_EQ(ScanLog[0], row.line);
    if (row.ids.empty()) {
      EXPECT_FALSE(fs::exists("airports/my_thirdparty/EHAM.xml"));
      continue;
    }
    std::vector<std::string> expected(row.ids.begin(), row.ids.end());
    std::sort(expected.begin(), expected.end());
    std::vector<std::string> ids;
    for (const auto& s : readStandsOf(readFile("airports/my_thirdparty/EHAM.xml"))) ids.push_back(s.id);
    EXPECT_EQ(ids, expected);
  }
  ApfData maker = record("EDDF", "simaddon");
  maker.stands.emplace_back("1", std::vector<StandOption>{}, 50.0, 8.5, 1.0, 20.0, 4, false, false, false);
  gf_generateApf(maker, 0);
  EXPECT_TRUE(fs::exists("airports/my_simaddon/EDDF.xml"));
  // No setting cuts the path: a file without publisher names the whole of it.
  ApfData unknown = record("EGLL", "");
  unknown.BGLpath = "D:/MSFS/Community/pub-egll/scenery/EGLL.bgl";
  unknown.stands = maker.stands;
  gf_generateApf(unknown, 0);
  EXPECT_NE(readFile("airports/my_thirdparty/EGLL.xml").find("\"D:/MSFS/Community/pub-egll"), std::string::npos);
}

TEST(CutPathAtCommunityTest, APathBeginsAtItsFirstCommunity) {
  const std::pair<const char*, const char*> rows[] = {
      {"D:/MSFS/Community/pub-eham/scenery/a.bgl", "Community/pub-eham/scenery/a.bgl"},
      {"C:\\Packages\\Community\\x\\Community\\a.bgl", "Community\\x\\Community\\a.bgl"},
      {"D:/MSFS/community/pub/a.bgl", "D:/MSFS/community/pub/a.bgl"},  // the word as written
      {"", ""},
  };
  for (const auto& [path, cut] : rows) {
    std::string text = path;
    gf_cutPathAtCommunity(text);
    EXPECT_EQ(text, cut) << path;
  }
}

} // namespace
} // namespace gwr
