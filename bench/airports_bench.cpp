// Benchmarks of the real shipped airports table: reading it whole (decryption,
// XML parse, sort) and the closest-airport search over it.
#include <filesystem>
#include <string>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include "refdata/airports_table.h"

namespace {

const std::filesystem::path shippedFile = std::filesystem::path(GWR_PROGRAM_INPUT_DIR) / "airports.enc";

std::filesystem::path scratchXml() {
  return std::filesystem::temp_directory_path() / ("gwr-bench-airports-" + std::to_string(::getpid()) + ".xml");
}

void readRealTable(benchmark::State& state) {
  const std::filesystem::path plain = scratchXml();
  for (auto _ : state) {
    gwr::gf_clearAirportsForTests();
    benchmark::DoNotOptimize(gwr::gf_readAirportsFrom(shippedFile, plain, gwr::gf_programDataKey()));
  }
  state.counters["airports"] = static_cast<double>(gwr::airportsTable.size());
}
BENCHMARK(readRealTable)->Unit(benchmark::kMillisecond);

void findClosestAirport(benchmark::State& state) {
  gwr::gf_clearAirportsForTests();
  gwr::gf_readAirportsFrom(shippedFile, scratchXml(), gwr::gf_programDataKey());
  for (auto _ : state) benchmark::DoNotOptimize(gwr::gf_findClosestAirport({52.31, 4.76}));
}
BENCHMARK(findClosestAirport)->Unit(benchmark::kMicrosecond);

} // namespace
