// Tests of the processing of one [fltsim.N] section, ordinary and IVAO: slots
// a-d, airline rules, PVT and Heavy, "-STUB", cargo, folders and titles.
#include <string>
#include <vector>

#include "liveries/fltsim_section.h"
#include "liveries/ivao_section.h"
#include "support/livery_world.h"

namespace gwr {
namespace {

using testsupport::describe;
using Lines = std::vector<std::string>;

class FltsimSectionTest : public testsupport::LiveryFixture {
 protected:
  static std::string run(std::vector<std::string> lines, const std::string& model = "A320") {
    lines.insert(lines.begin(), "[fltsim.0]");
    const LiveryList result = gf_procesFltSimSection(gf_makeCfgFileContext(3, "F/aircraft.cfg", model, false), lines);
    if (result.empty()) return "";
    EXPECT_EQ(result.front().folderRank, 3);
    return describe(result.front());
  }
};

class IvaoSectionTest : public testsupport::LiveryFixture {
 protected:
  void SetUp() override {
    LiveryFixture::SetUp();
    plain = root() / "IVAO_MTL" / "SimObjects" / "Airplanes" / "IVAO_B738";
    special = root() / "IVAO_MTL" / "SimObjects" / "Airplanes" / "IVAO_B738WLfa";
    for (const char* texture : {"texture.DLH", "TEXTURE.Klm", "texture."}) {
      std::filesystem::create_directories(plain / texture);
      std::filesystem::create_directories(special / texture);
    }
  }
  std::string run(std::vector<std::string> lines, bool inSpecial = false) {
    lines.insert(lines.begin(), "[fltsim.1]");
    const std::filesystem::path& folder = inSpecial ? special : plain;
    const CfgFileContext context = gf_makeCfgFileContext(2, folder / "aircraft.cfg", "B738", true);
    return describe(gf_processIvaoFltSimSection(context, lines));
  }
  std::string place() const { return plain.string() + " [fltsim.1]"; }

  std::filesystem::path plain, special;
};

constexpr const char* missingAirline = "F/aircraft.cfg [fltsim.0] icao_airline is missing, or it has invalid info ";

TEST(CargoParking, CargoWithoutGate) {
  const std::pair<const char*, bool> cases[] = {
      {"RAMP_CARGO", true}, {"GATE_HEAVY,RAMP_CARGO", false}, {"RAMP_GA", false}, {"", false}, {"CARGO", true}};
  for (const auto& [types, cargo] : cases) EXPECT_EQ(gf_isCargoParking(types), cargo) << types;
}

TEST_F(FltsimSectionTest, SectionRulesGiveRecordOrReport) {
  const struct { Lines lines; const char *model, *record; Lines incomplete, invalidAirlines = {}; } cases[] = {
      {{"title = T", "icao_airline = dlh", "atc_id = D-ABCD", "atc_parking_types = GATE_HEAVY, RAMP_CARGO"}, "A320",
       "DLH A320 0 0|T|D-ABCD", {}},
      {{"title = T", "icao_airline = DLHX", "atc_parking_types = ramp_cargo"}, "A320", "DLH A320 1 0|T|", {}},
      // A fourth letter X or C is cut off; any other stays and is refused.
      {{"title = T", "icao_airline = DLHC"}, "A320", "DLH A320 0 0|T|", {}},
      {{"title = T", "icao_airline = afrc"}, "A320", "AFR A320 0 0|T|", {}},
      {{"title = T", "icao_airline = ZZZZ"}, "A320", "ZZZ A320 0 0|T|", {}},
      {{"title = T", "icao_airline = DLHZ"}, "A320", "PVT A320 0 0|T|", {missingAirline},
       {"DLHZ         in F/aircraft.cfg [fltsim.0]"}},
      {{"title = T", "icao_airline = KLMXC"}, "A320", "PVT A320 0 0|T|", {missingAirline},
       {"KLMXC        in F/aircraft.cfg [fltsim.0]"}},
      {{"title = T", "icao_airline = DLC"}, "A320", "PVT A320 0 0|T|", {missingAirline},
       {"DLC          in F/aircraft.cfg [fltsim.0]"}},
      {{"title = T", "icao_airline = RFO"}, "A320", "", {}},
      {{"title = PMDG 737 House", "icao_airline = DLH"}, "A320", "", {missingAirline}},
      {{"title = T", "icao_airline = XYZ"}, "A320", "PVT A320 0 0|T|", {missingAirline},
       {"XYZ          in F/aircraft.cfg [fltsim.0]"}},
      {{"title = T", "icao_airline = XYZ", "icao_airline = BAW"}, "A320", "BAW A320 0 0|T|", {},
       {"XYZ          in F/aircraft.cfg [fltsim.0]"}},
      {{"title = T", "icao_airline = DLH", "atc_id = \"D-ABCD;old\""}, "A320", "DLH A320 0 0|T|D-ABCD", {}},
      {{"title = T", "icao_airline = DLH", "atc_id = D-ABCD, D-ABCE"}, "A320", "DLH A320 0 0|T|", {}},
      {{"title = T", "icao_airline = DLH", "atc_id = ABCDEFGHIJKLM,D-ABCD"}, "A320", "DLH A320 0 0|T|",
       {"invalid atc_id=ABCDEFGHIJKLM,D-ABCD in: T"}},
      {{"title = T", "icao_airline = DLH", "atc_id = D-ABCD", "atc_id=D-ABCE"}, "A320", "",
       {"F, [fltsim.0], has more than one atc_id key"}},
      // A trailing comment line with the key is dropped; one inside counts.
      {{"title = T", "icao_airline = DLH", "", "// icao_airline = BAW", ""}, "A320", "DLH A320 0 0|T|", {}},
      {{"title = T", "icao_airline = DLH", "// icao_airline = BAW", "atc_id = D-ABCD"}, "A320", "",
       {"F [fltsim.0] has more than one icao_airline key"}},
      {{"title = T", "icao_airline = DLH", "atc_parking_types = GATE", "; atc_parking_types"}, "A320", "",
       {"F [fltsim.0] has more than one atc_parking_types key"}},
      {{"icao_airline = DLH"}, "A320", "", {"F [fltsim.0] misses title"}},
      {{"title = Fictional DLH", "icao_airline = DLH"}, "A320", "", {}},
      {{"title = T-STUB", "icao_airline = DLH", "atc_id = D-AIPX"}, "A320", "ZZZ A320 0 0|T-STUB|", {}},
      // A reference record wins, unless it lacks the model.
      {{"title = T", "icao_airline = BAW", "atc_id = DAIPX"}, "B738", "DLH A320 0 1|T|DAIPX", {}},
      {{"title = T", "icao_airline = AFR", "atc_id = D-ANOM"}, "B738", "AFR B738 0 0|T|D-ANOM", {}},
      // Heavy without airline needs a reference record; light ones become PVT.
      {{"title = T", "atc_id = D-XXXX"}, "B772", "",
       {missingAirline, "'F' '[fltsim.0]' has no airline and regcode not in dbase"}},
      {{"title = T"}, "B772", "", {missingAirline, "'F' '[fltsim.0]' has no airline and no regcode info"}},
      {{"title = T", "atc_id = G-ABC"}, "B748", "BAW B772 1 1|T|G-ABC", {missingAirline}},
      {{"title = T", "atc_id = N-XYZ12"}, "C172", "PVT C172 0 0|T|N-XYZ12", {missingAirline}},
      // A registration in the title counts only as a whole word.
      {{"title = Cessna G-ABC"}, "C172", "BAW B772 1 1|Cessna G-ABC|G-ABC", {missingAirline}},
      {{"title = Cessna (N123)"}, "C172", "PVT C172 0 0|Cessna (N123)|N123", {missingAirline}},
      {{"title = Cessna N1234 and XG-ABC"}, "C172", "PVT C172 0 0|Cessna N1234 and XG-ABC|", {missingAirline}},
  };
  for (const auto& c : cases) {
    gf_clearScanReports();
    EXPECT_EQ(run(c.lines, c.model), c.record) << c.lines.back();
    EXPECT_EQ(report(ScanReport::IncompleteSectionLines), c.incomplete) << c.lines.back();
    EXPECT_EQ(report(ScanReport::InvalidAirlineLines), c.invalidAirlines) << c.lines.back();
  }
}

TEST_F(FltsimSectionTest, ATitleBecomesOneLiveryPerScan) {
  EXPECT_NE(run({"title = Same", "icao_airline = DLH"}), "");
  EXPECT_EQ(run({"title = Same", "icao_airline = BAW"}), "");
  EXPECT_EQ(report(ScanReport::IncompleteSectionLines), Lines{"F [fltsim.0] title 'Same' already exists"});
  gf_addDontUseTitle("Banned");
  EXPECT_EQ(run({"title = Banned", "icao_airline = DLH"}), "");
  EXPECT_EQ(report(ScanReport::IncompleteSectionLines).size(), 1u);
  // A refused section does not take its title from a later good one.
  EXPECT_EQ(run({"title = Later", "icao_airline = DLH", "title = Again"}), "");
  EXPECT_NE(run({"title = Later", "icao_airline = DLH"}), "");
  // A new scan starts with no titles taken.
  gf_clearScanReports();
  EXPECT_NE(run({"title = Same", "icao_airline = DLH"}), "");
  EXPECT_NE(run({"title = Banned", "icao_airline = DLH"}), "");
}

TEST_F(FltsimSectionTest, LongLinesDoNoHarm) {
  EXPECT_EQ(run({"title = T", "icao_airline = DLH", "atc_id = " + std::string(100 * 1024, 'Q')}), "DLH A320 0 0|T|");
  EXPECT_EQ(report(ScanReport::IncompleteSectionLines).size(), 1u);
}

TEST_F(IvaoSectionTest, AirlineFromTheTitleOrTheEmptyRecordAndOneLine) {
  const struct { Lines lines; bool special; std::string record; Lines incomplete; } cases[] = {
      {{"title = B738 DLH Lufthansa", "texture = DLH", "atc_parking_types = RAMP_CARGO"}, false,
       "DLH B738 1 0|B738 DLH Lufthansa|", {}},
      {{"title = b738DLH", "texture = dlh", "atc_id = D-ABCD"}, false, "DLH B738 0 0|b738DLH|D-ABCD", {}},
      {{"title = B738 klm", "texture = Klm"}, false, "klm B738 0 0|B738 klm|", {}},
      {{"title = B738 ZZZ", "atc_id = D-ABCD"}, false, "ZZZ B738 0 0|B738 ZZZ|", {}},
      {{"title = Boeing D-AIPX", "texture = DLH", "atc_id = D-AIPX"}, false, "DLH A320 0 1|Boeing D-AIPX|D-AIPX", {}},
      {{"title = B738W DLH", "texture = DLH"}, true, "DLH B738 0 0|B738W DLH|", {}},
      {{"title = B738 DLH", "texture = DLH", "texture = nowhere"}, false, "DLH B738 0 0|B738 DLH|", {}},
      {{"title = B738 DLH", "title = B738 KLM"}, false, "", {place() + " has more than one title key"}},
      {{"title = B738 DLH", "atc_parking_types = GATE", "; atc_parking_types = RAMP", "texture = DLH"}, false, "",
       {place() + " has more than one atc_parking_types key"}},
      {{"texture = AFR"}, false, "", {(plain / "texture.AFR").string() + " [fltsim.1] does not exist"}},
      {{"atc_id = D-ABCD"}, false, "", {place() + " misses title"}},
      {{"title = B738 DLH"}, true, "",
       {special.string() + " [fltsim.1] misses airlinecode in title: B738 DLH, and no regcode"}},
      {{"title = Boeing", "atc_id = D-XXXX"}, false, "",
       {place() + " misses airlinecode in title: Boeing, and regcode unknown D-XXXX"}},
  };
  for (const auto& c : cases) {
    gf_clearScanReports();
    EXPECT_EQ(run(c.lines, c.special), c.record) << c.lines.front();
    EXPECT_EQ(report(ScanReport::IncompleteSectionLines), c.incomplete) << c.lines.front();
    EXPECT_EQ(reportLineCount(), c.incomplete.size()) << c.lines.front();
  }
  // The airline is checked as written in the title; the file goes into the line.
  gf_clearScanReports();
  EXPECT_EQ(run({"title = B738 dlh"}), "");
  EXPECT_EQ(report(ScanReport::InvalidAirlineLines),
            Lines{fmt::format("{:12} in {} [fltsim.1]", "dlh", (plain / "aircraft.cfg").string())});
}

TEST_F(IvaoSectionTest, TitlesAreTrimmedTakenOnceAndNeverLost) {
  EXPECT_EQ(run({"title = \"  B738 DLH one  \""}), "DLH B738 0 0|B738 DLH one|");
  EXPECT_EQ(run({"title = B738 DLH one"}), "");
  EXPECT_EQ(report(ScanReport::IncompleteSectionLines), Lines{place() + " title already exists: B738 DLH one"});
  gf_clearScanReports();
  gf_addDontUseTitle("B738 DLH banned");
  EXPECT_EQ(run({"title = B738 DLH banned"}), "");
  EXPECT_EQ(reportLineCount(), 0u);
  // A reference record without airline cannot key a livery and keeps the title free.
  EXPECT_EQ(run({"title = Cessna", "atc_id = D-ENOA"}), "");
  EXPECT_EQ(report(ScanReport::IncompleteSectionLines),
            Lines{place() + " misses airlinecode in title: Cessna, and regcode without airline or model D-ENOA"});
  EXPECT_EQ(gf_scannedTitleCount(), 0u);
}

} // namespace
} // namespace gwr
