// Benchmarks of the livery scan on a generated package tree of about 2,000
// aircraft.cfg files and 30,000 liveries, against just reading those files.
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "core/log.h"
#include "core/paths.h"
#include "core/settings_catalogue.h"
#include "core/settings_file.h"
#include "core/text_files.h"
#include "liveries/aircraft_cfg_keys.h"
#include "liveries/livery_scan.h"
#include "liveries/livery_search.h"
#include "pkggen/package_tree.h"
#include "platform/sys/known_folders.h"
#include "refdata/dbase_reader.h"

namespace {

namespace fs = std::filesystem;

constexpr std::size_t benchCfgFiles = 2000;
constexpr std::size_t benchLiveriesPerCfg = 15;

// A program folder with the tree, made once for all benchmarks.
class ScanWorld {
public:
  ScanWorld() : folder(fs::temp_directory_path() / ("gwr-bench-scan-" + std::to_string(::getpid()))) {
    fs::create_directories(folder);
    fs::current_path(folder);
    gwr::gf_openLogFile();
    gwr::platform::setKnownFolderRootForTests(folder / "known");
    gwr::gf_resetPerUserPathsForTests();
    fs::create_directories(gwr::gf_perUserFolder());
    for (const fs::path& created : gwr::createdFolders) fs::create_directories(created);
    const fs::path dbase = fs::path(GWR_SOURCE_DIR) / "data/dbase/dbase.xml";
    gwr::gf_readDbaseXml(dbase);
    const auto summary =
        gwr::pkggen::gf_generatePackageTree({.packagesFolder = folder / "sim", .dbaseXml = dbase,
                                             .cfgFiles = benchCfgFiles, .liveriesPerCfg = benchLiveriesPerCfg});
    sections = summary.sections;
    gwr::MSFS_INSTALL_PATH.setCurrent((folder / "sim").string());
    gwr::gf_setupSearchWorkers();
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder / "sim"))
      if (entry.is_regular_file() && gwr::gf_upperAscii(entry.path().filename().string()) == "AIRCRAFT.CFG")
        files.push_back(entry.path());
  }
  ~ScanWorld() {
    gwr::gf_closeLogFileForTests();
    fs::current_path(fs::temp_directory_path());
    std::error_code ignored;
    fs::remove_all(folder, ignored);
  }

  fs::path folder;
  std::size_t sections = 0;
  std::vector<fs::path> files;
};

ScanWorld& world() {
  static ScanWorld instance;
  return instance;
}

void scanGeneratedTree(benchmark::State& state) {
  ScanWorld& scan = world();
  gwr::searchWorkerLimit.store(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(gwr::gf_scanLiveries());
  state.counters["cfgFiles"] = static_cast<double>(scan.files.size());
  state.counters["sections"] = static_cast<double>(scan.sections);
}
BENCHMARK(scanGeneratedTree)->Arg(1)->Arg(2)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same files, read the way the workers read them, one after the other.
void readTheSameFiles(benchmark::State& state) {
  ScanWorld& scan = world();
  std::size_t lines = 0;
  for (auto _ : state) {
    lines = 0;
    for (const fs::path& file : scan.files) {
      std::vector<std::string> read;
      gwr::gf_readTextLines(gwr::gf_detectCharset(file), file, read);
      lines += read.size();
    }
    benchmark::DoNotOptimize(lines);
  }
  state.counters["lines"] = static_cast<double>(lines);
}
BENCHMARK(readTheSameFiles)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
