// The engine pass tests' shared ground: reports made into records and routed,
// single passes of the engine, and the fixture with its harness.
#pragma once

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

namespace gwr::enginepass {

using testsupport::EngineHarness;

inline constexpr const char* lufthansaTitle = "Airbus A320 Lufthansa";
inline constexpr std::uint32_t hexid = 4837645;
inline constexpr double t0 = 1718000000.0;

struct Report {
  double dt = 0.0;  // seconds after t0
  double altitude = 36000.0, groundSpeed = 450.0, track = 90.0;
  double lat = 50.2, lon = 8.5;
};

inline TrafficRecord recordOf(const Report& r, std::uint32_t id = hexid, const std::string& callsign = "DLH123") {
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

inline void route(const Report& r, std::uint32_t id = hexid, const std::string& callsign = "DLH123") {
  TrafficRecord record = recordOf(r, id, callsign);
  lf_routeTrafficRecord(record);
}
// `count` reports 4 s apart (or `every`), as routed by the reader.
inline void routeSome(int count, Report r = {}, std::uint32_t id = hexid, const std::string& callsign = "DLH123",
               double every = 4.0) {
  for (int i = 0; i < count; ++i, r.dt += every) route(r, id, callsign);
}
inline std::size_t streamSize() {
  const LiveAc* ac = trafficEngine.findHexid(hexid);
  return ac == nullptr ? 0 : ac->samples.size();
}
inline void feedback(const SimFeedback& f) {
  gf_postFeedback(f);
  lf_handleFeedback();
}
inline bool pass(std::int32_t second) {
  secondCount = second;
  newUserData.store(true);
  return lf_tick();
}
inline LiveAc& front() { return trafficEngine.live.front(); }

class EnginePass : public ::testing::Test {
 protected:
  void TearDown() override {
    gf_installTrafficEngineHooks({});
    gf_clearParkAirport();
  }
  EngineHarness harness{{{"DLH", "", "A320", false, lufthansaTitle, ""}}, {lufthansaTitle}};
};

inline LiveAc& activeAircraft(std::uint32_t objectId) {
  routeSome(2);
  LiveAc& ac = trafficEngine.live.back();
  ac.sim.simState = AcSimState::Active;
  ac.sim.objectId = objectId;
  return ac;
}

} // namespace gwr::enginepass
