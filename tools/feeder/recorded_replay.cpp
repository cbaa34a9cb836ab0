// Reading recorded traffic lines (bad ones named and skipped) and replaying
// them shifted to now, sped up, and more than 1 s apart per aircraft.
#include "feeder/recorded_replay.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <fmt/format.h>

#include "feeder/feeder_constants.h"
#include "feeder/traffic_line.h"

namespace gwr::feeder {

Recording gf_parseRecording(std::string_view text, std::string_view sourceName) {
  Recording recording;
  int lineNumber = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const auto end = std::min(text.find('\n', pos), text.size());
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    const auto stamp = gf_lineTimestamp(line);
    if (!stamp) {
      recording.problems.push_back(fmt::format("{}:{}: skipped, no time stamp in field {}", sourceName, lineNumber, timestampField));
    } else if (!gf_lineField(line, idField) || gf_lineField(line, idField)->empty()) {
      recording.problems.push_back(fmt::format("{}:{}: skipped, no aircraft id in field {}", sourceName, lineNumber, idField));
    } else {
      recording.lines.push_back(RecordedLine{*stamp, std::string(line)});
    }
  }
  std::stable_sort(recording.lines.begin(), recording.lines.end(),
                   [](const RecordedLine& a, const RecordedLine& b) { return a.timestamp < b.timestamp; });
  return recording;
}

Recording gf_readRecordingFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error(fmt::format("{}: cannot be read", file.string()));
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  return gf_parseRecording(text, file.string());
}

namespace {

void lf_checkSpeed(double speed) {
  if (!(speed > 0.0) || !std::isfinite(speed)) throw std::invalid_argument(fmt::format("speed {} must be above 0", speed));
}

} // namespace

double gf_replayRunSeconds(const Recording& recording, double speed) {
  lf_checkSpeed(speed);
  const double played =
      recording.lines.empty() ? 0.0 : (recording.lines.back().timestamp - recording.lines.front().timestamp) / speed;
  return played + programDelaySeconds + replayRunMarginSeconds;
}

RecordedReplay::RecordedReplay(Recording recording, double start, double speed)
    : lines_(std::move(recording.lines)), start_(start), speed_(speed) {
  lf_checkSpeed(speed);
}

double RecordedReplay::dueTime(const RecordedLine& line) const {
  return start_ + (line.timestamp - lines_.front().timestamp) / speed_;
}

double RecordedReplay::nextDueTime() const { return next_ < lines_.size() ? dueTime(lines_[next_]) : never; }

void RecordedReplay::sendDue(double now, const DatagramSink& sink) {
  for (; next_ < lines_.size() && dueTime(lines_[next_]) <= now; ++next_) {
    const RecordedLine& line = lines_[next_];
    const double due = gf_sentTimestamp(dueTime(line));
    const std::string_view id = *gf_lineField(line.text, idField);
    const auto last = lastSent_.find(id);
    if (last != lastSent_.end() && due - last->second <= minReportSpacingSeconds) {
      ++skipped_;
      continue;
    }
    lastSent_.insert_or_assign(std::string(id), due);
    sink(FeedStream::traffic, gf_withTimestamp(line.text, due));
  }
}

} // namespace gwr::feeder
