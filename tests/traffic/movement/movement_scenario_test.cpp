// Departure and arrival at Frankfurt from the feeder's scenarios, flown by the
// flight and ground movement in the engine's scenario harness (simulated time).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "airports/park_stand_table.h"
#include "core/geo.h"
#include "feeder/scenario.h"
#include "support/engine_harness.h"
#include "support/track_artefacts.h"
#include "traffic/engine/engine_hooks.h"
#include "traffic/engine/live_intake.h"
#include "traffic/feed/park_airport_state.h"
#include "traffic/movement/ground_movement.h"
#include "traffic/movement/movement_constants.h"
#include "traffic/movement/taxi_curves.h"

namespace gwr {
namespace {

using testsupport::EngineHarness;
using testsupport::MovementPoint;

constexpr double degPerRad = 57.29577951308232;
constexpr double metresPerNm = 1852.0;

feeder::ScenarioAircraft scenarioAircraft(const char* file) {
  const auto scenario = feeder::gf_readScenarioFile(std::filesystem::path(GWR_FEEDER_SCENARIOS) / file);
  return scenario.aircraft.front();
}

double fastestReportKt(const feeder::ScenarioAircraft& a) {
  double kt = 0.0;
  for (const auto& w : a.waypoints) kt = std::max(kt, w.groundSpeedKnots);
  return kt;
}

std::vector<std::string> eventNames(const simemu::SimObject& o) {
  std::vector<std::string> names;
  for (const auto& e : o.events) names.push_back(e.name + "=" + std::to_string(e.data));
  return names;
}

std::ptrdiff_t firstIndex(const std::vector<std::string>& names, const std::string& name, std::ptrdiff_t from = 0) {
  const auto it = std::find(names.begin() + std::min<std::ptrdiff_t>(from, std::ssize(names)), names.end(), name);
  return it == names.end() ? -1 : it - names.begin();
}

// The phases in the order they came, each once per stretch.
std::vector<std::string> phaseRuns(const std::vector<MovementPoint>& track) {
  std::vector<std::string> runs;
  for (const auto& p : track)
    if (runs.empty() || runs.back() != p.phase) runs.push_back(p.phase);
  return runs;
}

double metres(const MovementPoint& a, const MovementPoint& b) {
  return gf_greatCircleDistanceNm({a.lat, a.lon}, {b.lat, b.lon}) * metresPerNm;
}

MovementPoint pointAt(double lat, double lon) {
  MovementPoint p;
  std::tie(p.lat, p.lon) = std::tuple(lat, lon);
  return p;
}

double turnDeg(double from, double to) { return std::fabs(gf_normalizeAngle(to - from)) * degPerRad; }

// Every pose the engine sent and the simulator had is finite.
void expectFinitePoses(const std::vector<MovementPoint>& sent, const EngineHarness& harness) {
  const auto finite = [](auto... v) { return (std::isfinite(v) && ...); };
  ASSERT_FALSE(sent.empty());
  for (const auto& p : sent) ASSERT_TRUE(finite(p.lat, p.lon, p.altitude, p.pitch, p.bank, p.heading, p.tas));
  for (const auto& [id, track] : harness.tracks())
    for (const auto& [time, p] : track.points)
      ASSERT_TRUE(finite(p.latitude, p.longitude, p.altitude, p.pitch, p.bank, p.heading, p.verticalSpeed, p.trueAirspeed));
}

// No jumps: a tick's move stays within the fastest speed reported; on the
// ground the heading turns in no second faster than the category's turn
// rate sped up for a tight corner (at most four times the base rate).
void expectSmooth(const std::vector<MovementPoint>& track, double fastestKt) {
  const double stepLimit = fastestKt * 1.25 / ticksPerHour * metresPerNm;
  const double secondTurnLimit = baseGroundTurnRateDegPerTick[2] * 4.0 * 100.0;
  for (std::size_t i = 1; i < track.size(); ++i) {
    ASSERT_LE(metres(track[i - 1], track[i]), stepLimit) << "tick " << track[i].tick;
    if (i >= 100 && track[i - 100].onGround && track[i].onGround && track[i].tick - track[i - 100].tick == 100) {
      ASSERT_LE(turnDeg(track[i - 100].heading, track[i].heading), secondTurnLimit) << "tick " << track[i].tick;
    }
  }
}

constexpr double fieldFt = testsupport::frankfurtFieldFt;
constexpr double standHeadingDeg = 339.6;
constexpr double a320HalfSpanNm = 17.9 / 1852.0;

// Frankfurt as the park airport with one stand (number 1), and the stand
// choices at birth and at arrival giving that stand; all undone at the end.
class FrankfurtStand {
public:
  FrankfurtStand(EngineHarness& harness, double lat, double lon) {
    harness.readFrankfurtAsParkAirport();
    gf_clearStands(standTable);
    standTable.emplace_back("A1", std::vector<StandOption>{}, lat, lon, standHeadingDeg * radiansPerDegree, 20.0,
                            std::int16_t{5}, false, false, false);
    standTable.back().number = 1;
    standTableReady.store(true);
    gf_installBirthStandChoice(&atBirth);
    gf_installArrivalStandChoice(&atArrival);
    standWork().clear();
    TrafficEngineHooks hooks;
    hooks.standWork = [](std::uint32_t hexid) { standWork().push_back(hexid); };
    gf_installTrafficEngineHooks(hooks);
  }
  ~FrankfurtStand() {
    gf_installTrafficEngineHooks({});
    gf_installBirthStandChoice(nullptr);
    gf_installArrivalStandChoice(nullptr);
    standTableReady.store(false);
    gf_clearStands(standTable);
    gf_clearParkAirport();
  }
  FrankfurtStand(const FrankfurtStand&) = delete;
  FrankfurtStand& operator=(const FrankfurtStand&) = delete;

  // The stand-work entries the engine handed on, in order.
  static std::vector<std::uint32_t>& standWork() {
    static std::vector<std::uint32_t> entries;
    return entries;
  }

private:
  static bool atBirth(LiveAc& ac) {
    const StandRecord& s = standTable.front();
    if (gf_distanceNm(ac.samples.front().lat, ac.samples.front().lon, s.latitude, s.longitude) > 0.01) return false;
    // The test's reference tables carry no wingspans.
    std::tie(ac.standLat, ac.standLon, ac.standHeading, ac.standNumber, ac.halfWingspan) =
        std::tuple(s.latitude, s.longitude, s.heading, static_cast<std::int32_t>(s.number), a320HalfSpanNm);
    return true;
  }
  static const StandRecord* atArrival(LiveAc&) { return gf_findStand(1); }
};

struct Levers {
  double mostSpoilers = 0.0, mostThrottle = 0.0;  // percent, the simulator's levers seen once a second
};

// Runs the harness pass by pass, keeping what the engine sent for the aircraft.
std::vector<MovementPoint> fly(EngineHarness& harness, const std::string& callsign, double seconds,
                               Levers* levers = nullptr) {
  std::vector<MovementPoint> track;
  const auto passes = static_cast<std::int64_t>(seconds * 100.0);
  for (std::int64_t i = 0; i < passes; ++i) {
    harness.pass();
    if (levers != nullptr && i % 100 == 0) {
      for (const auto& o : harness.emulator().objects()) {
        levers->mostSpoilers = std::max(levers->mostSpoilers, o.spoilers);
        levers->mostThrottle = std::max(levers->mostThrottle, o.throttle1);
      }
    }
    const auto it = std::find_if(trafficEngine.live.begin(), trafficEngine.live.end(),
                                 [&](const LiveAc& a) { return a.callsign == callsign; });
    if (it == trafficEngine.live.end() || it->sim.simState != AcSimState::Active) continue;
    track.push_back({tickCount.load(), it->lat, it->lon, it->altitude, it->heading, it->pitch, it->bank, it->tas,
                     gf_phaseName(it->phase), it->onGroundConfirmed != 0, gf_curveSet(it->curve)});
  }
  return track;
}

const simemu::SimObject& onlyObject(EngineHarness& harness) {
  static simemu::SimObject object;
  const auto objects = harness.emulator().objects();
  EXPECT_EQ(objects.size(), 1u);
  object = objects.empty() ? simemu::SimObject{} : objects.front();
  return object;
}

std::vector<MovementPoint> inPhase(const std::vector<MovementPoint>& track, const std::string& phase) {
  std::vector<MovementPoint> out;
  std::copy_if(track.begin(), track.end(), std::back_inserter(out), [&](const MovementPoint& p) { return p.phase == phase; });
  return out;
}

TEST(MovementScenarioTest, DeparturePushesBackTaxisTakesOffAndClimbs) {
  const auto flight = scenarioAircraft("eddf_departure.txt");
  const auto& firstPoint = flight.waypoints.front().position;
  EngineHarness harness({{"DLH", "", "A20N", false, "Airbus A320neo Lufthansa", ""}}, {"Airbus A320neo Lufthansa"});
  FrankfurtStand frankfurt(harness, firstPoint.latitude, firstPoint.longitude);
  const MovementPoint first = pointAt(firstPoint.latitude, firstPoint.longitude);
  harness.play(feeder::Scenario{{flight}});
  const auto track = fly(harness, flight.callsign, 1200.0);  // out at 7000 ft, still in range
  testsupport::writeTrackArtefacts("eddf_departure", track);

  EXPECT_EQ(phaseRuns(track), (std::vector<std::string>{"parked", "pushing_back", "pushed_back", "taxi", "take_off", "flying"}));
  EXPECT_NE(harness.log().text().find("A1      : DLH9AK   parks"), std::string::npos);  // the stand by its name
  const simemu::SimObject& object = onlyObject(harness);
  const auto* o = &object;
  expectFinitePoses(track, harness);
  expectSmooth(track, fastestReportKt(flight));

  // Push-back: backwards along the stand's axis first, then a second leg
  // that swings the nose round (east), then it stops.
  const auto pushing = inPhase(track, "pushing_back");
  ASSERT_GT(pushing.size(), 500u);
  const MovementPoint standPoint = pointAt(first.lat, first.lon);
  const auto firstLegEnd = std::find_if(pushing.begin(), pushing.end(), [&](const MovementPoint& p) {
    return turnDeg(standHeadingDeg * radiansPerDegree, p.heading) > 1.0;
  });
  ASSERT_NE(firstLegEnd, pushing.end());
  const double pushedAlong = gf_initialBearing({first.lat, first.lon}, {firstLegEnd->lat, firstLegEnd->lon}) * degPerRad;
  EXPECT_NEAR(pushedAlong, standHeadingDeg - 180.0, 2.0);
  EXPECT_GT(metres(standPoint, *firstLegEnd), 20.0);
  EXPECT_GT(gf_normalizeAngle(pushing.back().heading - standHeadingDeg * radiansPerDegree) * degPerRad, 30.0);
  const auto waiting = inPhase(track, "pushed_back");
  ASSERT_GT(waiting.size(), 1000u);  // waits for the taxi reports
  EXPECT_LT(metres(waiting.front(), waiting.back()), 0.01);

  // The 90-degree right turn onto the connector is flown on a curve.
  const auto taxi = inPhase(track, "taxi");
  const auto turnStart = std::find_if(taxi.begin(), taxi.end(), [](const MovementPoint& p) {
    return p.onCurve && p.lat > 50.0510;
  });
  ASSERT_NE(turnStart, taxi.end());
  const auto turnEnd = std::find_if(turnStart, taxi.end(), [](const MovementPoint& p) { return !p.onCurve; });
  ASSERT_NE(turnEnd, taxi.end());
  EXPECT_GT(turnEnd->tick - turnStart->tick, 300);  // several seconds on the curve
  const auto after = std::find_if(turnEnd, taxi.end(), [](const MovementPoint& p) { return p.lat < 50.0490; });
  ASSERT_NE(after, taxi.end());
  EXPECT_NEAR(turnDeg(turnStart->heading, after->heading), 90.0, 8.0);

  // Take-off roll on the ground, rotation to the take-off pitch, climb-out.
  const auto takeOff = inPhase(track, "take_off");
  ASSERT_FALSE(takeOff.empty());
  EXPECT_GE(takeOff.front().tas, takeOffSpeedKt[2]);
  const double lowestPitch = std::min_element(takeOff.begin(), takeOff.end(), [](auto& a, auto& b) {
                               return a.pitch < b.pitch;
                             })->pitch;
  EXPECT_LT(lowestPitch * degPerRad, -10.0);  // nose well up
  EXPECT_GT(takeOff.back().altitude, fieldFt + climbOutDoneHeightFt - 1.0);
  EXPECT_GT(track.back().altitude, 6900.0);

  // Configuration in its order: roll (flaps 1, lights, full throttle), gear up, climb throttle.
  const auto names = eventNames(*o);
  const auto rollFlaps = firstIndex(names, "FLAPS_SET=3072");
  const auto rollLights = firstIndex(names, "LANDING_LIGHTS_SET=1", rollFlaps);
  const auto fullThrottle = firstIndex(names, "THROTTLE_SET=16383", rollLights);
  const auto gearUp = firstIndex(names, "GEAR_SET=0", fullThrottle);
  const auto climbThrottle = firstIndex(names, "THROTTLE_SET=11468", gearUp);
  EXPECT_TRUE(rollFlaps >= 0 && rollLights > rollFlaps && fullThrottle > rollLights && gearUp > fullThrottle &&
              climbThrottle > gearUp) << rollFlaps << " " << rollLights << " " << fullThrottle << " " << gearUp;
  EXPECT_GE(firstIndex(names, "ENGINE_AUTO_START=0"), 0);
}

TEST(MovementScenarioTest, ArrivalFlaresTouchesDownRollsOutTaxisAndParks) {
  const auto flight = scenarioAircraft("eddf_arrival.txt");
  const auto& last = flight.waypoints.back();
  EngineHarness harness({{"CFG", "", "A21N", false, "Airbus A321neo Condor", ""}}, {"Airbus A321neo Condor"});
  FrankfurtStand frankfurt(harness, last.position.latitude, last.position.longitude);
  harness.play(feeder::Scenario{{flight}});
  Levers levers;
  const auto track = fly(harness, flight.callsign, 700.0, &levers);  // parked, before its silence ends
  testsupport::writeTrackArtefacts("eddf_arrival", track);

  EXPECT_EQ(phaseRuns(track), (std::vector<std::string>{"flying", "taxi", "parking", "parked"}));
  const simemu::SimObject& object = onlyObject(harness);
  const auto* o = &object;
  expectFinitePoses(track, harness);
  expectSmooth(track, fastestReportKt(flight));

  // The final approach on a 3-degree path, from 1500 ft down to 500 ft over the field.
  const auto at = [&](double heightFt) {
    return *std::find_if(track.begin(), track.end(),
                         [&](const MovementPoint& p) { return p.altitude - fieldFt <= heightFt; });
  };
  const MovementPoint high = at(1500.0), low = at(500.0);
  const double path = std::atan2(high.altitude - low.altitude, metres(high, low) / 0.3048) * degPerRad;
  EXPECT_NEAR(path, 3.0, 0.3);

  // Flare: nose up and a slow sink in the last feet; touchdown only when the simulator says so.
  const auto touchdown = std::find_if(track.begin(), track.end(), [](const MovementPoint& p) { return p.onGround; });
  ASSERT_NE(touchdown, track.end());
  ASSERT_GT(touchdown - track.begin(), 200);
  const MovementPoint& before = *(touchdown - 100);
  EXPECT_LT(touchdown->altitude - fieldFt, 8.0 + 2.0 + 0.5);  // CG height plus tolerance
  EXPECT_LT(before.altitude - (touchdown - 1)->altitude, 6.0);  // under 360 ft/min in the last second
  EXPECT_LT((touchdown - 1)->pitch * degPerRad, -3.5);            // nose up towards the flare pitch
  EXPECT_LT((touchdown - 1)->pitch, at(100.0).pitch - 1.0 / degPerRad);

  // Roll-out: slowing down, spoilers out at touchdown and in again, levers back to zero.
  const auto names = eventNames(*o);
  const auto spoilersOut = firstIndex(names, "SPOILERS_SET=16383");
  EXPECT_GE(spoilersOut, 0);
  EXPECT_GT(firstIndex(names, "SPOILERS_SET=0", spoilersOut), spoilersOut);
  // The touchdown record: spoilers and reverse; back to zero when slow.
  EXPECT_EQ(std::tuple(levers.mostSpoilers, levers.mostThrottle, o->spoilers, o->throttle1),
            std::tuple(100.0, 100.0, 0.0, 0.0));
  const auto rollOut = touchdown + 1500;
  EXPECT_LT(rollOut->tas, touchdown->tas - 40.0);
  EXPECT_EQ(rollOut->phase, "taxi");

  // Taxi to the stand: reached within 2 m and 5 degrees, engines off.
  const MovementPoint standPoint = pointAt(last.position.latitude, last.position.longitude);
  EXPECT_LT(metres(track.back(), standPoint), 2.0);
  EXPECT_LT(turnDeg(track.back().heading, standHeadingDeg * radiansPerDegree), 5.0);
  EXPECT_EQ(track.back().phase, "parked");
  EXPECT_GE(firstIndex(names, "ENGINE_AUTO_SHUTDOWN=0"), 0);
  // Stand work at the start of the approach, at touchdown and on the stand.
  EXPECT_EQ(std::count(FrankfurtStand::standWork().begin(), FrankfurtStand::standWork().end(), flight.id), 3);
}

} // namespace
} // namespace gwr
