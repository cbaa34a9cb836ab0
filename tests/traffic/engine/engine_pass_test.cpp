// The traffic engine pass by pass: routing of records, the buffer rules, the
// throttled hand-over to the simulator client, the schedule of the timed
// work, the handling of feedback records and the reset.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "airports/park_stand_table.h"
#include "core/geo.h"
#include "core/settings_catalogue.h"
#include "core/status_line.h"
#include "liveries/refused_liveries.h"
#include "platform/ui/controls.h"
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
#include "traffic/parking/static_renewal.h"
#include "traffic/simclient/sim_ids.h"
#include "traffic/simclient/user_aircraft.h"

namespace gwr {
namespace {

using namespace std::chrono_literals;
using testsupport::EngineHarness;

constexpr const char* lufthansaTitle = "Airbus A320 Lufthansa";
constexpr std::uint32_t hexid = 4837645;
constexpr double t0 = 1718000000.0;

struct Report {
  double dt = 0.0;  // seconds after t0
  double altitude = 36000.0, groundSpeed = 450.0, track = 90.0;
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
// `count` reports 4 s apart (or `every`), as routed by the reader.
void routeSome(int count, Report r = {}, std::uint32_t id = hexid, const std::string& callsign = "DLH123",
               double every = 4.0) {
  for (int i = 0; i < count; ++i, r.dt += every) route(r, id, callsign);
}
std::size_t streamSize() {
  const LiveAc* ac = trafficEngine.findHexid(hexid);
  return ac == nullptr ? 0 : ac->samples.size();
}
void feedback(const SimFeedback& f) {
  gf_postFeedback(f);
  lf_handleFeedback();
}
bool pass(std::int32_t second) {
  secondCount = second;
  newUserData.store(true);
  return lf_tick();
}
LiveAc& front() { return trafficEngine.live.front(); }

class EnginePass : public ::testing::Test {
 protected:
  void TearDown() override {
    gf_installTrafficEngineHooks({});
    gf_clearParkAirport();
  }
  EngineHarness harness{{{"DLH", "", "A320", false, lufthansaTitle, ""}}, {lufthansaTitle}};
};

TEST_F(EnginePass, RoutingDropsRepeatsJumpsAndStraightLegs) {
  const struct { const char* name; Report first, second; bool taken; } cases[] = {
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
  for (const auto& c : cases) {
    gf_resetTraffic();
    route(c.first);
    route(c.second);
    EXPECT_EQ(streamSize(), c.taken ? 2u : 1u) << c.name;
  }
}

// Records the intake refuses before any stream: low over the park airport
// (field 364 ft), a live aircraft's callsign and model under another hexid,
// unknown models and switched-off categories.
TEST_F(EnginePass, RecordsRefusedAtTheIntake) {
  for (const auto& [altitude, taken] : {std::pair{364.0 + 50.0, false}, {364.0 + 108.0, false},
                                        {364.0 + 109.0, true}, {0.0, true}}) {
    gf_resetTraffic();  // leaves the park airport too
    harness.readFrankfurtAsParkAirport();
    route({0.0, altitude, 140});
    EXPECT_EQ(streamSize(), taken ? 1u : 0u) << altitude;
  }
  gf_resetTraffic();
  harness.readFrankfurtAsParkAirport();
  route({0.0, 0.0, 0.0});
  route({20.0, 364.0 + 50.0, 140});  // a buffered aircraft refuses it too
  EXPECT_EQ(streamSize(), 1u);

  // Another hexid under a live aircraft's callsign: the same aircraft, unless
  // its model differs or it gives no callsign.
  for (const auto& [callsign, model, taken] : {std::tuple{"DLH123", "A320", false}, {"DLH123", "B772", true},
                                               {"", "A320", true}, {"DLH124", "A320", true}}) {
    gf_resetTraffic();
    route({});
    TrafficRecord twin = recordOf({4.0}, hexid + 1, callsign);
    twin.identity.key.model = gf_modelIndex(model);
    lf_routeTrafficRecord(twin);
    EXPECT_EQ(trafficEngine.live.size(), taken ? 2u : 1u) << callsign << model;
  }

  gf_resetTraffic();
  TrafficRecord record = recordOf({});
  record.identity.key.model = gf_modelIndex("ZZZZ");
  lf_routeTrafficRecord(record);
  EXPECT_TRUE(trafficEngine.live.empty());
  HELICOPTERS.setCurrent(false);
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
  EXPECT_TRUE(updateLiveAc(front()));

  // Air and ground reports together: the oldest goes, nothing is created.
  gf_resetTraffic();
  tickCount.store(0);
  route({0.0, 0.0, 140.0, 90.0});
  route({4.0, 500.0, 150.0, 95.0});
  route({8.0, 900.0, 160.0, 100.0});
  tickCount.store(dueDelayTicks);
  EXPECT_FALSE(updateLiveAc(front()));
  EXPECT_EQ(std::pair(front().samples.size(), front().sim.simState), std::pair(std::size_t{2}, AcSimState::Buffer));

  // Eleven queued creations: a newborn loses one report a tick.
  gf_resetTraffic();
  tickCount.store(0);
  routeSome(4);
  trafficEngine.queuedLiveCreations.resize(11);
  tickCount.store(dueDelayTicks + 10);  // reports routed together fall due a tick apart
  updateLiveAc(front());
  EXPECT_EQ(front().samples.size(), 3u);
  trafficEngine.queuedLiveCreations.resize(10);
  updateLiveAc(front());
  EXPECT_EQ(front().sim.simState, AcSimState::Adding2Sim);
  EXPECT_EQ(trafficEngine.addingStack, std::vector<std::uint32_t>{hexid});

  // The user in the air (50.0333 N 8.5706 E, 372 ft): one due 2 nm ahead of it at
  // 1000 ft, flying on north, goes at once (its later reports may bring it back);
  // one 2 nm behind it is created.
  for (const auto& [northNm, erased] : {std::pair{2.0, true}, {-2.0, false}}) {
    gf_resetTraffic();
    harness.emulator().setUserOnGround(false);
    gf_requestUserOnGround();
    harness.client().pump();
    trafficEngine.user = gf_userStateCopy();
    tickCount.store(0);
    routeSome(3, {0.0, 1000.0, 450.0, 0.0, 50.0333 + northNm / 60.0, 8.5706});
    tickCount.store(dueDelayTicks);
    EXPECT_EQ(updateLiveAc(front()), erased) << northNm;
    EXPECT_EQ(trafficEngine.addingStack.empty(), erased) << northNm;
  }
}

// The user on the ground at 50.0333 N 8.5706 E: a newborn's due ground report
// within 150 m of it is dropped, which keeps it from being created at that
// tick; beyond, or with COLLISION_USER_GND off, it is created.
TEST_F(EnginePass, AGroundReportBesideTheUserOnTheGroundIsDropped) {
  const struct { double northMetres; bool collisions, created; } cases[] = {
      {140.0, true, false}, {160.0, true, true}, {140.0, false, true}, {-140.0, true, false}};
  for (const auto& c : cases) {
    gf_resetTraffic();
    COLLISION_USER_GND.setCurrent(c.collisions);
    harness.emulator().setUserOnGround(true);
    gf_requestUserOnGround();
    harness.client().pump();
    trafficEngine.user = gf_userStateCopy();
    tickCount.store(0);
    // Taxiing east at 5 kt from there, a report every 20 s.
    routeSome(3, {0.0, 0.0, 5.0, 90.0, 50.0333 + c.northMetres / 1852.0 / 60.0, 8.5706}, hexid, "DLH123", 20.0);
    tickCount.store(dueDelayTicks);
    updateLiveAc(front());
    EXPECT_EQ(front().sim.simState == AcSimState::Adding2Sim, c.created) << c.northMetres << c.collisions;
  }
  COLLISION_USER_GND.setCurrent(COLLISION_USER_GND.defaultValue());
}

// Its first attitude: pitch -3 degrees less 2.2 degrees per 600 ft/min of
// climb (at most 2400 ft/min; a descent of at most 3000 ft/min counts half),
// 0.6 degrees on the ground; its bank the report's roll; its nose towards the
// second report.
TEST_F(EnginePass, TheFirstAttitudeComesFromTheFrontReports) {
  const struct { double altitude, fpm; std::optional<double> roll; double pitchDeg, bankDeg; } cases[] = {
      {3000.0, 0.0, {}, -3.0, 0.0},          {3000.0, 1200.0, 0.1, -7.4, 0.1 / radiansPerDegree},
      {3000.0, 3000.0, {}, -11.8, 0.0},      {3000.0, -1200.0, {}, -0.8, 0.0},
      {3000.0, -4000.0, -0.2, 2.5, -0.2 / radiansPerDegree}, {0.0, -500.0, {}, 0.6, 0.0},
  };
  for (const auto& c : cases) {
    gf_resetTraffic();
    tickCount.store(0);
    for (int i = 0; i < 3; ++i) {
      TrafficRecord record = recordOf({4.0 * i, c.altitude, 140.0, 30.0});
      record.verticalSpeed = c.fpm;
      record.roll = c.roll;
      lf_routeTrafficRecord(record);
    }
    tickCount.store(dueDelayTicks);
    updateLiveAc(front());
    ASSERT_EQ(front().sim.simState, AcSimState::Adding2Sim) << c.fpm;
    EXPECT_NEAR(front().pitch / radiansPerDegree, c.pitchDeg, 1e-9) << c.fpm;
    EXPECT_NEAR(front().bank / radiansPerDegree, c.bankDeg, 1e-9) << c.fpm;
    EXPECT_NEAR(front().heading / radiansPerDegree, 30.0, 0.1) << c.fpm;
  }
}

TEST_F(EnginePass, UnderscoreTwinOfALiveCallsignIsDropped) {
  tickCount.store(0);
  routeSome(3);
  routeSome(3, {0.0, 36000, 450, 90, 50.3}, hexid + 1, "DLH123_");
  tickCount.store(dueDelayTicks);
  EXPECT_FALSE(updateLiveAc(trafficEngine.live[0]));
  EXPECT_TRUE(updateLiveAc(trafficEngine.live[1]));
  EXPECT_EQ(trafficEngine.live[0].sim.simState, AcSimState::Adding2Sim);
}

// A newborn whose callsign a live aircraft wears with the mark "_" removes
// that ghost, names it in the log (by its stand when parked) and lists it.
TEST_F(EnginePass, ANewbornRemovesItsMarkedGhost) {
  const struct { bool parked; const char* line; } cases[] = {
      {true, "7       : DLH123_  is a ghost and will be removed, continue with DLH123\n"},
      {false, "          DLH123_  is a ghost and will be removed, continue with DLH123\n"},
  };
  for (const auto& c : cases) {
    gf_resetTraffic();
    tickCount.store(0);
    routeSome(3, {0.0, 36000, 450, 90, 50.3}, hexid + 1, "DLH123_", 30.0);
    LiveAc& ghost = front();
    std::tie(ghost.sim.simState, ghost.sim.objectId, ghost.standNumber) = std::tuple(AcSimState::Active, 300u, 7);
    if (c.parked) ghost.setPhase(AcPhase::Parked);
    routeSome(3);
    tickCount.store(dueDelayTicks);
    updateLiveAc(trafficEngine.live.back());
    EXPECT_EQ(trafficEngine.live.back().sim.simState, AcSimState::Adding2Sim) << c.parked;
    EXPECT_EQ(front().sim.simState, AcSimState::RemovingFromSim) << c.parked;
    EXPECT_EQ(trafficEngine.ghostCallsigns, std::vector<std::string>{"DLH123_"}) << c.parked;
    EXPECT_NE(harness.log().text().find(c.line), std::string::npos) << harness.log().text();
  }
}

bool refuseStandAtBirth(LiveAc& aircraft) {
  aircraft.sim.erase = true;  // the stand is held by a flight that stays
  return false;
}

TEST_F(EnginePass, RefusedAtItsBirthStandIsNotSpawned) {
  tickCount.store(0);
  routeSome(3, {0.0, 36000, 450, 90, 50.3}, hexid + 1, "DLH123_", 30.0);
  LiveAc& ghost = front();
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
  EXPECT_EQ(front().sim.simState, AcSimState::Active);
  EXPECT_TRUE(trafficEngine.ghostCallsigns.empty());
}

TEST_F(EnginePass, BlockedCallsignAndLimitZeroAreNotCreated) {
  for (const auto& [limit, blocked] : {std::pair{0, std::string()}, std::pair{100, std::string("DLH123")}}) {
    gf_resetTraffic();
    tickCount.store(0);
    MAX_LIVE_SEL.setCurrent(limit);
    BLOCK_CALLSIGN.setCurrent(blocked);
    routeSome(3);
    tickCount.store(dueDelayTicks);
    EXPECT_TRUE(updateLiveAc(front())) << limit << blocked;
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
  const auto release = [](std::int32_t tick) {
    tickCount.store(tick);
    lf_releaseQueuedRequests();
    const auto sizes = gf_queueSizesForTests();
    return std::tuple(sizes.creations, sizes.removals, trafficEngine.queuedLiveCreations.size(),
                      trafficEngine.queuedStaticCreations.size(), trafficEngine.queuedRemovals.size());
  };
  EXPECT_EQ(release(49), std::tuple(0u, 0u, 2u, 1u, 2u));
  EXPECT_EQ(release(50), std::tuple(1u, 1u, 1u, 1u, 1u));
  release(100);
  EXPECT_EQ(release(150), std::tuple(3u, 2u, 0u, 0u, 0u));
}

int parkDriverCalls = 0, fiveSecondCalls = 0, autoRangeCalls = 0;

// The 16-second park driver waits while an update collects callsigns; the
// automatic range runs every 30 s, only while AUTO_RANGE is on.
TEST_F(EnginePass, TimedWorkFollowsTheEngineSecond) {
  TrafficEngineHooks hooks;
  hooks.parkAirportDriver = [](bool) { ++parkDriverCalls; };
  hooks.every5Seconds = [] { ++fiveSecondCalls; };
  hooks.autoRange = [] { ++autoRangeCalls; };
  gf_installTrafficEngineHooks(hooks);
  const struct {
    std::int32_t before;
    bool collecting, autoRange;
    int park, five, range;
    std::int32_t after;
  } cases[] = {{15, false, true, 1, 0, 0, 16},    {15, true, true, 0, 0, 0, 16},     {79, false, true, 0, 1, 0, 80},
               {29, false, true, 0, 1, 1, 30},    {29, false, false, 0, 1, 0, 30},   {44, false, true, 0, 1, 0, 45},
               {47, false, true, 1, 0, 0, 48},    {159, false, true, 0, 1, 0, 160},  {86399, false, true, 0, 1, 1, 0},
               {60, false, true, 0, 0, 0, 61}};
  for (const auto& c : cases) {
    parkDriverCalls = fiveSecondCalls = autoRangeCalls = 0;
    staticUpdateCollecting = c.collecting;
    AUTO_RANGE.setCurrent(c.autoRange);
    ASSERT_TRUE(pass(c.before));
    EXPECT_EQ(std::tuple(parkDriverCalls, fiveSecondCalls, autoRangeCalls, secondCount.load()),
              std::tuple(c.park, c.five, c.range, c.after))
        << c.before << " collecting " << c.collecting << " auto " << c.autoRange;
  }
  staticUpdateCollecting = false;
  AUTO_RANGE.setCurrent(AUTO_RANGE.defaultValue());
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
  EXPECT_EQ(std::tuple(tickCount.load(), secondCount.load(), fiveSecondCalls, pausedDisplays, secondDisplays),
            std::tuple(1234, 42, 2, 2, 0));
  EXPECT_FALSE(gf_queueTrafficRecord(recordOf({})));
  stopRequested.store(true);
  EXPECT_FALSE(lf_tick());
  stopRequested.store(false);
  gf_resetTraffic();  // the next run counts both from its start
  EXPECT_EQ(std::tuple(tickCount.load(), secondCount.load()), std::tuple(0, 0));
}

LiveAc& activeAircraft(std::uint32_t objectId) {
  routeSome(2);
  LiveAc& ac = trafficEngine.live.back();
  ac.sim.simState = AcSimState::Active;
  ac.sim.objectId = objectId;
  return ac;
}

TEST_F(EnginePass, FeedbackRecords) {
  activeAircraft(0).sim.simState = AcSimState::Adding2Sim;
  feedback({2, hexid, 0, FeedbackKind::LiveCreated, 0.0, 900.0});  // ids 1 and 2 are not objects
  EXPECT_EQ(front().sim.objectId, 0u);
  feedback({300, hexid, 0, FeedbackKind::LiveCreated, 0.0, 900.0});
  EXPECT_EQ(std::pair(front().sim.objectId, front().heightAboveGround), std::pair(300u, 900.0));
  ASSERT_EQ(trafficEngine.activations.size(), 1u);
  for (int i = 1; i < activationTicks; ++i) lf_activateCreated();
  EXPECT_EQ(front().sim.simState, AcSimState::Active);
  EXPECT_TRUE(trafficEngine.activations.empty());

  const double cg = front().groundCgHeight;
  feedback({300, 0, 0, FeedbackKind::StaticCg, 40.0, 3.0 * radiansPerDegree});
  EXPECT_EQ(front().groundCgHeight, cg);
  EXPECT_NEAR(front().groundPitch, 0.7 * radiansPerDegree, 1e-12);
  feedback({300, 0, 0, FeedbackKind::StaticCg, 12.0, 1.0 * radiansPerDegree});
  EXPECT_EQ(front().groundCgHeight, 12.0);
  EXPECT_NEAR(front().groundPitch, 1.0 * radiansPerDegree, 1e-12);

  feedback({300, 1, 0, FeedbackKind::GroundData, 364.0, 8.0});
  EXPECT_TRUE(front().onGroundConfirmed);
  EXPECT_EQ(front().altitude, 364.0 + 12.0);

  // Removed while respawning: back to the buffer to be created again.
  liveryRespawn(front());
  EXPECT_EQ(front().sim.simState, AcSimState::LiveryRespawn);
  feedback({300, 0, 0, FeedbackKind::Removed, 0.0, 0.0});
  EXPECT_EQ(std::tuple(front().sim.simState, front().sim.objectId, front().sim.throttleIndex),
            std::tuple(AcSimState::Buffer, 0u, 5u));

  // Blocked in the buffer: erased, with its line.
  feedback({0, hexid, 0, FeedbackKind::Blocked, 0.0, 0.0});
  EXPECT_TRUE(front().sim.erase);
  EXPECT_NE(harness.log().text().find("will be removed from buffer while blocked"), std::string::npos);
}

TEST_F(EnginePass, FlightPlanThatCannotBeWrittenIsLogged) {
  flightPlanFolder = harness.log().folder() / "no-such-folder";
  TrafficRecord record = recordOf({});
  record.identity.origin = FixedCode<3>("FRA");
  record.identity.destination = FixedCode<3>("LHR");
  for (const std::uint32_t objectId : {300u, 301u}) {
    gf_resetTraffic();
    lf_routeTrafficRecord(record);
    front().sim.simState = AcSimState::Adding2Sim;
    feedback({objectId, hexid, 0, FeedbackKind::LiveCreated, 0.0, 900.0});
    EXPECT_EQ(front().hasFlightPlan, objectId == 301u ? 1 : 0);
    if (objectId == 300u) {
      EXPECT_NE(harness.log().text().find("creating a flight plan failed"), std::string::npos);
      ASSERT_TRUE(gf_createFlightPlanFolder(harness.log().folder()));
    }
  }
  EXPECT_TRUE(std::filesystem::exists(gf_flightPlanPath(301)));
  feedback({301, 0, 0, FeedbackKind::Removed, 0.0, 0.0});
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
  feedback({0, hexid, 0, FeedbackKind::Blocked, 0.0, 0.0});  // would never return while holding the lock
  gf_installLiveRemovalHook(nullptr);
  EXPECT_EQ(front().sim.simState, AcSimState::RemovingFromSim);
  lf_handleFeedback();
  EXPECT_EQ(front().groundCgHeight, 12.0);
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
  standTable.emplace_back("A1", std::vector<StandOption>{}, 50.0, 8.5, 0.0, 30.0, 0, false, false, false);
  gf_resetTraffic();
  EXPECT_TRUE(staticAircraft.empty() && parkedEntries.empty() && parkedLive.empty() && trafficEngine.live.empty() &&
              trafficEngine.addingStack.empty() && trafficEngine.queuedRemovals.empty() &&
              trafficEngine.ghostCallsigns.empty() && RememberedLiveries.empty() && standTable.empty());
  EXPECT_EQ(testsupport::FeedState::queuedCount(), 0u);
  // Reserved once for the process (the harness asked first); a reset keeps the room.
  const struct { const char* container; std::size_t capacity, reserved; } rooms[] = {
      {"live aircraft", trafficEngine.live.capacity(), 512},
      {"static aircraft", staticAircraft.capacity(), 256},
      {"stand table", standTable.capacity(), 512},
      {"feedback", trafficEngine.feedback.capacity(), 256},
      {"second feedback", trafficEngine.activations.capacity(), 128},
      {"adding stack", trafficEngine.addingStack.capacity(), 64},
      {"blocked callsigns", trafficEngine.ghostCallsigns.capacity(), 64},
      {"parked-file entries", parkedEntries.capacity(), 512},
      {"parked live", parkedLive.capacity(), 64},
      {"kept static", gf_renewalListsRoom().kept, 256},
      {"static removals", gf_renewalListsRoom().removals, 256},
  };
  for (const auto& room : rooms) EXPECT_GE(room.capacity, room.reserved) << room.container;
}

EngineHarness* pausingHarness = nullptr;
// Simulated waiting: the frames of the wait, with their replies.
void stepFramesOfWait(std::chrono::milliseconds wait) {
  pausingHarness->client().step(static_cast<std::uint64_t>(wait.count() / 10));
}

TEST(EngineWait, WaitsForARunningFlightAndTheUserPosition) {
  EngineHarness harness({{"DLH", "", "A320", false, lufthansaTitle, ""}}, {lufthansaTitle}, true);
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
  for (const std::uint32_t request : {UserTitleRequest, UserModelRequest}) {
    EXPECT_TRUE(std::any_of(calls.begin(), calls.end(), [&](const simemu::CallRecord& c) {
      return c.function == "RequestDataOnSimObject" && c.id == request;
    })) << request;
  }
  pausingHarness = nullptr;
}

TEST_F(EnginePass, TooCloseAheadOfTheUserInTheAir) {
  // The user at 50.0333 N 8.5706 E, 372 ft; about 0.0166 degrees of latitude a nautical mile.
  const struct { const char* name; double northNm, eastNm, headingDeg, altitudeFt; bool removed; } cases[] = {
      {"ahead, same way", 2.0, 0.0, 0.0, 1000.0, true},     {"ahead, coming at the user", 2.0, 0.0, 180.0, 1000.0, false},
      {"beyond 4 nm", 4.2, 0.0, 0.0, 1000.0, false},        {"1000 ft apart", 2.0, 0.0, 0.0, 1372.0, false},
      {"beside, 0.1 nm", 2.0, 0.1, 0.0, 1000.0, true},      {"beside, 0.2 nm", 2.0, 0.2, 0.0, 1000.0, false},
  };
  for (const auto& c : cases) {
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

TEST_F(EnginePass, TheFarthestActiveAircraftGivesWay) {
  // Great-circle distances at 60 nm a degree of arc; -1: none farther, the newcomer goes.
  struct Ac { double lat, lon; bool active = true; };
  const struct { const char* name; double userLat, userLon, minDistNm; std::vector<Ac> live; int removed; } cases[] = {
      {"none farther than the newcomer", 50.0, 8.0, 30.0, {{50.1667, 8.0}, {49.6667, 8.0}}, -1},
      {"the farthest of three", 50.0, 8.0, 5.0, {{50.1667, 8.0}, {50.0, 9.0371}, {49.5, 8.0}}, 1},
      {"40.05 nm is not beyond 40 by the margin", 50.0, 8.0, 5.0, {{50.6667, 8.0}, {49.3325, 8.0}}, 0},
      {"40.2 nm is", 50.0, 8.0, 5.0, {{50.6667, 8.0}, {49.33, 8.0}}, 1},
      {"one not yet created is passed over", 50.0, 8.0, 5.0, {{50.1667, 8.0}, {49.0, 8.0, false}}, 0},
      {"with no newcomer's distance the first goes", 50.0, 8.0, -1.0, {{50.1667, 8.0}, {49.8317, 8.0}}, 0},
      {"the short way over the date line", 0.0, 179.9, 5.0, {{0.0, 179.5}, {0.0, -179.6}}, 1},
      {"across the pole", 89.5, 0.0, 5.0, {{89.0, 0.0}, {89.5, 180.0}}, 1},
      // 1,350, 1,467.7 and 900 nm: east at a lower latitude lies farther than it looks on a plane.
      {"far north, south-east beyond due south", 70.0, 0.0, 5.0, {{47.5, 0.0}, {50.0, 30.0}, {55.0, 0.0}}, 1},
  };
  for (const auto& c : cases) {
    gf_resetTraffic();
    trafficEngine.user = gf_userStateCopy();
    trafficEngine.user.latitude = c.userLat;
    trafficEngine.user.longitude = c.userLon;
    for (std::size_t k = 0; k < c.live.size(); ++k) {
      routeSome(2, {}, hexid + static_cast<std::uint32_t>(k), "DLH12" + std::to_string(k));
      LiveAc& ac = trafficEngine.live.back();
      ac.sim.simState = c.live[k].active ? AcSimState::Active : AcSimState::Buffer;
      ac.sim.objectId = c.live[k].active ? 300 + static_cast<std::uint32_t>(k) : 0;
      ac.lat = c.live[k].lat;
      ac.lon = c.live[k].lon;
    }
    ASSERT_EQ(trafficEngine.live.size(), c.live.size()) << c.name;
    EXPECT_EQ(gf_removeFarthestLiveAc(c.minDistNm), c.removed < 0) << c.name;
    for (std::size_t k = 0; k < c.live.size(); ++k)
      EXPECT_EQ(trafficEngine.live[k].sim.simState == AcSimState::RemovingFromSim, static_cast<int>(k) == c.removed)
          << c.name << ", aircraft " << k;
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
  EXPECT_EQ(gf_tickWakeTime(t, t - 5ms), t);      // early: sleeps until the deadline
  EXPECT_EQ(gf_tickWakeTime(t, t), t);            // on time
  EXPECT_EQ(gf_tickWakeTime(t, t + 100ms), t);    // still runs the missed deadline at once
  EXPECT_EQ(gf_tickWakeTime(t, t + 150ms), t + 160ms);  // re-based: now + 10 ms
  EXPECT_EQ(gf_nextTickDeadline(t, t + 3ms, false), t + 10ms);
  EXPECT_EQ(gf_nextTickDeadline(t, t + 3ms, true), t + 13ms);  // aligned to the simulator's reply
}

TEST_F(EnginePass, WindowRequestsRunAtTheNextEngineSecond) {
  const char* callsigns[] = {"KLM7", "DLH2", "BAW9"};
  for (std::uint32_t i = 0; i < 3; ++i) {
    routeSome(2, {0.0, 36000, 450, 90, 50.2 + 0.1 * i}, hexid + i, callsigns[i]);
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
  pass(1);
  EXPECT_EQ(gf_queueSizesForTests().events, eventsBefore + 1);  // nav lights of the one parked aircraft
  EXPECT_EQ(lookedUpObjectId.load(), 300u);
  EXPECT_EQ(std::pair(trafficEngine.live[1].sim.simState, trafficEngine.live[0].sim.simState),
            std::pair(AcSimState::RemovingFromSim, AcSimState::Active));
  EXPECT_FALSE(blockChangeRequested.load());
  // The looked-up aircraft goes: the look-up and the choices go with it (DLH2's removal left them).
  gf_removeLiveAc(trafficEngine.live[0]);
  EXPECT_EQ(std::pair(lookedUpObjectId.load(), callsignChoices->snapshot()), std::pair(0u, std::vector<std::string>{""}));

  for (auto& ac : trafficEngine.live) ac.phase = AcPhase::Parked;
  EXPECT_FALSE(gf_refreshCallsignChoices());
  EXPECT_EQ(callsignChoices->snapshot(), std::vector<std::string>{""});
}

// The list opens only with callsigns in it; "Block" only while the callsign
// box is not open. Emptying the list closes both but keeps "cs->oid:", which
// the loop opens when it starts.
TEST_F(EnginePass, CallsignChoicesOpenTheListAndBlockOnlyWithCallsigns) {
  auto& surface = platform::gf_headlessControlSurface();
  const platform::ControlId list = CALLSIGN_2_OBJECTID.controlId, block = BLOCK_BUTTON.controlId,
                            box = BLOCK_CALLSIGN.controlId, lookup = CS_TO_OID_BUTTON.controlId;
  for (const platform::ControlId id : {list, block, box, lookup}) surface.createControl(id);
  routeSome(2, {}, hexid, "KLM7");
  trafficEngine.live[0].sim.simState = AcSimState::Active;
  const struct { AcPhase phase; bool boxOpen, listOpen, blockOpen; } cases[] = {
      {AcPhase::Flying, true, true, false},
      {AcPhase::Flying, false, true, true},
      {AcPhase::Parked, false, false, false},
  };
  for (const auto& c : cases) {
    surface.enable(list, false);
    surface.enable(block, false);
    surface.enable(box, c.boxOpen);
    trafficEngine.live[0].phase = c.phase;
    EXPECT_EQ(gf_refreshCallsignChoices(), c.listOpen);
    EXPECT_EQ(std::pair(surface.isEnabled(list), surface.isEnabled(block)), std::pair(c.listOpen, c.blockOpen))
        << static_cast<int>(c.phase) << " box " << c.boxOpen;
  }
  trafficEngine.live[0].phase = AcPhase::Flying;
  ASSERT_TRUE(gf_refreshCallsignChoices());
  surface.enable(lookup, true);
  gf_clearCallsignChoices();
  EXPECT_EQ(std::tuple(surface.isEnabled(list), surface.isEnabled(block), surface.isEnabled(lookup)),
            std::tuple(false, false, true));

  surface.enable(lookup, false);
  stopRequested.store(true);
  lf_tickLoop();  // its first pass sees the stop
  stopRequested.store(false);
  EXPECT_TRUE(surface.isEnabled(lookup));
  surface.removeAllControls();
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

  INITIAL_LOAD_ONLY.setCurrent(false);
  flushStaticRequested.store(true);
  pass(1);
  EXPECT_EQ(std::tuple(flushes, INITIAL_LOAD_ONLY.current(), flushStaticRequested.load()), std::tuple(1, true, false));
  INITIAL_LOAD_ONLY.setCurrent(false);

  harness.readFrankfurtAsParkAirport({testsupport::frankfurtStand("A1", {50.03, 8.57}, 0.0)});
  controlChanges = 0;  // reading the park airport switches the controls too
  secondCount = 20;
  lf_announceStaticParkingUpdate();  // the next 15-second look comes in 10 s
  EXPECT_EQ(std::pair(parkControlsDisabled.load(), controlChanges), std::pair(true, 1));
  setStatusError("88: stream decrypt failed");
  pass(29);  // collecting: the reader gathers the feed's callsigns
  EXPECT_EQ(std::tuple(staticUpdateCollecting, trafficReader.collectingCallsigns(), updates, line.error),
            std::tuple(true, true, 0, std::string("88: stream decrypt failed")));
  pass(44);
  EXPECT_EQ(std::tuple(updates, line.error, staticUpdateRequested.load(), staticUpdateCollecting),
            std::tuple(1, std::string(), false, false));
  pass(59);
  EXPECT_EQ(updates, 1);

  // The park airport is left while the feed's callsigns are collected: no
  // update, and the reader stops collecting.
  lf_announceStaticParkingUpdate();
  pass(74);
  EXPECT_TRUE(trafficReader.collectingCallsigns());
  gf_clearParkAirport();
  pass(89);
  EXPECT_EQ(std::tuple(updates, staticUpdateRequested.load(), trafficReader.collectingCallsigns()),
            std::tuple(1, false, false));

  gf_clearStands(standTable);
  trafficReader.setCollectCallsigns(false);
  gf_enableParkControls();
  gf_installStatusLine(nullptr);
}

} // namespace
} // namespace gwr
