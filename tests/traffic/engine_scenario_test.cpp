// Scenario tests of the traffic engine in simulated time: feeder scenarios go
// through the traffic reader into the engine, which flies them in the
// emulated simulator; creation delay, livery, track, removal, rates, pauses.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "core/geo.h"
#include "support/engine_harness.h"
#include "traffic/live_ac.h"

namespace gwr {
namespace {

using testsupport::EngineHarness;
using testsupport::InstalledLivery;

constexpr const char* ryanairTitle = "Boeing 737 MAX 8 Ryanair EI-HEN";
constexpr const char* lufthansaTitle = "Airbus A320 Lufthansa";
constexpr double dueDelaySeconds = 30.0;
constexpr double trackToleranceNm = 0.3;
constexpr double altitudeToleranceFt = 50.0;

std::vector<InstalledLivery> installedLiveries() {
  return {{"RYR", "", "B38M", false, ryanairTitle, ""}, {"DLH", "", "A320", false, lufthansaTitle, ""}};
}

feeder::Scenario overflight() {
  return feeder::gf_readScenarioFile(std::filesystem::path(GWR_FEEDER_SCENARIOS) / "eddf_overflight.txt");
}

// Where the scenario has the aircraft at scenario time t (linear between waypoints).
LatLon scenarioPosition(const feeder::ScenarioAircraft& aircraft, double t) {
  const auto& w = aircraft.waypoints;
  for (std::size_t i = 0; i + 1 < w.size(); ++i) {
    if (t > w[i + 1].time) continue;
    const double f = std::clamp((t - w[i].time) / (w[i + 1].time - w[i].time), 0.0, 1.0);
    return {w[i].position.latitude + f * (w[i + 1].position.latitude - w[i].position.latitude),
            w[i].position.longitude + f * (w[i + 1].position.longitude - w[i].position.longitude)};
  }
  return w.back().position;
}

TEST(EngineScenario, OverflightIsCreatedAfterItsDelayFollowsItsTrackAndGoesWhenSilent) {
  EngineHarness harness(installedLiveries(), {ryanairTitle, lufthansaTitle});
  const auto scenario = overflight();
  const auto& aircraft = scenario.aircraft.front();
  harness.play(scenario);

  ASSERT_TRUE(harness.runUntil(60.0, [&] { return !harness.tracksWithTail("RYR7XP").empty(); }));
  const auto* track = harness.tracksWithTail("RYR7XP").front();
  EXPECT_GE(track->created, dueDelaySeconds);
  EXPECT_LE(track->created, dueDelaySeconds + 1.5);
  EXPECT_EQ(track->title, ryanairTitle);  // the matcher's choice, not the other installed title

  const double lastReport = aircraft.waypoints.back().time;
  ASSERT_TRUE(harness.runUntil(lastReport + 200.0, [&] { return harness.tracksWithTail("RYR7XP").front()->removed > 0; }));
  track = harness.tracksWithTail("RYR7XP").front();
  // Silent after its last report: eight made-up reports of 8 s, then it goes.
  EXPECT_GT(track->removed, lastReport + dueDelaySeconds + 50.0);
  EXPECT_LT(track->removed, lastReport + dueDelaySeconds + 80.0);
  EXPECT_TRUE(trafficEngine.live.empty());

  // On its fed track, 30 s late, from activation to its last report.
  std::size_t compared = 0;
  for (const auto& point : track->points) {
    const double t = point.time - dueDelaySeconds;
    if (point.time < track->created + 3.0 || t > lastReport) continue;
    const LatLon expected = scenarioPosition(aircraft, t);
    EXPECT_LT(gf_greatCircleDistanceNm(expected, {point.pose.latitude, point.pose.longitude}), trackToleranceNm)
        << "at " << point.time;
    EXPECT_NEAR(point.pose.altitude, 36000.0, altitudeToleranceFt);
    ++compared;
  }
  EXPECT_GT(compared, 3000u);
}

} // namespace
} // namespace gwr
