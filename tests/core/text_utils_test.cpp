// Tests of the small text helpers: trimming, comma lists, plural, banners
// and percentages.
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include <gsl/narrow>
#include <gtest/gtest.h>

#include "core/text_utils.h"

namespace gwr {
namespace {

using Pieces = std::vector<std::string>;

TEST(TextUtils, TrimCommaListsPluralAndBanner) {
  EXPECT_EQ(gf_trim(" \t a b \r\n"), "a b");
  EXPECT_EQ(gf_splitCommaSorted("Z,a,,B, a"), (Pieces{"", "B", "Z", "a"}));
  EXPECT_EQ(gf_splitTrimmed(" T ;; D-ABCD ;", ';'), (Pieces{"T", "", "D-ABCD", ""}));
  EXPECT_EQ(gf_splitTrimmed("", ';'), Pieces{});
  EXPECT_EQ(gf_splitTrimmed("a,b", ';'), Pieces{"a,b"});
  std::string list = "A B , C, ";
  gf_normalizeList(list);
  EXPECT_EQ(list, "A B,C,");
  EXPECT_TRUE(gf_equalsUpper(".XML", ".xMl"));
  EXPECT_FALSE(gf_equalsUpper(".xml", ".xml"));  // a is taken as it is
  EXPECT_EQ(gf_plural(std::int64_t{1}) + gf_plural(std::int64_t{-1}) + gf_plural(std::int32_t{0}), "s");
  EXPECT_EQ(gf_bannerLine(70, 0, true, false, "parameters"),
            "\n" + std::string(34, '*') + " parameters " + std::string(34, '*'));
  EXPECT_EQ(gf_bannerLine(79, 0, false, true, ""), std::string(80, '*') + "\n");  // odd widths round up
  EXPECT_EQ(gf_bannerLine(-5, 0, true, true, "T"), "\nT\n");  // widths below 1: no asterisks
}

TEST(TextUtils, PercentageRoundsHalfAwayFromZeroAndThrowsBeyond32Bits) {
  const struct {
    std::int64_t part, whole;
    std::int32_t expected;
  } cases[] = {{2, 3, 67}, {1, 0, 0}, {1, 8, 13}, {5, -2, 0}, {-1, 8, -13}, {1, 201, 0}, {21474836, 1, 2147483600}};
  for (const auto& c : cases) EXPECT_EQ(gf_percentage(c.part, c.whole), c.expected) << c.part << '/' << c.whole;
  EXPECT_THROW(gf_percentage(21474837, 1), gsl::narrowing_error);
  EXPECT_THROW(gf_percentage(std::numeric_limits<std::int64_t>::min(), 1), gsl::narrowing_error);
}

} // namespace
} // namespace gwr
