// Plays a scenario: one traffic line per aircraft every report interval,
// from its first waypoint to its last.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "feeder/feed_schedule.h"
#include "feeder/scenario.h"

namespace gwr::feeder {

class ScenarioPlayer final : public FeedSource {
 public:
  // Scenario time 0 is `start` (seconds since 1970); an interval override
  // replaces every aircraft's own interval and must be more than 1 s.
  ScenarioPlayer(Scenario scenario, double start, std::optional<double> intervalOverride = std::nullopt);

  double nextDueTime() const override;
  // Sends the latest due report of each aircraft; reports that fell due
  // while the feeder was late are skipped rather than sent in a burst, and
  // so is one whose written time stamp is not more than 1 s after the last.
  void sendDue(double now, const DatagramSink& sink) override;

  std::size_t skippedReports() const { return skipped_; }

 private:
  struct Playing {
    const ScenarioAircraft* aircraft;
    double interval;
    std::size_t nextReport = 0;
    double lastSent = -never;  // time stamp of the last report sent
  };
  static double scenarioTime(const Playing& playing, std::size_t report);
  static bool hasReport(const Playing& playing, std::size_t report);
  double reportTime(const Playing& playing, std::size_t report) const;

  Scenario scenario_;
  double start_;
  std::vector<Playing> playing_;
  std::size_t skipped_ = 0;
};

} // namespace gwr::feeder
