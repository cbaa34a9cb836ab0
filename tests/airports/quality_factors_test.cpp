// Quality factors from stand tables of real stand sizes, and their text.
#include "airports/quality_factors.h"

#include <gtest/gtest.h>

#include "stand_fixture.h"

namespace gwr {
namespace {

using testsupport::makeOption;

struct StandSpec {
  double radiusMetres;
  std::int16_t type;
  bool heli;
  std::vector<StandOption> options;
};

StandTable tableOf(const std::vector<StandSpec>& specs) {
  StandTable table;
  for (const StandSpec& spec : specs)
    table.emplace_back("S", spec.options, 52.0, 4.0, 0.0, spec.radiusMetres, spec.type, false, false, spec.heli);
  return table;
}

StandOption real(std::uint32_t day, std::initializer_list<int> hours, std::uint32_t index = 1) {
  return makeOption("PH-A", {}, day, hours, index);
}
StandOption soft(std::uint32_t day, std::initializer_list<int> hours) {
  StandOption option = makeOption("PH-B", {}, day, hours, 1);
  option.real = 0;
  return option;
}

std::vector<StandOption> busyStand() {
  std::vector<StandOption> options;
  for (std::uint32_t i = 0; i < 200; ++i) options.push_back(real(1 + i % 7, {1, 2, 3}, i + 1));
  return options;
}

TEST(QualityFactorsTest, FactorsFromStandTables) {
  struct Row {
    const char* name;
    std::vector<StandSpec> stands;
    QualityFactors expected;
  };
  const Row rows[] = {
      {"empty table", {}, {-1, -1}},
      {"no options", {{20, 5, false, {}}, {30, 6, false, {}}}, {-1, -1}},
      {"helipads only", {{20, 11, true, {real(1, {5})}}}, {0, 0}},
      {"only a dropped option", {{20, 5, false, {real(1, {5}, 0)}}}, {0, 0}},
      // 20 + 10000 + 100 + 2 = 10122 x 0.00625 = 63.26
      {"one real flight", {{20, 5, false, {real(1, {5})}}}, {63, 0}},
      {"one of two stands", {{20, 5, false, {real(1, {5})}}, {35, 5, false, {}}}, {32, 0}},
      {"type 12 not counted", {{20, 12, false, {real(2, {1})}}, {20, 5, false, {real(1, {5})}}}, {63, 0}},
      // Weights by the radius in nm: up to 7 0.3 (every real stand), up to 10 1.5, beyond 1.0.
      {"real sizes weigh alike", {{5, 1, false, {real(1, {5})}}, {40, 5, false, {}}}, {32, 0}},
      {"boundaries 7 and 10 nm", {{7 * 1852, 1, false, {real(1, {5})}}, {10 * 1852, 1, false, {}}}, {11, 0}},
      {"7 nm and beyond 10 nm", {{7 * 1852, 1, false, {real(1, {5})}}, {10.1 * 1852, 1, false, {}}}, {15, 0}},
      // soft: 2 options, 2 days, 3 half-hours: 40 + 10000 + 200 + 6 = 10246
      {"real and soft", {{20, 5, false, {real(1, {5}), soft(2, {1, 2}), soft(3, {4})}}}, {63, 64}},
      {"day out of range", {{20, 5, false, {soft(9, {1})}}}, {0, 63}},
      // 4000 + 10000 + 700 + 1200 = 15900
      {"busiest stand", {{20, 5, false, busyStand()}}, {99, 0}},
  };
  for (const Row& row : rows)
    EXPECT_EQ(QualityFactors::fromPacked(gf_computeQualityFactors(tableOf(row.stands))), row.expected) << row.name;
}

TEST(QualityFactorsTest, TextShowsSoftOnlyWhileRealIsLow) {
  const std::pair<QualityFactors, const char*> rows[] = {
      {{-1, -1}, "  "}, {{45, 7}, "45"}, {{44, 7}, "44/ 7"}, {{5, -1}, " 5/-1"}, {{100, 0}, "100"}, {{0, 0}, " 0/ 0"}};
  for (const auto& [factors, text] : rows) EXPECT_EQ(gf_qualityFactorText(factors), text);
}

} // namespace
} // namespace gwr
