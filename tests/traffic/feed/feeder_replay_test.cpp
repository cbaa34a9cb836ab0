// The feeder in simulated time: scenario report timing and the more-than-1-s
// rule, recorded replay shifted to now and sped up, the pressure ticker, and
// the link's line handling.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "feeder/feed_clock.h"
#include "feeder/feed_schedule.h"
#include "feeder/link_conversation.h"
#include "feeder/recorded_replay.h"
#include "feeder/scenario_player.h"
#include "feeder/traffic_line.h"

namespace gwr::feeder {
namespace {

constexpr double startTime = 1800000000.0;  // the simulated "now" the feeder starts at

struct Sent {
  FeedStream stream;
  std::string datagram;
};

std::vector<Sent> lf_play(FeedSchedule& schedule, double endTime = never) {
  SteppedClock clock(startTime);
  std::vector<Sent> sent;
  gf_runSchedule(schedule, clock, endTime,
                 [&](FeedStream stream, std::string_view datagram) { sent.push_back({stream, std::string(datagram)}); });
  return sent;
}

// Time stamps of the traffic lines, by aircraft id.
std::map<std::string, std::vector<double>> lf_stampsById(const std::vector<Sent>& sent) {
  std::map<std::string, std::vector<double>> stamps;
  for (const Sent& s : sent) {
    if (s.stream == FeedStream::traffic) stamps[std::string(*gf_lineField(s.datagram, 1))].push_back(*gf_lineTimestamp(s.datagram));
  }
  return stamps;
}

const char* const twoAircraft =
    "interval 2\n"
    "aircraft 20001 A B C D E\n"
    "0  50 8 1000 100 0 air\n"
    "9  50 8.1 1000 100 0 air\n"
    "interval 3\n"
    "aircraft 20002 A B C D E\n"
    "5  50 8 1000 100 0 air\n"
    "11 50 8.1 1000 100 0 air\n";

TEST(FeederPlayer, ReportsEachAircraftEveryIntervalFromFirstToLastWaypoint) {
  FeedSchedule schedule;
  schedule.add(std::make_unique<ScenarioPlayer>(gf_parseScenario(twoAircraft, "s"), startTime));
  const auto stamps = lf_stampsById(lf_play(schedule));
  EXPECT_EQ(stamps.at("20001"), (std::vector<double>{startTime, startTime + 2, startTime + 4, startTime + 6, startTime + 8}));
  EXPECT_EQ(stamps.at("20002"), (std::vector<double>{startTime + 5, startTime + 8, startTime + 11}));
}

TEST(FeederPlayer, IntervalOverrideAndTheOneSecondRule) {
  EXPECT_THROW(ScenarioPlayer(gf_parseScenario(twoAircraft, "s"), startTime, 1.0), std::invalid_argument);
  EXPECT_THROW(ScenarioPlayer(gf_parseScenario(twoAircraft, "s"), startTime, 0.5), std::invalid_argument);
  FeedSchedule schedule;
  schedule.add(std::make_unique<ScenarioPlayer>(gf_parseScenario(twoAircraft, "s"), startTime, 1.5));
  EXPECT_EQ(lf_stampsById(lf_play(schedule)).at("20001").size(), 7U);  // 0, 1.5, ... 9

  // 1.004 s apart, but written in hundredths from .006 on: .01, 1.01, 2.01,
  // 3.02 ... every other report would be only 1.00 s after the one before.
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
}

TEST(FeederPlayer, ALateSenderSkipsStaleReportsInsteadOfBursting) {
  ScenarioPlayer player(gf_parseScenario(twoAircraft, "s"), startTime);
  std::vector<std::string> lines;
  const DatagramSink sink = [&](FeedStream, std::string_view line) { lines.emplace_back(line); };
  player.sendDue(startTime + 6.5, sink);  // woke up late: 20001 had 0, 2, 4, 6 due; 20002 had 5
  ASSERT_EQ(lines.size(), 2U);
  EXPECT_EQ(gf_lineTimestamp(lines[0]), startTime + 6);
  EXPECT_EQ(gf_lineTimestamp(lines[1]), startTime + 5);
  EXPECT_EQ(player.skippedReports(), 3U);
  EXPECT_EQ(player.nextDueTime(), startTime + 8);
}

// Two aircraft recorded every 2 s, written out of order with a bad line and CR LF ends.
const char* const recorded =
    "X,30001,50,8,1000,0,,90,100,A,B,C,D,E,1000.0,,,x,,,-1,,,-1,,-1,,,A3\r\n"
    "X,30001,50,8,1000,0,,90,100,A,B,C,D,E,1004.0,,,x,,,-1,,,-1,,-1,,,A3\n"
    "X,30001,50,8,1000,0,,90,100,A,B,C,D,E,1002.0,,,x,,,-1,,,-1,,-1,,,A3\n"
    "garbage without fields\n"
    "\n"
    "X,30002,51,9,2000,0,,90,100,A,B,C,D,E,1001.0,,,x,,,-1,,,-1,,-1,,,A3\n"
    "X,,51,9,2000,0,,90,100,A,B,C,D,E,1001.0,,,x,,,-1,,,-1,,-1,,,A3\n"
    "X,30002,51,9,2000,0,,90,100,A,B,C,D,E,1003.0,,,x,,,-1,,,-1,,-1,,,A3\n"
    "X,30001,50,8,1000,0,,90,100,A,B,C,D,E,1006.0,,,x,,,-1,,,-1,,-1,,,A3\n";

TEST(FeederReplay, ReadsRecordedLinesInTimeOrderAndNamesBadOnes) {
  const Recording recording = gf_parseRecording(recorded, "rec.txt");
  ASSERT_EQ(recording.lines.size(), 6U);
  std::vector<double> times;
  for (const RecordedLine& line : recording.lines) times.push_back(line.timestamp);
  EXPECT_EQ(times, (std::vector<double>{1000, 1001, 1002, 1003, 1004, 1006}));
  EXPECT_EQ(recording.lines[0].text.back(), '3');  // the CR is gone
  EXPECT_EQ(recording.problems, (std::vector<std::string>{"rec.txt:4: skipped, no time stamp in field 14",
                                                          "rec.txt:7: skipped, no aircraft id in field 1"}));
}

TEST(FeederReplay, ShiftsToNowAndSpeedsUp) {
  struct Case {
    double speed;
    std::vector<double> offsets;  // of the sent lines' stamps from the start, in send order
    std::size_t skipped;
  };
  // Each aircraft is recorded every 2 s: at 2x that is 1 s, which is not more
  // than 1 s, so every other report goes; at 4x two of every three go.
  for (const Case& c : {Case{1.0, {0, 1, 2, 3, 4, 6}, 0}, Case{1.5, {0, 0.67, 1.33, 2, 2.67, 4}, 0},
                        Case{2.0, {0, 0.5, 2}, 3}, Case{4.0, {0, 0.25, 1.5}, 3}}) {
    FeedSchedule schedule;
    auto replay = std::make_unique<RecordedReplay>(gf_parseRecording(recorded, "rec.txt"), startTime, c.speed);
    const RecordedReplay& watched = *replay;
    schedule.add(std::move(replay));
    std::vector<double> offsets;
    for (const Sent& s : lf_play(schedule)) offsets.push_back(*gf_lineTimestamp(s.datagram) - startTime);
    ASSERT_EQ(offsets.size(), c.offsets.size()) << "speed " << c.speed;
    for (std::size_t i = 0; i < offsets.size(); ++i) EXPECT_NEAR(offsets[i], c.offsets[i], 1e-4) << "speed " << c.speed;
    EXPECT_EQ(watched.skippedReports(), c.skipped) << "speed " << c.speed;
  }
  // Only the time stamp changes.
  FeedSchedule schedule;
  schedule.add(std::make_unique<RecordedReplay>(gf_parseRecording(recorded, "rec.txt"), startTime, 1.0));
  EXPECT_EQ(lf_play(schedule).at(1).datagram,
            "X,30002,51,9,2000,0,,90,100,A,B,C,D,E,1800000001.00,,,x,,,-1,,,-1,,-1,,,A3");
  for (double bad : {0.0, -1.0, std::numeric_limits<double>::quiet_NaN(), never}) {
    EXPECT_THROW(RecordedReplay(gf_parseRecording(recorded, "rec.txt"), startTime, bad), std::invalid_argument) << bad;
  }
}

TEST(FeederSchedule, PressureEveryIntervalWhileTrafficPlaysButNotAlone) {
  FeedSchedule alone;
  alone.add(std::make_unique<PressureTicker>("{\"QNH\":1013}", startTime, 10.0));
  EXPECT_EQ(lf_play(alone).size(), 1U);  // nothing else plays: one datagram, then done

  FeedSchedule withTraffic;
  withTraffic.add(std::make_unique<PressureTicker>("{\"QNH\":1013}", startTime, 10.0));
  withTraffic.add(std::make_unique<ScenarioPlayer>(
      gf_parseScenario("aircraft 20001 A B C D E\n0 50 8 0 0 0 air\n25 50 8 0 0 0 air\n", "s"), startTime, 5.0));
  std::size_t pressure = 0;
  std::size_t traffic = 0;
  for (const Sent& s : lf_play(withTraffic)) {
    ++(s.stream == FeedStream::pressure ? pressure : traffic);
    if (s.stream == FeedStream::pressure) {
      EXPECT_EQ(s.datagram, "{\"QNH\":1013}");
    }
  }
  EXPECT_EQ(pressure, 3U);  // at 0, 10 and 20 s
  EXPECT_EQ(traffic, 6U);   // at 0, 5, ... 25 s

  FeedSchedule bounded;
  bounded.add(std::make_unique<PressureTicker>("{\"QNH\":1013}", startTime, 10.0));
  EXPECT_EQ(lf_play(bounded, startTime + 35.0).size(), 4U);  // a run with an end keeps ticking until then
}

TEST(FeederLink, CutsLinesAnswersTheVersionRequestAndSeesTheGoodbye) {
  std::vector<std::string> lines;
  std::string replies;
  LinkConversation link([&](std::string_view line) { lines.emplace_back(line); },
                        [&](std::string_view bytes) { replies.append(bytes); });
  link.receive("Qs999=ver");
  EXPECT_TRUE(lines.empty());
  link.receive("sion\r\nQs121=500;-100;1.570800;500;250;0.829031;0.148353\r\nQs123=17");
  link.receive("18000000000\r\n");
  EXPECT_EQ(replies, "gwr-feeder 1\r\n");
  EXPECT_FALSE(link.goodbyeSeen());
  link.receive(std::string(20000, 'x'));  // an over-long line is dropped up to its end
  link.receive("yyy\r\nexit\r\n");
  EXPECT_EQ(lines, (std::vector<std::string>{"Qs999=version", "Qs121=500;-100;1.570800;500;250;0.829031;0.148353",
                                             "Qs123=1718000000000", "exit"}));
  EXPECT_EQ(link.droppedLines(), 1U);
  EXPECT_TRUE(link.goodbyeSeen());
}

} // namespace
} // namespace gwr::feeder
