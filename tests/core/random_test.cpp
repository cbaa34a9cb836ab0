// Random choice with the setting RANDOM off and on, and the random variation,
// which ignores that setting.
#include "core/random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "core/settings_catalogue.h"

namespace gwr {
namespace {

constexpr int drawCount = 2000;

TEST(RandomChoice, OffKeepsTheFirstAndTheOrderOnDrawsEveryIndexAndPermutes) {
  const std::vector<std::uint16_t> models{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
  auto shuffled = models;
  RANDOM.setCurrent(false);
  std::set<double> variations;  // the variation ignores the setting
  std::set<std::size_t> seen;
  for (int i = 0; i < drawCount; ++i) {
    variations.insert(gf_randomVariation(100.0, 5.0));
    seen.insert(gf_randomIndex(7));
    gf_shuffle(shuffled);
  }
  EXPECT_EQ(variations, (std::set<double>{95.0, 105.0}));
  EXPECT_EQ(seen, std::set<std::size_t>{0});
  EXPECT_EQ(shuffled, models);

  RANDOM.setCurrent(true);
  EXPECT_EQ(gf_randomIndex(0) + gf_randomIndex(1), 0U);
  for (int i = 0; i < drawCount; ++i) seen.insert(gf_randomIndex(5));
  EXPECT_EQ(seen, (std::set<std::size_t>{0, 1, 2, 3, 4}));
  for (int i = 0; i < 10 && shuffled == models; ++i) gf_shuffle(shuffled);
  EXPECT_NE(shuffled, models);
  std::sort(shuffled.begin(), shuffled.end());
  EXPECT_EQ(shuffled, models);
  RANDOM.setCurrent(RANDOM.defaultValue());
}

} // namespace
} // namespace gwr
