// Test helper: runs live aircraft through the engine's per-tick update in
// simulated time against the emulated simulator, fed from feeder scenarios.
#pragma once

#include <cmath>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "airports/park_stand_table.h"
#include "core/geo.h"
#include "core/settings_catalogue.h"
#include "feeder/scenario.h"
#include "feeder/track.h"
#include "support/sim_client_world.h"
#include "support/track_artefacts.h"
#include "traffic/engine_clocks.h"
#include "traffic/ground_movement.h"
#include "traffic/live_intake.h"
#include "traffic/live_removal.h"
#include "traffic/park_airport_state.h"
#include "traffic/qnh_reader.h"
#include "traffic/taxi_curves.h"
#include "traffic/traffic_engine.h"
#include "traffic/user_aircraft.h"

namespace gwr::testsupport {

inline constexpr std::int32_t reportDelayTicks = 3000;  // reports fly 30 s late
inline constexpr std::int32_t groundRequestEveryTicks = 20;
inline constexpr double eddfElevationFt = 364.0;

inline simemu::World eddfWorld() {
  std::istringstream text(
      "ground 364\n"
      "airport EDDF 50.0333 8.5706 364 Frankfurt Main\n"
      "title Airbus A320neo Test\n"
      "user 50.0333 8.5706 372 90 1\n"
      "usertitle My Plane\n"
      "usermodel A320\n"
      "zulu 2024 60 0\n");
  std::vector<std::string> problems;
  return simemu::gf_parseWorld(text, problems);
}

inline simemu::Options hundredFrames() {
  simemu::Options o;
  o.framesPerSecond = 100;
  o.userObjectId = 100;  // AI objects above the lowest id the engine takes
  return o;
}

// A Large aircraft (A20N-like) with the description fields the movement reads.
inline LiveAc largeAircraft(std::uint32_t hexid, const std::string& callsign, const PositionSample& first) {
  AcIdentity identity;
  identity.callsign = callsign;
  AcDescription d(identity);
  d.hexId = hexid;
  d.category = AcCategory::Large;
  const CategoryValues& values = gf_categoryValues(AcCategory::Large);
  d.flareSteps = values.flareSteps;
  d.touchdownSteps = values.touchdownSteps;
  d.rotationSteps = values.rotationSteps;
  d.climbSteps = values.climbSteps;
  d.rotationPitch = values.rotationPitchDeg * radiansPerDegree;
  d.climbPitch = values.climbPitchDeg * radiansPerDegree;
  d.halfWingspan = 17.9 / 1852.0;
  d.groundCgHeight = 8.0;
  d.maxClimbPerTick = 0.6;
  d.standSpeedKt = 4.0;
  d.groundTurnRate = 0.07 * radiansPerDegree;
  return LiveAc(d, first, 0.0);
}

// A feeder state as the traffic record its line gives, received at receivedTick.
inline TrafficRecord recordOf(const feeder::AircraftState& st, std::int32_t receivedTick, double seconds) {
  TrafficRecord r;
  r.latitude = st.position.latitude;
  r.longitude = st.position.longitude;
  r.altitude = st.onGround ? 0.0 : st.altitudeFeet;
  r.groundSpeed = st.groundSpeedKnots;
  r.track = st.trackDegrees.value_or(0.0);
  r.verticalSpeed = st.verticalSpeedFpm;
  r.trueAirspeed = st.groundSpeedKnots;
  r.airborne = st.onGround ? 0 : 1;
  r.onGround = st.onGround ? 1 : 0;
  if (st.trueHeadingDegrees && (!st.trackDegrees || std::fabs(*st.trueHeadingDegrees - *st.trackDegrees) > 0.01)) {
    r.heading = *st.trueHeadingDegrees * radiansPerDegree;
    r.trueHeadingGiven = 1;
  }
  r.dueTick = receivedTick + reportDelayTicks;
  r.timestamp = seconds;
  return r;
}

class MovementRun : public SyncSimClient {
public:
  MovementRun() : SyncSimClient(eddfWorld(), hundredFrames()) {
    gf_resetTraffic();
    tickCount.store(0);
    rangeNm.store(100.0);
    currentQnh.store(1013);
    AirportRecord eddf;
    eddf.icao = FixedCode<4>("EDDF");
    eddf.latitude = 50.0333;
    eddf.longitude = 8.5706;
    eddf.altitude = static_cast<float>(eddfElevationFt);
    gf_setParkAirport(eddf);
    gf_clearStands(standTable);
    connect();
  }
  ~MovementRun() {
    gf_installArrivalStandChoice(nullptr);
    gf_clearStands(standTable);
    standTableReady.store(false);
    gf_clearParkAirport();
    gf_resetTraffic();
  }

  // One stand, number 1, in the park airport's table.
  void addStand(double lat, double lon, double headingDeg, double radiusMetres) {
    standTable.emplace_back("A1", std::vector<StandOption>{}, lat, lon, headingDeg * radiansPerDegree, radiusMetres,
                            std::int16_t{5}, false, false, false);
    standTable.back().number = 1;
    standTableReady.store(true);
  }

  // The reports of the scenario aircraft, one each report interval.
  void play(const feeder::ScenarioAircraft& aircraft) {
    const double end = aircraft.waypoints.back().time;
    for (double t = aircraft.waypoints.front().time; t <= end + 1e-9; t += aircraft.reportIntervalSeconds) {
      if (const auto st = feeder::gf_stateAt(aircraft, t))
        reports_.push_back(recordOf(*st, static_cast<std::int32_t>(std::lround(t * 100.0)), t));
    }
  }
  PositionSample firstReport() const { return gf_sampleOf(reports_.front()); }

  // Puts the aircraft into the engine and asks the simulator for its object.
  void place(LiveAc aircraft) {
    hexid_ = aircraft.hexId;
    for (TrafficRecord& r : reports_) {
      r.hexid = aircraft.hexId;
      r.identity = aircraft;
    }
    aircraft.sim.simState = AcSimState::Adding2Sim;
    AiCreateRequest request;
    request.position = {aircraft.lat, aircraft.lon, aircraft.altitude, aircraft.pitch, aircraft.bank,
                        aircraft.heading * degreesPerRadian, aircraft.samples.front().airborne ? 0U : 1U, 0};
    request.tailNumber = aircraft.callsign;
    request.title = title_;
    request.hexid = aircraft.hexId;
    trafficEngine.live.push_back(std::move(aircraft));
    gf_queueCreateRequest(request);
    nextReport_ = 1;  // the first report is the aircraft's own
  }

  LiveAc* aircraft() { return trafficEngine.findHexid(hexid_); }
  std::optional<simemu::SimObject> object() {
    const LiveAc* ac = aircraft();
    return ac != nullptr && ac->sim.objectId != 0 ? emulator().object(ac->sim.objectId) : std::nullopt;
  }

  void tick() {
    const std::int32_t now = tickCount.fetch_add(1) + 1;
    while (nextReport_ < reports_.size() && reports_[nextReport_].dueTick - reportDelayTicks <= now) {
      TrafficRecord r = reports_[nextReport_++];
      if (aircraft() != nullptr) lf_routeTrafficRecord(r);
    }
    if (now % groundRequestEveryTicks == 0) gf_requestAircraftInRadius(static_cast<std::uint32_t>(rangeNm.load() * 1852.0));
    lf_handleFeedback();
    for (LiveAc& ac : trafficEngine.live) updateLiveAc(ac);
    for (std::size_t i = trafficEngine.live.size(); i-- > 0;)
      if (trafficEngine.live[i].erased()) gf_eraseLiveAc(trafficEngine.live, i);
    gf_swapPositionBuffers();
    step(1);
    if (const LiveAc* ac = aircraft(); ac != nullptr && ac->sim.simState == AcSimState::Active) {
      track.push_back({now, ac->lat, ac->lon, ac->altitude, ac->heading, ac->pitch, ac->bank, ac->tas,
                       gf_phaseName(ac->phase), ac->onGroundConfirmed != 0,
                       std::isfinite(ac->curve[CurveCtrlEast])});
    }
  }
  void run(std::int32_t ticks) {
    for (std::int32_t i = 0; i < ticks; ++i) tick();
  }
  // Runs until the aircraft is gone or the ticks are spent.
  void runWhileAlive(std::int32_t ticks) {
    for (std::int32_t i = 0; i < ticks && aircraft() != nullptr; ++i) tick();
  }

  std::vector<MovementPoint> track;

private:
  std::string title_ = "Airbus A320neo Test";
  std::vector<TrafficRecord> reports_;
  std::size_t nextReport_ = 0;
  std::uint32_t hexid_ = 0;
};

} // namespace gwr::testsupport
