// Scenario harness of the traffic engine: the engine, the traffic reader, the
// emulated simulator and the feeder's scenarios in one process, in simulated
// time (one pass of 10 ms and one simulator frame per step), writing each AI
// object's track as CSV for a person to look at.
#pragma once

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "airports/park_stand_table.h"
#include "core/paths.h"
#include "core/run_state.h"
#include "core/settings_catalogue.h"
#include "feeder/scenario.h"
#include "feeder/scenario_player.h"
#include "liveries/livery_record.h"
#include "motioncheck/motion_check.h"
#include "motioncheck/motion_input.h"
#include "liveries/livery_tables.h"
#include "liveries/refused_liveries.h"
#include "platform/sim/sim_emulator.h"
#include "refdata/airports_table.h"
#include "refdata/code_pools.h"
#include "refdata/dbase_reader.h"
#include "refdata/dbase_tables.h"
#include "standgen/stand_files.h"
#include "support/livery_world.h"
#include "support/settings_sandbox.h"
#include "support/sim_client_world.h"
#include "support/traffic_feed.h"
#include "traffic/engine/engine_hooks.h"
#include "traffic/engine/realtraffic_link.h"
#include "traffic/engine/traffic_engine.h"
#include "traffic/feed/park_airport_state.h"
#include "traffic/feed/reader_threads.h"
#include "traffic/parking/park_airport_driver.h"
#include "traffic/parking/park_airports.h"
#include "traffic/parking/static_renewal.h"

namespace gwr::testsupport {

inline constexpr double harnessStartTime = 1718000000.0;  // the feed's scenario time 0
inline constexpr double passSeconds = 0.01;
inline constexpr std::uint64_t harnessFramesPerSecond = 100;  // one frame a pass
inline constexpr LatLon harnessUser{50.0333, 8.5706};         // the user at Frankfurt
inline constexpr std::uint32_t harnessUserObjectId = 100;    // AI objects above, like the simulator's large ids

// An emulated world around Frankfurt with the given installed titles; the
// user aircraft stands on the ground there.
inline simemu::World engineSimWorld(const std::vector<std::string>& titles) {
  std::string text = "ground 100\nairport EDDF 50.0333 8.5706 364 Frankfurt Main\n";
  for (const auto& title : titles) text += "title " + title + "\n";
  text += "user 50.0333 8.5706 372 90 1\nusertitle My Plane\nusermodel A320\nzulu 2024 60 0\n";
  std::istringstream in(text);
  std::vector<std::string> problems;
  return simemu::gf_parseWorld(in, problems);
}

// A scenario table's row runs unless GWR_SCENARIO_ROW names others: with it
// set, only the row of that name runs, to see it alone.
inline bool scenarioRowChosen(std::string_view name) {
  const char* chosen = std::getenv("GWR_SCENARIO_ROW");
  return chosen == nullptr || *chosen == '\0' || name == chosen;
}

// One AI object's track: where the simulator had it, once a second.
struct TrackPoint {
  double time = 0.0;  // simulated seconds since the start
  simemu::Pose pose;
};
struct ObjectTrack {
  std::uint32_t id = 0;
  std::string title, tail;
  double created = -1.0, removed = -1.0;  // simulated seconds; -1 = not (yet)
  std::vector<TrackPoint> points;
};

// On: the harness keeps the emulator's pose trace (10 times a second of
// simulated time) and the lines fed, for the motion check.
enum class PoseRecording { off, on };

class EngineHarness {
 public:
  // keepHistory: the emulator's call trace (slower; for counting calls).
  EngineHarness(const std::vector<InstalledLivery>& liveries, const std::vector<std::string>& simTitles,
                bool keepHistory = false, PoseRecording poses = PoseRecording::off)
      : client_(engineSimWorld(simTitles), simOptions(keepHistory, poses, poseTrace_)) {
    resetSettingsToDefaults();
    loadLiveries(liveries);
    trafficReader.setReferencePosition(harnessUser);
    // The feed as a run's start leaves it: no timestamp, QNH at its start value.
    lf_resetFeedForLink();
    trafficReader.resetCounters();
    realTrafficOnThisPc.store(false);  // no TCP link unless a test opens one
    gf_installTrafficEngineHooks({});
    gf_reserveTrafficContainers();
    gf_reserveParkingLists();
    gf_resetTraffic();
    MAX_LIVE_SEL.setCurrent(100);
    EXPECT_TRUE(client_.connect());
    client_.emulator().setSimRunning(true);
    client_.pump();
    trafficEngine.user = client_.userState();
    gf_requestUserOnGround();
    client_.pump();
  }
  ~EngineHarness() {
    writeTracks();
    leaveParkAirport();
    gf_resetTraffic();
    gf_clearLiveryTables();
    gf_clearMatchBookkeepingForTests();
    gf_clearDbaseForTests();
    resetSettingsToDefaults();
  }
  EngineHarness(const EngineHarness&) = delete;
  EngineHarness& operator=(const EngineHarness&) = delete;

  void play(const feeder::Scenario& scenario) {
    players_.push_back(std::make_unique<feeder::ScenarioPlayer>(scenario, harnessStartTime + now_));
  }
  // Lines sent straight into the traffic reader at the current simulated time.
  void feedLine(std::string_view line) {
    if (poseTrace_) fedLines_.emplace_back(line);
    trafficReader.handleTextForTests(line);
  }

  // One pass: due feed lines, one simulator frame with its replies, one tick.
  bool pass() {
    for (auto& player : players_) {
      player->sendDue(harnessStartTime + now_, [this](feeder::FeedStream stream, std::string_view line) {
        if (stream == feeder::FeedStream::traffic) feedLine(line);
      });
    }
    client_.step(1);
    const bool go = lf_tick();
    ++passes_;
    now_ += passSeconds;
    if (passes_ % sampleEveryPasses == 0) sample();
    for (const LiveAc& ac : trafficEngine.live) {
      if (ac.sim.simState == AcSimState::Active || ac.sim.simState == AcSimState::Adding2Sim) ++inSimulator;
    }
    mostInSimulator = std::max(mostInSimulator, inSimulator);
    inSimulator = 0;
    return go;
  }
  void run(double seconds) {
    const auto count = static_cast<std::int64_t>(seconds / passSeconds + 0.5);
    for (std::int64_t i = 0; i < count; ++i) pass();
  }
  // Runs until the condition holds, at most `seconds`; false when it never did.
  template <class Condition>
  bool runUntil(double seconds, Condition condition) {
    const auto count = static_cast<std::int64_t>(seconds / passSeconds + 0.5);
    for (std::int64_t i = 0; i < count; ++i) {
      if (condition()) return true;
      pass();
    }
    return condition();
  }

  // Frankfurt becomes the park airport as in a run: the airports table lists
  // it, its stand file (field 364 ft) is in my_thirdparty, and the
  // park-airport driver chooses it for the user on the ground there and reads
  // the file. After a reset the engine first asks the simulator for the user.
  void readFrankfurtAsParkAirport(std::vector<standgen::StandSpec> stands = {});

  double now() const { return now_; }
  // With PoseRecording::on: the poses the emulator traced and the lines fed
  // so far, on the feed's clock (harnessStartTime + simulated seconds), and
  // the motion check of them.
  std::vector<motioncheck::PoseSample> poses() const {
    std::vector<motioncheck::PoseSample> poses;
    if (!poseTrace_) return poses;
    std::istringstream in(*poseTrace_);
    motioncheck::PoseTrace trace = motioncheck::gf_readPoseTrace(in, "pose trace");
    for (const std::string& problem : trace.problems) ADD_FAILURE() << problem;
    return trace.poses;
  }
  std::vector<motioncheck::ReportSample> reports() const {
    std::vector<motioncheck::ReportSample> reports;
    for (const std::string& line : fedLines_) {
      std::string problem;
      if (auto report = motioncheck::gf_parseReportLine(line, 0.0, problem)) reports.push_back(std::move(*report));
    }
    return reports;
  }
  motioncheck::MotionReport motion() const {
    return motioncheck::gf_checkMotion(poses(), reports(), harnessStartTime + now_);
  }
  simemu::Emulator& emulator() { return client_.emulator(); }
  SyncSimClient& client() { return client_; }
  LogCapture& log() { return client_.log(); }
  const std::map<std::uint32_t, ObjectTrack>& tracks() const { return tracks_; }
  std::vector<const ObjectTrack*> tracksWithTail(const std::string& tail) const {
    std::vector<const ObjectTrack*> found;
    for (const auto& [id, track] : tracks_)
      if (track.tail == tail) found.push_back(&track);
    return found;
  }

  // Tracks every this many passes (1: every pass, for rate checks).
  std::int64_t sampleEveryPasses = 10;
  // The most live aircraft created or being created at once.
  std::int32_t mostInSimulator = 0;

 private:
  static simemu::Options simOptions(bool keepHistory, PoseRecording poses, std::shared_ptr<std::string>& trace) {
    simemu::Options options;
    if (poses == PoseRecording::on) {
      trace = std::make_shared<std::string>();
      options.poseTrace = [trace](const std::string& lines) { *trace += lines; };
      options.clockStartSeconds = harnessStartTime;
    }
    options.framesPerSecond = harnessFramesPerSecond;
    options.keepHistory = keepHistory;
    options.userObjectId = harnessUserObjectId;
    return options;
  }

  // As the run leaves it; the airports table as before.
  static void leaveParkAirport() {
    if (parkAirportCode.empty()) return;
    gf_leaveParkAirport();
    parkAirports.clear();
    gf_clearAirportsForTests();
  }

  void loadLiveries(const std::vector<InstalledLivery>& liveries) {
    gf_clearLiveryTables();
    gf_clearMatchBookkeepingForTests();
    gf_clearDbaseForTests();
    WorldDbase dbase;
    dbase.models = "A320,A20N,A21N,B38M,B772,C172,C25C,EC35,F16";
    dbase.large = "A320,A20N,A21N,B38M";
    dbase.heavy = "B772";
    dbase.rotorcraft = "EC35";
    dbase.buzjet = "C25C";
    dbase.highPerf = "F16";
    dbase.airlines = "DLH,RYR,BAW,KLM,CFG";
    buildWorldTables(log().folder(), dbase, liveries);
  }

  void sample() {
    std::map<std::uint32_t, bool> present;
    for (const simemu::SimObject& object : emulator().objects()) {
      present[object.id] = true;
      ObjectTrack& track = tracks_[object.id];
      if (track.created < 0.0) {
        track.id = object.id;
        track.title = object.title;
        track.tail = object.tail;
        track.created = now_;
      }
      track.points.push_back({now_, object.pose});
    }
    for (auto& [id, track] : tracks_)
      if (track.removed < 0.0 && !present.contains(id)) track.removed = now_;
  }

  // Next to the test's output: <build>/test-output/<suite>/<test>.csv.
  void writeTracks() const {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    if (info == nullptr || tracks_.empty()) return;
    const std::filesystem::path folder = std::filesystem::path(GWR_TEST_OUTPUT_DIR) / info->test_suite_name();
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    std::ofstream csv(folder / (std::string(info->name()) + ".csv"));
    csv << "object,tail,title,time_s,latitude,longitude,altitude_ft,heading_deg\n";
    for (const auto& [id, track] : tracks_) {
      for (const TrackPoint& p : track.points)
        csv << fmt::format("{},{},\"{}\",{:.2f},{:.6f},{:.6f},{:.0f},{:.1f}\n", id, track.tail, track.title, p.time,
                           p.pose.latitude, p.pose.longitude, p.pose.altitude, p.pose.heading * degreesPerRadian);
    }
  }

  std::shared_ptr<std::string> poseTrace_;  // set before client_ is made
  std::vector<std::string> fedLines_;
  SyncSimClient client_;
  FeedState feed_;
  std::vector<std::unique_ptr<feeder::ScenarioPlayer>> players_;
  std::map<std::uint32_t, ObjectTrack> tracks_;
  double now_ = 0.0;
  std::int64_t passes_ = 0;
  std::int32_t inSimulator = 0;
};

// Frankfurt, where the feeder's scenarios fly, as the park airport.
inline constexpr double frankfurtFieldFt = 364.0;

// A gate of Frankfurt's stand file (radius in metres).
inline standgen::StandSpec frankfurtStand(const std::string& id, const LatLon& at, double headingDeg,
                                          double radiusM = 20.0) {
  return standgen::stand(id, at.latitude, at.longitude, headingDeg, radiusM, 5);
}

inline void EngineHarness::readFrankfurtAsParkAirport(std::vector<standgen::StandSpec> stands) {
  EXPECT_TRUE(runUntil(2.0, [] { return gf_knownUserPosition(trafficEngine.user); })) << "no user position";
  // A file needs a stand: one well north of the user and the runways.
  if (stands.empty()) stands.push_back(frankfurtStand("Z1", {harnessUser.latitude + 0.02, harnessUser.longitude}, 0.0));
  if (!gf_findAirport(FixedCode<4>("EDDF"))) {
    AirportRecord eddf;
    eddf.icao = FixedCode<4>("EDDF");
    eddf.iata = FixedCode<3>("FRA");
    eddf.latitude = harnessUser.latitude;
    eddf.longitude = harnessUser.longitude;
    eddf.altitude = static_cast<float>(frankfurtFieldFt);
    eddf.stands = 1;
    airportsTable.push_back(eddf);
  }
  standgen::FileSpec spec;
  spec.parameters = standgen::generatedParameters("EDDF", "Frankfurt Main", "Gen",
                                                  static_cast<int>(frankfurtFieldFt), stands.size());
  spec.stands = std::move(stands);
  standgen::writeApf(myThirdpartyFolder / "EDDF.xml", spec);
  lf_parkAirportDriver(true);   // chosen
  lf_parkAirportDriver(false);  // its file read
  EXPECT_TRUE(standTableReady.load()) << "Frankfurt's stand file was not read";
}

// Nothing a person watching would call wrong: no nose off its path or flipped
// round, never backwards or too fast on the ground, no surge above the
// reports, no removal on a runway.
inline void expectNormalMotion(const motioncheck::MotionReport& motion) {
  EXPECT_EQ(motion.noseOffSpans, 0);
  EXPECT_EQ(motion.backwardSpans, 0);
  EXPECT_EQ(motion.fastGroundSpans, 0);
  EXPECT_EQ(motion.runwayRemovals, 0);
  EXPECT_EQ(motion.flips, 0);
  EXPECT_EQ(motion.surges, 0);
}

} // namespace gwr::testsupport
