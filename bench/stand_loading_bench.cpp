// Loading a stand file: its stands read from the XML document, numbered and
// their overlaps found. 20,000 stands spread over an airport, and a hostile
// file with all of them on one spot. The peak memory of the process is shown.
#include <sys/resource.h>

#include <string>

#include <benchmark/benchmark.h>
#include <fmt/format.h>
#include <pugixml.hpp>

#include "airports/apf_reader.h"
#include "airports/park_stand_table.h"

namespace {

constexpr double metresPerDegreeLat = 111'120.0;

// n stands 60 m apart on a square grid (radius 25 m), or all at one spot.
std::string standFile(int n, bool oneSpot) {
  const int side = 150;
  std::string xml = "<root><parkpositions>";
  for (int i = 0; i < n; ++i) {
    const double lat = oneSpot ? 52.0 : 52.0 + (i / side) * 60.0 / metresPerDegreeLat;
    const double lon = oneSpot ? 4.0 : 4.0 + (i % side) * 60.0 / (metresPerDegreeLat * 0.6157);
    xml += fmt::format(R"(<parkpos id="P{}" latitude="{:.6f}" longitude="{:.6f}" heading="0" radius="25" type="1"/>)",
                       i, lat, lon);
  }
  return xml + "</parkpositions></root>";
}

void loadStands(benchmark::State& state, bool oneSpot) {
  const std::string xml = standFile(static_cast<int>(state.range(0)), oneSpot);
  pugi::xml_document document;
  document.load_string(xml.c_str());
  for (auto _ : state) {
    gwr::StandTable table;
    gwr::gf_readParkPositions(document, table);
    gwr::gf_numberStandsAndFindOverlaps(table);
    benchmark::DoNotOptimize(table.data());
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void standsOnAGrid(benchmark::State& state) { loadStands(state, false); }
void standsOnOneSpot(benchmark::State& state) { loadStands(state, true); }

BENCHMARK(standsOnAGrid)->Arg(10'000)->Arg(20'000)->Unit(benchmark::kMillisecond);
BENCHMARK(standsOnOneSpot)->Arg(20'000)->Unit(benchmark::kMillisecond);

} // namespace
