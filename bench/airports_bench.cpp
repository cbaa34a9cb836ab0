// Benchmarks of the real shipped airports table: reading it whole (decryption
// in memory, XML parse, sort), the decryption alone, and the closest-airport
// search over it.
#include <filesystem>

#include <benchmark/benchmark.h>

#include "core/decrypt.h"
#include "refdata/airports_table.h"

namespace {

const std::filesystem::path shippedFile = std::filesystem::path(GWR_PROGRAM_INPUT_DIR) / "airports.enc";

void readRealTable(benchmark::State& state) {
  for (auto _ : state) {
    gwr::gf_clearAirportsForTests();
    benchmark::DoNotOptimize(gwr::gf_readAirportsFrom(shippedFile, gwr::gf_programDataKey()));
  }
  state.counters["airports"] = static_cast<double>(gwr::airportsTable.size());
}
BENCHMARK(readRealTable)->Unit(benchmark::kMillisecond);

void decryptRealTable(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(gwr::gf_streamDecryptOrThrow(gwr::gf_programDataKey(), shippedFile));
}
BENCHMARK(decryptRealTable)->Unit(benchmark::kMillisecond);

void findClosestAirport(benchmark::State& state) {
  gwr::gf_clearAirportsForTests();
  gwr::gf_readAirportsFrom(shippedFile, gwr::gf_programDataKey());
  for (auto _ : state) benchmark::DoNotOptimize(gwr::gf_findClosestAirport({52.31, 4.76}));
}
BENCHMARK(findClosestAirport)->Unit(benchmark::kMicrosecond);

} // namespace
