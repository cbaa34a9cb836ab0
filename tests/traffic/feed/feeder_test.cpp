// The feeder tool where the program's own tests do not run it: the scenario
// format's refusals, report timing and the more-than-1-s rule, recorded replay
// sped up, the pressure ticker and over-long link lines. Playing scenarios into
// the program is covered by the engine and movement scenarios.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "feeder/feed_clock.h"
#include "feeder/feed_schedule.h"
#include "feeder/link_conversation.h"
#include "feeder/recorded_replay.h"
#include "feeder/scenario.h"
#include "feeder/scenario_player.h"
#include "feeder/track.h"
#include "feeder/traffic_line.h"

namespace gwr::feeder {
namespace {

constexpr double startTime = 1800000000.0;  // the simulated "now" the feeder starts at

// Each sent datagram as (stream, text), played in simulated time.
// The lines a schedule of the sources sends up to endTime; whenDone runs while
// the sources still live (the schedule owns them).
std::vector<std::pair<FeedStream, std::string>> lf_play(std::unique_ptr<FeedSource> a, std::unique_ptr<FeedSource> b = {},
                                                        double endTime = never, const std::function<void()>& whenDone = {}) {
  FeedSchedule schedule;
  schedule.add(std::move(a));
  if (b) schedule.add(std::move(b));
  SteppedClock clock(startTime);
  std::vector<std::pair<FeedStream, std::string>> sent;
  gf_runSchedule(schedule, clock, endTime, [&](FeedStream s, std::string_view d) { sent.emplace_back(s, d); });
  if (whenDone) whenDone();
  return sent;
}

const char* const twoAircraft =
    "interval 2\naircraft 20001 A B C D E\n0  50 8 1000 100 0 air\n9  50 8.1 1000 100 0 air\n"
    "interval 3\naircraft 20002 A B C D E\n5  50 8 1000 100 0 air\n11 50 8.1 1000 100 0 air\n";

TEST(FeederPlayer, ReportTimingAndTheOneSecondRule) {
  std::map<std::string, std::vector<double>> stamps;
  for (const auto& [stream, line] : lf_play(std::make_unique<ScenarioPlayer>(gf_parseScenario(twoAircraft, "s"), startTime)))
    stamps[std::string(*gf_lineField(line, 1))].push_back(*gf_lineTimestamp(line) - startTime);
  EXPECT_EQ(stamps.at("20001"), (std::vector<double>{0, 2, 4, 6, 8}));  // each interval, first to last waypoint
  EXPECT_EQ(stamps.at("20002"), (std::vector<double>{5, 8, 11}));
  for (double bad : {1.0, 0.5}) EXPECT_THROW(ScenarioPlayer(gf_parseScenario(twoAircraft, "s"), startTime, bad), std::invalid_argument);
  EXPECT_EQ(lf_play(std::make_unique<ScenarioPlayer>(gf_parseScenario(twoAircraft, "s"), startTime, 1.5)).size(), 7U + 5U);

  // 1.004 s apart, written in hundredths from .006 on: every other report
  // would be only 1.00 s after the one before.
  ScenarioPlayer player(gf_parseScenario(twoAircraft, "s"), startTime + 0.006, 1.004);
  std::vector<long long> hundredths;
  for (double now = startTime; now < startTime + 12; now += 0.001) {
    player.sendDue(now, [&](FeedStream, std::string_view line) {
      if (gf_lineField(line, 1) == "20001") hundredths.push_back(std::llround(*gf_lineTimestamp(line) * 100.0));
    });
  }
  ASSERT_GT(hundredths.size(), 4U);
  for (std::size_t i = 1; i < hundredths.size(); ++i) EXPECT_GT(hundredths[i] - hundredths[i - 1], 100) << i;
  EXPECT_GT(player.skippedReports(), 0U);

  // Woken up late: 20001 had 0, 2, 4, 6 due and 20002 had 5; stale ones are skipped, not burst.
  ScenarioPlayer late(gf_parseScenario(twoAircraft, "s"), startTime);
  std::vector<double> sent;
  late.sendDue(startTime + 6.5, [&](FeedStream, std::string_view line) { sent.push_back(*gf_lineTimestamp(line)); });
  EXPECT_EQ(sent, (std::vector<double>{startTime + 6, startTime + 5}));
  EXPECT_EQ(late.skippedReports(), 3U);
  EXPECT_EQ(late.nextDueTime(), startTime + 8);
}

// A report's offset (position noise) moves where it is sent from, never the
// track or the speed, which stay the path's as a real feed's do.
TEST(FeederPlayer, ReportOffsetsMoveThePositionNotTheTrackNorTheSpeed) {
  // Standing 10 s facing 090, then east at about 39 kt; sent 8 m off by turns.
  const Scenario scenario = gf_parseScenario(
      "aircraft 20001 A B C D E\n0 50 8 0 0 0 ground 90 off 8 0\n10 50 8 0 0 0 ground 90 off -8 0\n"
      "20 50 8.0028 0 39 0 ground off 0 8\n30 50 8.0056 0 39 0 ground off 0 -8\n", "s");
  const ScenarioAircraft& a = scenario.aircraft.at(0);
  EXPECT_EQ(a.waypoints[0].headingDegrees, 90.0);
  EXPECT_FALSE(a.waypoints[2].headingDegrees);
  const struct { double time; LatLon path; std::optional<double> track; double north, east, kt; } rows[] = {
      {0, {50, 8}, std::nullopt, 8, 0, 0},  // never moved: no track
      {5, {50, 8}, std::nullopt, 0, 0, 0},  // half way between +8 and -8
      {10, {50, 8}, 90.0, -8, 0, 0},        // the leg it starts on
      {20, {50, 8.0028}, 90.0, 0, 8, 39},
      {25, {50, 8.0042}, 90.0, 0, 0, 39},
      {30, {50, 8.0056}, 90.0, 0, -8, 39}};  // the last waypoint: the leg it came on
  for (const auto& row : rows) {
    const auto state = gf_stateAt(a, row.time);
    ASSERT_TRUE(state) << row.time;
    const LocalOffset off = gf_localOffset(row.path, state->position);
    EXPECT_NEAR(off.north, row.north, 0.05) << row.time;
    EXPECT_NEAR(off.east, row.east, 0.05) << row.time;
    EXPECT_NEAR(state->trackDegrees.value_or(-1.0), row.track.value_or(-1.0), 0.01) << row.time;
    EXPECT_DOUBLE_EQ(state->groundSpeedKnots, row.kt) << row.time;
  }
}

// Two aircraft recorded every 2 s, out of order, with bad lines and CR LF ends.
const char* const recorded =
    "X,30001,50,8,1000,0,,90,100,A,B,C,D,E,1000.0,,,x,,,-1,,,-1,,-1,,,A3\r\n"
    "X,30001,50,8,1000,0,,90,100,A,B,C,D,E,1004.0,,,x,,,-1,,,-1,,-1,,,A3\n"
    "X,30001,50,8,1000,0,,90,100,A,B,C,D,E,1002.0,,,x,,,-1,,,-1,,-1,,,A3\n"
    "garbage without fields\n\n"
    "X,30002,51,9,2000,0,,90,100,A,B,C,D,E,1001.0,,,x,,,-1,,,-1,,-1,,,A3\n"
    "X,,51,9,2000,0,,90,100,A,B,C,D,E,1001.0,,,x,,,-1,,,-1,,-1,,,A3\n"
    "X,30002,51,9,2000,0,,90,100,A,B,C,D,E,1003.0,,,x,,,-1,,,-1,,-1,,,A3\n"
    "X,30001,50,8,1000,0,,90,100,A,B,C,D,E,1006.0,,,x,,,-1,,,-1,,-1,,,A3\n";

TEST(FeederReplay, ReadsInTimeOrderShiftsToNowAndSpeedsUp) {
  const Recording recording = gf_parseRecording(recorded, "rec.txt");
  ASSERT_EQ(recording.lines.size(), 6U);
  EXPECT_EQ(recording.lines[0].text.back(), '3');  // the CR is gone
  EXPECT_EQ(recording.problems, (std::vector<std::string>{"rec.txt:4: skipped, no time stamp in field 14",
                                                          "rec.txt:7: skipped, no aircraft id in field 1"}));
  // At 2x each aircraft's 2 s become 1 s, not more than 1 s: every other report goes; at 4x two of three.
  const struct { double speed; std::vector<double> offsets; std::size_t skipped; } cases[] = {
      {1.0, {0, 1, 2, 3, 4, 6}, 0}, {1.5, {0, 0.67, 1.33, 2, 2.67, 4}, 0}, {2.0, {0, 0.5, 2}, 3}, {4.0, {0, 0.25, 1.5}, 3}};
  for (const auto& c : cases) {
    auto replay = std::make_unique<RecordedReplay>(recording, startTime, c.speed);
    const RecordedReplay& watched = *replay;
    std::size_t skipped = 0;
    const auto sent = lf_play(std::move(replay), {}, never, [&] { skipped = watched.skippedReports(); });
    ASSERT_EQ(sent.size(), c.offsets.size()) << "speed " << c.speed;
    for (std::size_t i = 0; i < sent.size(); ++i)
      EXPECT_NEAR(*gf_lineTimestamp(sent[i].second) - startTime, c.offsets[i], 1e-4) << "speed " << c.speed;
    EXPECT_EQ(skipped, c.skipped) << "speed " << c.speed;
    if (c.speed == 1.0) {  // only the time stamp changes
      EXPECT_EQ(sent.at(1).second, "X,30002,51,9,2000,0,,90,100,A,B,C,D,E,1800000001.00,,,x,,,-1,,,-1,,-1,,,A3");
    }
  }
  for (double bad : {0.0, -1.0, std::numeric_limits<double>::quiet_NaN(), never}) {
    EXPECT_THROW(RecordedReplay(recording, startTime, bad), std::invalid_argument) << bad;
    EXPECT_THROW(gf_replayRunSeconds(recording, bad), std::invalid_argument) << bad;
  }

  // A run that shows the replay whole: its first line to its last (in time,
  // not file order) at the speed, the program's 30 s delay and 120 s more.
  const struct { std::string_view text; double speed; double seconds; } runs[] = {
      {recorded, 1.0, 6.0 + 30.0 + 120.0},
      {recorded, 4.0, 1.5 + 30.0 + 120.0},
      {"X,30001,50,8,1000,0,,90,100,A,B,C,D,E,1000.0,,,x,,,-1,,,-1,,-1,,,A3\n", 1.0, 150.0},
      {"garbage\n", 1.0, 150.0},
      {"", 2.0, 150.0}};
  for (const auto& run : runs)
    EXPECT_DOUBLE_EQ(gf_replayRunSeconds(gf_parseRecording(run.text, "r"), run.speed), run.seconds) << run.text;
}

TEST(FeederSchedule, PressureEveryIntervalWhileTrafficPlaysButNotAlone) {
  const auto ticker = [] { return std::make_unique<PressureTicker>(*gf_formatPressureDatagram("1013"), startTime, 10.0); };
  EXPECT_EQ(lf_play(ticker()).size(), 1U);  // nothing else plays: one datagram, then done
  EXPECT_EQ(lf_play(ticker(), {}, startTime + 35.0).size(), 4U);  // a run with an end ticks until then
  const auto sent = lf_play(ticker(), std::make_unique<ScenarioPlayer>(
      gf_parseScenario("aircraft 20001 A B C D E\n0 50 8 0 0 0 air\n25 50 8 0 0 0 air\n", "s"), startTime, 5.0));
  std::vector<std::string> pressure;
  for (const auto& [stream, datagram] : sent) if (stream == FeedStream::pressure) pressure.push_back(datagram);
  EXPECT_EQ(pressure, std::vector<std::string>(3, "{\"QNH\":1013}"));  // at 0, 10 and 20 s
  EXPECT_EQ(sent.size(), 3U + 6U);                                     // traffic at 0, 5, ... 25 s
  EXPECT_EQ(gf_formatPressureDatagram("29.92"), "{\"QNH\":29.92}");
  for (const char* bad : {"", "nan", "inf", "10x", "hPa", "1013 "}) EXPECT_EQ(gf_formatPressureDatagram(bad), std::nullopt) << bad;
}

TEST(FeederLink, AnOverLongLineIsDroppedUpToItsEnd) {
  std::vector<std::string> lines;
  LinkConversation link([&](std::string_view line) { lines.emplace_back(line); }, [](std::string_view) {});
  link.receive("Qs123=17");
  link.receive(std::string(20000, 'x'));
  link.receive("yyy\r\nexit\r\n");
  EXPECT_EQ(lines, (std::vector<std::string>{"exit"}));
  EXPECT_EQ(link.droppedLines(), 1U);
  EXPECT_TRUE(link.goodbyeSeen());
}

TEST(FeederScenario, ReadsAircraftAndRefusesEveryBadLineByFileAndLine) {
  const Scenario good = gf_parseScenario(
      "# comment\naircraft 4837645 DLH123 A320 D-AIZZ FRA LHR   # default category\n"
      "0 50.0333 8.5706 36000 450 0 air 271.2\n\t60 50.04 8.6 35000 440 -1000 air\r\n\n"
      "interval 3.5\naircraft 10001 - - - - - B1\n5 1 2 0 0 0 ground\n6 1 2 0 0 0 ground 10 track 45 off 1 2\n", "s");
  ASSERT_EQ(good.aircraft.size(), 2U);
  const ScenarioAircraft& a = good.aircraft[0];
  EXPECT_EQ(a.id, 4837645U);
  EXPECT_EQ(a.callsign + a.type + a.registration + a.origin + a.destination + a.category, "DLH123A320D-AIZZFRALHRA3");
  EXPECT_EQ(a.reportIntervalSeconds, 2.0);
  EXPECT_EQ(a.waypoints.at(0).headingDegrees, 271.2);
  EXPECT_FALSE(a.waypoints.at(1).headingDegrees);
  EXPECT_EQ(a.waypoints[1].time + a.waypoints[1].verticalSpeedFpm, 60.0 - 1000.0);
  const ScenarioAircraft& b = good.aircraft[1];
  EXPECT_EQ(b.callsign + b.type + b.registration + b.origin + b.destination + b.category, "B1");
  EXPECT_EQ(b.reportIntervalSeconds, 3.5);
  EXPECT_TRUE(b.waypoints[0].onGround && !a.waypoints[1].onGround);
  // a track given is sent in place of the leg's, the heading and offset still read
  EXPECT_FALSE(b.waypoints[0].trackDegrees);
  EXPECT_EQ(b.waypoints[1].trackDegrees.value_or(-1.0) + b.waypoints[1].headingDegrees.value_or(-1.0), 45.0 + 10.0);
  EXPECT_EQ(b.waypoints[1].reportOffset.east, 2.0);
  EXPECT_EQ(gf_stateAt(b, 6.0).value().trackDegrees, 45.0);

  const std::string ac = "aircraft 20000 A B C D E\n", wp = "0 50 8 0 0 0 ground\n";
  const std::string usage =
      "waypoint row takes: time lat lon altitude speed vertical-speed ground|air [heading] [track degrees] "
      "[off north east]";
  const std::pair<std::string, std::string> bad[] = {
      {wp, "1: waypoint row before the first aircraft line"},
      {"plane 1\n", "1: unknown directive \"plane\" (expected interval, aircraft or a waypoint row)"},
      {ac + wp + "1 5O.0 8 0 0 0 air\n", "3: latitude \"5O.0\" is not a number"},
      {ac + wp + "1 50 8 nan 0 0 air\n", "3: altitude \"nan\" is not a number"},
      {ac + wp + "1 50 8 0 inf 0 air\n", "3: speed \"inf\" is not a number"},
      {ac + wp + "1 50 8 0 0 12abc air\n", "3: vertical speed \"12abc\" is not a number"},
      {ac + wp + "1 90.5 8 0 0 0 air\n", "3: latitude 90.5 is outside -90..90"},
      {ac + wp + "1 50 -180.1 0 0 0 air\n", "3: longitude -180.1 is outside -180..180"},
      {ac + wp + "1 50 8 0 -1 0 air\n", "3: speed -1 is outside 0..1000"},
      {ac + wp + "1 50 8 0 0 0 air 361\n", "3: heading 361 is outside 0..360"},
      {ac + wp + "0 50 8 0 0 0 air\n", "3: time 0 does not come after 0"},
      {ac + wp + "1 50 8 0 0 0 grnd\n", "3: \"grnd\" must be ground or air"},
      {ac + wp + "1 50 8 0 0 air\n", "3: " + usage},
      {ac + wp + "1 50 8 0 0 0 air 90 off 1\n", "3: " + usage},
      {ac + wp + "1 50 8 0 0 0 air off 1 2 3\n", "3: " + usage},
      {ac + wp + "1 50 8 0 0 0 air 90 of 1 2\n", "3: " + usage},
      {ac + wp + "1 50 8 0 0 0 air off x 2\n", "3: north offset \"x\" is not a number"},
      {ac + wp + "1 50 8 0 0 0 air 90 track\n", "3: " + usage},
      {ac + wp + "1 50 8 0 0 0 air track 361\n", "3: track 361 is outside 0..360"},
      {ac + wp + "1 50 8 0 0 0 air off 1 2 track 90\n", "3: " + usage},
      {ac + wp + "1 50 8 0 0 0 air off 1 100001\n", "3: east offset 100001 is outside -100000..100000"},
      {"# one point only\n" + ac + wp + "\n", "2: aircraft 20000 needs at least two waypoints"},
      {ac + wp + "aircraft 20001 A B C D E\n" + wp, "1: aircraft 20000 needs at least two waypoints"},
      {"aircraft 10000 A B C D E\n", "1: aircraft id 10000 must be above 10000"},
      {"aircraft 4294967296 A B C D E\n", "1: aircraft id \"4294967296\" is not a whole number below 4294967296"},
      {"aircraft 2e4 A B C D E\n", "1: aircraft id \"2e4\" is not a whole number below 4294967296"},
      {ac + wp + "1 50 8 0 0 0 air\naircraft 20000 F G H I J\n", "4: aircraft id 20000 appears twice"},
      {"aircraft 20000 A,B B C D E\n", "1: callsign \"A,B\" contains a comma"},
      {"aircraft 20000 A B C D\n", "1: aircraft takes: id callsign type registration origin destination [category]"},
      {"interval 1\n", "1: interval 1 s must be more than 1 s: reports of one aircraft are more than 1 s apart"},
      {"interval\n", "1: interval takes one value in seconds"}};
  for (const auto& [text, message] : bad) {
    try {
      gf_parseScenario(text, "bad.txt");
      ADD_FAILURE() << "accepted: " << text;
    } catch (const ScenarioError& error) {
      EXPECT_EQ(std::string(error.what()), "bad.txt:" + message);
    }
  }
  Scenario all = gf_parseScenario(ac + wp + "1 1 2 0 0 0 air\n", "one");
  gf_mergeScenario(all, gf_parseScenario("aircraft 20001 A B C D E\n" + wp + "1 1 2 0 0 0 air\n", "two"), "two");
  EXPECT_EQ(all.aircraft.size(), 2U);
  try {
    gf_mergeScenario(all, gf_parseScenario(ac + wp + "1 1 2 0 0 0 air\n", "two"), "two");
    ADD_FAILURE() << "merged a used id";
  } catch (const ScenarioError& error) {
    EXPECT_STREQ(error.what(), "two: aircraft id 20000 is already used by another scenario");
  }
  EXPECT_THROW(gf_readScenarioFile("/nonexistent/scenario.txt"), ScenarioError);
}

} // namespace
} // namespace gwr::feeder
