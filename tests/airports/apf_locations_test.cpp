// Where stand files are found: lookup precedence over a generated airports
// tree, links, short names and the learned file of every kind of path.
#include "airports/apf_locations.h"

#include <functional>

#include <gtest/gtest.h>

#include "stand_fixture.h"

namespace gwr {
namespace {

using namespace testsupport;

class ApfLocationsTest : public AirportsSandbox {
protected:
  static void listAirport(const char* code, std::int32_t stands) {
    airportsTable.push_back({FixedCode<4>(code), unknownCode3, 0.0, 0.0, 0.0F, stands});
  }
};

TEST_F(ApfLocationsTest, EachFolderOutranksTheOnesAfterIt) {
  const FixedCode<4> loww("LOWW");
  listAirport("LOWW", 0);
  EXPECT_EQ(gf_locateApf(loww), "");
  EXPECT_FALSE(gf_hasLocalApf(loww));
  gf_clearAirportsForTests();
  listAirport("LOWW", 2);
  // Added from the lowest to the highest rank; each new place wins.
  const std::pair<std::function<void()>, std::string> steps[] = {
      {[] {}, "archive/stock/LOWW.xml"},
      {[] { standgen::writeText("airports/my_simaddon/LOWW.xml", "<root/>"); }, "airports/my_simaddon/LOWW.xml"},
      {[] { standgen::writeLink("airports/my_simaddon/LOWW.txt", "archive/simaddon/LOWW.xml"); },
       "archive/simaddon/LOWW.xml"},
      {[] { standgen::writeText("airports/my_thirdparty/LOWW.xml", "<root/>"); }, "airports/my_thirdparty/LOWW.xml"},
      {[] { standgen::writeLink("airports/my_thirdparty/LOWW.txt", "archive/thirdparty/Pub/LOWW_2.xml"); },
       "archive/thirdparty/Pub/LOWW_2.xml"},
  };
  for (const auto& [add, expected] : steps) {
    add();
    EXPECT_EQ(gf_locateApf(loww), expected);
    EXPECT_TRUE(gf_hasLocalApf(loww));
  }
}

TEST_F(ApfLocationsTest, TheSampleTreeIsFoundWhereItLies) {
  standgen::writeSampleTree("airports");
  const std::pair<const char*, const char*> rows[] = {
      {"EHAM", "airports/my_thirdparty/EHAM.xml"},
      {"EGLL", "archive/thirdparty/Sample%20Publisher/EGLL.xml"},
      {"LFPG", "airports/my_simaddon/LFPG.xml"},
      {"EDDF", "archive/simaddon/EDDF.xml"},
      {"KJFK", "archive/thirdparty/Sample%20Publisher/KJFK.xml"},  // the link beats the file beside it
      {"LOWW", ""},
  };
  for (const auto& [code, expected] : rows) EXPECT_EQ(gf_locateApf(FixedCode<4>(code)), expected) << code;
  EXPECT_TRUE(gf_hasLocalApf(FixedCode<4>("EDDF")));
  EXPECT_FALSE(gf_hasLocalApf(FixedCode<4>("LOWW")));
}

TEST_F(ApfLocationsTest, LinksNameAnXmlFileOnTheirFirstLine) {
  const std::pair<const char*, std::optional<std::string>> rows[] = {
      {"archive/stock/EHAM.XML \t\r\n", "archive/stock/EHAM.XML"},
      {"archive/stock/EHAM.xml\nsecond line", "archive/stock/EHAM.xml"},
      {"archive/stock/EHAM.txt\n", std::nullopt},
      {"", std::nullopt},
      {"xml\n", std::nullopt},
  };
  for (const auto& [text, expected] : rows) {
    standgen::writeText("link.txt", text);
    std::string out = "old";
    EXPECT_EQ(gf_readApfLink("link.txt", out), expected.has_value()) << text;
    EXPECT_EQ(out, expected.value_or("")) << text;
  }
  std::string out = "old";
  EXPECT_FALSE(gf_readApfLink("missing.txt", out));
  EXPECT_EQ(out, "");
  // A link that names no xml file does not stop the search.
  standgen::writeLink("airports/my_thirdparty/EHAM.txt", "archive/stock/EHAM.txt");
  standgen::writeLink("airports/my_simaddon/EHAM.txt", "archive/simaddon/EHAM.xml");
  EXPECT_EQ(gf_locateApf(FixedCode<4>("EHAM")), "archive/simaddon/EHAM.xml");
}

TEST_F(ApfLocationsTest, StoredPathsMapToTheirLearnedFiles) {
  struct Row {
    const char* stored;
    const char* publisher;
    const char* learned;
  };
  const Row rows[] = {
      {"archive/stock/EHAM.xml", "", "airports/learned/stock/EHAM.xml"},
      {"archive\\simaddon\\EHAM.xml", "", "airports/learned/simaddon/EHAM.xml"},
      {"archive/thirdparty/Some%20Publisher/EHAM.xml", "", "airports/learned/thirdparty/Some Publisher/EHAM.xml"},
      {"x/archive/thirdparty/Pub/EHAM.XML", "", "airports/learned/thirdparty/Pub/EHAM.XML"},
      {"archive/thirdparty/EHAM.xml", "", ""},
      {"archive/thirdparty/%20/EHAM.xml", "", ""},
      {"airports/stock/EHAM.xml", "", "airports/learned/stock/EHAM.xml"},
      // Local simulator add-on airports learn in the folder the learned save writes to.
      {"airports/my_simaddon/EHAM.xml", "simaddon", "airports/learned/simaddon/EHAM.xml"},
      {"airports/my_thirdparty/EHAM.xml", "Pub/Lisher", "airports/learned/thirdparty/Pub Lisher/EHAM.xml"},
      {"airports/my_thirdparty2024/EHAM.xml", " Pub ", "airports/learned/thirdparty/Pub/EHAM.xml"},
      {"airports/my_thirdparty/EHAM.xml", " \\ ", ""},
      // A publisher name from a file never climbs out of the learned tree.
      {"airports/my_thirdparty/EHAM.xml", "..", ""},
      {"airports/my_thirdparty/EHAM.xml", " . ", ""},
      {"archive/thirdparty/%2E%2E/EHAM.xml", "", "airports/learned/thirdparty/%2E%2E/EHAM.xml"},
      {"archive/thirdparty/../EHAM.xml", "", ""},
      {"airports/other/EHAM.xml", "", "airports/learned/other/EHAM.xml"},
      {"archive/stock/EHAM.txt", "", ""},
      {"elsewhere/EHAM.xml", "", ""},
      {"", "", ""},
  };
  for (const Row& row : rows)
    EXPECT_EQ(gf_mapStoredApfPath(row.stored, row.publisher), std::filesystem::path(row.learned)) << row.stored;
}

TEST_F(ApfLocationsTest, CodeTextsShortPathsAndBlanks) {
  const FixedCode<4> eham("EHAM");
  EXPECT_EQ(gf_apfCodeText(eham, "1.2.0"), "EHAM120");
  EXPECT_EQ(gf_apfCodeText({}, "v.1"), "    v1");
  EXPECT_EQ(gf_shortApfPath("archive/stock/EHAM_2.xml"), std::filesystem::path("archive/stock/EHAM.xml"));
  EXPECT_EQ(gf_shortApfPath("archive/stock/EHAM.xml"), std::filesystem::path("archive/stock/EHAM.xml"));
  EXPECT_EQ(gf_shortApfPath("EHA.xml"), std::filesystem::path("EHA.xml"));
  EXPECT_EQ(gf_trimBlanks("  a b  "), "a b");
  EXPECT_EQ(gf_trimBlanks("   "), "");
  EXPECT_EQ(gf_trimBlanks("\ta "), "\ta");
}

} // namespace
} // namespace gwr
