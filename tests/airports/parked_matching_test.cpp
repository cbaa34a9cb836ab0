// The parked matcher reached with a stand record: the stand's id and cargo
// flag are what the liveries layer receives.
#include "airports/parked_matching.h"

#include <gtest/gtest.h>

#include "support/log_capture.h"

namespace gwr {
namespace {

TEST(ParkedMatchingTest, TheStandsIdNamesAMiss) {
  testsupport::LogCapture log;
  const StandRecord stand("G7", {}, 52.0, 4.0, 0.0, 20.0, 5, true, false, false);
  AcIdentity identity;
  identity.callsign = "TST1";
  AcDescription aircraft(identity);
  EXPECT_FALSE(gf_matchParkedAircraft(aircraft, stand));  // no livery tables: nothing fits
  ASSERT_FALSE(log.lines().empty());
  EXPECT_EQ(log.lines().back().substr(0, 10), "G7      : ");
}

} // namespace
} // namespace gwr
