// A category without installed liveries, from the livery processing at
// start-up to the traffic intake: switched off, saved, and its aircraft left out.
#include <gtest/gtest.h>

#include "core/settings_file.h"
#include "support/livery_world.h"
#include "traffic/engine/live_intake.h"
#include "traffic/engine/traffic_engine.h"

namespace gwr {
namespace {

class CategorySwitchOff : public testsupport::LiveryFixture {
 protected:
  void TearDown() override {
    gf_resetTraffic();
    LiveryFixture::TearDown();
  }
  // Whether an airborne aircraft of that model offered to the intake is taken in.
  static bool takenIn(const char* model, std::uint32_t hexid) {
    TrafficRecord record;
    record.identity.key = LivKey{gf_airlineIndex("DLH"), 0, gf_modelIndex(model), 0, 0};
    record.identity.callsign = fmt::format("DLH{}", model);
    record.hexid = hexid;
    record.altitude = 12000.0;
    record.airborne = 1;
    lf_routeTrafficRecord(record);
    return trafficEngine.findHexid(hexid) != nullptr;
  }
};

TEST_F(CategorySwitchOff, NoLightLiveryInstalledKeepsLightAircraftOut) {
  gf_resetTraffic();
  gf_saveParameters(false);
  ASSERT_EQ(sandbox.storedValue("LIGHT_AIRCRAFT"), "true");
  // The fixture's database files C172 under no category: a light aircraft.
  gf_writeLiveriesScanned({testsupport::toLiveryData({"DLH", "", "A320", false, "DLH A320", ""})});
  gf_processScannedLiveries();
  EXPECT_FALSE(LIGHT_AIRCRAFT.current());
  EXPECT_EQ(sandbox.storedValue("LIGHT_AIRCRAFT"), "false");
  EXPECT_FALSE(takenIn("C172", 4000001));
  EXPECT_TRUE(takenIn("A320", 4000002));  // the intake itself takes aircraft in
}

} // namespace
} // namespace gwr
