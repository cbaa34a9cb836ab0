// The flat airport code set: membership through growth far past its first
// size, repeated codes, the empty code, and clearing.
#include "refdata/airport_code_set.h"

#include <string>

#include <fmt/format.h>
#include <gtest/gtest.h>

namespace gwr {
namespace {

// "A000".."Z999": distinct codes in table order.
FixedCode<4> lf_code(int n) { return FixedCode<4>(fmt::format("{}{:03}", static_cast<char>('A' + n / 1000), n % 1000)); }

TEST(AirportCodeSet, HoldsEveryCodeOnceThroughGrowth) {
  constexpr int codes = 20000;  // from an empty set, well past many doublings
  AirportCodeSet set;
  EXPECT_FALSE(set.contains(lf_code(0)));
  for (int n = 0; n < codes; n += 2) EXPECT_TRUE(set.insert(lf_code(n)));
  for (int n = 0; n < codes; n += 4) EXPECT_FALSE(set.insert(lf_code(n))) << "a repeat adds nothing";
  EXPECT_EQ(set.size(), static_cast<std::size_t>(codes / 2));
  int misses = 0;
  for (int n = 0; n < codes; ++n) misses += set.contains(lf_code(n)) == (n % 2 == 0) ? 0 : 1;
  EXPECT_EQ(misses, 0);
  EXPECT_FALSE(set.contains(FixedCode<4>("ZZZZ")));
}

TEST(AirportCodeSet, EmptyCodeAndClearing) {
  AirportCodeSet set;
  set.reserve(3);
  EXPECT_FALSE(set.contains(FixedCode<4>()));
  EXPECT_TRUE(set.insert(FixedCode<4>()));
  EXPECT_FALSE(set.insert(FixedCode<4>()));
  EXPECT_TRUE(set.insert(FixedCode<4>("EHAM")));
  EXPECT_TRUE(set.contains(FixedCode<4>()));
  EXPECT_TRUE(set.contains(FixedCode<4>("eham")));
  EXPECT_EQ(set.size(), 2U);
  set.clear();
  EXPECT_EQ(set.size(), 0U);
  EXPECT_FALSE(set.contains(FixedCode<4>()));
  EXPECT_FALSE(set.contains(FixedCode<4>("EHAM")));
  EXPECT_TRUE(set.insert(FixedCode<4>("EHAM")));
}

} // namespace
} // namespace gwr
