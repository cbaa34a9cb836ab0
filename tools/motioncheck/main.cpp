// gwr-motioncheck POSES.csv RECORDING.lines [--feed-start EPOCH]: how the
// emulated simulator's objects moved in a run, against the recording played.
#include <algorithm>
#include <cstdio>
#include <exception>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>

#include "feeder/recorded_replay.h"
#include "motioncheck/motion_check.h"
#include "motioncheck/motion_input.h"

namespace {

using namespace gwr;

constexpr std::size_t namedSkips = 3;  // skipped report lines shown each

// On standard output when asked for, else on standard error.
void lf_printUsage(std::FILE* to = stderr) {
  fmt::print(to,
             "usage: gwr-motioncheck POSES.csv RECORDING.lines [--feed-start EPOCH]\n"
             "Reads the emulated simulator's pose trace (GWR_POSE_TRACE) and the recorded traffic\n"
             "lines of the run, and prints per callsign the nose-off-path spans, fast and backwards\n"
             "motion on the ground, lift-offs and their rolls, the lag behind the reports,\n"
             "removals on a runway, nose flips and speed surges on the ground, and surface\n"
             "reports never reached, at seconds into the recording. --feed-start: when the feeder\n"
             "sent the recording's first line (seconds since 1970, as the pose trace's clock);\n"
             "without it, when the trace's first pose was written.\n");
}

int lf_run(int argc, char** argv) {
  std::vector<std::string_view> files;
  std::optional<double> feedStart;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      lf_printUsage(stdout);
      return 0;
    }
    if (arg == "--feed-start" && i + 1 < argc) feedStart = std::stod(argv[++i]);
    else if (arg.starts_with("-")) {
      lf_printUsage();
      return 2;
    } else files.push_back(arg);
  }
  if (files.size() != 2) {
    lf_printUsage();
    return 2;
  }
  std::ifstream in{std::string(files[0])};
  if (!in) {
    fmt::print(stderr, "gwr-motioncheck: cannot read {}\n", files[0]);
    return 1;
  }
  motioncheck::PoseTrace trace = motioncheck::gf_readPoseTrace(in, files[0]);
  for (const std::string& problem : trace.problems) fmt::print(stderr, "{}\n", problem);
  if (trace.poses.empty()) {
    fmt::print(stderr, "gwr-motioncheck: no poses in {}\n", files[0]);
    return 1;
  }
  const feeder::Recording recording = feeder::gf_readRecordingFile(std::string(files[1]));
  for (const std::string& problem : recording.problems) fmt::print(stderr, "{}\n", problem);
  double firstPose = trace.poses.front().time;
  for (const auto& p : trace.poses) firstPose = std::min(firstPose, p.time);
  const double firstLine = recording.lines.empty() ? 0.0 : recording.lines.front().timestamp;
  const double shift = feedStart.value_or(firstPose) - firstLine;
  std::vector<motioncheck::ReportSample> reports;
  std::size_t skipped = 0;
  for (const auto& line : recording.lines) {
    std::string problem;
    if (auto report = motioncheck::gf_parseReportLine(line.text, shift, problem)) reports.push_back(std::move(*report));
    else if (++skipped <= namedSkips) fmt::print(stderr, "{}: skipped '{}': {}\n", files[1], line.text, problem);
  }
  // Aircraft without a callsign are common in a recording: they are counted, not each named.
  if (skipped > namedSkips) fmt::print(stderr, "{}: {} more lines skipped\n", files[1], skipped - namedSkips);
  // Times are said in seconds into the recording, as the feeder played it.
  fmt::print("{}", motioncheck::gf_motionText(motioncheck::gf_checkMotion(std::move(trace.poses), std::move(reports)),
                                              firstLine + shift));
  return 0;
}

} // namespace

int main(int argc, char** argv) {
  try {
    return lf_run(argc, argv);
  } catch (const std::exception& e) {
    fmt::print(stderr, "gwr-motioncheck: {}\n", e.what());
    return 1;
  }
}
