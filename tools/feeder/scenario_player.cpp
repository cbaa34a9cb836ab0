// Report timing of a played scenario: each aircraft every interval from its
// first waypoint to its last, with no burst after a late wake-up.
#include "feeder/scenario_player.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include <fmt/format.h>

#include "feeder/feeder_constants.h"
#include "feeder/track.h"
#include "feeder/traffic_line.h"

namespace gwr::feeder {

ScenarioPlayer::ScenarioPlayer(Scenario scenario, double start, std::optional<double> intervalOverride)
    : scenario_(std::move(scenario)), start_(start) {
  if (intervalOverride && !(*intervalOverride > minReportSpacingSeconds)) {
    throw std::invalid_argument(fmt::format("report interval {} s must be more than {} s", *intervalOverride,
                                            minReportSpacingSeconds));
  }
  for (const ScenarioAircraft& aircraft : scenario_.aircraft) {
    playing_.push_back(Playing{&aircraft, intervalOverride.value_or(aircraft.reportIntervalSeconds)});
  }
}

double ScenarioPlayer::scenarioTime(const Playing& playing, std::size_t report) {
  return playing.aircraft->waypoints.front().time + static_cast<double>(report) * playing.interval;
}

double ScenarioPlayer::reportTime(const Playing& playing, std::size_t report) const {
  return start_ + scenarioTime(playing, report);
}

bool ScenarioPlayer::hasReport(const Playing& playing, std::size_t report) {
  return scenarioTime(playing, report) <= playing.aircraft->waypoints.back().time;
}

double ScenarioPlayer::nextDueTime() const {
  double next = never;
  for (const Playing& playing : playing_) {
    if (hasReport(playing, playing.nextReport)) next = std::min(next, reportTime(playing, playing.nextReport));
  }
  return next;
}

void ScenarioPlayer::sendDue(double now, const DatagramSink& sink) {
  for (Playing& playing : playing_) {
    if (!hasReport(playing, playing.nextReport) || reportTime(playing, playing.nextReport) > now) continue;
    std::size_t latest = playing.nextReport;
    while (hasReport(playing, latest + 1) && reportTime(playing, latest + 1) <= now) ++latest;
    skipped_ += latest - playing.nextReport;
    playing.nextReport = latest + 1;
    const double stamp = gf_sentTimestamp(reportTime(playing, latest));
    if (stamp - playing.lastSent <= minReportSpacingSeconds) {
      ++skipped_;
      continue;
    }
    if (const auto state = gf_stateAt(*playing.aircraft, scenarioTime(playing, latest))) {
      sink(FeedStream::traffic, gf_formatTrafficLine(*playing.aircraft, *state, stamp));
      playing.lastSent = stamp;
    }
  }
}

} // namespace gwr::feeder
