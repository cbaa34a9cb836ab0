// gwr-bglgen: writes add-on airport packages (manifest.json and a BGL file) from
// a description, or the sample airports, and the emulated simulator's lines.
#include <cstdio>
#include <exception>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include <fmt/format.h>

#include "bglgen/bgl_package.h"

namespace {

// On standard output when asked for, else on standard error.
void lf_printUsage(std::FILE* to) {
  fmt::print(to,
             "usage: gwr-bglgen DESCRIPTION|--sample OUT [--world FILE]\n"
             "Writes add-on airport packages (manifest.json and a BGL scenery file with the airport,\n"
             "helipads and parking list) below OUT from DESCRIPTION (its format is at the top of\n"
             "tools/bglgen/bgl_package.h), or with --sample the two sample airports (LOWI, LSZH);\n"
             "--world also writes the emulated simulator's facility lines of the airports marked\n"
             "\"facilities\" to FILE.\n");
}

int lf_usage() {
  lf_printUsage(stderr);
  return 2;
}

} // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) == "--help" || std::string_view(argv[i]) == "-h") {
      lf_printUsage(stdout);
      return 0;
    }
  }
  if (argc != 3 && argc != 5) return lf_usage();
  if (std::string_view(argv[1]) != "--sample" && argv[1][0] == '-') return lf_usage();
  const std::string_view source = argv[1];
  const std::filesystem::path out = argv[2];
  std::filesystem::path world;
  if (argc == 5) {
    if (std::string_view(argv[3]) != "--world") return lf_usage();
    world = argv[4];
  }
  try {
    std::stringstream description;
    if (source == "--sample") {
      description << gwr::bglgen::sampleDescription;
    } else {
      std::ifstream in{std::filesystem::path(source)};
      if (!in) throw std::runtime_error(fmt::format("cannot open {}", source));
      description << in.rdbuf();
    }
    const auto packages = gwr::bglgen::parseDescription(description);
    for (const auto& p : packages) {
      gwr::bglgen::writePackage(out, p);
      fmt::print("{}\n", gwr::bglgen::bglPath(out, p).string());
    }
    if (!world.empty()) gwr::bglgen::writeBytes(world, gwr::bglgen::worldLines(packages));
  } catch (const std::exception& e) {
    fmt::print(stderr, "gwr-bglgen: {}\n", e.what());
    return 1;
  }
  return 0;
}
