// Loading a stand file: its stands read from the XML document, numbered and
// their overlaps found. 20,000 stands spread over an airport, and a hostile
// file with all of them on one spot. The peak memory of the process is shown.
// The mixed sizes: small stands of random radii around one very large one,
// with the overlaps found beside those that a test of every pair finds.
#include <sys/resource.h>

#include <cstdint>
#include <string>

#include <benchmark/benchmark.h>
#include <fmt/format.h>
#include <pugixml.hpp>

#include "airports/airports_constants.h"
#include "airports/apf_reader.h"
#include "airports/park_stand_table.h"
#include "core/geo.h"

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

// n - 1 stands of radius 12 to 40 m about 45 m apart, the large one (370 m) in their middle.
gwr::StandTable mixedStands(int n) {
  const int side = 100;
  std::uint64_t seed = 0x9E3779B97F4A7C15ULL;
  const auto next = [&seed](double low, double high) {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    return low + (high - low) * static_cast<double>(seed >> 11) / 9007199254740992.0;
  };
  gwr::StandTable table;
  table.reserve(static_cast<std::size_t>(n));
  for (int i = 0; i + 1 < n; ++i) {
    const double lat = 52.0 + ((i / side) * 45.0 + next(-10, 10)) / metresPerDegreeLat;
    const double lon = 4.0 + ((i % side) * 45.0 + next(-10, 10)) / (metresPerDegreeLat * 0.6157);
    table.emplace_back("P", std::vector<gwr::StandOption>{}, lat, lon, 0.0, next(12, 40), 1, false, true, false);
  }
  const double middleLat = 52.0 + (n / side / 2) * 45.0 / metresPerDegreeLat;
  const double middleLon = 4.0 + (side / 2) * 45.0 / (metresPerDegreeLat * 0.6157);
  table.emplace_back("L", std::vector<gwr::StandOption>{}, middleLat, middleLon, 0.0, 370.0, 1, false, true, false);
  return table;
}

// Every pair under the rule itself.
std::int64_t pairwiseOverlaps(const gwr::StandTable& table) {
  std::int64_t count = 0;
  for (std::size_t a = 0; a < table.size(); ++a)
    for (std::size_t b = a + 1; b < table.size(); ++b) {
      const double distanceNm = gwr::gf_greatCircleDistanceNm({table[a].latitude, table[a].longitude},
                                                              {table[b].latitude, table[b].longitude});
      if (distanceNm * gwr::overlapDistanceFactor < table[a].radius + table[b].radius) ++count;
    }
  return count;
}

void mixedSizes(benchmark::State& state) {
  const gwr::StandTable stands = mixedStands(static_cast<int>(state.range(0)));
  std::int64_t found = 0;
  for (auto _ : state) {
    gwr::StandTable table = stands;
    gwr::gf_numberStandsAndFindOverlaps(table);
    found = 0;
    for (const auto& stand : table) found += static_cast<std::int64_t>(stand.overlaps.size());
    benchmark::DoNotOptimize(table.data());
  }
  state.counters["overlaps_found"] = static_cast<double>(found / 2);
  state.counters["overlaps_pairwise"] = static_cast<double>(pairwiseOverlaps(stands));
}

void standsOnAGrid(benchmark::State& state) { loadStands(state, false); }
void standsOnOneSpot(benchmark::State& state) { loadStands(state, true); }

BENCHMARK(standsOnAGrid)->Arg(10'000)->Arg(20'000)->Unit(benchmark::kMillisecond);
BENCHMARK(standsOnOneSpot)->Arg(20'000)->Unit(benchmark::kMillisecond);
BENCHMARK(mixedSizes)->Arg(5'000)->Arg(20'000)->Unit(benchmark::kMillisecond);

} // namespace
