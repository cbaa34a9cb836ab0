// Tests of the traffic line parser: the record of a good line, every filter,
// the altitude correction and ground tests, headings, roll and speeds, and
// malformed lines of every kind rejected with their log line.
#include "traffic/feed/traffic_line.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/run_state.h"
#include "refdata/code_pools.h"
#include "support/log_capture.h"
#include "support/traffic_feed.h"
#include "traffic/feed/feeder_wait.h"

namespace gwr {
namespace {

using testsupport::FeedState;
using testsupport::TrafficLine;

constexpr double lineLat = 50.0333;
constexpr double lineLon = 8.5706;

class TrafficLineTest : public ::testing::Test {
 protected:
  TrafficLineTest() { reader.setReferencePosition({lineLat, lineLon}); }

  // The record the line gave, or none when it was dropped.
  std::optional<TrafficRecord> parse(const std::string& text) {
    {
      const std::lock_guard lock(trafficRecordMutex);
      trafficRecordQueue.clear();
    }
    reader.handleTextForTests(text);
    const auto records = FeedState::queued();
    if (records.empty()) return std::nullopt;
    EXPECT_EQ(records.size(), 1U);
    return records.back();
  }
  std::optional<TrafficRecord> parse(const TrafficLine& line) { return parse(line.text()); }

  testsupport::LogCapture log;
  FeedState feed;
  TrafficReader reader;
};

TEST_F(TrafficLineTest, AGoodLineGivesItsRecordAndMovesTheClock) {
  tickCount.store(500);
  const auto record = parse(TrafficLine{});
  ASSERT_TRUE(record);
  EXPECT_EQ(record->hexid, 4837645U);
  EXPECT_DOUBLE_EQ(record->latitude, lineLat);
  EXPECT_DOUBLE_EQ(record->longitude, lineLon);
  EXPECT_DOUBLE_EQ(record->altitude, 35993.25);  // QNH 1013: 0.25 hPa below standard
  EXPECT_EQ(record->airborne, 1);
  EXPECT_EQ(record->onGround, 0);
  EXPECT_DOUBLE_EQ(record->groundSpeed, 450.0);
  EXPECT_DOUBLE_EQ(record->track, 270.5);
  EXPECT_DOUBLE_EQ(record->verticalSpeed, 0.0);
  EXPECT_DOUBLE_EQ(record->trueAirspeed, 460.0);
  ASSERT_TRUE(record->heading);
  EXPECT_DOUBLE_EQ(*record->heading, 271.2 * 0.017453292519943295);
  EXPECT_EQ(record->trueHeadingGiven, 1);
  EXPECT_FALSE(record->roll);
  EXPECT_EQ(record->dueTick, 3500);
  EXPECT_DOUBLE_EQ(record->timestamp, 1718000000.0);
  EXPECT_EQ(record->identity.callsign, "DLH123");
  EXPECT_EQ(record->identity.registration, "D-AIZZ");
  EXPECT_EQ(record->identity.origin.text(), "FRA");
  EXPECT_EQ(record->identity.destination.text(), "LHR");
  EXPECT_EQ(gf_modelCode(record->identity.key.model), "A320");
  EXPECT_EQ(record->identity.key.airline, 0);
  EXPECT_DOUBLE_EQ(reader.timestamp(), 1718000000.0);
  EXPECT_DOUBLE_EQ(trafficTime.load(), 1718000000.0);
  EXPECT_TRUE(log.lines().empty());
}

enum class Around { none, parkHere, parkSixNmAway, parkFourNmAway, airborneOnly, airborneOnlyWithPark };

TEST_F(TrafficLineTest, FiltersDropLinesSilently) {
  const struct {
    const char* what;
    std::vector<std::pair<std::size_t, std::string>> fields;
    Around setup;
    bool accepted;
  } cases[] = {
      {"range: 34 nm", {{2, "50.6"}}, Around::none, true},
      {"range: 58 nm", {{2, "51.0"}}, Around::none, false},
      {"type balloon", {{10, "BALL"}}, Around::none, false},
      {"type glider", {{10, "GLID"}}, Around::none, false},
      {"type ground", {{10, "GND"}}, Around::none, false},
      {"type too long", {{10, "A3200"}}, Around::none, false},
      {"type empty", {{10, ""}}, Around::none, false},
      {"type set is case-sensitive", {{10, "glid"}}, Around::none, true},
      {"category B1", {{28, "B1"}}, Around::none, false},
      {"category B4", {{28, "B4"}}, Around::none, false},
      {"category C2", {{28, "C2"}}, Around::none, false},
      {"category B3", {{28, "B3"}}, Around::none, true},
      {"callsign TEST", {{9, "TEST"}}, Around::none, false},
      {"callsign TR852", {{9, "TR852"}}, Around::none, false},
      {"callsign zeros", {{9, "00000000"}}, Around::none, false},
      {"callsign ERARMTR1", {{9, "ERARMTR1"}}, Around::none, false},
      {"callsign AIRPORT1", {{9, "AIRPORT1"}}, Around::none, false},
      {"callsign with @ and registration", {{9, "A@B"}}, Around::none, true},
      {"callsign with @, no registration", {{9, "A@B"}, {11, "null"}}, Around::none, false},
      {"neither callsign nor registration", {{9, "null"}, {11, "null"}}, Around::none, false},
      {"registration of 12", {{11, "ABCDEFGHIJKL"}}, Around::none, true},
      {"registration of 13", {{11, "ABCDEFGHIJKLM"}}, Around::none, false},
      {"hexid 10000", {{1, "10000"}}, Around::none, false},
      {"hexid 10001", {{1, "10001"}}, Around::none, true},
      {"hexid 12ab reads 12", {{1, "12ab"}}, Around::none, false},
      {"ground, no park airport", {{4, "0"}}, Around::none, false},
      {"ground at the park airport", {{4, "0"}}, Around::parkHere, true},
      {"ground 4 nm from it", {{4, "0"}}, Around::parkFourNmAway, true},
      {"ground 6 nm from it", {{4, "0"}}, Around::parkSixNmAway, false},
      {"airborne-only: ground", {{4, "0"}}, Around::airborneOnlyWithPark, false},
      {"airborne-only: 129 ft above field", {{4, "500"}, {8, "200"}}, Around::airborneOnlyWithPark, false},
      {"airborne-only: 229 ft above field", {{4, "600"}, {8, "200"}}, Around::airborneOnlyWithPark, true},
      {"airborne-only: cruise", {}, Around::airborneOnly, true},
      {"VEH in callsign", {{9, "TUG VEH"}}, Around::none, false},
      {"VEH in an unread field", {{27, " VEH"}}, Around::none, false},
      {"VEH without blank", {{9, "VEH1"}}, Around::none, true},
  };
  constexpr double nmInDegreesLat = 1.0 / 60.0;
  for (const auto& c : cases) {
    gf_clearParkAirport();
    AIRBORNE_ONLY.setCurrent(c.setup == Around::airborneOnly || c.setup == Around::airborneOnlyWithPark);
    if (c.setup == Around::parkHere || c.setup == Around::airborneOnlyWithPark) {
      testsupport::setParkAirport(lineLat, lineLon);
    } else if (c.setup == Around::parkSixNmAway) {
      testsupport::setParkAirport(lineLat + 6 * nmInDegreesLat, lineLon);
    } else if (c.setup == Around::parkFourNmAway) {
      testsupport::setParkAirport(lineLat + 4 * nmInDegreesLat, lineLon);
    }
    TrafficLine line;
    for (const auto& [index, value] : c.fields) line.set(index, value);
    EXPECT_EQ(parse(line).has_value(), c.accepted) << c.what;
  }
  EXPECT_TRUE(log.lines().empty());
  EXPECT_EQ(reader.malformedCount.load(), 0U);
}

TEST_F(TrafficLineTest, AltitudeIsCorrectedForQnhAndTestedForTheGround) {
  const struct {
    const char* altitude;
    const char* speed;
    std::int32_t qnh;
    std::optional<double> field;
    double expected;
    const char* category = "A3";
  } cases[] = {
      {"1000", "200", 1003, std::nullopt, 723.25},    // 10.25 hPa low: 276.75 ft lower
      {"1000", "200", 900, std::nullopt, 0.0},        // corrected below 0
      {"-5", "200", 1013, std::nullopt, 0.0},
      {"346.75", "100", 1013, 300.0, 0.0},            // 40 ft above the field at 100 kt
      {"346.75", "130", 1013, 300.0, 340.0},          // faster: airborne
      {"386.75", "80", 1013, 300.0, 0.0},             // 80 ft at 80 kt
      {"386.75", "81", 1013, 300.0, 380.0},
      {"406.75", "43", 1013, 300.0, 0.0},             // 100 ft at 43 kt
      {"406.75", "44", 1013, 300.0, 400.0},
      {"406.75", "35", 1013, 300.0, 400.0, "A7"},     // a rotorcraft hovers: still airborne
      {"296.75", "300", 1013, 300.0, 0.0},            // below the field
      {"20006.75", "35", 1013, std::nullopt, 0.0},    // slow: ground at any height
      {"20006.75", "36", 1013, std::nullopt, 20000.0},
      {"14005.75", "100", 1013, 13990.0, 0.0},        // 13999 ft: ground tests apply
      {"14006.75", "100", 1013, 13990.0, 14000.0},    // 14000 ft: they do not
      {"346.75", "100", 1013, std::nullopt, 340.0},   // unknown field: -1000 ft
  };
  testsupport::setParkAirport(lineLat, lineLon);
  for (const auto& c : cases) {
    reader.qnh.store(c.qnh);
    reader.setFieldElevation(c.field);
    const auto record = parse(TrafficLine{}.set(4, c.altitude).set(8, c.speed).set(28, c.category));
    ASSERT_TRUE(record) << c.altitude << " " << c.speed;
    EXPECT_NEAR(record->altitude, c.expected, 1e-9) << c.altitude << " at " << c.speed << " kt";
    EXPECT_EQ(record->airborne, c.expected > 0.0 ? 1 : 0) << c.altitude;
  }
}

TEST_F(TrafficLineTest, HeadingTrackRollAndAirspeed) {
  constexpr double rad = 0.017453292519943295;
  struct Expect {
    std::optional<double> heading;
    double track;
    std::optional<double> roll;
    double tas;
  };
  const struct {
    const char* what;
    std::vector<std::pair<std::size_t, std::string>> fields;
    Expect expect;
  } cases[] = {
      {"heading 0, no track", {{25, "0"}, {7, ""}}, {6.283185307179586, 360.0, std::nullopt, 460.0}},
      {"heading 360", {{25, "360"}}, {360.0 * rad, 270.5, std::nullopt, 460.0}},
      {"negative heading", {{25, "-5"}, {7, ""}}, {std::nullopt, 0.0, std::nullopt, 460.0}},
      {"empty heading", {{25, ""}}, {std::nullopt, 270.5, std::nullopt, 460.0}},
      {"not adsb_icao", {{17, "adsb"}, {25, "abc"}}, {std::nullopt, 270.5, std::nullopt, 460.0}},
      {"track 0 takes heading", {{7, "0"}, {25, "90"}}, {90.0 * rad, 90.0, std::nullopt, 460.0}},
      {"roll 5", {{23, "5"}}, {271.2 * rad, 270.5, -0.0872664626, 460.0}},
      {"roll 0", {{23, "0"}}, {271.2 * rad, 270.5, std::nullopt, 460.0}},
      {"roll -20", {{23, "-20"}}, {271.2 * rad, 270.5, 20.0 * rad, 460.0}},
      {"TAS default at 7000", {{4, "7006.75"}, {20, "-1"}}, {271.2 * rad, 270.5, std::nullopt, 250.0}},
      {"TAS default at 2000", {{4, "2006.75"}, {20, "-1"}}, {271.2 * rad, 270.5, std::nullopt, 180.0}},
      {"TAS default at 20000", {{4, "20006.75"}, {20, "-1"}}, {271.2 * rad, 270.5, std::nullopt, 350.0}},
      {"TAS default at 20001", {{4, "20007.75"}, {20, "-1"}}, {271.2 * rad, 270.5, std::nullopt, 430.0}},
  };
  for (const auto& c : cases) {
    TrafficLine line;
    for (const auto& [index, value] : c.fields) line.set(index, value);
    const auto record = parse(line);
    ASSERT_TRUE(record) << c.what;
    ASSERT_EQ(record->heading.has_value(), c.expect.heading.has_value()) << c.what;
    if (c.expect.heading) {
      EXPECT_NEAR(*record->heading, *c.expect.heading, 1e-12) << c.what;
    }
    EXPECT_NEAR(record->track, c.expect.track, 1e-9) << c.what;
    ASSERT_EQ(record->roll.has_value(), c.expect.roll.has_value()) << c.what;
    if (c.expect.roll) {
      EXPECT_NEAR(*record->roll, *c.expect.roll, 1e-10) << c.what;
    }
    EXPECT_DOUBLE_EQ(record->trueAirspeed, c.expect.tas) << c.what;
  }
  // A ground aircraft's roll is not read at all.
  testsupport::setParkAirport(lineLat, lineLon);
  EXPECT_TRUE(parse(TrafficLine{}.set(4, "0").set(23, "x")));
}

TEST_F(TrafficLineTest, MalformedLinesAreLoggedAndCounted) {
  const auto bad = [] { return TrafficLine{}.set(14, "1718000099"); };
  const std::string good = bad().text();
  const struct {
    std::string line;
    std::string message;
  } cases[] = {
      {"X,12345,50.0", "too few fields: 3"},
      {good.substr(0, good.rfind(',')), "too few fields: 28"},
      {std::string("\x01\xff\x00garbage", 10), "too few fields: 1"},
      {bad().set(14, "").text(), "timestamp:"},
      {bad().set(14, "abc").text(), "timestamp:abc"},
      {bad().set(14, "nan").text(), "timestamp:nan"},
      // Past years are played back; the year 31 million is not (1990 .. 2100).
      {bad().set(14, "1e15").text(), "timestamp out of range: 1e15"},
      {bad().set(14, "1e300").text(), "timestamp out of range: 1e300"},
      {bad().set(14, "4102444801").text(), "timestamp out of range: 4102444801"},
      {bad().set(14, "631151999").text(), "timestamp out of range: 631151999"},
      {bad().set(2, "inf").text(), "lat:inf"},
      {bad().set(2, "1e999").text(), "lat:1e999"},
      {bad().set(3, "-infinity").text(), "lon:-infinity"},
      {bad().set(3, " 8.5").text(), "lon: 8.5"},
      {bad().set(2, "91").text(), "invalid lalo: 91.000000,8.570600"},
      {bad().set(3, "-180.5").text(), "invalid lalo: 50.033300,-180.500000"},
      {bad().set(2, "0.00005").set(3, "-0.00003").text(), "invalid lalo: 0.000050,-0.000030"},
      {bad().set(25, "nan").text(), "trueheading:nan"},
      {bad().set(25, "361").text(), "trueheading: 361.00"},
      {bad().set(1, "").text(), "hexid incorrect"},
      {bad().set(1, "99999999999").text(), "hexid incorrect99999999999"},
      {bad().set(8, "inf").text(), "gs:inf"},
      {bad().set(4, "nan").text(), "altitude nan incorrect, from: " + bad().set(4, "nan").text()},
      {bad().set(7, "x").text(), "track incorrect x"},
      {bad().set(5, "").text(), "vs:"},
      {bad().set(12, "FR").text(), "'FR' FixedCode: invalid string (length/charset)"},
      {bad().set(23, "inf").text(), "roll:inf"},
      {bad().set(20, "").text(), "TAS incorrect"},
  };
  std::uint64_t count = 0;
  for (const auto& c : cases) {
    log.mark();
    gf_resetFeedLog();  // each case is its own first line
    EXPECT_FALSE(parse(c.line)) << c.message;
    EXPECT_EQ(reader.malformedCount.load(), ++count) << c.message;
    EXPECT_EQ(log.lines(), std::vector<std::string>{"exception in processLineSub: " + c.message});
  }
}

TEST_F(TrafficLineTest, EveryLineWithATimeMovesTheClockAlsoWhenDroppedLater) {
  EXPECT_FALSE(parse(TrafficLine{}.set(14, "1718000050").set(2, "nan")));  // malformed after the time
  EXPECT_DOUBLE_EQ(reader.timestamp(), 1718000050.0);
  EXPECT_FALSE(parse(TrafficLine{}.set(14, "1718000060").set(10, "BALL")));  // filtered
  EXPECT_DOUBLE_EQ(trafficTime.load(), 1718000060.0);
  EXPECT_FALSE(parse(TrafficLine{}.set(14, "x1718000070")));  // no time: the clock stays
  EXPECT_DOUBLE_EQ(reader.timestamp(), 1718000060.0);
  EXPECT_TRUE(parse(TrafficLine{}.set(14, "631152000")));  // history from 1990 on
  EXPECT_TRUE(parse(TrafficLine{}.set(14, "4102444800")));
}

TEST_F(TrafficLineTest, SeenCallsignsAreCollectedBeforeTheFilters) {
  reader.handleTextForTests(TrafficLine{}.set(9, "EZY12").text());
  EXPECT_TRUE(reader.seenCallsigns().empty());  // collection off
  reader.setCollectCallsigns(true);
  for (const char* callsign : {"EZY12", "null", "", "A@B"}) {
    reader.handleTextForTests(TrafficLine{}.set(9, callsign).text());
  }
  reader.handleTextForTests(TrafficLine{}.set(9, "GLD1").set(10, "GLID").text());  // type dropped later
  reader.handleTextForTests(TrafficLine{}.set(9, "FAR1").set(2, "52.0").text());   // out of range: not seen
  EXPECT_EQ(reader.seenCallsigns(), (std::unordered_set<std::string>{"EZY12", "GLD1"}));
  reader.clearSeenCallsigns();
  EXPECT_TRUE(reader.seenCallsigns().empty());
}

} // namespace
} // namespace gwr
