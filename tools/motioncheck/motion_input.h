// Reads what the motion check compares: the emulated simulator's pose trace
// and the traffic lines that reported the aircraft.
#pragma once

#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "motioncheck/motion_check.h"

namespace gwr::motioncheck {

// One line of the pose trace (the emulator's poseTraceColumns); none, with
// why in `problem`, when it is not one. The column line is not a pose either.
std::optional<PoseSample> gf_parsePoseLine(std::string_view line, std::string& problem);

// One traffic line as a report, its time stamp moved by `shiftSeconds`; none,
// with why, when a field the check needs is missing or not a number. A report
// with altitude 0 is a surface report.
std::optional<ReportSample> gf_parseReportLine(std::string_view line, double shiftSeconds, std::string& problem);

// Every line of a pose trace, the column line and blank lines skipped; one
// message naming the line for each other line that is not a pose.
struct PoseTrace {
  std::vector<PoseSample> poses;
  std::vector<std::string> problems;
};
PoseTrace gf_readPoseTrace(std::istream& in, std::string_view sourceName);

} // namespace gwr::motioncheck
