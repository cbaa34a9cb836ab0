// A category without installed liveries, from the livery processing at
// start-up to the traffic intake: switched off, saved, and its aircraft left out.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "core/settings_catalogue.h"
#include "core/settings_file.h"
#include "liveries/livery_processing.h"
#include "support/livery_world.h"
#include "traffic/engine/live_intake.h"
#include "traffic/engine/traffic_engine.h"
#include "traffic/feed/feed_constants.h"
#include "traffic/feed/tick_clock.h"

namespace gwr {
namespace {

class CategorySwitchOff : public testsupport::LiveryFixture {
 protected:
  void SetUp() override {
    LiveryFixture::SetUp();
    gf_resetTraffic();
  }
  void TearDown() override {
    gf_resetTraffic();
    LiveryFixture::TearDown();
  }
  // An airborne aircraft of that model offered to the intake; whether it was taken in.
  static bool takenIn(const char* model, std::uint32_t hexid, const char* callsign) {
    TrafficRecord record;
    record.identity.key = LivKey{gf_airlineIndex("DLH"), 0, gf_modelIndex(model), 0, 0};
    record.identity.callsign = callsign;
    record.hexid = hexid;
    record.timestamp = 1718000000.0;
    record.latitude = 50.2;
    record.longitude = 8.5;
    record.altitude = 12000.0;
    record.airborne = 1;
    record.groundSpeed = 250.0;
    record.track = 90.0;
    record.dueTick = tickCount.load() + dueDelayTicks;
    lf_routeTrafficRecord(record);
    return trafficEngine.findHexid(hexid) != nullptr;
  }
};

TEST_F(CategorySwitchOff, NoLightLiveryInstalledKeepsLightAircraftOut) {
  gf_saveParameters(false);
  ASSERT_EQ(sandbox.storedValue("LIGHT_AIRCRAFT"), "true");
  // The fixture's database files C172 under no category: a light aircraft.
  gf_writeLiveriesScanned({testsupport::toLiveryData({"DLH", "", "A320", false, "DLH A320", ""})});

  gf_processScannedLiveries();
  EXPECT_FALSE(LIGHT_AIRCRAFT.current());
  EXPECT_EQ(sandbox.storedValue("LIGHT_AIRCRAFT"), "false");
  EXPECT_NE(logText().find("LIGHT_AIRCRAFT temporarily switched off because you do not have light aircraft installed"),
            std::string::npos);

  EXPECT_FALSE(takenIn("C172", 4000001, "DLH7C"));
  EXPECT_TRUE(takenIn("A320", 4000002, "DLH7A"));  // the intake itself takes aircraft in
}

} // namespace
} // namespace gwr
