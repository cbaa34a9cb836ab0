// The ground report check of a new report R against the newest report N: R on
// N stands, R near N becomes N standing still whatever speed it gives, R
// farther off moves; refusals while airborne, unconfirmed or rolling.
#include <gtest/gtest.h>

#include "support/runway_phase_setup.h"
#include "traffic/engine/live_ac.h"
#include "traffic/movement/ground_reports.h"

namespace gwr {
namespace {

constexpr std::int32_t nDue = 5000, rDue = 5400;

struct Report {
  double dLat = 0.0, dLon = 0.0;  // degrees from N
  double kt = 0.0;
  bool airborne = false;
};
struct Aircraft {
  double nKt = 5.0;
  bool confirmedOnGround = true, rolling = false;
  AcCategory category = AcCategory::Large;
  double nLat = 50.0, nLon = 8.0;  // where N lies
};
enum class Outcome { refused, standingCopyOfN, standingAtR, movingAtR };

struct Case {
  const char* name;
  Report r;
  Aircraft ac;
  Outcome outcome;
};

PositionSample sample(double lat, double lon, double kt, std::int32_t due, bool airborne) {
  PositionSample s;
  s.lat = lat;
  s.lon = lon;
  s.groundSpeed = s.tas = kt;
  s.dueTick = due;
  s.airborne = airborne ? 1 : 0;
  s.altitude = airborne ? 500.0 : 0.0;
  return s;
}

// An active aircraft taxiing whose stream ends in N.
LiveAc taxiing(const Aircraft& a) {
  AcIdentity identity;
  identity.callsign = "TST1";
  AcDescription description(identity);
  description.hexId = 20001;
  description.category = a.category;
  LiveAc ac(description, sample(a.nLat, a.nLon, a.nKt, nDue, false), 0.0);
  ac.samples.assign(1, sample(a.nLat, a.nLon, a.nKt, nDue, false));
  ac.sim.simState = AcSimState::Active;
  ac.onGroundConfirmed = a.confirmedOnGround ? 1 : 0;
  testsupport::enterRunwayPhase(ac, a.rolling ? RunwayPhase::TakeOffRoll : RunwayPhase::Clear);
  ac.setPhase(AcPhase::Taxi);
  return ac;
}

void expectOutcome(const Case& c) {
  SCOPED_TRACE(c.name);
  LiveAc ac = taxiing(c.ac);
  const PositionSample given = sample(c.ac.nLat + c.r.dLat, c.ac.nLon + c.r.dLon, c.r.kt, rDue, c.r.airborne);
  PositionSample r = given;
  const bool taken = gf_groundReportCheck(ac, r);
  ASSERT_EQ(taken, c.outcome != Outcome::refused);
  if (!taken) return;
  EXPECT_EQ(r.dueTick, rDue);
  switch (c.outcome) {
    case Outcome::standingCopyOfN:
      EXPECT_EQ(std::tuple(r.lat, r.lon, r.groundSpeed, int(r.standing)), std::tuple(c.ac.nLat, c.ac.nLon, 0.0, 1));
      break;
    case Outcome::standingAtR:
      EXPECT_EQ(std::tuple(r.lat, r.lon, r.groundSpeed, int(r.standing)), std::tuple(given.lat, given.lon, 0.0, 1));
      break;
    case Outcome::movingAtR:
      EXPECT_EQ(std::tuple(r.lat, r.lon, r.groundSpeed, int(r.standing)),
                std::tuple(given.lat, given.lon, given.groundSpeed, 0));
      break;
    case Outcome::refused: break;
  }
}

constexpr double inside = 0.000149, outside = 0.000151;  // degrees, about the 0.00015 limit

// Position noise around a standing aircraft: near N it is N, at any speed.
TEST(GroundReportCheck, AReportNearTheNewestIsItsStandingCopyAtAnySpeed) {
  const Case cases[] = {
      {"0 kt just inside in latitude", {inside, 0.0, 0.0}, {}, Outcome::standingCopyOfN},
      {"0 kt just inside in longitude", {0.0, -inside, 0.0}, {}, Outcome::standingCopyOfN},
      {"0 kt just inside both ways", {-inside, inside, 0.0}, {.nKt = 0.0}, Outcome::standingCopyOfN},
      {"4 kt just inside", {inside, inside, 4.0}, {}, Outcome::standingCopyOfN},
      // At 0/0 the offsets are exact: 0.00015 degrees off is still within.
      {"0 kt exactly at the limit in latitude", {0.00015, 0.0, 0.0}, {.nLat = 0.0, .nLon = 0.0},
       Outcome::standingCopyOfN},
      {"0 kt exactly at the limit in longitude", {0.0, -0.00015, 0.0}, {.nLat = 0.0, .nLon = 0.0},
       Outcome::standingCopyOfN},
      {"0 kt just outside in latitude", {outside, 0.0, 0.0}, {}, Outcome::movingAtR},
      {"0 kt just outside in longitude", {0.0, outside, 0.0}, {}, Outcome::movingAtR},
      {"4 kt just outside", {-outside, 0.0, 4.0}, {}, Outcome::movingAtR},
      {"on N within 1e-8 degrees, 4 kt", {0.5e-8, 0.0, 4.0}, {}, Outcome::standingAtR},
      {"a rotorcraft lifting off passes as reported", {inside, 0.0, 0.0, true}, {.category = AcCategory::Rotorcraft},
       Outcome::movingAtR},
      {"a rotorcraft taxiing: noise near N is N", {inside, 0.0, 4.0}, {.category = AcCategory::Rotorcraft},
       Outcome::standingCopyOfN},
  };
  for (const Case& c : cases) expectOutcome(c);
}

// The same report is refused in the air, before the simulator confirms the
// ground, and during a take-off roll from 50 kt; 0 kt farther off only
// follows a slower N.
TEST(GroundReportCheck, NearReportsAreRefusedAirborneUnconfirmedOrRollingFast) {
  const Case cases[] = {
      {"0 kt inside, airborne", {inside, 0.0, 0.0, true}, {}, Outcome::refused},
      {"0 kt inside, not confirmed on the ground", {inside, 0.0, 0.0}, {.confirmedOnGround = false},
       Outcome::refused},
      {"0 kt inside, rolling, N at 50 kt", {inside, 0.0, 0.0}, {.nKt = 50.0, .rolling = true}, Outcome::refused},
      {"0 kt inside, rolling, N at 49 kt", {inside, 0.0, 0.0}, {.nKt = 49.0, .rolling = true},
       Outcome::standingCopyOfN},
      // a roll never stands on a report near the one before: it waits for the next
      {"20 kt inside, rolling, N at 20 kt", {inside, 0.0, 20.0}, {.nKt = 20.0, .rolling = true}, Outcome::refused},
      {"35 kt inside, N at 30 kt", {0.0, inside, 35.0}, {.nKt = 30.0}, Outcome::refused},
      {"0 kt outside, airborne, N at 49 kt", {outside, 0.0, 0.0, true}, {.nKt = 49.0}, Outcome::movingAtR},
      {"0 kt outside, airborne, N at 50 kt", {outside, 0.0, 0.0, true}, {.nKt = 50.0}, Outcome::refused},
      {"0 kt outside, rolling, N at 50 kt", {0.0, outside, 0.0}, {.nKt = 50.0, .rolling = true}, Outcome::refused},
  };
  for (const Case& c : cases) expectOutcome(c);
}

} // namespace
} // namespace gwr
