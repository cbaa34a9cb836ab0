// The movement rule tests' shared ground: reports placed by position and time,
// an A320-like aircraft made from them, and the fixture that resets the engine.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <gsl/narrow>

#include "airports/park_stand_table.h"
#include "core/geo.h"
#include "refdata/airports_table.h"
#include "support/log_capture.h"
#include "support/runway_phase_setup.h"
#include "traffic/engine/traffic_engine.h"
#include "traffic/feed/park_airport_state.h"
#include "traffic/feed/qnh_reader.h"
#include "traffic/feed/tick_clock.h"
#include "traffic/movement/extrapolation.h"
#include "traffic/movement/flight_movement.h"
#include "traffic/movement/ground_movement.h"
#include "traffic/movement/ground_evidence.h"
#include "traffic/movement/ground_reports.h"
#include "traffic/movement/live_motion.h"
#include "traffic/movement/movement_constants.h"
#include "traffic/movement/pose_guard.h"
#include "traffic/movement/taxi_curves.h"
#include "traffic/simclient/sim_commands.h"

namespace gwr::movementrules {

inline constexpr double deg = radiansPerDegree;
inline constexpr double nmPerMetre = 1.0 / 1852.0;

inline PositionSample at(double lat, double lon, double kt, std::int32_t due, double altitude = 0.0) {
  PositionSample s;
  std::tie(s.lat, s.lon, s.groundSpeed, s.tas, s.dueTick, s.altitude) = std::tuple(lat, lon, kt, kt, due, altitude);
  s.airborne = altitude > 0.0 ? 1 : 0;
  return s;
}

// The point metres north and east of (lat, lon).
inline PositionSample offset(const PositionSample& from, double north, double east, double kt, std::int32_t due) {
  const LatLon p = gf_destinationPoint({from.lat, from.lon}, std::atan2(east, north), std::hypot(north, east) / 0.3048);
  PositionSample s = at(p.latitude, p.longitude, kt, due, from.altitude);
  s.track = gf_wrapHeading(std::atan2(east, north)) / deg;
  return s;
}

// An A320-like aircraft with the description fields the movement reads.
inline LiveAc describedAircraft(const PositionSample& first) {
  AcIdentity identity;
  identity.callsign = "TST1";
  AcDescription d(identity);
  d.hexId = 20001;
  const CategoryValues& v = gf_categoryValues(AcCategory::Large);
  std::tie(d.flareSteps, d.touchdownSteps, d.rotationSteps, d.climbSteps) =
      std::tuple(v.flareSteps, v.touchdownSteps, v.rotationSteps, v.climbSteps);
  std::tie(d.rotationPitch, d.climbPitch) = std::tuple(v.rotationPitchDeg * deg, v.climbPitchDeg * deg);
  std::tie(d.halfWingspan, d.groundCgHeight, d.maxClimbPerTick, d.standSpeedKt) = std::tuple(17.9 / 1852.0, 8.0, 0.6, 4.0);
  return LiveAc(d, first, 0.0);
}

// An active aircraft (Large unless given) at the front report, with the stream given.
inline LiveAc aircraft(std::vector<PositionSample> stream, AcCategory category = AcCategory::Large) {
  LiveAc ac = describedAircraft(stream.front());
  ac.category = category;
  ac.sim.category = static_cast<std::uint32_t>(category);
  ac.sim.simState = AcSimState::Active;
  ac.sim.objectId = 200;
  ac.samples.assign(stream.begin(), stream.end());
  ac.lat = stream.front().lat;
  ac.lon = stream.front().lon;
  ac.altitude = stream.front().altitude;
  return ac;
}
// The same, in a phase, on the ground (confirmed by the simulator) or not.
inline LiveAc aircraft(std::vector<PositionSample> stream, AcPhase phase, bool onGround) {
  LiveAc ac = aircraft(std::move(stream));
  ac.onGroundConfirmed = onGround ? 1 : 0;
  ac.setPhase(phase);
  return ac;
}

class MovementRules : public ::testing::Test {
protected:
  void SetUp() override {
    gf_prepareSimConnectQueues();
    gf_resetTraffic();
    gf_clearStands(standTable);
    gf_clearParkAirport();
    tickCount.store(1000);
    currentQnh.store(1013);
  }
  void TearDown() override {
    gf_clearStands(standTable);
    gf_resetTraffic();
  }
  std::size_t events() { return gf_queueSizesForTests().events; }
  testsupport::LogCapture log;
};

} // namespace gwr::movementrules
