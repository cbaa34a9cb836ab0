// The aircraft description: per-category values with their random variation,
// the text forms of the identity, callsign rules.
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
    gf_airlineIndex("");
    klm = gf_airlineIndex("KLM");
    mph = gf_airlineIndex("MPH");
    gf_modelIndex("");
    b738 = gf_modelIndex("B738");
    b744 = gf_modelIndex("B744");
    categoryModels[gf_categorySlot(AcCategory::Heavy)].insert(b744);
    halfSpans[b744] = 0.0174;
  }
  void TearDown() override { gf_clearDbaseForTests(); }

  std::uint16_t klm = 0, mph = 0, b738 = 0, b744 = 0;
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

TEST_F(AircraftDescriptionTest, TextForms) {
  AcIdentity a;
  a.key = {klm, 0, b738, 0, 0};
  EXPECT_EQ(a.keyText(), "KLM     B738    ");
  a.key.airlineOperator = mph;
  EXPECT_EQ(a.keyText(), "KLM,MPH B738    ");
  a.key = {klm, 0, b738, 1, 1};
  EXPECT_EQ(a.keyText(), "KLM     B738.(C)");
  a.key = {9999, 0, 9999, 0, 0};  // indexes outside the pools print blank
  EXPECT_EQ(a.keyText() + "|" + a.routeText(), std::string(16, ' ') + "|        ");
  a.origin = FixedCode<3>("AMS");
  EXPECT_EQ(a.routeText(), "AMS->   ");
  a.destination = FixedCode<3>("JFK");
  a.callsign = "KLM641";
  a.registration = "PH-BFA";
  a.key = {klm, 0, b738, 0, 1};
  EXPECT_EQ(a.fullText(), "KLM641   PH-BFA       AMS->JFK KLM     B738.   ");
  EXPECT_EQ(a.keyRegText(), "KLM     B738.    PH-BFA");
}

TEST_F(AircraftDescriptionTest, CallsignRules) {
  const std::vector<std::tuple<std::string, bool, std::optional<std::string>>> cases{
      {"", false, std::nullopt},  {"@@@@@@@@", false, std::nullopt}, {"KLM12345X", false, "KLM"},
      {"KLM12345", true, "KLM"},  {"klm1234", true, "KLM"},           {"KL1234", true, std::nullopt},
      {"KLM", true, std::nullopt}, {"KLMA123", true, std::nullopt},   {"\xc3\xa9LM1", true, std::nullopt}};
  for (const auto& [callsign, valid, airline] : cases) {
    AcIdentity identity;
    identity.callsign = callsign;
    EXPECT_EQ(identity.hasValidCallsign(), valid) << callsign;
    EXPECT_EQ(gf_callsignAirline(callsign), airline) << callsign;
  }
}

} // namespace
} // namespace gwr
