// Tests of the stand choice for live aircraft: the fit rules of the search,
// the conflicts at birth and when parking, the cargo mark and stand freeing.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "traffic/engine/live_intake.h"
#include "traffic/engine/live_removal.h"
#include "traffic/engine/traffic_engine.h"
#include "traffic/parking/stand_choice.h"
#include "traffic/parking/stand_scene.h"

namespace gwr {
namespace {

using testsupport::groundSample;
using testsupport::liveAircraft;
using testsupport::northOf;
using testsupport::standAt;

class StandChoiceTest : public testsupport::StandScene {
protected:
  void SetUp() override {
    StandScene::SetUp();
    gf_installStandChoice();
  }
  void TearDown() override {
    gf_installBirthStandChoice(nullptr);
    gf_installLiveRemovalHook(nullptr);
    StandScene::TearDown();
  }
  static bool removed(std::size_t index) {
    return trafficEngine.live[index].sim.simState == AcSimState::RemovingFromSim;
  }
};

TEST_F(StandChoiceTest, SearchTakesTheNearestStandThatFitsTheAircraft) {
  const struct {
    const char* name;
    double standRadiusM;
    bool heli;
    double distanceM, halfSpanM;
    AcCategory category;
    bool chosen;
    double radiusAfterM;
    bool radiusChanged;
  } cases[] = {
      {"fits", 20.0, false, 10.0, 15.0, AcCategory::Large, true, 20.0, false},
      {"small margin fits", 14.0, false, 10.0, 15.0, AcCategory::Large, true, 14.0, false},
      {"too small but near", 10.0, false, 15.0, 15.0, AcCategory::Large, true, 14.0, true},
      {"too small and 25 m off", 10.0, false, 25.0, 15.0, AcCategory::Large, false, 10.0, false},
      {"beyond the radius", 30.0, false, 60.0, 15.0, AcCategory::Large, false, 30.0, false},
      {"helipad for a jet", 10.0, true, 5.0, 15.0, AcCategory::Large, false, 10.0, false},
      {"helipad for a rotorcraft", 10.0, true, 5.0, 6.0, AcCategory::Rotorcraft, true, 10.0, false},
      {"stand for a rotorcraft", 10.0, false, 5.0, 6.0, AcCategory::Rotorcraft, false, 10.0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    useStands({standAt("S1", c.distanceM, c.standRadiusM, 0, false, c.heli)});
    const LiveAc ac = liveAircraft("KLM1", "PH-BXA", c.halfSpanM, c.category, northOf(0.0), 20001);
    const StandRecord* stand = gf_findStandAt(northOf(0.0), ac, 55.0 * nmPerMetre, false);
    EXPECT_EQ(stand != nullptr, c.chosen);
    EXPECT_NEAR(standTable[0].radius / nmPerMetre, c.radiusAfterM, 1e-6);
    EXPECT_EQ(standTable[0].radius_change, c.radiusChanged ? 1 : 0);
  }
}

TEST_F(StandChoiceTest, WideSearchTakesAFartherStandOnlyWhereTheFlightWasSeen) {
  std::vector<StandRecord> stands{standAt("FAR", 70.0, 30.0)};
  stands[0].options.push_back(testsupport::makeOption("PH-BXA", LivKey{}, 1, {10}, 1));
  stands[0].options[0].callsign1 = "KLM1";
  useStands(std::move(stands));
  const LiveAc klm1 = liveAircraft("KLM1", "PH-BXA", 15.0, AcCategory::Large, northOf(0.0), 20001);
  const LiveAc klm2 = liveAircraft("KLM2", "PH-BXB", 15.0, AcCategory::Large, northOf(0.0), 20002);
  EXPECT_NE(gf_findStandAt(northOf(0.0), klm1, 55.0 * nmPerMetre, true), nullptr);
  EXPECT_EQ(gf_findStandAt(northOf(0.0), klm1, 55.0 * nmPerMetre, false), nullptr);
  standTable[0].options[0].codes.airline = 9;  // no longer the same airline as KLM2 (all codes 0)
  EXPECT_EQ(gf_findStandAt(northOf(0.0), klm2, 55.0 * nmPerMetre, true), nullptr);
  // A nearer fitting stand inside the radius wins over the one the flight used.
  std::vector<StandRecord> two{standAt("NEAR", 30.0, 30.0), standTable[0]};
  useStands(std::move(two));
  EXPECT_EQ(gf_findStandAt(northOf(0.0), klm1, 55.0 * nmPerMetre, true)->id, "NEAR");
}

TEST_F(StandChoiceTest, OccupantRulesDecideBetweenGhostsAndNewcomers) {
  const struct { const char* occupant; const char* newcomer; bool allowed, occupantRemoved; } cases[] = {
      {"KLM1", "KLM1", true, true},    // the same flight again
      {"KLM1", "KLM1_", false, false}, // the newcomer is the ghost
      {"KLM1_", "KLM1", true, true},   // the occupant is the ghost
      {"KLM1_", "DLH2", true, true},   // a ghost gives way to a real callsign
      {"KLM1", "DLH2_", false, false}, // a ghost never displaces a real one
      {"KLM1", "DLH2", true, true},    // the newer report wins
  };
  useStands({standAt("A1", 0.0, 30.0)});
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.occupant) + " / " + c.newcomer);
    clearTraffic();
    parkLive(c.occupant, 1, 20001);
    EXPECT_EQ(gf_resolveStandOccupant(1, c.newcomer), c.allowed);
    EXPECT_EQ(removed(0), c.occupantRemoved);
  }
  clearTraffic();
  parkLive("KLM1", 1, 20001).streamExtended = 1;
  EXPECT_FALSE(gf_resolveStandOccupant(1, "DLH2"));
  clearTraffic();
  parkLive("KLM1", 1, 20001).sim.simState = AcSimState::Adding2Sim;
  EXPECT_TRUE(gf_resolveStandOccupant(1, "DLH2"));
  // At birth: a newcomer that is the occupant's ghost is erased; a real one displaces a ghost.
  clearTraffic();
  parkLive("KLM1", 1, 20001);
  LiveAc ghost = liveAircraft("KLM1_", "", 15.0, AcCategory::Large, northOf(0.0), 20002);
  EXPECT_FALSE(gf_standAtBirth(ghost));
  EXPECT_TRUE(ghost.sim.erase);
  LiveAc real = liveAircraft("KLM1", "", 15.0, AcCategory::Large, northOf(0.0), 20003);
  trafficEngine.live[0].callsign = "KLM1_";
  EXPECT_TRUE(gf_standAtBirth(real));
  EXPECT_TRUE(removed(0));
}

TEST_F(StandChoiceTest, BirthOnTheGroundParksAtTheStandUnlessItIsTheUsers) {
  constexpr double sixNmM = 6 * 1852.0;  // beyond the 5 nm round the park airport that gets stands
  useStands({standAt("A1", 0.0, 30.0), standAt("A2", 200.0, 30.0), standAt("F1", sixNmM, 30.0)});
  LiveAc ac = liveAircraft("KLM1", "", 15.0, AcCategory::Large, northOf(5.0), 20001);
  ASSERT_TRUE(gf_standAtBirth(ac));
  EXPECT_EQ(ac.standNumber, 1);
  EXPECT_DOUBLE_EQ(ac.standLat, standTable[0].latitude);
  EXPECT_EQ(standTable[0].liveAssigned, 1);

  reservedStandName = "A1";
  LiveAc reserved = liveAircraft("KLM2", "", 15.0, AcCategory::Large, northOf(5.0), 20002);
  EXPECT_FALSE(gf_standAtBirth(reserved));
  reservedStandName.clear();

  userOnGround = true;
  trafficEngine.user.latitude = northOf(200.0).latitude;
  trafficEngine.user.longitude = northOf(200.0).longitude;
  LiveAc underUser = liveAircraft("KLM3", "", 15.0, AcCategory::Large, northOf(205.0), 20003);
  EXPECT_FALSE(gf_standAtBirth(underUser));
  EXPECT_EQ(gf_userStandName(northOf(200.0)), "A2");

  LiveAc far = liveAircraft("KLM4", "", 15.0, AcCategory::Large, northOf(sixNmM), 20004);
  EXPECT_FALSE(gf_standAtBirth(far));
}

TEST_F(StandChoiceTest, ACargoAircraftMarksItsStandCargo) {
  const struct { bool aircraftCargo, standCargo, standCargoAfter, changed; } cases[] = {
      {true, false, true, true}, {false, false, false, false}, {true, true, true, false}, {false, true, true, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.aircraftCargo << c.standCargo);
    useStands({standAt("C1", 0.0, 30.0, 0, c.standCargo)});
    LiveAc ac = liveAircraft("FDX1", "", 15.0, AcCategory::Large, northOf(0.0), 20001);
    ac.key.cargo = c.aircraftCargo ? 1 : 0;
    const std::uint32_t updates = standUpdateCount;
    ASSERT_TRUE(gf_standAtBirth(ac));
    EXPECT_EQ(standTable[0].cargo, c.standCargoAfter ? 1 : 0);
    EXPECT_EQ(standTable[0].cargo_change, c.changed ? 1 : 0);
    EXPECT_EQ(standUpdateCount - updates, c.changed ? 1U : 0U);
  }
}

TEST_F(StandChoiceTest, AStandIsFreedByAnAircraftThatNeverBecameActive) {
  // Born at the stand, then refused by the simulator or removed while its
  // creation was still queued: either way it is erased without being active.
  for (const bool queued : {false, true}) {
    SCOPED_TRACE(queued ? "removed while queued" : "creation failed");
    clearTraffic();
    useStands({standAt("A1", 0.0, 30.0)});
    trafficEngine.live.push_back(liveAircraft("KLM1", "", 15.0, AcCategory::Large, northOf(0.0), 20001));
    LiveAc& ac = trafficEngine.live.back();
    ASSERT_TRUE(gf_standAtBirth(ac));
    ac.sim.simState = AcSimState::Adding2Sim;
    if (queued) {
      AiCreateRequest request;
      request.hexid = ac.hexId;
      trafficEngine.queuedLiveCreations.push_back(request);
      gf_removeLiveAc(ac);
    } else {
      ac.sim.erase = true;
    }
    ASSERT_EQ(standTable[0].liveAssigned, 1);
    lf_updateLiveAircraft();
    EXPECT_TRUE(trafficEngine.live.empty());
    EXPECT_EQ(standTable[0].liveAssigned, 0);
  }
}

TEST_F(StandChoiceTest, ParkingClearsTheStandOfOthersAndSearchesOncePerPosition) {
  useStands({standAt("A1", 0.0, 30.0), standAt("A2", 40.0, 30.0)});
  parkLive("DLH9", 2, 20009, 25.0);  // wings reach A1
  StaticAc parked(AcIdentity{});
  parked.callsign = "KLM5*";
  parked.standNumber = 1;
  parked.sim.simState = AcSimState::Active;
  parked.sim.objectId = 900;
  parked.sim.hexid = 5;
  staticAircraft.push_back(parked);
  LiveAc ac = liveAircraft("KLM1", "", 20.0, AcCategory::Large, northOf(2.0), 20001);
  ac.phase = AcPhase::Taxi;
  EXPECT_TRUE(try2Park(ac, false));
  EXPECT_EQ(ac.phase, AcPhase::Parking);
  EXPECT_EQ(ac.standNumber, 1);
  EXPECT_EQ(standTable[0].liveAssigned, 1);
  EXPECT_TRUE(removed(0));
  EXPECT_EQ(staticAircraft[0].sim.simState, AcSimState::RemovingFromSim);
  ac.standNumber = 0;
  EXPECT_FALSE(try2Park(ac, false));  // the same newest position: no new search
  EXPECT_EQ(ac.standNumber, 0);
}

// Wings of 10 m half span each touch up to (10 + 10) x 1.1 = 22 m apart.
TEST_F(StandChoiceTest, AParkedNeighbourGoesOnlyWhereTheWingsWouldTouch) {
  const std::pair<double, bool> cases[] = {{20.5, true}, {21.99, true}, {22.01, false}, {30.0, false}};
  for (const auto& [apartM, goes] : cases) {
    SCOPED_TRACE(apartM);
    clearTraffic();
    useStands({standAt("A1", 0.0, 5.0), standAt("A2", apartM, 5.0)});
    parkLive("DLH9", 2, 20009, 10.0);
    const LiveAc ac = liveAircraft("KLM1", "", 10.0, AcCategory::Large, northOf(0.0), 20001);
    EXPECT_EQ(gf_overlapAllowsParking(2, ac, standTable[0]), !goes);
    gf_removeAdjacentParked(2, ac, standTable[0]);
    EXPECT_EQ(removed(0), goes);
  }
}

// With another aircraft parked at the stand: an arrival there is refused, and
// one leaving it leaves it marked taken.
TEST_F(StandChoiceTest, AStandHeldByAnotherRefusesArrivalsAndStaysTaken) {
  for (const StandEvent event : {StandEvent::Arriving, StandEvent::Leaving, StandEvent::MovedAway}) {
    clearTraffic();
    useStands({standAt("A1", 0.0, 30.0)});
    parkLive("DLH9", 1, 20009);
    LiveAc& ac = parkLive("KLM1", 1, 20001);
    standTable[0].liveAssigned = 1;
    EXPECT_EQ(lf_standEvent(ac, event), event != StandEvent::Arriving);
    EXPECT_EQ(standTable[0].liveAssigned, 1);
  }
  // Removed, it stays taken while the other still holds it.
  clearTraffic();
  parkLive("KLM1", 1, 20001);
  parkLive("KLM2", 1, 20002);
  gf_setStandLiveAssigned(1, true);
  gf_removeLiveAc(trafficEngine.live[1]);
  EXPECT_EQ(standTable[0].liveAssigned, 1);
  gf_removeLiveAc(trafficEngine.live[0]);
  EXPECT_EQ(standTable[0].liveAssigned, 0);
}

TEST_F(StandChoiceTest, TheReservedStandIsClearedOfStaticBeforeLiveAircraft) {
  useStands({standAt("A1", 0.0, 30.0)});
  parkLive("KLM1", 1, 20001);
  StaticAc parked(AcIdentity{});
  parked.standNumber = 1;
  parked.sim.simState = AcSimState::Active;
  parked.sim.objectId = 900;
  staticAircraft.push_back(parked);
  gf_clearReservedStand("A1");
  EXPECT_EQ(staticAircraft[0].sim.simState, AcSimState::RemovingFromSim);
  EXPECT_FALSE(removed(0));
  gf_clearReservedStand("A1");
  EXPECT_TRUE(removed(0));
  gf_clearReservedStand("NONE");
  EXPECT_EQ(gf_standName(0), "sid==0?");
  EXPECT_EQ(gf_standName(1), "A1");
  EXPECT_EQ(gf_standName(2), "sid==?");
  EXPECT_EQ(gf_standName(-1), "sid==?");
}

} // namespace
} // namespace gwr
