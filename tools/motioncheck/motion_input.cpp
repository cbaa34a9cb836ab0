// Reads what the motion check compares: the emulated simulator's pose trace
// and the traffic lines that reported the aircraft.
#include "motioncheck/motion_input.h"

#include <charconv>
#include <cmath>
#include <system_error>

#include <fmt/format.h>

#include "feeder/traffic_line.h"

namespace gwr::motioncheck {

namespace {

constexpr std::size_t poseColumns = 12;
constexpr std::string_view columnLineStart = "time_s,";
// Fields of a traffic line.
constexpr int latitudeField = 2, longitudeField = 3, altitudeField = 4, groundSpeedField = 8, callsignField = 9,
              timeField = 14;

std::optional<double> lf_number(std::string_view text) {
  double value = 0.0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

std::vector<std::string_view> lf_split(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  while (true) {
    const auto comma = line.find(',', start);
    fields.push_back(line.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
    if (comma == std::string_view::npos) return fields;
    start = comma + 1;
  }
}

bool lf_isLatLon(double latitude, double longitude) {
  return std::fabs(latitude) <= 90.0 && std::fabs(longitude) <= 180.0;
}

} // namespace

std::optional<PoseSample> gf_parsePoseLine(std::string_view line, std::string& problem) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  const auto fields = lf_split(line);
  if (fields.size() != poseColumns) {
    problem = fmt::format("{} columns, not {}", fields.size(), poseColumns);
    return std::nullopt;
  }
  PoseSample pose;
  std::optional<double> numbers[poseColumns];
  for (std::size_t i = 0; i < poseColumns; ++i) {
    if (i == 2) continue;  // the callsign
    numbers[i] = lf_number(fields[i]);
    if (!numbers[i]) {
      problem = fmt::format("column {} is not a number: '{}'", i + 1, fields[i]);
      return std::nullopt;
    }
  }
  if (*numbers[1] < 0.0 || *numbers[1] != std::floor(*numbers[1]) || (*numbers[9] != 0.0 && *numbers[9] != 1.0) ||
      !lf_isLatLon(*numbers[3], *numbers[4])) {
    problem = "object id, on-ground flag or position out of range";
    return std::nullopt;
  }
  pose.time = *numbers[0];
  pose.object = static_cast<std::uint32_t>(*numbers[1]);
  pose.callsign = std::string(fields[2]);
  pose.latitude = *numbers[3];
  pose.longitude = *numbers[4];
  pose.altitudeFt = *numbers[5];
  pose.headingDeg = *numbers[8];
  pose.onGround = *numbers[9] == 1.0;
  return pose;
}

std::optional<ReportSample> gf_parseReportLine(std::string_view line, double shiftSeconds, std::string& problem) {
  const auto number = [&](int index) -> std::optional<double> {
    const auto field = feeder::gf_lineField(line, index);
    return field ? lf_number(*field) : std::nullopt;
  };
  const auto latitude = number(latitudeField), longitude = number(longitudeField), altitude = number(altitudeField);
  const auto time = number(timeField);
  const auto callsign = feeder::gf_lineField(line, callsignField);
  if (!latitude || !longitude || !altitude || !time || !callsign || callsign->empty() || *callsign == "null" ||
      !lf_isLatLon(*latitude, *longitude)) {
    problem = "no callsign, position, altitude or time stamp";
    return std::nullopt;
  }
  ReportSample report;
  report.time = *time + shiftSeconds;
  report.callsign = std::string(*callsign);
  report.latitude = *latitude;
  report.longitude = *longitude;
  report.groundSpeedKt = number(groundSpeedField).value_or(0.0);
  report.onGround = *altitude == 0.0;
  return report;
}

PoseTrace gf_readPoseTrace(std::istream& in, std::string_view sourceName) {
  PoseTrace trace;
  std::string line;
  for (std::size_t number = 1; std::getline(in, line); ++number) {
    if (line.empty() || line == "\r" || line.starts_with(columnLineStart)) continue;
    std::string problem;
    if (auto pose = gf_parsePoseLine(line, problem)) trace.poses.push_back(std::move(*pose));
    else trace.problems.push_back(fmt::format("{}:{}: skipped, {}", sourceName, number, problem));
  }
  return trace;
}

} // namespace gwr::motioncheck
