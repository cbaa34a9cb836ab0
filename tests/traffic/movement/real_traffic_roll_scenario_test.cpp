// Take-off and landing rolls from recorded airport traffic, flown in simulated
// time through the whole engine and the emulated simulator, and checked.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/geo.h"
#include "feeder/scenario.h"
#include "feeder/scenario_player.h"
#include "feeder/traffic_line.h"
#include "motioncheck/motion_check.h"
#include "support/engine_harness.h"
#include "traffic/movement/real_traffic_roll.h"
#include "traffic/movement/real_traffic_rows.h"
#include "traffic/feed/park_airport_state.h"

namespace gwr {
namespace {

using namespace rollscenario;
using testsupport::EngineHarness;
using testsupport::lufthansa;
using testsupport::onGroundBelowFt;

constexpr const char* callsign = "DLH3RL";
constexpr double mPerS2PerKtPerS = 0.514444;    // 1 kt/s in m/s^2

bool onGround(const simemu::Pose& p) { return p.altitude < onGroundBelowFt; }
double metresBetween(const simemu::Pose& a, const simemu::Pose& b) {
  return gf_greatCircleDistanceNm({a.latitude, a.longitude}, {b.latitude, b.longitude}) * metresPerNm;
}
// Knots over the second before point i (points come 10 a second).
double ktOver(const std::vector<testsupport::TrackPoint>& p, std::size_t i) {
  return metresBetween(p[i - 10].pose, p[i].pose) / metresPerNm / (p[i].time - p[i - 10].time) * 3600.0;
}
// Metres off the runway's line through a point (by default the one abeam the holds).
double offRunwayMetres(const simemu::Pose& p, LatLon through = abeamHold) {
  const double nm = gf_greatCircleDistanceNm(through, {p.latitude, p.longitude});
  const double bearing = gf_initialBearing(through, {p.latitude, p.longitude});
  return std::fabs(std::sin(bearing - runwayDeg * radiansPerDegree)) * nm * metresPerNm;
}

// Each line's time stamp may be moved by up to stampJitterS either way (the
// same moves on every platform), and every 7th set slipFromBeforeS from the
// stamp of the line sent before it; each line is still sent when it falls due.
void play(EngineHarness& harness, const std::string& text, double seconds, Outage outage, double stampJitterS,
          double slipFromBeforeS) {
  feeder::ScenarioPlayer player(feeder::gf_parseScenario(text, "scenario"), testsupport::harnessStartTime);
  testsupport::SameDraws draws{362436069u};
  const auto jitter = [&draws, stampJitterS] { return stampJitterS * (2.0 * draws.next() - 1.0); };
  std::size_t sent = 0;
  double stampBefore = 0.0;
  const auto passes = static_cast<std::int64_t>(seconds * 100.0);
  for (std::int64_t i = 0; i < passes; ++i) {
    const double t = harness.now();
    player.sendDue(testsupport::harnessStartTime + t, [&](feeder::FeedStream stream, std::string_view line) {
      const bool silent = (t >= outage.from && t < outage.to) || (t >= outage.thenFrom && t < outage.thenTo);
      if (stream != feeder::FeedStream::traffic || silent) return;
      if (stampJitterS <= 0.0 && slipFromBeforeS == 0.0) return harness.feedLine(line);
      double stamp = *feeder::gf_lineTimestamp(line) + (stampJitterS > 0.0 ? jitter() : 0.0);
      if (slipFromBeforeS != 0.0 && sent % 7 == 3) stamp = stampBefore + slipFromBeforeS;
      ++sent;
      stampBefore = stamp;
      harness.feedLine(feeder::gf_withTimestamp(line, stamp));
    });
    harness.pass();
  }
}

void check(const EngineHarness& harness, const Expect& e) {
  ASSERT_FALSE(harness.tracks().empty());
  const auto& first = harness.tracks().begin()->second;
  const auto& p = first.points;
  const motioncheck::MotionReport motion = harness.motion();
  const motioncheck::CallsignMotion& m = motion.of(callsign);
  for (const auto& q : p) ASSERT_GT(q.pose.altitude, fieldFt) << "below the field at " << q.time;
  if (e.groundKt > 0.0) {  // a stale speed never rolls it, nor lifts it off
    EXPECT_TRUE(m.liftOffs.empty()) << "lifted off at " << m.liftOffs.front().time - testsupport::harnessStartTime;
    EXPECT_LE(m.fastestOffRollKt, e.groundKt);
  }
  if (e.liftOffBy >= 0.0) {  // lifted off from a straight roll along the runway, its course
    ASSERT_EQ(m.objects.size(), 1u);
    EXPECT_TRUE(m.removals.empty());
    ASSERT_EQ(m.liftOffs.size(), 1u);
    const motioncheck::LiftOff& off = m.liftOffs.front();
    EXPECT_TRUE(off.straight) << "path " << off.worstPathDeg << ", nose " << off.worstNoseDeg << " degrees off";
    EXPECT_LE(off.time - testsupport::harnessStartTime, e.liftOffBy);
    EXPECT_LE(std::fabs(std::remainder(off.courseDeg - e.courseDeg, 360.0)), 3.0) << off.courseDeg;
    for (const auto& q : p) {  // its last 10 s on the ground on the runway's line
      const bool rolling = q.time > off.time - testsupport::harnessStartTime - 10.0 && onGround(q.pose);
      ASSERT_LE(rolling ? offRunwayMetres(q.pose) : 0.0, 25.0) << "at " << q.time;
    }
  }
  if (e.keptThroughLanding) {
    EXPECT_EQ(m.objects.size(), 1u);
    EXPECT_TRUE(m.removals.empty()) << "removed at " << m.removals.front().time - testsupport::harnessStartTime;
    EXPECT_TRUE(onGround(p.back().pose));
  }
  if (e.downShortAtMostM >= 0.0) {  // its first touchdown, along the runway from where its reports touch down
    const auto down = std::adjacent_find(p.begin(), p.end(), [](const auto& a, const auto& b) {
      return !onGround(a.pose) && onGround(b.pose);
    });
    ASSERT_NE(down, p.end());
    const LatLon at{std::next(down)->pose.latitude, std::next(down)->pose.longitude};
    const double along = std::cos(gf_initialBearing(runwayPoint, at) - runwayDeg * radiansPerDegree) *
                         gf_greatCircleDistanceNm(runwayPoint, at) * metresPerNm;
    EXPECT_GE(along, -e.downShortAtMostM) << "down at " << std::next(down)->time;
    EXPECT_LE(along, e.downLongAtMostM) << "down at " << std::next(down)->time;
  }
  if (e.turnsOnTheGround) {
    EXPECT_TRUE(m.noseOff.empty()) << m.noseOff.front().worstDeg << " degrees at " << m.noseOff.front().start;
    EXPECT_TRUE(m.backwards.empty());
  }
  if (e.reappearsAloftAfterS >= 0.0) {  // not driven across the field: gone where it held, back in the air
    ASSERT_GE(m.objects.size(), 2u);
    ASSERT_FALSE(m.removals.empty());
    const double gone = m.removals.front().time - testsupport::harnessStartTime;
    EXPECT_GE(gone, e.reappearsAloftAfterS);
    EXPECT_LE(gone, e.reappearsAloftAfterS + 6.0);
    EXPECT_LE(metresBetween(p.back().pose, p[p.size() > 100 ? p.size() - 100 : 0].pose), 1.0);
    for (auto it = std::next(harness.tracks().begin()); it != harness.tracks().end(); ++it)
      for (const auto& q : it->second.points) ASSERT_FALSE(onGround(q.pose)) << "object " << it->first << " at " << q.time;
    EXPECT_EQ(m.removals.size(), 1u);  // the one in the air stays while its reports go on
  }
  for (const auto& q : p) ASSERT_TRUE(!e.staysAloft || !onGround(q.pose)) << "down at " << q.time;
  for (std::size_t i = 1; e.staysDown && i < p.size(); ++i)
    ASSERT_TRUE(onGround(p[i].pose) || !onGround(p[i - 1].pose)) << "off the ground again at " << p[i].time;
  for (std::size_t i = 0, down = 0; e.downAtMostS >= 0.0 && i < p.size(); ++i) {
    down = onGround(p[i].pose) ? (down == 0 ? i : down) : 0;
    ASSERT_LE(down == 0 ? 0.0 : p[i].time - p[down].time, e.downAtMostS) << "down since " << p[down].time;
  }
  if (e.goneByS >= 0.0) {  // its made-up roll-out never stands on the runway
    ASSERT_FALSE(m.removals.empty());
    EXPECT_LE(m.removals.front().time - testsupport::harnessStartTime, e.goneByS);
    EXPECT_TRUE(m.removals.front().onGround);
    EXPECT_LE(m.removals.front().speedKt, 25.0);
  }
  if (e.behindAtMostS >= 0.0) {
    EXPECT_LE(m.unreachedReports, e.unreachedAtMost) << "of " << m.reports;
    EXPECT_LE(m.largestLagSeconds, e.behindAtMostS) << "report at " << m.largestLagAt - testsupport::harnessStartTime;
  }
  if (e.smoothAloftFromS >= 0.0) {  // a second apart: no sinking, speed within 1 kt of the second before
    const auto from = std::find_if(p.begin(), p.end(), [&](const auto& q) { return q.time >= e.smoothAloftFromS; });
    ASSERT_LT(static_cast<std::size_t>(from - p.begin()) + 20, p.size());
    for (std::size_t i = static_cast<std::size_t>(from - p.begin()) + 20; i < p.size(); i += 10) {
      ASSERT_FALSE(onGround(p[i].pose));
      ASSERT_GE(p[i].pose.altitude - p[i - 10].pose.altitude, -1.0) << "sinking at " << p[i].time;
      ASSERT_LE(std::fabs(ktOver(p, i) - ktOver(p, i - 10)), 1.0) << "speed changing at " << p[i].time;
    }
  }
  if (e.normal) {
    SCOPED_TRACE(motioncheck::gf_motionText(motion, testsupport::harnessStartTime));
    EXPECT_EQ(motion.flips + motion.surges + motion.neverReached + motion.noseOffSpans + motion.backwardSpans +
                  motion.fastGroundSpans + motion.crookedLiftOffs + motion.runwayRemovals,
              0);
  }
  // (the object stands still for its first second or two, until its first move)
  for (std::size_t i = 20; i < p.size(); ++i) {
    if (!onGround(p[i].pose) || !onGround(p[i - 20].pose) || p[i].time - p[i - 20].time > 2.1 ||
        p[i - 20].time < first.created + 3.0)
      continue;
    // (a stop from a crawl at a report is left to the stop rules)
    const bool slow = std::min(ktOver(p, i), ktOver(p, i - 10)) <= 25.0;
    if (p[i].time >= e.changeFromS && p[i].time <= e.changeToS) {
      ASSERT_LE(std::fabs(ktOver(p, i) - ktOver(p, i - 10)), slow ? e.slowChangeKtPerS : e.changeKtPerS)
          << "at " << p[i].time;
    }
    ASSERT_LE(p[i].time >= e.fastestFromS ? ktOver(p, i) : 0.0, e.fastestKt) << "at " << p[i].time;
    if (p[i].time >= e.keepFromS && p[i].time <= e.keepToS) {
      ASSERT_GE(ktOver(p, i), e.keepKt) << "at " << p[i].time;
    }
    if (e.stillFromS >= 0.0 && p[i].time >= e.stillFromS && p[i].time <= e.stillToS) {
      ASSERT_LE(ktOver(p, i), 3.0) << "at " << p[i].time;
    }
  }
  if (e.rollsOnTheLine) {  // worst off the line, path and nose off its bearing, at 40 kt or more
    double offM = 0.0, pathDeg = 0.0, noseDeg = 0.0, offAt = 0.0, pathAt = 0.0, noseAt = 0.0;
    for (std::size_t i = 10; i < p.size(); ++i) {
      if (!onGround(p[i].pose) || !onGround(p[i - 10].pose) || p[i].time - p[i - 10].time > 1.1 ||
          ktOver(p, i) < 40.0 || p[i].time > e.lineUntilS)
        continue;
      const double path = gf_initialBearing({p[i - 10].pose.latitude, p[i - 10].pose.longitude},
                                            {p[i].pose.latitude, p[i].pose.longitude}) * degreesPerRadian;
      const double off = offRunwayMetres(p[i].pose, e.lineThrough);
      const double pathOff = std::fabs(std::remainder(path - runwayDeg, 360.0));
      const double noseOff = std::fabs(std::remainder(p[i].pose.heading * degreesPerRadian - runwayDeg, 360.0));
      if (off > offM) offM = off, offAt = p[i].time;
      if (pathOff > pathDeg) pathDeg = pathOff, pathAt = p[i].time;
      if (noseOff > noseDeg) noseDeg = noseOff, noseAt = p[i].time;
    }
    const std::string worst = fmt::format("{:.1f} m off the line at {:.1f} s, path {:.1f} deg at {:.1f} s, "
                                          "nose {:.1f} deg at {:.1f} s", offM, offAt, pathDeg, pathAt, noseDeg, noseAt);
    EXPECT_LE(offM, 15.0) << worst;
    EXPECT_LE(pathDeg, e.lineDeg) << worst;
    EXPECT_LE(noseDeg, e.lineDeg) << worst;
  }
  if (e.slowingFromS >= 0.0) {
    const auto down = std::find_if(p.begin(), p.end(), [](const auto& q) { return onGround(q.pose); });
    ASSERT_NE(down, p.end());
    std::size_t i = static_cast<std::size_t>(down - p.begin()) + 10;
    while (i < p.size() && ktOver(p, i) >= 30.0) ++i;
    ASSERT_LT(i, p.size());
    EXPECT_GE(p[i].time - down->time, e.slowingFromS) << "below 30 kt at " << p[i].time;
    EXPECT_LE(p[i].time - down->time, e.slowingToS) << "below 30 kt at " << p[i].time;
    // Braking no harder than about 2 m/s^2, over 3 s (a made-up report's step).
    const auto kt3 = [&p](std::size_t k) { return metresBetween(p[k - 30].pose, p[k].pose) / 3.0 / 0.514444; };
    for (std::size_t j = static_cast<std::size_t>(down - p.begin()) + 90; j < i; ++j)
      ASSERT_LE((kt3(j - 30) - kt3(j)) / 3.0 * mPerS2PerKtPerS, 2.5) << "at " << p[j].time;
  }
}

// Each table is a test of its own, so CTest runs them side by side.
void runRollCases(const std::vector<RollCase>& cases) {
  for (const RollCase& c : cases) {
    if (!testsupport::scenarioRowChosen(c.name)) continue;
    SCOPED_TRACE(c.name);
    EngineHarness harness({{"DLH", "", "A20N", false, lufthansa, ""}}, {lufthansa}, false,
                          testsupport::PoseRecording::on);
    harness.readFrankfurtAsParkAirport();
    play(harness, c.text, c.seconds, c.outage, c.stampJitterS, c.slipFromBeforeS);
    gf_clearParkAirport();
    check(harness, c.expect);
  }
}

std::string rollHeader() { return fmt::format("aircraft 3958301 {} A20N D-AIRL FRA LHR A3", callsign); }

TEST(RealTrafficScenario, TakeOffRollsGoAsAircraftRoll) { runRollCases(takeOffRollCases(rollHeader())); }

TEST(RealTrafficScenario, TaxiRowsGoAsAircraftTaxi) { runRollCases(taxiRollCases(rollHeader())); }

TEST(RealTrafficScenario, LandingRollsGoAsAircraftRoll) { runRollCases(landingRollCases(rollHeader())); }

TEST(RealTrafficScenario, LandingsOverGapsGoAsAircraftRoll) { runRollCases(landingGapRollCases(rollHeader())); }

} // namespace
} // namespace gwr
