// Departure and arrival at Frankfurt from the feeder's scenarios, flown in
// simulated time through the engine's update against the emulated simulator.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "core/geo.h"
#include "feeder/scenario.h"
#include "support/movement_run.h"
#include "traffic/movement_constants.h"
#include "traffic/sim_ids.h"
#include "traffic/taxi_curves.h"

namespace gwr {
namespace {

using testsupport::MovementRun;
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
  p.lat = lat;
  p.lon = lon;
  return p;
}

double turnDeg(double from, double to) { return std::fabs(gf_normalizeAngle(to - from)) * degPerRad; }

// Every pose the simulator received is finite.
void expectFinitePoses(const simemu::SimObject& o) {
  ASSERT_FALSE(o.poseHistory.empty());
  for (const auto& p : o.poseHistory) {
    ASSERT_TRUE(std::isfinite(p.latitude) && std::isfinite(p.longitude) && std::isfinite(p.altitude) &&
                std::isfinite(p.pitch) && std::isfinite(p.bank) && std::isfinite(p.heading) &&
                std::isfinite(p.verticalSpeed) && std::isfinite(p.trueAirspeed));
  }
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

std::vector<MovementPoint> inPhase(const std::vector<MovementPoint>& track, const std::string& phase) {
  std::vector<MovementPoint> out;
  std::copy_if(track.begin(), track.end(), std::back_inserter(out), [&](const MovementPoint& p) { return p.phase == phase; });
  return out;
}

TEST(MovementScenarioTest, DeparturePushesBackTaxisTakesOffAndClimbs) {
  MovementRun run;
  const auto flight = scenarioAircraft("eddf_departure.txt");
  run.play(flight);
  const PositionSample first = run.firstReport();
  constexpr double standHeadingDeg = 339.6;
  run.addStand(first.lat, first.lon, standHeadingDeg, 20.0);
  LiveAc ac = testsupport::largeAircraft(flight.id, flight.callsign, first);
  ac.setPhase(AcPhase::Parked);
  ac.standLat = ac.lat = first.lat;
  ac.standLon = ac.lon = first.lon;
  ac.standHeading = ac.heading = standHeadingDeg * radiansPerDegree;
  ac.standNumber = 1;
  ac.altitude = testsupport::eddfElevationFt + ac.groundCgHeight;
  ac.samples.front().standing = 1;
  run.place(std::move(ac));
  run.runWhileAlive(140000);
  testsupport::writeTrackArtefacts("eddf_departure", run.track);

  const auto& track = run.track;
  EXPECT_EQ(phaseRuns(track), (std::vector<std::string>{"parked", "pushing_back", "pushed_back", "taxi", "take_off", "flying"}));
  const auto o = run.object();
  ASSERT_TRUE(o.has_value());
  expectFinitePoses(*o);
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
  EXPECT_GT(takeOff.back().altitude, testsupport::eddfElevationFt + climbOutDoneHeightFt - 1.0);
  EXPECT_GT(track.back().altitude, 6900.0);

  // Configuration in its order: roll (flaps 1, lights, full throttle), gear up, climb throttle.
  const auto names = eventNames(*o);
  const auto rollFlaps = firstIndex(names, "FLAPS_SET=3072");
  const auto rollLights = firstIndex(names, "LANDING_LIGHTS_SET=1", rollFlaps);
  const auto fullThrottle = firstIndex(names, "THROTTLE_SET=16383", rollLights);
  const auto gearUp = firstIndex(names, "GEAR_SET=0", fullThrottle);
  const auto climbThrottle = firstIndex(names, "THROTTLE_SET=11468", gearUp);
  EXPECT_GE(rollFlaps, 0);
  EXPECT_GT(rollLights, rollFlaps);
  EXPECT_GT(fullThrottle, rollLights);
  EXPECT_GT(gearUp, fullThrottle);
  EXPECT_GT(climbThrottle, gearUp);
  EXPECT_GE(firstIndex(names, "ENGINE_AUTO_START=0"), 0);
}

const StandRecord* standOne(LiveAc&) { return gf_findStand(1); }

TEST(MovementScenarioTest, ArrivalFlaresTouchesDownRollsOutTaxisAndParks) {
  MovementRun run;
  const auto flight = scenarioAircraft("eddf_arrival.txt");
  run.play(flight);
  const auto& last = flight.waypoints.back();
  constexpr double standHeadingDeg = 339.6;
  run.addStand(last.position.latitude, last.position.longitude, standHeadingDeg, 20.0);
  gf_installArrivalStandChoice(&standOne);
  const PositionSample first = run.firstReport();
  LiveAc ac = testsupport::largeAircraft(flight.id, flight.callsign, first);
  ac.setPhase(AcPhase::Flying);
  ac.lat = first.lat;
  ac.lon = first.lon;
  ac.altitude = first.altitude;
  ac.heading = first.track * radiansPerDegree;
  run.place(std::move(ac));
  run.runWhileAlive(70000);
  testsupport::writeTrackArtefacts("eddf_arrival", run.track);

  const auto& track = run.track;
  EXPECT_EQ(phaseRuns(track), (std::vector<std::string>{"flying", "taxi", "parking", "parked"}));
  const auto o = run.object();
  ASSERT_TRUE(o.has_value());
  expectFinitePoses(*o);
  expectSmooth(track, fastestReportKt(flight));

  // The final approach on a 3-degree path, from 1500 ft down to 500 ft over the field.
  const auto at = [&](double heightFt) {
    return *std::find_if(track.begin(), track.end(),
                         [&](const MovementPoint& p) { return p.altitude - testsupport::eddfElevationFt <= heightFt; });
  };
  const MovementPoint high = at(1500.0), low = at(500.0);
  const double path = std::atan2(high.altitude - low.altitude, metres(high, low) / 0.3048) * degPerRad;
  EXPECT_NEAR(path, 3.0, 0.3);

  // Flare: nose up and a slow sink in the last feet; touchdown only when the simulator says so.
  const auto touchdown = std::find_if(track.begin(), track.end(), [](const MovementPoint& p) { return p.onGround; });
  ASSERT_NE(touchdown, track.end());
  ASSERT_GT(touchdown - track.begin(), 200);
  const MovementPoint& before = *(touchdown - 100);
  EXPECT_LT(touchdown->altitude - testsupport::eddfElevationFt, 8.0 + 2.0 + 0.5);  // CG height plus tolerance
  EXPECT_LT(before.altitude - (touchdown - 1)->altitude, 6.0);  // under 360 ft/min in the last second
  EXPECT_LT((touchdown - 1)->pitch * degPerRad, -3.5);            // nose up towards the flare pitch
  EXPECT_LT((touchdown - 1)->pitch, at(100.0).pitch - 1.0 / degPerRad);

  // Roll-out: slowing down, spoilers out at touchdown and in again, levers back to zero.
  const auto names = eventNames(*o);
  const auto spoilersOut = firstIndex(names, "SPOILERS_SET=16383");
  EXPECT_GE(spoilersOut, 0);
  EXPECT_GT(firstIndex(names, "SPOILERS_SET=0", spoilersOut), spoilersOut);
  EXPECT_GE(std::count_if(o->events.begin(), o->events.end(), [](auto&) { return true; }), 1);
  EXPECT_EQ(o->spoilers, 0.0);
  EXPECT_EQ(o->throttle1, 0.0);
  std::size_t leverCalls = 0;
  for (const auto& c : run.emulator().calls())
    if (c.function == "SetDataOnSimObject" && c.id == AiLeversDefinition) ++leverCalls;
  EXPECT_GE(leverCalls, 2u);  // reverse at touchdown, zero when slow
  const auto rollOut = touchdown + 1500;
  EXPECT_LT(rollOut->tas, touchdown->tas - 40.0);
  EXPECT_EQ(rollOut->phase, "taxi");

  // Taxi to the stand: reached within 2 m and 5 degrees, engines off.
  const MovementPoint standPoint = pointAt(last.position.latitude, last.position.longitude);
  EXPECT_LT(metres(track.back(), standPoint), 2.0);
  EXPECT_LT(turnDeg(track.back().heading, standHeadingDeg * radiansPerDegree), 5.0);
  EXPECT_EQ(track.back().phase, "parked");
  EXPECT_GE(firstIndex(names, "ENGINE_AUTO_SHUTDOWN=0"), 0);
  EXPECT_GE(std::count(trafficEngine.standWork.begin(), trafficEngine.standWork.end(), flight.id), 3);
}

} // namespace
} // namespace gwr
