// End to end over real UDP on 127.0.0.1: the feeder's scenario lines, replayed
// lines and pressure datagrams go into the program's reader threads and come
// out as the expected traffic records, or are filtered out.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "core/geo.h"
#include "feeder/feed_clock.h"
#include "feeder/feed_schedule.h"
#include "feeder/recorded_replay.h"
#include "feeder/scenario_player.h"
#include "feeder/traffic_line.h"
#include "platform/net/udp_socket.h"
#include "support/log_capture.h"
#include "support/traffic_feed.h"
#include "traffic/feed/feeder_wait.h"
#include "traffic/feed/park_airport_state.h"
#include "traffic/feed/qnh_reader.h"
#include "traffic/feed/reader_threads.h"
#include "traffic/feed/tick_clock.h"

namespace gwr {
namespace {

using feeder::FeedSchedule;
using feeder::FeedStream;
using testsupport::FeedState;

constexpr double startTime = 1800000000.0;  // the feeder's simulated "now"
constexpr std::int32_t datagramsInFlight = 32;  // sent but not yet taken; well inside a socket buffer
constexpr std::int32_t startTick = 1200;
constexpr LatLon frankfurt{50.030241, 8.561096};  // EDDF, 364 ft
constexpr double frankfurtElevationFeet = 364.0;
constexpr double qnhOffsetFeet = (1003 - 1013.25) * 27.0;  // QNH 1003: -276.75 ft

class FeederToReader : public ::testing::Test {
 protected:
  FeederToReader() {
    traffic.setReferencePosition(frankfurt);
    traffic.setFieldElevation(frankfurtElevationFeet);
    testsupport::setParkAirport(frankfurt.latitude, frankfurt.longitude, static_cast<float>(frankfurtElevationFeet));
    tickCount.store(startTick);
  }
  ~FeederToReader() override { currentQnh.store(startQnhHpa); }

  // Plays the schedule in simulated time, sending over UDP, and returns when
  // the readers have handled every datagram and stopped.
  void play(FeedSchedule& schedule) {
    const testsupport::RunningReader trafficThread(traffic);
    const testsupport::RunningReader qnhThread(qnh);
    platform::UdpSocket sender;
    ASSERT_EQ(sender.open(), 0);
    std::int32_t trafficSent = traffic.receivedCount.load();  // counted on from earlier plays
    std::int32_t pressureSent = qnh.receivedCount.load();
    feeder::SteppedClock clock(startTime);
    feeder::gf_runSchedule(schedule, clock, feeder::never, [&](FeedStream stream, std::string_view datagram) {
      const bool isTraffic = stream == FeedStream::traffic;
      ASSERT_TRUE(sender.sendTo(datagram, platform::Ipv4Address::loopback(), isTraffic ? trafficThread.port : qnhThread.port).ok());
      ++(isTraffic ? trafficSent : pressureSent);
      // Simulated time outruns a slow (sanitized) reader: keep its socket
      // buffer from overflowing, as RealTraffic's real-time pace would.
      ASSERT_TRUE(testsupport::waitUntil([&] { return traffic.receivedCount.load() + datagramsInFlight >= trafficSent; }));
    });
    EXPECT_TRUE(testsupport::waitUntil([&] { return traffic.receivedCount.load() == trafficSent; }));
    EXPECT_TRUE(testsupport::waitUntil([&] { return qnh.receivedCount.load() == pressureSent; }));
  }

  testsupport::LogCapture log;
  FeedState feed;
  TrafficReader traffic;
  QnhReader qnh{traffic};
};

// One report each (at t=0), the track from the first waypoint to the second.
const char* const filterScenario =
    "aircraft 40001 DLH9AK A20N D-AIJH FRA LHR\n"  // on final, 10 nm north
    "0 50.2000 8.5611 3000 160 -800 air\n"
    "1 50.1000 8.5611 3000 160 -800 air\n"
    "aircraft 40002 CFG1TK A21N D-ANLA PMI FRA\n"  // taxiing east on the apron
    "0 50.0400 8.5600 364 15 0 ground\n"
    "1 50.0400 8.5700 364 15 0 ground\n"
    "aircraft 40003 @GND A320 D-AIZZ - -\n"  // 30 kt at 2000 ft: on the ground at any height
    "0 50.0300 8.5700 2000 30 0 air 45\n"
    "1 50.0300 8.5700 2000 30 0 air 45\n"
    "aircraft 40004 EWG1 A320 D-AEWA - -\n"  // 40 ft above the field at 100 kt: on the ground
    "0 50.0300 8.5500 681 100 0 air\n"
    "1 50.0300 8.5400 681 100 0 air\n"
    "aircraft 40005 EWG2 A320 D-AEWB - -\n"  // on the ground 6 nm north
    "0 50.1303 8.5611 364 10 0 ground\n"
    "1 50.1303 8.5700 364 10 0 ground\n"
    "aircraft 40006 EWG3 A320 D-AEWC - -\n"  // 43 nm north, beyond the 40 nm range
    "0 50.7500 8.5611 30000 400 0 air\n"
    "1 50.7600 8.5611 30000 400 0 air\n"
    "aircraft 40007 GLD1 GLID D-KAAA - -\n"  // a type the reader drops
    "0 50.1 8.6 3000 60 0 air\n"
    "1 50.2 8.6 3000 60 0 air\n";

struct Expected {
  std::uint32_t hexid;
  std::string callsign;
  double altitude;
  std::uint8_t airborne;
  double track;
  double groundSpeed;
  double verticalSpeed;
  double trueAirspeed;
  double headingDegrees;
};

// Values written from the scenario by hand: QNH 1003 takes 276.75 ft off;
// TAS is the default for the corrected altitude (220 kt up to 5000 ft, 180 kt up to 2000 ft).
TEST_F(FeederToReader, ScenarioLinesComeOutAsExpectedRecordsOrAreFilteredOut) {
  const Expected expected[] = {{40001, "DLH9AK", 3000 + qnhOffsetFeet, 1, 180.0, 160, -800, 220, 180.0},  // on final
                               {40002, "CFG1TK", 0, 0, 90.0, 15, 0, 180, 90.0},                          // taxiing
                               {40003, "", 0, 0, 45.0, 30, 0, 180, 45.0},                                // slow
                               {40004, "EWG1", 0, 0, 270.0, 100, 0, 180, 270.0}};                        // low and slow
  FeedSchedule pressure;  // before the traffic: the two readers run side by side
  pressure.add(std::make_unique<feeder::PressureTicker>(*feeder::gf_formatPressureDatagram("1003"), startTime, 10.0));
  play(pressure);
  ASSERT_EQ(traffic.qnh.load(), 1003);
  FeedSchedule schedule;
  schedule.add(std::make_unique<feeder::ScenarioPlayer>(feeder::gf_parseScenario(filterScenario, "filters"), startTime));
  play(schedule);

  const std::vector<TrafficRecord> records = FeedState::queued();
  ASSERT_EQ(records.size(), std::size(expected));
  for (std::size_t i = 0; i < records.size(); ++i) {
    const TrafficRecord& r = records[i];
    const Expected& e = expected[i];
    SCOPED_TRACE(e.hexid);
    EXPECT_EQ(r.hexid, e.hexid);
    EXPECT_EQ(r.identity.callsign, e.callsign);
    EXPECT_DOUBLE_EQ(r.altitude, e.altitude);
    EXPECT_EQ(r.airborne, e.airborne);
    EXPECT_EQ(r.onGround, 0);
    EXPECT_DOUBLE_EQ(r.track, e.track);
    EXPECT_DOUBLE_EQ(r.groundSpeed, e.groundSpeed);
    EXPECT_DOUBLE_EQ(r.verticalSpeed, e.verticalSpeed);
    EXPECT_DOUBLE_EQ(r.trueAirspeed, e.trueAirspeed);
    ASSERT_TRUE(r.heading);
    EXPECT_NEAR(*r.heading * degreesPerRadian, e.headingDegrees, 1e-9);
    EXPECT_EQ(r.trueHeadingGiven, 1);
    EXPECT_EQ(r.dueTick, startTick + 3000);
    EXPECT_DOUBLE_EQ(r.timestamp, startTime);
  }
  EXPECT_EQ(traffic.malformedCount.load(), 0U);
  EXPECT_DOUBLE_EQ(traffic.timestamp(), startTime);
}

TEST_F(FeederToReader, RecordedLinesReplayedFasterKeepTheirOrderAndGetNowsTime) {
  const auto line = [&](const char* id, const char* stamp, const char* callsign) {
    return testsupport::TrafficLine{}.set(1, id).set(14, stamp).set(9, callsign).text();
  };
  const std::string recorded = line("50001", "1718000000", "DLH1") + "\n" + line("50002", "1718000002", "FOLLOW VEH") + "\n" +
                               line("50001", "1718000004", "DLH1") + "\n" + line("50003", "1718000005", "DLH3") + "\n";
  FeedSchedule schedule;
  schedule.add(std::make_unique<feeder::RecordedReplay>(feeder::gf_parseRecording(recorded, "rec"), startTime, 2.0));
  play(schedule);
  const std::vector<TrafficRecord> records = FeedState::queued();
  ASSERT_EQ(records.size(), 3U);  // the " VEH" line is ignored by the reader
  EXPECT_EQ(records[0].hexid, 50001U);
  EXPECT_DOUBLE_EQ(records[0].timestamp, startTime);
  EXPECT_EQ(records[1].hexid, 50001U);
  EXPECT_DOUBLE_EQ(records[1].timestamp, startTime + 2.0);
  EXPECT_EQ(records[2].hexid, 50003U);
  EXPECT_DOUBLE_EQ(records[2].timestamp, startTime + 2.5);
  EXPECT_DOUBLE_EQ(records[2].altitude, 35993.25);  // QNH 1013 still: only the whole-hPa shift of -6.75 ft
}

TEST_F(FeederToReader, TheShippedDepartureIsTakenUntilItLeavesTheRange) {
  feeder::Scenario departure = feeder::gf_readScenarioFile(std::string(GWR_FEEDER_SCENARIOS) + "/eddf_departure.txt");
  const feeder::ScenarioAircraft aircraft = departure.aircraft.at(0);
  FeedSchedule schedule;
  auto player = std::make_unique<feeder::ScenarioPlayer>(std::move(departure), startTime);
  schedule.add(std::move(player));
  play(schedule);
  const std::vector<TrafficRecord> records = FeedState::queued();
  const double lastTime = aircraft.waypoints.back().time;
  const auto sent = static_cast<std::size_t>(lastTime / aircraft.reportIntervalSeconds) + 1;
  ASSERT_GT(records.size(), sent / 2);
  EXPECT_LT(records.size(), sent);  // the reports beyond 40 nm are dropped

  // On the ground first, then airborne for good; every report 2 s after the one before.
  std::size_t airborneFrom = 0;
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (records[i].airborne != 0 && airborneFrom == 0) airborneFrom = i;
    if (airborneFrom != 0) {
      EXPECT_EQ(records[i].airborne, 1) << i;
    }
    if (i > 0) {
      EXPECT_DOUBLE_EQ(records[i].timestamp - records[i - 1].timestamp, 2.0);
    }
    EXPECT_LE(gf_greatCircleDistanceNm({records[i].latitude, records[i].longitude}, frankfurt), 40.0);
  }
  ASSERT_GT(airborneFrom, 0U);
  EXPECT_DOUBLE_EQ(records.front().groundSpeed, 0.0);
  EXPECT_DOUBLE_EQ(records.front().altitude, 0.0);
  EXPECT_NEAR(records[airborneFrom].track, 249.6, 0.05);  // straight out on the runway heading
  EXPECT_NEAR(records.back().track, 249.6, 0.5);          // the great circle's course creeps
  const TrafficRecord& last = records.back();
  EXPECT_GT(gf_greatCircleDistanceNm({last.latitude, last.longitude}, frankfurt), 39.5);
  EXPECT_DOUBLE_EQ(last.altitude, 6993.25);
  EXPECT_EQ(traffic.malformedCount.load(), 0U);
}

} // namespace
} // namespace gwr
