// Refused titles with their limit of 20, remembered liveries, the no-match
// list and the matching summary in Log.txt.
#include "liveries/refused_liveries.h"

#include <algorithm>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "core/user_error.h"
#include "support/livery_world.h"

namespace gwr {
namespace {

class RefusedLiveriesTest : public ::testing::Test {
 protected:
  void SetUp() override { world.load({"B738", "B744", "B738", "BE20", "F16", "H160", "KLM", "", ""}, {}); }

  static void refuse(const std::string& title) {
    AcIdentity identity;
    identity.key.airline = gf_airlineIndex("KLM");
    identity.key.model = gf_modelIndex("B738");
    identity.callsign = "KLM123";
    AcDescription aircraft(identity);
    aircraft.livery = title;  // a temporary text: the set must keep its own
    gf_registerUncreatableLivery(aircraft);
  }

  testsupport::LiveryWorld world;
};

TEST_F(RefusedLiveriesTest, TwentiethDistinctTitleEndsTheRun) {
  for (int i = 0; i < 19; ++i) {
    refuse(fmt::format("Title {}", i));
    refuse("Title 0");  // a repeat does not count
  }
  EXPECT_EQ(UncreatableLiveries.size(), 19U);
  EXPECT_EQ(UncreatableTypes, std::unordered_set<std::string>{"B738 KLM"});
  world.log().mark();
  try {
    refuse("Title 19");
    FAIL() << "no user error";
  } catch (const UserErrorException& error) {
    EXPECT_STREQ(error.what(), "81: There are too many liveries that could not be created!, see Log.txt");
  }
  EXPECT_TRUE(gf_isUncreatable("Title 19"));
  EXPECT_EQ(world.log().lines(),
            (std::vector<std::string>{"KLM123 'Title 19' could not be created by your Sim!", "",
                                      "===> Error 81, There are too many liveries that could not be created!", ""}));
}

TEST_F(RefusedLiveriesTest, RememberedTitleIsForgottenOnceRefused) {
  gf_rememberLivery(20001, "KLM B738");
  EXPECT_EQ(gf_getRememberedLivery(20001), std::optional<std::string_view>("KLM B738"));
  EXPECT_FALSE(gf_getRememberedLivery(20002).has_value());
  refuse("KLM B738");
  EXPECT_FALSE(gf_getRememberedLivery(20001).has_value());
  EXPECT_FALSE(RememberedLiveries.contains(20001));
}

TEST_F(RefusedLiveriesTest, NoMatchListIsLoggedAndKept) {
  gf_logNoMatchList();
  EXPECT_TRUE(world.log().lines().empty());
  NoMatchList.insert("KLM     B738     PH-ABC");
  gf_logNoMatchList();
  EXPECT_EQ(world.log().lines(), (std::vector<std::string>{"", "No match found for:", "KLM     B738     PH-ABC", ""}));
  EXPECT_EQ(NoMatchList.size(), 1U);
  gf_clearNoMatchList();
  EXPECT_TRUE(NoMatchList.empty());
}

TEST_F(RefusedLiveriesTest, SummaryOnlyOnceAnAircraftMatched) {
  refuse("Refused");
  world.log().mark();
  gf_writeMatchingSummary();
  EXPECT_TRUE(world.log().lines().empty());

  MatchStepCounts[2] = 3;
  gf_writeMatchingSummary();
  const auto lines = world.log().lines();
  const std::string stars(31, '*');
  EXPECT_EQ(lines, (std::vector<std::string>{"", stars + " live traffic livery matching summary " + stars,
                                             "Matches at step: ", "  0: 0", "  1: 0", "  2: 3", "  3: 0", "  4: 0",
                                             "  5: 0", "  6: 0", "", "Could not be created", "  B738 KLM",
                                             std::string(100, '*'), ""}));
}

} // namespace
} // namespace gwr
