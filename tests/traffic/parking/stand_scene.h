// Test helpers of the stand logic: a park airport with a generated stand
// table, live aircraft placed on it, and the engine state reset around a test.
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "airports/stand_fixture.h"
#include "traffic/engine/live_ac.h"
#include "traffic/engine/traffic_engine.h"
#include "traffic/feed/park_airport_state.h"
#include "traffic/parking/stand_choice.h"
#include "traffic/parking/static_ac.h"
#include "traffic/simclient/user_aircraft.h"

namespace gwr::testsupport {

inline constexpr double sceneLat = 52.0, sceneLon = 4.0;
inline constexpr double metresPerDegreeLatitude = 111'120.0;

// Metres north of the airport's reference point as a position.
inline LatLon northOf(double metres) { return {sceneLat + metres / metresPerDegreeLatitude, sceneLon}; }

inline StandRecord standAt(const std::string& id, double metresNorth, double radiusM, std::int16_t type = 0,
                           bool cargo = false, bool heli = false) {
  const LatLon at = northOf(metresNorth);
  return StandRecord(id, {}, at.latitude, at.longitude, 0.0, radiusM, type, cargo, false, heli);
}

inline PositionSample groundSample(const LatLon& at, double speedKt = 0.0) {
  PositionSample s;
  s.lat = at.latitude;
  s.lon = at.longitude;
  s.groundSpeed = speedKt;
  s.standing = speedKt <= 0.0 ? 1 : 0;
  return s;
}

// A live aircraft with the given size (half wingspan in metres).
inline LiveAc liveAircraft(const std::string& callsign, const std::string& registration, double halfSpanM,
                           AcCategory category, const LatLon& at, std::uint32_t hexid) {
  AcIdentity identity;
  identity.callsign = callsign;
  identity.registration = registration;
  AcDescription description(identity);
  description.halfWingspan = halfSpanM * nmPerMetre;
  description.category = category;
  description.hexId = hexid;
  LiveAc ac(description, groundSample(at), 0.0);
  return ac;
}

// A park airport at (52, 4) with an empty stand table and no traffic.
class StandScene : public AirportsSandbox {
protected:
  void SetUp() override {
    AirportsSandbox::SetUp();
    clearTraffic();
    parkAirportCode = FixedCode<4>("EHAM");
    AirportRecord park;
    park.icao = parkAirportCode;
    park.latitude = sceneLat;
    park.longitude = sceneLon;
    gf_setParkAirport(park);
  }
  void TearDown() override {
    clearTraffic();
    gf_clearParkAirport();
    AirportsSandbox::TearDown();
  }
  static void clearTraffic() {
    trafficEngine.live.clear();
    trafficEngine.queuedRemovals.clear();
    trafficEngine.queuedLiveCreations.clear();
    trafficEngine.queuedStaticCreations.clear();
    staticAircraft.clear();
    reservedStandName.clear();
    gf_forgetUserStand();
    userOnGround = false;
    trafficEngine.user = {};
    parkControlsDisabled = false;
  }
  // Takes the stands as the park airport's numbered table with overlaps.
  static void useStands(std::vector<StandRecord> stands) {
    standTable = std::move(stands);
    gf_numberStandsAndFindOverlaps(standTable);
  }
  // An active live aircraft parked at the stand.
  static LiveAc& parkLive(const std::string& callsign, std::int64_t standNumber, std::uint32_t hexid,
                          double halfSpanM = 15.0) {
    const StandRecord* stand = gf_standByNumber(standNumber);
    LiveAc ac = liveAircraft(callsign, "PH-" + callsign, halfSpanM, AcCategory::Large,
                             {stand->latitude, stand->longitude}, hexid);
    ac.standNumber = static_cast<std::int32_t>(standNumber);
    ac.phase = AcPhase::Parked;
    ac.sim.simState = AcSimState::Active;
    ac.sim.objectId = hexid + 100;
    trafficEngine.live.push_back(std::move(ac));
    return trafficEngine.live.back();
  }
};

} // namespace gwr::testsupport
