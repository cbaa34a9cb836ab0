// Stand overlaps through the grids: 1.1 x distance < r1 + r2 anywhere, for
// any mix of sizes against a test of every pair, and many stands on one spot.
#include "airports/stand_overlaps.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <cstdint>
#include <random>

#include <gtest/gtest.h>

#include "airports/airports_constants.h"
#include "airports/park_stand_table.h"
#include "core/geo.h"
#include "support/log_capture.h"

namespace gwr {
namespace {

using Numbers = std::vector<std::uint32_t>;
constexpr double metre = 1.0 / 111'120.0;  // of latitude: one minute of arc is one nm

StandRecord at(double lat, double lon, double radiusMetres) { return {"S", {}, lat, lon, 0.0, radiusMetres, 1, false, true, false}; }

TEST(StandOverlaps, NeighboursWithinTheSumOfRadiiOverAOneAndATenthDistance) {
  const std::pair<StandTable, std::vector<Numbers>> cases[] = {
      // 20 m apart with 15 m radii overlap (22 < 30); 28 m apart do not (30.8 > 30).
      {{at(52, 4, 15), at(52 + 20 * metre, 4, 15), at(52 + 48 * metre, 4, 15)}, {{2}, {1}, {}}},
      {{at(0, 179.9999, 15), at(0, -179.9999, 15)}, {{2}, {1}}},  // 22.2 m over the date line
      {{at(90, 0, 15), at(90 - 20 * metre, 120, 15)}, {{2}, {1}}},
      // 600 m reaches 15 m ones 500 and 480 m away (550, 528 < 615), not 600 m away (660).
      {{at(52, 4, 15), at(52 + 500 * metre, 4, 600), at(52 + 1100 * metre, 4, 15), at(52 + 20 * metre, 4, 15)},
       {{2, 4}, {1, 4}, {}, {1, 2}}},
  };
  for (auto [table, overlaps] : cases) {
    gf_numberStandsAndFindOverlaps(table);
    for (std::size_t i = 0; i < table.size(); ++i) EXPECT_EQ(table[i].overlaps, overlaps[i]) << table[0].longitude << i;
  }
}

// The rule itself on every pair.
std::vector<Numbers> pairwise(const StandTable& table) {
  std::vector<Numbers> overlaps(table.size());
  for (std::size_t a = 0; a < table.size(); ++a)
    for (std::size_t b = a + 1; b < table.size(); ++b) {
      const double d = gf_greatCircleDistanceNm({table[a].latitude, table[a].longitude},
                                                {table[b].latitude, table[b].longitude});
      if (d * 1.1 >= table[a].radius + table[b].radius) continue;
      overlaps[a].push_back(table[b].number);
      overlaps[b].push_back(table[a].number);
    }
  for (Numbers& numbers : overlaps) std::sort(numbers.begin(), numbers.end());
  return overlaps;
}

struct Mix {
  const char* name;
  double lat, lon;      // the corner of the field
  double fieldMetres;   // its side
  int stands;
  double smallest, largest;  // radii in metres, drawn evenly on a log scale
  int large;            // stands of 370 m among them
  int piled;            // stands on the first one's spot
};

StandTable standsOf(const Mix& mix, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  StandTable table;
  const double lonMetre = metre / std::max(std::cos(mix.lat * radiansPerDegree), 0.01);
  for (int i = 0; i < mix.stands; ++i) {
    double lon = mix.lon + unit(random) * mix.fieldMetres * lonMetre;
    if (lon > 180.0) lon -= 360.0;
    const double radius = mix.smallest * std::pow(mix.largest / mix.smallest, unit(random));
    table.push_back(at(std::min(mix.lat + unit(random) * mix.fieldMetres * metre, 90.0), lon,
                       i % 97 == 0 ? 0.0 : radius));
  }
  for (int i = 0; i < mix.large; ++i) table[static_cast<std::size_t>(i * 37 % mix.stands)].radius = 370.0 * nmPerMetre;
  for (int i = 1; i <= mix.piled; ++i) {
    table[static_cast<std::size_t>(i)].latitude = table[0].latitude;
    table[static_cast<std::size_t>(i)].longitude = table[0].longitude;
  }
  return table;
}

// Whatever the sizes, the grids find what the rule finds on every pair.
TEST(StandOverlaps, AnyMixOfSizesGivesWhatEveryPairGives) {
  const Mix mixes[] = {
      {"small stands round one large", 52.0, 4.0, 1'800, 1'400, 12, 40, 1, 0},
      {"small stands round three large", 52.0, 4.0, 1'800, 1'400, 12, 40, 3, 0},
      {"sizes from 0.5 to 500 m", 52.0, 4.0, 2'500, 1'000, 0.5, 500, 0, 0},
      {"over the date line", -33.0, 179.99, 1'500, 600, 5, 300, 2, 0},
      {"at the pole", 89.99, 0.0, 1'500, 600, 5, 300, 1, 0},
      {"a pile of twenty", 52.0, 4.0, 1'000, 500, 10, 60, 1, 20},
  };
  for (const Mix& mix : mixes)
    for (const std::uint32_t seed : {1U, 2U}) {
      StandTable table = standsOf(mix, seed);
      gf_numberStandsAndFindOverlaps(table);
      const std::vector<Numbers> expected = pairwise(table);
      std::size_t missing = 0, extra = 0, pairs = 0;
      for (std::size_t i = 0; i < table.size(); ++i) {
        pairs += expected[i].size();
        Numbers lost, added;
        std::set_difference(expected[i].begin(), expected[i].end(), table[i].overlaps.begin(),
                            table[i].overlaps.end(), std::back_inserter(lost));
        std::set_difference(table[i].overlaps.begin(), table[i].overlaps.end(), expected[i].begin(),
                            expected[i].end(), std::back_inserter(added));
        missing += lost.size();
        extra += added.size();
        EXPECT_TRUE(std::is_sorted(table[i].overlaps.begin(), table[i].overlaps.end())) << mix.name;
      }
      EXPECT_GT(pairs, std::size_t(mix.stands)) << mix.name;  // the mix is crowded enough to matter
      EXPECT_EQ(missing, 0U) << mix.name << " seed " << seed << " of " << pairs / 2 << " pairs";
      EXPECT_EQ(extra, 0U) << mix.name << " seed " << seed;
    }
}

TEST(StandOverlaps, StandsPiledOnOneSpotListEachOtherUntilTheFileIsNoAirport) {
  {
    testsupport::LogCapture log;
    StandTable table(500, at(52, 4, 20));
    gf_numberStandsAndFindOverlaps(table);
    for (std::size_t i = 0; i < table.size(); ++i) ASSERT_EQ(table[i].overlaps.size(), 499U) << i;
    EXPECT_EQ(log.lines(), std::vector<std::string>{});
  }
  testsupport::LogCapture log;
  StandTable table(2'001, at(52, 4, 20));  // 2,001,000 pairs
  gf_numberStandsAndFindOverlaps(table);
  std::size_t kept = 0;
  for (const StandRecord& stand : table) kept += stand.overlaps.size();
  EXPECT_EQ(kept, 2 * maxOverlappingStandPairs);
  EXPECT_EQ(log.lines(), std::vector<std::string>{"==> More than 2000000 pairs of overlapping stands: no real airport has "
                                                  "that many, the overlap search stopped there and the stands' "
                                                  "overlap lists are incomplete"});
}

} // namespace
} // namespace gwr
