// Tests of the static parked aircraft: callsigns and hexids, the entries that
// must not become aircraft, the parked limit, twins, feedback, and giving way
// to live aircraft and the user aircraft.
#include <algorithm>
#include <array>
#include <string>
#include <tuple>

#include <fmt/format.h>

#include <gtest/gtest.h>

#include "core/main_window_state.h"
#include "liveries/refused_liveries.h"
#include "traffic/engine/engine_hooks.h"
#include "traffic/engine/live_removal.h"
#include "traffic/parking/stand_scene.h"
#include "traffic/parking/static_ac.h"
#include "traffic/parking/static_parking.h"
#include "traffic/parking/static_under_live.h"
#include "traffic/simclient/sim_commands.h"
#include "traffic/simclient/user_aircraft.h"

namespace gwr {
namespace {

using testsupport::northOf;
using testsupport::standAt;

class StaticParkingTest : public testsupport::StandScene {
protected:
  void SetUp() override {
    StandScene::SetUp();
    parkedEntries.clear();
    maxParkCount = 0;
  }
  void TearDown() override {
    parkedEntries.clear();
    maxParkCount = 0;
    gf_installTrafficEngineHooks({});
    gf_clearMatchBookkeepingForTests();  // a refused creation registers its livery
    StandScene::TearDown();
  }
  // Active at the stand, with the stand's position and the given half span.
  static StaticAc& addStatic(const std::string& callsign, std::int32_t standNumber, std::uint32_t hexid,
                             double halfSpanM = 0.0) {
    StaticAc s(AcIdentity{});
    s.callsign = callsign;
    s.standNumber = standNumber;
    if (const StandRecord* stand = gf_standByNumber(standNumber)) std::tie(s.standLat, s.standLon) = std::pair(stand->latitude, stand->longitude);
    s.halfWingspan = halfSpanM * nmPerMetre;
    s.sim.hexid = hexid;
    s.sim.objectId = 500 + hexid;
    s.sim.simState = AcSimState::Active;
    staticAircraft.push_back(s);
    return staticAircraft.back();
  }
  bool logged(const std::string& text) { return log().text().find(text) != std::string::npos; }
  static bool removing(std::size_t i) { return staticAircraft[i].sim.simState == AcSimState::RemovingFromSim; }
};

TEST_F(StaticParkingTest, StaticCallsignsEndInOneStar) {
  const std::pair<const char*, const char*> cases[] = {
      {"KLM1", "KLM1*"}, {"KLM1*", "KLM1*"}, {"KLM1__", "KLM1*"}, {"KLM1*_", "KLM1*"}, {"", "*"}};
  for (const auto& [given, expected] : cases) EXPECT_EQ(gf_staticCallsign(given), expected) << given;
}

TEST_F(StaticParkingTest, HexidsWrapAtTenThousand) {
  // Static hexids run 0..9999: after 9999 comes 0 again.
  std::uint32_t hexid = gf_nextStaticHexid();
  for (int i = 0; i < 10000 && hexid != 9999; ++i) {
    ASSERT_LE(hexid, 9999U);
    hexid = gf_nextStaticHexid();
  }
  ASSERT_EQ(hexid, 9999U);
  EXPECT_EQ(gf_nextStaticHexid(), 0U);

  // A hexid still held by a static aircraft after the wrap is passed over.
  StaticAc holder{AcIdentity{}};
  holder.sim.hexid = 1;
  staticAircraft.push_back(holder);
  EXPECT_EQ(gf_nextStaticHexid(), 2U);
  staticAircraft.pop_back();
}

TEST_F(StaticParkingTest, EntriesWhereAircraftStandOrCouldCollideAreDropped) {
  useStands({standAt("A1", 0.0, 30.0), standAt("A2", 40.0, 30.0), standAt("A3", 300.0, 30.0),
             standAt("A4", 600.0, 30.0)});
  ASSERT_EQ(standTable[0].overlaps, std::vector<std::uint32_t>{2});
  LiveAc& parking = parkLive("DLH1", 2, 20001);
  parking.phase = AcPhase::Parking;
  addStatic("KLM5*", 3, 7).sim.simState = AcSimState::RemovingFromSim;  // still there until confirmed
  standTable[3].liveAssigned = 1;
  parkedEntries = {{99, 0, {}, "X99", "", "PH-X", false}, {4, 0, {}, "X4", "", "PH-4", false},
                   {3, 0, {}, "X3", "", "PH-3", false}, {1, 0, {}, "X1", "", "PH-1", false}};
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(lf_detcs());
  EXPECT_TRUE(parkedEntries.empty());
  EXPECT_EQ(staticAircraft.size(), 1U);
  EXPECT_TRUE(logged("A1      : no static parking for X1, live aircraft DLH1 is adjacent at A2, possibly colliding"));
  EXPECT_TRUE(logged("A3      : no static parking for X3, static aircraft KLM5* is adjacent at A3, possibly colliding"));
  EXPECT_TRUE(logged("A4      : no static parking for X4, live aircraft occupies the stand"));
  EXPECT_TRUE(logged("==> stand with id sid==? not found"));
}

TEST_F(StaticParkingTest, TooManyParkedRemovesTheLongestParkedLiveAndTheEarliestStatic) {
  useStands({standAt("A1", 0.0, 30.0), standAt("A2", 300.0, 30.0), standAt("A3", 600.0, 30.0)});
  parkLive("NEW1", 1, 20001).parkedSince = 500;
  parkLive("OLD1", 2, 20002).parkedSince = 100;
  weekTime = (std::uint64_t{30} << 32U) | 2U;
  addStatic("S1*", 3, 1).weekTimeParked = (std::uint64_t{20} << 32U) | 2U;
  addStatic("S2*", 3, 2).weekTimeParked = (std::uint64_t{10} << 32U) | 2U;
  maxParkCount = 2;
  gf_enforceMaxPark(1);
  EXPECT_EQ(trafficEngine.live[1].sim.simState, AcSimState::RemovingFromSim);
  EXPECT_EQ(trafficEngine.live[0].sim.simState, AcSimState::Active);
  EXPECT_EQ(staticAircraft[1].sim.simState, AcSimState::RemovingFromSim);
  EXPECT_EQ(staticAircraft[0].sim.simState, AcSimState::Active);
  EXPECT_TRUE(logged("A2      : OLD1 live max park exceeded, removed"));
  maxParkCount = 0;
  gf_enforceMaxPark(1);  // no limit: nothing more goes
  EXPECT_EQ(staticAircraft[0].sim.simState, AcSimState::Active);
  weekTime = 0;
}

// K newcomers, L live and S static parked against the maximum M: a live one
// goes when K + L > M, a static one when S + K + L > M.
TEST_F(StaticParkingTest, TheParkLimitIsExceededOnlyAboveTheMaximum) {
  const std::array<int, 6> cases[] = {  // K, L, S, M, live goes, static goes
      {1, 1, 0, 2, 0, 0}, {1, 2, 0, 2, 1, 0}, {0, 2, 0, 2, 0, 0}, {0, 1, 1, 2, 0, 0}, {1, 1, 1, 2, 0, 1}, {1, 2, 1, 0, 0, 0}};
  const auto gone = [](const auto& list) {
    return std::count_if(list.begin(), list.end(),
                         [](const auto& a) { return a.sim.simState == AcSimState::RemovingFromSim; });
  };
  for (const auto& [k, live, statics, max, liveGoes, staticGoes] : cases) {
    SCOPED_TRACE(::testing::Message() << "K " << k << " L " << live << " S " << statics << " M " << max);
    clearTraffic();
    useStands({standAt("A1", 0.0, 30.0), standAt("A2", 300.0, 30.0), standAt("A3", 600.0, 30.0)});
    for (int i = 0; i < live; ++i) parkLive(fmt::format("L{}", i), i + 1, 20001 + std::uint32_t(i));
    for (int i = 0; i < statics; ++i) addStatic("S*", 3, std::uint32_t(i + 1));
    maxParkCount = max;
    gf_enforceMaxPark(static_cast<std::uint8_t>(k));
    EXPECT_EQ(gone(trafficEngine.live), liveGoes);
    EXPECT_EQ(gone(staticAircraft), staticGoes);
  }
  maxParkCount = 0;
}

TEST_F(StaticParkingTest, AStaticTwinOfALiveFlightGoes) {
  useStands({standAt("A1", 0.0, 30.0)});
  addStatic("KLM1*", 1, 1).pairedCallsign1 = "KLM1";
  addStatic("DLH2*", 1, 2).registration = "D-AIAB";
  LiveAc live = testsupport::liveAircraft("KLM1_", "PH-ZZZ", 15.0, AcCategory::Large, testsupport::northOf(0.0), 20001);
  gf_removeStaticTwins(live);
  EXPECT_EQ(staticAircraft[0].sim.simState, AcSimState::RemovingFromSim);
  EXPECT_EQ(staticAircraft[1].sim.simState, AcSimState::Active);
  live.registration = "D-AIAB";
  gf_removeStaticTwins(live);
  EXPECT_EQ(staticAircraft[1].sim.simState, AcSimState::RemovingFromSim);
}

TEST_F(StaticParkingTest, ATaxiingAircraftRemovesTheStaticOneItsWingsTouch) {
  useStands({standAt("A1", 0.0, 30.0), standAt("A2", 300.0, 30.0)});
  addStatic("KLM1*", 1, 1, 15.0);
  addStatic("KLM2*", 2, 2, 15.0);
  LiveAc& taxiing = trafficEngine.live.emplace_back(
      testsupport::liveAircraft("DLH1", "", 15.0, AcCategory::Large, northOf(40.0), 20001));
  std::tie(taxiing.sim.simState, taxiing.phase, taxiing.onGroundConfirmed) = std::tuple(AcSimState::Active, AcPhase::Taxi, 1);
  // Up to (15 + 15) x 1.1 = 33 m apart the wings touch.
  for (const auto& [northM, goes] : {std::pair{40.0, false}, std::pair{33.5, false}, std::pair{32.5, true}}) {
    std::tie(taxiing.lat, taxiing.lon) = std::pair(northOf(northM).latitude, northOf(northM).longitude);
    gf_checkLiveOverStatic();
    EXPECT_EQ(removing(0), goes) << northM;
    EXPECT_FALSE(removing(1));
  }
}

TEST_F(StaticParkingTest, ALiveAircraftCreatedParkedTakesItsStandFromTheStaticParking) {
  useStands({standAt("A1", 0.0, 30.0), standAt("A2", 200.0, 30.0)});
  addStatic("KLM1*", 1, 1, 15.0);
  addStatic("KLM2*", 2, 2, 15.0);
  parkedEntries = {{1, 0, {}, "X1", "", "PH-1", false}, {2, 0, {}, "X2", "", "PH-2", false}};
  gf_liveParksOnStand(parkLive("DLH1", 1, 20001));
  ASSERT_EQ(parkedEntries.size(), 1u);
  EXPECT_EQ(parkedEntries.front().standNumber, 2u);
  EXPECT_TRUE(removing(0));
  EXPECT_FALSE(removing(1));
  EXPECT_TRUE(logged(gf_parksOverStaticLine("A1", "DLH1", "KLM1*")));
}

TEST_F(StaticParkingTest, OnlyAUserMovingOverAStaticAircraftRemovesIt) {
  useStands({standAt("A1", 0.0, 30.0), standAt("A2", 200.0, 30.0)});
  addStatic("KLM1*", 1, 1, 15.0);
  addStatic("KLM2*", 2, 2, 15.0);
  TrafficEngineHooks hooks;
  hooks.staticUnderUser = &gf_removeStaticUnderUser;
  gf_installTrafficEngineHooks(hooks);
  lf_setUserAircraftKind({"A320", 17.0 / 1852.0, true, 2});
  // Touching: within 1.1 x (15 m + 17 m) = 35.2 m of the stand.
  const struct { const char* name; double userNorthMetres; bool a2Active, removed; } cases[] = {
      {"moves to 36 m from A2", 164.0, true, false},
      {"moves to 34 m from A2 while it is being created", 166.0, false, false},
      {"stands still when it is there", 166.0, true, false},
      {"moves on to 33 m from A2", 167.0, true, true}};
  for (const auto& c : cases) {
    std::tie(trafficEngine.user.latitude, trafficEngine.user.longitude) =
        std::pair(northOf(c.userNorthMetres).latitude, northOf(c.userNorthMetres).longitude);
    staticAircraft[1].sim.simState = c.a2Active ? AcSimState::Active : AcSimState::Adding2Sim;
    gf_removeNearUserOnGround();
    EXPECT_EQ(staticAircraft[0].sim.simState, AcSimState::Active) << c.name;
    EXPECT_EQ(removing(1), c.removed) << c.name;
  }
  // A new run with the user still where the last one left it: its first look is a move.
  gf_resetTraffic();
  useStands({standAt("A1", 0.0, 30.0), standAt("A2", 200.0, 30.0)});
  addStatic("KLM1*", 1, 1, 15.0);
  addStatic("KLM2*", 2, 2, 15.0);
  std::tie(trafficEngine.user.latitude, trafficEngine.user.longitude) =
      std::pair(northOf(167.0).latitude, northOf(167.0).longitude);
  gf_removeNearUserOnGround();
  EXPECT_TRUE(removing(1)) << "in the next run";
}

TEST_F(StaticParkingTest, FeedbackErasesAndDropsRecords) {
  StaticAc& s = addStatic("KLM1*", 1, 42);
  s.sim.simState = AcSimState::Adding2Sim;
  s.sim.objectId = 0;
  addStatic("DLH2*", 1, 43).sim.simState = AcSimState::Adding2Sim;
  gf_handleStaticFeedback({900, 42, 0, FeedbackKind::StaticCreated, 0.0, 0.0});
  EXPECT_EQ(staticAircraft[0].sim.objectId, 900U);
  gf_handleStaticFeedback({0, 43, 0, FeedbackKind::CreationFailed, 0.0, 0.0});
  ASSERT_EQ(staticAircraft.size(), 1U);
  gf_handleStaticFeedback({900, 0, 0, FeedbackKind::Removed, 0.0, 0.0});
  EXPECT_TRUE(staticAircraft.empty());
}

// A created static object waits for its activation (2 s later): only then is
// it active and parked, with its line. One removed while it waits leaves the
// simulator at once; one to be removed once created never becomes active: the
// client removes it when it identifies the object, or, when the mark came
// after that, the traffic thread does once it hears of the creation.
TEST_F(StaticParkingTest, ACreatedStaticAircraftBecomesActiveOnlyAtItsActivation) {
  useStands({standAt("A1", 0.0, 30.0)});
  enum class Before { nothing, removedHandedOver, removedIdentified, removedWaiting };
  struct Case {
    const char* name;
    Before before;
    std::uint32_t activatedObject;
    AcSimState waiting, after;
    bool parkedLine, removalQueued;
  };
  const Case cases[] = {
      {"created, then activated", Before::nothing, 900, AcSimState::Adding2Sim, AcSimState::Active, true, false},
      {"another object of its hexid", Before::nothing, 901, AcSimState::Adding2Sim, AcSimState::Adding2Sim, false,
       false},
      {"removed while it waits", Before::removedWaiting, 900, AcSimState::RemovingFromSim,
       AcSimState::RemovingFromSim, false, true},
      {"removed before the client identified it", Before::removedHandedOver, 900, AcSimState::RemovingFromSim,
       AcSimState::RemovingFromSim, false, false},
      {"removed after the client identified it", Before::removedIdentified, 900, AcSimState::RemovingFromSim,
       AcSimState::RemovingFromSim, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    staticAircraft.clear();
    trafficEngine.queuedRemovals.clear();
    log().mark();
    StaticAc& s = addStatic("KLM1*", 1, 42);
    s.sim.simState = AcSimState::Adding2Sim;
    s.sim.objectId = 0;
    if (c.before == Before::removedHandedOver || c.before == Before::removedIdentified)
      gf_removeStatic(s);  // handed over, not in a queue any more
    // The client takes the mark when it identifies the object and removes it then.
    if (c.before == Before::removedHandedOver) {
      EXPECT_TRUE(lf_takeRemoveWhenCreated(42));
    }
    gf_handleStaticFeedback({900, 42, 0, FeedbackKind::StaticCreated, 0.0, 0.0});
    if (c.before == Before::removedWaiting) gf_removeStatic(staticAircraft.front());
    EXPECT_EQ(staticAircraft.front().sim.simState, c.waiting);
    EXPECT_FALSE(logged("parked"));
    gf_activateStatic({c.activatedObject, 42, 0, FeedbackKind::StaticCreated, 0.0, 0.0});
    EXPECT_EQ(staticAircraft.front().sim.simState, c.after);
    EXPECT_EQ(logged("A1      : KLM1*    parked"), c.parkedLine) << log().text();
    EXPECT_EQ(std::count(trafficEngine.queuedRemovals.begin(), trafficEngine.queuedRemovals.end(), 900U),
              c.removalQueued ? 1 : 0);
    EXPECT_FALSE(lf_takeRemoveWhenCreated(42));  // no mark left behind
  }
}

// Mean parked hours: half-hour slots summed over the parked aircraft, halved,
// plus half an hour. A static aircraft parked later in the week than now adds
// nothing; a live one wraps round the week; one without a day adds nothing.
TEST_F(StaticParkingTest, MeanParkedTimesOfStaticAndLiveAircraft) {
  useStands({standAt("A1", 0.0, 30.0), standAt("A2", 300.0, 30.0), standAt("A3", 600.0, 30.0)});
  const auto at = [](std::uint64_t day, std::uint64_t slot) { return (slot << 32U) | day; };
  weekTime = at(3, 10);
  addStatic("S1*", 3, 1).weekTimeParked = at(3, 4);   // 6 slots
  addStatic("S2*", 3, 2).weekTimeParked = at(2, 44);  // 14 slots
  addStatic("S3*", 3, 3).weekTimeParked = at(5, 0);   // later in the week: 0
  parkLive("L1", 1, 20001).weekTimeParked = at(4, 0); // wraps: 336 - 38 = 298 slots
  parkLive("L2", 2, 20002).weekTimeParked = 0;        // no day: 0
  gf_mainWindow().meanStaticHours.store(-1.0F);
  gf_mainWindow().meanFitHours.store(-1.0F);
  gf_refreshParkedTimes();
  EXPECT_FLOAT_EQ(gf_mainWindow().meanStaticHours.load(), 20.0F / 6.0F + 0.5F);
  EXPECT_FLOAT_EQ(gf_mainWindow().meanFitHours.load(), 298.0F / 4.0F + 0.5F);

  staticAircraft.clear();
  trafficEngine.live.clear();
  gf_refreshParkedTimes();
  EXPECT_FLOAT_EQ(gf_mainWindow().meanStaticHours.load(), 0.0F) << "none parked";
  EXPECT_FLOAT_EQ(gf_mainWindow().meanFitHours.load(), 0.0F);
  weekTime = 0;
}

} // namespace
} // namespace gwr
