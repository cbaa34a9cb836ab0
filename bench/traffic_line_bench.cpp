// Traffic lines parsed per second on one core, against merely splitting the
// same lines at commas: 100,000 generated RealTraffic lines, replayed in turn.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <mutex>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>

#include "core/settings_catalogue.h"
#include "traffic/feed/feed_constants.h"
#include "traffic/feed/park_airport_state.h"
#include "traffic/feed/traffic_queue.h"
#include "traffic/feed/traffic_reader.h"

namespace {

constexpr std::size_t lineCount = 100000;
constexpr std::uint32_t generatorSeed = 20240601;
constexpr double parkLat = 50.0333;
constexpr double parkLon = 8.5706;
constexpr double spreadDegrees = 0.5;     // traffic within about 30 nm
constexpr std::size_t takenPerDrain = 1024;  // records the traffic thread takes at once

// Aircraft around the park airport: most airborne, some on the ground, a few
// of them of types or callsigns that the filters drop.
std::vector<std::string> generatedLines() {
  const char* types[] = {"A320", "B738", "A21N", "E190", "B77W", "C172", "GLID", "A359"};
  const char* airlines[] = {"DLH", "RYR", "EZY", "BAW", "UAE", "AFR"};
  std::mt19937 random(generatorSeed);
  std::uniform_real_distribution<double> offset(-spreadDegrees, spreadDegrees);
  std::uniform_int_distribution<int> pick(0, 1000);
  std::vector<std::string> lines;
  lines.reserve(lineCount);
  for (std::size_t i = 0; i < lineCount; ++i) {
    const bool ground = pick(random) < 150;
    const double lat = ground ? parkLat + offset(random) / 100 : parkLat + offset(random);
    const double lon = ground ? parkLon + offset(random) / 100 : parkLon + offset(random);
    const int altitude = ground ? 0 : 1000 + pick(random) * 38;
    const int speed = ground ? pick(random) % 25 : 140 + pick(random) % 350;
    lines.push_back(fmt::format(
        "X,{},{:.5f},{:.5f},{},{},,{:.1f},{},{}{},{},D-A{:03},FRA,LHR,{},,,adsb_icao,,,{},,,{},,{:.1f},,,A3",
        100000 + i % 5000, lat, lon, altitude, pick(random) * 4 - 2000, pick(random) * 0.36, speed,
        airlines[i % 6], i % 5000, types[pick(random) % 8], i % 1000, 1718000000 + i / 500,
        ground ? -1 : speed + 20, ground ? 0 : pick(random) % 30 - 15, pick(random) * 0.36));
  }
  return lines;
}

const std::vector<std::string>& lines() {
  static const std::vector<std::string> generated = generatedLines();
  return generated;
}

void BM_SplitAtCommas(benchmark::State& state) {
  const auto& replayed = lines();  // generated before the clock runs
  std::vector<std::string_view> fields;
  fields.reserve(gwr::fieldViewsReserved);
  std::size_t i = 0;
  for (auto _ : state) {
    gwr::gf_splitAtCommas(replayed[i], fields);
    benchmark::DoNotOptimize(fields.data());
    i = i + 1 == lineCount ? 0 : i + 1;
  }
  state.SetItemsProcessed(state.iterations());
}

// The same split through the library's search, one call per field: the
// usual way to write it, for comparison with the byte loop the reader uses.
void BM_SplitWithFind(benchmark::State& state) {
  const auto& replayed = lines();
  std::vector<std::string_view> fields;
  fields.reserve(gwr::fieldViewsReserved);
  std::size_t i = 0;
  for (auto _ : state) {
    const std::string_view text = replayed[i];
    fields.clear();
    std::size_t start = 0;
    for (auto comma = text.find(','); comma != std::string_view::npos; comma = text.find(',', start)) {
      fields.push_back(text.substr(start, comma - start));
      start = comma + 1;
    }
    fields.push_back(text.substr(start));
    benchmark::DoNotOptimize(fields.data());
    i = i + 1 == lineCount ? 0 : i + 1;
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_ParseLines(benchmark::State& state) {
  const auto& replayed = lines();
  gwr::TrafficReader reader;
  gwr::rangeNm.store(40.0);
  gwr::AirportRecord park;
  park.icao = gwr::FixedCode<4>("EDDF");
  park.latitude = parkLat;
  park.longitude = parkLon;
  park.altitude = 364.0F;
  gwr::gf_setParkAirport(park);
  reader.setReferencePosition({parkLat, parkLon});
  reader.setFieldElevation(364.0);
  {
    const std::lock_guard lock(gwr::trafficRecordMutex);
    gwr::trafficAccepting = true;
  }
  std::size_t i = 0;
  for (auto _ : state) {
    reader.handleTextForTests(replayed[i]);
    i = i + 1 == lineCount ? 0 : i + 1;
    if (i % takenPerDrain == 0) {
      const std::lock_guard lock(gwr::trafficRecordMutex);
      gwr::trafficRecordQueue.clear();
    }
  }
  state.SetItemsProcessed(state.iterations());
  const std::lock_guard lock(gwr::trafficRecordMutex);
  state.counters["queued"] = static_cast<double>(gwr::trafficRecordQueue.size());
  state.counters["malformed"] = static_cast<double>(reader.malformedCount.load());
}

} // namespace

BENCHMARK(BM_SplitAtCommas)->Iterations(lineCount * 10);
BENCHMARK(BM_SplitWithFind)->Iterations(lineCount * 10);
BENCHMARK(BM_ParseLines)->Iterations(lineCount * 10);
