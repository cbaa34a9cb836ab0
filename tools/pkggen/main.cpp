// gwr-pkggen: writes a sample simulator packages folder with AI liveries for
// tests, benchmarks and trying the program where no simulator is installed.
#include <cstdio>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>

#include "pkggen/package_tree.h"
#include "platform/sys/native_path.h"

namespace {

constexpr int lf_exitUsage = 2;

// On standard output when asked for, else on standard error.
void lf_printUsage(std::FILE* to = stderr) {
  fmt::print(to,
             "usage: gwr-pkggen OUT [--cfg N] [--liveries-per-cfg N] [--seed N] [--dbase DBASE.xml]\n"
             "                  [--current-fleets AIRCRAFT.csv]\n"
             "Writes OUT/Community with AI traffic packages: N aircraft.cfg files (default 2000) of\n"
             "15 liveries each, drawn from the reference database (default: the project's data/dbase)\n"
             "or, with --current-fleets, from today's fleets in the standing data's aircraft.csv\n"
             "(the project's copy: data/dbase/sources/standing-data/aircraft.csv).\n");
}

} // namespace

int main(int argc, char** argv) {
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  gwr::pkggen::TreeOptions options;
  options.dbaseXml = GWR_SOURCE_DIR "/data/dbase/dbase.xml";
  try {
    for (std::size_t i = 0; i < args.size(); ++i) {
      const bool hasValue = i + 1 < args.size();
      if (args[i] == "--help" || args[i] == "-h") {
        lf_printUsage(stdout);
        return 0;
      }
      if (args[i] == "--cfg" && hasValue) {
        options.cfgFiles = std::stoul(std::string(args[++i]));
      } else if (args[i] == "--liveries-per-cfg" && hasValue) {
        options.liveriesPerCfg = std::stoul(std::string(args[++i]));
      } else if (args[i] == "--seed" && hasValue) {
        options.seed = static_cast<std::uint32_t>(std::stoul(std::string(args[++i])));
      } else if (args[i] == "--dbase" && hasValue) {
        options.dbaseXml = gwr::platform::pathFromUtf8(args[++i]);
      } else if (args[i] == "--current-fleets" && hasValue) {
        options.currentFleetsCsv = gwr::platform::pathFromUtf8(args[++i]);
      } else if (options.packagesFolder.empty() && !args[i].starts_with("-")) {
        options.packagesFolder = gwr::platform::pathFromUtf8(args[i]);
      } else {
        lf_printUsage();
        return lf_exitUsage;
      }
    }
    if (options.packagesFolder.empty()) {
      lf_printUsage();
      return lf_exitUsage;
    }
    const gwr::pkggen::TreeSummary summary = gwr::pkggen::gf_generatePackageTree(options);
    fmt::print("{} aircraft.cfg files with {} [fltsim.N] sections in {}\n", summary.cfgFiles, summary.sections,
               gwr::platform::pathToUtf8(options.packagesFolder / "Community"));
    return 0;
  } catch (const std::exception& error) {
    fmt::print(stderr, "gwr-pkggen: {}\n", error.what());
    return 1;
  }
}
