// Livery tables and their bookkeeping: the scan result file, filing by airline,
// operator and cargo, categories, similar models, refused and held titles.
#include "liveries/livery_tables.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "core/settings_file.h"
#include "core/user_error.h"
#include "liveries/livery_categories.h"
#include "liveries/livery_record.h"
#include "liveries/refused_liveries.h"
#include "liveries/similar_models.h"
#include "platform/ui/controls.h"
#include "support/livery_world.h"

namespace gwr {
namespace {

using testsupport::InstalledLivery;

const testsupport::WorldDbase smallDbase{"B738,B744,A320,A321,A319,C172,H160,BE20,F16", "B744", "B738,A320,A321,A319",
                                         "BE20", "F16", "H160", "KLM,MPH,DLH",
                                         R"(<similar types="A319,A320"/><similar types="A319,A321"/>)", ""};

const std::vector<InstalledLivery> smallLiveries{
    {"KLM", "MPH", "B744", true, "KLM Martinair B744F", ""}, {"KLM", "", "B738", false, "KLM B738", ""},
    {"MPH", "", "B744", true, "MPH B744F", ""},              {"DLH", "", "A320", false, "DLH A320", ""},
    {"DLH", "", "A321", false, "DLH A321", ""},             {"KLM", "", "A321", false, "KLM A321", ""},
    {"KLM", "", "H160", false, "KLM H160", ""},
};

std::uint16_t airline(const char* code) { return gf_airlineIndex(code); }
std::uint16_t model(const char* code) { return gf_modelIndex(code); }
// The text of the user error the call raises; "" for none.
template <typename Call> std::string userErrorOf(Call call) {
  try {
    call();
  } catch (const UserErrorException& error) {
    return error.what();
  }
  return "";
}

class LiveryTablesTest : public ::testing::Test {
 protected:
  std::filesystem::path file() { return world.log().folder() / "LiveriesScanned.xml"; }
  // Refused by the simulator for a KLM B738; the set must keep its own copy of the text.
  static void refuse(const std::string& title) {
    AcDescription aircraft = testsupport::aircraftOf("KLM", "", "B738");
    aircraft.livery = title;
    gf_registerUncreatableLivery(aircraft);
  }
  testsupport::LiveryWorld world;
};

TEST_F(LiveryTablesTest, ScanResultIsWrittenAndReadBackSortedAndUnique) {
  world.load(smallDbase, {});
  gf_writeLiveriesScanned({}, file());
  EXPECT_FALSE(std::filesystem::exists(file()));  // an empty list writes nothing
  LiveryList scanned;
  // Later airline indexes first: the order must follow the code texts.
  for (const InstalledLivery& installed : std::vector<InstalledLivery>{
           {"ZZZ", "", "A320", false, "Generic A320", ""}, {"KLM", "MPH", "B744", true, "KLM Martinair", "PH-MPS"},
           {"DLH", "", "A320", false, "DLH b", "D-AIZB"}, {"DLH", "", "A320", false, "DLH a", ""},
           {"DLH", "", "A320", true, "DLH a", ""}, {"DLH", "", "A320", false, "DLH a", "D-AIZA"}})
    scanned.push_back(testsupport::toLiveryData(installed, 3));
  gf_sortUniqueLiveries(scanned);
  gf_writeLiveriesScanned(scanned, file());

  LiveryList read;
  gf_readLiveriesScanned(read, file());
  // The cargo twin is a duplicate; a different registration is not. The
  // folder rank is not stored.
  std::vector<std::string> titles;
  for (const LiveryData& l : read) titles.push_back(fmt::format("{}|{}|{}", l.title, l.registration, l.folderRank));
  EXPECT_EQ(titles, (std::vector<std::string>{"DLH a||0", "DLH a|D-AIZA|0", "DLH b|D-AIZB|0", "KLM Martinair|PH-MPS|0",
                                              "Generic A320||0"}));
  ASSERT_EQ(read.size(), scanned.size());
  EXPECT_TRUE(std::equal(read.begin(), read.end(), scanned.begin(),
                         [](const LiveryData& a, const LiveryData& b) { return a.key == b.key; }));
  const std::string text = testsupport::readBytes(file());
  EXPECT_NE(text.find(R"(<l a="KLM" o="MPH" m="B744" c="true" t="KLM Martinair" r="PH-MPS" />)"), std::string::npos);
  EXPECT_NE(text.find(R"(<l a="DLH" m="A320" t="DLH b" r="D-AIZB" />)"), std::string::npos);
}

TEST_F(LiveryTablesTest, BadScanResultFilesRaiseUserErrors) {
  world.load(smallDbase, {});
  const std::string meta = R"(<root><meta><info name="copyright" value="x"/><info name="sim" value="1"/></meta>)";
  const std::pair<std::string, std::string> cases[] = {
      {"not xml at all <", "51: File {} is damaged: Could not determine tag type at byte 15"},
      {meta + "</root>", "52: {} does not contain a <liveries> section"},
      {meta + R"(<liveries><l a="KLM" t="x"/></liveries></root>)", "999: Missing required attribute 'm' in <l>"},
      {meta + "<liveries/></root>", "533: {} does not contain liveries"},
  };
  for (const auto& [content, message] : cases) {
    testsupport::writeBytes(file(), content);
    LiveryList read;
    EXPECT_EQ(userErrorOf([&] { gf_readLiveriesScanned(read, file()); }),
              fmt::format(fmt::runtime(message), file().string())) << content;
  }
}

TEST_F(LiveryTablesTest, FilesOperatorsUnderTheCombinedCodeSplitsCargoAndOffersSimilarModels) {
  world.load(smallDbase, smallLiveries);
  EXPECT_TRUE(gf_hasLivery(airline("KLMMPH"), model("B744")));
  EXPECT_FALSE(gf_hasLivery(airline("KLM"), model("B744")));
  EXPECT_TRUE(PaxCargoAirlineModelTitles[cargoTable].contains(airline("MPH")));
  EXPECT_EQ(PaxCargoModelTitles[cargoTable].at(model("B744")).size(), 2U);
  // A319 is in two groups: the text "A319,A320" sorts first and wins; only models with liveries.
  EXPECT_EQ(SimilarModelsWithLiveries.at(model("A319")), ModelList{model("A320")});
  EXPECT_EQ(SimilarModelsWithLiveries.size(), 1U);
  // DLH has A320; KLM has none of the group's members with liveries.
  EXPECT_EQ(AirlineSimilarModels.at(airline("DLH")).at(model("A319")), ModelList{model("A320")});
  EXPECT_FALSE(AirlineSimilarModels.contains(airline("KLM")));
}

// "model:similar,similar" for each model the airline has similar models of.
std::vector<std::string> similarOf(const char* code) {
  std::vector<std::string> entries;
  const auto found = AirlineSimilarModels.find(airline(code));
  if (found == AirlineSimilarModels.end()) return entries;
  for (const auto& [own, similar] : found->second) {
    std::string entry = gf_modelCode(own) + ":";
    for (const std::uint16_t other : similar) entry += gf_modelCode(other) + ",";
    entry.pop_back();
    entries.push_back(entry);
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

// Only models an airline has no livery of get similar models of that airline.
TEST_F(LiveryTablesTest, SimilarModelsOnlyForModelsTheAirlineLacks) {
  const testsupport::WorldDbase dbase{"A319,A320,A321,B744,BE20,F16,H160", "B744", "A319,A320,A321", "BE20", "F16",
                                      "H160", "KLM,MPH,DLH", R"(<similar types="A320,A321,A319"/>)", ""};
  world.load(dbase, {{"DLH", "", "A320", false, "DLH A320", ""}, {"DLH", "", "A321", false, "DLH A321", ""},
                     {"KLM", "", "A321", false, "KLM A321", ""}, {"MPH", "", "B744", true, "MPH B744F", ""}});
  EXPECT_EQ(SimilarModelsWithLiveries.at(model("A319")), (ModelList{model("A320"), model("A321")}));
  EXPECT_EQ(SimilarModelsWithLiveries.at(model("A320")), ModelList{model("A321")});
  EXPECT_EQ(similarOf("DLH"), std::vector<std::string>{"A319:A320,A321"});
  EXPECT_EQ(similarOf("KLM"), (std::vector<std::string>{"A319:A321", "A320:A321"}));
  EXPECT_EQ(similarOf("MPH"), std::vector<std::string>{});
}

// Twenty codes to a line, the line opened by two blanks and without a last ",".
TEST_F(LiveryTablesTest, ModelCodesAreLoggedTwentyToALine) {
  std::string codes;
  for (int m = 1; m <= 41; ++m) codes += fmt::format("L{:02},", m);
  codes.pop_back();
  const testsupport::WorldDbase dbase{codes + ",B744,A320,BE20,F16,H160", "B744", "A320", "BE20", "F16", "H160",
                                      "KLM", "", ""};
  std::vector<InstalledLivery> liveries;
  for (int m = 1; m <= 21; ++m)
    liveries.push_back({"KLM", "", fmt::format("L{:02}", m), false, fmt::format("T{}", m), ""});
  world.load(dbase, liveries);
  const std::string first20 = "  L01,L02,L03,L04,L05,L06,L07,L08,L09,L10,L11,L12,L13,L14,L15,L16,L17,L18,L19,L20";
  const std::string second20 = "  L21,L22,L23,L24,L25,L26,L27,L28,L29,L30,L31,L32,L33,L34,L35,L36,L37,L38,L39,L40";
  gf_logCategorySummary(AcCategory::Light);
  EXPECT_EQ(world.log().lines(), (std::vector<std::string>{"Category Light: 21 pax liveries", first20, "  L21"}));
  EXPECT_EQ(LightModelList.size(), 21U);

  const std::pair<int, std::vector<std::string>> cases[] = {
      {0, {}}, {1, {"  L01"}}, {20, {first20}}, {21, {first20, "  L21"}}, {40, {first20, second20}},
      {41, {first20, second20, "  L41"}}};
  for (const auto& [count, lines] : cases) {
    std::vector<std::uint16_t> models;
    for (int m = 1; m <= count; ++m) models.push_back(model(fmt::format("L{:02}", m).c_str()));
    world.log().mark();
    gf_logModelCodes(models);
    EXPECT_EQ(world.log().lines(), lines) << count;
  }
}

// Light has no livery and is switched off (the intake test checks the file);
// HighPerf, already off, only loses its box; Rotorcraft keeps both.
TEST_F(LiveryTablesTest, CategoryWithoutLiveriesIsSwitchedOff) {
  std::filesystem::create_directories(gf_perUserFolder());
  gf_saveParameters(false);  // so that a save writes one line, not the whole file
  world.load(smallDbase, smallLiveries);
  auto& controls = platform::gf_headlessControlSurface();
  for (auto* box : {&LIGHT_AIRCRAFT, &HELICOPTERS, &HIGH_PERF_AIRCRAFT}) {
    controls.createControl(box->controlId);
    controls.enable(box->controlId, true);  // as the shell leaves them; headless ones start disabled
    box->setCurrent(box != &HIGH_PERF_AIRCRAFT);
    box->showCheck();
  }
  for (AcCategory category : {AcCategory::Light, AcCategory::HighPerf, AcCategory::Rotorcraft})
    gf_logCategorySummary(category);
  EXPECT_EQ(world.log().lines(),
            (std::vector<std::string>{
                "Category Light: No livery found", "LIGHT_AIRCRAFT=false",
                "LIGHT_AIRCRAFT temporarily switched off because you do not have light aircraft installed",
                "Category HighPerf: No livery found", "Category Rotorcraft: 1 pax liverie", "  H160"}));
  for (const auto& [box, on] : {std::pair{&LIGHT_AIRCRAFT, false}, {&HIGH_PERF_AIRCRAFT, false}, {&HELICOPTERS, true}}) {
    EXPECT_EQ(box->current(), on) << box->key;
    EXPECT_EQ(controls.isChecked(box->controlId), on) << box->key;
    EXPECT_EQ(controls.isEnabled(box->controlId), on) << box->key;
  }
}

TEST_F(LiveryTablesTest, HeldTitlesOutliveARebuildOfTheTables) {
  world.load(smallDbase, smallLiveries);
  gf_rememberLivery(4711, gf_findLiveryTitle("KLM B738"));
  UncreatableLiveries.insert(gf_findLiveryTitle("MPH B744F"));
  // The traffic is stopped, the tables cleared and built from other liveries.
  gf_clearLiveryTables();
  gf_buildLiveryTables({testsupport::toLiveryData({"DLH", "", "A320", false, "DLH A320 new", ""})});
  gf_buildPaxCargoTables();
  EXPECT_EQ(gf_getRememberedLivery(4711), std::optional<std::string_view>("KLM B738"));
  EXPECT_TRUE(gf_isUncreatable("MPH B744F"));
  EXPECT_TRUE(gf_findLiveryTitle("KLM B738").empty());
  EXPECT_FALSE(gf_hasLivery(airline("KLM"), model("B738")));
}

// Aircraft gone for hours are forgotten; one whose title is still asked for stays.
// The room reserved once per process outlives every rebuild of the tables.
TEST_F(LiveryTablesTest, ReservedListsKeepTheirRoomThroughARebuild) {
  gf_reserveLiveryLists();
  gf_clearLiveryTables();
  EXPECT_GE(SpecialLiveryTitles.capacity(), 4096U);
  EXPECT_GE(LightModelList.capacity(), 64U);
  EXPECT_GE(BuzjetModelList.capacity(), 128U);
  EXPECT_GE(RotorcraftModelList.capacity(), 32U);
}

TEST_F(LiveryTablesTest, RememberedLiveriesOfAircraftGoneForHoursAreForgotten) {
  static std::chrono::steady_clock::time_point now{};
  gf_setLiveryClock([] { return now; });
  world.load(smallDbase, smallLiveries);
  const std::string_view title = gf_findLiveryTitle("KLM B738");
  for (std::uint32_t hexId = 30001; hexId <= 30500; ++hexId) gf_rememberLivery(hexId, title);
  // {minutes since the start, remembered after one more}; old ones are looked for every 10 minutes.
  const std::pair<int, std::size_t> steps[] = {{5, 501}, {120, 502}, {180, 4}, {185, 5}, {305, 3}};
  std::uint32_t next = 40001;
  for (const auto& [minutes, remembered] : steps) {
    now = std::chrono::steady_clock::time_point{} + std::chrono::minutes(minutes);
    if (minutes == 120) { EXPECT_TRUE(gf_getRememberedLivery(30001).has_value()); }  // used: kept at 180
    gf_rememberLivery(next++, title);
    EXPECT_EQ(RememberedLiveries.size(), remembered) << minutes;
  }
  gf_setLiveryClock(nullptr);
}

// The refused types also close the matching summary.
TEST_F(LiveryTablesTest, TwentiethRefusedTitleEndsTheRunAndTheLogsNameWhatFailed) {
  world.load(smallDbase, {});
  gf_rememberLivery(20001, "Title 0");
  for (int i = 0; i < 19; ++i) {
    refuse(fmt::format("Title {}", i));
    refuse("Title 0");  // a repeat does not count
  }
  EXPECT_FALSE(gf_getRememberedLivery(20001).has_value());  // forgotten once refused
  EXPECT_EQ(UncreatableLiveries.size(), 19U);
  EXPECT_EQ(userErrorOf([] { refuse("Title 19"); }),
            "81: There are too many liveries that could not be created!, see Log.txt");
  EXPECT_TRUE(gf_isUncreatable("Title 19"));

  NoMatchList.insert("KLM     B738     PH-ABC");
  MatchStepCounts[2] = 3;
  world.log().mark();
  gf_logNoMatchList();
  gf_writeMatchingSummary();
  const std::string stars(31, '*');
  EXPECT_EQ(world.log().lines(),
            (std::vector<std::string>{"", "No match found for:", "KLM     B738     PH-ABC", "", "",
                                      stars + " live traffic livery matching summary " + stars, "Matches at step: ",
                                      "  0: 0", "  1: 0", "  2: 3", "  3: 0", "  4: 0", "  5: 0", "  6: 0", "",
                                      "Could not be created", "  B738 KLM", std::string(100, '*'), ""}));
}

} // namespace
} // namespace gwr
