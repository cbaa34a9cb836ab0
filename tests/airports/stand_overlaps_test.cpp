// Stand overlaps through the grid: the rule 1.1 x distance < r1 + r2 at an
// ordinary airport, across the date line and a pole, with one very large
// stand, and a hostile file of many stands on one spot.
#include "airports/stand_overlaps.h"

#include <gtest/gtest.h>

#include "airports/park_stand_table.h"
#include "support/log_capture.h"

namespace gwr {
namespace {

using Numbers = std::vector<std::uint32_t>;
constexpr double metresPerDegreeLat = 111'120.0;  // one minute of arc is one nm

StandRecord standAt(double lat, double lon, double radiusMetres) {
  return StandRecord("S", {}, lat, lon, 0.0, radiusMetres, 1, false, true, false);
}

TEST(StandOverlaps, NeighboursWithinTheSumOfRadiiOverAOneAndATenthDistance) {
  const double north = 1.0 / metresPerDegreeLat;  // one metre
  const struct {
    const char* where;
    std::vector<StandRecord> stands;
    std::vector<Numbers> overlaps;
  } cases[] = {
      // 20 m apart with 15 m radii overlap (22 < 30); 28 m apart do not (30.8 > 30).
      {"airport",
       {standAt(52.0, 4.0, 15), standAt(52.0 + 20 * north, 4.0, 15), standAt(52.0 + 48 * north, 4.0, 15)},
       {{2}, {1}, {}}},
      // 0.0002 degrees of longitude at the equator is 22.2 m: 24.4 < 30.
      {"date line", {standAt(0.0, 179.9999, 15), standAt(0.0, -179.9999, 15)}, {{2}, {1}}},
      {"pole", {standAt(90.0, 0.0, 15), standAt(90.0 - 20 * north, 120.0, 15)}, {{2}, {1}}},
      // A 600 m stand reaches a 15 m one 500 m away (550 < 615), not one 600 m away.
      {"large stand",
       {standAt(52.0, 4.0, 15), standAt(52.0 + 500 * north, 4.0, 600), standAt(52.0 + 1100 * north, 4.0, 15),
        standAt(52.0 + 20 * north, 4.0, 15)},
       {{2, 4}, {1, 4}, {}, {1, 2}}},
      {"no radius", {standAt(52.0, 4.0, 0), standAt(52.0, 4.0, 0)}, {{}, {}}},
  };
  for (const auto& c : cases) {
    StandTable table = c.stands;
    gf_numberStandsAndFindOverlaps(table);
    for (std::size_t i = 0; i < table.size(); ++i) EXPECT_EQ(table[i].overlaps, c.overlaps[i]) << c.where << " " << i;
  }
}

TEST(StandOverlaps, ManyStandsOnOneSpotKeepABoundedList) {
  testsupport::LogCapture log;
  StandTable table(500, standAt(52.0, 4.0, 20));
  table.push_back(standAt(53.0, 4.0, 20));  // far away, alone
  gf_numberStandsAndFindOverlaps(table);
  for (std::size_t i = 0; i < 500; ++i) ASSERT_EQ(table[i].overlaps.size(), 64U) << i;
  EXPECT_TRUE(table.back().overlaps.empty());
  EXPECT_EQ(log.lines(),
            std::vector<std::string>{"==> 500 stands lie among more than 64 others; only part of their overlaps is kept"});
}

} // namespace
} // namespace gwr
