// Test helper for the traffic feed: traffic lines built field by field from a
// typical airborne report, and a clean feed state (queue, park airport, range).
#pragma once

#include <array>
#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

#include "core/run_state.h"
#include "core/settings_catalogue.h"
#include "traffic/feed/feed_log.h"
#include "traffic/feed/park_airport_state.h"
#include "traffic/feed/tick_clock.h"
#include "traffic/feed/traffic_queue.h"

namespace gwr::testsupport {

// A RealTraffic line of 29 fields: an A320 at 36000 ft near Frankfurt.
class TrafficLine {
 public:
  static constexpr std::size_t fieldCount = 29;

  TrafficLine() {
    const char* typical[fieldCount] = {"X", "4837645", "50.0333", "8.5706", "36000", "0", "", "270.5", "450",
                                       "DLH123", "A320", "D-AIZZ", "FRA", "LHR", "1718000000", "", "",
                                       "adsb_icao", "", "", "460", "", "", "-1", "", "271.2", "", "", "A3"};
    for (std::size_t i = 0; i < fieldCount; ++i) fields[i] = typical[i];
  }

  TrafficLine& set(std::size_t index, std::string value) {
    fields.at(index) = std::move(value);
    return *this;
  }

  std::string text() const {
    std::string line = fields[0];
    for (std::size_t i = 1; i < fieldCount; ++i) line.append(",").append(fields[i]);
    return line;
  }

 private:
  std::array<std::string, fieldCount> fields;
};

// Empties the queue and sets it accepting, no park airport, range 40 nm,
// AIRBORNE_ONLY off, tick 0, no traffic time, no feed log lines held back; restores the range afterwards.
class FeedState {
 public:
  static constexpr double rangeForTestsNm = 40.0;

  FeedState() : savedRange(rangeNm.load()) {
    {
      const std::lock_guard lock(trafficRecordMutex);
      trafficRecordQueue.clear();
      trafficAccepting = true;
    }
    gf_clearParkAirport();
    rangeNm.store(rangeForTestsNm);
    AIRBORNE_ONLY.setCurrent(false);
    tickCount.store(0);
    trafficTime.store(0.0);
    stopRequested.store(false);
    gf_resetFeedLog();
  }
  ~FeedState() {
    rangeNm.store(savedRange);
    AIRBORNE_ONLY.setCurrent(AIRBORNE_ONLY.defaultValue());
    gf_clearParkAirport();
    stopRequested.store(false);
    const std::lock_guard lock(trafficRecordMutex);
    trafficRecordQueue.clear();
    trafficAccepting = false;
  }
  FeedState(const FeedState&) = delete;
  FeedState& operator=(const FeedState&) = delete;

  static std::vector<TrafficRecord> queued() {
    const std::lock_guard lock(trafficRecordMutex);
    return {trafficRecordQueue.begin(), trafficRecordQueue.end()};
  }
  static std::size_t queuedCount() {
    const std::lock_guard lock(trafficRecordMutex);
    return trafficRecordQueue.size();
  }

 private:
  double savedRange;
};

} // namespace gwr::testsupport
