// Tests of the small text helpers: trimming, comma lists, plural, banners,
// object ids, percentages and socket error texts.
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include <gsl/narrow>
#include <gtest/gtest.h>

#include "core/run_state.h"
#include "core/text_utils.h"

namespace gwr {
namespace {

using Pieces = std::vector<std::string>;

TEST(TextUtils, TrimAndCommaLists) {
  EXPECT_EQ(gf_trim(" \t a b \r\n"), "a b");
  EXPECT_EQ(gf_trim("   "), "");
  EXPECT_EQ(gf_trim("\va\f"), "\va\f");  // only blank, tab, CR and LF count

  EXPECT_EQ(gf_splitComma("X, Y,,Z ,"), (Pieces{"X", "Y", "", "Z", ""}));
  EXPECT_EQ(gf_splitComma(""), Pieces{});
  EXPECT_EQ(gf_splitComma("  "), Pieces{""});
  EXPECT_EQ(gf_splitCommaSorted("b, a, b"), (Pieces{"a", "b"}));
  EXPECT_EQ(gf_splitCommaSorted("Z,a,,B, a"), (Pieces{"", "B", "Z", "a"}));

  for (const auto& [text, expected] : std::vector<std::pair<std::string, std::string>>{
           {"GATE, RAMP", "GATE,RAMP"}, {"GATE,RAMP", "GATE,RAMP"}, {" , ", ","}, {" ", ""}, {"A B , C", "A B,C"}}) {
    std::string list = text;
    gf_normalizeList(list);
    EXPECT_EQ(list, expected) << '[' << text << ']';
  }
}

TEST(TextUtils, ContainsAndUpperCase) {
  EXPECT_TRUE(gf_contains("", ""));
  EXPECT_FALSE(gf_contains("title=Boeing", "boeing"));
  EXPECT_TRUE(gf_equalsUpper(".XML", ".xMl"));
  EXPECT_FALSE(gf_equalsUpper(".xml", ".xml"));  // a is taken as it is
  EXPECT_EQ(lf_toUpperChar('\xe4'), '\xe4');      // bytes beyond ASCII stay
}

TEST(TextUtils, PluralSuffix) {
  EXPECT_EQ(gf_plural(std::int64_t{1}) + gf_plural(std::int64_t{-1}) + gf_plural(std::int32_t{1}), "");
  EXPECT_EQ(gf_plural(std::int32_t{-5}) + gf_plural(std::uint64_t{1}), "");
  EXPECT_EQ(gf_plural(std::int64_t{0}), "s");
  EXPECT_EQ(gf_plural(std::int32_t{2}), "s");
  EXPECT_EQ(gf_plural(std::numeric_limits<std::uint64_t>::max()), "s");
}

TEST(TextUtils, BannerLine) {
  EXPECT_EQ(gf_bannerLine(70, 0, true, false, "parameters"),
            "\n" + std::string(34, '*') + " parameters " + std::string(34, '*'));
  EXPECT_EQ(gf_bannerLine(80, 0, false, true, ""), std::string(80, '*') + "\n");
  EXPECT_EQ(gf_bannerLine(79, 0, false, false, ""), std::string(80, '*'));  // odd widths round up
  EXPECT_EQ(gf_bannerLine(40, 0, true, false, std::string(60, 't')), "\n" + std::string(60, 't'));
  EXPECT_EQ(gf_bannerLine(7, 5, false, false, "abcdefghij"), "abcdefghij");  // w = title + 2: bare
  EXPECT_EQ(gf_bannerLine(13, 0, false, false, "abcdefghij"), "****** abcdefghij ******");
  EXPECT_EQ(gf_bannerLine(0, 0, true, true, ""), "\n\n");  // widths below 1: no asterisks
  EXPECT_EQ(gf_bannerLine(-5, 0, false, true, "T"), "T\n");
}

TEST(TextUtils, ObjectIdFollowsTheSimulatorEdition) {
  const bool saved = SimEdition;
  SimEdition = true;
  EXPECT_EQ(gf_objectIdText(255), "255");
  SimEdition = false;
  EXPECT_EQ(gf_objectIdText(255), "ff");
  EXPECT_EQ(gf_objectIdText(0xffffffffu), "ffffffff");
  SimEdition = saved;
}

TEST(TextUtils, PercentageRoundsHalfAwayFromZeroAndThrowsBeyond32Bits) {
  struct Case {
    std::int64_t part, whole;
    std::int32_t expected;
  };
  for (const auto& c : std::vector<Case>{{1, 3, 33}, {2, 3, 67}, {1, 0, 0}, {1, 8, 13}, {5, -2, 0}, {-1, 8, -13},
                                         {1, 200, 1}, {1, 201, 0}, {21474836, 1, 2147483600}}) {
    EXPECT_EQ(gf_percentage(c.part, c.whole), c.expected) << c.part << '/' << c.whole;
  }
  EXPECT_THROW(gf_percentage(21474837, 1), gsl::narrowing_error);
  EXPECT_THROW(gf_percentage(std::numeric_limits<std::int64_t>::min(), 1), gsl::narrowing_error);
}

TEST(TextUtils, WinsockErrorTexts) {
  EXPECT_EQ(gf_winsockErrorText(10061), "10061 Connection refused");
  EXPECT_EQ(gf_winsockErrorText(10058), "10058 Can't send numLines socket shutdown");
  EXPECT_EQ(gf_winsockErrorText(11004), "11004 No host data of that type was found");
  EXPECT_EQ(gf_winsockErrorText(11002), "11002 Unknown errror code");
  EXPECT_EQ(gf_winsockErrorText(-1), "-1 Unknown errror code");
}

} // namespace
} // namespace gwr
