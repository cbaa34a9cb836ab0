// The movement's flight rules one by one: climb, pitch, bank and descent,
// configuration by height, runway phases, take-off and flare.
#include <gtest/gtest.h>

#include "traffic/movement/movement_rules.h"

namespace gwr {
namespace {

using namespace movementrules;

TEST_F(MovementRules, ClimbOutBelow1000FtNeverClimbsSlowerThanTheFloor) {
  struct Case { double difference; std::int32_t ticks; double height, rate; };
  for (const Case c : {Case{-50.0, 100, 500.0, 0.2}, Case{-50.0, 100, 1000.0, 0.2}, Case{-50.0, 100, 1001.0, -0.5},
                       Case{1000.0, 100, 500.0, 0.6}, Case{10.0, 100, 300.0, 0.2}, Case{30.0, 100, 300.0, 0.3},
                       Case{-50.0, 5, 1500.0, -2.0}})
    EXPECT_NEAR(gf_climbRate(c.difference, c.ticks, 0.6, c.height, true), c.rate, 1e-12) << c.difference << " " << c.height;
  // Only a departure climbing out (its roll flagged, not a rotorcraft) has the
  // floor: one low over another field, or a helicopter, follows its reports down.
  struct Flown { const char* what; AcCategory category; bool roll; double rate; };
  for (const Flown c : {Flown{"climbing out", AcCategory::Large, true, 0.2},
                        Flown{"arriving elsewhere", AcCategory::Large, false, -0.5},
                        Flown{"helicopter after lifting off", AcCategory::Rotorcraft, true, -0.5}}) {
    LiveAc ac = aircraft({at(50.0, 8.0, 150, 1000, 900.0), at(50.01, 8.0, 150, 1100, 850.0)}, c.category);
    std::tie(ac.altitude, ac.heightAboveGround) = std::tuple(900.0, 500.0);
    testsupport::enterRunwayPhase(ac, c.roll ? RunwayPhase::TakeOffRoll : RunwayPhase::Clear);
    ac.setPhase(AcPhase::Flying);
    lf_flyStep(ac);
    EXPECT_NEAR(ac.altitudeRate, c.rate, 1e-12) << c.what;
  }
}

TEST_F(MovementRules, PitchBankAndDescentTargets) {
  struct Pitch { double fpm, targetDeg; };
  for (const Pitch p : {Pitch{0.0, -3.0}, Pitch{2400.0, -11.8}, Pitch{5000.0, -11.8}, Pitch{-1200.0, -0.8},
                        Pitch{-6000.0, 2.5}, Pitch{NAN, -3.0}})
    EXPECT_NEAR(gf_pitchTargetRad(p.fpm) / deg, p.targetDeg, 1e-9) << p.fpm;
  struct Bank { AcCategory category; double differenceDeg, targetDeg; };
  for (const Bank b : {Bank{AcCategory::Heavy, 50.0, -20.0}, Bank{AcCategory::Light, 50.0, -40.0},
                       Bank{AcCategory::Large, -50.0, 30.0}, Bank{AcCategory::Heavy, 10.0, -10.0},
                       Bank{AcCategory::Rotorcraft, 80.0, -75.0}})
    EXPECT_NEAR(gf_bankTargetRad(b.category, b.differenceDeg * deg) / deg, b.targetDeg, 1e-9);
  EXPECT_EQ(gf_descentFpm(100.0, -800.0, -800.0, 1013.25), -600.0);
  EXPECT_EQ(gf_descentFpm(500.0, -800.0, -800.0, 1013.25), -800.0);
  EXPECT_EQ(gf_descentFpm(500.0, -100.0, -100.0, 1013.25), -601.0);
  EXPECT_EQ(gf_descentFpm(500.0, -800.0, -800.0, 1023.25), -860.0);
}

TEST_F(MovementRules, AHeavyTurning50DegreesBanksOnlyTo20) {
  const PositionSample a = at(50.0, 8.0, 250, 1000, 5000.0);
  const PositionSample b = offset(a, 2000.0, 0.0, 250, 1800);
  const PositionSample c = offset(b, 2000.0 * std::cos(50.0 * deg), 2000.0 * std::sin(50.0 * deg), 250, 2600);
  LiveAc ac = aircraft({a, b, c}, AcCategory::Heavy);
  ac.setPhase(AcPhase::Flying);
  ac.heightAboveGround = 5000.0;
  double largest = 0.0;
  // Each step sees the same 50-degree turn ahead; the bank closes in on the limit and stays within it.
  for (int step = 0; step < 60; ++step) {
    ac.heading = 0.0;
    ac.samples.assign({a, b, c});
    ac.samples[1].dueTick = tickCount.load() + 800;
    lf_flyStep(ac);
    EXPECT_LE(std::fabs(ac.bankRate) / deg, maxBankChangeDegPerTick[3] + 1e-12);
    for (int i = 0; i < 100; ++i) {
      lf_moveTick(ac);
      largest = std::max(largest, std::fabs(ac.bank));
    }
  }
  EXPECT_NEAR(largest / deg, 20.0, 0.1);
  EXPECT_LE(largest / deg, 20.0 + 1e-9);
  EXPECT_LT(ac.bank, 0.0);  // banks into the turn: minus the heading difference
}

TEST_F(MovementRules, Crossing10000FtConfiguresOncePerCrossing) {
  const auto step = [&](double altitude) {
    LiveAc ac = aircraft({at(50.0, 8.0, 250, 1000, altitude), at(50.05, 8.0, 250, 1800, altitude)});
    return ac;
  };
  LiveAc ac = step(11000.0);
  ac.heightAboveGround = 10600.0;
  const auto fly = [&](double altitude) {
    ac.samples.assign({at(50.0, 8.0, 250, tickCount.load(), altitude), at(50.05, 8.0, 250, tickCount.load() + 800, altitude)});
    const std::size_t before = events();
    lf_flyStep(ac);
    return events() - before;
  };
  EXPECT_EQ(fly(11000.0), 10u);  // seven lights, throttle, gear, flaps
  EXPECT_TRUE(ac.highConfigured);
  EXPECT_EQ(fly(11000.0), 0u);
  ac.heightAboveGround = 9600.0;
  EXPECT_EQ(fly(9900.0), 9u);  // seven lights, cabin, gear up
  EXPECT_TRUE(ac.lowConfigured);
  EXPECT_FALSE(ac.highConfigured);
  EXPECT_EQ(fly(9900.0), 2u);  // cabin and gear only
  EXPECT_EQ(fly(10100.0), 8u);  // above again: lights and gear once more (throttle and flaps unchanged)
  EXPECT_FALSE(ac.lowConfigured);
}

// Descending near the park airport starts an approach once: its stand work
// queued, flaps 3, wide smoothing. Far off, already landing, or going around
// (its lowest report still ahead), nothing is set up again.
TEST_F(MovementRules, AnApproachIsSetUpOnceWhenItStarts) {
  AirportRecord field;
  field.icao = FixedCode<4>("EDDF");
  std::tie(field.latitude, field.longitude, field.altitude) = std::tuple(50.0, 8.0, 364.0f);
  struct Case { const char* what; RunwayPhase from; double nmAway, fpm; RunwayPhase to; bool setUp; };
  for (const Case c : {Case{"en route, near", RunwayPhase::Clear, 5.0, -800.0, RunwayPhase::Approach, true},
                       Case{"climb-out levelling, near", RunwayPhase::LiftOff, 5.0, -300.0, RunwayPhase::Approach, true},
                       Case{"en route, 11 nm off", RunwayPhase::Clear, 11.0, -800.0, RunwayPhase::Clear, false},
                       Case{"en route, sinking slowly", RunwayPhase::Clear, 5.0, -200.0, RunwayPhase::Clear, false},
                       Case{"landing already", RunwayPhase::Approach, 5.0, -800.0, RunwayPhase::Approach, false},
                       Case{"going around, still descending", RunwayPhase::GoAround, 3.0, -700.0, RunwayPhase::GoAround,
                            false},
                       // Climbing away faster than 600 ft/min, or landing 10 nm off: it goes around.
                       Case{"landing, climbing at 601", RunwayPhase::Approach, 5.0, 601.0, RunwayPhase::Clear, false},
                       Case{"landing, climbing at 600", RunwayPhase::Approach, 5.0, 600.0, RunwayPhase::Approach, false},
                       Case{"landing, 10.1 nm off", RunwayPhase::Approach, 10.1, -800.0, RunwayPhase::Clear, false}}) {
    gf_resetTraffic();
    gf_setParkAirport(field);
    const PositionSample front = at(50.0 + c.nmAway / 60.0, 8.0, 160, tickCount.load(), 1900.0);
    LiveAc ac = aircraft({front, offset(front, -800.0, 0.0, 160, tickCount.load() + 1000)});
    ac.samples[0].verticalSpeed = c.fpm;
    ac.heightAboveGround = 1500.0;
    ac.setPhase(AcPhase::Flying);
    testsupport::enterRunwayPhase(ac, c.from);
    ac.smoothingEarlier = ac.smoothingLater = 1000;
    lf_configureBelow10000(ac);
    EXPECT_STREQ(gf_runwayPhaseName(ac.runway.phase()), gf_runwayPhaseName(c.to)) << c.what;
    EXPECT_EQ(trafficEngine.standWork.size(), c.setUp ? 1u : 0u) << c.what;
    EXPECT_EQ(ac.sim.flapsIndex == 3, c.setUp) << c.what;
    EXPECT_EQ(ac.smoothingEarlier, c.setUp ? 3000 : 1000) << c.what;
  }
  gf_clearParkAirport();
}

// Below 10000 ft, clear of the approach: throttle by vertical speed, flaps
// by height, take-off roll and landing cleared; at the category's approach
// height and below, nothing of it (no park airport: no approach either).
TEST_F(MovementRules, ConfigurationBelow10000FtFollowsHeightAndVerticalSpeed) {
  using C = AcCategory;
  struct Case {
    const char* what;
    C category;
    double height, fpm;
    std::uint32_t throttle, flaps, throttleAfter, flapsAfter;
  };
  for (const Case c : {Case{"descending on climb power", C::Large, 3000.0, -300.0, 3, 2, 2, 0},
                       Case{"descending at -250", C::Large, 3000.0, -250.0, 3, 0, 2, 0},
                       Case{"descending at -249", C::Large, 3000.0, -249.0, 3, 0, 3, 0},
                       Case{"descending, throttle 4 kept", C::Large, 3000.0, -300.0, 4, 0, 4, 0},
                       Case{"rotorcraft descending (no flaps)", C::Rotorcraft, 1000.0, -300.0, 3, 0, 4, newFlapsIndex},
                       Case{"climbing at 401 on take-off power", C::Light, 1500.0, 401.0, 4, 1, 3, 1},
                       Case{"climbing at 400", C::Light, 1500.0, 400.0, 4, 1, 4, 1},
                       Case{"rotorcraft climbing", C::Rotorcraft, 1500.0, 500.0, 4, 0, 4, newFlapsIndex},
                       Case{"level below 2000, flaps 0", C::Light, 1500.0, 100.0, 2, 0, 2, 1},
                       Case{"level below 2000, flaps 1", C::Light, 1500.0, 0.0, 2, 1, 2, 2},
                       Case{"level below 2000, flaps 2", C::Light, 1500.0, 0.0, 2, 2, 2, 2},
                       Case{"climbing below 2000", C::Light, 1500.0, 101.0, 2, 1, 2, 1},
                       Case{"level from 2000, flaps 0", C::Large, 2100.0, 0.0, 2, 0, 2, 1},
                       Case{"level from 2000, flaps 1", C::Large, 2100.0, 0.0, 2, 1, 2, 1},
                       Case{"at 2400", C::Large, 2400.0, 0.0, 2, 2, 2, 0},
                       Case{"Large at 2051", C::Large, 2051.0, -300.0, 3, 0, 2, 1},
                       Case{"Large at 2050: approach height", C::Large, 2050.0, -300.0, 3, 0, 3, 0},
                       Case{"Light at 626", C::Light, 626.0, 0.0, 2, 1, 2, 2},
                       Case{"Light at 625: approach height", C::Light, 625.0, 0.0, 2, 1, 2, 1}}) {
    LiveAc ac = aircraft({at(50.0, 8.0, 160, 1000, c.height + 364.0), at(50.05, 8.0, 160, 1800, c.height + 364.0)},
                         c.category);
    ac.setPhase(AcPhase::Flying);
    testsupport::enterRunwayPhase(ac, RunwayPhase::LiftOff);
    std::tie(ac.heightAboveGround, ac.samples[0].verticalSpeed) = std::tuple(c.height, c.fpm);
    gf_setThrottle(ac.sim, c.throttle);
    gf_setFlaps(ac.sim, c.flaps);
    ac.smoothingEarlier = ac.smoothingLater = 3000;
    lf_configureBelow10000(ac);
    EXPECT_EQ(std::tuple(ac.sim.throttleIndex, ac.sim.flapsIndex), std::tuple(c.throttleAfter, c.flapsAfter)) << c.what;
    const bool high = c.height > highConfigHeightFt[gf_categorySlot(c.category)];
    EXPECT_EQ(ac.runway.rolling(), !high) << c.what;
    EXPECT_EQ(ac.smoothingLater, high ? 2900 : 3000) << c.what;
  }
}

// The leg to the next report in the air: at the front's speed when landing
// onto the ground (100 kt without one), else at the two reports' mean; both
// at 0, at the pace of their positions over their due ticks (25 at least);
// never under 1 kt.
TEST_F(MovementRules, AnAirLegIsTimedAtItsReportsSpeed) {
  struct Case {
    const char* what;
    bool landing;
    double frontKt, secondKt;
    bool secondAirborne;
    double nm;
    std::int32_t spacing;
    double kt;
  };
  for (const Case c : {Case{"landing onto the ground", true, 130.0, 100.0, false, 1.0, 800, 130.0},
                       Case{"landing onto the ground, front at 0", true, 0.0, 100.0, false, 1.0, 800, 100.0},
                       Case{"landing, next airborne", true, 130.0, 110.0, true, 1.0, 800, 120.0},
                       Case{"not landing, onto the ground", false, 130.0, 100.0, false, 1.0, 800, 115.0},
                       Case{"the mean", false, 200.0, 240.0, true, 1.0, 800, 220.0},
                       Case{"both at 0: positions over due ticks", false, 0.0, 0.0, true, 1.0, 3600, 100.0},
                       Case{"both at 0, due together: 25 ticks", false, 0.0, 0.0, true, 0.01, 0, 144.0},
                       Case{"both at 0, in place", false, 0.0, 0.0, true, 0.0, 3600, 1.0},
                       Case{"a mean under 1 kt", false, 0.0, 1.0, true, 1.0, 3600, 1.0}}) {
    const PositionSample front = at(50.0, 8.0, c.frontKt, 1000, 1500.0);
    PositionSample second = offset(front, c.nm * 1852.0, 0.0, c.secondKt, 1000 + c.spacing);
    second.altitude = c.secondAirborne ? 1200.0 : 0.0;
    second.airborne = c.secondAirborne ? 1 : 0;
    LiveAc ac = aircraft({front, second}, AcPhase::Flying, false);
    testsupport::enterRunwayPhase(ac, c.landing ? RunwayPhase::Approach : RunwayPhase::Clear);
    EXPECT_NEAR(lf_legSpeedKt(ac), c.kt, 1e-3 * c.kt) << c.what;
  }
}

// Airborne onto a ground report: with QNH 1014 or more (or no park airport)
// the descent rate (-601 ft/min below 1014), else straight down to the park
// airport's field (a rotorcraft to its resting height over it) by the report.
TEST_F(MovementRules, AnArrivalDescendsByQnhOrOntoTheParkAirport) {
  AirportRecord field;
  field.icao = FixedCode<4>("EDDF");
  std::tie(field.latitude, field.longitude, field.altitude) = std::tuple(50.2, 8.0, 364.0f);
  struct Case { const char* what; int qnh; bool park; AcCategory category; double height, feetPerTick; };
  for (const Case c : {Case{"QNH 1014, no park airport", 1014, false, AcCategory::Large, 500.0, (-800.0 - 0.75 * 6.0) / 6000.0},
                       Case{"QNH 1014, park airport", 1014, true, AcCategory::Large, 500.0, (-800.0 - 0.75 * 6.0) / 6000.0},
                       Case{"QNH 1020, park airport", 1020, true, AcCategory::Large, 500.0, (-800.0 - 6.75 * 6.0) / 6000.0},
                       Case{"QNH 1014, 100 ft up", 1014, false, AcCategory::Large, 100.0, -600.0 / 6000.0},
                       Case{"QNH 1013, no park airport", 1013, false, AcCategory::Large, 500.0, -601.0 / 6000.0},
                       Case{"QNH 1013, onto the park airport", 1013, true, AcCategory::Large, 500.0, (364.0 - 1364.0) / 1000.0},
                       Case{"QNH 1013, a rotorcraft onto its pad", 1013, true, AcCategory::Rotorcraft, 500.0,
                            (364.0 + 8.0 - 1364.0) / 1000.0}}) {
    gf_clearParkAirport();
    if (c.park) gf_setParkAirport(field);
    currentQnh.store(c.qnh);
    PositionSample front = at(50.0, 8.0, 140, 1000, 1364.0);
    PositionSample second = at(50.01, 8.0, 130, 2000);
    front.verticalSpeed = second.verticalSpeed = -800.0;
    LiveAc ac = aircraft({front, second}, c.category);
    ac.setPhase(AcPhase::Flying);
    ac.heightAboveGround = c.height;
    lf_flyStep(ac);
    EXPECT_NEAR(ac.altitudeRate, c.feetPerTick, 1e-9) << c.what;
  }
  gf_clearParkAirport();
}

// In the air over two ground reports, not landing: with vertical speeds
// adding up to more than 100 ft/min it climbs to the first airborne report
// from the third ahead on (the reports before it dropped), else at 601
// ft/min; with 100 or less it descends. It comes to the report its leg is timed to.
TEST_F(MovementRules, OverGroundReportsItLooksAheadForTheLiftOff) {
  struct Case { const char* what; double fpm, eastMetres; bool liftOffAhead; double frontFt, feetPerTick; };
  for (const Case c : {Case{"lift-off ahead", 300.0, 0.0, true, 500.0, NAN},
                       Case{"lift-off ahead, off the line", 300.0, 300.0, true, 500.0, NAN},
                       Case{"no airborne report ahead", 300.0, 0.0, false, 0.0, 601.0 / 6000.0},
                       Case{"vertical speeds adding up to 100", 25.0, 0.0, true, 0.0, -600.0 / 6000.0}}) {
    std::vector<PositionSample> s{at(50.0, 8.0, 150, 1000)};
    for (int k = 1; k <= 3; ++k) s.push_back(offset(s[0], 300.0 * k, k == 3 ? c.eastMetres : 0.0, 150, 1000 + 200 * k));
    if (c.liftOffAhead) std::tie(s[3].altitude, s[3].airborne) = std::tuple(500.0, 1);
    for (PositionSample& r : s) r.verticalSpeed = c.fpm;
    LiveAc ac = aircraft(s, AcPhase::Flying, false);
    std::tie(ac.altitude, ac.heightAboveGround) = std::tuple(58.0, 50.0);
    nextPosMain(ac);
    const PositionSample to = ac.samples.front();
    const std::int32_t ticks = to.dueTick - tickCount.load();
    EXPECT_EQ(to.altitude, c.frontFt) << c.what;
    EXPECT_NEAR(ac.altitudeRate, std::isnan(c.feetPerTick) ? std::min(442.0 / ticks, 0.6) : c.feetPerTick, 1e-12) << c.what;
    for (; tickCount.load() < to.dueTick; tickCount.store(tickCount.load() + 1)) lf_moveTick(ac);
    EXPECT_LT(gf_distanceNm(ac.lat, ac.lon, to.lat, to.lon) * 1852.0, 2.0) << c.what;
    tickCount.store(1000);
  }
}

TEST_F(MovementRules, RotationAndClimbOutFollowTheirSteps) {
  LiveAc ac = aircraft({at(50.0, 8.0, 150, 1000), at(50.01, 8.0, 160, 1600, 600.0)}, AcPhase::Taxi, true);
  std::tie(ac.altitude, ac.heightAboveGround, ac.altitudeRate) = std::tuple(372.0, 8.0, 0.5);
  lf_takeOff(ac);
  const std::int32_t rotation = ac.AcDescription::rotationSteps;
  EXPECT_EQ(std::tuple(ac.phase, ac.rotationSteps, ac.runway.rolling()), std::tuple(AcPhase::TakeOff, rotation, true));
  for (int i = 0; i < rotation - 1; ++i) lf_moveTick(ac);
  EXPECT_NEAR(ac.pitch, ac.rotationPitch, std::fabs(ac.pitchRate) + 1e-12);
  EXPECT_FALSE(ac.onGroundConfirmed);
  EXPECT_DOUBLE_EQ(ac.altitude, 372.0);  // no climb while rotating
  for (int i = 0; i < 100; ++i) lf_moveTick(ac);
  EXPECT_NEAR(ac.altitude - 372.0, 0.5 * 100 / 10.0, 1e-9);  // first band: a tenth of the rate
  for (int i = 0; i < 100; ++i) lf_moveTick(ac);
  EXPECT_NEAR(ac.altitude - 372.0, 5.0 + 0.5 * 100 / 5.0, 1e-9);  // second band: a fifth
  const std::size_t before = events();
  for (int i = 0; i < 100; ++i) lf_moveTick(ac);
  EXPECT_NEAR(ac.altitude - 372.0, 15.0 + 0.5 * 100 * 0.5, 1e-9);  // third band: half
  EXPECT_EQ(events(), before);
  lf_moveTick(ac);
  EXPECT_EQ(events() - before, 1u);  // gear up at step -300, from there the full rate
  EXPECT_NEAR(ac.altitude - 372.0, 40.0 + 0.5, 1e-9);
  ac.heightAboveGround = 900.0;
  for (int i = 0; i < ac.climbSteps && ac.phase == AcPhase::TakeOff; ++i) lf_moveTick(ac);
  EXPECT_EQ(std::tuple(ac.phase, ac.sim.throttleIndex), std::tuple(AcPhase::Flying, 3u));
  EXPECT_NEAR(ac.pitch, ac.climbPitch, 1e-9);
  lf_moveTick(ac);
  EXPECT_NEAR(ac.pitch, ac.climbPitch, 1e-9);  // holds the climb pitch until the next report
}

// In a take-off roll the ground step sets the throttle by the two reports'
// speeds and, the next one at 43 kt or more, takes off: with any report
// climbing 256 ft/min or slower only once every report after the front is
// airborne at the take-off speed (Large: 140 kt), else at once.
TEST_F(MovementRules, ARollsThrottleAndTakeOffFollowItsReports) {
  struct Report { double kt, altitude, fpm; };
  struct Case {
    const char* what;
    AcCategory category;
    Report front, second, third;  // no third when its speed is below 0
    std::uint32_t throttle;
    bool takesOff;
    double rate;
  };
  const Report none{-1.0, 0.0, 0.0};
  const AcCategory large = AcCategory::Large;
  for (const Case& c : {Case{"front 24, next 29", large, {24, 0, 0}, {29, 0, 0}, none, 2, false, 0.0},
                       Case{"front 20", large, {20, 0, 0}, {0, 0, 0}, none, 2, false, 0.0},
                       Case{"next 25", large, {0, 0, 0}, {25, 0, 0}, none, 2, false, 0.0},
                       Case{"front 19.9, next 24.9", large, {19.9, 0, 0}, {24.9, 0, 0}, none, 1, false, 0.0},
                       Case{"front 15", large, {15, 0, 0}, {0, 0, 0}, none, 1, false, 0.0},
                       Case{"next 20", large, {0, 0, 0}, {20, 0, 0}, none, 1, false, 0.0},
                       Case{"front 14.9, next 19.9", large, {14.9, 0, 0}, {19.9, 0, 0}, none, 0, false, 0.0},
                       Case{"front 25", large, {25, 0, 0}, {0, 0, 0}, none, 4, false, 0.0},
                       Case{"next 30", large, {0, 0, 0}, {30, 0, 0}, none, 4, false, 0.0},
                       Case{"rotorcraft", AcCategory::Rotorcraft, {0, 0, 0}, {0, 0, 0}, none, 4, false, 0.0},
                       Case{"one slow, the rest airborne at 140", large, {120, 0, 0}, {140, 500, 900}, {145, 700, 1200}, 4,
                            true, 0.6},
                       Case{"one slow, one at 139", large, {120, 0, 0}, {139, 500, 900}, {145, 700, 1200}, 4, false, 0.0},
                       Case{"one slow, one on the ground", large, {120, 0, 0}, {140, 0, 900}, {145, 700, 1200}, 4, false,
                            0.0},
                       Case{"one slow, the next alone airborne at 140", large, {120, 0, 0}, {140, 500, 900}, none, 4, true,
                            0.6},
                       Case{"every one climbing, one on the ground", large, {120, 0, 300}, {130, 0, 300},
                            {140, 700, 800}, 4, true, 0.6},
                       Case{"every one climbing, all airborne", large, {120, 380, 257}, {130, 680, 300}, none, 4, true,
                            300.0 / 600.0},
                       Case{"every one climbing, the next at 42.9", large, {120, 0, 300}, {42.9, 0, 300},
                            {140, 700, 800}, 4, false, 0.0}}) {
    const auto report = [](double lat, const Report& r, std::int32_t due) {
      PositionSample p = at(lat, 8.0, r.kt, due, r.altitude);
      p.verticalSpeed = r.fpm;
      return p;
    };
    std::vector<PositionSample> stream{report(50.0, c.front, 1000), report(50.005, c.second, 1600)};
    if (c.third.kt >= 0.0) stream.push_back(report(50.01, c.third, 2200));
    LiveAc ac = aircraft(stream, c.category);
    ac.onGroundConfirmed = 1;
    ac.setPhase(AcPhase::Taxi);
    testsupport::enterRunwayPhase(ac, RunwayPhase::TakeOffRoll);
    lf_groundStep(ac);
    EXPECT_EQ(ac.sim.throttleIndex, c.throttle) << c.what;
    EXPECT_EQ(ac.phase == AcPhase::TakeOff, c.takesOff) << c.what;
    if (c.takesOff) {
      EXPECT_NEAR(ac.altitudeRate, c.rate, 1e-12) << c.what;
    }
  }
}

// Rolling out, the ground step ends the roll-out once the nose has turned
// 15 degrees off the touchdown heading (flaps in, idle); else from 90 kt
// down it takes the spoilers in and sets flaps 1.
TEST_F(MovementRules, ARollOutEndsWhenItTurnsOffAndCleansUpFrom90Kt) {
  struct Case { const char* what; AcCategory category; double turnedDeg, kt; bool rollingOut; std::uint32_t throttle, flaps; };
  for (const Case c : {Case{"turned 15 degrees right", AcCategory::Large, 15.001, 60.0, false, 0, 0},
                       Case{"turned 15 degrees left", AcCategory::Large, -15.001, 60.0, false, 0, 0},
                       Case{"turned 15 degrees at 120 kt", AcCategory::Large, 15.001, 120.0, false, 0, 0},
                       Case{"turned 14.999 degrees at 90 kt", AcCategory::Large, 14.999, 90.0, true, 1, 1},
                       Case{"turned 14.999 degrees at 91 kt", AcCategory::Large, 14.999, 91.0, true, 1, 3},
                       Case{"a rotorcraft turned off", AcCategory::Rotorcraft, 20.0, 20.0, false, 4, newFlapsIndex}}) {
    const PositionSample front = at(50.0, 8.0, c.kt, 1000);
    LiveAc ac = aircraft({front, offset(front, 200.0, 0.0, c.kt - 5.0, 1600)}, c.category);
    ac.onGroundConfirmed = 1;
    ac.setPhase(AcPhase::Taxi);
    testsupport::enterRunwayPhase(ac, RunwayPhase::RollOut);
    gf_setThrottle(ac.sim, 1);  // the approach's settings
    gf_setFlaps(ac.sim, 3);
    ac.touchdownHeading = 1.0;
    ac.heading = gf_wrapHeading(1.0 + c.turnedDeg * deg);
    lf_groundStep(ac);
    EXPECT_EQ(ac.runway.afterTouchdown(), c.rollingOut) << c.what;
    EXPECT_EQ(std::tuple(ac.sim.throttleIndex, ac.sim.flapsIndex), std::tuple(c.throttle, c.flaps)) << c.what;
  }
}

// What each event does in each runway phase: only a landing touches down, a
// roll is past calling off once it lifts off, a made-up roll-out is a roll-out
// again when its reports come back, a rejected roll brakes on the runway
// until at a taxi's speed, and the silence of a taxi is no roll-out.
TEST_F(MovementRules, RunwayPhasesChangeOnlyAsTheirEventsAllow) {
  using P = RunwayPhase;
  using E = RunwayEvent;
  struct Case { P from; E event; P to; bool arrived; };
  const Case cases[] = {
      {P::Clear, E::TouchesDown, P::Clear, false},
      {P::Approach, E::TouchesDown, P::RollOut, true},
      {P::Approach, E::GoAroundAhead, P::GoAround, false},
      {P::GoAround, E::TouchesDown, P::GoAround, false},
      {P::GoAround, E::GoesAround, P::Clear, false},
      {P::GoAround, E::ApproachResumes, P::Approach, false},
      {P::Clear, E::ApproachResumes, P::Clear, false},
      {P::RollOut, E::TouchAndGo, P::TouchAndGo, false},
      {P::TouchAndGo, E::RollCalledOff, P::RollOut, false},
      {P::TouchAndGo, E::Rotates, P::LiftOff, false},
      {P::TakeOffRoll, E::RollCalledOff, P::Clear, false},  // no report still at a roll's speed
      {P::Rejected, E::Stands, P::Rejected, false},         // braking on through those that are
      {P::Rejected, E::Braked, P::Clear, false},
      {P::TakeOffRoll, E::Braked, P::TakeOffRoll, false},
      {P::Rejected, E::ReportsEnd, P::MadeUpRollOut, false},
      {P::TakeOffRoll, E::ReportsEnd, P::TakeOffRoll, false},  // its feed not braking: the roll goes on
      {P::LiftOff, E::RollCalledOff, P::LiftOff, false},
      {P::LinedUp, E::Stands, P::Clear, false},
      {P::RollOut, E::ReportsEnd, P::MadeUpRollOut, true},
      {P::MadeUpRollOut, E::ReportsBack, P::RollOut, true},
      {P::MadeUpRollOut, E::TurnsOff, P::Clear, true},
      {P::Clear, E::ReportsEnd, P::Clear, false},
      {P::LiftOff, E::ApproachStarts, P::Approach, false},
      {P::LiftOff, E::SetsDown, P::Clear, false},  // down again short of clear of the field
      {P::Approach, E::SetsDown, P::Approach, false},
      {P::TakeOffRoll, E::SetsDown, P::TakeOffRoll, false},
      {P::Clear, E::BornRollingOut, P::RollOut, true},
      {P::TakeOffRoll, E::BornRollingOut, P::TakeOffRoll, false},
      {P::RollOut, E::RollStarts, P::TakeOffRoll, false},
      {P::RollOut, E::LeavesStand, P::RollOut, false},
      {P::MadeUpRollOut, E::Parks, P::Clear, true},
      {P::TakeOffRoll, E::Parks, P::Clear, false},
  };
  for (const Case& c : cases) {
    LiveAc ac = aircraft({at(50.0, 8.0, 0, 1000)}, AcPhase::Taxi, true);
    testsupport::enterRunwayPhase(ac, c.from);
    rp_transition(ac, c.event, 2000);
    const std::string row = std::string(gf_runwayPhaseName(c.from)) + " " + std::to_string(static_cast<int>(c.event));
    EXPECT_EQ(std::string(gf_runwayPhaseName(ac.runway.phase())), gf_runwayPhaseName(c.to)) << row;
    EXPECT_EQ(ac.runway.arrivedLastFlight(), c.arrived) << row;
    EXPECT_EQ(ac.runway.madeUpRollUntil(), 0) << row;  // only a roll made up from the hold keeps its end
  }
  // Made up from the hold, until when, and the report put off behind it.
  LiveAc ac = aircraft({at(50.0, 8.0, 0, 1000)}, AcPhase::Taxi, true);
  EXPECT_TRUE(rp_transition(ac, RunwayEvent::RollFromHold, 5000, 3000));
  EXPECT_TRUE(rp_transition(ac, RunwayEvent::RollFromHold, 6000, 4000));
  EXPECT_EQ(std::tuple(ac.runway.madeUpRollUntil(), ac.runway.rollSeenDue()), std::tuple(6000, 3000));
  EXPECT_TRUE(rp_transition(ac, RunwayEvent::RollCalledOff));
  EXPECT_EQ(std::tuple(ac.runway.phase(), ac.runway.madeUpRollUntil()), std::tuple(RunwayPhase::Clear, 0));
}

TEST_F(MovementRules, NewReportsStartATakeOffRollFrom43KtOrATouchAndGo) {
  struct Case { const char* name; AcPhase phase; bool rollingOut; double nKt, nAltitude, rKt, rAltitude; bool roll; };
  const Case cases[] = {
      {"both at 43 kt", AcPhase::Taxi, false, 43.0, 0, 43.0, 0, true},
      {"between 43 and 60 kt", AcPhase::Taxi, false, 50.0, 0, 55.0, 0, true},
      {"one below 43 kt", AcPhase::Taxi, false, 42.9, 0, 55.0, 0, false},
      {"an airborne report", AcPhase::Taxi, false, 20.0, 0, 140.0, 500.0, true},
      {"not taxiing", AcPhase::Parked, false, 50.0, 0, 55.0, 0, false},
      {"touch-and-go", AcPhase::Flying, true, 130.0, 500.0, 135.0, 600.0, true},
      {"down early in a float, reports still sinking", AcPhase::Flying, true, 130.0, 16.0, 131.0, 15.0, false},
      {"rolling out", AcPhase::Taxi, true, 120.0, 0, 110.0, 0, false},
  };
  for (const Case& c : cases) {
    LiveAc ac = aircraft({at(50.0, 8.0, c.nKt, 1000, c.nAltitude)}, c.phase, true);
    testsupport::enterRunwayPhase(ac, c.rollingOut ? RunwayPhase::RollOut : RunwayPhase::Clear);
    // Weighed as the intake does: 2 s apart, the positions roll.
    PositionSample r = at(50.01, 8.0, c.rKt, 1200, c.rAltitude);
    gf_noteReportTaken(ac, ac.samples.back(), 10.0);
    gf_noteReportTaken(ac, r, 12.0);
    gf_takeOffOnNewReport(ac, ac.samples.back(), r);
    EXPECT_EQ(ac.runway.rolling(), c.roll) << c.name;
    // A touch-and-go keeps its broad phase until its next ground step: its leg may be an air leg.
    EXPECT_TRUE(!c.rollingOut || !c.roll || (ac.phase == c.phase && !ac.runway.arrivedLastFlight() &&
                                              ac.runway.phase() == RunwayPhase::TouchAndGo)) << c.name;
  }
  // A roll that comes to a stand ends, whatever speed the feed still gives.
  for (const bool standing : {false, true}) {
    LiveAc ac = aircraft({at(50.0, 8.0, 60, 1000)}, AcPhase::Taxi, true);
    testsupport::enterRunwayPhase(ac, RunwayPhase::TakeOffRoll);
    PositionSample r = at(50.01, 8.0, 104, 1200);
    r.standing = standing;
    gf_takeOffOnNewReport(ac, ac.samples.back(), r);
    EXPECT_EQ(ac.runway.rolling(), !standing);
  }
  // During the roll the take-off itself waits for a second report of 43 kt or more.
  for (const double kt : {42.0, 50.0}) {
    LiveAc ac = aircraft({at(50.0, 8.0, 30, 1000), at(50.01, 8.0, kt, 1600)}, AcPhase::Taxi, true);
    ac.samples[0].verticalSpeed = ac.samples[1].verticalSpeed = 300.0;  // every report climbs: away at once
    lf_startTakeOffRoll(ac);
    lf_groundStep(ac);
    EXPECT_EQ(ac.phase == AcPhase::TakeOff, kt >= 43.0) << kt;
  }
}

TEST_F(MovementRules, AnAircraftBornFastOnTheGroundRollsOutOnlyWhenItSlows) {
  struct Case { const char* name; std::vector<double> reportedKt, shownKt; bool rollingOut; };
  const Case cases[] = {
      {"reported slowing", {120, 110, 100}, {120, 110}, true},
      {"reported speeding up", {110, 120, 130}, {110, 120}, false},
      {"under 43 kt", {42, 30, 20}, {40, 30}, false},
      {"one speed, positions slowing", {104, 104, 104, 104, 104}, {125, 120, 110, 105}, true},
      {"one speed, positions 4 kt slower", {104, 104, 104, 104, 104}, {110, 110, 106, 106}, false},
      {"one speed, positions speeding up", {60, 60, 60, 60, 60}, {55, 60, 70, 75}, false},
      {"one speed, two reports", {104, 104}, {100}, false},
  };
  for (const Case& c : cases) {
    std::vector<PositionSample> stream{at(50.0, 8.0, c.reportedKt[0], 1000)};
    for (std::size_t i = 1; i < c.reportedKt.size(); ++i)
      stream.push_back(offset(stream.back(), c.shownKt[i - 1] * 2.0 / 3600.0 * 1852.0, 0.0, c.reportedKt[i],
                              stream.back().dueTick + 200));
    LiveAc ac = aircraft(stream);
    EXPECT_EQ(gf_bornRollingOut(ac), c.rollingOut) << c.name;
  }
}

TEST_F(MovementRules, TheFlareStagesFollowTheHeightOverTheCg) {
  LiveAc ac = aircraft({at(50.0, 8.0, 130, 1000, 400.0), at(50.01, 8.0, 130, 1600)}, AcPhase::Flying, false);
  std::tie(ac.groundCgHeight, ac.altitudeRate, ac.pitch) = std::tuple(8.0, -0.2, -1.0 * deg);
  testsupport::enterRunwayPhase(ac, RunwayPhase::Approach);
  ac.sim.throttleIndex = 1;  // the approach's throttle, off only from the third stage on
  for (const auto& [height, stage, rate, throttle] : {std::tuple(40.0, 0u, -0.2, 1u), {38.0, 1u, -0.1, 1u},
                                                      {28.0, 2u, -0.075, 1u}, {18.0, 3u, -0.05, 0u}, {11.0, 4u, -0.025, 0u}}) {
    ac.heightAboveGround = height;
    lf_moveTick(ac);
    EXPECT_EQ(std::tuple(ac.landingStage, ac.altitudeRate, ac.sim.throttleIndex), std::tuple(stage, rate, throttle)) << height;
  }
  for (int i = 0; i < 2000; ++i) lf_moveTick(ac);
  EXPECT_NEAR(ac.pitch / deg, flarePitchDeg, 1e-9);  // never further nose up than the flare pitch
}

} // namespace
} // namespace gwr

