// The learned file on top of the airport's stands: merge rules for flights,
// changed and manual stands, hand-made files, settings, and bad files.
#include "airports/learned_file.h"

#include <gtest/gtest.h>

#include "core/settings_catalogue.h"
#include "refdata/code_pools.h"
#include "stand_fixture.h"

namespace gwr {
namespace {

using namespace testsupport;
using Lines = std::vector<std::string>;
using standgen::option;

class LearnedFileTest : public AirportsSandbox {
protected:
  void SetUp() override {
    AirportsSandbox::SetUp();
    header.airport_name = "Schiphol";
    standgen::FileSpec airport;
    airport.stands = {standgen::stand("A1", 52.0, 4.0, 0.0, 20.0, 5), standgen::stand("A2", 52.001, 4.0, 0.0, 20.0, 0)};
    airport.stands[0].options = {option("PH-A", "KLM", "B738", 3, "10:11", "KLM1")};
    table = readStandsOf(standgen::apfXml(airport));
  }
  // Writes a learned file with these parameters and stands and reads it.
  void readLearned(standgen::Attributes parameters, std::vector<standgen::StandSpec> stands,
                   const std::string& version = "12.5.5") {
    standgen::FileSpec spec;
    spec.version = version;
    spec.parameters = std::move(parameters);
    spec.parameters.insert(spec.parameters.begin(), {"airport_name", "Schiphol"});
    spec.stands = std::move(stands);
    standgen::writeApf(path, spec);
    log().mark();
    lf_readLearned(path, header, table, handmade);
  }
  static standgen::StandSpec learnedStand(const std::string& id, std::vector<standgen::OptSpec> options) {
    return {{{"id", id}}, std::move(options)};
  }
  static standgen::StandSpec manualStand(const std::string& id, const char* lat, const char* lon, const char* radius) {
    return {{{"id", id}, {"latitude", lat}, {"longitude", lon}, {"radius", radius}, {"type", "0"}, {"manual", "true"}}, {}};
  }
  std::vector<std::string> registrations(std::size_t stand) const {
    std::vector<std::string> regs;
    for (const StandOption& o : table[stand].options) regs.push_back(fmt::format("{}/{}/{}", o.registration, o.index, o.fromFile));
    return regs;
  }

  const std::filesystem::path path = "airports/learned/stock/EHAM.xml";
  ApfHeader header;
  StandTable table;
  bool handmade = true;  // the reader must set it either way
};

TEST_F(LearnedFileTest, FlightsMergeUnlessTheAirportFileHasThem) {
  standgen::OptSpec soft = option("PH-A", "KLM", "B738", 3, "10", "KLM1");
  soft.attributes.emplace_back("soft", "true");
  readLearned({}, {learnedStand("A1", {option("PH-A", "KLM", "B738", 3, "11,12", "KLM1"),   // shares 11
                                       option("PH-A", "KLM", "B738", 3, "12:13", "KLM1"),   // no common half-hour
                                       soft,                                                // soft, not real
                                       option("PH-A", "KLM", "B738", 4, "10", "KLM1"),      // another day
                                       option("PH-A", "KLM", "A320", 3, "10", "KLM1"),      // another model
                                       option("PH-A", "KLM", "B738", 3, "x", "KLM1"),       // no hours
                                       option("PH-A", "KLM", "B738", 9, "10", "KLM1")})});  // no such day
  EXPECT_FALSE(handmade);
  EXPECT_EQ(registrations(0), (std::vector<std::string>{"PH-A/1/1", "PH-A/2/0", "PH-A/3/0", "PH-A/4/0", "PH-A/5/0"}));
  EXPECT_EQ(table[0].options[1].hours, HalfHours().set(12).set(13));
  EXPECT_EQ(table[0].options[2].real, 0U);
  EXPECT_EQ(table[0].options[4].codes.model, gf_modelIndex("A320"));
  EXPECT_EQ(parking_percentage.current(), 30);  // the file gives none
  EXPECT_EQ(log().lines(), (Lines{"Read from learned airport file: 'airports/learned/stock/EHAM.xml'",
                                  "==> learned A1: day:3 11,12 KLM     B738     cs:KLM1 reg:PH-A already in airport file",
                                  "==> operator () invalid hour 'x' in x",
                                  "==> empty bit set",
                                  "==> learned A1: day 9 out of range, flight of PH-A skipped"}));
}

TEST_F(LearnedFileTest, ChangedAndManualStandsAreTakenAndBadOnesRefused) {
  standgen::StandSpec radius{{{"id", "A1"}, {"radius_change", "true"}, {"radius", "32.5"}}, {}};
  standgen::StandSpec badRadius{{{"id", "A2"}, {"radius_change", "true"}, {"radius", "900"}, {"cargo_change", "true"}, {"cargo", "true"}}, {}};
  readLearned({{"parking_percentage", "77"}},
              {radius, badRadius, learnedStand("Z9", {}), manualStand("M1", "52.002", "4.001", "25"),
               manualStand("M2", "0.00005", "0.00009", "25"), manualStand("M3", "52.003", "4.0", "0"),
               manualStand("A2", "52.004", "4.0", "25")});
  ASSERT_EQ(table.size(), 3U);
  EXPECT_NEAR(table[0].radius * 1852, 32.5, 1e-9);
  EXPECT_EQ(table[0].radius_change, 1);
  EXPECT_NEAR(table[1].radius * 1852, 20.0, 1e-9);  // 900 m is no stand
  EXPECT_EQ(table[1].radius_change, 0);
  EXPECT_EQ(table[1].cargo + table[1].cargo_change, 2);
  EXPECT_EQ(table[2].id, "M1");
  EXPECT_EQ(table[2].manual, 1);
  EXPECT_EQ(parking_percentage.current(), 77);  // not one of the drop-down's choices, still taken
  EXPECT_FALSE(platform::gf_headlessControlSurface().state(parking_percentage.controlId)->selected);
  const std::string file = path.string();
  EXPECT_EQ(log().lines(), (Lines{"Read from learned airport file: '" + file + "'",
                                  "          parking_percentage      : 77",
                                  "==> learned A2: radius 900 out of range, kept 20.0",
                                  "learned stand Z9 in " + file + " not found?",
                                  "==> manually created standid M2 misses correct attributes in " + file,
                                  "==> manually created standid M3 misses correct attributes in " + file,
                                  "==> manually created standid A2 already exists in " + file}));
}

TEST_F(LearnedFileTest, AnOldFileKeepsStandChangesButNoFlights) {
  standgen::StandSpec radius{{{"id", "A1"}, {"radius_change", "true"}, {"radius", "30"}},
                             {option("PH-Z", "KLM", "B738", 1, "1", "KLM7")}};
  readLearned({}, {radius, manualStand("M1", "52.002", "4.001", "25")}, "11.9.3");
  EXPECT_EQ(table.size(), 3U);
  EXPECT_EQ(table[0].options.size(), 1U);
  EXPECT_NEAR(table[0].radius * 1852, 30.0, 1e-9);
  const Lines lines = log().lines();
  EXPECT_EQ(Lines(lines.begin() + 1, lines.begin() + 5),
            (Lines{"", "This learned file was created with and older GWRT version than 11.10.0,",
                   "All flights will be cleared, except for a handmade file", ""}));
}

TEST_F(LearnedFileTest, AHandmadeFileReplacesTheStands) {
  standgen::StandSpec own = standgen::stand("H1", 52.1, 4.1, 0.0, 20.0, 5);
  own.options = {option("PH-Q", "KLM", "B738", 2, "4", "KLM4")};
  readLearned({{"handmade", "yes"}}, {own});
  EXPECT_TRUE(handmade);
  ASSERT_EQ(table.size(), 1U);
  EXPECT_EQ(registrations(0), std::vector<std::string>{"PH-Q/1/1"});
  EXPECT_EQ(log().lines().back(), "          handmade                : yes");
}

TEST_F(LearnedFileTest, SettingsAreCheckedAndApplied) {
  readLearned({{"MAX_LIVE_SEL", "9999"}, {"RANGE", "abc"}, {"AUTO_RANGE", "false"}, {"parking_percentage", "150"},
               {"WEEK", "true"}, {"PARK_SOFT", "true"}, {"MAX_FIT", "5"}, {"INITIAL_LOAD_ONLY", "true"}},
              {});
  EXPECT_EQ(MAX_LIVE_SEL.current(), 500);
  EXPECT_EQ(RANGE.current(), 40);
  EXPECT_FALSE(AUTO_RANGE.current());
  EXPECT_EQ(parking_percentage.current(), 100);
  EXPECT_EQ(platform::gf_headlessControlSurface().state(parking_percentage.controlId)->selected, 20U);
  EXPECT_TRUE(WEEK.current() && PARK_SOFT.current() && INITIAL_LOAD_ONLY.current());
  EXPECT_EQ(MAX_FIT.current(), 5);
  EXPECT_EQ(MAX_FIT_FL.current(), 3.0F);
  EXPECT_EQ(log().lines(),
            (Lines{"Read from learned airport file: 'airports/learned/stock/EHAM.xml'",
                   "==> MAX_LIVE_SEL: 9999 is out of range 0..500, 500 taken",
                   "          MAX_LIVE_SEL            : 500",
                   "==> RANGE: 'abc' is not a number, ignored",
                   "          AUTO_RANGE              : false",
                   "==> parking_percentage: 150 is out of range 0..100, 100 taken",
                   "          parking_percentage      : 100",
                   "          WEEK                    : true",
                   "          PARK_SOFT               : true",
                   "          MAX_FIT                 : 5 (max number of half hours, is 3.0 hrs decimal)",
                   "          INITIAL_LOAD_ONLY       : true"}));
}

TEST_F(LearnedFileTest, BadFilesLeaveTheAirportsStandsAndBadValuesOnlyTheirStand) {
  const std::vector<std::string> before = registrations(0);
  standgen::writeText(path, "<root><parameters>");
  log().mark();
  lf_readLearned(path, header, table, handmade);
  EXPECT_TRUE(std::filesystem::exists("airports/learned/stock/EHAM0.xml"));
  ASSERT_EQ(log().lines().size(), 1U);
  EXPECT_EQ(log().lines()[0].rfind("==> airports/learned/stock/EHAM.xml found, but could not be loaded, saved as *.0.xml: ", 0), 0U);

  // A value beyond use costs its own stand or change only; the rest is read.
  standgen::StandSpec badRadius{{{"id", "A2"}, {"radius_change", "true"}, {"radius", "wide"}}, {}};
  readLearned({}, {learnedStand("A1", {option("PH-N", "KLM", "B738", 1, "1", "KLM3")}), badRadius});
  EXPECT_EQ(registrations(0).size(), before.size() + 1);
  EXPECT_EQ(log().lines().back(), "==> learned A2: radius 0 out of range, kept 20.0");
  readLearned({{"handmade", "true"}}, {standgen::stand("H1", 52.1, 4.1, 0.0, 20.0, 99),
                                       standgen::stand("H2", 52.2, 4.1, 0.0, 20.0, 5)});
  ASSERT_EQ(table.size(), 1U);
  EXPECT_EQ(table[0].id, "H2");
  EXPECT_EQ(log().lines()[1], "==> stand H1: bad type '99', skipped");

  header.airport_name = "Amsterdam";
  readLearned({}, {});
  EXPECT_EQ(log().lines()[1],
            "Warning: learned file airport name: 'Schiphol' differs from archived file airport name: 'Amsterdam'");
}

} // namespace
} // namespace gwr
