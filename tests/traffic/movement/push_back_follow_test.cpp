// A push-back from a stand by its reports: when and how fast it pushes and
// swings, and which reports leave its made-up path.
#include <gtest/gtest.h>

#include <cmath>

#include "core/geo.h"
#include "traffic/feed/tick_clock.h"
#include "traffic/movement/ground_movement.h"
#include "traffic/movement/movement_constants.h"
#include "traffic/movement/push_back_follow.h"

namespace gwr {
namespace {

constexpr std::int32_t now = 1000;
constexpr double standLat = 50.0, standLon = 8.0;  // heading north: pushed south
constexpr double pushNm = 50.0 / 1852.0;

PositionSample south(double metresSouth, double metresEast, double kt, std::int32_t due) {
  const LatLon p = gf_destinationPoint({standLat, standLon}, std::atan2(metresEast, -metresSouth),
                                       std::hypot(metresSouth, metresEast) / 0.3048);
  PositionSample s;
  std::tie(s.lat, s.lon, s.groundSpeed, s.tas, s.dueTick) = std::tuple(p.latitude, p.longitude, kt, kt, due);
  return s;
}

// An A320-like aircraft on its stand, pushing back (its push's first point 50 m south).
LiveAc onStand(AcPhase phase) {
  AcIdentity identity;
  identity.callsign = "TST1";
  AcDescription d(identity);
  d.hexId = 20001;
  std::tie(d.halfWingspan, d.standSpeedKt) = std::tuple(17.9 / 1852.0, 4.0);
  LiveAc ac(d, south(0.0, 0.0, 0.0, now), 0.0);
  ac.samples.assign({south(0.0, 0.0, 0.0, now)});
  std::tie(ac.lat, ac.lon, ac.heading) = std::tuple(standLat, standLon, 0.0);
  std::tie(ac.standNumber, ac.standLat, ac.standLon, ac.standHeading) = std::tuple(1, standLat, standLon, 0.0);
  ac.pushBackSecondLeg = south(50.0, 0.0, 4.0, now + 2000);
  ac.onGroundConfirmed = 1;
  ac.setPhase(phase);
  return ac;
}

class PushBackFollow : public ::testing::Test {
protected:
  void SetUp() override { tickCount.store(now); }
};

TEST_F(PushBackFollow, ItPushesWhenAndAsFastAsItsReports) {
  // The leaving report's distance back, speed and due (ticks from now); the
  // speed and start expected (3 kt cover 20 m in 1296 ticks, 4 kt in 972, 8 kt in 486).
  struct Case { double metres, kt; std::int32_t dueIn; double pushKt; std::int32_t startIn; };
  for (const Case c : {Case{20.0, 3.0, 3000, 3.0, 3000 - 1296},    // ahead: it waits for them
                       Case{20.0, 0.1, 3000, 3.0, 3000 - 1296},    // next to nothing: a walk
                       Case{20.0, 0.0, 3000, 4.0, 3000 - 972},     // no speed: its stand speed
                       Case{20.0, 10.0, 3000, 8.0, 3000 - 486},    // never faster than a push-back
                       Case{20.0, 3.0, 1200, 3.0911, 0},           // a second late: on time at 50 m
                       Case{40.0, 3.0, 500, 3.75, 0}}) {           // far behind: 1.25 times theirs
    const LiveAc ac = onStand(AcPhase::Parked);
    const PushBackTiming t = gf_pushBackTiming(ac, south(c.metres, 0.0, c.kt, now + c.dueIn), pushNm);
    EXPECT_NEAR(t.kt, c.pushKt, 0.002) << c.metres << " m at " << c.kt << " kt";
    EXPECT_NEAR(t.startTick - now, c.startIn, 1) << c.metres << " m at " << c.kt << " kt";
  }
}

TEST_F(PushBackFollow, AReportOffItsMadeUpPathEndsThePush) {
  // Metres south of the stand and east of its axis; off the path by more
  // than a half wingspan (17.9 m) from the stand to its first point.
  struct Case { double southM, eastM; bool elsewhere; };
  for (const Case c : {Case{30.0, 0.0, false}, Case{30.0, 17.0, false}, Case{30.0, -19.0, true},
                       Case{60.0, 0.0, false}, Case{68.0, 0.0, true}, Case{62.0, 13.0, false},
                       Case{64.0, 13.0, true}, Case{-17.0, 0.0, false}, Case{-19.0, 0.0, true}}) {
    LiveAc ac = onStand(AcPhase::PushingBack);
    EXPECT_EQ(gf_pushGoesElsewhere(ac, south(c.southM, c.eastM, 3.0, now)), c.elsewhere) << c.southM << " " << c.eastM;
    ac.standNumber = 0;  // no stand, no push of its own
    EXPECT_FALSE(gf_pushGoesElsewhere(ac, south(c.southM, c.eastM, 3.0, now)));
  }
}

TEST_F(PushBackFollow, ItsSwingGoesAtThePaceOfItsPush) {
  // Half way back, its swing (25 m to the first point, 17.9 m aside) flown at
  // the push's speed: 42.9 m take 2780 ticks at 3 kt, 1390 at 6.
  struct Case { double pushKt; std::int32_t swingTicks; };
  for (const Case c : {Case{3.0, 2780}, Case{6.0, 1390}}) {
    LiveAc ac = onStand(AcPhase::PushingBack);
    const PositionSample half = south(25.0, 0.0, c.pushKt, now);
    std::tie(ac.lat, ac.lon, ac.heading) = std::tuple(half.lat, half.lon, 0.0);
    ac.pushBackSecondLeg = south(50.0, 0.0, c.pushKt, now + 800);
    ac.samples.assign({half, ac.pushBackSecondLeg});
    std::tie(ac.pushBackCountdown, ac.pushBackHasSecondLeg) = std::tuple(pushBackSteps, std::uint8_t{1});
    ASSERT_EQ(nextPosGround(ac), GroundDispatch::StepEnded);
    EXPECT_NEAR(ac.samples.back().dueTick - now, c.swingTicks, 2) << c.pushKt;
  }
}

} // namespace
} // namespace gwr
