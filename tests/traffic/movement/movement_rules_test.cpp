// The movement's ground and leg rules one by one: curves, midpoints and leg
// checks, leaving a stand, timing limits, the ground judge, made-up reports and guards.
#include <gtest/gtest.h>

#include "traffic/movement/ground_steering.h"
#include "traffic/movement/movement_rules.h"

namespace gwr {
namespace {

using namespace movementrules;
using movementrules::nmPerMetre;  // over the one in gwr

TEST_F(MovementRules, CurvePointsFollowTheQuadraticFromOriginOverControlToEnd) {
  LiveAc ac = aircraft({at(50.0, 8.0, 10, 1000)});
  PositionSample control = offset(ac.samples[0], 100.0, 0.0, 10, 0);
  PositionSample end = offset(ac.samples[0], 100.0, 100.0, 10, 0);
  ASSERT_TRUE(gf_makeCurve(ac, 50.0, 8.0, control, end));
  struct Case { double t, north, east, headingDeg; };
  for (const Case c : {Case{0.0, 0.0, 0.0, 0.0}, Case{0.5, 75.0, 25.0, 45.0}, Case{1.0, 100.0, 100.0, 90.0}}) {
    const auto p = gf_curvePoint(ac.curve, c.t);
    ASSERT_TRUE(p.has_value()) << c.t;
    EXPECT_NEAR((p->lat - 50.0) * 111132.95, c.north, 0.5) << c.t;
    EXPECT_NEAR((p->lon - 8.0) * 111132.95 * std::cos(50.0 * deg), c.east, 0.5) << c.t;
    EXPECT_NEAR(p->heading / deg, c.headingDeg, 0.5) << c.t;
  }
  // Its length, driven as a straight leg would be: 162.3 m round it, half of it from its middle.
  struct Length { double t, perUnit, left; };
  for (const Length c : {Length{0.0, 200.0, 162.32}, Length{0.5, 141.42, 81.16}, Length{1.0, 200.0, 0.0}}) {
    EXPECT_NEAR(gf_curveMetresPerUnit(ac.curve, c.t), c.perUnit, 0.5) << c.t;
    EXPECT_NEAR(gf_curveMetresLeft(ac.curve, c.t), c.left, 0.5) << c.t;
  }
  EXPECT_FALSE(gf_curvePoint(ac.curve, -0.01).has_value());
  EXPECT_FALSE(gf_curvePoint(ac.curve, 1.01).has_value());
  gf_clearCurve(ac);
  EXPECT_FALSE(gf_curvePoint(ac.curve, 0.5).has_value());
  EXPECT_EQ(gf_curveMetresLeft(ac.curve, 0.0), 0.0);
}

TEST_F(MovementRules, DegenerateCurvesAreRefusedOrGiveNoPoint) {
  LiveAc ac = aircraft({at(50.0, 8.0, 10, 1000)});
  const PositionSample origin = ac.samples[0];
  // Control on the origin: no direction to start; end on the origin: a 180-degree reversal back.
  EXPECT_FALSE(gf_makeCurve(ac, 50.0, 8.0, origin, offset(origin, 50.0, 0.0, 10, 0)));
  EXPECT_FALSE(gf_curveSet(ac.curve));
  EXPECT_FALSE(gf_makeCurve(ac, 50.0, 8.0, offset(origin, 50.0, 0.0, 10, 0), origin));
  // Folding back on itself: at u = 2/3 the curve stands still and has no heading.
  ASSERT_TRUE(gf_makeCurve(ac, 50.0, 8.0, offset(origin, 100.0, 0.0, 10, 0), offset(origin, 50.0, 0.0, 10, 0)));
  EXPECT_FALSE(gf_curvePoint(ac.curve, 2.0 / 3.0).has_value());
  EXPECT_TRUE(gf_curvePoint(ac.curve, 0.5).has_value());
}

TEST_F(MovementRules, MidpointTakesTheMeansAndTheRoundedMeanDueTick) {
  LiveAc ac = aircraft({at(50.0, 8.0, 10, 1000), at(50.001, 8.002, 20, 1601)});
  lf_insertMidpoint(ac);
  ASSERT_EQ(ac.samples.size(), 3u);
  const PositionSample& m = ac.samples[1];
  EXPECT_DOUBLE_EQ(m.lat, 50.0005);
  EXPECT_DOUBLE_EQ(m.lon, 8.001);
  EXPECT_EQ(std::tuple(m.groundSpeed, m.dueTick, m.airborne, m.standing), std::tuple(15.0, 1301, 0, 0));
  LiveAc climbing = aircraft({at(50.0, 8.0, 140, 1000), at(50.01, 8.0, 150, 1600, 200.0)});
  lf_insertMidpoint(climbing);
  EXPECT_DOUBLE_EQ(climbing.samples[1].altitude, 100.0);
  EXPECT_EQ(climbing.samples[1].airborne, 1);
}

TEST_F(MovementRules, LongLegsWithUnevenSpeedsGetAMidpoint) {
  struct Case { double metres, kt1, kt2; bool midpoint; };
  for (const Case c : {Case{60.0, 3.0, 20.0, false}, Case{120.0, 3.0, 20.0, true}, Case{120.0, 10.0, 14.0, false},
                       Case{120.0, 0.0, 0.0, false}, Case{100.5, 20.0, 3.0, true}}) {
    const PositionSample front = at(50.0, 8.0, c.kt1, 1000);
    LiveAc ac = aircraft({front, offset(front, c.metres, 0.0, c.kt2, 1700)});
    lf_checkGroundLeg(ac);
    EXPECT_EQ(ac.samples.size(), c.midpoint ? 3u : 2u) << c.metres << " m " << c.kt1 << "/" << c.kt2 << " kt";
  }
}

// A taxiing aircraft on the ground; the second report metres ahead, the third turned by the angle.
LiveAc cornerAircraft(double legMetres, double turnDeg, std::int32_t secondDue, double kt) {
  const PositionSample front = at(50.0, 8.0, kt, 1000);
  PositionSample second = offset(front, legMetres, 0.0, kt, secondDue);
  second.track = 360.0;  // due north as the feed gives it: a track of 0 is its "none"
  const PositionSample third = offset(second, 40.0 * std::cos(turnDeg * deg), 40.0 * std::sin(turnDeg * deg), kt,
                                      secondDue + 500);
  return aircraft({front, second, third}, AcPhase::Taxi, true);
}

TEST_F(MovementRules, CornersAreFlownOnCurvesMidpointsFirstReversalsStraight) {
  struct Case { double legMetres, turnDeg; std::int32_t secondDue; double kt; bool curve; std::size_t size; };
  for (const Case c : {Case{40.0, 90.0, 1400, 10.0, true, 2}, Case{60.0, 90.0, 2000, 10.0, false, 4},
                       Case{60.0, 90.0, 1400, 10.0, true, 2}, Case{40.0, 170.0, 1400, 10.0, false, 3},
                       Case{40.0, 2.0, 1400, 10.0, false, 3}}) {
    LiveAc ac = cornerAircraft(c.legMetres, c.turnDeg, c.secondDue, c.kt);
    EXPECT_EQ(nextPosGround(ac), GroundDispatch::Continue);
    EXPECT_EQ(gf_curveSet(ac.curve), c.curve) << c.legMetres << " m, " << c.turnDeg << " deg";
    EXPECT_EQ(ac.samples.size(), c.size) << c.legMetres << " m, " << c.turnDeg << " deg";
    if (!c.curve) continue;
    EXPECT_NEAR(ac.curveAngle, c.turnDeg, 1.0);
    // Timed to take a second, the corner is flown no faster than the nose
    // turns (an A320's 0.21 degrees a tick), the nose along the path.
    ac.curveStep = 0.01;
    for (int i = 0; i < 100; ++i) {
      const double before = ac.heading;
      lf_moveTick(ac);
      const auto path = gf_curvePoint(ac.curve, ac.curvePosition);
      ASSERT_TRUE(path.has_value());
      EXPECT_LE(std::fabs(gf_normalizeAngle(ac.heading - before)), 0.21 * deg + 1e-12);
      EXPECT_NEAR(gf_normalizeAngle(ac.heading - path->heading), 0.0, 0.01 * deg) << i;
    }
  }
}

// At 30 kt (0.154 m a tick), braking 5.5 kt a second (2.83 m/s²) takes 42 m:
// a right angle whose corner lies within that, reports every 5 m before it,
// holds the step back now; one beyond it does not yet.
TEST_F(MovementRules, GroundLegsBrakeForACornerWithinTheirBrakingDistanceOnly) {
  struct Case { double cornerM; bool held; };
  for (const Case c : {Case{20.0, true}, Case{35.0, true}, Case{40.0, false}, Case{60.0, false}}) {
    const PositionSample front = at(50.0, 8.0, 30.0, 1000);
    std::vector<PositionSample> stream{front};
    for (int i = 1; i * 5.0 <= c.cornerM + 1e-9; ++i) stream.push_back(offset(front, i * 5.0, 0.0, 30.0, 1000 + 10 * i));
    stream.push_back(offset(front, c.cornerM, 5.0, 30.0, 2000));
    LiveAc ac = aircraft(stream, AcPhase::Taxi, true);
    ac.legStartKt = ac.legEndKt = 30.0;
    const double step = 30.0 * 0.514444 / 100.0;
    // (5 m short of its report, arriving heading north)
    bool forBend = false;
    const double capped = gf_bendCappedStep(ac, step, 5.0, [](const LiveAc&) { return 0.0; }, forBend);
    EXPECT_EQ(capped < step, c.held) << c.cornerM << " m";
    EXPECT_EQ(forBend, c.held) << c.cornerM << " m";  // (a right angle is beyond any noise)
    EXPECT_GT(capped, 0.0) << c.cornerM << " m";
  }
}

TEST_F(MovementRules, ParkedAircraftPushBackAt100DegreesAndPullOutAt80) {
  struct Case { double offDeg; bool pullOut; };
  for (const Case c : {Case{80.0, true}, Case{-80.0, true}, Case{89.0, true}, Case{90.0, false}, Case{100.0, false},
                       Case{-100.0, false}, Case{180.0, false}})
    EXPECT_EQ(gf_pullsOut(c.offDeg), c.pullOut) << c.offDeg;

  for (const Case c : {Case{80.0, true}, Case{100.0, false}}) {
    gf_clearStands(standTable);
    standTable.emplace_back("B2", std::vector<StandOption>{}, 50.0, 8.0, 0.0, 20.0, std::int16_t{5}, false, false, false);
    standTable.back().number = 1;
    const PositionSample stand = at(50.0, 8.0, 0, 1000);
    LiveAc ac = aircraft({stand, offset(stand, 30.0 * std::cos(c.offDeg * deg), 30.0 * std::sin(c.offDeg * deg), 3, 1200)},
                         AcPhase::Parked, true);
    std::tie(ac.standNumber, ac.standLat, ac.standLon, ac.leaving) = std::tuple(1, 50.0, 8.0, 1);
    nextPosGround(ac);
    EXPECT_EQ(ac.phase, c.pullOut ? AcPhase::Taxi : AcPhase::PushingBack) << c.offDeg;
    if (!c.pullOut) {
      // Straight back along the stand's axis, 2.5 stand radii (50 m), with a midpoint before it.
      ASSERT_EQ(ac.samples.size(), 3u);
      const double back = gf_greatCircleDistanceNm({50.0, 8.0}, {ac.samples[2].lat, ac.samples[2].lon}) / nmPerMetre;
      EXPECT_NEAR(back, 50.0, 0.5);
      EXPECT_NEAR(gf_initialBearing({50.0, 8.0}, {ac.samples[2].lat, ac.samples[2].lon}) / deg, 180.0, 0.5);
    }
  }
}

TEST_F(MovementRules, LeavingSoonAfterArrivingIsATowNotAFlight) {
  struct Case { std::int32_t madeTicksAgo; bool towed; };
  for (const Case c : {Case{100000, true}, Case{149999, true}, Case{150001, false}, Case{200000, false}}) {
    const std::int32_t now = tickCount.load();
    const PositionSample stand = at(50.0, 8.0, 0, now);
    LiveAc ac = aircraft({stand}, AcPhase::Parked, true);
    PositionSample week = stand;
    week.standing = 1;
    week.dueTick = now - c.madeTicksAgo + 60480000;
    ac.samples.push_back(week);
    std::tie(ac.extrapolationCount, ac.standLat, ac.standLon) = std::tuple(1, 50.0, 8.0);
    testsupport::enterRunwayPhase(ac, RunwayPhase::RollOut);  // landed on its last flight
    rp_transition(ac, RunwayEvent::TurnsOff);
    PositionSample still = offset(stand, 0.5, 0.0, 0, now + 3000);
    EXPECT_FALSE(checkExtendingSituations(ac, still));  // the first report near the stand only measures
    PositionSample away = offset(stand, 25.0, 0.0, 3, now + 3200);
    EXPECT_TRUE(checkExtendingSituations(ac, away));    // more than a half wingspan: it leaves
    EXPECT_EQ(std::tuple(ac.leaving != 0, ac.towed, ac.runway.arrivedLastFlight(), ac.extrapolationCount),
              std::tuple(true, c.towed ? 1 : 0, false, 0))
        << c.madeTicksAgo;
    ASSERT_EQ(ac.samples.size(), 1u);  // the week-long report gave way
    EXPECT_EQ(ac.samples.front().dueTick, now + 1);
    if (!c.towed) continue;
    // Parked at its new stand the tow is over: on its way out later it may
    // stop behind its stand without being given a stand again.
    ac.setPhase(AcPhase::Parking);
    lf_arriveAtStand(ac);
    EXPECT_NE(log.text().find("towed aircraft TST1 parks"), std::string::npos);
    static int asked;
    asked = 0;
    gf_installArrivalStandChoice([](LiveAc&) -> const StandRecord* { ++asked; return nullptr; });
    standTableReady.store(true);
    ac.setPhase(AcPhase::PushedBack);
    ac.setPhase(AcPhase::Taxi);
    ac.samples.assign({offset(stand, -30.0, 0.0, 2, now + 100), offset(stand, -30.0, 0.0, 0, now + 400)});
    ac.samples.back().standing = 1;
    nextPosGround(ac);
    gf_installArrivalStandChoice(nullptr);
    standTableReady.store(false);
    EXPECT_EQ(asked, 0);
  }
}

// Reports of an aircraft parked at its stand, metres from the stand: the first
// is where it stands; a report 3 m beyond the farthest counts, one 3 m nearer
// starts the count again; three counted (half a half wingspan moved), or one
// more than a half wingspan (17.9 m) from the first, and it leaves (index).
TEST_F(MovementRules, AParkedAircraftLeavesWhenItsReportsGrowAwayFromItsStand) {
  struct Case { const char* name; std::vector<double> metres; int leavesAt; bool cameFromAnother = false; };
  const Case cases[] = {
      {"three growths of 3.5 m", {1.0, 4.5, 8.0, 11.5}, 3},
      {"steps of 2 m: every other one counts", {1.0, 3.0, 5.0, 7.0, 9.0, 11.0, 13.0}, 6},
      {"3.1 m nearer starts the count again", {1.0, 4.5, 8.0, 4.9, 11.5}, -1},
      {"2.9 m nearer keeps it", {1.0, 4.5, 8.0, 5.1, 11.5}, 4},
      {"18.5 m from the first at once", {1.0, 19.5}, 1},
      {"17.5 m from the first: one growth", {1.0, 18.5}, -1},
      // Turned away from a stand it drove to (its reports 60 m, then 90 m
      // off): at this one it is measured from its first report here.
      {"after another stand", {2.0, 21.0}, 1, true},
  };
  const PositionSample stand = at(50.0, 8.0, 0, 1000);
  for (const Case& c : cases) {
    gf_clearStands(standTable);
    for (const double lon : {8.0, 8.0042}) {  // the other 300 m east
      standTable.emplace_back("B", std::vector<StandOption>{}, 50.0, lon, 0.0, 20.0, std::int16_t{5}, false, false, false);
      standTable.back().number = static_cast<std::uint32_t>(standTable.size());
    }
    LiveAc ac = aircraft({stand}, AcPhase::Taxi, true);
    if (c.cameFromAnother) {
      drive2Stand(ac, standTable[1]);
      ac.setPhase(AcPhase::Parking);
      for (const double metres : {60.0, 90.0}) {
        PositionSample r = offset(at(50.0, 8.0042, 0, 0), metres, 0.0, 5, 1100);
        checkExtendingSituations(ac, r);
      }
      ASSERT_EQ(ac.phase, AcPhase::Taxi) << c.name;
      ac.samples.assign({stand});
    }
    drive2Stand(ac, standTable[0]);
    ac.setPhase(AcPhase::Parking);
    lf_arriveAtStand(ac);
    ASSERT_EQ(ac.phase, AcPhase::Parked) << c.name;
    int left = -1;
    for (std::size_t i = 0; i < c.metres.size() && left < 0; ++i) {
      PositionSample r = offset(stand, c.metres[i], 0.0, 2, 1200 + 100 * static_cast<std::int32_t>(i));
      if (checkExtendingSituations(ac, r)) left = static_cast<int>(i);
    }
    EXPECT_EQ(left, c.leavesAt) << c.name;
    EXPECT_EQ(ac.leaving, c.leavesAt >= 0 ? 1 : 0) << c.name;
  }
}

TEST_F(MovementRules, ALegNeverGetsFewerThan25Ticks) {
  LiveAc ac = aircraft({at(50.0, 8.0, 150, 900, 3000.0), at(50.01, 8.0, 150, 950, 3000.0)});
  EXPECT_EQ(lf_ticksToNext(ac), 25);  // due in the past
  ac.extrapolationCount = 1;         // no smoothing limits while extrapolating
  lf_retimeNext(ac, 3);
  EXPECT_EQ(ac.samples[1].dueTick, 1025);
  ac.extrapolationCount = 0;
  ac.samples[1].dueTick = 5000;  // smoothing: at most 1000 ticks earlier
  lf_retimeNext(ac, 10);
  EXPECT_EQ(ac.samples[1].dueTick, 4000);
}

// A ground leg 200 m (or 400 m) long from tick 1000: d x 360000 / kt ticks at
// 1.2 times the reports' speed, 1.25 times that when more than 5 s behind
// the report's own due, and never faster than 43 kt taxiing, or rolling than
// 180 kt or the category's take-off speed (HighPerf 220 kt). A leg rolls when
// one of its reports is at 43 kt or more, whatever the aircraft's flags say.
TEST_F(MovementRules, AGroundLegKeepsToItsReportsCatchesUpAndNeverOutrunsAGroundAircraft) {
  struct Case {
    const char* name;
    double metres, frontKt, kt;
    bool rollingOut;
    std::int32_t ownDue, retimed, due;
    AcCategory category = AcCategory::Large;
  };
  const Case cases[] = {
      {"on time at its reports' pace", 200, 15, 15, false, 3200, 3200, 3200},
      {"rushed by the smoothing limits", 200, 15, 15, false, 3200, 1500, 1000 + 2160},
      {"under 5 s behind", 200, 15, 15, false, 2700, 2700, 1000 + 2160},
      {"behind: a quarter faster", 200, 15, 15, false, 1500, 1500, 1000 + 1728},
      {"behind, but not before its own due", 400, 15, 15, false, 4600, 4600, 4600},
      {"reports of 500 kt", 200, 500, 500, false, 1100, 1100, 1000 + 216},
      {"reports without a speed", 200, 0, 0, false, 1100, 1100, 1000 + 904},
      {"first leg of a roll, none started yet", 200, 30, 60, false, 1100, 1100, 1000 + 540},
      {"rolling out, no landing flag", 200, 120, 100, false, 1100, 1100, 1000 + 270},
      {"taxiing in after touchdown, reports without a speed", 200, 0, 0, true, 1100, 1100, 1000 + 904},
      {"HighPerf take-off roll at 220 kt", 200, 220, 220, false, 1100, 1100, 1000 + 177, AcCategory::HighPerf},
      {"Heavy take-off roll at 220 kt", 200, 220, 220, false, 1100, 1100, 1000 + 216, AcCategory::Heavy},
  };
  for (const Case& c : cases) {
    const PositionSample front = at(50.0, 8.0, c.frontKt, 1000);
    LiveAc ac = aircraft({front, offset(front, c.metres, 0, c.kt, c.retimed)}, c.category);
    ac.setPhase(AcPhase::Taxi);
    ac.onGroundConfirmed = 1;
    testsupport::enterRunwayPhase(ac, c.rollingOut ? RunwayPhase::RollOut : RunwayPhase::Clear);
    gf_keepGroundLegSpeed(ac, c.metres / 1852.0, c.ownDue);
    EXPECT_EQ(ac.samples[1].dueTick, c.due) << c.name;
  }
  // Not yet confirmed on the ground by the simulator, a ground leg all the
  // same: 1.5 nm reported at 15 kt is caught up at 22.5 kt, not in 12 s.
  const PositionSample front = at(50.0, 8.0, 15, 1000);
  LiveAc ac = aircraft({front, offset(front, 1.5 * 1852.0, 0, 15, 1200)}, AcPhase::Taxi, false);
  nextPosMain(ac);
  EXPECT_EQ(ac.samples.front().dueTick, 1000 + 24000);
}

// The judge weighs the six newest ground reports, newest first; a copy of the
// aircraft keeps its own, and an airborne report forgets them.
TEST_F(MovementRules, TheJudgeKeepsTheSixNewestGroundReports) {
  for (const int taken : {1, 5, 6, 7, 13}) {
    LiveAc ac = aircraft({at(50.0, 8.0, 10, 1000)}, AcPhase::Taxi, true);
    LiveAc copy = ac;
    for (int i = 0; i < taken; ++i) {
      PositionSample r = at(50.0 + 0.0001 * i, 8.0, 10, 1000 + 200 * i);
      gf_noteReportTaken(ac, r, 2.0 * i);
      if (i == 0) copy = ac;
    }
    const int kept = std::min(taken, 6);
    for (int k = 0; k < kept; ++k) {
      ASSERT_NE(ac.evidence.back(static_cast<std::size_t>(k)), nullptr) << taken << " " << k;
      EXPECT_EQ(ac.evidence.back(static_cast<std::size_t>(k))->time, 2.0 * (taken - 1 - k)) << taken << " " << k;
    }
    EXPECT_EQ(ac.evidence.back(static_cast<std::size_t>(kept)), nullptr) << taken;
    ASSERT_NE(copy.evidence.last(), nullptr) << taken;
    EXPECT_EQ(copy.evidence.last()->time, 0.0) << taken;
    EXPECT_EQ(copy.evidence.back(1), nullptr) << taken;
    PositionSample airborne = at(50.01, 8.0, 150, 5000, 800.0);
    gf_noteReportTaken(ac, airborne, 100.0);
    EXPECT_EQ(ac.evidence.last(), nullptr) << taken;
    PositionSample again = at(50.02, 8.0, 10, 9000);
    gf_noteReportTaken(ac, again, 200.0);
    EXPECT_EQ(ac.evidence.last()->time, 200.0) << taken;
    EXPECT_EQ(ac.evidence.back(1), nullptr) << taken;
  }
}

// Born on the ground at 43 kt or more: rolling out when its reported speed
// falls, or, with one speed repeated, when its positions show it at least 5 kt
// slower over the later half of its reports (2 s apart) than the earlier.
TEST_F(MovementRules, ReportsAtTheSamePositionOrTimeGiveFiniteRates) {
  // Air: two reports on one spot and due at the same tick.
  LiveAc air = aircraft({at(50.0, 8.0, 200, 1000, 3000.0), at(50.0, 8.0, 200, 1000, 3000.0), at(50.0, 8.0, 200, 1000, 3000.0)});
  air.heightAboveGround = 2600.0;
  air.heading = 1.0;
  nextPosMain(air);
  EXPECT_EQ(std::tuple(air.latRate, air.lonRate, air.heading), std::tuple(0.0, 0.0, 1.0));
  // Ground: standing reports with no speed and no spacing.
  LiveAc ground = aircraft({at(50.0, 8.0, 0, 1000), at(50.0001, 8.0, 0, 1000), at(50.0001, 8.0, 0, 1000)}, AcPhase::Taxi, true);
  nextPosMain(ground);
  for (double r : {ground.latRate, ground.lonRate, ground.headingRate, ground.altitudeRate, ground.curveStep})
    EXPECT_TRUE(std::isfinite(r));
  EXPECT_GE(lf_ticksToNext(ground), 25);
  EXPECT_DOUBLE_EQ(lf_headingDelta(ground), 0.0);  // second and third on one spot: no turn
  // Taxiing off a report at a pole, nose east, to one 1.1 km away: the
  // longitude always within [-180, 180), the latitude within 90.
  LiveAc polar = aircraft({at(90.0, 0.0, 15, 1000), at(89.99, 90.0, 15, 1100)}, AcPhase::Taxi, true);
  nextPosMain(polar);
  polar.heading = M_PI / 2.0;
  for (int i = 0; i < 1000; ++i) {
    lf_moveTick(polar);
    ASSERT_TRUE(polar.lon >= -180.0 && polar.lon < 180.0 && std::fabs(polar.lat) <= 90.0) << i << " " << polar.lon;
  }
  EXPECT_TRUE(log.lines().empty());
}

TEST_F(MovementRules, AReportWithoutHeadingOrTrackDecidesNoPushBackTurn) {
  const PositionSample stand = at(50.0, 8.0, 0, 1000);
  LiveAc ac = aircraft({stand, offset(stand, -10.0, 0.0, 3, 1400)}, AcPhase::PushingBack, false);
  ac.pushBackCountdown = 2;
  PositionSample bare = offset(stand, -20.0, 0.0, 3, 1600);
  bare.track = 0.0;
  EXPECT_FALSE(checkExtendingSituations(ac, bare));
  EXPECT_FALSE(ac.pushBackHasSecondLeg);
  PositionSample turned = bare;
  turned.trueHeading = 3.5;
  turned.trueHeadingValid = 1;
  ac.heading = 0.0;
  EXPECT_FALSE(checkExtendingSituations(ac, turned));
  EXPECT_TRUE(ac.pushBackHasSecondLeg);
  EXPECT_EQ(ac.pushBackTurnSide, 0);  // 3.5 rad is 200 degrees: the turn goes left
  // Its next push-back (towed here, now departing) is decided afresh: the bare report turns nothing.
  standTable.emplace_back("B2", std::vector<StandOption>{}, 50.0, 8.0, 0.0, 20.0, std::int16_t{5}, false, false, false);
  standTable.back().number = 1;
  std::tie(ac.standNumber, ac.standLat, ac.standLon, ac.standHeading) = std::tuple(1, 50.0, 8.0, 0.0);
  ac.samples.assign({stand});
  lf_pushBack(ac);
  EXPECT_FALSE(checkExtendingSituations(ac, bare));
  EXPECT_FALSE(ac.pushBackHasSecondLeg);
  EXPECT_DOUBLE_EQ(gf_normalizeAngle(NAN), 0.0);
  // Into (-pi, pi], just past either end and a turn and more away, as the remainder gives it.
  const double pi = M_PI;
  for (const auto& [in, out] : {std::pair{pi, pi}, {-pi, pi}, {std::nextafter(pi, 4.0), std::nextafter(pi, 4.0) - 2.0 * pi},
                                {std::nextafter(-pi, -4.0), std::nextafter(-pi, -4.0) + 2.0 * pi}, {3.0 * pi, pi},
                                {-3.0 * pi, pi}, {9.0, 9.0 - 2.0 * pi}, {-9.0, 2.0 * pi - 9.0}, {10.0, 10.0 - 4.0 * pi}, {-0.0, -0.0}}) {
    EXPECT_EQ(gf_normalizeAngle(in), out) << in;
    EXPECT_EQ(gf_normalizeAngle(in), std::remainder(in, 2.0 * pi) + (std::remainder(in, 2.0 * pi) <= -pi ? 2.0 * pi : 0.0)) << in;
  }
  EXPECT_DOUBLE_EQ(gf_normalizeAngle(-INFINITY), 0.0);
  EXPECT_DOUBLE_EQ(gf_wrapHeading(INFINITY), 0.0);
  // Into [0, 2 pi): in range as it stands, a full turn and just under 0 wrap to 0.
  for (const auto& [in, out] : {std::pair{0.0, 0.0}, {std::nextafter(2.0 * pi, 0.0), std::nextafter(2.0 * pi, 0.0)},
                                {2.0 * pi, 0.0}, {-1e-20, 0.0}, {-1.0, 2.0 * pi - 1.0}, {7.0, 7.0 - 2.0 * pi},
                                {-2.0 * pi, 0.0}, {NAN, 0.0}})
    EXPECT_EQ(gf_wrapHeading(in), out) << in;
}

TEST_F(MovementRules, APoseThatIsNotFiniteFallsBackToTheLastSoundOneLoggedOnce) {
  LiveAc ac = aircraft({at(50.0, 8.0, 200, 1000, 3000.0), at(50.1, 8.0, 200, 1800, 3000.0)}, AcPhase::Flying, false);
  std::tie(ac.heading, ac.latRate, ac.altitudeRate) = std::tuple(0.5, NAN, INFINITY);
  lf_moveTick(ac);
  EXPECT_EQ(std::tuple(ac.lat, ac.altitude, ac.heading, ac.latRate), std::tuple(50.0, 3000.0, 0.5, 0.0));
  ac.pitchRate = NAN;
  lf_moveTick(ac);
  EXPECT_TRUE(gf_poseFinite(gf_soundPose(ac)));
  ac.bankRate = NAN;
  lf_checkRates(ac);
  EXPECT_EQ(ac.bankRate, 0.0);
  const auto lines = log.lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("not finite, kept at its last sound pose"), std::string::npos);
}

TEST_F(MovementRules, MadeUpReportsFollowWhatTheAircraftIsDoing) {
  struct Case {
    const char* what;
    bool onGround, rollingOut, rolling, landing;
    std::int32_t n;
    double kt, expectKt, expectFpm;
    double fpm = 0.0;
  };
  for (const Case c : {Case{"cruise: steady", false, false, false, false, 8, 200.0, 200.0, 0.0},
                       Case{"climbing on", false, false, false, false, 8, 200.0, 200.0, 1500.0, 1500.0},
                       Case{"descending: held level", false, false, false, false, 8, 200.0, 200.0, 0.0, -1500.0},
                       Case{"landing", false, false, false, true, 8, 200.0, 180.0, -667.0},
                       Case{"landing, last reports", false, false, false, true, 3, 200.0, 200.0, -667.0},
                       Case{"roll-out 150", true, true, false, false, 10, 150.0, 138.337, 0.0},
                       Case{"roll-out 120", true, true, false, false, 10, 120.0, 108.337, 0.0},
                       Case{"roll-out 90", true, true, false, false, 10, 90.0, 78.337, 0.0},
                       Case{"roll-out 70", true, true, false, false, 10, 70.0, 58.337, 0.0},
                       Case{"roll-out 30", true, true, false, false, 10, 30.0, 20.0, 0.0},
                       Case{"roll-out 12", true, true, false, false, 10, 12.0, 12.0, 0.0},
                       Case{"take-off roll, creeping", true, false, true, false, 10, 3.0, 0.0, 0.0},
                       // 2.5 m/s^2 for 3 s: 14.579 kt faster, at most the next speed of the
                       // ladder 40, 80, 110, 150 (600 ft/min), 170 (1200), 180 (2400)
                       Case{"take-off roll 25", true, false, true, false, 10, 25.0, 39.579, 0.0},
                       Case{"take-off roll 30", true, false, true, false, 10, 30.0, 40.0, 0.0},
                       Case{"take-off roll 50", true, false, true, false, 10, 50.0, 64.579, 0.0},
                       Case{"take-off roll 100", true, false, true, false, 10, 100.0, 110.0, 0.0},
                       Case{"take-off roll 130", true, false, true, false, 10, 130.0, 144.579, 0.0},
                       Case{"take-off roll 140", true, false, true, false, 10, 140.0, 150.0, 600.0},
                       Case{"take-off roll 150", true, false, true, false, 10, 150.0, 164.579, 600.0},
                       Case{"take-off roll 160", true, false, true, false, 10, 160.0, 170.0, 1200.0},
                       Case{"take-off roll 170", true, false, true, false, 10, 170.0, 180.0, 2400.0},
                       Case{"taxi", true, false, false, false, 10, 15.0, 0.0, 0.0}}) {
    LiveAc ac = aircraft({at(50.0, 8.0, c.kt, 1000, c.onGround ? 0.0 : 3000.0)});
    ac.samples.front().verticalSpeed = c.fpm;
    ac.onGroundConfirmed = c.onGround;
    testsupport::enterRunwayPhase(ac, c.rolling, c.rollingOut, c.landing);
    ac.heading = 90.0 * deg;
    const PositionSample r = gf_madeUpReport(ac, c.n);
    EXPECT_NEAR(r.groundSpeed, c.expectKt, 0.001) << c.what;
    EXPECT_EQ(std::tuple(r.verticalSpeed, r.standing, r.dueTick),
              std::tuple(c.expectFpm, c.expectKt == 0.0 ? 1 : 0, 1000 + (c.onGround ? 300 : 800))) << c.what;
    if (c.landing) {
      EXPECT_NEAR(r.altitude, 3000.0 - 8.0 * 10.005, 1e-9) << c.what;
    } else if (!c.onGround) {
      EXPECT_NEAR(r.altitude, 3000.0 + c.expectFpm * 8.0 / 60.0, 1e-9) << c.what;
    }
    const double nm = gf_greatCircleDistanceNm({50.0, 8.0}, {r.lat, r.lon});
    EXPECT_NEAR(nm, c.expectKt * (c.onGround ? 3.0 : 8.0) / 3600.0, 1e-5) << c.what;
  }
  // At a field 392 ft up: in the air only above it; down on it, a landing rolls
  // out, confirmed on the ground or not yet, whatever its front report says.
  AirportRecord field;
  field.icao = FixedCode<4>("LFPG");
  std::tie(field.latitude, field.longitude, field.altitude) = std::tuple(50.0, 8.0, 392.0f);
  gf_setParkAirport(field);
  struct Landing { double frontFt; bool onGround; double expectKt; };
  // (20 ft up on short final: its speed held, not slowed by a tenth)
  for (const Landing c : {Landing{412.0, false, 120.0}, Landing{0.0, false, 108.337}, Landing{412.0, true, 88.898}}) {  // 8 s of braking after a made-up airborne front
    LiveAc ac = aircraft({at(50.0, 8.0, 120.0, 1000, c.frontFt)});
    ac.onGroundConfirmed = c.onGround;
    testsupport::enterRunwayPhase(ac, c.onGround ? RunwayPhase::RollOut : RunwayPhase::Approach);
    ac.altitude = c.onGround ? 400.0 : 412.0;
    const PositionSample r = gf_madeUpReport(ac, 5);
    EXPECT_EQ(std::tuple(r.airborne, r.altitude), std::tuple(0, 0.0)) << c.frontFt;
    EXPECT_NEAR(r.groundSpeed, c.expectKt, 0.001) << c.frontFt;
  }
  // A made-up approach 1000 ft or less over the field holds its speed down a
  // 3-degree glide, whatever its reports' descent; higher up it slows by a
  // tenth (not its last three reports) and sinks 10.005 ft a second.
  const double glideFpm = -120.0 * feetPerNm / 60.0 * std::tan(3.0 * deg);
  struct Approach { double frontFt, frontFpm; std::int32_t n; double expectKt, expectFpm, expectFt; };
  for (const Approach c : {Approach{1392.0, -700.0, 8, 120.0, glideFpm, 1392.0 + glideFpm * 8.0 / 60.0},
                           Approach{900.0, -1400.0, 5, 120.0, glideFpm, 900.0 + glideFpm * 8.0 / 60.0},
                           Approach{1393.0, -700.0, 8, 108.0, -667.0, 1393.0 - 8.0 * 10.005},
                           Approach{2392.0, -700.0, 3, 120.0, -667.0, 2392.0 - 8.0 * 10.005}}) {
    LiveAc ac = aircraft({at(50.0, 8.0, 120.0, 1000, c.frontFt)});
    ac.samples.front().verticalSpeed = c.frontFpm;
    testsupport::enterRunwayPhase(ac, RunwayPhase::Approach);
    ac.altitude = c.frontFt;
    const PositionSample r = gf_madeUpReport(ac, c.n);
    EXPECT_NEAR(r.groundSpeed, c.expectKt, 0.001) << c.frontFt;
    EXPECT_NEAR(r.verticalSpeed, c.expectFpm, 0.1) << c.frontFt;
    EXPECT_NEAR(r.altitude, c.expectFt, 0.02) << c.frontFt;
    EXPECT_EQ(r.airborne, 1) << c.frontFt;
  }
  gf_clearParkAirport();
  LiveAc parked = aircraft({at(50.0, 8.0, 0, 1000)}, AcPhase::Parked, true);
  const PositionSample week = gf_madeUpReport(parked, 1);
  EXPECT_EQ(std::tuple(week.dueTick, week.standing), std::tuple(1000 + 60480000, 1));
  // Its stand is no longer held for it, nor are its stand checks done.
  standTable.emplace_back("A1", std::vector<StandOption>{}, 50.0, 8.0, 0.0, 20.0, std::int16_t{5}, false, false, false);
  standTable.back().number = standTable.back().liveAssigned = 1;
  parked.standNumber = parked.atStandCheck = 1;
  lf_extrapolate(parked, 1);
  EXPECT_EQ(std::tuple(standTable.back().liveAssigned, parked.atStandCheck), std::tuple(0, 0));
}

TEST_F(MovementRules, TicksThatDoNotFitRaiseANarrowingError) {
  EXPECT_EQ(gf_legTicks(1.0, 360.0), 1000);
  EXPECT_THROW(gf_legTicks(1.0, 0.0), gsl::narrowing_error);
  EXPECT_THROW(gf_legTicks(NAN, 100.0), gsl::narrowing_error);
  EXPECT_THROW(gf_roundTicks(3e9), gsl::narrowing_error);
}

} // namespace
} // namespace gwr

namespace gwr {
namespace {

// The positions' noise as judged from reports 2 s apart along a line north:
// time stamps that jitter along it are no noise (at a roll's pace they would
// be metres), offsets across it are.
TEST(GroundEvidenceNoise, JudgedAcrossTheLineNotAlongIt) {
  struct Row {
    const char* name;
    double kt, jitterSeconds, acrossMetres;
    bool noisy;
  };
  const Row rows[] = {
      {"a roll-out whose time stamps jitter 0.3 s", 60.0, 0.3, 0.0, false},
      {"a taxi whose time stamps jitter 0.5 s", 15.0, 0.5, 0.0, false},
      {"a taxi 5 m either side of its line", 8.0, 0.0, 5.0, true},
      {"a standing aircraft 5 m either side", 0.0, 0.0, 5.0, true},
  };
  constexpr double metresPerDegree = 111120.0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    auto at = [&](int i) {
      const double side = i % 2 == 0 ? 1.0 : -1.0;
      PositionSample s;
      s.lat = 52.0 + row.kt * metresPerSecondPerKt * 2.0 * i / metresPerDegree;
      s.lon = 4.0 + side * row.acrossMetres / (metresPerDegree * std::cos(52.0 * M_PI / 180.0));
      s.groundSpeed = row.kt;
      return s;
    };
    LiveAc ac = describedAircraft(at(0));
    for (int i = 0; i < 12; ++i)
      gf_noteReportNoise(ac, at(i), 2.0 * i + (i % 2 == 0 ? row.jitterSeconds : -row.jitterSeconds));
    if (row.noisy)
      EXPECT_GE(gf_positionNoiseMetres(ac), 3.0);
    else
      EXPECT_EQ(gf_positionNoiseMetres(ac), 0.0);
  }
}

} // namespace
} // namespace gwr
