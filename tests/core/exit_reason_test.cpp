// The exit reasons' names and the rule that the first stop request of a run
// names the reason.
#include <gtest/gtest.h>

#include "core/exit_reason.h"
#include "core/run_state.h"

namespace gwr {
namespace {

class ExitReasonTest : public ::testing::Test {
 protected:
  void SetUp() override { reset(); }
  void TearDown() override { reset(); }
  static void reset() {
    stopRequested.store(false);
    exitReason.store(ExitReason::NotYetSet);
    restartDelaySeconds.store(0);
  }
};

TEST_F(ExitReasonTest, NamesByValue) {
  const struct {
    std::uint32_t value;
    const char* name;
  } rows[] = {{0, "NOT YET SET"},     {1, "SIM WAS CLOSED"}, {2, "NEW FLIGHT"},   {3, "NEW SETTINGS"},
              {4, "USER CLOSED SIM"}, {5, "SIMCONNECT ERROR"}, {6, "READER ERROR"}, {7, "SYSTEM ERROR"},
              {8, "NEW VERSION"},     {9, "NOT YET SET"},      {0xFFFFFFFF, "NOT YET SET"}};
  for (const auto& row : rows) EXPECT_EQ(gf_exitReasonName(static_cast<ExitReason>(row.value)), row.name) << row.value;
}

// Only the first request of a run names the reason; a stop set by others names
// none, and the user's stop then names itself, but never over another reason.
TEST_F(ExitReasonTest, OnlyTheFirstRequestOfARunNamesTheReason) {
  EXPECT_TRUE(gf_requestStop(ExitReason::ReaderError, 15));
  EXPECT_FALSE(gf_requestStop(ExitReason::NewFlight, 0));
  gf_requestUserStop();
  EXPECT_TRUE(stopRequested.load());
  EXPECT_EQ(exitReason.load(), ExitReason::ReaderError);
  EXPECT_EQ(restartDelaySeconds.load(), 15);
  reset();
  stopRequested.store(true);
  EXPECT_FALSE(gf_requestStop(ExitReason::SimConnectError, 9));
  EXPECT_EQ(exitReason.load(), ExitReason::NotYetSet);
  EXPECT_EQ(restartDelaySeconds.load(), 0);
  gf_requestUserStop();
  EXPECT_EQ(exitReason.load(), ExitReason::UserClosedSim);
}

// A failed start-up names SYSTEM ERROR over an earlier reason, and no later
// request, the user's own included, can take it back.
TEST_F(ExitReasonTest, SystemErrorOverridesAndThenStands) {
  EXPECT_TRUE(gf_requestStop(ExitReason::NewSettings, 3));
  gf_requestSystemError();
  EXPECT_EQ(exitReason.load(), ExitReason::SystemError);
  reset();
  gf_requestSystemError();
  EXPECT_TRUE(stopRequested.load());
  EXPECT_FALSE(gf_requestStop(ExitReason::ReaderError, 15));
  gf_requestUserStop();
  EXPECT_EQ(exitReason.load(), ExitReason::SystemError);
}

} // namespace
} // namespace gwr
