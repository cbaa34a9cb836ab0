// Reading the park airport's stand table: the header, numbering and overlaps,
// the settings the quality factors steer, refused files, and round trips of
// both file forms through the writer and the readers.
#include "airports/park_stand_table.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include <gtest/gtest.h>

#include "airports/apf_download.h"
#include "airports/apf_locations.h"
#include "airports/apf_writer.h"
#include "core/download.h"
#include "core/settings_catalogue.h"
#include "core/settings_file.h"
#include "core/user_error.h"
#include "refdata/code_pools.h"
#include "stand_fixture.h"
#include "support/loopback_http_server.h"

namespace gwr {
namespace {

using namespace testsupport;
using Lines = std::vector<std::string>;

constexpr double metresPerDegreeLat = 111'120.0;  // one minute of arc is one nm

class ParkStandTableTest : public AirportsSandbox {
protected:
  void SetUp() override {
    AirportsSandbox::SetUp();
    parkAirportCode = FixedCode<4>("EHAM");
  }
  static standgen::FileSpec airportFile(std::vector<standgen::StandSpec> stands) {
    standgen::FileSpec spec;
    spec.stands = std::move(stands);
    spec.parameters = standgen::generatedParameters("EHAM", "Schiphol", "Pub", -11, spec.stands.size());
    return spec;
  }
  static std::vector<standgen::StandSpec> gates() {
    return {standgen::stand("A1", 52.0, 4.0, 0.0, 15.0, 5), standgen::stand("A2", 52.0 + 20 / metresPerDegreeLat, 4.0, 0.0, 15.0, 5),
            standgen::stand("A3", 52.0 + 48 / metresPerDegreeLat, 4.0, 0.0, 15.0, 5)};
  }
  std::string read() { return gf_readApf(localPath, apfHeader, qualityFactors, standTable); }

  const std::string localPath = "airports/my_thirdparty/EHAM.xml";
  const std::filesystem::path learnedPath = "airports/learned/thirdparty/Pub/EHAM.xml";
};

TEST_F(ParkStandTableTest, ReadsHeaderNumbersStandsAndFindsOverlaps) {
  standgen::writeApf(localPath, airportFile(gates()));
  EXPECT_EQ(read(), "");
  ASSERT_EQ(standTable.size(), 3U);
  EXPECT_EQ(fieldElevationFt, -11);  // below sea level; the header's fields show in the log
  EXPECT_TRUE(fieldElevationValid && standTableReady);
  // 20 m apart with 15 m radii overlap (22 < 30); 28 m apart do not (30.8 > 30).
  EXPECT_EQ(standTable[0].overlaps, std::vector<std::uint32_t>{2});
  EXPECT_EQ(standTable[1].overlaps, std::vector<std::uint32_t>{1});
  EXPECT_TRUE(standTable[2].overlaps.empty());
  EXPECT_EQ(standTable[2].number, 3U);
  EXPECT_EQ(qualityFactors, (QualityFactors{-1, -1}));
  const Lines log = sandbox.log().lines();
  const Lines expectedTail{"Airport file read from 'airports/my_thirdparty/EHAM.xml' for Schiphol",
                           "          publisher               : Pub",
                           "          altitude                : -11 ft",
                           "          num_parkpos             : 3",
                           "          Facilities              : false",
                           "          quality factor          :   ",
                           "          RT traffic week         : 0"};
  ASSERT_GE(log.size(), expectedTail.size());
  EXPECT_EQ(Lines(log.end() - static_cast<long>(expectedTail.size()), log.end()), expectedTail);
  EXPECT_EQ(log.front(), "learned 'airports/learned/thirdparty/Pub/EHAM.xml' does not exist");
}

TEST_F(ParkStandTableTest, QualityFactorsOfTheFileSteerTheParkingSettings) {
  struct Row {
    std::optional<std::pair<int, int>> factors;  // none: the file gives none
    int standsValue;                             // in the airports table; 0: not listed
    bool parkSoftAndWeek;
    float maxFitHours;
    int parkingPercent;
  };
  const Row rows[] = {
      {std::pair{2, 10}, 1, true, 24.0F, 100}, {std::pair{46, 0}, 2, false, 2.0F, 50},
      {std::pair{45, 0}, 0, true, 2.0F, 30},   {std::pair{2, 0}, 5, true, 2.0F, 30},
      {std::nullopt, 3, true, 2.0F, 30},
  };
  for (const Row& row : rows) {
    standgen::FileSpec spec = airportFile(gates());
    if (row.factors) {
      spec.parameters.emplace_back("Qf_real", std::to_string(row.factors->first));
      spec.parameters.emplace_back("Qf_soft", std::to_string(row.factors->second));
    }
    standgen::writeApf(localPath, spec);
    gf_clearAirportsForTests();
    if (row.standsValue) airportsTable.push_back({FixedCode<4>("EHAM"), unknownCode3, 52.0, 4.0, 0.0F, row.standsValue});
    PARK_SOFT.setCurrent(true);
    WEEK.setCurrent(true);
    MAX_FIT_FL.setCurrent(2.0F);
    qualityFactors = {2, 10};  // the previous airport's, which must not leak
    gf_clearStands(standTable);
    EXPECT_EQ(read(), "");
    EXPECT_EQ(PARK_SOFT.current(), row.parkSoftAndWeek);
    EXPECT_EQ(WEEK.current(), row.parkSoftAndWeek);
    EXPECT_EQ(MAX_FIT_FL.current(), row.maxFitHours);
    EXPECT_EQ(parking_percentage.current(), row.parkingPercent);
    EXPECT_EQ(qualityFactors.Qf_real, row.factors ? row.factors->first : -1);
  }
}

TEST_F(ParkStandTableTest, MalformedFilesLeaveTheTableEmptyAndSayWhy) {
  standgen::FileSpec good = airportFile(gates());
  const std::string goodText = standgen::apfXml(good);
  standgen::FileSpec noMeta = good;
  noMeta.withMeta = false;
  // A publisher whose learned folder no file system can name: its learned
  // file can be neither found nor ruled out.
  standgen::FileSpec longPublisher = good;
  const std::string publisher(300, 'P');
  longPublisher.parameters = standgen::generatedParameters("EHAM", "Schiphol", publisher, -11, good.stands.size());
  const std::filesystem::filesystem_error unsearchable(
      "exists", "airports/learned/thirdparty/" + publisher + "/EHAM.xml",
      std::make_error_code(std::errc::filename_too_long));
  std::filesystem::create_directories("airports/learned/thirdparty");  // else the missing folder answers first
  struct Row {
    std::string text;
    std::string result;
  };
  const Row rows[] = {
      {standgen::apfXml(noMeta), "airports/my_thirdparty/EHAM.xml: refused to load"},
      {goodText.substr(0, goodText.size() / 2),
       "airports/my_thirdparty/EHAM.xml: could not load file: airports/my_thirdparty/EHAM.xml"},
      {"<root><parameters></root>",
       "airports/my_thirdparty/EHAM.xml: could not load file: airports/my_thirdparty/EHAM.xml"},
      {standgen::apfXml(longPublisher), std::string("gf_readApf: ") + unsearchable.what()},
  };
  for (const Row& row : rows) {
    standgen::writeText(localPath, row.text);
    EXPECT_EQ(read(), row.result);
    EXPECT_TRUE(standTable.empty()) << row.result;
    EXPECT_FALSE(standTableReady);
  }
}

// The airport file, its learned file and the closest-stand search each refuse
// a meta block without every entry the writer puts there, or with one empty.
TEST_F(ParkStandTableTest, EveryReaderRefusesAMetaBlockWithoutAnEntryOfTheWriter) {
  struct Row {
    std::optional<standgen::MetaFault> fault;
    bool refused;
  };
  std::vector<Row> rows{{std::nullopt, false}};
  for (const char* entry : {"author", "version", "date", "copyright", "sim"})
    for (const bool leftOut : {true, false}) rows.push_back({standgen::MetaFault{entry, leftOut}, true});
  rows.push_back({standgen::MetaFault{"P3D", true}, false});  // never written: not asked for
  for (const Row& row : rows) {
    SCOPED_TRACE(row.fault ? row.fault->entry + (row.fault->leftOut ? " left out" : " empty") : "complete");
    standgen::FileSpec airport = airportFile(gates());
    airport.metaFault = row.fault;
    standgen::writeApf(localPath, airport);
    std::string standId;
    const double distanceNm = gf_findClosestStand(FixedCode<4>("EHAM"), {52.0, 4.0}, standId);
    EXPECT_EQ(distanceNm, row.refused ? 100.0 : 0.0);  // 100 nm: no stand
    EXPECT_EQ(standId, row.refused ? "" : "A1");
    gf_clearStands(standTable);
    EXPECT_EQ(read(), row.refused ? "airports/my_thirdparty/EHAM.xml: refused to load" : "");
    EXPECT_EQ(standTable.size(), row.refused ? 0U : 3U);

    // A handmade learned file would replace the airport's stands.
    standgen::writeApf(localPath, airportFile(gates()));
    standgen::FileSpec learned;
    learned.parameters = {{"airport_name", "Schiphol"}, {"handmade", "true"}};
    learned.stands = {standgen::stand("H1", 52.1, 4.1, 0.0, 20.0, 5)};
    learned.metaFault = row.fault;
    standgen::writeApf(learnedPath, learned);
    gf_clearStands(standTable);
    EXPECT_EQ(read(), "");
    EXPECT_EQ(standTable.size(), row.refused ? 3U : 1U);
    EXPECT_EQ(apfHandmade, !row.refused);
    std::filesystem::remove(learnedPath);
  }
}

// Numbers read as far as they are numbers, 0 when missing; a stand whose
// values cannot be used is skipped with its line and the others are read.
TEST_F(ParkStandTableTest, AStandWhoseValuesCannotBeUsedCostsOnlyItself) {
  enum Attribute : std::size_t { latitude = 1, longitude, heading, radius, type };
  struct Row {
    Attribute attribute;
    const char* value;  // nullptr: the attribute is missing
    const char* skipped;  // the line of a skipped A2; nullptr: A2 is read
    double headingDeg = 0.0, radiusM = 15.0;
    std::int16_t standType = 5;
  };
  const Row rows[] = {
      {radius, "600", "==> stand A2: bad radius '600', skipped"},
      {radius, "-3", "==> stand A2: bad radius '-3', skipped"},
      {type, "16", "==> stand A2: bad type '16', skipped"},
      {type, "-1", "==> stand A2: bad type '-1', skipped"},
      {latitude, "95", "==> stand A2: bad latitude '95', skipped"},
      {latitude, "1e999", "==> stand A2: bad latitude '1e999', skipped"},
      {longitude, "-180.5", "==> stand A2: bad longitude '-180.5', skipped"},
      {heading, "nan", "==> stand A2: bad heading 'nan', skipped"},
      {heading, "90deg", nullptr, 90.0},
      {heading, nullptr, nullptr, 0.0},
      {radius, "500", nullptr, 0.0, 500.0},
      {radius, "wide", nullptr, 0.0, 0.0},
      {radius, nullptr, nullptr, 0.0, 0.0},
      {type, "2.5", nullptr, 0.0, 15.0, 2},
      {type, nullptr, nullptr, 0.0, 15.0, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.attribute << " " << (row.value ? row.value : "missing"));
    standgen::FileSpec spec = airportFile(gates());
    auto& attributes = spec.stands[1].attributes;
    if (row.value == nullptr)
      attributes.erase(attributes.begin() + static_cast<std::ptrdiff_t>(row.attribute));
    else
      attributes[row.attribute].second = row.value;
    standgen::writeApf(localPath, spec);
    gf_clearStands(standTable);  // as the caller does
    log().mark();
    ASSERT_EQ(read(), "");
    EXPECT_TRUE(standTableReady);
    std::vector<std::string> ids;
    for (const StandRecord& stand : standTable) ids.push_back(stand.id);
    const Lines lines = log().lines();
    if (row.skipped != nullptr) {
      EXPECT_EQ(ids, (std::vector<std::string>{"A1", "A3"}));
      EXPECT_EQ(std::count(lines.begin(), lines.end(), row.skipped), 1) << log().text();
      continue;
    }
    ASSERT_EQ(ids, (std::vector<std::string>{"A1", "A2", "A3"}));
    EXPECT_NEAR(standTable[1].heading, row.headingDeg * 0.017453292519943295, 1e-12);
    EXPECT_NEAR(standTable[1].radius * 1852.0, row.radiusM, 1e-9);
    EXPECT_EQ(standTable[1].type, row.standType);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("==> ", 0) == 0; }),
              0)
        << log().text();
  }
  // A header number reads as far as it is one, too.
  standgen::FileSpec spec = airportFile(gates());
  spec.parameters[3].second = "364ft";
  standgen::writeApf(localPath, spec);
  gf_clearStands(standTable);
  EXPECT_EQ(read(), "");
  EXPECT_EQ(fieldElevationFt, 364);
}

TEST_F(ParkStandTableTest, UserErrorsPassThroughAndLeaveTheTableEmpty) {
  auto withIds = [&](std::vector<std::string> ids, bool dropAltitude) {
    standgen::FileSpec spec = airportFile(gates());
    for (std::size_t i = 0; i < ids.size(); ++i) spec.stands[i].attributes[0].second = ids[i];
    if (ids.size() > 1 && ids[1] == "<none>") spec.stands[1].attributes.erase(spec.stands[1].attributes.begin());
    if (dropAltitude) spec.parameters.erase(spec.parameters.begin() + 3);
    return spec;
  };
  const std::pair<standgen::FileSpec, std::string> rows[] = {
      {withIds({}, true), "65: Parameter altitude not found"},
      {withIds({"A1", "<none>"}, false), "93: Parking position #2 has no 'id' attribute."},
      {withIds({"A1", " \t "}, false), "93: Stand #2 has empty 'id' attribute."},
      {withIds({"A1", "A2", " A1\r\n"}, false), "94: Stand 'A1' appears more than once."},
  };
  for (const auto& [spec, message] : rows) {
    standgen::writeApf(localPath, spec);
    try {
      read();
      ADD_FAILURE() << message;
    } catch (const UserErrorException& e) {
      EXPECT_EQ(e.what(), message);
    }
    EXPECT_TRUE(standTable.empty()) << message;
  }
}

TEST_F(ParkStandTableTest, LeavingTheAirportPutsTheUsersSettingsBack) {
  standgen::FileSpec spec = airportFile(gates());
  standgen::writeApf(localPath, spec);
  standgen::writeApf(learnedPath, {true, "12.5.5", 1, {{"airport_name", "Schiphol"}, {"RANGE", "80"},
                                                       {"AUTO_RANGE", "false"}, {"MAX_FIT", "9"}, {"WEEK", "true"}}, true, {}, {}});
  ASSERT_EQ(read(), "");
  EXPECT_EQ(RANGE.current(), 80);
  EXPECT_EQ(MAX_FIT_FL.current(), 5.0F);
  gf_saveParameters(true);  // the user's stored settings
  sandbox.log().mark();
  gf_restoreApfParameters();
  EXPECT_EQ(RANGE.current(), 40);
  EXPECT_EQ(rangeNm.load(), 40.0);
  EXPECT_TRUE(AUTO_RANGE.current());
  EXPECT_EQ(MAX_FIT.current(), 47);
  EXPECT_EQ(MAX_FIT_FL.current(), 24.0F);
  EXPECT_FALSE(WEEK.current());
  EXPECT_EQ(parking_percentage.current(), 30);
  // Each restored setting is saved at once, and only those.
  const Lines saved = sandbox.log().lines();
  for (const char* line : {"MAX_FIT=47", "RANGE=40", "AUTO_RANGE=true", "WEEK=false"})
    EXPECT_EQ(std::count(saved.begin(), saved.end(), line), 1) << line;
  EXPECT_EQ(std::count(saved.begin(), saved.end(), "MAX_LIVE_SEL=500"), 0);
  EXPECT_EQ(sandbox.storedValue("MAX_FIT"), "47");
}

TEST_F(ParkStandTableTest, ReadingNeedsAPathAParkAirportAndStands) {
  EXPECT_EQ(gf_readApf("", apfHeader, qualityFactors, standTable), "gf_readApf: xml is empty");
  parkAirportCode = {};
  EXPECT_EQ(read(), "gf_readApf: no park airport set");
  parkAirportCode = FixedCode<4>("EHAM");
  standgen::writeApf(localPath, airportFile({}));
  EXPECT_EQ(read(), "no stands found");
}

TEST_F(ParkStandTableTest, TheSampleTreesFilesRead) {
  standgen::writeSampleTree("airports");
  for (const char* code : {"EHAM", "LFPG"}) {
    parkAirportCode = FixedCode<4>(code);
    gf_clearStands(standTable);
    EXPECT_EQ(gf_readApf(gf_locateApf(parkAirportCode), apfHeader, qualityFactors, standTable), "") << code;
    EXPECT_EQ(standTable.size(), 12U) << code;
  }
}

TEST_F(ParkStandTableTest, AnArchivedFileIsDownloadedFirst) {
  LoopbackHttpServer server;
  const std::string saved = gf_downloadFolderUrl();
  gf_setDownloadFolderUrl(server.url("/downloads/"));
  server.addRoute("/downloads/MSFS/archive/stock/EHAM.xml", {200, standgen::apfXml(airportFile(gates()))});
  EXPECT_EQ(gf_readApf("archive/stock/EHAM.xml", apfHeader, qualityFactors, standTable), "");
  EXPECT_EQ(standTable.size(), 3U);
  const std::string missing = gf_readApf("archive/stock/EHAM_2.xml", apfHeader, qualityFactors, standTable);
  gf_setDownloadFolderUrl(saved);
  EXPECT_EQ(missing, "failed to download: '" + server.url("/downloads/MSFS/archive/stock/EHAM_2.xml") + "'");
  EXPECT_FALSE(std::filesystem::exists("airports/park_airport.xml"));
}

// The same stands written, read back and written again give the same bytes:
// a generated airport file, and learned files with flights, hours with gaps,
// callsigns, cargo flags, changed and manual stands, plain and hand-made.
TEST_F(ParkStandTableTest, StandFilesRoundTripInBothForms) {
  dbaseRecords = {{"D-AIPX", LivKey{7, 0, 8, 1, 1}}};
  const LivKey klm{gf_airlineIndex("KLM"), 0, gf_modelIndex("B738"), 0, 0};
  auto addFlights = [&](StandRecord& stand) {
    stand.options = {makeOption("PH-BXA", klm, 1, {10, 11, 12}, 1), makeOption("PH-BXB", klm, 6, {3, 9, 40}, 2),
                     makeOption("D-AIPX", LivKey{7, 0, 8, 1, 1}, 7, {47}, 3)};
    stand.options[0].callsign1 = "KLM1";
    stand.options[0].callsign2 = "KLM1A";
    stand.options[1].real = 0;
    stand.options[1].cpl = 1;
    stand.options[2].callsign1 = "DLH9";
  };
  ApfData airport;
  airport.icao = FixedCode<4>("EHAM");
  airport.airport_name = "Schiphol";
  airport.publisher = "Pub";
  airport.altitude = -11;
  airport.stands = {StandRecord("A1", {}, 52.308612, 4.761234, 1.2345, 21.3, 5, true, false, false),
                    StandRecord("A2", {}, 52.308999, 4.762, 4.0, 35.5, 0, true, true, false),
                    StandRecord("H1", {}, 52.31, 4.77, 0.0, 12.0, 11, false, false, true),
                    StandRecord("G 7", {}, -33.9, -151.2, 6.2, 8.4, 14, false, true, false)};
  ASSERT_TRUE(gf_writeApf(airport, localPath, ApfMode::Generated, 1));

  ApfData learned = airport;
  addFlights(learned.stands[0]);
  learned.stands[1].radius = 40.0 / 1852;
  learned.stands[1].radius_change = 1;
  learned.stands[1].cargo = 0;
  learned.stands[1].cargo_change = 1;
  addFlights(learned.stands[1]);
  learned.stands.emplace_back("M1", std::vector<StandOption>{}, 52.312, 4.771, 0.5, 30.0, 0, true, false, false);
  learned.stands.back().manual = 1;
  addFlights(learned.stands.back());
  ApfData handmade = airport;
  handmade.handmade = true;
  handmade.stands.erase(handmade.stands.begin());
  addFlights(handmade.stands[0]);
  const QualityFactors factors = QualityFactors::fromPacked(gf_computeQualityFactors(handmade.stands));
  handmade.Qf_real = factors.Qf_real;
  handmade.Qf_soft = factors.Qf_soft;

  for (const ApfData* written : {&airport, &learned, &handmade}) {
    const bool generated = written == &airport;
    resetSettingsToDefaults();
    if (written == &learned) {
      RANGE.setCurrent(60);
      parking_percentage.setCurrent(55);
      MAX_FIT_FL.setCurrent(3.5F);
      WEEK.setCurrent(true);
    }
    const std::filesystem::path file = generated ? std::filesystem::path(localPath) : learnedPath;
    if (!generated) {
      ASSERT_TRUE(gf_writeApf(*written, learnedPath, ApfMode::Learned, 1));
    }
    resetSettingsToDefaults();
    gf_clearStands(standTable);
    ASSERT_EQ(read(), "");
    EXPECT_EQ(apfHandmade, written->handmade);
    EXPECT_EQ(RANGE.current(), written == &learned ? 60 : 40);  // the learned file's settings apply
    ApfData again = *written;  // what the program knows of the airport, with the stands as read
    again.stands = standTable;
    again.Qf_real = qualityFactors.Qf_real;
    again.Qf_soft = qualityFactors.Qf_soft;
    ASSERT_TRUE(gf_writeApf(again, "again.xml", generated ? ApfMode::Generated : ApfMode::Learned, 1));
    EXPECT_EQ(readFile("again.xml"), readFile(file)) << (generated ? "generated" : "learned");
    // Only hand-made learned files carry the altitude and the quality factors.
    const std::string text = readFile(file);
    EXPECT_EQ(text.find("name=\"Qf_real\"") != std::string::npos, written == &handmade);
    EXPECT_EQ(text.find("name=\"altitude\" value=\"-11\"") != std::string::npos, written != &learned);
  }
}

} // namespace
} // namespace gwr
