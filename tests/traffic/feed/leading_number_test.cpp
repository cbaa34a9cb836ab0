// Tests of leading numbers: the number at the start of a field is taken and
// the rest ignored; NaN, infinities and out-of-range values are refused.
#include "traffic/feed/leading_number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

namespace gwr {
namespace {

TEST(LeadingNumber, FormsAndRefusals) {
  const struct { const char* text; std::optional<double> value; } cases[] = {
      {"50.0333", 50.0333},   {"-8.5706", -8.5706},  {"12ab", 12.0},       {"5.", 5.0},
      {".5", 0.5},            {"1e3", 1000.0},       {"1.5e", 1.5},        {"0x10", 0.0},
      {"1234567890.12345", 1234567890.12345},        {"00000000000000000001.25", 1.25},
      {"", std::nullopt},     {"-", std::nullopt},   {"+1", std::nullopt}, {" 1", std::nullopt},
      {"nan", std::nullopt},  {"-inf", std::nullopt}, {"infinity", std::nullopt},
      {"1e999", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(gf_leadingNumber(c.text), c.value) << c.text;
  const auto negativeZero = gf_leadingNumber("-0");
  ASSERT_TRUE(negativeZero);
  EXPECT_TRUE(std::signbit(*negativeZero));
}

} // namespace
} // namespace gwr
