// Replays a recorded file of traffic lines at their own time stamps, shifted
// to now and optionally sped up, keeping reports of one aircraft more than 1 s apart.
#pragma once

#include <cstddef>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "feeder/feed_schedule.h"

namespace gwr::feeder {

struct RecordedLine {
  double timestamp = 0.0;  // field 14 as recorded
  std::string text;
};

// The usable lines in time order (ties keep file order), and one message
// naming the line for each line that was skipped.
struct Recording {
  std::vector<RecordedLine> lines;
  std::vector<std::string> problems;
};

Recording gf_parseRecording(std::string_view text, std::string_view sourceName);
Recording gf_readRecordingFile(const std::filesystem::path& file);

// The seconds a program run needs to show the replay of `recording` at
// `speed` whole: its first line to its last, the program's delay and a margin.
double gf_replayRunSeconds(const Recording& recording, double speed);

class RecordedReplay final : public FeedSource {
 public:
  // The first line is sent at `start`; `speed` > 1 plays faster.
  RecordedReplay(Recording recording, double start, double speed);

  double nextDueTime() const override;
  // Each line goes out with its time stamp replaced by the time it is due.
  void sendDue(double now, const DatagramSink& sink) override;

  // Lines left out because their aircraft was reported 1 s or less before.
  std::size_t skippedReports() const { return skipped_; }

 private:
  double dueTime(const RecordedLine& line) const;

  std::vector<RecordedLine> lines_;
  double start_;
  double speed_;
  std::size_t next_ = 0;
  std::map<std::string, double, std::less<>> lastSent_;  // aircraft id -> time stamp sent
  std::size_t skipped_ = 0;
};

} // namespace gwr::feeder
