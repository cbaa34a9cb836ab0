// The ground scenarios' shared ground: a report as the feed sends it, what the
// simulator showed of it, and the table of ground cases flown through the engine.
#pragma once

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "airports/park_stand_table.h"
#include "core/geo.h"
#include "feeder/traffic_line.h"
#include "motioncheck/motion_check.h"
#include "support/engine_harness.h"
#include "traffic/engine/live_intake.h"
#include "traffic/movement/real_traffic_rows.h"

namespace gwr::groundscenario {

using testsupport::EngineHarness;

inline constexpr double fieldFt = testsupport::frankfurtFieldFt;
inline constexpr double taxiCapKt = 43.0;       // the fastest taxi outside a take-off or landing roll
inline constexpr double walkKt = 3.0;           // slower, the nose may point anywhere
inline constexpr double noseOffDeg = 20.0;      // faster, the nose within this of the motion
inline constexpr double pushBackKt = 8.0;       // nobody goes backwards faster
inline constexpr double feedDelayS = 30.0;      // reports are flown this much after they are made
inline constexpr const char* lufthansa = "Airbus A320neo Lufthansa";

// One report as the feed sends it: position, speed, and track and heading as given.
struct Report { double time; LatLon at; double kt, trackDeg, headingDeg; bool airborne = false; };

inline std::string lineOf(const Report& r, std::uint32_t id = 3958301, const char* callsign = "DLH4GM",
                          const char* registration = "D-AIGM") {
  feeder::ScenarioAircraft a;
  a.id = id;
  a.callsign = callsign;
  a.type = "A20N";
  a.registration = registration;
  a.origin = "FRA";
  a.destination = "LHR";
  a.category = "A3";
  feeder::AircraftState s;
  s.position = r.at;
  s.onGround = !r.airborne;
  s.altitudeFeet = r.airborne ? fieldFt + 300.0 : 0.0;
  s.verticalSpeedFpm = r.airborne ? 2000.0 : 0.0;
  s.groundSpeedKnots = r.kt;
  // NaN: not given by the feed.
  if (!std::isnan(r.trackDeg)) s.trackDegrees = r.trackDeg;
  if (!std::isnan(r.headingDeg)) s.trueHeadingDegrees = r.headingDeg;
  // The ground speed with its tenths, as recorded (the feeder writes whole knots).
  std::string line = feeder::gf_formatTrafficLine(a, s, testsupport::harnessStartTime + r.time);
  std::size_t at = 0;
  for (int field = 0; field < 8; ++field) at = line.find(',', at) + 1;
  return line.replace(at, line.find(',', at) - at, fmt::format("{:.1f}", r.kt));
}

inline LatLon ahead(LatLon from, double bearingDeg, double metres) {
  return gf_destinationPoint(from, bearingDeg * radiansPerDegree, metres / 0.3048);
}

inline const LatLon apron{50.0400, 8.5400};

inline constexpr double none = std::numeric_limits<double>::quiet_NaN();

// Reports `every` seconds from `from` along `bearingDeg` at `kt`, starting at t0.
inline void taxi(std::vector<Report>& r, double t0, LatLon from, double bearingDeg, double kt, double seconds,
                 double every, double trackDeg, double headingDeg) {
  for (double t = 0.0; t <= seconds + 1e-9; t += every)
    r.push_back({t0 + t, ahead(from, bearingDeg, kt * 1852.0 / 3600.0 * t), kt, trackDeg, headingDeg});
}

// What the simulator showed, over each second on the ground.
struct Seen {
  double worstNoseOffDeg = 0.0;   // nose against motion faster than a walk (pushed: against its reverse)
  double fastestKt = 0.0;
  double fastestBackwardsKt = 0.0;
  double worstLagS = 0.0;         // after a report's time plus the delay, until the object was within 20 m
  double sharpestTurnDeg = 0.0;   // the nose's largest change from one pose to the next (0.1 s)
  double worstNoseFromDeg = 0.0;  // the nose's largest difference from a given one, once created
  int objects = 0, removals = 0;
};

inline Seen watch(const EngineHarness& harness, const std::vector<Report>& reports, double endS, double pushedFromS,
                  double pushedToS, double noseDeg) {
  Seen seen;
  for (const auto& [id, track] : harness.tracks()) {
    ++seen.objects;
    if (track.removed >= 0.0) ++seen.removals;
    const auto& p = track.points;
    for (const auto& q : p)
      if (noseDeg >= 0.0)
        seen.worstNoseFromDeg = std::max(
            seen.worstNoseFromDeg, std::fabs(std::remainder(q.pose.heading * degreesPerRadian - noseDeg, 360.0)));
    for (std::size_t i = 1; i < p.size(); ++i)
      seen.sharpestTurnDeg = std::max(
          seen.sharpestTurnDeg,
          std::fabs(std::remainder(p[i].pose.heading - p[i - 1].pose.heading, twoPi)) * degreesPerRadian);
    for (std::size_t i = 10; i < p.size(); ++i) {
      const LatLon a{p[i - 10].pose.latitude, p[i - 10].pose.longitude}, b{p[i].pose.latitude, p[i].pose.longitude};
      const double kt = gf_greatCircleDistanceNm(a, b) / (p[i].time - p[i - 10].time) * 3600.0;
      seen.fastestKt = std::max(seen.fastestKt, kt);
      if (kt <= walkKt) continue;
      // The direction of motion over the last 0.2 s against the nose half way through.
      const LatLon shortly{p[i - 2].pose.latitude, p[i - 2].pose.longitude};
      if (gf_greatCircleDistanceNm(shortly, b) / (p[i].time - p[i - 2].time) * 3600.0 <= walkKt) continue;
      const double motion = gf_initialBearing(shortly, b);
      const double off = std::fabs(std::remainder(p[i - 1].pose.heading - motion, twoPi)) * degreesPerRadian;
      if (off > 90.0) seen.fastestBackwardsKt = std::max(seen.fastestBackwardsKt, kt);
      const bool pushed = (p[i].time >= pushedFromS && p[i].time <= pushedToS) || (off > 90.0 && kt <= pushBackKt);
      seen.worstNoseOffDeg = std::max(seen.worstNoseOffDeg, pushed ? 180.0 - off : off);
    }
    for (const Report& r : reports) {
      const double due = r.time + feedDelayS;
      if (due > endS - 20.0) break;
      double reached = endS;
      for (const auto& q : p)
        if (q.time >= due - 5.0 &&
            gf_greatCircleDistanceNm(r.at, {q.pose.latitude, q.pose.longitude}) * 1852.0 <= 20.0) {
          reached = q.time;
          break;
        }
      seen.worstLagS = std::max(seen.worstLagS, reached - due);
    }
  }
  return seen;
}

struct GroundCase {
  const char* name;
  std::function<std::vector<Report>()> reports;
  double seconds;
  double noseOffDeg, fastestKt, backwardsKt, lagS;  // the most each may be
  bool bornAtStand = false;                         // created at a stand where its first report is
  double pushedFromS = -1.0, pushedToS = -1.0;      // moving then, it goes tail first
  double turnDeg = 2.2;  // the most the nose may turn in 0.1 s: an A320's 0.21 degrees a tick, and a margin
  double noseDeg = -1.0, noseWithinDeg = 180.0;  // >= 0: on the ground the nose stays within this of it
};

inline void flyGroundCases(const std::vector<GroundCase>& cases) {
  for (const GroundCase& c : cases) {
    if (!testsupport::scenarioRowChosen(c.name)) continue;
    SCOPED_TRACE(c.name);
    EngineHarness harness({{"DLH", "", "A20N", false, lufthansa, ""}}, {lufthansa}, false,
                          testsupport::PoseRecording::on);
    harness.readFrankfurtAsParkAirport();
    const std::vector<Report> reports = c.reports();
    if (c.bornAtStand && !reports.empty()) {
      gf_clearStands(standTable);
      standTable.emplace_back("A1", std::vector<StandOption>{}, reports.front().at.latitude,
                              reports.front().at.longitude, reports.front().headingDeg * radiansPerDegree, 20.0,
                              std::int16_t{5}, false, false, false);
      standTable.back().number = 1;
      standTableReady.store(true);
      gf_installBirthStandChoice(&testsupport::tableStandAtBirth);
    }
    if (reports.empty()) {
      ADD_FAILURE() << "no reports (recording missing?)";
      continue;
    }
    std::size_t next = 0;
    const auto passes = static_cast<std::int64_t>(c.seconds * 100.0);
    for (std::int64_t i = 0; i < passes; ++i) {
      while (next < reports.size() && reports[next].time <= harness.now()) harness.feedLine(lineOf(reports[next++]));
      harness.pass();
    }
    gf_installBirthStandChoice(nullptr);
    standTableReady.store(false);
    gf_clearStands(standTable);
    gf_clearParkAirport();
    const Seen seen = watch(harness, reports, c.seconds, c.pushedFromS, c.pushedToS, c.noseDeg);
    EXPECT_EQ(seen.objects, 1);  // never removed and created again
    EXPECT_EQ(seen.removals, 0);
    EXPECT_LE(seen.worstNoseOffDeg, c.noseOffDeg);
    EXPECT_LE(seen.fastestKt, c.fastestKt);
    if (c.backwardsKt > 0.0) {
      EXPECT_LE(seen.fastestBackwardsKt, c.backwardsKt);
    }
    EXPECT_LE(seen.worstLagS, c.lagS);
    EXPECT_LE(seen.sharpestTurnDeg, c.turnDeg);
    EXPECT_LE(seen.worstNoseFromDeg, c.noseWithinDeg);
    // The motion check reads the same poses: never backwards faster than a
    // push-back, the nose never off its path for long.
    const motioncheck::MotionReport motion = harness.motion();
    const motioncheck::CallsignMotion& m = motion.of("DLH4GM");
    EXPECT_TRUE(m.backwards.empty()) << m.backwards.size() << " spans";
    if (c.noseOffDeg <= noseOffDeg) {
      EXPECT_TRUE(m.noseOff.empty()) << m.noseOff.size() << " spans";
    }
  }
}

} // namespace gwr::groundscenario
