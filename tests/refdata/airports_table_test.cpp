// The airports table: reading its XML (good, incomplete and broken entries),
// the closest-airport rule with its neighbour, codes found in texts, and the
// real shipped table.
#include "refdata/airports_table.h"

#include <gtest/gtest.h>

#include "core/user_error.h"
#include "refdata/airport_services.h"
#include "support/encrypted_fixture.h"
#include "support/log_capture.h"

namespace gwr {
namespace {

using testsupport::LogCapture;
using testsupport::testDataKey;
using testsupport::writeEncrypted;

constexpr double degreesPerNm = 1.0 / 60.0;  // along a meridian

class AirportsTableTest : public ::testing::Test {
 protected:
  void SetUp() override { gf_clearAirportsForTests(); }
  void TearDown() override {
    gf_clearAirportsForTests();
    rtAirportCodes.clear();
    gf_installClosestStandReader(nullptr);
  }

  bool readXml(const std::string& entries) {
    writeEncrypted(encrypted, "<root><airports>" + entries + "</airports></root>");
    log.mark();
    return gf_readAirportsFrom(encrypted, plain, testDataKey);
  }

  LogCapture log;
  const std::filesystem::path encrypted = log.folder() / "airports.enc";
  const std::filesystem::path plain = log.folder() / "airports.xml";
};

TEST_F(AirportsTableTest, ReadsGoodEntriesAndSkipsIncompleteOnes) {
  ASSERT_TRUE(readXml(R"(<ap c="EHAM" i="AMS" la="52.3" lo="4.76" a="-11" s="200"/>)"
                      R"(<ap c="dddd" la="1" lo="2" a="3"/>)"
                      R"(<ap c="CCCC" la="1" lo="2" a="3" s="4"/>)"
                      R"(<ap c="BBBB" i="" la="1" lo="2" a="3" s="0"/>)"
                      R"(<ap c="AAAA" lo="2" a="3" s="0"/>)"
                      R"(<ap c="FFFF" la="1" lo="2" s="0"/>)"
                      R"(<ap c="GGGG" la="95" lo="2" a="3" s="0"/>)"
                      R"(<ap c="CCCC" la="5" lo="6" a="7" s="8"/>)"));
  ASSERT_EQ(airportsTable.size(), 4U);
  // Sorted by code; a code listed twice stays twice, in file order.
  EXPECT_EQ(airportsTable[0].icao, FixedCode<4>("CCCC"));
  EXPECT_EQ(airportsTable[1].latitude, 5.0);
  EXPECT_EQ(airportsTable[2].icao, FixedCode<4>("DDDD"));
  EXPECT_EQ(airportsTable[2].stands, 0);
  EXPECT_EQ(airportsTable[2].iata, unknownCode3);
  const AirportRecord& eham = airportsTable[3];
  EXPECT_EQ(eham.iata, FixedCode<3>("AMS"));
  EXPECT_EQ(eham.altitude, -11.0F);
  EXPECT_EQ(eham.stands, 200);
  EXPECT_EQ(airportCodeSet.size(), 3U);
  EXPECT_FALSE(gf_isKnownAirport(FixedCode<4>("BBBB")));
  EXPECT_FALSE(std::filesystem::exists(plain));

  const std::vector<std::string> expected{
      "==> Missing stands for airport 'DDDD'",
      "Error storing airport 'BBBB' '': '' FixedCode: invalid string (length/charset)",
      "==> Missing latLons for airport 'AAAA'",
      "==> Missing alt for airport 'FFFF'",
      "Error storing airport 'GGGG' '': position 95 2 is off the globe",
      "    4 airports read",
  };
  EXPECT_EQ(log.lines(), expected);
}

TEST_F(AirportsTableTest, BrokenFilesFailAsAWholeWithCode88) {
  struct Case {
    const char* name;
    std::string content;  // empty: no encrypted file at all
    std::string message;
  };
  const Case cases[] = {
      {"bad ICAO code", R"(<root><airports><ap c="ABC" la="1" lo="2" a="3"/></airports></root>)",
       "88: 'ABC' FixedCode: invalid string (length/charset)"},
      {"missing ICAO code", R"(<root><airports><ap la="1" lo="2" a="3"/></airports></root>)",
       "88: '' FixedCode: invalid string (length/charset)"},
      {"no airports element", "<root><other/></root>", "88: Missing <airports> root in: " + plain.string()},
      {"not XML", "<root><airports>", "88: " + plain.string() + " not loaded: Start-end tags mismatch"},
      {"no data file", "", "88: " + plain.string() + " not loaded: File was not found"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(encrypted);
    if (!c.content.empty()) writeEncrypted(encrypted, c.content);
    try {
      gf_readAirportsFrom(encrypted, plain, testDataKey);
      ADD_FAILURE() << "no exception";
    } catch (const UserErrorException& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
    EXPECT_FALSE(std::filesystem::exists(plain));
    EXPECT_TRUE(airportsTable.empty());
  }
  // A failed read leaves nothing behind that would stop a later one.
  EXPECT_TRUE(readXml(R"(<ap c="EHAM" la="1" lo="2" a="3" s="0"/>)"));
  EXPECT_EQ(airportsTable.size(), 1U);
}

TEST_F(AirportsTableTest, SecondReadNeitherDecryptsNorReads) {
  EXPECT_FALSE(readXml(""));  // an empty table is no failure
  gf_clearAirportsForTests();
  ASSERT_TRUE(readXml(R"(<ap c="EHAM" la="1" lo="2" a="3" s="0"/>)"));
  std::filesystem::remove(encrypted);
  log.mark();
  EXPECT_TRUE(gf_readAirportsFrom(encrypted, plain, testDataKey));
  EXPECT_TRUE(log.lines().empty());
  EXPECT_EQ(airportsTable.size(), 1U);
}


// Stand distances the stand reader answers, by airport.
double standNmOfAAAA = 0.0;
double standNmOfBBBB = 0.0;
int standQuestions = 0;

double fakeStandReader(FixedCode<4> airport, const LatLon&, std::string& standId) {
  ++standQuestions;
  standId = "G" + airport.text();
  return airport == FixedCode<4>("AAAA") ? standNmOfAAAA : standNmOfBBBB;
}

TEST_F(AirportsTableTest, ClosestAirportAndItsNeighbour) {
  // AAAA at the equator, BBBB 5 nm north of it, CCCC far away.
  ASSERT_TRUE(readXml(R"(<ap c="AAAA" la="0" lo="0" a="0" s="0"/>)"
                      R"(<ap c="BBBB" la=")" + std::to_string(5 * degreesPerNm) + R"(" lo="0" a="0" s="0"/>)"
                      R"(<ap c="CCCC" la="40" lo="40" a="0" s="0"/>)"));
  gf_installClosestStandReader(fakeStandReader);
  standQuestions = 0;

  // 1 nm south of AAAA: 6 nm from BBBB, so no neighbour and no stand question.
  const AirportRecord* found = gf_findClosestAirport({-1 * degreesPerNm, 0});
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->icao, FixedCode<4>("AAAA"));
  EXPECT_EQ(standQuestions, 0);
  EXPECT_EQ(gf_findClosestAirport({-5.5 * degreesPerNm, 0}), nullptr);

  // 3 nm from AAAA, 2 nm from BBBB: BBBB is closest, AAAA its neighbour, which
  // wins only with a strictly nearer stand.
  const LatLon between{3 * degreesPerNm, 0};
  standNmOfBBBB = 0.2;
  for (const auto& [aaaaNm, expected] : {std::pair{0.3, "BBBB"}, {0.2, "BBBB"}, {0.1, "AAAA"}}) {
    SCOPED_TRACE(aaaaNm);
    standNmOfAAAA = aaaaNm;
    log.mark();
    EXPECT_EQ(gf_findClosestAirport(between)->icao, FixedCode<4>(expected));
    EXPECT_EQ(log.lines().front(), "Airport BBBB is closest, neighbour is AAAA");
  }
  EXPECT_EQ(log.lines().back(),
            "Airport BBBB is closest, but stand GAAAA at neighbouring airport AAAA is closer at 185 meters ...");

  // Without an installed reader both answer "no stand": the closest stays.
  gf_installClosestStandReader(nullptr);
  EXPECT_EQ(gf_findClosestAirport(between)->icao, FixedCode<4>("BBBB"));
}

TEST_F(AirportsTableTest, AirportCodeInText) {
  ASSERT_TRUE(readXml(R"(<ap c="EHAM" la="1" lo="2" a="3" s="0"/><ap c="LFPG" la="1" lo="2" a="3" s="0"/>)"));
  struct Case {
    std::vector<const char*> supported;
    const char* text;
    const char* expected;  // nullptr: none
  };
  const Case cases[] = {
      {{"EHAM"}, "my eham-scenery", "EHAM"},
      {{"EHAM"}, "Community/EHAM_Schiphol", "EHAM"},
      {{"EHAM"}, "myehamscenery", nullptr},
      {{"EHAM"}, "EHAMX", nullptr},
      {{}, "my eham-scenery", nullptr},
      {{"ABCD", "EHAM"}, "ABCD EHAM", "EHAM"},
      {{"ABCD", "WXYZ"}, "abcd wxyz", "WXYZ"},
      {{"EHAM", "LFPG"}, "lfpg-eham", "LFPG"},
      {{"EHAM"}, "lfpg-eham", "EHAM"},
      {{"EHAM"}, "", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    rtAirportCodes.clear();
    for (const char* code : c.supported) rtAirportCodes.insert(FixedCode<4>(code));
    const std::optional<FixedCode<4>> found = gf_findAirportCodeInText(c.text);
    if (c.expected)
      EXPECT_EQ(found, FixedCode<4>(c.expected));
    else
      EXPECT_EQ(found, std::nullopt);
  }
}

TEST_F(AirportsTableTest, RealShippedTable) {
  const std::filesystem::path shipped = std::filesystem::path(GWR_PROGRAM_INPUT_DIR) / "airports.enc";
  ASSERT_TRUE(gf_readAirportsFrom(shipped, plain, gf_programDataKey()));
  EXPECT_GT(airportsTable.size(), 20'000U);
  EXPECT_TRUE(std::is_sorted(airportsTable.begin(), airportsTable.end(),
                             [](const AirportRecord& a, const AirportRecord& b) { return a.icao < b.icao; }));

  const AirportRecord* schiphol = gf_findClosestAirport({52.31, 4.76});
  ASSERT_NE(schiphol, nullptr);
  EXPECT_EQ(schiphol->icao, FixedCode<4>("EHAM"));
  EXPECT_EQ(schiphol->iata, FixedCode<3>("AMS"));
  const AirportRecord* kennedy = gf_findClosestAirport({40.64, -73.78});
  ASSERT_NE(kennedy, nullptr);
  EXPECT_EQ(kennedy->icao, FixedCode<4>("KJFK"));
  EXPECT_EQ(gf_findClosestAirport({0.0, -30.0}), nullptr);  // mid-Atlantic

  rtAirportCodes = {FixedCode<4>("EHAM")};
  EXPECT_EQ(gf_findAirportCodeInText("my eham-scenery"), FixedCode<4>("EHAM"));
}

} // namespace
} // namespace gwr
