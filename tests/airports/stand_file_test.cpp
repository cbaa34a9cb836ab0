// The stand file format: what the writer puts in each mode and what the
// readers take from parkpos and opt elements.
#include "airports/apf_writer.h"

#include <gtest/gtest.h>

#include "airports/apf_reader.h"
#include "core/settings_catalogue.h"
#include "refdata/code_pools.h"
#include "stand_fixture.h"

namespace gwr {
namespace {

using namespace testsupport;
using Lines = std::vector<std::string>;
using Names = std::vector<std::string>;

class StandFileTest : public AirportsSandbox {
protected:
  // Writes data and loads the file back.
  pugi::xml_node written(const ApfData& data, ApfMode mode) {
    EXPECT_TRUE(gf_writeApf(data, file, mode, 2));
    EXPECT_TRUE(document.load_file(file.c_str()));
    return document.child("root");
  }
  static Names parameterNames(const pugi::xml_node& root) {
    Names names;
    for (const pugi::xml_node p : root.child("parameters").children("parameter")) names.emplace_back(p.attribute("name").value());
    return names;
  }
  static Names attributeNames(const pugi::xml_node& node) {
    Names names;
    for (const pugi::xml_attribute a : node.attributes()) names.emplace_back(a.name());
    return names;
  }

  const std::filesystem::path file = "airports/out/EHAM.xml";
  pugi::xml_document document;
};

TEST_F(StandFileTest, GeneratedFileHoldsTheFullStandsAndHeader) {
  ApfData data;
  data.icao = FixedCode<4>("EHAM");
  data.airport_name = "Schiphol";
  data.publisher = "";
  data.BGLpath = "scenery/eham.bgl";
  data.manifest = ManifestInfo{"EHAM", "1.2.0", "Maker", "Creator"};
  data.altitude = -11;
  data.stands.emplace_back("A1", std::vector<StandOption>{makeOption("PH-BXA", {}, 1, {3}, 1)}, 52.3, 4.76,
                           1.5707963267948966, 25.0, 5, true, false, true);
  data.stands.back().manual = 1;
  const pugi::xml_node root = written(data, ApfMode::Generated);
  EXPECT_EQ(root.child("meta").find_child_by_attribute("info", "name", "sim").attribute("value").as_int(), 2);
  EXPECT_EQ(parameterNames(root), (Names{"icao", "airport_name", "publisher", "version", "altitude", "num_parkpos",
                                         "Facilities", "BGLpath", "manufacturer", "creator"}));
  EXPECT_STREQ(root.child("parameters").find_child_by_attribute("name", "altitude").attribute("value").value(), "-11");
  const pugi::xml_node parkpos = root.child("parkpositions").child("parkpos");
  EXPECT_EQ(attributeNames(parkpos),
            (Names{"id", "latitude", "longitude", "heading", "radius", "type", "cargo", "ramp", "heli", "manual"}));
  EXPECT_STREQ(parkpos.attribute("latitude").value(), "52.300000");
  EXPECT_STREQ(parkpos.attribute("heading").value(), "90.0");
  EXPECT_STREQ(parkpos.attribute("radius").value(), "25.0");
  EXPECT_STREQ(parkpos.attribute("cargo").value(), "true");
  EXPECT_FALSE(parkpos.child("opt"));  // flights belong to learned files only
}

TEST_F(StandFileTest, LearnedFileKeepsOnlyChangesAndFlights) {
  const std::uint16_t klm = gf_airlineIndex("KLM");
  const std::uint16_t b738 = gf_modelIndex("B738");
  ApfData data;
  data.publisher = "stock";
  data.stands.emplace_back("A1", std::vector<StandOption>{}, 52.3, 4.76, 0.0, 25.0, 5, true, false, false);
  data.stands.emplace_back("A2", std::vector<StandOption>{}, 52.3, 4.77, 0.0, 25.0, 5, true, false, false);
  data.stands.back().radius_change = 1;
  data.stands.back().cargo_change = 1;
  data.stands.back().cargo = 0;
  StandRecord& first = data.stands.front();
  first.options.push_back(makeOption("PH-BXA", {klm, 0, b738, 0, 0}, 3, {5, 6, 7}, 1));
  first.options.back().callsign1 = "KLM1";
  first.options.back().callsign2 = "KLM2";
  first.options.back().cpl = 1;
  first.options.push_back(makeOption("PH-BXB", {klm, 0, b738, 0, 1}, 4, {5, 7}, 2));  // from the database
  first.options.back().real = 0;
  first.options.push_back(makeOption("PH-BXC", {}, 4, {1}, 0));   // dropped
  first.options.push_back(makeOption("", {}, 4, {1}, 4));         // no registration
  first.options.push_back(makeOption("PH-BXD", {klm, 0, b738, 0, 0}, 4, {}, 5));  // no hours
  const pugi::xml_node root = written(data, ApfMode::Learned);

  EXPECT_EQ(parameterNames(root), (Names{"icao", "airport_name", "publisher", "RANGE", "AUTO_RANGE", "WEEK",
                                         "PARK_SOFT", "parking_percentage", "INITIAL_LOAD_ONLY", "MAX_FIT",
                                         "MAX_LIVE_SEL"}));
  EXPECT_STREQ(root.child("parameters").find_child_by_attribute("name", "MAX_FIT").attribute("value").value(), "47");
  const pugi::xml_node a1 = root.child("parkpositions").child("parkpos");
  EXPECT_EQ(attributeNames(a1), Names{"id"});
  const pugi::xml_node a2 = a1.next_sibling("parkpos");
  EXPECT_EQ(attributeNames(a2), (Names{"id", "radius_change", "radius", "cargo_change", "cargo"}));
  EXPECT_STREQ(a2.attribute("cargo").value(), "false");

  std::vector<Names> options;
  std::vector<std::string> hours;
  for (const pugi::xml_node opt : a1.children("opt")) {
    options.push_back(attributeNames(opt));
    hours.emplace_back(opt.attribute("hh").value());
  }
  EXPECT_EQ(options, (std::vector<Names>{{"reg", "airl", "type", "day", "hh", "cs", "cpl"}, {"reg", "soft", "day", "hh"}}));
  // Hours with a gap are written as a list, so the learned flight survives.
  EXPECT_EQ(hours, (std::vector<std::string>{"5:7", "5,7"}));
  EXPECT_STREQ(a1.child("opt").attribute("cs").value(), "KLM1:KLM2");
  EXPECT_STREQ(a1.child("opt").attribute("airl").value(), "KLM");
  EXPECT_EQ(log().lines(), Lines{"==> bit set problem: PH-BXD  KLM     B738    "});
}

// A handmade learned file replaces the airport's stands when read: changed ones must come back whole.
TEST_F(StandFileTest, HandmadeLearnedFileKeepsChangedStandsWhole) {
  ApfData data;
  data.handmade = true;
  data.stands.emplace_back("H2", std::vector<StandOption>{}, 52.31, 4.77, 0.0, 18.0, 0, false, false, false);
  data.stands.back().radius_change = 1;
  data.stands.emplace_back("H3", std::vector<StandOption>{}, 52.32, 4.78, 0.0, 30.0, 0, true, false, false);
  data.stands.back().cargo_change = 1;
  written(data, ApfMode::Learned);
  StandTable table;
  gf_readParkPositions(document, table);
  ASSERT_EQ(table.size(), 2U);
  EXPECT_NEAR(table[0].radius * 1852.0, 18.0, 0.05);
  EXPECT_NEAR(table[1].longitude, 4.78, 1e-6);
  EXPECT_EQ(table[1].cargo, 1);
  EXPECT_TRUE(log().lines().empty());  // no stand without position
}

TEST_F(StandFileTest, StandReadingFollowsTypeAndPosition) {
  standgen::StandSpec cargoByType = standgen::stand("A1", 52.0, 4.0, 180.0, 20.0, 5);
  standgen::StandSpec typeless = standgen::stand("A2", 0.0, 4.7, 0.0, 20.0, 0);
  typeless.attributes[6].second = "true";  // cargo
  typeless.attributes.emplace_back("heli", "true");
  standgen::StandSpec rampByType = standgen::stand("A3", 52.0, 4.0, 0.0, 20.0, 14);
  rampByType.attributes[6].second = "true";  // ignored: the type decides
  standgen::StandSpec noPosition = standgen::stand("A4", 0.0, 0.0, 0.0, 20.0, 5);
  standgen::FileSpec spec;
  spec.stands = {cargoByType, typeless, rampByType, noPosition};
  const StandTable table = readStandsOf(standgen::apfXml(spec));
  ASSERT_EQ(table.size(), 3U);
  EXPECT_EQ(table[0].cargo, 1);
  EXPECT_NEAR(table[0].heading, 3.14159265, 1e-8);
  EXPECT_EQ(table[1].cargo + table[1].heli, 2);
  EXPECT_EQ(table[1].ramp, 0);
  EXPECT_EQ(table[2].ramp, 1);
  EXPECT_EQ(table[2].cargo, 0);
  EXPECT_EQ(log().lines(), Lines{"==> stand A4 has no valid lat/lon"});
}

TEST_F(StandFileTest, OptionsNeedAUsableDayAndHours) {
  dbaseRecords = {{"PH-DBA", LivKey{9, 0, 9, 1, 1}}};
  standgen::StandSpec gate = standgen::stand("A1", 52.0, 4.0, 0.0, 20.0, 5);
  gate.options = {standgen::option("PH-A", "KLM", "B738", 0, "3", "KLM1"),
                  standgen::option("PH-B", "KLM", "B738", 1, "3", "KLM1:KLM9"),
                  standgen::option("PH-C", "KLM", "B738", 8, "3", ""),
                  {{{"reg", "PH-D"}, {"day", "2"}}},
                  standgen::option("PH-DBA", "XXX", "A320", 7, "x", "DLH5"),
                  {{{"reg", "PH-E"}, {"day", "3"}, {"hh", "4"}, {"soft", "true"}, {"cpl", "true"}}}};
  standgen::FileSpec spec;
  spec.stands = {gate};
  const StandTable table = readStandsOf(standgen::apfXml(spec));
  ASSERT_EQ(table.size(), 1U);
  const auto& options = table[0].options;
  ASSERT_EQ(options.size(), 3U);
  EXPECT_EQ(options[0].registration, "PH-B");
  EXPECT_EQ(options[0].callsign2, "KLM9");
  EXPECT_EQ(gf_airlineCode(options[0].codes.airline), "KLM");
  EXPECT_EQ(options[1].codes, (LivKey{9, 0, 9, 1, 1}));  // the database wins over airl and type
  EXPECT_TRUE(options[1].hours.none());                  // kept with its bad hours
  EXPECT_EQ(options[2].real + 2 * options[2].cpl, 2);
  for (std::uint32_t i = 0; i < 3; ++i) {
    EXPECT_EQ(options[i].index, i + 1);
    EXPECT_EQ(options[i].fromFile, 1U);
  }
}

} // namespace
} // namespace gwr
