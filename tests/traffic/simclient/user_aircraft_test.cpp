// The user aircraft's title and model as the simulator reports them: the cut
// title, the model clean-up rules and the wingspan fall-backs.
#include <gtest/gtest.h>

#include "core/main_window_state.h"

#include "refdata/code_pools.h"
#include "refdata/dbase_tables.h"
#include "support/sim_client_world.h"

namespace gwr {
namespace {

constexpr double a320HalfSpanNm = 0.0096;
constexpr double b738HalfSpanNm = 0.0097;
constexpr double largestHalfSpanNm = 0.0433;

class UserAircraftTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(client.connect());
    halfSpans.fill(0.0);
    halfSpans[gf_modelIndex("A320")] = a320HalfSpanNm;
    halfSpans[gf_modelIndex("A321")] = a320HalfSpanNm;
    halfSpans[gf_modelIndex("B738")] = b738HalfSpanNm;
    maxHalfSpan = largestHalfSpanNm;
    gf_mainWindow().secondSimulatorLineInColour.store(false);
  }
  void TearDown() override { halfSpans.fill(0.0); }
  UserAircraftKind reported(const std::string& title, const std::string& model) {
    client.emulator().setUserTitleModel(title, model);
    gf_requestUserTitleModel();
    client.pump();
    return gf_userAircraftKind();
  }
  testsupport::SyncSimClient client;
};

TEST_F(UserAircraftTest, ALongTitleIsShownAndLoggedAsItsFirst48Characters) {
  const std::string title(60, 'T');
  reported(title, "A320");
  EXPECT_EQ(gf_mainWindow().text(StatusText::simulatorSecond), title.substr(0, 48));
  EXPECT_TRUE(client.logged(std::string(10, ' ') + "SimConnect: User aircraft title: " + title.substr(0, 48)));
  client.log().mark();
  reported("", "A320");
  EXPECT_TRUE(client.logged("! Title of your aircraft is empty?"));
}

// The title is cut at its 48th character, never inside one: a title in other
// letters than ASCII is shown and logged whole up to there.
TEST_F(UserAircraftTest, ATitleIsCutAtItsFortyEighthCharacterNotByte) {
  const auto repeated = [](std::string_view piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += piece;
    return out;
  };
  const struct { std::string title, shown; } cases[] = {
      {repeated("T", 47) + "\u00e9" + "xyz", repeated("T", 47) + "\u00e9"},     // the 48th takes two bytes
      {repeated("\u00fc", 50), repeated("\u00fc", 48)},                        // 100 bytes: 48 letters
      {repeated("\u20ac", 48), repeated("\u20ac", 48)},                        // three bytes each, all kept
      {"Airbus A320 \u2013 Lufthansa", "Airbus A320 \u2013 Lufthansa"},  // short: kept whole
  };
  for (const auto& c : cases) {
    client.log().mark();
    reported(c.title, "A320");
    EXPECT_EQ(gf_mainWindow().text(StatusText::simulatorSecond), c.shown) << c.title;
    EXPECT_TRUE(client.logged(std::string(10, ' ') + "SimConnect: User aircraft title: " + c.shown)) << c.title;
  }
}

TEST_F(UserAircraftTest, ModelRules) {
  struct Case { const char* title; const char* model; const char* expected; double halfSpan; };
  const Case cases[] = {
      {"Any", "A320", "A320", a320HalfSpanNm},
      {"Any", "$$:A320", "A320", a320HalfSpanNm},
      {"Any", "ATCCOM.AC_MODEL A320.0.text", "A320", a320HalfSpanNm},
      {"Any", "ATCCOM.AC_MODEL_B738.0.text", "B738", b738HalfSpanNm},
      {"PMDG DG 737-800 Ryanair", "737", "B738", b738HalfSpanNm},
      {"Aerosoft A321 IAE", "AEROSOFT_A321", "A321", a320HalfSpanNm},
      {"Some camerapod", "camerapod", "camerapod", 0.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.model);
    const auto kind = reported(c.title, c.model);
    EXPECT_EQ(kind.model, c.expected);
    EXPECT_DOUBLE_EQ(kind.halfWingspanNm, c.halfSpan);
    EXPECT_TRUE(gf_mainWindow().secondSimulatorLineInColour.load());
  }
}

TEST_F(UserAircraftTest, AnUnknownSpanOrNoModelTakeTheirFallBacksAndSaySo) {
  EXPECT_DOUBLE_EQ(reported("Some Glider", "LONGMODELNAME").halfWingspanNm, largestHalfSpanNm);
  EXPECT_FALSE(gf_mainWindow().secondSimulatorLineInColour.load());
  EXPECT_TRUE(client.logged("User aircraft wing span unknown, max is taken instead, please report in my Forum!"));

  constexpr double crj7HalfSpanNm = 0.0062;
  halfSpans[gf_modelIndex("CRJ7")] = crj7HalfSpanNm;
  EXPECT_DOUBLE_EQ(reported("Encrypted One", "").halfWingspanNm, crj7HalfSpanNm);
  EXPECT_EQ(gf_mainWindow().text(StatusText::simulatorSecond), "Unknown (encrypted?) aircraft");
  EXPECT_TRUE(client.logged("171: No model info from your user aircraft received in SimConnect, CRJ7 is taken instead"));
}

} // namespace
} // namespace gwr
