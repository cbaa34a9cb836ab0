// gwr-bglcheck: prints, for each BGL file, the airports the reader finds with
// their stands, or the lines that made it skip them.
#include <cstdio>
#include <string>
#include <string_view>

#include <fmt/format.h>

#include "airports/bgl_reader.h"
#include "core/geo.h"

namespace {

class PrintingEvents : public gwr::BglReaderEvents {
public:
  int airports = 0;

  bool acceptCode(const std::string& code) override {
    for (const char c : code)
      if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
    return true;
  }
  void note(std::string line) override { fmt::print("  report: {}\n", line); }
  void log(std::string line, bool warning) override { fmt::print("  {}{}\n", warning ? "==> " : "", line); }
  bool wantStands(gwr::ApfData&) override { return true; }
  void airportRead(gwr::ApfData& apf, std::int32_t helipads) override {
    ++airports;
    fmt::print("  airport {} altitude {} ft, {} helipad{}, {} stand{}\n", apf.icao.view(), apf.altitude, helipads,
               helipads == 1 ? "" : "s", apf.stands.size(), apf.stands.size() == 1 ? "" : "s");
    for (const auto& s : apf.stands)
      fmt::print("    {:10} type {:2} {:.6f},{:.6f} heading {:.1f} radius {:.1f} m{}\n", s.id, s.type, s.latitude,
                 s.longitude, s.heading * gwr::degreesPerRadian, s.radius * 1852.0, s.heli ? " heli" : "");
  }
};

// On standard output when asked for, else on standard error.
void lf_printUsage(std::FILE* to) {
  fmt::print(to,
             "usage: gwr-bglcheck FILE...\n"
             "Prints, for each BGL scenery FILE, the airports the program's reader finds (ICAO,\n"
             "altitude, helipads, stands with id, type, position, heading and radius), or the lines\n"
             "that made it skip them. Exits with 1 when a file is damaged.\n");
}

} // namespace

int main(int argc, char** argv) {
  for (int k = 1; k < argc; ++k) {
    const std::string_view argument = argv[k];
    if (argument == "--help" || argument == "-h") {
      lf_printUsage(stdout);
      return 0;
    }
    // A leading dash marks an option, never a file to read.
    if (argument.starts_with("-")) {
      lf_printUsage(stderr);
      return 2;
    }
  }
  if (argc < 2) {
    lf_printUsage(stderr);
    return 2;
  }
  int damaged = 0;
  for (int k = 1; k < argc; ++k) {
    const std::filesystem::path file = argv[k];
    fmt::print("{}\n", file.string());
    if (!gwr::gf_bglHasAirport(file)) {
      fmt::print("  no airport section\n");
      continue;
    }
    PrintingEvents events;
    if (!gwr::gf_processBglFile(file, events)) ++damaged;
    if (events.airports == 0) fmt::print("  no airport read\n");
  }
  return damaged == 0 ? 0 : 1;
}
