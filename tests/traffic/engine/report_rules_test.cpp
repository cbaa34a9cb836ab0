// New reports of a known aircraft: a ground speed its positions contradict,
// speed jumps weighed against the feed's own last report, the holding
// threshold, standing reports left behind, and the identity of a returning flight.
#include <gtest/gtest.h>

#include "core/geo.h"
#include "core/settings_catalogue.h"
#include "liveries/livery_tables.h"
#include "refdata/registration_records.h"
#include "support/engine_harness.h"
#include "support/runway_phase_setup.h"
#include "traffic/engine/engine_constants.h"
#include "traffic/engine/live_intake.h"
#include "traffic/feed/park_airport_state.h"
#include "traffic/movement/live_motion.h"

namespace gwr {
namespace {

constexpr std::uint32_t hexid = 4837700;
const LatLon base{50.04, 8.56};

// A report `metres` east of the base, `dt` seconds after the first.
TrafficRecord report(double dt, double metres, double kt, double altitude = 0.0) {
  TrafficRecord r;
  r.identity.key = LivKey{gf_airlineIndex("DLH"), 0, gf_modelIndex("A320"), 0, 0};
  r.identity.callsign = "DLH77";
  r.hexid = hexid;
  r.timestamp = testsupport::harnessStartTime + dt;
  const LatLon at = gf_destinationPoint(base, 90.0 * radiansPerDegree, metres / 0.3048);
  std::tie(r.latitude, r.longitude, r.altitude, r.groundSpeed, r.track) =
      std::tuple(at.latitude, at.longitude, altitude, kt, 90.0);
  r.airborne = altitude > 0.0 ? 1 : 0;
  r.dueTick = tickCount.load() + dueDelayTicks;
  return r;
}

void route(TrafficRecord r) { lf_routeTrafficRecord(r); }

class ReportRules : public ::testing::Test {
 protected:
  LiveAc& aircraft() { return trafficEngine.live.front(); }
  testsupport::EngineHarness harness{{{"DLH", "", "A320", false, "Airbus A320 Lufthansa", ""}},
                                     {"Airbus A320 Lufthansa"}};
};

// 16 s after a first report at the same speed (104 kt unless given): a speed
// its positions show far slower gives way to them, one they show lagging is
// raised to theirs, but a taxi (under 43 kt) never into a take-off roll.
TEST_F(ReportRules, AGroundSpeedItsPositionsContradictGivesWayToThePositions) {
  struct Case {
    const char* name;
    double metres, altitude, keptKt, kt = 104.0, seconds = 16.0, fromKt = -1.0;  // fromKt < 0: kt
  };
  const auto shownKt = [](double metres) { return metres / 1852.0 * 3600.0 / 16.0; };
  const Case cases[] = {{"frozen at the gate", 0.0, 0.0, 0.0},
                        {"creeping", 50.0, 0.0, shownKt(50.0)},
                        {"over a third of its speed", 300.0, 0.0, 104.0},
                        {"positions a quarter faster at most", 960.0, 0.0, 104.0},
                        {"positions 1.4 times faster: the speed lags", 1200.0, 0.0, shownKt(1200.0)},
                        {"airborne", 300.0, 3000.0, 104.0},
                        {"a 20 kt taxi whose positions show 55 kt", 452.7, 0.0, 42.0, 20.0},
                        {"a 20 kt taxi whose positions show 40 kt", 329.2, 0.0, shownKt(329.2), 20.0},
                        // 2 s apart, the noise not yet known: a 10 m error at each end could make 40 kt of 25
                        {"a 25 kt taxi whose positions 2 s apart show 40 kt", 41.2, 0.0, 25.0, 25.0, 2.0},
                        {"a 25 kt taxi whose positions 2 s apart show 53 kt", 55.0, 0.0, 42.0, 25.0, 2.0},
                        {"a 43 kt roll whose positions show 70 kt", 576.2, 0.0, shownKt(576.2), 43.0},
                        // 86 s after the hold at 0 kt: 32 kt on average, as a roll begun 37 s before
                        {"a 148 kt roll after a silence at the hold", 1415.8, 0.0, 148.0, 148.0, 86.0, 0.0},
                        {"a 148 kt roll that came too short after a silence", 400.0, 0.0, 400.0 / 1852.0 * 3600.0 / 86.0,
                         148.0, 86.0, 0.0},
                        {"frozen at the gate through a silence", 0.0, 0.0, 0.0, 104.0, 86.0}};
  for (const Case& c : cases) {
    gf_resetTraffic();
    route(report(0.0, 0.0, c.fromKt < 0.0 ? c.kt : c.fromKt, c.altitude));
    route(report(c.seconds, c.metres, c.kt, c.altitude));
    ASSERT_EQ(aircraft().samples.size(), 2u) << c.name;
    EXPECT_NEAR(aircraft().samples.back().groundSpeed, c.keptKt, 0.05) << c.name;
  }
}

TEST_F(ReportRules, SpeedJumpsAreWeighedAgainstTheFeedsLastReportNotAMadeUpOne) {
  route(report(0.0, 0.0, 60.0));
  PositionSample held = aircraft().samples.back();  // a holding copy: standing at 0 kt
  std::tie(held.standing, held.groundSpeed) = std::tuple(1, 0.0);
  aircraft().samples.push_back(held);
  aircraft().extrapolationCount = 1;
  route(report(4.0, 150.0, 90.0));  // 60 to 90 kt: no jump
  EXPECT_EQ(aircraft().samples.size(), 3u);
}

TEST_F(ReportRules, AHolderReportedBeyondTheHoldingThresholdIsRemovedUnlessItsTakeOffStartedAhead) {
  for (const auto& [metres, removed] : {std::pair{240.0, false}, std::pair{260.0, true}}) {  // threshold 250 m
    gf_resetTraffic();
    route(report(0.0, 0.0, 20.0));
    aircraft().holding = 1;
    route(report(20.0, metres, metres / 20.0 * 3600.0 / 1852.0));
    EXPECT_EQ(aircraft().erased() || aircraft().sim.simState == AcSimState::RemovingFromSim, removed) << metres;
  }
  // Next reported 1.5 km east, in the air, or rolling on the ground within 90
  // degrees of its heading: it has started its take-off and rolls from where it
  // holds (four reports up to the next one's speed, an A320's 140 kt at most, or
  // that when the next one gives none; a ground report's roll first waits at the
  // hold for the reports after it), else it goes. In the air off its nose, its
  // roll needed more runway than lies behind the report: it taxied back past
  // the hold and turned round first (six made-up taxi reports).
  struct Next {
    const char* name;
    double headingDeg, kt, altitude;
    bool removed;
    double liftOffKt, metres = 1500.0;
    std::size_t lineUp = 0;
  };
  const Next cases[] = {{"in the air, 91 degrees off", 359.0, 160.0, 664.0, false, 140.0, 1500.0, 6},
                        {"in the air, 89 degrees off", 1.0, 160.0, 664.0, false, 140.0},
                        {"in the air behind", 270.0, 160.0, 664.0, false, 140.0, 1500.0, 6},
                        {"in the air ahead without a speed", 1.0, 0.0, 664.0, false, 140.0},
                        {"rolling on the ground ahead", 1.0, 120.0, 0.0, false, 120.0},
                        {"rolling on the ground behind", 270.0, 120.0, 0.0, true, 0.0},
                        // faster than any taxi, straight on: its roll began (at 42 kt, what the positions show)
                        {"30 kt on the ground ahead, its positions at 58", 1.0, 30.0, 0.0, false, 42.0},
                        {"taxiing on the ground ahead", 1.0, 12.0, 0.0, true, 0.0, 300.0},
                        {"taxiing at 30 kt on the ground ahead", 1.0, 30.0, 0.0, true, 0.0, 600.0},
                        {"through 38 kt on the ground ahead", 1.0, 38.0, 0.0, false, 38.0, 600.0},
                        {"through 38 kt on the ground behind", 270.0, 38.0, 0.0, true, 0.0, 600.0}};
  for (const Next& c : cases) {
    gf_resetTraffic();
    route(report(0.0, 0.0, 20.0));
    LiveAc& ac = aircraft();
    std::tie(ac.sim.simState, ac.sim.objectId, ac.onGroundConfirmed) = std::tuple(AcSimState::Active, 300u, 1);
    ac.setPhase(AcPhase::Taxi);
    std::tie(ac.holding, ac.heading) = std::tuple(1, c.headingDeg * radiansPerDegree);
    route(report(50.0, c.metres, c.kt, c.altitude));
    EXPECT_EQ(ac.sim.simState == AcSimState::RemovingFromSim, c.removed) << c.name;
    if (c.removed) continue;
    const std::size_t waiting = c.altitude > 0.0 ? 0u : 1u;
    ASSERT_EQ(ac.samples.size(), 1u + waiting + c.lineUp + 4u + 1u) << c.name;
    EXPECT_TRUE(ac.runway.rolling()) << c.name;
    EXPECT_EQ(ac.samples[waiting].standing, waiting) << c.name;
    EXPECT_DOUBLE_EQ(ac.samples[waiting + c.lineUp + 4].groundSpeed, c.liftOffKt) << c.name;
    EXPECT_GE(ac.samples.back().groundSpeed, c.liftOffKt) << c.name;
  }
}

// A ground report farther from the last than a taxiing (43 kt) or rolling
// (180 kt) aircraft goes in the time between, with half again as margin, and
// beyond the holding threshold (250 m), jumped: dropped alone, given up for
// when three in a row agree (what came before is given up).
TEST_F(ReportRules, AJumpOfTheReportedPositionOnTheGroundIsHandledLikeAnOutage) {
  struct Case {
    const char* name; AcSimState state; bool rolling; double dt, metres, kt, altitude; std::size_t kept;
    int times = 1;  // the jumped report comes this often, dt apart, moving on at kt
  };
  const Case cases[] = {
      {"1.5 nm in 3 s", AcSimState::Active, false, 3.0, 2778.0, 15.0, 0.0, 1},
      {"1.5 nm in 3 s, twice", AcSimState::Active, false, 3.0, 2778.0, 15.0, 0.0, 1, 2},
      {"1.5 nm in 3 s, three times", AcSimState::Active, false, 3.0, 2778.0, 15.0, 0.0, 0, 3},
      {"1.5 nm in 3 s, not yet created", AcSimState::Buffer, false, 3.0, 2778.0, 15.0, 0.0, 1},
      {"240 m in 3 s: within the holding threshold", AcSimState::Active, false, 3.0, 240.0, 15.0, 0.0, 2},
      {"1.5 nm after a 3-minute silence", AcSimState::Active, false, 180.0, 2778.0, 15.0, 0.0, 2},
      {"400 m in 3 s, rolling", AcSimState::Active, true, 3.0, 400.0, 120.0, 0.0, 2},
      // a roll is not removed to be created again: the jumped report is dropped
      {"500 m in 3 s, rolling", AcSimState::Active, true, 3.0, 500.0, 120.0, 0.0, 1},
      {"500 m in 3 s at 120 kt, its roll not yet under way", AcSimState::Active, false, 3.0, 500.0, 120.0, 0.0, 1},
      {"1.5 nm in 3 s, airborne", AcSimState::Active, false, 3.0, 2778.0, 15.0, 3000.0, 2},
  };
  for (const Case& c : cases) {
    gf_resetTraffic();
    route(report(0.0, 0.0, c.kt, c.altitude));
    aircraft().sim.simState = c.state;
    testsupport::enterRunwayPhase(aircraft(), c.rolling ? RunwayPhase::TakeOffRoll : RunwayPhase::Clear);
    for (int k = 0; k < c.times; ++k)
      route(report(c.dt * (k + 1), c.metres + c.kt * 0.514444 * c.dt * k, c.kt, c.altitude));
    const bool removed = aircraft().erased() || aircraft().sim.simState == AcSimState::RemovingFromSim;
    EXPECT_EQ(removed ? 0u : aircraft().samples.size(), c.kept) << c.name;
  }
}

TEST_F(ReportRules, StandingReportsLeftBehindGiveWayToAMovingOne) {
  struct Case {
    const char* name;
    std::int32_t movingAge;  // ticks between the newest moving report and the newest standing one
    double newMetres;        // where the new report lies, east of the moving one
    std::size_t kept;
  };
  const Case cases[] = {{"moved lately", 1400, 60.0, 2}, {"moved long ago, far", 1600, 60.0, 4},
                        {"moved long ago, close by", 1600, 20.0, 2}};
  for (const Case& c : cases) {
    gf_resetTraffic();
    route(report(0.0, 0.0, 10.0));
    LiveAc& ac = aircraft();
    std::tie(ac.sim.simState, ac.onGroundConfirmed) = std::tuple(AcSimState::Active, 1);
    ac.setPhase(AcPhase::Taxi);
    PositionSample standing = gf_sampleOf(report(2.0, -30.0, 0.0));
    standing.standing = 1;
    standing.dueTick = ac.samples[0].dueTick + c.movingAge - 100;
    ac.samples.push_back(standing);
    standing.dueTick += 100;
    ac.samples.push_back(standing);
    PositionSample r = gf_sampleOf(report(30.0, c.newMetres, 10.0));
    decodeExisting(ac, r);
    EXPECT_EQ(ac.samples.size(), c.kept) << c.name;
  }
}

// A standing report after a stream that stood throughout cuts it back to its
// front, which then falls due at once; one that moved before keeps its reports.
TEST_F(ReportRules, AStreamThatStoodThroughoutIsCutBackToItsFront) {
  for (const auto& [frontKt, kept] : {std::pair{0.0, 2u}, {10.0, 3u}}) {
    gf_resetTraffic();
    tickCount.store(1000);
    route(report(0.0, 0.0, frontKt));
    LiveAc& ac = aircraft();
    std::tie(ac.sim.simState, ac.onGroundConfirmed) = std::tuple(AcSimState::Active, 1);
    ac.setPhase(AcPhase::Taxi);
    PositionSample standing = gf_sampleOf(report(20.0, 0.0, 0.0));
    ac.samples.push_back(standing);
    PositionSample r = gf_sampleOf(report(40.0, 0.0, 0.0));
    decodeExisting(ac, r);
    ASSERT_EQ(ac.samples.size(), kept) << frontKt;
    if (kept == 2u) {
      EXPECT_EQ(std::pair(ac.samples[0].dueTick, ac.samples[0].groundSpeed), std::pair(tickCount.load() + 1, 0.0));
    }
  }
  tickCount.store(0);
}

TEST_F(ReportRules, AFlightReportedBackToTheParkAirportKeepsItsRoute) {
  AirportRecord park;
  std::tie(park.icao, park.iata) = std::tuple(FixedCode<4>("EDDF"), FixedCode<3>("FRA"));
  for (const auto& [origin, kept] : {std::pair{"FRA", true}, {"MUC", false}}) {
    gf_resetTraffic();
    gf_setParkAirport(park);
    route(report(0.0, 0.0, 10.0));
    LiveAc& ac = aircraft();
    std::tie(ac.sim.simState, ac.origin, ac.destination) =
        std::tuple(AcSimState::Active, FixedCode<3>(origin), FixedCode<3>("LHR"));
    TrafficRecord r = report(20.0, 100.0, 10.0);
    std::tie(r.identity.origin, r.identity.destination) = std::tuple(FixedCode<3>("LHR"), FixedCode<3>("FRA"));
    route(r);
    EXPECT_EQ(ac.destination == FixedCode<3>("LHR"), kept) << origin;
  }
  gf_clearParkAirport();
}

// ... and so does one the database knows as another airline's (the callsign's
// airline aside), but not one it knows as this aircraft's.
TEST_F(ReportRules, ANewRegistrationTheScannedLiveriesWearOtherwiseChangesTheLivery) {
  RegcodeTitleMap.emplace("D-ANEW", "Airbus A320 Lufthansa Retro");
  dbaseRecords = {{"D-ACFG", LivKey{gf_airlineIndex("CFG"), 0, gf_modelIndex("A320"), 0, 1}},
                  {"D-ADLH", LivKey{gf_airlineIndex("DLH"), 0, gf_modelIndex("A320"), 0, 1}}};
  for (const bool guidChanges : {true, false}) {
    GUID_CHANGES.setCurrent(guidChanges);
    for (const auto& [registration, changed] :
         {std::pair{"D-ANEW", true}, {"D-AOLD", false}, {"D-ACFG", true}, {"D-ADLH", false}}) {
      gf_resetTraffic();
      route(report(0.0, 0.0, 10.0));
      LiveAc& ac = aircraft();
      std::tie(ac.sim.simState, ac.livery) = std::tuple(AcSimState::Active, "Airbus A320 Lufthansa");
      ac.setPhase(AcPhase::Taxi);
      TrafficRecord r = report(20.0, 100.0, 10.0);
      r.identity.registration = registration;
      route(r);
      EXPECT_EQ(std::tuple(ac.livery.empty(), ac.registration), std::tuple(changed, std::string(registration)))
          << registration;
      // a new key respawns as a new aircraft; without respawns it goes on taxiing
      EXPECT_EQ(ac.phase, changed && guidChanges ? AcPhase::Birth : AcPhase::Taxi) << registration << guidChanges;
      EXPECT_EQ(ac.sim.simState, changed && guidChanges ? AcSimState::LiveryRespawn : AcSimState::Active)
          << registration << guidChanges;
    }
  }
  GUID_CHANGES.setCurrent(GUID_CHANGES.defaultValue());
  RegcodeTitleMap.erase("D-ANEW");
  dbaseRecords.clear();
}

// A created aircraft's record with a new callsign: taken (and respawned under
// GUID_CHANGES), refused as the marked twin of a live aircraft, ignored when it
// is the registration; a plain new callsign first removes its marked ghost, and
// a new route sets an aircraft on the ground taxiing from where its nose points.
TEST_F(ReportRules, ANewCallsignOrRouteOfACreatedAircraft) {
  const struct {
    const char* name;
    const char* other;  // a second live aircraft's callsign
    const char* callsign;
    bool guidChanges;
    const char* origin;
    const char* keptCallsign;
    AcSimState state;
    std::size_t stream;
    bool otherGone;
  } cases[] = {
      {"new callsign", "", "DLH78", false, "", "DLH78", AcSimState::Active, 2, false},
      {"new callsign respawns", "", "DLH78", true, "", "DLH78", AcSimState::LiveryRespawn, 2, false},
      {"marked twin of a live one", "DLH78", "DLH78_", false, "", "DLH77", AcSimState::Active, 1, false},
      {"marked, none live", "", "DLH78_", false, "", "DLH78_", AcSimState::Active, 2, false},
      {"its registration", "", "D-AIZZ", false, "", "DLH77", AcSimState::Active, 2, false},
      {"its ghost goes", "DLH78_", "DLH78", false, "", "DLH78", AcSimState::Active, 2, true},
      {"a ghost of another", "DLH79_", "DLH78", false, "", "DLH78", AcSimState::Active, 2, false},
      {"new route respawns", "", "DLH77", true, "MUC", "DLH77", AcSimState::LiveryRespawn, 2, false},
      {"new route", "", "DLH77", false, "MUC", "DLH77", AcSimState::Active, 2, false},
  };
  for (const auto& c : cases) {
    gf_resetTraffic();
    GUID_CHANGES.setCurrent(c.guidChanges);
    TrafficRecord first = report(0.0, 0.0, 10.0);
    std::tie(first.identity.registration, first.identity.origin, first.identity.destination) =
        std::tuple("D-AIZZ", FixedCode<3>("LHR"), FixedCode<3>("FRA"));
    route(first);
    if (*c.other != 0) {
      TrafficRecord other = report(0.0, 900.0, 10.0);
      std::tie(other.hexid, other.identity.callsign) = std::tuple(hexid + 1, c.other);
      route(other);
    }
    LiveAc& ac = aircraft();
    std::tie(ac.sim.simState, ac.sim.objectId, ac.onGroundConfirmed) = std::tuple(AcSimState::Active, 300u, 1);
    ac.setPhase(AcPhase::Taxi);
    std::tie(ac.heading, ac.trackHeading) = std::tuple(1.0, 2.0);
    TrafficRecord r = report(20.0, 100.0, 10.0);
    std::tie(r.identity.callsign, r.identity.registration, r.identity.origin, r.identity.destination) =
        std::tuple(c.callsign, "D-AIZZ", FixedCode<3>(*c.origin != 0 ? c.origin : "LHR"), FixedCode<3>("FRA"));
    route(r);
    EXPECT_EQ(std::tuple(ac.callsign, ac.sim.simState, ac.samples.size()),
              std::tuple(std::string(c.keptCallsign), c.state, c.stream))
        << c.name;
    EXPECT_EQ(ac.trackHeading, *c.origin != 0 ? 1.0 : 2.0) << c.name;  // a taxi from where its nose points
    if (*c.other != 0) {
      EXPECT_EQ(trafficEngine.live.back().sim.erase, c.otherGone) << c.name;
    }
  }
  GUID_CHANGES.setCurrent(GUID_CHANGES.defaultValue());
}

// A new aircraft turns on the ground at its category's base rate from its
// first report on (degrees per tick: Light 0.15, Buzjets 0.10, Large 0.07,
// Heavy 0.05, HighPerf 0.10, Rotorcraft 0.20), with its category's climb per
// tick (feet) and slow ground speed (knots).
TEST_F(ReportRules, ANewAircraftStartsWithItsCategorysGroundTurnRate) {
  HIGH_PERF_AIRCRAFT.setCurrent(true);
  HELICOPTERS.setCurrent(true);
  LIGHT_AIRCRAFT.setCurrent(true);
  const struct { const char* model; double degPerTick, climbFt, standKt; } cases[] = {
      {"C172", 0.15, 0.5, 5.0}, {"C25C", 0.10, 0.75, 4.5}, {"A320", 0.07, 0.6, 4.0},
      {"B772", 0.05, 0.5, 3.0}, {"F16", 0.10, 1.0, 4.5},   {"EC35", 0.20, 0.75, 5.0}};
  for (const auto& c : cases) {
    gf_resetTraffic();
    TrafficRecord r = report(0.0, 0.0, 10.0);
    r.identity.key.model = gf_modelIndex(c.model);
    route(r);
    ASSERT_EQ(trafficEngine.live.size(), 1u) << c.model;
    EXPECT_NEAR(aircraft().groundTurnRate, c.degPerTick * radiansPerDegree, 1e-12) << c.model;
    EXPECT_EQ(std::pair(aircraft().maxClimbPerTick, aircraft().standSpeedKt), std::pair(c.climbFt, c.standKt)) << c.model;
  }
}

// When an airborne stream runs out, AIRBORNE_ONLY removes an aircraft less
// than 1000 ft above the park airport (above 0 ft without one).
TEST_F(ReportRules, AirborneOnlyRemovesALowAircraftWhoseReportsRunOut) {
  AirportRecord park;
  std::tie(park.icao, park.altitude) = std::tuple(FixedCode<4>("EDDF"), 364.0F);
  const struct { bool airborneOnly, parkKnown; double altitude; bool removed; } cases[] = {
      {true, false, 990.0, true},  {true, false, 1010.0, false}, {true, true, 1354.0, true},
      {true, true, 1374.0, false}, {false, false, 500.0, false},
  };
  for (const auto& c : cases) {
    gf_resetTraffic();
    AIRBORNE_ONLY.setCurrent(c.airborneOnly);
    if (c.parkKnown) gf_setParkAirport(park);
    route(report(0.0, 0.0, 250.0, c.altitude));
    LiveAc& ac = aircraft();
    std::tie(ac.sim.simState, ac.sim.objectId, ac.lat, ac.lon, ac.altitude, ac.extrapolationCount) =
        std::tuple(AcSimState::Active, 300u, base.latitude, base.longitude, c.altitude, 0);
    EXPECT_EQ(!lf_extendStream(ac), c.removed) << c.altitude << " park " << c.parkKnown;
    EXPECT_EQ(ac.sim.simState == AcSimState::RemovingFromSim, c.removed) << c.altitude;
  }
  AIRBORNE_ONLY.setCurrent(AIRBORNE_ONLY.defaultValue());
  gf_clearParkAirport();
}

} // namespace
} // namespace gwr
