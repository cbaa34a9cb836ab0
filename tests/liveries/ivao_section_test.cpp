// Tests of the IVAO section processing: airline from the title, special
// folders, texture folders, registrations and reference keys.
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "aircraft_cfg_fixture.h"
#include "liveries/ivao_section.h"
#include "refdata/code_pools.h"

namespace gwr {
namespace {

class IvaoSectionTest : public testsupport::CfgFixture {
 protected:
  void SetUp() override {
    CfgFixture::SetUp();
    plain = log.folder() / "IVAO_MTL" / "SimObjects" / "Airplanes" / "IVAO_B738";
    special = log.folder() / "IVAO_MTL" / "SimObjects" / "Airplanes" / "IVAO_B738WLfa";
    for (const char* texture : {"texture.DLH", "TEXTURE.Klm", "texture."}) {
      std::filesystem::create_directories(plain / texture);
      std::filesystem::create_directories(special / texture);
    }
  }

  // "airline model cargo fromDbase|title|registration", or "" for the empty record.
  std::string run(std::vector<std::string> lines, bool inSpecial = false) {
    lines.insert(lines.begin(), "[fltsim.1]");
    const std::filesystem::path& folder = inSpecial ? special : plain;
    const LiveryData r = gf_processIvaoFltSimSection(2, lines, "B738", folder / "aircraft.cfg", folder);
    if (r.key.airline == 0 || r.key.model == 0) return "";
    return fmt::format("{} {} {} {}|{}|{}", gf_airlineCode(r.key.airline), gf_modelCode(r.key.model), r.key.cargo,
                       r.key.fromDbase, r.title, r.registration);
  }
  std::string place() const { return plain.string() + " [fltsim.1]"; }

  std::filesystem::path plain;
  std::filesystem::path special;
};

TEST_F(IvaoSectionTest, AirlineComesFromTheTitle) {
  struct Case {
    std::vector<std::string> lines;
    bool special;
    const char* record;
  };
  const Case cases[] = {
      {{"title = B738 DLH Lufthansa", "texture = DLH", "atc_parking_types = RAMP_CARGO"}, false,
       "DLH B738 1 0|B738 DLH Lufthansa|"},
      {{"title = b738DLH", "texture = dlh", "atc_id = D-ABCD"}, false, "DLH B738 0 0|b738DLH|D-ABCD"},
      {{"title = B738 klm", "texture = Klm"}, false, "klm B738 0 0|B738 klm|"},
      {{"title = B738 ZZZ", "atc_id = D-ABCD"}, false, "ZZZ B738 0 0|B738 ZZZ|"},
      {{"title = Boeing D-AIPX", "texture = DLH", "atc_id = D-AIPX"}, false, "DLH A320 0 1|Boeing D-AIPX|D-AIPX"},
      {{"title = B738W DLH", "texture = DLH"}, true, "DLH B738 0 0|B738W DLH|"},
      {{"title = B738 DLH", "texture = DLH", "texture = nowhere"}, false, "DLH B738 0 0|B738 DLH|"},
  };
  for (const Case& c : cases) {
    gf_clearScanReports();
    EXPECT_EQ(run(c.lines, c.special), c.record) << c.lines.front();
    EXPECT_EQ(reportLineCount(), 0u) << c.lines.front();
  }
}

TEST_F(IvaoSectionTest, ProblemsGiveTheEmptyRecordAndOneLine) {
  struct Case {
    std::vector<std::string> lines;
    bool special;
    std::string incomplete;
  };
  const Case cases[] = {
      {{"title = B738 DLH", "title = B738 KLM"}, false, place() + " has more than one title key"},
      {{"title = B738 DLH", "atc_parking_types = GATE", "; atc_parking_types = RAMP", "texture = DLH"}, false,
       place() + " has more than one atc_parking_types key"},
      {{"texture = AFR"}, false, (plain / "texture.AFR").string() + " [fltsim.1] does not exist"},
      {{"atc_id = D-ABCD"}, false, place() + " misses title"},
      {{"title = B738 DLH"}, true, (special.string() + " [fltsim.1]") +
                                       " misses airlinecode in title: B738 DLH, and no regcode"},
      {{"title = Boeing", "atc_id = D-XXXX"}, false,
       place() + " misses airlinecode in title: Boeing, and regcode unknown D-XXXX"},
  };
  for (const Case& c : cases) {
    gf_clearScanReports();
    EXPECT_EQ(run(c.lines, c.special), "") << c.lines.front();
    EXPECT_EQ(report(ScanReport::IncompleteSectionLines), std::vector<std::string>{c.incomplete}) << c.lines.front();
  }

  // A trailing comment with the key is dropped before the walk.
  gf_clearScanReports();
  EXPECT_NE(run({"title = B738 DLH", "atc_parking_types = GATE", "// atc_parking_types = RAMP"}), "");

  // The airline is checked as written in the title; the file goes into the line.
  gf_clearScanReports();
  EXPECT_EQ(run({"title = B738 dlh"}), "");
  EXPECT_EQ(report(ScanReport::InvalidAirlineLines),
            std::vector<std::string>{fmt::format("{:12} in {} [fltsim.1]", "dlh", (plain / "aircraft.cfg").string())});
}

TEST_F(IvaoSectionTest, TitlesAreTrimmedTakenOnceAndNeverLost) {
  EXPECT_EQ(run({"title = \"  B738 DLH one  \""}), "DLH B738 0 0|B738 DLH one|");
  EXPECT_EQ(log.lines(), std::vector<std::string>{"removed spaces around title '  B738 DLH one  ' --> 'B738 DLH one'"});

  EXPECT_EQ(run({"title = B738 DLH one"}), "");
  EXPECT_EQ(report(ScanReport::IncompleteSectionLines),
            std::vector<std::string>{place() + " title already exists: B738 DLH one"});

  gf_clearScanReports();
  gf_addDontUseTitle("B738 DLH banned");
  EXPECT_EQ(run({"title = B738 DLH banned"}), "");
  EXPECT_EQ(reportLineCount(), 0u);

  // A reference record without airline cannot key a livery and keeps the title free.
  EXPECT_EQ(run({"title = Cessna", "atc_id = D-ENOA"}), "");
  EXPECT_EQ(report(ScanReport::IncompleteSectionLines),
            std::vector<std::string>{place() + " misses airlinecode in title: Cessna, and regcode without airline or model D-ENOA"});
  EXPECT_EQ(gf_scannedTitleCount(), 0u);
}

} // namespace
} // namespace gwr
