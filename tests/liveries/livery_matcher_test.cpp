// The livery matcher with RANDOM off: one decision-table row per rule for
// live aircraft, the parked matcher's differences, and invariants over a
// large generated install.
#include "liveries/livery_matcher.h"

#include <algorithm>
#include <iterator>
#include <random>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "liveries/livery_tables.h"
#include "liveries/refused_liveries.h"
#include "refdata/reference_queries.h"
#include "support/livery_world.h"

namespace gwr {
namespace {

using testsupport::InstalledLivery;

const testsupport::WorldDbase goldenDbase{
    "B738,B744,B748,A319,A320,A321,A388,E190,E75L,C150,C152,C172,PA28,DA40,BE20,H160,EC35,F16", "B744,B748,A388",
    "B738,A319,A320,A321,E190,E75L", "BE20", "F16", "H160,EC35",
    "KLM,DLH,MPH,SKW,DAL,UAL,AAL,BAW,CFE,UAE,ZZZ,PVT,ABC,CLB,AMB,POL,USA",
    R"(<similar types="A319,A320,A321"/><similar types="C150,C172"/><similar types="B744,B748"/>)",
    R"(<similar types="G-,M-"/>)"};

// Titles sort within each airline and model: the first is the first candidate.
const std::vector<InstalledLivery> goldenLiveries{
    {"KLM", "", "B738", false, "KLM B738 PH-BXA", "PH-BXA"}, {"KLM", "", "B738", false, "KLM B738 PH-BXB", "PH-BXB"},
    {"KLM", "", "B738", false, "KLM B738 PH-BXC", "PH-BXC"}, {"KLM", "", "B744", false, "KLM B744 PH-BFA", "PH-BFA"},
    {"KLM", "", "B744", true, "KLM B744 Cargo", "PH-CKA"}, {"KLM", "", "E190", false, "KLM E190 Cityhopper", ""},
    {"KLM", "", "A321", false, "FSLTL_A321_KLM", ""}, {"KLM", "MPH", "B744", true, "KLM Martinair B744F", "PH-MPS"},
    {"MPH", "", "B744", true, "MPH B744F", "PH-MPP"}, {"DLH", "", "A320", false, "DLH A320 Anniversary", "D-AIZX"},
    {"DLH", "", "A320", false, "DLH A320 D-AIZA", "D-AIZA"}, {"DLH", "", "A320", false, "DLH A320 D-AIZB", "D-AIZB"},
    {"DLH", "", "A320", false, "DLH A320 Retro", "D-AIZR"}, {"DLH", "", "A321", false, "DLH A321 Special", "D-AISP"},
    {"SKW", "", "E75L", false, "SkyWest E175 Basic", "N101SY"},
    {"SKW", "", "E75L", false, "SkyWest E175 Delta Connection", "N102SY"},
    {"SKW", "", "E75L", false, "SkyWest E175 United Express", "N103SY"},
    {"BAW", "", "E190", false, "British Airways E190 Amber", "G-LCYA"},
    {"BAW", "", "E190", false, "British Airways E190 Cityflyer", "G-LCYB"},
    {"UAE", "", "A388", false, "Emirates A388", "A6-EDA"}, {"ZZZ", "", "B744", false, "Generic B744", ""},
    {"ZZZ", "", "B744", true, "Generic B744F", ""}, {"ZZZ", "", "B738", false, "Generic B738", ""},
    {"ZZZ", "", "PA28", false, "Generic PA28", ""}, {"PVT", "", "C172", false, "C172 EI-ABC", "EI-ABC"},
    {"PVT", "", "C172", false, "C172 G-ABCD", "G-ABCD"}, {"PVT", "", "C172", false, "C172 N12345", "N12345"},
    {"PVT", "", "PA28", false, "PA28 G-PVTA", "G-PVTA"}, {"CLB", "", "C152", false, "C152 Club", "D-ECLB"},
    {"AMB", "", "BE20", false, "BE20 Air Ambulance", "N200AB"}, {"POL", "", "H160", false, "H160 Police", "D-HPOL"},
    {"USA", "", "F16", false, "F16 Viper", "87-0001"},
    // repeated and a cargo twin: both dropped as duplicates
    {"KLM", "", "B738", false, "KLM B738 PH-BXA", "PH-BXA"}, {"KLM", "", "B738", true, "KLM B738 PH-BXA", "PH-BXA"},
};

// The step a live match counted, -1 for none.
int matchLive(AcDescription& ac) {
  const auto before = MatchStepCounts;
  gf_matchLiveAircraft(ac);
  const auto at = std::mismatch(before.begin(), before.end(), MatchStepCounts.begin()).first;
  return at == before.end() ? -1 : static_cast<int>(at - before.begin());
}

class LiveryMatcherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    world.load(goldenDbase, goldenLiveries);
    RANDOM.setCurrent(false);
    for (const char* title : {"KLM B738 PH-BXB", "KLM B738 PH-BXA", "DLH A320 Retro"})
      RegcodeTitleMap[TitleRegcodeMap.at(gf_findLiveryTitle(title))] = gf_findLiveryTitle(title);
    UniqueRegcodes.insert("D-AIZR");
    SpecialLiveryTitles = {gf_findLiveryTitle("DLH A320 Anniversary"), gf_findLiveryTitle("DLH A321 Special")};
  }


  static void refuse(const char* title) {
    AcDescription refused = testsupport::aircraftOf("KLM", "", "B738");
    refused.livery = gf_findLiveryTitle(title);
    gf_registerUncreatableLivery(refused);
  }

  testsupport::LiveryWorld world;
};

// A miss has the title "" and the step -1.
struct Row { const char *airline, *op, *model; bool cargo; const char* registration; int depth; const char* title; int step; };

TEST_F(LiveryMatcherTest, DecisionTableForLiveAircraft) {
  const Row rows[] = {
      // registration
      {"KLM", "", "B738", false, "PH-BXB", 4, "KLM B738 PH-BXB", 1},
      {"KLM", "", "A321", false, "", 4, "FSLTL_A321_KLM", 2},
      {"XYZ", "", "A388", false, "PH-BXB", 4, "KLM B738 PH-BXB", 1},
      {"DLH", "", "A320", false, "D-AIZR", 4, "DLH A320 Retro", 0},
      {"KLM", "", "B738", false, "PH-BXB", 1, "KLM B738 PH-BXB", 1}, {"KLM", "", "B738", false, "PH-XXX", 1, "", -1},
      // airline and model, special titles avoided unless all are special
      {"KLM", "", "B738", false, "PH-XXX", 2, "KLM B738 PH-BXA", 2},
      {"DLH", "", "A320", false, "D-AIQQ", 2, "DLH A320 D-AIZA", 2},
      {"DLH", "", "A321", false, "", 2, "DLH A321 Special", 2},
      // cargo looks in the cargo lists first, then pax; pax never in cargo
      {"KLM", "", "B744", true, "", 4, "KLM B744 Cargo", 2}, {"KLM", "", "B738", true, "", 4, "KLM B738 PH-BXA", 2},
      {"KLM", "", "B744", false, "", 4, "KLM B744 PH-BFA", 2}, {"MPH", "", "B744", false, "", 2, "", -1},
      {"MPH", "", "B744", false, "", 4, "Generic B744", 4},
      // operator: combined code, then keywords, then operator, then airline
      {"KLM", "MPH", "B744", true, "", 4, "KLM Martinair B744F", 2},
      {"DAL", "SKW", "E75L", false, "", 4, "SkyWest E175 Delta Connection", 2},
      {"AAL", "SKW", "E75L", false, "", 4, "SkyWest E175 Basic", 2},
      {"BAW", "CFE", "E190", false, "", 4, "British Airways E190 Cityflyer", 2},
      {"XYZ", "KLM", "E190", false, "", 4, "KLM E190 Cityhopper", 2},
      // similar models of the airline, or of the operator
      {"DLH", "", "A319", false, "D-AIQQ", 2, "", -1}, {"DLH", "", "A319", false, "D-AIQQ", 3, "DLH A320 D-AIZA", 3},
      {"KLM", "MPH", "B748", true, "", 3, "KLM Martinair B744F", 3},
      // generic livery, cargo generic for a cargo key
      {"ABC", "", "B744", false, "", 3, "", -1}, {"ABC", "", "B744", false, "", 4, "Generic B744", 4},
      {"ABC", "", "B744", true, "", 4, "Generic B744F", 4},
      // large, heavy and high-performance stop after the generic step
      {"ABC", "", "A388", false, "A6-EDB", 4, "", -1}, {"ABC", "", "F16", false, "87-0002", 4, "", -1},
      // any airline's livery of the model: prefix, equivalent prefix, any
      {"ABC", "", "C172", false, "G-XYZW", 4, "C172 G-ABCD", 5},
      {"ABC", "", "C172", false, "M-ABCD", 4, "C172 G-ABCD", 5},
      {"ABC", "", "C152", false, "F-GXYZ", 4, "C152 Club", 5},
      {"ABC", "", "BE20", false, "N1", 4, "BE20 Air Ambulance", 5}, {"ABC", "", "C172", false, "", 4, "", -1},
      // a similar model of any airline, or the category's first model
      {"ABC", "", "C150", false, "G-ABCD", 4, "C172 G-ABCD", 6},
      {"ABC", "", "DA40", false, "G-ABCD", 4, "C152 Club", 6},
      {"ABC", "", "EC35", false, "D-HXYZ", 4, "H160 Police", 6},
      // private aircraft: generic first, then private liveries by prefix
      {"PVT", "", "PA28", false, "G-ZZZZ", 4, "Generic PA28", 4},
      {"PVT", "", "C172", false, "G-QQQQ", 4, "C172 G-ABCD", 2},
      {"PVT", "", "C172", false, "M-QQQQ", 4, "C172 G-ABCD", 2},
      {"PVT", "", "C172", false, "F-QQQQ", 4, "C172 EI-ABC", 2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(fmt::format("{}/{} {} {} '{}' {}", row.airline, row.op, row.model, row.cargo, row.registration, row.depth));
    MATCHING_DEPTH.setCurrent(row.depth);
    AcDescription ac = testsupport::aircraftOf(row.airline, row.op, row.model, row.cargo, row.registration);
    EXPECT_EQ(matchLive(ac), row.step);
    EXPECT_EQ(ac.livery, row.title);
    EXPECT_EQ(ac.fsltlLivery, std::string_view(row.title).starts_with("FSLTL_") ? 1 : 0);
  }
}

// A parked match applies the live refused-title test to the registration's
// title; a live match moves on to the next step.
TEST_F(LiveryMatcherTest, RefusedTitleIsNeverChosenParkedOrLive) {
  refuse("KLM B738 PH-BXB");
  AcDescription parked = testsupport::aircraftOf("KLM", "", "B738", false, "PH-BXB");
  ASSERT_TRUE(gf_matchParkedAircraft(parked, StandMatchFields{"B12", 0}));
  EXPECT_EQ(parked.livery, "KLM B738 PH-BXA");
  refuse("KLM B738 PH-BXA");
  for (const char* registration : {"PH-BXA", "PH-XXX"}) {
    AcDescription ac = testsupport::aircraftOf("KLM", "", "B738", false, registration);
    EXPECT_EQ(matchLive(ac), 4);
    EXPECT_EQ(ac.livery, "Generic B738");
  }
}

TEST_F(LiveryMatcherTest, ParkedAircraftLogEveryOutcomeAndCountNothing) {
  const auto countsBefore = MatchStepCounts;
  struct ParkedRow { const char *airline, *model, *registration; std::uint8_t standCargo; const char *title, *logged; };
  const ParkedRow rows[] = {
      {"KLM", "B738", "PH-BXB", 0, "KLM B738 PH-BXB", "=1= KLM B738 PH-BXB"},
      {"ABC", "B744", "", 1, "Generic B744F", "=4= Generic B744F"},
      {"ABC", "A388", "A6-EDB", 0, "", "B12     : TST123   A6-EDB ABC     A388     no livery match ..."},
  };
  for (const ParkedRow& row : rows) {
    SCOPED_TRACE(row.title);
    world.log().mark();
    AcDescription ac = testsupport::aircraftOf(row.airline, "", row.model, false, row.registration);
    EXPECT_EQ(gf_matchParkedAircraft(ac, StandMatchFields{"B12", row.standCargo}), !std::string(row.title).empty());
    EXPECT_EQ(ac.livery, row.title);
    ASSERT_EQ(world.log().lines().size(), 1U);
    EXPECT_TRUE(world.log().lines()[0].ends_with(row.logged)) << world.log().lines()[0];
  }
  EXPECT_EQ(MatchStepCounts, countsBefore);

  world.log().mark();
  AcDescription titled = testsupport::aircraftOf("ABC", "", "A388");
  titled.livery = gf_findLiveryTitle("Emirates A388");
  EXPECT_TRUE(gf_matchParkedAircraft(titled, StandMatchFields{"B12", 0}));
  EXPECT_TRUE(world.log().lines().at(0).ends_with("=s= Emirates A388"));
}

// Keywords and airline codes typed from the published table, not the code's.
TEST(AirlineTitleKeyword, TableAndFallback) {
  const std::pair<const char*, const char*> table[] = {
      {"AAL", "American"}, {"ACA", "Canada"},       {"AFR", "France"},    {"ASA", "Alaska"},     {"ASH", "Mesa"},
      {"AVA", "Avianca"},  {"BAW", "British"},      {"BOX", "Aerologic"}, {"CAI", "Corendon"},   {"CFE", "Cityflyer"},
      {"DAE", "DHL Aero"}, {"DAL", "Delta"},        {"DHK", "DHL Air"},   {"EDV", "Endeavor"},   {"EZY", "easyjet"},
      {"FDX", "FedEx"},    {"FJO", "Flexjet"},      {"GJS", "GoJet"},     {"IBE", "Iberia"},     {"JIA", "PSA Airlines"},
      {"JZA", "Jazz"},     {"KLC", "Cityhopper"},   {"LRC", "Avianca"},   {"PDT", "Piedmont"},   {"PRM", "Prime"},
      {"QLK", "Quantaslink"}, {"QXE", "Horizon"},   {"RPA", "Republic"},  {"RYR", "Ryanair"},    {"SWA", "Southwest"},
      {"SKW", "SkyWest"},  {"UAL", "United"},       {"UPS", "UPS"},       {"VJT", "VistaJet"},   {"WJA", "WestJet"},
  };
  EXPECT_EQ(std::size(table), 35U);
  for (const auto& [code, word] : table) EXPECT_EQ(gf_airlineTitleKeyword(code), word) << code;
  for (const char* other : {"KLM", "dal", "DAL ", "", "ZZZ", "UALX"})
    EXPECT_EQ(gf_airlineTitleKeyword(other), "not found") << other;
}

// Each model of this install leaves one more of the five operator attempts
// without a title, so that every attempt must come before the next.
class OperatorAttempts : public ::testing::Test {
 protected:
  void SetUp() override {
    const testsupport::WorldDbase dbase{"OP1,OP2,OP3,OP4,OP5,OP6,A319,A320,B744,BE20,F16,H160",
                                        "B744",
                                        "OP1,OP2,OP3,OP4,OP5,OP6,A319,A320",
                                        "BE20", "F16", "H160", "DAL,SKW,XYZ,QQQ,DLH,BAW",
                                        R"(<similar types="A319,B744,A320"/>)", ""};
    std::vector<InstalledLivery> liveries{
        {"DAL", "SKW", "OP1", false, "OP1 DAL with SKW", ""},
        {"DLH", "", "A320", false, "DLH A320", ""}, {"DLH", "", "B744", false, "DLH B744", ""},
        {"BAW", "", "B744", false, "BAW B744", ""},
        // the first title is special: only a keyword match takes it
        {"QQQ", "", "OP6", false, "OP6 QQQ a special", ""}, {"QQQ", "", "OP6", false, "OP6 QQQ b plain", ""},
        {"QQQ", "", "OP6", false, "OP6 QQQ c livery not found", ""},
    };
    const auto add = [&liveries](const char* model, const char* airline, const char* title) {
      liveries.push_back({airline, "", model, false, fmt::format("{} {} {}", model, airline, title), ""});
    };
    for (const char* model : {"OP1", "OP2"}) add(model, "SKW", "for Delta");
    for (const char* model : {"OP1", "OP2", "OP3"}) add(model, "DAL", "for SkyWest");
    for (const char* model : {"OP1", "OP2", "OP3", "OP4"}) add(model, "SKW", "a plain");
    for (const char* model : {"OP1", "OP2", "OP3", "OP4", "OP5"}) add(model, "DAL", "a plain");
    world.load(dbase, liveries);
    SpecialLiveryTitles = {gf_findLiveryTitle("OP6 QQQ a special")};
    RANDOM.setCurrent(false);
  }
  testsupport::LiveryWorld world;
};

TEST_F(OperatorAttempts, CombinedThenKeywordsThenOperatorThenAirline) {
  MATCHING_DEPTH.setCurrent(2);
  const std::pair<const char*, const char*> rows[] = {
      {"OP1", "OP1 DAL with SKW"}, {"OP2", "OP2 SKW for Delta"}, {"OP3", "OP3 DAL for SkyWest"},
      {"OP4", "OP4 SKW a plain"},  {"OP5", "OP5 DAL a plain"},
  };
  for (const auto& [model, title] : rows) {
    AcDescription ac = testsupport::aircraftOf("DAL", "SKW", model);
    EXPECT_EQ(matchLive(ac), 2) << model;
    EXPECT_EQ(ac.livery, title) << model;
  }
}

// An airline without a keyword looks for the words "not found" in the titles.
TEST_F(OperatorAttempts, AirlineWithoutKeywordLooksForNotFound) {
  MATCHING_DEPTH.setCurrent(2);
  AcDescription ac = testsupport::aircraftOf("XYZ", "QQQ", "OP6");
  EXPECT_EQ(matchLive(ac), 2);
  EXPECT_EQ(ac.livery, "OP6 QQQ c livery not found");
}

// The group joins a Heavy model to two Large ones: a Large aircraft never
// takes the Heavy livery, even when it is the only one of the airline.
TEST_F(OperatorAttempts, SimilarModelsKeepToTheAircraftsCategory) {
  MATCHING_DEPTH.setCurrent(3);
  const Row rows[] = {
      {"DLH", "", "A319", false, "", 3, "DLH A320", 3},
      {"BAW", "", "A319", false, "", 3, "", -1},
      {"BAW", "", "A320", false, "", 3, "", -1},
  };
  for (const Row& row : rows) {
    AcDescription ac = testsupport::aircraftOf(row.airline, row.op, row.model);
    EXPECT_EQ(matchLive(ac), row.step) << row.airline << " " << row.model;
    EXPECT_EQ(ac.livery, row.title) << row.airline << " " << row.model;
  }
  // The record's own category counts, not that of its model code.
  AcDescription heavy = testsupport::aircraftOf("BAW", "", "A319");
  heavy.category = AcCategory::Heavy;
  EXPECT_EQ(matchLive(heavy), 3);
  EXPECT_EQ(heavy.livery, "BAW B744");
}

// 30,000 liveries over 250 airlines and 40 models, then random aircraft;
// RANDOM stays on, its default.
TEST(LiveryMatcherInvariants, HoldOverALargeInstall) {
  constexpr int modelCount = 40, airlineCount = 250, liveryCount = 30000, aircraftCount = 5000;
  // By model number modulo 10; the similar groups join models of one category.
  const char* categoryOf = "LBGHPRLLHG";
  testsupport::WorldDbase dbase;
  std::vector<std::string> models, airlines;
  const std::string categories = "BGHPR";
  std::string* sections[] = {&dbase.buzjet, &dbase.large, &dbase.heavy, &dbase.highPerf, &dbase.rotorcraft};
  for (int m = 0; m < modelCount; ++m) {
    models.push_back(fmt::format("M{:03}", m));
    dbase.models += models.back() + ",";
    if (const auto at = categories.find(categoryOf[m % 10]); at != std::string::npos) *sections[at] += models.back() + ",";
  }
  for (int m = 0; m < 10; ++m)
    dbase.similarGroups += fmt::format(R"(<similar types="M{:03},M{:03},M{:03},M{:03}"/>)", m, m + 10, m + 20, m + 30);
  for (int a = 0; a < airlineCount; ++a) airlines.push_back(fmt::format("A{:03}", a));
  airlines.push_back("ZZZ");
  dbase.airlines = "ZZZ,PVT";
  dbase.prefixGroups = R"(<similar types="G-,M-,EI-"/>)";

  std::mt19937 random(12345);
  const std::vector<std::string> prefixes{"G-", "M-", "EI-", "D-", "N", "F-"};
  std::vector<InstalledLivery> installedLiveries;
  for (int i = 0; i < liveryCount; ++i) {
    // Every airline keeps to a few models, so that the deeper steps are reached.
    const int airline = static_cast<int>(random() % airlines.size());
    const int model = (airline * 7 + static_cast<int>(random() % 4) * 3) % (modelCount - 6);
    installedLiveries.push_back({airlines[airline], "", models[model], random() % 5 == 0, fmt::format("Livery {}", i),
                     fmt::format("{}{:04}", prefixes[random() % prefixes.size()], i)});
  }
  testsupport::LiveryWorld world;
  world.load(dbase, installedLiveries);
  gf_closeLogFileForTests();  // thousands of match lines are not needed

  std::unordered_map<std::string_view, const InstalledLivery*> byTitle;
  for (const InstalledLivery& installed : installedLiveries) byTitle.emplace(gf_findLiveryTitle(installed.title), &installed);
  for (int i = 0; i < 19; ++i) UncreatableLiveries.insert(gf_findLiveryTitle(installedLiveries[static_cast<std::size_t>(i) * 7].title));

  std::array<int, matchStepCount> seen{};
  for (int i = 0; i < aircraftCount; ++i) {
    const std::string airline = random() % 4 == 0 ? "XXX" : airlines[random() % airlineCount];
    const std::string& model = models[random() % modelCount];
    const bool cargo = random() % 6 == 0;
    AcDescription ac = testsupport::aircraftOf(airline, "", model, cargo,
                                               random() % 8 == 0 ? "" : prefixes[random() % prefixes.size()] + "XYZ");
    const int found = matchLive(ac);
    if (ac.livery.empty()) continue;
    ASSERT_GE(found, 0);
    const auto step = static_cast<std::size_t>(found);
    ++seen.at(step);
    const InstalledLivery& chosen = *byTitle.at(ac.livery);
    SCOPED_TRACE(fmt::format("{} {} -> {} step {}", airline, model, ac.livery, step));
    EXPECT_FALSE(gf_isUncreatable(ac.livery));
    if (step == 2 || step == 3) { EXPECT_EQ(chosen.airline, airline); }
    if (step == 2 || step == 4 || step == 5) { EXPECT_EQ(chosen.model, model); }
    if (step == 3 || step == 6) { EXPECT_EQ(gf_modelCategoryOfCode(chosen.model), ac.category); }
    if (step == 4) { EXPECT_EQ(chosen.airline, "ZZZ"); }
    if (step >= 5) { EXPECT_NE(ac.category, AcCategory::Large); EXPECT_NE(ac.category, AcCategory::Heavy); }
    if (step >= 5) { EXPECT_NE(ac.category, AcCategory::HighPerf); }
  }
  for (std::size_t step : {2U, 3U, 4U, 5U, 6U}) EXPECT_GT(seen[step], 0) << "step " << step;
}

} // namespace
} // namespace gwr
