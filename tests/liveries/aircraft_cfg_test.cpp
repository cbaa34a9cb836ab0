// Tests of the aircraft.cfg readers: keys, quotes and comments, section
// headers, the cut into sections, the model code, long lines and encodings.
#include <chrono>
#include <string>
#include <vector>

#include "core/text_files.h"
#include "liveries/aircraft_cfg_keys.h"
#include "liveries/aircraft_cfg_sections.h"
#include "liveries/fltsim_section.h"
#include "liveries/model_code.h"
#include "support/livery_world.h"

namespace gwr {
namespace {

class AircraftCfgFile : public testsupport::LiveryFixture {};

// Each line through one key reader: the value read, or "" when it reads nothing.
struct ValueCase { const char *line, *value; };
void lf_expectValues(bool (*reader)(std::string_view, std::string&), std::initializer_list<ValueCase> cases) {
  for (const ValueCase& c : cases) {
    std::string value = "unchanged";
    EXPECT_EQ(reader(c.line, value), *c.value != '\0') << c.line;
    EXPECT_EQ(value, *c.value != '\0' ? c.value : "unchanged") << c.line;
  }
}

TEST(AircraftCfgKeys, ReadersFollowQuotesCommentsCaseAndTheirOwnRules) {
  lf_expectValues(gf_readTitle, {
      {"  TITLE \t=\t Foo Bar \r", "Foo Bar"}, {"Title = Foo ;x", "Foo"},  {"title = ;only a comment", ""},
      {"title = \"A;B\" ; c", "A;B"},           {"title = \"  Pad  \" tail", "  Pad  "},
      {"title = \"unclosed", ""},             {"title = Foo\"", ""},      {"title =   ", ""}, {"ui_title = Foo", ""},
      {"title Foo", ""}});
  lf_expectValues(gf_readAtcId, {{"atc_id = D-AB", ""}, {"atc_id=\"D-ABC\"", "D-ABC"}});  // D-AB is too short
  lf_expectValues(gf_readIcaoAirline, {{"icao_airline = \"\"", "ZZZ"}, {"icao_airline=ZZZZ", "ZZZ"},
                                       {"icao_airline = zzzz", "ZZZZ"}, {"icao_airline = dlh ; x", "DLH"},
                                       {"icao_airline =  ", ""}});
  EXPECT_EQ(gf_readIcaoTypeDesignator("icao_type_designator = \"b738x\""), "B738");
  // The repeated-key tests look for exact bytes anywhere, comments included.
  EXPECT_TRUE(gf_hasAtcIdKey("// old atc_id=D-ABCD"));
  EXPECT_FALSE(gf_hasAtcIdKey("// old ATC_ID=D-ABCD"));
  EXPECT_FALSE(gf_hasAtcIdKey("atc_id = D-ABCD"));  // a blank before "=" hides it
  EXPECT_TRUE(gf_hasParkingTypesKey("; atc_parking_types were RAMP"));
  EXPECT_FALSE(gf_hasParkingTypesKey("; ATC_PARKING_TYPES were RAMP"));
}

TEST(AircraftCfgKeys, AHundredKilobyteLineIsReadQuickly) {
  const std::string value(100 * 1024, 'x');
  const auto start = std::chrono::steady_clock::now();
  std::string title;
  EXPECT_TRUE(gf_readTitle("title = " + value + "   ", title));
  EXPECT_EQ(title.size(), value.size());
  EXPECT_FALSE(gf_readTitle("texture = " + value, title));
  EXPECT_EQ(gf_readSectionNumber("[fltsim." + std::string(100 * 1024, '7') + "]").size(), 100 * 1024u);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
}

TEST(AircraftCfgSections, HeadersGiveTheirNumberAndCutTheFile) {
  const ValueCase cases[] = {
      {"  [FltSim.3] \t", "3"}, {"[fltsim.007]", "007"}, {"[fltsim.x]", "10000"}, {"[fltsim.-1]", "10000"},
      {"[fltsim.2] ; comment", "10000"}, {"[FLTSIM.2] ; comment", "10000"}, {"[FltSim.2] ; comment", ""},
      {"x [fltsim.4]", "10000"}, {"//[fltsim.1]", ""}, {"// [FLTSIM.1]", ""}, {"[general]", ""},
  };
  for (const ValueCase& c : cases) EXPECT_EQ(gf_readSectionNumber(c.line), c.value) << c.line;

  const std::vector<std::string> lines{"title = outside", "[fltsim.0]", "title = A", "   [VERSION]", "title = dropped",
                                       "[fltsim.1]", "title = B", "x = a late [bracket]", "[fltsim.2]"};
  const FltSimSections cut = gf_cutFltSimSections(lines, false);
  const std::vector<CfgSection>& ordinary = cut.sections;
  ASSERT_EQ(ordinary.size(), 3u);
  EXPECT_EQ(ordinary[0], (CfgSection{"[fltsim.0]", "title = A"}));
  EXPECT_EQ(ordinary[1], (CfgSection{"[fltsim.1]", "title = B", "x = a late [bracket]"}));
  // In IVAO files any '[' ends a section.
  EXPECT_EQ(cut.numbers, (std::vector<std::string>{"0", "1", "2"}));
  EXPECT_EQ(gf_cutFltSimSections(lines, true).sections[1], (CfgSection{"[fltsim.1]", "title = B"}));
}

TEST_F(AircraftCfgFile, SectionNumbersOfAFileAreChecked) {
  const std::filesystem::path file = "pkg/aircraft.cfg";
  const auto check = [&file](const std::vector<std::string>& lines) {
    return gf_checkFltSimNumbers(gf_cutFltSimSections(lines, false), file);
  };
  EXPECT_TRUE(check({"[fltsim.0]", "[fltsim.1]", "[fltsim.x]", "[fltsim.10000]"}));
  EXPECT_EQ(reportLineCount(), 0u);
  EXPECT_FALSE(check({"[fltsim.0]", "[fltsim.10001]"}));
  EXPECT_EQ(report(ScanReport::InvalidCfgLines),
            std::vector<std::string>{"pkg/aircraft.cfg contains a [fltsim.x] section with a number < 0 or > 10000"});
  EXPECT_FALSE(check({"[fltsim.99999999999]"}));
  EXPECT_TRUE(check({"[general]", "title = x"}));
  EXPECT_EQ(report(ScanReport::NoFltsimFiles), std::vector<std::string>{"pkg/aircraft.cfg"});
}

// The same package in each charset reads to the same UTF-8 livery.
TEST_F(AircraftCfgFile, AllThreeEncodingsGiveTheSameLivery) {
  const std::string head = "[General]\r\nicao_type_designator = A320\r\n[fltsim.0]\r\nicao_airline = DLH\r\ntitle = K";
  std::string utf16 = "\xFF\xFE";
  for (const char c : head + "\xE4\r\n") utf16 += std::string{c, '\0'};
  const std::pair<const char*, std::string> files[] = {
      {"bom", "\xEF\xBB\xBF" + head + "\xC3\xA4\r\n"}, {"utf16", utf16}, {"ansi", head + "\xE4\r\n"}};
  for (const auto& [name, bytes] : files) {
    const std::filesystem::path file = root() / name / "aircraft.cfg";
    testsupport::writeFile(file, bytes);
    std::vector<std::string> lines;
    ASSERT_TRUE(gf_readTextLines(gf_detectCharset(file), file, lines)) << name;
    CfgSection section = gf_cutFltSimSections(lines, false).sections.at(0);
    gf_clearScanReports();  // the same title in every file
    const LiveryList result =
        gf_procesFltSimSection(gf_makeCfgFileContext(1, file, gf_modelOfCfgFile(file, lines), false), section);
    EXPECT_EQ(result.size() == 1 ? testsupport::describe(result.front()) : "", "DLH A320 0 0|K\xC3\xA4|") << name;
  }
}

TEST_F(AircraftCfgFile, FirstTypeDesignatorDecidesTheModel) {
  const std::filesystem::path file = "Community/pkg/aircraft.cfg";
  // The one report line written, if any.
  const struct { std::vector<std::string> lines; const char* model; ScanReport report; std::string line; } cases[] = {
      {{"[General]", "icao_type_designator = A320", "icao_type_designator = B738"}, "A320", {}, ""},
      {{"icao_type_designator = \"A320neo\""}, "A320", {}, ""},  // cut to 4 before the check
      {{"icao_type_designator = B38"}, "B738", ScanReport::FixLines,
       "Model fix: B38 found in Community/pkg/aircraft.cfg changed into B738"},
      // An unknown designator is reported and base_container is not consulted.
      {{"icao_type_designator = QQQQ", "base_container = \"..\\Asobo_A320_NEO\""}, "", ScanReport::InvalidModelLines,
       "QQQQ             in Community/pkg/aircraft.cfg"},
      {{"icao_type_designator = \"\"", "base_container = \"..\\Asobo_A320_NEO\""}, "A20N", {}, ""},
      {{"base_container = ..\\asobo_a320_neo"}, "", ScanReport::InvalidCfgLines,  // the table is case-sensitive
       "Line icao_type_designator= is missing in [General] section of Community/pkg/aircraft.cfg"},
      // Known add-on packages without a designator are not reported.
      {{}, "", {}, ""},
  };
  for (const auto& c : cases) {
    gf_clearScanReports();
    const std::filesystem::path at = c.lines.empty() ? "Community/PMDG-aircraft-77w/aircraft.cfg" : file;
    EXPECT_EQ(gf_modelOfCfgFile(at, c.lines), c.model) << at;
    EXPECT_EQ(reportLineCount(), c.line.empty() ? 0u : 1u) << at;
    if (!c.line.empty()) { EXPECT_EQ(report(c.report), std::vector<std::string>{c.line}); }
  }
}

TEST(AircraftCfgModel, StockAircraftTableNamesItsTypes) {
  EXPECT_EQ(gf_readBaseContainerType("base_container = \"..\\Asobo_B747_8i\""), "B748");
  EXPECT_EQ(gf_readBaseContainerType("base_container=../FlyByWire_A320_NEO"), "A20N");
  EXPECT_EQ(gf_readBaseContainerType("base_container = ..\\"), "");
  EXPECT_EQ(gf_readBaseContainerType("base_container = Asobo_Icon"), "");  // the first 3 characters always go
}

TEST_F(AircraftCfgFile, IvaoModelComesFromTheFolderName) {
  const std::pair<const char*, const char*> cases[] = {
      {"C:\\MSFS\\Community\\IVAO_MTL\\SimObjects\\Airplanes\\IVAO_B738WLfa\\aircraft.cfg", "B738"},
      {"/msfs/Community/ivao_mtl/simobjects/AIRPLANES/IVAO_A319fIAEw/Aircraft.CFG", "A319"},
      {"D:\\c\\IVAO_X-CSL/SimObjects\\Airplanes/ivao_B772/aircraft.cfg", "B772"},
      {"/c/IVAO_MTL/SimObjects/Airplanes/IVAO_b738/aircraft.cfg", ""},  // the folder's case is kept
  };
  for (const auto& [path, model] : cases) EXPECT_EQ(gf_ivaoModelCode(path), model) << path;
  EXPECT_EQ(report(ScanReport::InvalidModelLines).size(), 1u);

  for (const char* path : {"/msfs/IVAO_MTL/SimObjects/Airplanes/B738/aircraft.cfg",
                           "/msfs/IVAO_MTL/SimObjects/Helicopters/IVAO_B738/aircraft.cfg",
                           "/msfs/IVAO_MTL/SimObjects/Airplanes/IVAO_B7-8/aircraft.cfg",
                           "IVAO_MTL/SimObjects/Airplanes/IVAO_B738/aircraft.cfg"}) {  // nothing before the package
    gf_clearScanReports();
    EXPECT_EQ(gf_ivaoModelCode(path), "") << path;
    EXPECT_EQ(report(ScanReport::InvalidModelLines), std::vector<std::string>{fmt::format("{:16} in {}", "  ", path)});
  }
}

} // namespace
} // namespace gwr
