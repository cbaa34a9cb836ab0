// The aircraft description: per-category values with their random variation,
// and the callsign rules.
#include "refdata/aircraft_description.h"

#include <gtest/gtest.h>

#include "refdata/code_pools.h"
#include "refdata/dbase_tables.h"

namespace gwr {
namespace {

class AircraftDescriptionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gf_clearDbaseForTests();
    gf_modelIndex("");
    b738 = gf_modelIndex("B738");
    b744 = gf_modelIndex("B744");
    categoryModels[gf_categorySlot(AcCategory::Heavy)].insert(b744);
    halfSpans[b744] = 0.0174;
  }
  void TearDown() override { gf_clearDbaseForTests(); }

  std::uint16_t b738 = 0, b744 = 0;
};

TEST_F(AircraftDescriptionTest, HeavyTypeTakesTheHeavyValues) {
  AcIdentity identity;
  identity.key.model = b744;
  for (int i = 0; i < 20; ++i) {
    const AcDescription d(identity);
    EXPECT_EQ(d.category, AcCategory::Heavy);
    EXPECT_EQ(d.halfWingspan, 0.0174);
    EXPECT_EQ(d.flareSteps, 450);
    EXPECT_DOUBLE_EQ(d.pitchStep, 0.05 * radiansPerDegree);
    // The variation only flips a sign: one of the two ends, exactly.
    const double rotation = d.rotationPitch / radiansPerDegree, climb = d.climbPitch / radiansPerDegree;
    EXPECT_TRUE(std::abs(rotation + 5.125) < 1e-9 || std::abs(rotation + 4.875) < 1e-9) << rotation;
    EXPECT_TRUE(std::abs(climb + 13.125) < 1e-9 || std::abs(climb + 11.875) < 1e-9) << climb;
  }
  identity.key.model = b738;  // no category entry
  EXPECT_EQ(AcDescription(identity).category, AcCategory::Light);
}

TEST_F(AircraftDescriptionTest, CallsignRules) {
  const std::vector<std::tuple<std::string, bool, std::optional<std::string>>> cases{
      {"", false, std::nullopt},  {"KLM12345X", false, "KLM"},  {"KLM12345", true, "KLM"}, {"klm1234", true, "KLM"},
      {"KL1234", true, std::nullopt}, {"KLMA123", true, std::nullopt}};
  for (const auto& [callsign, valid, airline] : cases) {
    AcIdentity identity;
    identity.callsign = callsign;
    EXPECT_EQ(identity.hasValidCallsign(), valid) << callsign;
    EXPECT_EQ(gf_callsignAirline(callsign), airline) << callsign;
  }
}

} // namespace
} // namespace gwr
