// Benchmarks of the real reference database: reading it the way start-up
// does (decryption in memory, XML parse, pools and tables) and the plain XML alone.
#include <filesystem>
#include <string>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include "core/decrypt.h"
#include "pack/pack_stream.h"
#include "refdata/code_pools.h"
#include "refdata/dbase_reader.h"
#include "refdata/dbase_tables.h"
#include "refdata/registration_records.h"

namespace {

const std::filesystem::path plainSource = std::filesystem::path(GWR_SOURCE_DIR) / "data/dbase/dbase.xml";

std::filesystem::path scratchEnc() {
  return std::filesystem::temp_directory_path() / ("gwr-bench-dbase-" + std::to_string(::getpid()) + ".enc");
}

void readRealDbase(benchmark::State& state) {
  const std::filesystem::path encrypted = scratchEnc();
  gwr::pack::gf_encryptFile(gwr::gf_programDataKey(), plainSource, encrypted);
  for (auto _ : state) {
    gwr::gf_clearDbaseForTests();
    benchmark::DoNotOptimize(gwr::gf_readDbaseFrom(encrypted, gwr::gf_programDataKey()));
  }
  state.counters["models"] = static_cast<double>(gwr::modelPool.size());
  state.counters["records"] = static_cast<double>(gwr::dbaseRecords.size());
  std::filesystem::remove(encrypted);
}
BENCHMARK(readRealDbase)->Unit(benchmark::kMillisecond);

void readRealDbasePlain(benchmark::State& state) {
  for (auto _ : state) {
    gwr::gf_clearDbaseForTests();
    benchmark::DoNotOptimize(gwr::gf_readDbaseXml(plainSource));
  }
}
BENCHMARK(readRealDbasePlain)->Unit(benchmark::kMillisecond);

// The yardstick of the two above: the decryption alone, into memory.
void decryptRealDbase(benchmark::State& state) {
  const std::filesystem::path encrypted = scratchEnc();
  gwr::pack::gf_encryptFile(gwr::gf_programDataKey(), plainSource, encrypted);
  for (auto _ : state) benchmark::DoNotOptimize(gwr::gf_streamDecryptOrThrow(gwr::gf_programDataKey(), encrypted));
  std::filesystem::remove(encrypted);
}
BENCHMARK(decryptRealDbase)->Unit(benchmark::kMillisecond);

} // namespace
