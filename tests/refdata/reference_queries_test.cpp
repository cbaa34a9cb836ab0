// Reference queries on a small database: category order, wingspans inside
// and beyond the table, publishers and their airports.
#include "refdata/reference_queries.h"

#include <gtest/gtest.h>

#include "refdata/code_pools.h"
#include "refdata/dbase_reader.h"
#include "refdata/dbase_tables.h"
#include "support/dbase_fixture.h"
#include "support/encrypted_fixture.h"
#include "support/log_capture.h"

namespace gwr {
namespace {

class ReferenceQueriesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gf_clearDbaseForTests();
    const auto file = log.folder() / "dbase.xml";
    testsupport::writeBytes(file, testsupport::dbaseXml({}, testsupport::optionalDbaseSections));
    ASSERT_TRUE(gf_readDbaseXml(file));
  }
  void TearDown() override { gf_clearDbaseForTests(); }

  testsupport::LogCapture log;
};

TEST_F(ReferenceQueriesTest, CategoriesAndKnownCodes) {
  const std::pair<const char*, AcCategory> cases[]{
      {"B744", AcCategory::Large},  // listed in large and heavy: the first in that order
      {"A388", AcCategory::Heavy}, {"BE20", AcCategory::Buzjets}, {"F16", AcCategory::HighPerf},
      {"H160", AcCategory::Rotorcraft}, {"", AcCategory::Light}, {"NEW1", AcCategory::Light}};  // unknown: appended
  for (const auto& [code, category] : cases) EXPECT_EQ(gf_modelCategoryOfCode(code), category) << code;
  EXPECT_TRUE(modelPool.find("NEW1").has_value());
  EXPECT_FALSE(gf_isIcaoModel("NEW1"));
  EXPECT_FALSE(gf_isIcaoAirline("BOX"));  // a cargo operator only
}

TEST_F(ReferenceQueriesTest, HalfWingspanBeyondTheTableFitsTheCategory) {
  EXPECT_EQ(gf_halfWingspan(gf_modelIndex("A320")), 0.0);  // no wingspan entry
  EXPECT_EQ(gf_halfWingspan(2700), defaultHalfSpanLightNm);
  categoryModels[gf_categorySlot(AcCategory::Heavy)].insert(3000);
  EXPECT_EQ(gf_halfWingspan(3000), defaultHalfSpanHeavyNm);
}

TEST_F(ReferenceQueriesTest, PublishersAndTheirAirports) {
  EXPECT_EQ(gf_publisherOfPath("Community/ORBX-airport-lowi"), "Orbx");
  EXPECT_EQ(gf_publisherOfPath("as-airport-eddf"), "Aerosoft");  // any name of the group, any case
  EXPECT_FALSE(gf_publisherOfPath("").has_value());
  // The empty name of "Orbx," was dropped, so it does not match everything.
  EXPECT_FALSE(gf_publisherOfPath("fs-generic").has_value());

  EXPECT_TRUE(gf_isThirdPartyAirport(true, "Orbx", "EHAM"));   // second entry of the publisher
  EXPECT_FALSE(gf_isThirdPartyAirport(true, "Orbx", "EDDF"));  // another publisher's
  EXPECT_FALSE(gf_isThirdPartyAirport(false, "Orbx", "LOWI")); // the other edition
}

} // namespace
} // namespace gwr

namespace gwr {
namespace {

TEST(PathText, ContainsIgnoringTheCaseOfAsciiLetters) {
  const struct { const char* path; const char* text; bool contained; } cases[] = {
      {"Community/FlyTampa-Amsterdam/scenery", "flytampa", true},
      {"Community/flytampa-x", "FLYTAMPA", true},
      {"Community/orbx-eggw", "", true},
      {"Community/orbx", "orbxx", false},
      {"Community/\xC3\x84rlanda", "\xC3\xA4rlanda", false},  // only ASCII letters fold
      {"Community/\xC3\x84rlanda", "\xC3\x84RLANDA", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(gf_pathContainsNoCase(std::filesystem::path(c.path), c.text), c.contained) << c.path << " / " << c.text;
  }
}

} // namespace
} // namespace gwr
