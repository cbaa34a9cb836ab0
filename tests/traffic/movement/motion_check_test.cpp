// The motion check on made-up pose tracks: a crab, a fast reverse, a straight
// and a curved take-off roll, a landing roll, racing on the ground, a removal
// at speed, nose flips, surges, a taxi trailing its reports; and the trace and
// report lines it reads.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "core/geo.h"
#include "feeder/scenario.h"
#include "motioncheck/motion_check.h"
#include "motioncheck/motion_input.h"
#include "support/engine_harness.h"
#include "traffic/feed/park_airport_state.h"

namespace gwr {
namespace {

using motioncheck::PoseSample;
using motioncheck::ReportSample;

constexpr double fieldFt = 364.0;
constexpr double tick = 0.1;  // seconds between poses, as the emulator traces them
constexpr double feetPerSecondPerKt = feetPerNm / 3600.0;

// A stretch of one object's track: speed from startKt to endKt, the path
// turning at turnDegPerS, the nose noseOffDeg off the path.
struct Leg {
  double seconds, startKt, endKt;
  double turnDegPerS = 0.0, noseOffDeg = 0.0;
  bool ground = true;
};

struct Track {
  std::vector<PoseSample> poses;
  std::vector<ReportSample> reports;
};

// Poses every 0.1 s from the start point along the legs, course 270 first,
// and a surface report every 2 s of where the pose is, reportLeadS earlier.
Track fly(const std::vector<Leg>& legs, double reportLeadS = 0.0) {
  Track track;
  LatLon at{45.0, 1.0};
  double course = 270.0, t = 0.0, altitude = fieldFt;
  const auto add = [&](double nose, bool ground) {
    track.poses.push_back({t, 7, "TST1", at.latitude, at.longitude, altitude, nose, ground});
  };
  for (const Leg& leg : legs) {
    const int steps = static_cast<int>(leg.seconds / tick + 0.5);
    for (int i = 0; i < steps; ++i) {
      const double kt = leg.startKt + (leg.endKt - leg.startKt) * (i + 0.5) / steps;
      course += leg.turnDegPerS * tick;
      at = gf_destinationPoint(at, course * radiansPerDegree, kt * feetPerSecondPerKt * tick);
      altitude = leg.ground ? fieldFt : altitude + 20.0 * tick;
      t += tick;
      add(course + leg.noseOffDeg, leg.ground);
    }
  }
  for (const PoseSample& p : track.poses) {
    const long ticks = std::lround(p.time / tick);
    if (ticks % 20 == 0 && p.onGround)
      track.reports.push_back({p.time - reportLeadS, "TST1", p.latitude, p.longitude, 15.0, true});
  }
  return track;
}

struct Findings {
  int noseOff, fast, backwards, liftOffs, crooked, runwayRemovals;
  int flips = 0, surges = 0, neverReached = 0;
};

constexpr double onTimeS = 30.0;  // the program flies its reports this late

struct MotionCase {
  const char* name;
  std::vector<Leg> legs;
  Findings expected;
  double traceEndsAfterS = 0.0;  // the trace goes on this long after the track: a removal
  std::vector<Leg> reported = {};  // the path the reports give, when not the track's
  double reportLeadS = onTimeS;
  int asideReport = -1;  // this report 60 m off the path
};

// Thresholds as the check's definitions give them: nose (or tail, moving
// backwards) 45 degrees off the path for 4 s above 5 kt; on the ground above 60 kt outside a roll; backwards above 8 kt;
// a lift-off's last 20 s of roll straight within a few degrees; removed on the
// ground above 30 kt; on the ground the nose never turns more than 45 degrees
// within a second, nor goes 20 kt faster than its reports' speed and pace; each
// surface report is met within 20 m by the time the next one is due.
TEST(MotionCheck, FindsEachWrongMotionOfAMadeUpTrack) {
  const MotionCase cases[] = {
      {"straight taxi", {{60, 15, 15}}, {0, 0, 0, 0, 0, 0}},
      // (the nose snapping into the crab and out again: two flips)
      {"crab 90 degrees for 6 s", {{10, 15, 15}, {6, 15, 15, 0, 90}, {10, 15, 15}}, {1, 0, 0, 0, 0, 0, 2}},
      {"crab 90 degrees for 3 s", {{10, 15, 15}, {3, 15, 15, 0, 90}, {10, 15, 15}}, {0, 0, 0, 0, 0, 0, 2}},
      {"crab 40 degrees for 20 s", {{10, 15, 15}, {20, 15, 15, 0, 40}}, {0, 0, 0, 0, 0, 0}},
      {"crab 90 degrees at a walk", {{10, 4, 4}, {20, 4, 4, 0, 90}}, {0, 0, 0, 0, 0, 0, 1}},
      {"reversing at 12 kt", {{10, 12, 12, 0, 180}}, {0, 0, 1, 0, 0, 0}},
      {"reversing at 6 kt crabbing 60 degrees", {{10, 6, 6, 0, 120}}, {1, 0, 0, 0, 0, 0}},
      {"push-back at 3 kt", {{60, 3, 3, 0, 180}}, {0, 0, 0, 0, 0, 0}},
      {"taxi at 70 kt", {{10, 15, 15}, {10, 70, 70}, {10, 15, 15}}, {0, 1, 0, 0, 0, 0}},
      {"straight take-off roll", {{20, 10, 10}, {40, 10, 150}, {20, 150, 160, 0, 0, false}}, {0, 0, 0, 1, 0, 0}},
      {"take-off roll turning 2 degrees a second",
       {{20, 10, 10}, {40, 10, 150, 2.0}, {20, 150, 160, 0, 0, false}}, {0, 0, 0, 1, 1, 0}},
      {"lift-off with the nose 10 degrees off the roll",
       {{20, 10, 10}, {40, 10, 150, 0, 10}, {20, 150, 160, 0, 0, false}}, {0, 0, 0, 1, 1, 0}},
      {"landing roll", {{20, 140, 140, 0, 0, false}, {30, 140, 20}, {30, 15, 15}}, {0, 0, 0, 0, 0, 0}},
      {"removed on the ground at 80 kt", {{10, 80, 80}}, {0, 1, 0, 0, 0, 1}, 5.0},
      {"removed standing at its gate", {{30, 0, 0}}, {0, 0, 0, 0, 0, 0}, 5.0},
      {"removed 20 s after touchdown", {{20, 140, 140, 0, 0, false}, {20, 140, 15}, {5, 15, 15}}, {0, 0, 0, 0, 0, 1}, 5.0},
      {"nose snapped round 120 degrees at a stand", {{10, 0, 0}, {10, 0, 0, 0, 120}}, {0, 0, 0, 0, 0, 0, 1}},
      {"taxi corner of 90 degrees in 3 s", {{10, 15, 15}, {3, 15, 15, 30}, {10, 15, 15}}, {0, 0, 0, 0, 0, 0, 0}},
      {"nose turning 60 degrees a second for 2 s", {{10, 15, 15}, {2, 15, 15, 60}, {10, 15, 15}},
       {0, 0, 0, 0, 0, 0, 1}},
      {"turning 60 degrees a second in the air",
       {{10, 140, 140, 0, 0, false}, {3, 140, 140, 60, 0, false}, {10, 140, 140, 0, 0, false}}, {0, 0, 0, 0, 0, 0, 0}},
      {"surge to 45 kt in a 15 kt taxi", {{10, 15, 15}, {5, 45, 45}, {20, 15, 15}}, {0, 0, 0, 0, 0, 0, 0, 1}, 0.0,
       {{40, 15, 15}}},
      {"catching up at 30 kt in a 15 kt taxi", {{10, 15, 15}, {5, 30, 30}, {20, 15, 15}}, {0, 0, 0, 0, 0, 0, 0, 0},
       0.0, {{40, 15, 15}}},
      // reports every 2 s at 15 kt: a pose is within 20 m of one 2.6 s before passing it, so 10 s late it
      // meets none of the moving ones before the next is due, but the first (near the stand) and the last
      {"trailing its reports by 10 s", {{30, 0, 0}, {60, 15, 15}}, {0, 0, 0, 0, 0, 0, 0, 0, 28}, 0.0, {},
       onTimeS + 10.0},
      {"trailing its reports by 3 s", {{30, 0, 0}, {60, 15, 15}}, {0, 0, 0, 0, 0, 0, 0, 0, 0}, 0.0, {}, onTimeS + 3.0},
      {"one report 60 m off the path", {{30, 0, 0}, {60, 15, 15}}, {0, 0, 0, 0, 0, 0, 0, 0, 1}, 0.0, {}, onTimeS, 20},
  };
  for (const MotionCase& c : cases) {
    SCOPED_TRACE(c.name);
    const Track track = fly(c.legs);
    std::vector<ReportSample> reports = fly(c.reported.empty() ? c.legs : c.reported, c.reportLeadS).reports;
    if (c.asideReport >= 0) {
      ReportSample& r = reports.at(static_cast<std::size_t>(c.asideReport));
      const LatLon aside = gf_destinationPoint({r.latitude, r.longitude}, 0.0, 60.0 / 0.3048);
      r.latitude = aside.latitude;
      r.longitude = aside.longitude;
    }
    const auto report = motioncheck::gf_checkMotion(track.poses, reports, track.poses.back().time + c.traceEndsAfterS);
    const Findings seen{report.noseOffSpans, report.fastGroundSpans, report.backwardSpans, report.liftOffs,
                        report.crookedLiftOffs, report.runwayRemovals, report.flips, report.surges,
                        report.neverReached};
    EXPECT_EQ(seen.noseOff, c.expected.noseOff);
    EXPECT_EQ(seen.fast, c.expected.fast);
    EXPECT_EQ(seen.backwards, c.expected.backwards);
    EXPECT_EQ(seen.liftOffs, c.expected.liftOffs);
    EXPECT_EQ(seen.crooked, c.expected.crooked);
    EXPECT_EQ(seen.runwayRemovals, c.expected.runwayRemovals);
    EXPECT_EQ(seen.flips, c.expected.flips);
    EXPECT_EQ(seen.surges, c.expected.surges);
    EXPECT_EQ(seen.neverReached, c.expected.neverReached);
  }
}

// The user aircraft's poses (no callsign) say how long the trace ran: an
// object whose poses end before them was removed.
TEST(MotionCheck, TheUserAircraftOnlyKeepsTheClock) {
  std::vector<PoseSample> poses = fly({{10, 80, 80}}).poses;
  const double last = poses.back().time;
  for (double t = 0.0; t <= last + 5.0; t += tick) poses.push_back({t, 1, "", 45.1, 1.1, 0.0, 0.0, true});
  const auto report = motioncheck::gf_checkMotion(poses, {});
  EXPECT_EQ(report.runwayRemovals, 1);
  ASSERT_EQ(report.of("TST1").removals.size(), 1u);
  EXPECT_NEAR(report.of("TST1").removals.front().time, last, 1e-9);
  EXPECT_EQ(report.callsigns.size(), 1u);
}

// The spans' own figures: how far off, how long, how fast, and what was reported.
TEST(MotionCheck, ASpanSaysItsAngleLengthAndSpeed) {
  const auto report = motioncheck::gf_checkMotion(fly({{10, 15, 15}, {8, 20, 20, 0, 90}, {10, 15, 15}}).poses, {});
  ASSERT_EQ(report.of("TST1").noseOff.size(), 1u);
  const auto& span = report.of("TST1").noseOff.front();
  EXPECT_NEAR(span.worstDeg, 90.0, 1.0);
  EXPECT_NEAR(span.seconds, 8.0, 1.1);  // the second of motion behind each pose blurs its edges
  EXPECT_NEAR(span.fastestKt, 20.0, 0.5);
  EXPECT_TRUE(report.of("NONE").noseOff.empty());
  // The worst angle counts however briefly it lasts; backwards is the speed against the nose.
  const auto brief = motioncheck::gf_checkMotion(fly({{10, 15, 15}, {2, 15, 15, 0, 30}, {10, 15, 15}}).poses, {});
  EXPECT_NEAR(brief.of("TST1").worstNoseOffDeg, 30.0, 1.0);
  EXPECT_NEAR(brief.of("TST1").fastestBackwardsKt, 0.0, 0.1);
  const auto pushed = motioncheck::gf_checkMotion(fly({{10, 3, 3, 0, 120}}).poses, {});
  EXPECT_NEAR(pushed.of("TST1").fastestBackwardsKt, 1.5, 0.1);  // 3 kt at 120 degrees off the nose

  // Racing at 70 kt where the reports say 15 kt but their positions move at 70.
  const Track racing = fly({{10, 15, 15}, {10, 70, 70}, {10, 15, 15}});
  const auto fast = motioncheck::gf_checkMotion(racing.poses, racing.reports).of("TST1").fastOnGround;
  ASSERT_EQ(fast.size(), 1u);
  EXPECT_NEAR(fast.front().fastestKt, 70.0, 0.5);
  EXPECT_DOUBLE_EQ(fast.front().reportedKt, 15.0);
  EXPECT_NEAR(fast.front().reportedPaceKt, 70.0, 0.5);
}

// Lag: a taxi whose poses pass each report's position some time after the
// report; reports the poses are already at give none.
TEST(MotionCheck, LagIsHowLongThePosesTrailTheReports) {
  const struct {
    double leadS, lagS;
  } cases[] = {{0.0, 0.0}, {20.0, 20.0}, {90.0, 90.0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.leadS);
    const Track track = fly({{30, 0, 0}, {200, 15, 15}}, c.leadS);
    const auto report = motioncheck::gf_checkMotion(track.poses, track.reports);
    EXPECT_NEAR(report.of("TST1").largestLagSeconds, c.lagS, 0.2);
    EXPECT_EQ(report.of("TST1").unreachedReports, 0);
  }
  // Stopped 8 m short of where it was reported 20 s before, it creeps the
  // rest five minutes later: 20 s behind, not five minutes.
  const Track creeping = fly({{30, 0, 0}, {100, 15, 15}, {300, 0, 0}, {6, 2.6, 2.6}});
  const PoseSample& end = creeping.poses.back();
  const ReportSample last{130.0 - 20.0, "TST1", end.latitude, end.longitude, 0.0, true};
  EXPECT_NEAR(motioncheck::gf_checkMotion(creeping.poses, {last}).of("TST1").largestLagSeconds, 20.0, 0.2);
}

// The trace's lines and the traffic lines: bad ones are named and skipped.
TEST(MotionCheck, ReadsTraceAndReportLinesAndSkipsBadOnes) {
  std::istringstream trace(
      "time_s,object,callsign,latitude,longitude,altitude_ft,ground_ft,cg_height_ft,heading_deg,on_ground,"
      "vertical_speed_fpm,pitch_deg\n"
      "1900000000.10,2,DLH1,50.0000000,8.5000000,372.0,364.0,8.0,90.0,1,0.0,0.00\n"
      "1900000000.10,2,DLH1,50.0000000,8.5000000,372.0,364.0\n"
      "1900000000.20,2,DLH1,95.0000000,8.5000000,372.0,364.0,8.0,90.0,1,0.0,0.00\n"
      "1900000000.30,x,DLH1,50.0000000,8.5000000,372.0,364.0,8.0,90.0,1,0.0,0.00\n"
      "\n"
      "1900000000.40,3,DLH2,50.0000000,8.5000000,1372.0,364.0,8.0,271.5,0,-600.0,2.50\n");
  const auto read = motioncheck::gf_readPoseTrace(trace, "poses.csv");
  ASSERT_EQ(read.poses.size(), 2u);
  EXPECT_EQ(read.problems.size(), 3u);
  EXPECT_EQ(read.problems.front().rfind("poses.csv:3: skipped", 0), 0u) << read.problems.front();
  const PoseSample& second = read.poses[1];
  EXPECT_DOUBLE_EQ(second.time, 1900000000.40);
  EXPECT_EQ(second.object, 3u);
  EXPECT_EQ(second.callsign, "DLH2");
  EXPECT_DOUBLE_EQ(second.headingDeg, 271.5);
  EXPECT_FALSE(second.onGround);

  std::string problem;
  const auto report = motioncheck::gf_parseReportLine(
      "X,11308588,44.864626,-93.718872,0,0,,44.8,12,DAL1615,B739,N899DN,null,null,1900000005.00,,,adsb_icao,,,-1,,,-1,,"
      "44.8,,,A3",
      -100.0, problem);
  ASSERT_TRUE(report.has_value());
  EXPECT_DOUBLE_EQ(report->time, 1899999905.0);
  EXPECT_EQ(report->callsign, "DAL1615");
  EXPECT_DOUBLE_EQ(report->groundSpeedKt, 12.0);
  EXPECT_TRUE(report->onGround);
  EXPECT_FALSE(motioncheck::gf_parseReportLine("X,1,44.8,-93.7,0,0,,44.8,12,null,B739", 0.0, problem).has_value());
}

// The harness records the emulator's poses ten times a simulated second on
// the feed's clock, the user aircraft's too: the shipped departure pushes back, taxis and lifts off
// once, straight along runway 25C (248 degrees).
TEST(MotionCheck, TheHarnessRecordsThePosesOfAFlightInSimulatedTime) {
  const auto departure =
      feeder::gf_readScenarioFile(std::filesystem::path(GWR_FEEDER_SCENARIOS) / "eddf_departure.txt");
  testsupport::EngineHarness harness({{"DLH", "", "A20N", false, "Airbus A320neo Lufthansa", ""}},
                                     {"Airbus A320neo Lufthansa"}, false, testsupport::PoseRecording::on);
  harness.readFrankfurtAsParkAirport();
  harness.play(departure);
  harness.run(800.0);
  gf_clearParkAirport();

  const std::string callsign = departure.aircraft.front().callsign;
  std::vector<PoseSample> poses = harness.poses();
  const auto users = std::erase_if(poses, [&](const PoseSample& p) { return p.callsign != callsign; });
  EXPECT_NEAR(static_cast<double>(users), harness.now() / tick, 1.0);  // the user's line all along
  ASSERT_GT(poses.size(), 1000u);
  for (std::size_t i = 1; i < poses.size(); ++i) ASSERT_NEAR(poses[i].time - poses[i - 1].time, tick, 0.005) << i;
  EXPECT_NEAR(poses.back().time, testsupport::harnessStartTime + harness.now(), tick);
  const auto reports = harness.reports();
  ASSERT_FALSE(reports.empty());
  EXPECT_LE(reports.front().time, poses.front().time);

  const auto motion = harness.motion();
  const auto& flight = motion.of(callsign);
  ASSERT_EQ(flight.liftOffs.size(), 1u);
  EXPECT_TRUE(flight.liftOffs.front().straight);
  EXPECT_NEAR(flight.liftOffs.front().courseDeg, 248.4, 3.0);
  EXPECT_GT(flight.reports, 0);
}

} // namespace
} // namespace gwr
