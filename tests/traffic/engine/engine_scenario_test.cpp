// Scenario tests of the traffic engine in simulated time: feeder scenarios go
// through the traffic reader into the engine, which flies them in the
// emulated simulator; creation delay, livery, track, removal, rates, pauses.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "core/geo.h"
#include "support/engine_harness.h"
#include "traffic/engine/live_ac.h"
#include "traffic/engine/live_removal.h"
#include "traffic/feed/park_airport_state.h"
#include "traffic/feed/reader_threads.h"
#include "traffic/simclient/sim_commands.h"

namespace gwr {
namespace {

using testsupport::EngineHarness;
using testsupport::InstalledLivery;

constexpr const char* ryanairTitle = "Boeing 737 MAX 8 Ryanair EI-HEN";
constexpr const char* lufthansaTitle = "Airbus A320 Lufthansa";
constexpr double dueDelaySeconds = 30.0;
// Each leg is flown at the reported speed from where the object is, so an
// object activated a few seconds late stays those seconds (at 450 kt about
// 0.35 nm) behind its reports.
constexpr double trackToleranceNm = 0.5;
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


// Aircraft i flies east at FL360, 5 + 0.2 i nm north of the user: the later
// ones are farther. Reports every 4 s for `seconds`.
feeder::Scenario eastbound(int count, double seconds) {
  std::string text = "interval 4\n";
  for (int i = 0; i < count; ++i) {
    const double lat = 50.0333 + (5.0 + 0.2 * i) / 60.0;
    text += fmt::format("aircraft {} DLH{} A320 D-AX{:02} FRA MUC A3\n", 100000 + i, 100 + i, i);
    text += fmt::format("  0 {:.6f} 8.3000 36000 450 0 air\n", lat);
    text += fmt::format("  {:.0f} {:.6f} {:.4f} 36000 450 0 air\n", seconds, lat, 8.3 + 450.0 * seconds / 3600.0 / 60.0 / std::cos(lat * radiansPerDegree));
  }
  return feeder::gf_parseScenario(text, "eastbound");
}

// The largest number of times that fall into one window [t, t + width).
constexpr double sampleEpsilon = 1e-6;  // sample times are sums of 0.01 s steps
std::size_t mostInWindow(std::vector<double> times, double width) {
  std::sort(times.begin(), times.end());
  std::size_t most = 0;
  for (std::size_t i = 0, j = 0; i < times.size(); ++i) {
    while (times[i] - times[j] >= width - sampleEpsilon) ++j;
    most = std::max(most, i - j + 1);
  }
  return most;
}

// Fifty at once under a selection of 45: 45 created, two a second; then the
// selection drops to 10 and the rest go, ten a second, the farthest first.
TEST(EngineScenario, TheLiveSelectionLimitsCreationAndRemovalAtTheirRates) {
  EngineHarness harness(installedLiveries(), {ryanairTitle, lufthansaTitle});
  harness.sampleEveryPasses = 1;
  MAX_LIVE_SEL.setCurrent(45);
  harness.play(eastbound(50, 240.0));
  ASSERT_TRUE(harness.runUntil(90.0, [&] { return harness.tracks().size() == 45; }));
  std::vector<double> created;
  for (const auto& [id, track] : harness.tracks()) created.push_back(track.created);
  EXPECT_LE(mostInWindow(created, 1.0), 2u);
  EXPECT_GE(*std::min_element(created.begin(), created.end()), dueDelaySeconds);
  harness.run(3.0);  // every one active
  EXPECT_EQ(std::pair(harness.mostInSimulator, harness.emulator().objects().size()), std::pair(45, std::size_t{45}));

  MAX_LIVE_SEL.setCurrent(10);
  liveLimitRequested.store(true);
  harness.run(8.0);
  std::vector<double> removed;
  for (const auto& [id, track] : harness.tracks())
    if (track.removed > 0.0) removed.push_back(track.removed);
  EXPECT_EQ(removed.size(), 35u);
  EXPECT_LE(mostInWindow(removed, 1.0), 10u);
  EXPECT_EQ(harness.emulator().objects().size(), 10u);
  // The ten nearest stay: DLH100 .. DLH109.
  for (const auto& object : harness.emulator().objects()) EXPECT_LT(object.tail, "DLH110") << object.tail;
}

// A live aircraft removed before it is active never becomes active and leaves
// nothing in the simulator: taken back while its creation is queued; removed
// once created when the mark came after the simulator client had identified
// its object but before the traffic thread heard of it; removed at once when
// created and waiting for its activation.
TEST(EngineScenario, AnAircraftRemovedBeforeItsActivationLeavesNothingBehind) {
  enum class Removed { queued, identifiedUnheard, waiting };
  struct Case {
    const char* name;
    Removed when;
    std::size_t creations;
  };
  const Case cases[] = {{"creation queued", Removed::queued, 0},
                        {"identified by the client, not yet heard of", Removed::identifiedUnheard, 1},
                        {"created, waiting for its activation", Removed::waiting, 1}};
  constexpr std::uint32_t hexid = 100000;
  const auto inQueue = [] {
    const auto& q = trafficEngine.queuedLiveCreations;
    return std::any_of(q.begin(), q.end(), [](const AiCreateRequest& r) { return r.hexid == hexid; });
  };
  const auto withClient = [] {  // sent to the simulator, its object not yet identified
    const auto& p = lf_pendingCreates();
    return std::any_of(p.begin(), p.end(), [](const PendingCreate& r) { return r.hexid == hexid; });
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EngineHarness harness(installedLiveries(), {ryanairTitle, lufthansaTitle}, true);
    harness.play(eastbound(1, 60.0));
    ASSERT_TRUE(harness.runUntil(60.0, [&] {
      const LiveAc* ac = trafficEngine.findHexid(hexid);
      if (ac == nullptr || ac->sim.simState != AcSimState::Adding2Sim) return false;
      if (c.when == Removed::queued) return inQueue();
      return c.when == Removed::waiting ? ac->sim.objectId != 0 : withClient();
    }));
    if (c.when == Removed::identifiedUnheard) {
      // The client identifies the object and reports it; the traffic thread
      // removes the aircraft before its next pass hears of it.
      for (int frame = 0; frame < 200; ++frame) {
        harness.client().step(1);
        if (!withClient()) break;
        harness.pass();
      }
      ASSERT_EQ(harness.emulator().objects().size(), 1U);
      ASSERT_EQ(trafficEngine.findHexid(hexid)->sim.objectId, 0U);
    }
    gf_removeLiveAc(*trafficEngine.findHexid(hexid));
    for (int pass = 0; pass < 500; ++pass) {  // 5 s, past its activation
      harness.pass();
      const LiveAc* ac = trafficEngine.findHexid(hexid);
      ASSERT_TRUE(ac == nullptr || ac->sim.simState != AcSimState::Active) << harness.now();
    }
    EXPECT_EQ(harness.emulator().countCalls("AICreateNonATCAircraft"), c.creations);
    EXPECT_TRUE(harness.emulator().objects().empty());
    const LiveAc* ac = trafficEngine.findHexid(hexid);
    EXPECT_TRUE(ac == nullptr || ac->sim.simState == AcSimState::Buffer);  // its next reports start over
  }
}

TEST(EngineScenario, PausedFlightFreezesTheClocksAndDropsReports) {
  EngineHarness harness(installedLiveries(), {ryanairTitle, lufthansaTitle});
  harness.play(overflight());
  ASSERT_TRUE(harness.runUntil(60.0, [] {
    return !trafficEngine.live.empty() && trafficEngine.live.front().sim.simState == AcSimState::Active;
  }));
  harness.log().mark();
  harness.emulator().setSimRunning(false);
  harness.run(0.05);
  const std::int32_t ticks = tickCount.load();
  const std::int32_t seconds = secondCount;
  const double lastReport = trafficEngine.live.front().lastSampleTime;
  const auto pose = harness.emulator().objects().front().pose;
  harness.run(20.0);
  // The feed went on; nothing came in.
  EXPECT_EQ(std::tuple(tickCount.load(), secondCount.load(), testsupport::FeedState::queuedCount(),
                       trafficEngine.live.front().lastSampleTime, harness.emulator().objects().front().pose.latitude),
            std::tuple(ticks, seconds, std::size_t{0}, lastReport, pose.latitude));
  EXPECT_NE(harness.log().text().find("Flight not running"), std::string::npos);

  harness.emulator().setSimRunning(true);
  harness.run(6.0);
  EXPECT_TRUE(tickCount.load() > ticks && secondCount.load() > seconds);
  EXPECT_NE(harness.log().text().find("Flight resumed"), std::string::npos);
  EXPECT_GT(trafficEngine.live.front().lastSampleTime, lastReport + 20.0);
  EXPECT_NE(harness.emulator().objects().front().pose.latitude, pose.latitude);
}

TEST(EngineScenario, RefusedTitleIsRegisteredAndNeverTriedAgain) {
  // The simulator lacks the Ryanair livery the matcher chooses.
  EngineHarness harness(installedLiveries(), {lufthansaTitle}, true);
  harness.play(overflight());
  harness.run(150.0);
  std::size_t tries = 0;
  for (const auto& call : harness.emulator().calls())
    if (call.function == "AICreateNonATCAircraft" && call.text == ryanairTitle) ++tries;
  EXPECT_EQ(tries, 1u);
  EXPECT_TRUE(gf_isUncreatable(ryanairTitle));
  EXPECT_NE(harness.log().text().find(fmt::format("RYR7XP '{}' could not be created by your Sim!", ryanairTitle)),
            std::string::npos);
  EXPECT_TRUE(harness.emulator().objects().empty());
  EXPECT_TRUE(NoMatchList.contains(fmt::format("RYR     B38M     EI-HEN")) || trafficEngine.live.size() <= 1);
}


TEST(EngineScenario, AircraftLeavingTheRangeGoesWhenItsReportsEnd) {
  EngineHarness harness(installedLiveries(), {ryanairTitle, lufthansaTitle});
  // Northbound from 30 nm to 39.9 nm north of the user: inside the 40 nm the
  // reader takes, beyond the 39.5 nm the engine keeps.
  harness.play(feeder::gf_parseScenario("interval 4\n"
                                        "aircraft 5024799 RYR8XP B38M EI-HEO DUB VIE A3\n"
                                        "  0 50.533300 8.5706 36000 450 0 air\n"
                                        " 80 50.698300 8.5706 36000 450 0 air\n",
                                        "outbound"));
  ASSERT_TRUE(harness.runUntil(250.0, [&] {
    const auto tracks = harness.tracksWithTail("RYR8XP");
    return !tracks.empty() && tracks.front()->removed > 0;
  }));
  const auto* track = harness.tracksWithTail("RYR8XP").front();
  EXPECT_GT(track->removed, 80.0 + dueDelaySeconds);
  EXPECT_LT(track->removed, 80.0 + dueDelaySeconds + 5.0);  // no made-up reports beyond the range
}

using testsupport::frankfurtFieldFt;

// The arrival lands, rolls out and taxis along its reports (straight legs
// until the ground movement comes), stands at the stand and goes after its
// silence: ten made-up standing reports of 3 s.
TEST(EngineScenario, ArrivalLandsTaxisToItsStandAndGoesWhenSilent) {
  constexpr const char* condorTitle = "Airbus A321neo Condor";
  constexpr LatLon stand{50.045153, 8.554446};
  constexpr double fieldFt = frankfurtFieldFt, cgFt = 8.0;
  EngineHarness harness({{"CFG", "", "A21N", false, condorTitle, ""}}, {condorTitle});
  harness.readFrankfurtAsParkAirport();
  harness.play(feeder::gf_readScenarioFile(std::filesystem::path(GWR_FEEDER_SCENARIOS) / "eddf_arrival.txt"));

  harness.run(dueDelaySeconds + 260.0);  // 5 s after the touchdown report is due
  ASSERT_EQ(trafficEngine.live.size(), 1u);
  const LiveAc& landed = trafficEngine.live.front();
  EXPECT_EQ(std::tuple(landed.onGroundConfirmed != 0, landed.phase, landed.previousPhase),
            std::tuple(true, AcPhase::Taxi, AcPhase::Flying));

  harness.run(240.0);  // the standing report on the stand is due
  const auto objects = harness.emulator().objects();
  ASSERT_EQ(objects.size(), 1u);
  const auto& object = objects.front();
  EXPECT_LT(gf_greatCircleDistanceNm(stand, {object.pose.latitude, object.pose.longitude}) * 1852.0, 15.0);
  EXPECT_NEAR(object.pose.altitude, fieldFt + cgFt, 1.0);

  // Without a stand choice it holds where it stopped until it gives up.
  MAX_HOLDING_MINUTES.setCurrent(1);
  ASSERT_TRUE(harness.runUntil(200.0, [] { return trafficEngine.live.empty(); }));
  const auto* track = harness.tracksWithTail("CFG1TK").front();
  EXPECT_GT(track->created, dueDelaySeconds);
  EXPECT_LT(track->created, dueDelaySeconds + 1.5);
  EXPECT_GT(harness.now(), 633.0 + dueDelaySeconds + 25.0);
  for (const auto& point : track->points) EXPECT_GT(point.pose.altitude, fieldFt) << point.time;
}

// The departure is created once it moves off its stand (no stand choice yet),
// taxis, lifts off on its first airborne report, climbs, and goes when its
// reports end out of range.
TEST(EngineScenario, DepartureTaxisLiftsOffClimbsAndLeaves) {
  constexpr const char* neoTitle = "Airbus A320neo Lufthansa";
  EngineHarness harness({{"DLH", "", "A20N", false, neoTitle, ""}}, {neoTitle});
  harness.readFrankfurtAsParkAirport();
  harness.play(feeder::gf_readScenarioFile(std::filesystem::path(GWR_FEEDER_SCENARIOS) / "eddf_departure.txt"));

  ASSERT_TRUE(harness.runUntil(120.0, [&] { return !harness.tracksWithTail("DLH9AK").empty(); }));
  EXPECT_GT(harness.now(), 60.0 + dueDelaySeconds);  // not while it stands at the stand
  // Its centreline stop may be flown as a curve into the roll, and a roll may
  // run ahead of its reports within its smoothing limit: at 690 s it rolls
  // (the reports lift off at 715 s).
  harness.run(690.0 - harness.now());                // rolling for take-off
  ASSERT_EQ(trafficEngine.live.size(), 1u);
  EXPECT_EQ(std::pair(trafficEngine.live.front().onGroundConfirmed != 0, trafficEngine.live.front().phase),
            std::pair(true, AcPhase::Taxi));
  harness.run(769.0 + dueDelaySeconds - harness.now());
  EXPECT_EQ(std::pair(trafficEngine.live.front().onGroundConfirmed != 0, trafficEngine.live.front().phase),
            std::pair(false, AcPhase::Flying));
  // Rotation, the slow first climb-out ticks and the roll's own timing leave it some seconds off its reports
  // (about 12 s at most: 400 ft at 2000 ft/min).
  EXPECT_NEAR(harness.emulator().objects().front().pose.altitude, 3364.0, 400.0);
  ASSERT_TRUE(harness.runUntil(700.0, [] { return trafficEngine.live.empty(); }));
  EXPECT_LT(harness.now(), 1354.0 + dueDelaySeconds + 80.0);
}

// A take-off roll reported 36 ft above Frankfurt's field (364 ft) at 100 kt
// and "air": the height bands of the park airport's field take it for a roll,
// so it is created on the runway and lifts off once reported fast and higher.
TEST(EngineScenario, RollReportedJustAboveTheParkAirportsFieldIsCreatedOnTheRunwayAndLiftsOff) {
  constexpr const char* neoTitle = "Airbus A320neo Lufthansa";
  constexpr LatLon rollStart{50.045127, 8.587243}, rollEnd{50.041254, 8.571026};  // runway 25C, westward
  constexpr double runwayHalfWidthNm = 0.05;
  constexpr double onTheFieldFt = 30.0;  // the gear's height above the field, and some
  EngineHarness harness({{"DLH", "", "A20N", false, neoTitle, ""}}, {neoTitle});
  harness.readFrankfurtAsParkAirport();
  harness.play(feeder::gf_parseScenario("interval 2\n"
                                        "aircraft 3958310 DLH4RL A20N D-AIRL FRA LHR A3\n"
                                        "   0  50.045127  8.587243    400  100      0  air\n"
                                        "  24  50.041254  8.571026    400  100      0  air\n"
                                        "  30  50.040044  8.565958    450  150   1000  air\n"
                                        "  40  50.037542  8.555485    800  160   2000  air\n"
                                        "  70  50.029312  8.521024   1800  170   2000  air\n",
                                        "roll-just-above-the-field"));

  ASSERT_TRUE(harness.runUntil(dueDelaySeconds + 10.0, [&] { return !harness.tracksWithTail("DLH4RL").empty(); }));
  ASSERT_EQ(harness.emulator().objects().size(), 1u);
  const simemu::SimObject created = harness.emulator().objects().front();
  EXPECT_EQ(created.title, neoTitle);
  const LatLon at{created.pose.latitude, created.pose.longitude};
  // On the runway's centreline between the roll's first two reports, on the ground.
  const double along = gf_greatCircleDistanceNm(rollStart, at) + gf_greatCircleDistanceNm(at, rollEnd);
  EXPECT_LT(along - gf_greatCircleDistanceNm(rollStart, rollEnd), runwayHalfWidthNm);
  EXPECT_LT(created.pose.altitude, testsupport::frankfurtFieldFt + onTheFieldFt);

  harness.run(70.0 + dueDelaySeconds - harness.now());  // the 1800 ft report is due
  ASSERT_EQ(trafficEngine.live.size(), 1u);
  EXPECT_EQ(trafficEngine.live.front().phase, AcPhase::Flying);
  EXPECT_GT(harness.emulator().objects().front().pose.altitude, testsupport::frankfurtFieldFt + 500.0);
}

} // namespace
} // namespace gwr
