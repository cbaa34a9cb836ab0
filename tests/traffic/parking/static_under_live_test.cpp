// Static parked aircraft giving way to a live aircraft created on their stand
// and to the user aircraft moving on the ground over them.
#include <gtest/gtest.h>

#include <string>

#include "traffic/engine/engine_hooks.h"
#include "traffic/engine/live_removal.h"
#include "traffic/parking/stand_scene.h"
#include "traffic/parking/static_ac.h"
#include "traffic/parking/static_parking.h"
#include "traffic/parking/static_under_live.h"
#include "traffic/simclient/user_aircraft.h"

namespace gwr {
namespace {

using testsupport::northOf;
using testsupport::standAt;

class StaticUnderLive : public testsupport::StandScene {
 protected:
  void SetUp() override {
    StandScene::SetUp();
    useStands({standAt("A1", 0.0, 30.0), standAt("A2", 200.0, 30.0)});
    for (const StandRecord& stand : standTable) {
      StaticAc s(AcIdentity{});
      s.callsign = "KLM" + std::to_string(stand.number) + "*";
      s.standNumber = static_cast<std::int32_t>(stand.number);
      s.standLat = stand.latitude;
      s.standLon = stand.longitude;
      s.halfWingspan = 15.0 / 1852.0;
      s.sim.hexid = stand.number;
      s.sim.objectId = 500 + stand.number;
      s.sim.simState = AcSimState::Active;
      staticAircraft.push_back(s);
    }
  }
  void TearDown() override {
    parkedEntries.clear();
    gf_installTrafficEngineHooks({});
    StandScene::TearDown();
  }
  static bool gone(std::size_t i) { return staticAircraft[i].sim.simState != AcSimState::Active; }
};

TEST_F(StaticUnderLive, ALiveAircraftCreatedParkedTakesItsStandFromTheStaticParking) {
  parkedEntries = {{1, 0, {}, "X1", "", "PH-1", false}, {2, 0, {}, "X2", "", "PH-2", false}};
  const LiveAc& live = parkLive("DLH1", 1, 20001);
  gf_liveParksOnStand(live);
  ASSERT_EQ(parkedEntries.size(), 1u);
  EXPECT_EQ(parkedEntries.front().standNumber, 2u);
  EXPECT_TRUE(gone(0));
  EXPECT_FALSE(gone(1));
  EXPECT_NE(log().text().find(gf_parksOverStaticLine("A1", "DLH1", "KLM1*")), std::string::npos);
}

TEST_F(StaticUnderLive, OnlyAUserMovingOverAStaticAircraftRemovesIt) {
  TrafficEngineHooks hooks;
  hooks.staticUnderUser = &gf_removeStaticUnderUser;
  gf_installTrafficEngineHooks(hooks);
  lf_setUserAircraftKind({"A320", 17.0 / 1852.0, true, 2});
  struct Case {
    const char* name;
    double userNorthMetres;
    bool a2Active, removed;
  };
  // Touching: within 1.1 x (15 m + 17 m) = 35.2 m of the stand.
  const Case cases[] = {{"moves to 36 m from A2", 164.0, true, false},
                        {"moves to 34 m from A2 while it is being created", 166.0, false, false},
                        {"stands still when it is there", 166.0, true, false},
                        {"moves on to 33 m from A2", 167.0, true, true}};
  for (const Case& c : cases) {
    const LatLon user = northOf(c.userNorthMetres);
    trafficEngine.user.latitude = user.latitude;
    trafficEngine.user.longitude = user.longitude;
    staticAircraft[1].sim.simState = c.a2Active ? AcSimState::Active : AcSimState::Adding2Sim;
    gf_removeNearUserOnGround();
    EXPECT_FALSE(gone(0)) << c.name;
    EXPECT_EQ(staticAircraft[1].sim.simState == AcSimState::RemovingFromSim, c.removed) << c.name;
  }
}

} // namespace
} // namespace gwr
