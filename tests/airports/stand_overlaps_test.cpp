// Stand overlaps through the grid: 1.1 x distance < r1 + r2 anywhere, and many stands on one spot.
#include "airports/stand_overlaps.h"

#include <gtest/gtest.h>

#include "airports/park_stand_table.h"
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

TEST(StandOverlaps, ManyStandsOnOneSpotKeepABoundedList) {
  testsupport::LogCapture log;
  StandTable table(500, at(52, 4, 20));
  gf_numberStandsAndFindOverlaps(table);
  for (std::size_t i = 0; i < table.size(); ++i) ASSERT_EQ(table[i].overlaps.size(), 64U) << i;
  EXPECT_EQ(log.lines(), std::vector<std::string>{"==> 500 stands lie among more than 64 others; only part of their overlaps is kept"});
}

} // namespace
} // namespace gwr
