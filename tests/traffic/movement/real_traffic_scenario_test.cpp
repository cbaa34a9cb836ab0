// Situations from recorded airport traffic, flown in simulated time through
// the whole engine and the emulated simulator as a user would meet them: a
// feed outage while taxiing, a gate whose feed repeats a stale ground speed,
// a departure whose roll nobody reported, a touch-and-go and a go-around.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <algorithm>
#include <memory>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "airports/park_stand_table.h"
#include "core/geo.h"
#include "feeder/scenario.h"
#include "feeder/scenario_player.h"
#include "support/engine_harness.h"
#include "traffic/engine/live_intake.h"
#include "traffic/feed/park_airport_state.h"

namespace gwr {
namespace {

using testsupport::EngineHarness;

constexpr double fieldFt = testsupport::frankfurtFieldFt;
constexpr double onGroundBelowFt = fieldFt + 15.0;  // CG height and the simulator's tolerance
constexpr const char* lufthansa = "Airbus A320neo Lufthansa";
constexpr const char* condor = "Airbus A321neo Condor";

// One timed point of a flight, written straight into a scenario row.
struct Row {
  double time;
  LatLon at;
  double altitudeFt, kt, fpm;
  bool ground;
};

// Rows along one bearing: each leg ends `seconds` later at the mean of the
// two speeds, as the feeder interpolates them.
class Path {
 public:
  Path(LatLon start, double bearingDeg, double altitudeFt, double kt, double fpm, bool ground)
      : bearing_(bearingDeg * radiansPerDegree) {
    rows_.push_back({0.0, start, altitudeFt, kt, fpm, ground});
  }
  Path& leg(double seconds, double kt, double altitudeFt, double fpm, bool ground) {
    const Row& last = rows_.back();
    const double feet = (last.kt + kt) / 2.0 * seconds / 3600.0 * feetPerNm;
    rows_.push_back({last.time + seconds, gf_destinationPoint(last.at, bearing_, feet), altitudeFt, kt, fpm, ground});
    return *this;
  }
  const std::vector<Row>& rows() const { return rows_; }

 private:
  double bearing_;
  std::vector<Row> rows_;
};

std::string scenarioText(const char* header, const std::vector<Row>& rows, double intervalSeconds = 2.0) {
  std::string text = fmt::format("interval {}\n{}\n", intervalSeconds, header);
  for (const Row& r : rows)
    text += fmt::format("{:.0f} {:.6f} {:.6f} {:.0f} {:.1f} {:.0f} {}\n", r.time, r.at.latitude, r.at.longitude,
                        r.altitudeFt, r.kt, r.fpm, r.ground ? "ground" : "air");
  return text;
}

struct Outage {
  double from = -1.0, to = -1.0;  // scenario seconds in which nothing of the feed arrives
};

// The simulator's object once a pass: its altitude and whether its gear is down.
struct GearSeen {
  double altitude;
  std::uint32_t gear;
};

// Plays the scenario through the engine for `seconds`, dropping the feed's
// lines during the outage; returns the phases the aircraft went through.
std::set<std::string> play(EngineHarness& harness, const std::string& text, double seconds, Outage outage = {},
                           std::vector<GearSeen>* gear = nullptr) {
  feeder::ScenarioPlayer player(feeder::gf_parseScenario(text, "scenario"), testsupport::harnessStartTime);
  std::set<std::string> phases;
  const auto passes = static_cast<std::int64_t>(seconds * 100.0);
  for (std::int64_t i = 0; i < passes; ++i) {
    const double t = harness.now();
    player.sendDue(testsupport::harnessStartTime + t, [&](feeder::FeedStream stream, std::string_view line) {
      if (stream == feeder::FeedStream::traffic && !(t >= outage.from && t < outage.to)) harness.feedLine(line);
    });
    harness.pass();
    if (gear != nullptr) {
      const auto objects = harness.emulator().objects();
      if (!objects.empty()) gear->push_back({objects.front().pose.altitude, objects.front().gear});
    }
    for (const LiveAc& ac : trafficEngine.live)
      if (ac.sim.simState == AcSimState::Active) phases.insert(gf_phaseName(ac.phase));
  }
  return phases;
}

bool onGround(const simemu::Pose& p) { return p.altitude < onGroundBelowFt; }

double metresBetween(const simemu::Pose& a, const simemu::Pose& b) {
  return gf_greatCircleDistanceNm({a.latitude, a.longitude}, {b.latitude, b.longitude}) * metresPerNm;
}

// What the simulator showed: no step of 0.1 s longer than the fastest report
// allows, and on the ground, over every second, no faster than groundKt.
void expectPlausible(const EngineHarness& harness, double fastestKt, double groundKt) {
  ASSERT_FALSE(harness.tracks().empty());
  for (const auto& [id, track] : harness.tracks()) {
    const auto& p = track.points;
    for (std::size_t i = 1; i < p.size(); ++i) {
      const double dt = p[i].time - p[i - 1].time;
      ASSERT_LE(metresBetween(p[i - 1].pose, p[i].pose), fastestKt * 1.25 * dt / 3600.0 * metresPerNm + 0.5)
          << "jump of object " << id << " at " << p[i].time << " s";
      if (i < 10 || !onGround(p[i].pose) || !onGround(p[i - 10].pose)) continue;
      const double kt = metresBetween(p[i - 10].pose, p[i].pose) / metresPerNm / (p[i].time - p[i - 10].time) * 3600.0;
      ASSERT_LE(kt, groundKt) << "object " << id << " on the ground at " << p[i].time << " s";
    }
  }
}

// Frankfurt as the park airport while the test runs, with the harness made first.
class RealTrafficScenario : public ::testing::Test {
 protected:
  void TearDown() override {
    gf_installBirthStandChoice(nullptr);
    standTableReady.store(false);
    gf_clearStands(standTable);
    gf_clearParkAirport();
  }
  static EngineHarness* atFrankfurt(EngineHarness* harness) {
    testsupport::setFrankfurtAsParkAirport();
    return harness;
  }
};

EngineHarness* lufthansaHarness() { return new EngineHarness({{"DLH", "", "A20N", false, lufthansa, ""}}, {lufthansa}); }

const LatLon taxiway{50.047000, 8.565000};

struct OutageCase {
  const char* name;
  double kt;                // taxi speed before, during and after the outage
  bool removedAtResume;     // the reports come back farther than the holding threshold
};

TEST_F(RealTrafficScenario, AThreeMinuteOutageWhileTaxiingNeverRushesTheAircraft) {
  const OutageCase cases[] = {
      {"taxiing on, back 1.4 km farther", 15.0, true},
      {"creeping in a queue, back 230 m farther", 2.5, false},
  };
  const Outage outage{60.0, 240.0};
  for (const OutageCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::unique_ptr<EngineHarness> harness(atFrankfurt(lufthansaHarness()));
    EngineHarness& h = *harness;
    const auto rows = Path(taxiway, 90.0, fieldFt, c.kt, 0, true).leg(400, c.kt, fieldFt, 0, true).rows();
    play(h, scenarioText("aircraft 3958201 DLH4TX A20N D-AITX FRA LHR A3", rows), 330.0, outage);
    expectPlausible(h, c.kt, c.kt * 1.3);
    const auto& first = h.tracks().begin()->second;
    if (c.removedAtResume) {
      EXPECT_GE(first.removed, outage.to);  // held through the outage,
      EXPECT_LT(first.removed, outage.to + 5.0);  // gone when the feed comes back far away
    } else {
      EXPECT_LT(first.removed, 0.0);
      EXPECT_EQ(h.tracks().size(), 1u);
    }
  }
}

// The gate's feed repeats 104 kt while the aircraft only wanders a few metres
// round its stand (the position noise of a standing aircraft).
TEST_F(RealTrafficScenario, AGateWithAFrozenGroundSpeedNeverRollsNorTakesOff) {
  const LatLon gate{50.047537, 8.564608};
  constexpr double standHeadingDeg = 339.6;
  const std::unique_ptr<EngineHarness> h(atFrankfurt(lufthansaHarness()));
  EngineHarness& harness = *h;
  gf_clearStands(standTable);
  standTable.emplace_back("A1", std::vector<StandOption>{}, gate.latitude, gate.longitude,
                          standHeadingDeg * radiansPerDegree, 20.0, std::int16_t{5}, false, false, false);
  standTable.back().number = 1;
  standTableReady.store(true);
  gf_installBirthStandChoice([](LiveAc& ac) {
    const StandRecord& s = standTable.front();
    ac.standLat = s.latitude;
    ac.standLon = s.longitude;
    ac.standHeading = s.heading;
    ac.standNumber = 1;
    ac.halfWingspan = 17.9 / 1852.0;  // the test's reference tables carry no wingspans
    return true;
  });
  std::vector<Row> rows;
  for (int i = 0; i <= 30; ++i) {
    const double bearing = (i % 4) * 90.0 * radiansPerDegree;
    const LatLon at = i % 2 == 0 ? gate : gf_destinationPoint(gate, bearing, 20.0 / 0.3048);
    rows.push_back({20.0 * i, at, fieldFt, 104.0, 0.0, true});
  }
  const auto phases = play(harness, scenarioText("aircraft 3958202 DLH5GT A20N D-AIGT FRA LHR A3", rows), 620.0);
  expectPlausible(harness, 104.0, 10.0);
  EXPECT_FALSE(phases.contains("take_off"));
  EXPECT_FALSE(phases.contains("flying"));
  for (const auto& [id, track] : harness.tracks())
    for (const auto& p : track.points) {
      ASSERT_TRUE(onGround(p.pose)) << p.time;
      ASSERT_GT(p.pose.altitude, fieldFt) << p.time;  // created on the field, never below it
    }
}

// Reports of the departure down to the runway's centreline, then nothing
// until it is airborne: it must not stand on the runway for the rest of the run.
TEST_F(RealTrafficScenario, ADepartureWhoseRollIsNotReportedLeavesTheRunway) {
  const std::string text =
      "interval 2\naircraft 3958203 DLH6RW A20N D-AIRW FRA LHR A3\n"
      "  0 50.051388 8.583909  364  12    0 ground\n"
      " 77 50.046876 8.586527  364  15    0 ground\n"
      "105 50.045949 8.587065  364   0    0 ground 159.6\n"
      "165 50.045949 8.587065  364   0    0 ground 159.6\n"
      "192 50.045466 8.587255  364   8    0 ground 209.6\n"
      "211 50.045127 8.587243  364   0    0 ground 249.6\n"
      "216 50.045127 8.587243  364   0    0 ground\n"
      "226 50.044804 8.585892  364  40    0 ground\n"
      "236 50.043834 8.581838  364  80    0 ground\n"
      "248 50.041894 8.573732  364 120    0 ground\n"
      "259 50.039493 8.563700  364 150    0 ground\n"
      "265 50.037989 8.557418  564 160 2000 air\n"
      "283 50.033188 8.537354 1164 170 2000 air\n"
      "304 50.027247 8.512528 1864 180 2000 air\n"
      "349 50.013061 8.453250 3364 210 2000 air\n"
      "415 49.988273 8.349667 5364 250 1800 air\n";
  const Outage roll{217.0, 265.0};
  const std::unique_ptr<EngineHarness> h(atFrankfurt(lufthansaHarness()));
  EngineHarness& harness = *h;
  play(harness, text, 560.0, roll);
  expectPlausible(harness, 250.0, 160.0 * 1.3);
  const double airborneDue = roll.to + 30.0;  // the first airborne report falls due
  for (const auto& [id, track] : harness.tracks()) {
    double groundAfter = 0.0;
    for (std::size_t i = 1; i < track.points.size(); ++i)
      if (track.points[i].time > airborneDue && onGround(track.points[i].pose))
        groundAfter += track.points[i].time - track.points[i - 1].time;
    EXPECT_LT(groundAfter, 120.0) << "object " << id << " stood on the runway";
    if (track.removed < 0.0) {
      EXPECT_GT(track.points.back().pose.altitude, fieldFt + 1000.0);
    }
  }
}

// Final approach on runway 25C (bearing 248.4 degrees), down to the runway
// and away again, or away from 200 ft without touching it.
std::vector<Row> finalApproach(double touchKt) {
  Path path({50.103262, 8.830174}, 248.4, 3598, 160, -850, false);
  path.leg(144, 140, 1688, -745, false);
  if (touchKt > 0.0) {
    path.leg(105, 135, 414, -700, false).leg(6, touchKt, 364, -150, true).leg(6, touchKt - 5.0, 364, 0, true);
    path.leg(6, touchKt + 5.0, 564, 2000, false);
  } else {
    path.leg(90, 135, 564, -700, false).leg(10, 140, 700, 1500, false);
  }
  return path.leg(60, 160, 2700, 2000, false).leg(120, 200, 6000, 1700, false).rows();
}

struct MissedLandingCase {
  const char* name;
  double touchKt;  // 0: no touchdown
  bool touches;
};

TEST_F(RealTrafficScenario, TouchAndGoAndGoAroundClimbAwayAgain) {
  const MissedLandingCase cases[] = {{"touch-and-go", 130.0, true}, {"go-around", 0.0, false}};
  for (const MissedLandingCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::unique_ptr<EngineHarness> harness(
        atFrankfurt(new EngineHarness({{"CFG", "", "A21N", false, condor, ""}}, {condor})));
    EngineHarness& h = *harness;
    const auto rows = finalApproach(c.touchKt);
    std::vector<GearSeen> gear;
    const auto phases =
        play(h, scenarioText("aircraft 3963301 CFG2TG A21N D-ANLB PMI FRA A3", rows, 3.0), 520.0, {}, &gear);
    expectPlausible(h, 200.0, 140.0 * 1.3);
    ASSERT_EQ(h.tracks().size(), 1u);
    const auto& points = h.tracks().begin()->second.points;
    const bool touched = std::any_of(points.begin(), points.end(), [](const auto& p) { return onGround(p.pose); });
    EXPECT_EQ(touched, c.touches);
    EXPECT_EQ(phases.contains("take_off"), c.touches);  // a touch-and-go takes off again
    EXPECT_GT(points.back().pose.altitude, fieldFt + 2500.0);
    const auto objects = h.emulator().objects();
    ASSERT_EQ(objects.size(), 1u);
    // Gear up again soon after climbing away, not only once well above the field.
    const auto lowest = std::min_element(gear.begin(), gear.end(), [](auto& a, auto& b) { return a.altitude < b.altitude; });
    const auto up = std::find_if(lowest, gear.end(), [](const GearSeen& g) { return g.gear == 0; });
    ASSERT_NE(up, gear.end());
    EXPECT_LT(up->altitude, fieldFt + 1500.0);
    EXPECT_EQ(objects.front().gear, 0u);
    EXPECT_EQ(objects.front().spoilersEvent, 0u);
  }
}

} // namespace
} // namespace gwr
