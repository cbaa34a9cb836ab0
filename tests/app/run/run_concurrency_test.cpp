// A whole run on its own start-up thread: a failed start-up keeps its error
// until the user closes, and no thread of the run is left when it returns.
#include "app/run/run.h"

#include "app/run/startup.h"
#include "core/run_state.h"
#include "run_support.h"
#include "run_test_clock.h"
#include "support/settings_sandbox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <thread>

namespace gwr {
namespace {

using namespace std::chrono_literals;
using testsupport::NoticeRecorder;
using testsupport::SimulatedClock;
using testsupport::threadIdsBeforeRun;
using testsupport::threadsLeftOver;

class WholeRun : public testing::Test {
protected:
  void SetUp() override {
    testsupport::resetRunLifecycle();
    gf_installStatusLine(&recorder);
    options.clock = &clock;
  }
  void TearDown() override {
    gf_installStatusLine(nullptr);
    testsupport::resetRunLifecycle();
  }
  bool logged(const std::string& line) {
    const auto lines = sandbox.log().lines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }

  testsupport::SettingsSandbox sandbox;  // its working folder has no "docs"
  SimulatedClock clock;
  NoticeRecorder recorder;
  RunOptions options;
};

constexpr const char* notProgramFolder = "41: Gatewright must be run from the Gatewright folder!";

// The error stays on the message line while closing down waits for the user;
// only the close ends the program.
TEST_F(WholeRun, AFailedStartUpKeepsItsErrorUntilTheUserCloses) {
  const auto before = threadIdsBeforeRun();
  int wakes = 0;
  clock.onWake = [&wakes](auto) {
    if (++wakes == 6) quitRequested.store(true);
  };
  EXPECT_EQ(gf_runUntilQuit(options), 0);
  EXPECT_EQ(threadsLeftOver(before), std::vector<std::string>{});
  EXPECT_EQ(exitReason.load(), ExitReason::SystemError);
  ASSERT_EQ(recorder.errors, std::vector<std::string>{notProgramFolder});
  EXPECT_EQ(clock.elapsed(), 6 * 500ms);
  EXPECT_TRUE(logged(std::string("Error ") + notProgramFolder));
  EXPECT_TRUE(logged("Exiting: SYSTEM ERROR"));
  EXPECT_TRUE(logged("User closed Gatewright"));
  EXPECT_FALSE(restartRequested.load());
}

} // namespace
} // namespace gwr
