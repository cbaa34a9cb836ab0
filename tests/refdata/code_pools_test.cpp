// The code pools at their limit of 65,536 codes; the registration forms and
// look-ups.
#include "refdata/code_pools.h"

#include <gtest/gtest.h>

#include "refdata/dbase_tables.h"
#include "refdata/registration_records.h"
#include "support/log_capture.h"

namespace gwr {
namespace {

class CodePoolsTest : public ::testing::Test {
 protected:
  void SetUp() override { gf_clearDbaseForTests(); }
  void TearDown() override { gf_clearDbaseForTests(); }
};

TEST_F(CodePoolsTest, AFullPoolGivesTheEmptyCodeAndSaysSoOnce) {
  testsupport::LogCapture log;
  for (std::size_t i = 0; i < CodePool::maxCodes; ++i) gf_airlineIndex(std::to_string(i));
  EXPECT_EQ(airlinePool.size(), CodePool::maxCodes);
  EXPECT_EQ(gf_airlineCode(65535), "65535");
  EXPECT_EQ(gf_airlineIndex("65535"), 65535);  // known codes still answer

  log.mark();
  EXPECT_EQ(gf_airlineIndex("NEW"), 0);
  EXPECT_EQ(gf_airlineIndex("NEWER"), 0);
  EXPECT_EQ(airlinePool.size(), CodePool::maxCodes);
  const std::vector<std::string> expected{
      "==> airline code pool is full (65536 codes): 'NEW' and later new codes read as empty"};
  EXPECT_EQ(log.lines(), expected);
}

TEST_F(CodePoolsTest, RegistrationFormsAndLookUps) {
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases{
      {"DAIPX", {"DA-IPX", "D-AIPX", "DAIPX"}}, {"N123AB", {"N123AB"}}, {"G-ABCD", {"G-ABCD"}}, {"ABCD", {"ABCD"}}};
  for (const auto& [registration, forms] : cases) EXPECT_EQ(gf_registrationVariants(registration), forms);

  dbaseRecords = {{"PH-BXA", {1, 0, 2, 0, 1}}, {"D-AIPX", {3, 0, 4, 0, 1}}, {"DA-IPX", {5, 0, 6, 0, 1}},
                  {"N12", {7, 0, 8, 0, 1}},    {"D-AIPX", {9, 0, 9, 0, 1}}};
  gf_uniqueDbaseRecords();
  ASSERT_EQ(dbaseRecords.size(), 4U);
  EXPECT_EQ(gf_lookupRegistration("DAIPX")->airline, 5);  // DA-IPX is tried first
  dbaseRecords.erase(dbaseRecords.begin() + 1);            // drop DA-IPX
  EXPECT_EQ(gf_lookupRegistration("DAIPX")->airline, 3);
  EXPECT_FALSE(gf_lookupRegistration("").has_value());
  EXPECT_EQ(gf_lookupRegistration("PHBXA")->airline, 1);
  EXPECT_FALSE(gf_lookupRegistration("N12A").has_value());

  EXPECT_EQ(gf_registrationInText("AI livery N12 of PH-BXA"), "N12");
  EXPECT_FALSE(gf_registrationInText("AI livery N123").has_value());  // only whole registrations
  EXPECT_FALSE(gf_registrationInText("PH-BXA only").has_value());  // six characters: too long
}

} // namespace
} // namespace gwr
