// Tests of the model code of an aircraft.cfg file: type designator, stock
// base_container names, model fixes and the IVAO folder rules.
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "aircraft_cfg_fixture.h"
#include "liveries/model_code.h"

namespace gwr {
namespace {

class ModelCodeTest : public testsupport::CfgFixture {};

TEST_F(ModelCodeTest, FirstTypeDesignatorDecides) {
  const std::filesystem::path file = "Community/pkg/aircraft.cfg";
  struct Case {
    std::vector<std::string> lines;
    const char* model;
    ScanReport report;  // the one line written, if any
    std::string line;
  };
  const Case cases[] = {
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
  };
  for (const Case& c : cases) {
    gf_clearScanReports();
    EXPECT_EQ(gf_modelOfCfgFile(file, c.lines), c.model) << c.lines.front();
    EXPECT_EQ(reportLineCount(), c.line.empty() ? 0u : 1u) << c.lines.front();
    if (!c.line.empty()) {
      EXPECT_EQ(report(c.report), std::vector<std::string>{c.line});
    }
  }
  // Known add-on packages without a designator are not reported.
  gf_clearScanReports();
  EXPECT_EQ(gf_modelOfCfgFile("Community/PMDG-aircraft-77w/aircraft.cfg", {}), "");
  EXPECT_EQ(gf_modelOfCfgFile("Community/fnx-aircraft-320/aircraft.cfg", {}), "");
  EXPECT_EQ(reportLineCount(), 0u);
}

TEST_F(ModelCodeTest, StockAircraftTableNamesItsTypes) {
  EXPECT_EQ(StockModelTypes.size(), 30u);
  for (const auto& [name, type] : std::vector<std::pair<std::string, std::string>>{
           {"Asobo_Icon", "A5"}, {"Asobo_B747_8i", "B748"}, {"FlyByWire_A320_NEO", "A20N"}}) {
    EXPECT_EQ(gf_readBaseContainerType("base_container = \"..\\" + name + "\""), type) << name;
    EXPECT_EQ(gf_readBaseContainerType("base_container=../" + name), type) << name;
  }
  EXPECT_EQ(gf_readBaseContainerType("base_container = ..\\"), "");
  EXPECT_EQ(gf_readBaseContainerType("base_container = Asobo_Icon"), "");  // the first 3 characters always go
}

TEST_F(ModelCodeTest, IvaoModelComesFromTheFolderName) {
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
