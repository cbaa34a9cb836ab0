// Livery tables: filing by airline, operator and cargo, the category summary
// with its run-local switch-off, similar models, and titles that outlive a
// rebuild of the tables.
#include "liveries/livery_tables.h"

#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "liveries/livery_categories.h"
#include "liveries/similar_models.h"
#include "platform/ui/controls.h"
#include "support/livery_world.h"

namespace gwr {
namespace {

using testsupport::LiverySpec;

const testsupport::WorldDbase smallDbase{"B738,B744,A320,A321,A319,C172,H160,BE20,F16",
                                         "B744",
                                         "B738,A320,A321,A319",
                                         "BE20",
                                         "F16",
                                         "H160",
                                         "KLM,MPH,DLH",
                                         R"(<similar types="A319,A320"/><similar types="A319,A321"/>)",
                                         ""};

const std::vector<LiverySpec> smallLiveries{
    {"KLM", "MPH", "B744", true, "KLM Martinair B744F", ""},
    {"KLM", "", "B738", false, "KLM B738", ""},
    {"MPH", "", "B744", true, "MPH B744F", ""},
    {"DLH", "", "A320", false, "DLH A320", ""},
    {"DLH", "", "A321", false, "DLH A321", ""},
    {"KLM", "", "A321", false, "KLM A321", ""},
    {"KLM", "", "H160", false, "KLM H160", ""},
};

std::uint16_t airline(const char* code) { return gf_airlineIndex(code); }
std::uint16_t model(const char* code) { return gf_modelIndex(code); }

class LiveryTablesTest : public ::testing::Test {
 protected:
  testsupport::LiveryWorld world;
};

TEST_F(LiveryTablesTest, FilesOperatorsUnderTheCombinedCodeAndSplitsCargo) {
  world.load(smallDbase, smallLiveries);
  EXPECT_TRUE(gf_hasLivery(airline("KLMMPH"), model("B744")));
  EXPECT_FALSE(gf_hasLivery(airline("KLM"), model("B744")));
  EXPECT_TRUE(PaxCargoAirlineModelTitles[cargoTable].contains(airline("MPH")));
  EXPECT_FALSE(PaxCargoAirlineModelTitles[paxTable].contains(airline("MPH")));
  EXPECT_EQ(PaxCargoModelTitles[cargoTable].at(model("B744")).size(), 2U);
  EXPECT_EQ(PaxCargoModelTitles[paxTable].at(model("A321")),
            (TitleList{gf_findLiveryTitle("DLH A321"), gf_findLiveryTitle("KLM A321")}));
  EXPECT_TRUE(gf_findLiveryTitle("KLM B73").empty());
}

TEST_F(LiveryTablesTest, SimilarModelsOnlyOfferModelsWithLiveries) {
  world.load(smallDbase, smallLiveries);
  // A319 is in two groups: the text "A319,A320" sorts first and wins.
  EXPECT_EQ(SimilarModelsWithLiveries.at(model("A319")), ModelList{model("A320")});
  EXPECT_FALSE(SimilarModelsWithLiveries.contains(model("A320")));
  EXPECT_EQ(SimilarModelsWithLiveries.size(), 1U);
  // DLH has A320; KLM has none of the group's members with liveries.
  EXPECT_EQ(AirlineSimilarModels.at(airline("DLH")).at(model("A319")), ModelList{model("A320")});
  EXPECT_FALSE(AirlineSimilarModels.contains(airline("KLM")));
}

TEST_F(LiveryTablesTest, CategoryWithoutLiveriesIsSwitchedOffForThisRunOnly) {
  auto& controls = platform::gf_headlessControlSurface();
  for (const auto* box : {&LIGHT_AIRCRAFT, &HELICOPTERS, &HIGH_PERF_AIRCRAFT}) controls.createControl(box->controlId);
  LIGHT_AIRCRAFT.setCurrent(true);
  HIGH_PERF_AIRCRAFT.setCurrent(false);
  world.load(smallDbase, smallLiveries);
  // The log was marked after loading: log the summaries again to read them.
  for (AcCategory category : {AcCategory::Light, AcCategory::HighPerf, AcCategory::Rotorcraft, AcCategory::Large}) {
    gf_logCategorySummary(category);
  }

  EXPECT_EQ(world.log().lines(),
            (std::vector<std::string>{
                "Category Light: No livery found",
                "LIGHT_AIRCRAFT temporarily switched off because you do not have light aircraft installed",
                "Category HighPerf: No livery found", "Category Rotorcraft: 1 pax liverie", "  H160",
                "Category Large: 4 pax liveries", "  A320,A321,B738"}));
  EXPECT_TRUE(LIGHT_AIRCRAFT.current());  // the user's choice stays
  EXPECT_FALSE(gf_categoryHasLiveries(AcCategory::Light));
  EXPECT_FALSE(gf_categoryHasLiveries(AcCategory::HighPerf));
  EXPECT_TRUE(gf_categoryHasLiveries(AcCategory::Rotorcraft));
  EXPECT_FALSE(controls.state(LIGHT_AIRCRAFT.controlId)->enabled);
  EXPECT_FALSE(controls.state(HIGH_PERF_AIRCRAFT.controlId)->enabled);
  EXPECT_TRUE(controls.state(HELICOPTERS.controlId)->enabled);
  gf_clearLiveryTables();
  EXPECT_TRUE(gf_categoryHasLiveries(AcCategory::Light));
}

TEST_F(LiveryTablesTest, ModelCodesAreLoggedTwentyToALine) {
  world.load(smallDbase, {});
  std::vector<std::uint16_t> models;
  for (int i = 0; i < 21; ++i) models.push_back(model(fmt::format("Z{:03}", i).c_str()));
  gf_logModelCodes(true, false, false, models);
  const auto lines = world.log().lines();
  ASSERT_EQ(lines.size(), 2U);
  EXPECT_TRUE(lines[0].starts_with("  Z000,Z001,"));
  EXPECT_TRUE(lines[0].ends_with(",Z019"));
  EXPECT_EQ(lines[1], "  Z020");
  EXPECT_EQ(LightModelList, models);
}

TEST_F(LiveryTablesTest, HeldTitlesOutliveARebuildOfTheTables) {
  world.load(smallDbase, smallLiveries);
  const std::string_view title = gf_findLiveryTitle("KLM B738");
  gf_rememberLivery(4711, title);
  UncreatableLiveries.insert(gf_findLiveryTitle("MPH B744F"));

  // The traffic is stopped, the tables cleared and built from other liveries.
  gf_clearLiveryTables();
  LiveryList other;
  other.push_back(testsupport::toLiveryData({"DLH", "", "A320", false, "DLH A320 new", ""}));
  gf_buildLiveryTables(other);
  gf_buildPaxCargoTables();

  EXPECT_EQ(gf_getRememberedLivery(4711), std::optional<std::string_view>("KLM B738"));
  EXPECT_TRUE(gf_isUncreatable("MPH B744F"));
  EXPECT_TRUE(gf_findLiveryTitle("KLM B738").empty());
  EXPECT_FALSE(gf_hasLivery(airline("KLM"), model("B738")));
}

} // namespace
} // namespace gwr
