// gwr-bglcheck: prints, for each BGL file, the airports the reader finds with
// their stands, or the lines that made it skip them.
#include <cstdio>
#include <string>

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

} // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: gwr-bglcheck FILE...\n", stderr);
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
