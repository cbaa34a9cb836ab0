// The world of the parking scenarios: Frankfurt in the airports table at the
// harness's user, and every hook and list the parking wiring touches reset after.
#pragma once

#include <gtest/gtest.h>

#include "airports/park_stand_table.h"
#include "refdata/airports_table.h"
#include "refdata/registration_records.h"
#include "support/engine_harness.h"
#include "traffic/engine/engine_hooks.h"
#include "traffic/engine/live_intake.h"
#include "traffic/engine/traffic_engine.h"
#include "traffic/movement/ground_movement.h"
#include "traffic/parking/park_airport_driver.h"
#include "traffic/parking/park_airports.h"
#include "traffic/parking/static_ac.h"
#include "traffic/simclient/ai_control.h"
#include "traffic/simclient/sim_client_hooks.h"

namespace gwr::testsupport {

class ParkingWorldTest : public ::testing::Test {
protected:
  void SetUp() override {
    gf_clearAirportsForTests();
    AirportRecord eddf;
    eddf.icao = FixedCode<4>("EDDF");
    eddf.iata = FixedCode<3>("FRA");
    eddf.latitude = harnessUser.latitude;
    eddf.longitude = harnessUser.longitude;
    eddf.stands = 1;
    airportsTable.push_back(eddf);
    parkAirports.clear();
  }
  void TearDown() override {
    standTableReady = false;  // the harness's folder is gone: save nothing
    gf_leaveParkAirport();
    gf_installTrafficEngineHooks({});
    gf_installBirthStandChoice(nullptr);
    gf_installArrivalStandChoice(nullptr);
    gf_installLiveRemovalHook(nullptr);
    gf_installStandEventHook(nullptr);
    gf_installSimClientHooks({});
    parkControlsDisabled = false;
    staticAircraft.clear();
    parkAirports.clear();
    dbaseRecords.clear();
    gf_clearAirportsForTests();
  }
};

} // namespace gwr::testsupport
