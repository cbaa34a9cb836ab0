// The traffic engine pass by pass: routing of records, the buffer rules, the
// throttled hand-over to the simulator client, the schedule of the timed
// work, the handling of feedback records and the reset.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string>
#include <vector>

#include "airports/park_stand_table.h"
#include "core/geo.h"
#include "core/settings_catalogue.h"
#include "core/status_line.h"
#include "liveries/refused_liveries.h"
#include "support/engine_harness.h"
#include "traffic/engine/engine_hooks.h"
#include "traffic/engine/live_intake.h"
#include "traffic/engine/live_removal.h"
#include "traffic/engine/status_files.h"
#include "traffic/engine/traffic_engine.h"
#include "traffic/feed/park_airport_state.h"
#include "traffic/feed/tick_clock.h"
#include "traffic/feed/traffic_queue.h"
#include "traffic/parking/static_ac.h"
#include "traffic/parking/static_parking.h"
#include "traffic/simclient/sim_ids.h"

namespace gwr {
namespace {

using namespace std::chrono_literals;
using testsupport::EngineHarness;

constexpr const char* lufthansaTitle = "Airbus A320 Lufthansa";
constexpr std::uint32_t hexid = 4837645;
constexpr double t0 = 1718000000.0;

std::vector<testsupport::InstalledLivery> liveries() { return {{"DLH", "", "A320", false, lufthansaTitle, ""}}; }

struct Report {
  double dt = 0.0;  // seconds after t0
  double altitude = 36000.0;
  double groundSpeed = 450.0;
  double track = 90.0;
  double lat = 50.2, lon = 8.5;
};

TrafficRecord recordOf(const Report& r, std::uint32_t id = hexid, const std::string& callsign = "DLH123") {
  TrafficRecord record;
  record.identity.key = LivKey{gf_airlineIndex("DLH"), 0, gf_modelIndex("A320"), 0, 0};
  record.identity.callsign = callsign;
  record.identity.registration = "D-AIZZ";
  record.hexid = id;
  record.timestamp = t0 + r.dt;
  // Where it has got to by then along its track at its speed.
  const LatLon at = gf_destinationPoint({r.lat, r.lon}, r.track * radiansPerDegree,
                                        r.groundSpeed * r.dt / 3600.0 * feetPerNm);
  record.latitude = at.latitude;
  record.longitude = at.longitude;
  record.altitude = r.altitude;
  record.airborne = r.altitude > 0.0 ? 1 : 0;
  record.groundSpeed = r.groundSpeed;
  record.track = r.track;
  record.dueTick = tickCount.load() + dueDelayTicks;
  return record;
}

void route(const Report& r, std::uint32_t id = hexid, const std::string& callsign = "DLH123") {
  TrafficRecord record = recordOf(r, id, callsign);
  lf_routeTrafficRecord(record);
}

std::size_t streamSize(std::uint32_t id = hexid) {
  const LiveAc* ac = trafficEngine.findHexid(id);
  return ac == nullptr ? 0 : ac->samples.size();
}

class EnginePass : public ::testing::Test {
 protected:
  void TearDown() override {
    gf_installTrafficEngineHooks({});
    gf_clearParkAirport();
  }
  EngineHarness harness{liveries(), {lufthansaTitle}};
};

struct RoutingCase {
  const char* name;
  Report first, second;
  bool taken;
};

TEST_F(EnginePass, RoutingDropsRepeatsJumpsAndStraightLegs) {
  const RoutingCase cases[] = {
      {"same time", {}, {0.0, 36000, 450, 90}, false},
      {"within a second", {}, {1.0, 36000, 450, 90}, false},
      {"within a second, turning", {}, {1.0, 36000, 450, 100}, false},
      {"after a second, turning", {}, {1.05, 36000, 450, 100}, true},
      {"older", {5.0}, {1.0, 36000, 450, 90}, false},
      {"new report", {}, {4.0, 36000, 450, 90}, true},
      {"straight and fast, under 450 m", {}, {1.9, 36000, 450, 90.5}, false},
      {"straight and fast, beyond 450 m", {}, {2.0, 36000, 450, 90.5}, true},
      {"turning", {}, {1.9, 36000, 450, 92}, true},
      {"ten times faster", {0, 0, 20}, {4.0, 0, 200}, false},
      {"ten times slower", {0, 0, 200}, {4.0, 0, 20}, false},
      {"slow to 80 kt", {0, 0, 5}, {30.0, 0, 80}, false},
      {"slow to 79 kt", {0, 0, 5}, {30.0, 0, 49}, true},
      {"slow to 80 kt after a silence long enough to speed up", {0, 0, 5}, {38.0, 0, 80}, true},
      {"ten times faster after a long silence", {0, 0, 10}, {46.0, 0, 100}, true},
      {"ground straight under 20 m", {0, 0, 10, 45}, {3.8, 0, 10, 46}, false},
      {"ground straight beyond 20 m", {0, 0, 10, 45}, {4.0, 0, 10, 46}, true},
      {"standing, under 15 s", {0, 0, 0, 45}, {14.0, 0, 0, 45}, false},
      {"standing, after 15 s", {0, 0, 0, 45}, {16.0, 0, 0, 45}, true},
  };
  for (const RoutingCase& c : cases) {
    gf_resetTraffic();
    route(c.first);
    route(c.second);
    EXPECT_EQ(streamSize(), c.taken ? 2u : 1u) << c.name;
  }
}

TEST_F(EnginePass, NewAircraftLowOverTheParkAirportIsNotTaken) {
  AirportRecord park;
  park.icao = FixedCode<4>("EDDF");
  park.latitude = 50.0333;
  park.longitude = 8.5706;
  park.altitude = 364.0F;
  const std::pair<double, bool> cases[] = {{364.0 + 50.0, false}, {364.0 + 108.0, false}, {364.0 + 109.0, true},
                                           {0.0, true}};
  for (const auto& [altitude, taken] : cases) {
    gf_resetTraffic();  // leaves the park airport too
    gf_setParkAirport(park);
    route({0.0, altitude, 140});
    EXPECT_EQ(streamSize(), taken ? 1u : 0u) << altitude;
  }
  gf_resetTraffic();
  gf_setParkAirport(park);
  route({0.0, 0.0, 0.0});
  route({20.0, 364.0 + 50.0, 140});  // a buffered aircraft refuses it too
  EXPECT_EQ(streamSize(), 1u);
}

TEST_F(EnginePass, UnknownModelAndSwitchedOffCategoriesAreNotTaken) {
  TrafficRecord record = recordOf({});
  record.identity.key.model = gf_modelIndex("ZZZZ");
  lf_routeTrafficRecord(record);
  EXPECT_TRUE(trafficEngine.live.empty());
  HELICOPTERS.setCurrent(false);
  record = recordOf({});
  record.identity.key.model = gf_modelIndex("EC35");
  lf_routeTrafficRecord(record);
  EXPECT_TRUE(trafficEngine.live.empty());
  HELICOPTERS.setCurrent(true);
  lf_routeTrafficRecord(record);
  EXPECT_EQ(trafficEngine.live.size(), 1u);
}

TEST_F(EnginePass, BufferRules) {
  // One due report: erased.
  route({});
  tickCount.store(dueDelayTicks);
  EXPECT_TRUE(updateLiveAc(trafficEngine.live.front()));

  // Air and ground reports together: the oldest goes, nothing is created.
  gf_resetTraffic();
  tickCount.store(0);
  route({0.0, 0.0, 140.0, 90.0});
  route({4.0, 500.0, 150.0, 95.0});
  route({8.0, 900.0, 160.0, 100.0});
  tickCount.store(dueDelayTicks);
  LiveAc& mixed = trafficEngine.live.front();
  EXPECT_FALSE(updateLiveAc(mixed));
  EXPECT_EQ(mixed.samples.size(), 2u);
  EXPECT_EQ(mixed.sim.simState, AcSimState::Buffer);

  // Eleven queued creations: a newborn loses one report a tick.
  gf_resetTraffic();
  tickCount.store(0);
  for (int i = 0; i < 4; ++i) route({4.0 * i});
  trafficEngine.queuedLiveCreations.resize(11);
  tickCount.store(dueDelayTicks + 10);  // reports routed together fall due a tick apart
  LiveAc& thinned = trafficEngine.live.front();
  updateLiveAc(thinned);
  EXPECT_EQ(thinned.samples.size(), 3u);
  trafficEngine.queuedLiveCreations.resize(10);
  updateLiveAc(thinned);
  EXPECT_EQ(thinned.sim.simState, AcSimState::Adding2Sim);
  EXPECT_EQ(trafficEngine.addingStack, std::vector<std::uint32_t>{hexid});
}

TEST_F(EnginePass, UnderscoreTwinOfALiveCallsignIsDropped) {
  tickCount.store(0);
  for (int i = 0; i < 3; ++i) route({4.0 * i});
  for (int i = 0; i < 3; ++i) route({4.0 * i, 36000, 450, 90, 50.3}, hexid + 1, "DLH123_");
  tickCount.store(dueDelayTicks);
  EXPECT_FALSE(updateLiveAc(trafficEngine.live[0]));
  EXPECT_TRUE(updateLiveAc(trafficEngine.live[1]));
  EXPECT_EQ(trafficEngine.live[0].sim.simState, AcSimState::Adding2Sim);
}

bool refuseStandAtBirth(LiveAc& aircraft) {
  aircraft.sim.erase = true;  // the stand is held by a flight that stays
  return false;
}

TEST_F(EnginePass, RefusedAtItsBirthStandIsNotSpawned) {
  tickCount.store(0);
  for (int i = 0; i < 3; ++i) route({30.0 * i, 36000, 450, 90, 50.3}, hexid + 1, "DLH123_");
  LiveAc& ghost = trafficEngine.live.front();
  ghost.sim.simState = AcSimState::Active;
  ghost.sim.objectId = 300;
  for (int i = 0; i < 3; ++i) route({30.0 * i, 0.0, 12.0, 40.0 + 30.0 * i});
  gf_installBirthStandChoice(&refuseStandAtBirth);
  tickCount.store(dueDelayTicks);
  const bool erased = updateLiveAc(trafficEngine.live.back());
  gf_installBirthStandChoice(nullptr);
  EXPECT_TRUE(erased);
  EXPECT_TRUE(trafficEngine.addingStack.empty());
  // The refused newcomer does not take its ghost with it.
  EXPECT_EQ(trafficEngine.live.front().sim.simState, AcSimState::Active);
  EXPECT_TRUE(trafficEngine.ghostCallsigns.empty());
}

TEST_F(EnginePass, BlockedCallsignAndLimitZeroAreNotCreated) {
  for (const auto& [limit, blocked] : {std::pair{0, std::string()}, std::pair{100, std::string("DLH123")}}) {
    gf_resetTraffic();
    tickCount.store(0);
    MAX_LIVE_SEL.setCurrent(limit);
    BLOCK_CALLSIGN.setCurrent(blocked);
    for (int i = 0; i < 3; ++i) route({4.0 * i});
    tickCount.store(dueDelayTicks);
    EXPECT_TRUE(updateLiveAc(trafficEngine.live.front())) << limit << blocked;
  }
}

TEST_F(EnginePass, LiveCreationGoesBeforeStaticOnePerFiftyTicks) {
  AiCreateRequest live, parked;
  live.hexid = hexid;
  live.tailNumber = "DLH123";
  parked.hexid = 7;
  parked.tailNumber = "BAW9";
  trafficEngine.queuedLiveCreations = {live, live};
  trafficEngine.queuedStaticCreations = {parked};
  trafficEngine.queuedRemovals = {500, 501};
  tickCount.store(49);
  lf_releaseQueuedRequests();
  EXPECT_EQ(gf_queueSizesForTests().creations, 0u);
  EXPECT_EQ(trafficEngine.queuedRemovals.size(), 2u);
  tickCount.store(50);
  lf_releaseQueuedRequests();
  EXPECT_EQ(gf_queueSizesForTests().creations, 1u);
  EXPECT_EQ(gf_queueSizesForTests().removals, 1u);
  EXPECT_EQ(trafficEngine.queuedLiveCreations.size(), 1u);
  EXPECT_EQ(trafficEngine.queuedStaticCreations.size(), 1u);
  tickCount.store(100);
  lf_releaseQueuedRequests();
  tickCount.store(150);
  lf_releaseQueuedRequests();
  EXPECT_TRUE(trafficEngine.queuedStaticCreations.empty());
  EXPECT_TRUE(trafficEngine.queuedRemovals.empty());
}

int parkDriverCalls = 0, fiveSecondCalls = 0, fifteenSecondCalls = 0;

TEST_F(EnginePass, TimedWorkFollowsTheEngineSecond) {
  TrafficEngineHooks hooks;
  hooks.parkAirportDriver = [](bool) { ++parkDriverCalls; };
  hooks.every5Seconds = [] { ++fiveSecondCalls; };
  hooks.every15Seconds = [] { ++fifteenSecondCalls; };
  gf_installTrafficEngineHooks(hooks);
  struct Case {
    std::int32_t before;
    int park, five, fifteen;
    std::int32_t after;
  };
  const Case cases[] = {{15, 1, 0, 0, 16}, {79, 0, 1, 0, 80}, {29, 0, 1, 1, 30}, {47, 1, 0, 0, 48},
                        {159, 0, 1, 0, 160}, {86399, 0, 1, 1, 0}, {60, 0, 0, 0, 61}};
  for (const Case& c : cases) {
    parkDriverCalls = fiveSecondCalls = fifteenSecondCalls = 0;
    secondCount = c.before;
    newUserData.store(true);
    ASSERT_TRUE(lf_tick());
    EXPECT_EQ(parkDriverCalls, c.park) << c.before;
    EXPECT_EQ(fiveSecondCalls, c.five) << c.before;
    EXPECT_EQ(fifteenSecondCalls, c.fifteen) << c.before;
    EXPECT_EQ(secondCount.load(), c.after) << c.before;
  }
  // Without a reply of the simulator there is no engine second.
  secondCount = 7;
  newUserData.store(false);
  lf_tick();
  EXPECT_EQ(secondCount.load(), 7);
}

int secondDisplays = 0, pausedDisplays = 0;

// While no flight runs the window's counters still follow, but nothing that
// belongs to the traffic's seconds (a notice's age) moves on.
TEST_F(EnginePass, PausedPassesKeepTheClocksAndReportEveryHundred) {
  TrafficEngineHooks hooks;
  hooks.every5Seconds = [] { ++fiveSecondCalls; };
  hooks.everySecondDisplay = [] { ++secondDisplays; };
  hooks.pausedDisplay = [] { ++pausedDisplays; };
  gf_installTrafficEngineHooks(hooks);
  fiveSecondCalls = secondDisplays = pausedDisplays = 0;
  harness.emulator().setSimRunning(false);
  harness.client().pump();
  tickCount.store(1234);
  secondCount = 42;
  for (int i = 0; i < 250; ++i) EXPECT_TRUE(lf_tick());
  EXPECT_EQ(tickCount.load(), 1234);
  EXPECT_EQ(secondCount.load(), 42);
  EXPECT_EQ(fiveSecondCalls, 2);
  EXPECT_EQ(pausedDisplays, 2);
  EXPECT_EQ(secondDisplays, 0);
  TrafficRecord record = recordOf({});
  EXPECT_FALSE(gf_queueTrafficRecord(std::move(record)));
  stopRequested.store(true);
  EXPECT_FALSE(lf_tick());
  stopRequested.store(false);
}

LiveAc& activeAircraft(std::uint32_t objectId) {
  for (int i = 0; i < 2; ++i) route({4.0 * i});
  LiveAc& ac = trafficEngine.live.back();
  ac.sim.simState = AcSimState::Active;
  ac.sim.objectId = objectId;
  return ac;
}

TEST_F(EnginePass, FeedbackRecords) {
  LiveAc& ac = activeAircraft(0);
  ac.sim.simState = AcSimState::Adding2Sim;
  gf_postFeedback({2, hexid, 0, FeedbackKind::LiveCreated, 0.0, 900.0});  // ids 1 and 2 are not objects
  lf_handleFeedback();
  EXPECT_EQ(trafficEngine.live.front().sim.objectId, 0u);
  gf_postFeedback({300, hexid, 0, FeedbackKind::LiveCreated, 0.0, 900.0});
  lf_handleFeedback();
  EXPECT_EQ(trafficEngine.live.front().sim.objectId, 300u);
  EXPECT_EQ(trafficEngine.live.front().heightAboveGround, 900.0);
  ASSERT_EQ(trafficEngine.activations.size(), 1u);
  for (int i = 1; i < activationTicks; ++i) lf_activateCreated();
  EXPECT_EQ(trafficEngine.live.front().sim.simState, AcSimState::Active);
  EXPECT_TRUE(trafficEngine.activations.empty());

  const double cg = trafficEngine.live.front().groundCgHeight;
  gf_postFeedback({300, 0, 0, FeedbackKind::StaticCg, 40.0, 3.0 * radiansPerDegree});
  lf_handleFeedback();
  EXPECT_EQ(trafficEngine.live.front().groundCgHeight, cg);
  EXPECT_NEAR(trafficEngine.live.front().groundPitch, 0.7 * radiansPerDegree, 1e-12);
  gf_postFeedback({300, 0, 0, FeedbackKind::StaticCg, 12.0, 1.0 * radiansPerDegree});
  lf_handleFeedback();
  EXPECT_EQ(trafficEngine.live.front().groundCgHeight, 12.0);
  EXPECT_NEAR(trafficEngine.live.front().groundPitch, 1.0 * radiansPerDegree, 1e-12);

  gf_postFeedback({300, 1, 0, FeedbackKind::GroundData, 364.0, 8.0});
  lf_handleFeedback();
  EXPECT_TRUE(trafficEngine.live.front().onGroundConfirmed);
  EXPECT_EQ(trafficEngine.live.front().altitude, 364.0 + 12.0);

  // Removed while respawning: back to the buffer to be created again.
  liveryRespawn(trafficEngine.live.front());
  EXPECT_EQ(trafficEngine.live.front().sim.simState, AcSimState::LiveryRespawn);
  gf_postFeedback({300, 0, 0, FeedbackKind::Removed, 0.0, 0.0});
  lf_handleFeedback();
  EXPECT_EQ(trafficEngine.live.front().sim.simState, AcSimState::Buffer);
  EXPECT_EQ(trafficEngine.live.front().sim.objectId, 0u);
  EXPECT_EQ(trafficEngine.live.front().sim.throttleIndex, 5u);

  // Blocked in the buffer: erased, with its line.
  gf_postFeedback({0, hexid, 0, FeedbackKind::Blocked, 0.0, 0.0});
  lf_handleFeedback();
  EXPECT_TRUE(trafficEngine.live.front().sim.erase);
  EXPECT_NE(harness.log().text().find("will be removed from buffer while blocked"), std::string::npos);
}

TEST_F(EnginePass, FlightPlanThatCannotBeWrittenIsLogged) {
  flightPlanFolder = harness.log().folder() / "no-such-folder";
  TrafficRecord record = recordOf({});
  record.identity.origin = FixedCode<3>("FRA");
  record.identity.destination = FixedCode<3>("LHR");
  lf_routeTrafficRecord(record);
  trafficEngine.live.front().sim.simState = AcSimState::Adding2Sim;
  gf_postFeedback({300, hexid, 0, FeedbackKind::LiveCreated, 0.0, 900.0});
  lf_handleFeedback();
  EXPECT_EQ(trafficEngine.live.front().hasFlightPlan, 0);
  EXPECT_NE(harness.log().text().find("creating a flight plan failed"), std::string::npos);

  ASSERT_TRUE(gf_createFlightPlanFolder(harness.log().folder()));
  gf_resetTraffic();
  lf_routeTrafficRecord(record);
  trafficEngine.live.front().sim.simState = AcSimState::Adding2Sim;
  gf_postFeedback({301, hexid, 0, FeedbackKind::LiveCreated, 0.0, 900.0});
  lf_handleFeedback();
  EXPECT_EQ(trafficEngine.live.front().hasFlightPlan, 1);
  EXPECT_TRUE(std::filesystem::exists(gf_flightPlanPath(301)));
  gf_postFeedback({301, 0, 0, FeedbackKind::Removed, 0.0, 0.0});
  lf_handleFeedback();
  EXPECT_FALSE(std::filesystem::exists(gf_flightPlanPath(301)));
  flightPlanFolder.clear();
}

// Handling a record may post further feedback (here: the removal hook of an
// active aircraft); the feedback lock is not held meanwhile.
void postFromHandling(const AiControlled& aircraft) {
  gf_postFeedback({aircraft.objectId, 0, 0, FeedbackKind::StaticCg, 12.0, 0.0});
}

TEST_F(EnginePass, FeedbackIsHandledOutsideItsLock) {
  activeAircraft(300);
  gf_installLiveRemovalHook(&postFromHandling);
  gf_postFeedback({0, hexid, 0, FeedbackKind::Blocked, 0.0, 0.0});
  lf_handleFeedback();  // would never return while holding the lock
  gf_installLiveRemovalHook(nullptr);
  EXPECT_EQ(trafficEngine.live.front().sim.simState, AcSimState::RemovingFromSim);
  lf_handleFeedback();
  EXPECT_EQ(trafficEngine.live.front().groundCgHeight, 12.0);
}

TEST_F(EnginePass, ResetEmptiesEverything) {
  activeAircraft(300);
  trafficEngine.addingStack.push_back(1);
  trafficEngine.queuedRemovals.push_back(300);
  trafficEngine.ghostCallsigns.push_back("X_");
  RememberedLiveries[hexid] = {lufthansaTitle, {}};
  {
    std::lock_guard lock(trafficRecordMutex);
    trafficRecordQueue.push_back(recordOf({}));
  }
  // Left behind by the last run's park airport: its objects went with the simulator.
  AcIdentity identity;
  identity.callsign = "BAW9*";
  staticAircraft.emplace_back(identity);
  staticAircraft.back().sim.simState = AcSimState::RemovingFromSim;
  parkedEntries.push_back({});
  parkedLive.push_back({});
  gf_resetTraffic();
  EXPECT_TRUE(staticAircraft.empty());
  EXPECT_TRUE(parkedEntries.empty());
  EXPECT_TRUE(parkedLive.empty());
  EXPECT_TRUE(trafficEngine.live.empty());
  EXPECT_TRUE(trafficEngine.addingStack.empty());
  EXPECT_TRUE(trafficEngine.queuedRemovals.empty());
  EXPECT_TRUE(trafficEngine.ghostCallsigns.empty());
  EXPECT_TRUE(RememberedLiveries.empty());
  EXPECT_EQ(testsupport::FeedState::queuedCount(), 0u);
  EXPECT_GE(trafficEngine.live.capacity(), liveReserve);
}


EngineHarness* pausingHarness = nullptr;
// Simulated waiting: the frames of the wait, with their replies.
void stepFramesOfWait(std::chrono::milliseconds wait) {
  pausingHarness->client().step(static_cast<std::uint64_t>(wait.count() / 10));
}

TEST(EngineWait, WaitsForARunningFlightAndTheUserPosition) {
  EngineHarness harness(liveries(), {lufthansaTitle}, true);
  pausingHarness = &harness;
  harness.emulator().setSimRunning(false);
  harness.client().pump();
  gf_resetUserAircraft();
  trafficEngine.user = {};
  stopRequested.store(true);
  EXPECT_FALSE(lf_waitForUserAircraft(&stepFramesOfWait));
  stopRequested.store(false);

  harness.emulator().setSimRunning(true);
  EXPECT_TRUE(lf_waitForUserAircraft(&stepFramesOfWait));
  EXPECT_TRUE(userOnGroundKnown.load());
  EXPECT_NEAR(trafficEngine.user.latitude, 50.0333, 1e-9);
  const auto calls = harness.emulator().calls();
  const auto asked = [&](std::uint32_t request) {
    return std::any_of(calls.begin(), calls.end(), [&](const simemu::CallRecord& c) {
      return c.function == "RequestDataOnSimObject" && c.id == request;
    });
  };
  EXPECT_TRUE(asked(UserTitleRequest));
  EXPECT_TRUE(asked(UserModelRequest));
  pausingHarness = nullptr;
}

struct TooCloseCase {
  const char* name;
  double northNm, eastNm, headingDeg, altitudeFt;
  bool removed;
};

TEST_F(EnginePass, TooCloseAheadOfTheUserInTheAir) {
  // The user at 50.0333 N 8.5706 E, 372 ft; about 0.0166 degrees of latitude a nautical mile.
  const TooCloseCase cases[] = {
      {"ahead, same way", 2.0, 0.0, 0.0, 1000.0, true},
      {"ahead, coming at the user", 2.0, 0.0, 180.0, 1000.0, false},
      {"beyond 4 nm", 4.2, 0.0, 0.0, 1000.0, false},
      {"1000 ft apart", 2.0, 0.0, 0.0, 1372.0, false},
      {"beside, 0.1 nm", 2.0, 0.1, 0.0, 1000.0, true},
      {"beside, 0.2 nm", 2.0, 0.2, 0.0, 1000.0, false},
  };
  for (const TooCloseCase& c : cases) {
    gf_resetTraffic();
    trafficEngine.user = gf_userStateCopy();
    LiveAc& ac = activeAircraft(300);
    ac.lat = 50.0333 + c.northNm / 60.0;
    ac.lon = 8.5706 + c.eastNm / 60.0 / std::cos(50.0333 * radiansPerDegree);
    ac.heading = c.headingDeg * radiansPerDegree;
    ac.altitude = c.altitudeFt;
    EXPECT_EQ(gf_tooCloseAheadOfUser(ac, tooCloseLimits[0]), c.removed) << c.name;
    EXPECT_EQ(ac.sim.simState == AcSimState::RemovingFromSim, c.removed) << c.name;
  }
}


TEST_F(EnginePass, ActiveAircraftWithoutObjectIsLoggedAndRemoved) {
  LiveAc& ac = activeAircraft(0);
  tickCount.store(dueDelayTicks);
  updateLiveAc(ac);
  EXPECT_EQ(ac.sim.simState, AcSimState::RemovingFromSim);
  EXPECT_NE(harness.log().text().find("objectid=0? hexid: 4837645,cs:DLH123, reg:D-AIZZ, aimo:A320 sz:"),
            std::string::npos);
  EXPECT_TRUE(gf_positionFillBuffer().empty());
}

TEST(TickCadence, LateWakeRunsOnePassAndResumesFromNow) {
  const std::chrono::steady_clock::time_point t{std::chrono::seconds(1000)};
  struct Case {
    const char* name;
    std::chrono::milliseconds late;
    std::chrono::steady_clock::time_point wake;
  };
  const Case cases[] = {
      {"early", -5ms, t},                  // sleeps until the deadline
      {"on time", 0ms, t},
      {"100 ms late", 100ms, t},           // still runs the missed deadline at once
      {"150 ms late", 150ms, t + 160ms},   // re-based: now + 10 ms
  };
  for (const Case& c : cases) EXPECT_EQ(gf_tickWakeTime(t, t + c.late), c.wake) << c.name;
  EXPECT_EQ(gf_nextTickDeadline(t, t + 3ms, false), t + 10ms);
  EXPECT_EQ(gf_nextTickDeadline(t, t + 3ms, true), t + 13ms);  // aligned to the simulator's reply
}


TEST_F(EnginePass, WindowRequestsRunAtTheNextEngineSecond) {
  const char* callsigns[] = {"KLM7", "DLH2", "BAW9"};
  for (std::uint32_t i = 0; i < 3; ++i) {
    for (int k = 0; k < 2; ++k) route({4.0 * k, 36000, 450, 90, 50.2 + 0.1 * i}, hexid + i, callsigns[i]);
    trafficEngine.live[i].sim.simState = AcSimState::Active;
    trafficEngine.live[i].sim.objectId = 300 + i;
  }
  trafficEngine.live[2].phase = AcPhase::Parked;
  EXPECT_TRUE(gf_refreshCallsignChoices());
  EXPECT_EQ(callsignChoices->snapshot(), (std::vector<std::string>{"DLH2", "KLM7"}));  // sorted, not the parked one

  CALLSIGN_2_OBJECTID.setCurrent("KLM7");
  objectIdLookupPending.store(true);
  BLOCK_CALLSIGN.setCurrent("DLH2");
  blockChangeRequested.store(true);
  navLightsRequested.store(true);
  const auto eventsBefore = gf_queueSizesForTests().events;
  secondCount = 1;
  newUserData.store(true);
  lf_tick();
  EXPECT_EQ(gf_queueSizesForTests().events, eventsBefore + 1);  // nav lights of the one parked aircraft
  EXPECT_EQ(lookedUpObjectId.load(), 300u);
  EXPECT_EQ(trafficEngine.live[1].sim.simState, AcSimState::RemovingFromSim);
  EXPECT_EQ(trafficEngine.live[0].sim.simState, AcSimState::Active);
  EXPECT_FALSE(blockChangeRequested.load());
  // The looked-up aircraft goes: the look-up and the choices go with it (DLH2's removal left them).
  gf_removeLiveAc(trafficEngine.live[0]);
  EXPECT_EQ(std::pair(lookedUpObjectId.load(), callsignChoices->snapshot()), std::pair(0u, std::vector<std::string>{""}));

  for (auto& ac : trafficEngine.live) ac.phase = AcPhase::Parked;
  EXPECT_FALSE(gf_refreshCallsignChoices());
  EXPECT_EQ(callsignChoices->snapshot(), std::vector<std::string>{""});
}

// "Flush static" at the next engine second; an announced static-parking
// update collects the feed's callsigns for one 15-second look, then adjusts.
TEST_F(EnginePass, FlushAndAnnouncedStaticUpdates) {
  static int flushes = 0, updates = 0, controlChanges = 0;
  flushes = updates = controlChanges = 0;
  // The update's second phase is one of the places that clear an error.
  static struct ErrorLine final : StatusLineSink {
    bool showNotice(const std::string&) override { return true; }
    void showError(const std::string& text) override { error = text; }
    void clearNotice() override {}
    void clearError() override { error.clear(); }
    std::string error;
  } line;
  gf_installStatusLine(&line);
  TrafficEngineHooks hooks;
  hooks.removeAllStatic = [] { ++flushes; };
  hooks.staticUpdate = [] { ++updates; };
  hooks.parkControls = [](bool) { ++controlChanges; };
  gf_installTrafficEngineHooks(hooks);
  const auto pass = [](std::int32_t second) {
    secondCount = second;
    newUserData.store(true);
    lf_tick();
  };

  INITIAL_LOAD_ONLY.setCurrent(false);
  flushStaticRequested.store(true);
  pass(1);
  EXPECT_EQ(flushes, 1);
  EXPECT_TRUE(INITIAL_LOAD_ONLY.current());
  EXPECT_FALSE(flushStaticRequested.load());
  INITIAL_LOAD_ONLY.setCurrent(false);

  AirportRecord park;
  park.icao = FixedCode<4>("EDDF");
  park.latitude = 50.0333;
  park.longitude = 8.5706;
  gf_setParkAirport(park);
  standTable.emplace_back("A1", std::vector<StandOption>{}, 50.03, 8.57, 0.0, 20.0, std::int16_t{5}, false, false,
                          false);
  secondCount = 20;
  lf_announceStaticParkingUpdate();  // the next 15-second look comes in 10 s
  EXPECT_TRUE(parkControlsDisabled.load());
  EXPECT_EQ(controlChanges, 1);
  setStatusError("88: stream decrypt failed");
  pass(29);  // collecting: the reader gathers the feed's callsigns
  EXPECT_TRUE(staticUpdateCollecting);
  EXPECT_TRUE(trafficReader.collectingCallsigns());
  EXPECT_EQ(updates, 0);
  EXPECT_EQ(line.error, "88: stream decrypt failed");
  pass(44);
  EXPECT_EQ(updates, 1);
  EXPECT_EQ(line.error, "");
  EXPECT_FALSE(staticUpdateRequested.load());
  EXPECT_FALSE(staticUpdateCollecting);
  pass(59);
  EXPECT_EQ(updates, 1);

  // The park airport is left while the feed's callsigns are collected: no
  // update, and the reader stops collecting.
  lf_announceStaticParkingUpdate();
  pass(74);
  EXPECT_TRUE(trafficReader.collectingCallsigns());
  gf_clearParkAirport();
  pass(89);
  EXPECT_EQ(updates, 1);
  EXPECT_FALSE(staticUpdateRequested.load());
  EXPECT_FALSE(trafficReader.collectingCallsigns());

  gf_clearStands(standTable);
  gf_clearParkAirport();
  trafficReader.setCollectCallsigns(false);
  gf_enableParkControls();
  gf_installStatusLine(nullptr);
}

} // namespace
} // namespace gwr
