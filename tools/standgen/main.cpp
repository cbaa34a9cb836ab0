// gwr-standgen: writes a sample airports folder with stand files and links for
// tests and for trying the program's park airports without a simulator.
#include <cstdio>
#include <exception>
#include <string_view>

#include <fmt/format.h>

#include "standgen/stand_files.h"

namespace {

// On standard output when asked for, else on standard error.
void lf_printUsage(std::FILE* to) {
  fmt::print(to,
             "usage: gwr-standgen OUT\n"
             "Writes OUT/airports with stand files and links in my_thirdparty and my_simaddon\n"
             "(EHAM, EGLL, LFPG, EDDF, KJFK) and empty learned folders.\n");
}

} // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h")) {
    lf_printUsage(stdout);
    return 0;
  }
  if (argc != 2 || argv[1][0] == '-') {
    lf_printUsage(stderr);
    return 2;
  }
  try {
    gwr::standgen::writeSampleTree(std::filesystem::path(argv[1]) / "airports");
  } catch (const std::exception& e) {
    fmt::print(stderr, "gwr-standgen: {}\n", e.what());
    return 1;
  }
  return 0;
}
