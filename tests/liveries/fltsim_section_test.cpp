// Tests of the processing of one [fltsim.N] section of an ordinary package:
// the slots a-d, airline rules, PVT and Heavy, "-STUB", cargo and titles.
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "aircraft_cfg_fixture.h"
#include "liveries/fltsim_section.h"
#include "refdata/code_pools.h"

namespace gwr {
namespace {

class FltsimSectionTest : public testsupport::CfgFixture {
 protected:
  // "airline model cargo fromDbase|title|registration", or "" for no record.
  static std::string run(std::vector<std::string> lines, const std::string& model = "A320") {
    lines.insert(lines.begin(), "[fltsim.0]");
    const LiveryList result = gf_procesFltSimSection(3, lines, model, "F/aircraft.cfg", "F");
    if (result.empty()) return "";
    const LiveryData& r = result.front();
    EXPECT_EQ(r.folderRank, 3);
    return fmt::format("{} {} {} {}|{}|{}", gf_airlineCode(r.key.airline), gf_modelCode(r.key.model), r.key.cargo,
                       r.key.fromDbase, r.title, r.registration);
  }
};

constexpr const char* missingAirline = "F/aircraft.cfg [fltsim.0] icao_airline is missing, or it has invalid info ";

struct SectionCase {
  const char* name;
  std::vector<std::string> lines;
  const char* model;
  const char* record;
  std::vector<std::string> incomplete;
  std::vector<std::string> invalidAirlines = {};
};

TEST_F(FltsimSectionTest, SectionRulesGiveRecordOrReport) {
  const std::vector<SectionCase> cases = {
      {"plain", {"title = T", "icao_airline = dlh", "atc_id = D-ABCD", "atc_parking_types = GATE_HEAVY, RAMP_CARGO"},
       "A320", "DLH A320 0 0|T|D-ABCD", {}},
      {"suffix X, cargo", {"title = T", "icao_airline = DLHX", "atc_parking_types = ramp_cargo"}, "A320",
       "DLH A320 1 0|T|", {}},
      {"RFO silent", {"title = T", "icao_airline = RFO"}, "A320", "", {}},
      {"PMDG", {"title = PMDG 737 House", "icao_airline = DLH"}, "A320", "", {missingAirline}},
      {"invalid airline becomes PVT", {"title = T", "icao_airline = XYZ"}, "A320", "PVT A320 0 0|T|",
       {missingAirline}, {"XYZ          in F/aircraft.cfg [fltsim.0]"}},
      {"later airline line counts", {"title = T", "icao_airline = XYZ", "icao_airline = BAW"}, "A320",
       "BAW A320 0 0|T|", {}, {"XYZ          in F/aircraft.cfg [fltsim.0]"}},
      {"atc_id comment", {"title = T", "icao_airline = DLH", "atc_id = \"D-ABCD;old\""}, "A320",
       "DLH A320 0 0|T|D-ABCD", {}},
      {"atc_id list", {"title = T", "icao_airline = DLH", "atc_id = D-ABCD, D-ABCE"}, "A320", "DLH A320 0 0|T|", {}},
      {"atc_id star", {"title = T", "icao_airline = DLH", "atc_id = D-AB*D"}, "A320", "DLH A320 0 0|T|",
       {"invalid atc_id=D-AB*D in: T"}},
      {"atc_id 13", {"title = T", "icao_airline = DLH", "atc_id = ABCDEFGHIJKLM,D-ABCD"}, "A320", "DLH A320 0 0|T|",
       {"invalid atc_id=ABCDEFGHIJKLM,D-ABCD in: T"}},
      {"second atc_id with blank", {"title = T", "icao_airline = DLH", "atc_id = D-ABCD", "atc_id = D-ABCE"}, "A320",
       "DLH A320 0 0|T|D-ABCD", {}},
      {"second atc_id", {"title = T", "icao_airline = DLH", "atc_id = D-ABCD", "atc_id=D-ABCE"}, "A320", "",
       {"F, [fltsim.0], has more than one atc_id key"}},
      {"airline comment at end", {"title = T", "icao_airline = DLH", "", "// icao_airline = BAW", ""}, "A320",
       "DLH A320 0 0|T|", {}},
      {"airline comment inside", {"title = T", "icao_airline = DLH", "// icao_airline = BAW", "atc_id = D-ABCD"},
       "A320", "", {"F [fltsim.0] has more than one icao_airline key"}},
      {"second parking", {"title = T", "icao_airline = DLH", "atc_parking_types = GATE", "; ATC_PARKING_TYPES"},
       "A320", "", {"F [fltsim.0] has more than one atc_parking_types key"}},
      {"no title", {"icao_airline = DLH"}, "A320", "", {"F [fltsim.0] misses title"}},
      {"fictional", {"title = Fictional DLH", "icao_airline = DLH"}, "A320", "", {}},
      {"stub", {"title = T-STUB", "icao_airline = DLH", "atc_id = D-AIPX"}, "A320", "ZZZ A320 0 0|T-STUB|", {}},
      {"reference key wins", {"title = T", "icao_airline = BAW", "atc_id = DAIPX"}, "B738", "DLH A320 0 1|T|DAIPX", {}},
      {"reference key without model unused", {"title = T", "icao_airline = AFR", "atc_id = D-ANOM"}, "B738",
       "AFR B738 0 0|T|D-ANOM", {}},
      {"heavy, regcode unknown", {"title = T", "atc_id = D-XXXX"}, "B772", "",
       {missingAirline, "'F' '[fltsim.0]' has no airline and regcode not in dbase"}},
      {"heavy, no regcode", {"title = T"}, "B772", "",
       {missingAirline, "'F' '[fltsim.0]' has no airline and no regcode info"}},
      {"heavy, reference key", {"title = T", "atc_id = G-ABC"}, "B748", "BAW B772 1 1|T|G-ABC", {missingAirline}},
      {"light keeps its registration", {"title = T", "atc_id = N-XYZ12"}, "C172", "PVT C172 0 0|T|N-XYZ12",
       {missingAirline}},
      {"registration in title", {"title = Cessna G-ABC"}, "C172", "BAW B772 1 1|Cessna G-ABC|G-ABC", {missingAirline}},
      {"registration in title without airline", {"title = Cessna (N123)"}, "C172", "PVT C172 0 0|Cessna (N123)|N123",
       {missingAirline}},
      {"longer registration in title", {"title = Cessna N1234 and XG-ABC"}, "C172", "PVT C172 0 0|Cessna N1234 and XG-ABC|",
       {missingAirline}},
  };
  for (const SectionCase& c : cases) {
    gf_clearScanReports();
    EXPECT_EQ(run(c.lines, c.model), c.record) << c.name;
    EXPECT_EQ(report(ScanReport::IncompleteSectionLines), c.incomplete) << c.name;
    EXPECT_EQ(report(ScanReport::InvalidAirlineLines), c.invalidAirlines) << c.name;
  }
}

TEST_F(FltsimSectionTest, ATitleBecomesOneLiveryPerScan) {
  EXPECT_NE(run({"title = Same", "icao_airline = DLH"}), "");
  EXPECT_EQ(run({"title = Same", "icao_airline = BAW"}), "");
  EXPECT_EQ(report(ScanReport::IncompleteSectionLines),
            std::vector<std::string>{"F [fltsim.0] title 'Same' already exists"});

  gf_addDontUseTitle("Banned");
  EXPECT_EQ(run({"title = Banned", "icao_airline = DLH"}), "");
  EXPECT_EQ(report(ScanReport::IncompleteSectionLines).size(), 1u);

  // A refused section does not take its title from a later good one.
  EXPECT_EQ(run({"title = Later", "icao_airline = DLH", "title = Again"}), "");
  EXPECT_NE(run({"title = Later", "icao_airline = DLH"}), "");

  gf_clearScanReports();
  EXPECT_NE(run({"title = Same", "icao_airline = DLH"}), "");
  EXPECT_NE(run({"title = Banned", "icao_airline = DLH"}), "");
}

TEST_F(FltsimSectionTest, LongLinesDoNoHarm) {
  const std::string longValue(100 * 1024, 'Q');
  EXPECT_EQ(run({"title = T", "icao_airline = DLH", "atc_id = " + longValue}), "DLH A320 0 0|T|");
  EXPECT_EQ(report(ScanReport::IncompleteSectionLines).size(), 1u);
}

} // namespace
} // namespace gwr
