// AI object control: which events the setters and the parked configuration
// send with the next frame, and where a removal goes in each state.
#include <gtest/gtest.h>

#include <utility>

#include "core/settings_catalogue.h"
#include "support/sim_client_world.h"
#include "traffic/simclient/ai_control.h"
#include "traffic/simclient/sim_ids.h"

namespace gwr {
namespace {

using EventList = std::vector<std::pair<std::uint32_t, std::uint32_t>>;  // event id, data

class AiControlTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(client.connect());
    client.userState();
    // Object 2 is none: the events still go out and are traced.
    std::tie(aircraft.objectId, aircraft.hexid, aircraft.simState) = std::tuple(2u, 20001u, AcSimState::Active);
  }
  // The client events the next frame sends.
  EventList sent() {
    const auto before = client.emulator().calls().size();
    client.step();
    EventList events;
    const auto calls = client.emulator().calls();
    for (auto i = before; i < calls.size(); ++i) {
      if (calls[i].function == "TransmitClientEvent") events.emplace_back(calls[i].id, calls[i].data);
    }
    return events;
  }
  testsupport::SyncSimClient client;
  AiControlled aircraft;
};

TEST_F(AiControlTest, FlapsAndThrottleSendOnlyChanges) {
  gf_setFlaps(aircraft, 0);  // a new record starts at 4, which sends like 0
  gf_setThrottle(aircraft, 3);
  EXPECT_EQ(sent(), (EventList{{FlapsSet, 0}, {ThrottleSet, 11468}}));
  gf_setFlaps(aircraft, 0);
  gf_setThrottle(aircraft, 3);
  EXPECT_TRUE(sent().empty());
  for (auto [index, value] : {std::pair{1u, 3072u}, {2u, 10240u}, {3u, 16383u}}) {
    gf_setFlaps(aircraft, index);
    EXPECT_EQ(sent(), (EventList{{FlapsSet, value}}));
  }
  for (auto [index, value] : {std::pair{0u, 0u}, {1u, 4914u}, {2u, 8191u}, {4u, 16383u}}) {
    gf_setThrottle(aircraft, index);
    EXPECT_EQ(sent(), (EventList{{ThrottleSet, value}}));
  }
  gf_setFlaps(aircraft, 5);
  EXPECT_TRUE(sent().empty());
  EXPECT_EQ(aircraft.flapsIndex, 3u);
  EXPECT_TRUE(client.logged("==> gf_setFlaps: invalid flaps index"));
}

TEST_F(AiControlTest, RotorcraftGetsNoFlapsSpoilersOrGear) {
  gf_setSpoilers(aircraft, 1);
  gf_setGear(aircraft, 1);
  EXPECT_EQ(sent(), (EventList{{SpoilersSet, 16383}, {GearSet, 1}}));
  aircraft.category = rotorcraftCategory;
  gf_setFlaps(aircraft, 2);
  gf_setSpoilers(aircraft, 1);
  gf_setGear(aircraft, 0);
  gf_setThrottle(aircraft, 1);
  gf_engineAutoStart(aircraft.objectId);
  EXPECT_EQ(sent(), (EventList{{ThrottleSet, 4914}, {EngineAutoStart, 0}}));
}

TEST_F(AiControlTest, ParkedConfigurationInItsOrder) {
  RANDOM.setCurrent(false);
  NAV_LIGHTS_WHILE_PARKED.setCurrent(true);
  gf_setParkedConfig(aircraft);
  EXPECT_EQ(sent(), (EventList{{ThrottleSet, 0}, {FlapsSet, 0}, {EngineAutoShutdown, 0}, {NavLightsSet, 1},
                               {BeaconLightsSet, 0}, {LandingLightsSet, 0}, {TaxiLightsSet, 0}, {StrobesSet, 0},
                               {LogoLightsSet, 1}, {CabinLightsSet, 1}}));
  NAV_LIGHTS_WHILE_PARKED.setCurrent(false);
  aircraft.cargo = true;
  gf_setParkedConfig(aircraft);
  EXPECT_EQ(sent(), (EventList{{EngineAutoShutdown, 0}, {NavLightsSet, 0}, {BeaconLightsSet, 0}, {LandingLightsSet, 0},
                               {TaxiLightsSet, 0}, {StrobesSet, 0}, {LogoLightsSet, 1}, {CabinLightsSet, 0}}));
}

class RemovalTest : public AiControlTest {
protected:
  static void leaving(const AiControlled& a) { leavers().push_back(a.hexid); }
  static std::vector<std::uint32_t>& leavers() {
    static std::vector<std::uint32_t> hexids;
    return hexids;
  }
  void SetUp() override {
    AiControlTest::SetUp();
    leavers().clear();
    gf_installLiveRemovalHook(&leaving);
  }
  void TearDown() override { gf_installLiveRemovalHook(nullptr); }
  std::vector<AiCreateRequest> live, statics;
  std::vector<std::uint32_t> removals;
  TrafficQueues queues{live, statics, removals};
};

TEST_F(RemovalTest, ByState) {
  aircraft.simState = AcSimState::Buffer;
  removeAircraftFromSim(aircraft, queues);
  EXPECT_TRUE(aircraft.erase);

  // Still queued: taken back, nothing reaches the simulator.
  AiCreateRequest request;
  request.hexid = 42;
  statics.push_back(request);
  AiControlled parked;
  std::tie(parked.hexid, parked.simState) = std::tuple(42u, AcSimState::Adding2Sim);
  removeAircraftFromSim(parked, queues);
  EXPECT_TRUE(parked.removedWhileQueued && statics.empty());
  EXPECT_EQ(client.emulator().countCalls("AICreateNonATCAircraft"), 0u);

  aircraft = {};
  std::tie(aircraft.hexid, aircraft.simState) = std::tuple(20001u, AcSimState::Adding2Sim);
  removeAircraftFromSim(aircraft, queues);
  EXPECT_TRUE(aircraft.removeWhenCreated);
  aircraft.simState = AcSimState::Active;
  removeAircraftFromSim(aircraft, queues);  // a second call changes nothing
  EXPECT_TRUE(aircraft.simState == AcSimState::Active && removals.empty());

  aircraft.removeWhenCreated = false;
  aircraft.objectId = 7;
  removeAircraftFromSim(aircraft, queues);
  EXPECT_EQ(std::tuple(aircraft.simState, removals, leavers()),
            std::tuple(AcSimState::RemovingFromSim, std::vector<std::uint32_t>{7}, std::vector<std::uint32_t>{20001}));
}

TEST_F(RemovalTest, ObjectIdZeroAndTheUsersIdAreNeverRemoved) {
  AiControlled parked;
  std::tie(parked.hexid, parked.simState, parked.label) = std::tuple(42u, AcSimState::Active, "EZY12");
  removeAircraftFromSim(parked, queues);
  EXPECT_TRUE(removals.empty() && leavers().empty());  // static aircraft have no live stand
  gf_queueRemoval(1);              // the user's own object
  client.step();
  EXPECT_EQ(client.emulator().countCalls("AIRemoveObject"), 0u);
  EXPECT_TRUE(client.logged("==> removeAircraftFromSim removing act EZY12, with objectid=0 ?"));
  EXPECT_TRUE(client.logged("==> SimConnect call to remove ac with objectid 1"));
}

} // namespace
} // namespace gwr
