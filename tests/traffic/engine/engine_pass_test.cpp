// The traffic engine pass by pass: routing of records, refusals at the intake,
// the buffer rules, spawning, and removals near the user or without an object.
#include <gtest/gtest.h>

#include <chrono>

#include "traffic/engine/engine_pass.h"

namespace gwr {
namespace {

using namespace std::chrono_literals;
using namespace enginepass;

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

  // A stream of more than 200 reports: the next report removes the aircraft.
  for (const auto& [count, erased] : {std::pair{200, false}, {201, true}}) {
    gf_resetTraffic();
    tickCount.store(0);
    routeSome(count + 1);
    EXPECT_EQ(std::pair(streamSize(), front().sim.erase), std::pair(std::size_t(erased ? count : count + 1), erased))
        << count;
  }

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

// Not created with a live limit of 0 or a blocked callsign; a callsign that is
// not valid (empty, the placeholder, more than 8 characters) gives way to the
// registration, and with that not valid either it is not created.
TEST_F(EnginePass, BlockedCallsignAndLimitZeroAreNotCreated) {
  const struct {
    int limit;
    const char *blocked, *callsign, *registration, *flown;  // flown: the callsign it is created with
  } cases[] = {
      {0, "", "DLH123", "D-AIZZ", nullptr},           {100, "DLH123", "DLH123", "D-AIZZ", nullptr},
      {100, "", "DLH12345", "D-AIZZ", "DLH12345"},    {100, "", "DLH123456", "D-AIZZ", "D-AIZZ"},
      {100, "", "@@@@@@@@", "D-AIZZ", "D-AIZZ"},      {100, "", "", "D-AIZZ", "D-AIZZ"},
      {100, "", "@@@@@@@@", "", nullptr},             {100, "", "@@@@@@@@", "D-AIZZ12345", nullptr},
  };
  for (const auto& c : cases) {
    gf_resetTraffic();
    tickCount.store(0);
    MAX_LIVE_SEL.setCurrent(c.limit);
    BLOCK_CALLSIGN.setCurrent(c.blocked);
    for (int i = 0; i < 3; ++i) {
      TrafficRecord record = recordOf({4.0 * i}, hexid, c.callsign);
      record.identity.registration = c.registration;
      lf_routeTrafficRecord(record);
    }
    tickCount.store(dueDelayTicks);
    EXPECT_EQ(updateLiveAc(front()), c.flown == nullptr) << c.limit << c.blocked << c.callsign << c.registration;
    if (c.flown != nullptr) {
      EXPECT_EQ(front().callsign, c.flown) << c.callsign << c.registration;
    }
  }
  MAX_LIVE_SEL.setCurrent(MAX_LIVE_SEL.defaultValue());
  BLOCK_CALLSIGN.setCurrent(BLOCK_CALLSIGN.defaultValue());
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

} // namespace
} // namespace gwr
