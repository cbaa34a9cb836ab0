// The production switch: spellings, letter case and which switch wins, as
// parsed before the process entry runs its start-up steps.
#include "app/run/command_line.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

namespace gwr {
namespace {

struct SwitchCase {
  std::vector<std::string_view> arguments;
  bool production;
};

class ProductionSwitch : public testing::TestWithParam<SwitchCase> {};

TEST_P(ProductionSwitch, LastSwitchWins) {
  EXPECT_EQ(gf_parseProductionSwitch(GetParam().arguments), GetParam().production);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, ProductionSwitch,
    testing::Values(SwitchCase{{}, false},
                    SwitchCase{{"--production"}, true},
                    SwitchCase{{"/PRODUCTION"}, true},
                    SwitchCase{{"--production", "/no-production"}, false},
                    SwitchCase{{"/no-production", "--production"}, true},
                    SwitchCase{{"--productionx", "-production", "production"}, false}));

} // namespace
} // namespace gwr
