// The airports table: reading its XML (good, incomplete and broken entries),
// the closest-airport rule with its neighbour, codes found in texts, and the
// real shipped table.
#include "refdata/airports_table.h"

#include <fmt/format.h>
#include <gmock/gmock.h>
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
    return gf_readAirportsFrom(encrypted, testDataKey);
  }

  LogCapture log;
  const std::filesystem::path encrypted = log.folder() / "airports.enc";
};

TEST_F(AirportsTableTest, ReadsGoodEntriesAndSkipsIncompleteOnes) {
  ASSERT_TRUE(readXml(R"(<ap c="EHAM" i="AMS" la="52.3" lo="4.76" a="-11" s="200"/>)"
                      R"(<ap c="dddd" la="1" lo="2" a="3"/>)"
                      R"(<ap c="CCCC" la="1" lo="2" a="3" s="4"/>)"
                      R"(<ap c="BBBB" i="" la="1" lo="2" a="3" s="0"/>)"
                      R"(<ap c="AAAA" lo="2" a="3" s="0"/>)"
                      R"(<ap c="GGGG" la="90.5" lo="2" a="3" s="0"/>)"
                      R"(<ap c="CCCC" la="5" lo="6" a="7" s="8"/>)"));
  // Sorted by code; a code listed twice stays twice, in file order.
  std::string table;
  for (const auto& a : airportsTable)
    table += fmt::format("{} {} {} {} {} {}|", a.icao, a.iata, a.latitude, a.longitude, a.altitude, a.stands);
  EXPECT_EQ(table, "CCCC XXX 1 2 3 4|CCCC XXX 5 6 7 8|DDDD XXX 1 2 3 0|EHAM AMS 52.3 4.76 -11 200|");
  EXPECT_EQ(airportCodeSet.size(), 3U);
  EXPECT_FALSE(gf_isKnownAirport(FixedCode<4>("BBBB")));
  EXPECT_EQ(testsupport::namesInFolder(log.folder()), std::vector<std::string>{"airports.enc"});
  EXPECT_NE(log.text().find("Error storing airport 'GGGG' '': position 90.5 2 is off the globe\n"), std::string::npos);
}

TEST_F(AirportsTableTest, BrokenFilesFailAsAWholeWithCode88) {
  EXPECT_FALSE(readXml(""));  // an empty table is no failure
  gf_clearAirportsForTests();
  // An empty content: no encrypted file at all; "/": a folder in its place.
  const std::string undecryptable = "88: " + encrypted.string() + " stream decrypt failed";
  const struct { const char* name; std::string content, message, logged; } cases[] = {
      {"bad ICAO code", R"(<root><airports><ap c="ABC" la="1" lo="2" a="3"/></airports></root>)",
       "88: 'ABC' FixedCode: invalid string (length/charset)", ""},
      {"no airports element", "<root><other/></root>", "88: Missing <airports> root in: " + encrypted.string(), ""},
      {"not XML", "<root><airports>", "88: " + encrypted.string() + " not loaded: Start-end tags mismatch", ""},
      {"no data file", "", undecryptable, "Could not open input file: " + encrypted.string()},
      {"a folder", "/", undecryptable, "Could not open input file: " + encrypted.string() + " is a folder"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(encrypted);
    if (c.content == "/")
      std::filesystem::create_directory(encrypted);
    else if (!c.content.empty())
      writeEncrypted(encrypted, c.content);
    log.mark();
    EXPECT_THAT([&] { gf_readAirportsFrom(encrypted, testDataKey); },
                ::testing::ThrowsMessage<UserErrorException>(::testing::StrEq(c.message)));
    const std::vector<std::string> why{"gf_streamDecrypt exception: " + c.logged};
    EXPECT_EQ(log.lines(), c.logged.empty() ? std::vector<std::string>{} : why);
    EXPECT_TRUE(airportsTable.empty());
    const std::vector<std::string> left = testsupport::namesInFolder(log.folder());
    EXPECT_EQ(left, c.content.empty() ? std::vector<std::string>{} : std::vector<std::string>{"airports.enc"});
  }
  std::filesystem::remove(encrypted);
  // A failed read leaves nothing behind that would stop a later one.
  EXPECT_TRUE(readXml(R"(<ap c="EHAM" la="1" lo="2" a="3" s="0"/>)"));
}

// Stand distances the stand reader answers, by airport.
double standNmOfAAAA = 0.0, standNmOfBBBB = 0.0;
int standQuestions = 0;

double fakeStandReader(FixedCode<4> airport, const LatLon&, std::string& standId) {
  ++standQuestions;
  standId = "G" + airport.text();
  return airport == FixedCode<4>("AAAA") ? standNmOfAAAA : standNmOfBBBB;
}

// The code of the closest airport; empty when none is near enough.
std::string lf_closest(const LatLon& position) {
  const AirportRecord* found = gf_findClosestAirport(position);
  return found ? found->icao.text() : "";
}

TEST_F(AirportsTableTest, ClosestAirportAndItsNeighbour) {
  // AAAA at the equator, BBBB 5 nm north of it, CCCC far away.
  ASSERT_TRUE(readXml(R"(<ap c="AAAA" la="0" lo="0" a="0" s="0"/>)"
                      R"(<ap c="BBBB" la=")" + std::to_string(5 * degreesPerNm) + R"(" lo="0" a="0" s="0"/>)"
                      R"(<ap c="CCCC" la="40" lo="40" a="0" s="0"/>)"));
  gf_installClosestStandReader(fakeStandReader);
  standQuestions = 0;
  // 1 nm south of AAAA: 6 nm from BBBB, so no neighbour and no stand question.
  EXPECT_EQ(lf_closest({-1 * degreesPerNm, 0}), "AAAA");
  EXPECT_EQ(standQuestions, 0);
  EXPECT_EQ(lf_closest({-5.5 * degreesPerNm, 0}), "");

  // 3 nm from AAAA, 2 nm from BBBB: BBBB is closest, AAAA its neighbour, which
  // wins only with a strictly nearer stand.
  const LatLon between{3 * degreesPerNm, 0};
  standNmOfBBBB = 0.2;
  for (const auto& [aaaaNm, expected] : {std::pair{0.3, "BBBB"}, {0.2, "BBBB"}, {0.1, "AAAA"}}) {
    standNmOfAAAA = aaaaNm;
    EXPECT_EQ(lf_closest(between), expected) << aaaaNm;
  }
  EXPECT_EQ(log.lines().back(),
            "Airport BBBB is closest, but stand GAAAA at neighbouring airport AAAA is closer at 185 meters ...");
  gf_installClosestStandReader(nullptr);  // then both answer "no stand": the closest stays
  EXPECT_EQ(lf_closest(between), "BBBB");
}

TEST_F(AirportsTableTest, AirportCodeInText) {
  ASSERT_TRUE(readXml(R"(<ap c="EHAM" la="1" lo="2" a="3" s="0"/><ap c="LFPG" la="1" lo="2" a="3" s="0"/>)"));
  // The code expected, "" for none.
  const struct { std::vector<const char*> supported; const char *text, *expected; } cases[] = {
      {{"EHAM"}, "Community/EHAM_Schiphol", "EHAM"}, {{"EHAM"}, "myehamscenery", ""}, {{}, "my eham-scenery", ""},
      {{"ABCD", "EHAM"}, "ABCD EHAM", "EHAM"},       {{"EHAM", "LFPG"}, "lfpg-eham", "LFPG"}};
  for (const auto& c : cases) {
    rtAirportCodes.clear();
    for (const char* code : c.supported) rtAirportCodes.insert(FixedCode<4>(code));
    const auto found = gf_findAirportCodeInText(c.text);
    EXPECT_EQ(found ? found->text() : "", c.expected) << c.text;
  }
}

TEST_F(AirportsTableTest, RealShippedTable) {
  const std::filesystem::path shipped = std::filesystem::path(GWR_PROGRAM_INPUT_DIR) / "airports.enc";
  ASSERT_TRUE(gf_readAirportsFrom(shipped, gf_programDataKey()));
  EXPECT_GT(airportsTable.size(), 20'000U);
  EXPECT_EQ(lf_closest({52.31, 4.76}), "EHAM");
  EXPECT_EQ(lf_closest({40.64, -73.78}), "KJFK");
  EXPECT_EQ(lf_closest({0.0, -30.0}), "");  // mid-Atlantic
  rtAirportCodes = {FixedCode<4>("EHAM")};
  EXPECT_EQ(gf_findAirportCodeInText("my eham-scenery"), FixedCode<4>("EHAM"));
}

} // namespace
} // namespace gwr
