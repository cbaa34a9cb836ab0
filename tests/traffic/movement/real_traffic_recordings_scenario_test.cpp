// The four real recordings whole, moved to Frankfurt and flown in simulated
// time through the whole engine and the emulated simulator.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <cmath>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/geo.h"
#include "feeder/recorded_replay.h"
#include "motioncheck/motion_check.h"
#include "support/engine_harness.h"
#include "traffic/movement/real_traffic_rows.h"

namespace gwr {
namespace {

using testsupport::EngineHarness;
using testsupport::fieldFt;

// A recording and where it was made.
struct WholeRecording {
  const char* file;
  LatLon airport;
  double fieldFt, qnhHpa;
};

constexpr double feetPerHpa = 27.3;  // pressure altitude against height near the ground
constexpr double standardHpa = 1013.25;

// Its lines moved to Frankfurt with distances kept: the airport where
// Frankfurt is, airborne reports as high above Frankfurt's field as they were
// above their own (the recording gives pressure altitudes), every type an A20N
// (the harness's tables know few types).
feeder::Recording movedToFrankfurt(const WholeRecording& w) {
  feeder::Recording recording = feeder::gf_readRecordingFile(std::filesystem::path(GWR_RECORDINGS_DIR) / w.file);
  const LatLon to = testsupport::harnessUser;
  const double eastScale = std::cos(w.airport.latitude * radiansPerDegree) / std::cos(to.latitude * radiansPerDegree);
  for (auto& line : recording.lines) {
    std::vector<std::string> f;
    std::stringstream in(line.text);
    for (std::string field; std::getline(in, field, ',');) f.push_back(field);
    if (f.size() < 15 || f[2].empty() || f[3].empty() || f[4].empty()) continue;
    const double altitude = std::stod(f[4]);
    f[2] = fmt::format("{:.6f}", to.latitude + std::stod(f[2]) - w.airport.latitude);
    f[3] = fmt::format("{:.6f}", to.longitude + (std::stod(f[3]) - w.airport.longitude) * eastScale);
    if (altitude != 0.0)
      f[4] = fmt::format("{:.0f}", altitude + (w.qnhHpa - standardHpa) * feetPerHpa + fieldFt - w.fieldFt);
    f[10] = "A20N";
    line.text.clear();
    for (std::size_t i = 0; i < f.size(); ++i) line.text += (i == 0 ? "" : ",") + f[i];
  }
  return recording;
}

// Each recording whole, through the engine and the emulated simulator: no
// nose off its path or flipped round, nothing backwards, racing or surging on
// the ground, no crooked roll, nothing removed on a runway. What the check
// finds besides (lag, reports never reached) is printed.
TEST(RealTrafficGroundScenario, TheFourRecordingsRunWhole) {
  const WholeRecording recordings[] = {
      {"egll_baw3ak_arrival.lines", {51.4700, -0.4543}, 83.0, 1016.0},
      {"lfbo_baw3ak_departure.lines", {43.6291, 1.3638}, 499.0, 1022.0},
      {"kmsp_dal1812_dal2418.lines", {44.8820, -93.2218}, 841.0, 1035.0},
      {"kmsp_dal1615_dal2927.lines", {44.8820, -93.2218}, 841.0, 1026.0},
  };
  for (const WholeRecording& w : recordings) {
    SCOPED_TRACE(w.file);
    feeder::Recording recording = movedToFrankfurt(w);
    if (recording.lines.empty()) {
      std::cout << w.file << ": missing, skipped\n";
      continue;
    }
    const double seconds = recording.lines.back().timestamp - recording.lines.front().timestamp + 90.0;
    // Every airline in the house colours.
    constexpr const char* house = "Airbus A320neo house colours";
    EngineHarness harness({{"ZZZ", "", "A20N", false, house, ""}}, {house}, false, testsupport::PoseRecording::on);
    harness.readFrankfurtAsParkAirport();
    const double start = harness.now();
    // Played as the feeder plays it: time stamps made the time sent, reports 1 s apart or more.
    feeder::RecordedReplay replay(std::move(recording), testsupport::harnessStartTime + start, 1.0);
    while (harness.now() < start + seconds) {
      replay.sendDue(testsupport::harnessStartTime + harness.now(), [&](feeder::FeedStream, std::string_view line) {
        harness.feedLine(line);
      });
      harness.pass();
    }
    gf_clearParkAirport();
    const motioncheck::MotionReport motion = harness.motion();
    const std::string text = motioncheck::gf_motionText(motion, testsupport::harnessStartTime + start);
    std::cout << w.file << ":\n" << text;
    SCOPED_TRACE(text);
    EXPECT_FALSE(motion.callsigns.empty());
    testsupport::expectNormalMotion(motion);
    EXPECT_EQ(motion.crookedLiftOffs, 0);
  }
}

} // namespace
} // namespace gwr
