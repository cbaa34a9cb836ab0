// Auto radius as a user meets it, in simulated time with the program's own
// wiring: on the ground at Frankfurt, then a climb past the height above
// which the radius opens wide; the radius changes only at the half-minute
// work, and the traffic it now reaches comes into the simulator.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/run/entry.h"
#include "app/window/command_handlers.h"
#include "core/settings_catalogue.h"
#include "core/status_line.h"
#include "support/engine_harness.h"
#include "traffic/engine/engine_hooks.h"
#include "traffic/engine/traffic_engine.h"

namespace gwr {
namespace {

using testsupport::EngineHarness;

constexpr const char* lufthansaTitle = "Airbus A320 Lufthansa";
constexpr double fieldFt = 364.0;         // the emulated world's Frankfurt
constexpr double climbFtPerSecond = 150.0;
constexpr double takeOffAt = 35.0;        // simulated seconds

// Two eastbound flights at FL360 and 300 kt, 25 nm and 70 nm north of the
// user, each 10 nm west of it at the start and reported for five minutes.
feeder::Scenario northernTraffic() {
  return feeder::gf_parseScenario("interval 4\n"
                                  "aircraft 400001 DLH401 A320 D-AIZA FRA HAM A3\n"
                                  "    0 50.450000 8.3089 36000 300 0 air\n"
                                  "  300 50.450000 8.9632 36000 300 0 air\n"
                                  "aircraft 400002 DLH402 A320 D-AIZB FRA CPH A3\n"
                                  "    0 51.200000 8.3047 36000 300 0 air\n"
                                  "  300 51.200000 8.9696 36000 300 0 air\n",
                                  "northern traffic");
}

double createdAt(const EngineHarness& harness, const std::string& tail) {
  const auto tracks = harness.tracksWithTail(tail);
  return tracks.empty() ? -1.0 : tracks.front()->created;
}

TEST(AutoRangeScenario, RadiusFollowsTheUserFromTheGroundPastTheHeightAndFarTrafficComesIn) {
  EngineHarness harness({{"DLH", "", "A320", false, lufthansaTitle, ""}}, {lufthansaTitle});
  gf_installProgramParts();
  AUTO_RANGE.setCurrent(true);
  AIRP_HEIGHT.setCurrent(2000);
  AR_ABOVE_HEIGHT.setCurrent(18000);
  // As the run does before its loop.
  gf_autoRange();
  harness.play(northernTraffic());

  // Second by second: the user's climb, and the radius the program had then.
  std::vector<double> radius;
  const auto flyTo = [&](double until) {
    while (harness.now() < until - 0.005) {
      const double t = harness.now();
      if (t >= takeOffAt) {
        harness.emulator().setUserOnGround(false);
        harness.emulator().setUserPosition(testsupport::harnessUser.latitude, testsupport::harnessUser.longitude,
                                           fieldFt + climbFtPerSecond * (t - takeOffAt));
      }
      harness.run(1.0);
      radius.push_back(rangeNm.load());
    }
  };

  flyTo(250.0);
  // The engine's first second comes with the simulator's first reply, so
  // second n falls at about n - 1 s. The half-minute work, at engine seconds
  // 30, 60, ..., is the only one to change the radius: 10 nm on the ground;
  // 40 nm in the air above the airport height without a park airport near;
  // 100 nm past the height (about 17,100 ft above the ground at second 150,
  // 21,600 ft at second 180).
  const struct { double time, nm; } expected[] = {
      {10.0, 10.0}, {57.0, 10.0}, {62.0, 40.0}, {150.0, 40.0}, {177.0, 40.0}, {182.0, 100.0}, {250.0, 100.0}};
  for (const auto& e : expected)
    EXPECT_EQ(radius.at(static_cast<std::size_t>(e.time) - 1), e.nm) << "at " << e.time << " s";

  // Lines beyond the radius are dropped at the reader: each flight comes in
  // only once the radius reaches it, its report due 30 s later.
  const double near = createdAt(harness, "DLH401"), far = createdAt(harness, "DLH402");
  EXPECT_GT(near, 59.0 + 30.0);
  EXPECT_LT(near, 59.0 + 30.0 + 15.0);
  EXPECT_GT(far, 179.0 + 30.0);
  EXPECT_LT(far, 179.0 + 30.0 + 15.0);
  EXPECT_EQ(harness.emulator().objects().size(), 2u);

  gf_installTrafficEngineHooks({});
  gf_installStatusLine(nullptr);
}

} // namespace
} // namespace gwr
