// Random choice with the setting RANDOM off and on, and the random variation,
// which ignores that setting.
#include "core/random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <set>

#include "core/settings_catalogue.h"

namespace gwr {
namespace {

constexpr int drawCount = 2000;

struct RandomSetting {
  explicit RandomSetting(bool on) { RANDOM.setCurrent(on); }
  ~RandomSetting() { RANDOM.setCurrent(RANDOM.defaultValue()); }
};

TEST(RandomChoice, OffGivesTheFirstCandidateAndKeepsTheOrder) {
  RandomSetting off(false);
  std::vector<std::uint16_t> models(10);
  std::iota(models.begin(), models.end(), std::uint16_t{1});
  const auto original = models;
  for (int i = 0; i < 100; ++i) {
    EXPECT_EQ(gf_randomIndex(7), 0U);
    gf_shuffle(models);
  }
  EXPECT_EQ(models, original);
}

TEST(RandomChoice, OnDrawsEveryIndexAndPermutes) {
  RandomSetting on(true);
  EXPECT_EQ(gf_randomIndex(0), 0U);
  EXPECT_EQ(gf_randomIndex(1), 0U);
  std::set<std::size_t> seen;
  for (int i = 0; i < drawCount; ++i) {
    const std::size_t index = gf_randomIndex(5);
    ASSERT_LT(index, 5U);
    seen.insert(index);
  }
  EXPECT_EQ(seen.size(), 5U);

  std::vector<std::uint16_t> models(20);
  std::iota(models.begin(), models.end(), std::uint16_t{0});
  auto shuffled = models;
  bool moved = false;
  for (int i = 0; i < 10 && !moved; ++i) {
    gf_shuffle(shuffled);
    moved = shuffled != models;
  }
  EXPECT_TRUE(moved);
  std::sort(shuffled.begin(), shuffled.end());
  EXPECT_EQ(shuffled, models);
}

TEST(RandomChoice, VariationGoesEitherWayEvenWithRandomOff) {
  RandomSetting off(false);
  std::set<double> results;
  for (int i = 0; i < drawCount; ++i) results.insert(gf_randomVariation(100.0, 5.0));
  EXPECT_EQ(results, (std::set<double>{95.0, 105.0}));
  EXPECT_EQ(gf_randomVariation(100.0, 0.0), 100.0);
  EXPECT_EQ(gf_randomVariation(100.0, -3.0), 100.0);
}

} // namespace
} // namespace gwr
