// Closing down in simulated time: the decision between restart and end, the
// countdown, the first reason standing, and a message posted on every way out.
#include "app/run/closing_down.h"

#include "app/run/run_teardown.h"
#include "app/run/startup.h"
#include "app/window/message_line.h"
#include "core/run_state.h"
#include "core/settings_catalogue.h"
#include "core/status_line.h"
#include "run_test_clock.h"
#include "traffic/engine/realtraffic_link.h"
#include "traffic/engine/traffic_engine.h"
#include "traffic/simclient/user_aircraft.h"
#include "support/settings_sandbox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace gwr {
namespace {

using testsupport::NoticeRecorder;
using testsupport::SimulatedClock;

using namespace std::chrono_literals;

class ClosingDown : public testing::Test {
protected:
  void SetUp() override {
    testsupport::resetRunLifecycle();
    gf_installStatusLine(&recorder);
    SCAN_LIVERIES.setCurrent(true);
    SCAN_AIRPORTS.setCurrent(true);
    steps.stopTrafficSide = [this] { calls.push_back("stop"); };
    steps.closeRealTrafficLink = [this] { calls.push_back("link"); };
    steps.clearRunData = [this] { calls.push_back("clear"); };
    steps.resetOwners = [this] { calls.push_back("reset"); };
    steps.post = [this](RunMessage message) { posted.push_back(message); };
    steps.clock = &clock;
  }
  void TearDown() override {
    gf_installStatusLine(nullptr);
    testsupport::resetRunLifecycle();
  }
  long countdownNotices() const {
    return std::count_if(recorder.notices.begin(), recorder.notices.end(),
                         [](const std::string& n) { return n.starts_with("Restarting after"); });
  }

  testsupport::SettingsSandbox sandbox;
  testsupport::LogCapture& log = sandbox.log();
  SimulatedClock clock;
  NoticeRecorder recorder;
  ClosingDownSteps steps;
  std::vector<std::string> calls;
  std::vector<RunMessage> posted;
};

// Which reasons restart and which end the program, with the countdown each has.
TEST_F(ClosingDown, EachReasonEndsInRestartOrQuit) {
  const struct {
    ExitReason reason;
    int delay;
    bool restarts;
    bool scansKept;
  } rows[] = {{ExitReason::NewSettings, 2, true, true},      {ExitReason::SimConnectError, 9, true, false},
              {ExitReason::ReaderError, 15, true, false},    {ExitReason::UserClosedSim, 0, false, true},
              {ExitReason::SimWasClosed, 0, false, true},    {ExitReason::NewVersion, 0, false, true},
              {ExitReason::NewFlight, 0, false, true},       {ExitReason::NotYetSet, 0, false, true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(gf_exitReasonName(row.reason)));
    SetUp();
    calls.clear();
    posted.clear();
    recorder.notices.clear();
    log.mark();
    ASSERT_TRUE(gf_requestStop(row.reason, row.delay));
    lf_closingDown(steps);
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0], row.restarts ? RunMessage::startUp : RunMessage::saveAndQuit);
    EXPECT_EQ(restartRequested.load(), row.restarts);
    EXPECT_EQ(countdownNotices(), row.delay);
    EXPECT_EQ(SCAN_LIVERIES.current(), row.scansKept);
    EXPECT_EQ(SCAN_AIRPORTS.current(), row.scansKept);
    const std::vector<std::string> order =
        row.restarts ? std::vector<std::string>{"stop", "link", "clear", "reset"}
                     : std::vector<std::string>{"stop", "link", "clear"};
    EXPECT_EQ(calls, order);
    EXPECT_EQ(log.lines().at(0), "Exiting: " + std::string(gf_exitReasonName(row.reason)));
    // A restart leaves the lifecycle as at a first start.
    if (row.restarts) {
      EXPECT_FALSE(stopRequested.load());
      EXPECT_EQ(exitReason.load(), ExitReason::NotYetSet);
    }
  }
}

TEST_F(ClosingDown, ReaderErrorCountsDownFifteenSecondsWithTheLastWithoutPlural) {
  gf_requestStop(ExitReason::ReaderError, 15);
  lf_closingDown(steps);
  ASSERT_EQ(countdownNotices(), 15);
  EXPECT_EQ(recorder.notices.front(), "Prepare for a restart ...");
  EXPECT_EQ(recorder.notices[1], "Restarting after 15 seconds");
  EXPECT_EQ(recorder.notices.back(), "Restarting after 1 second");
  EXPECT_EQ(clock.elapsed(), 500ms + 15s);
  const auto lines = log.lines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Restarting after 15 seconds"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), std::string(48, '-')), lines.end());
  EXPECT_EQ(lines.back(), "Restart countdown finished");
}

// An error on the message line hides notices; a restart clears it first, so
// the user sees the restart coming and the log holds its notice.
TEST_F(ClosingDown, ARestartClearsAnErrorSoItsNoticesAreShownAndLogged) {
  MessageLine line;
  gf_installStatusLine(&line);
  setStatusError("receive: Connection refused");
  gf_requestStop(ExitReason::ReaderError, 15);
  lf_closingDown(steps);
  EXPECT_EQ(line.error(), "");
  EXPECT_EQ(line.notice(), "Restarting after 1 second");
  const auto lines = log.lines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Prepare for a restart ..."), lines.end());
  EXPECT_EQ(lines.back(), "Restart countdown finished");
}

// The program's own reset: no request of the last run reaches the next one,
// and the message line starts empty.
TEST_F(ClosingDown, TheProgramsResetLeavesNoRequestOfTheLastRun) {
  std::atomic<bool>* const requests[] = {&blockChangeRequested, &objectIdLookupPending, &staticUpdateRequested,
                                         &newUserData};
  for (std::atomic<bool>* request : requests) request->store(true);
  beforeFirstConnection.store(false);
  gf_installStatusLine(&gf_messageLine());
  setStatusError("SimConnect exception 3");
  gf_programClosingDownSteps({}).resetOwners();
  for (std::size_t i = 0; i < std::size(requests); ++i) EXPECT_FALSE(requests[i]->load()) << "request " << i;
  EXPECT_EQ(gf_messageLine().error(), "");
  EXPECT_TRUE(beforeFirstConnection.load()) << "the scan boxes may restart the run again";
}

// Closing the window during the countdown ends the program; the reset must
// not wipe the close.
TEST_F(ClosingDown, ACloseDuringTheCountdownEndsTheProgram) {
  gf_requestStop(ExitReason::ReaderError, 15);
  clock.onWake = [](auto elapsed) {
    if (elapsed >= 5s) quitRequested.store(true);
  };
  lf_closingDown(steps);
  EXPECT_EQ(posted, std::vector<RunMessage>{RunMessage::saveAndQuit});
  EXPECT_FALSE(restartRequested.load());
  EXPECT_TRUE(quitRequested.load());
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "reset"), 0);
  EXPECT_LT(countdownNotices(), 15);
}

// A second failure while closing down changes neither reason nor delay.
TEST_F(ClosingDown, TheFirstReasonStands) {
  gf_requestStop(ExitReason::SimConnectError, 9);
  steps.stopTrafficSide = [] { gf_requestStop(ExitReason::ReaderError, 15); };
  lf_closingDown(steps);
  EXPECT_EQ(countdownNotices(), 9);
  EXPECT_EQ(posted, std::vector<RunMessage>{RunMessage::startUp});
}

// SYSTEM ERROR holds closing down until the window is closed; a restart
// reason given meanwhile does not turn it into a restart.
TEST_F(ClosingDown, SystemErrorWaitsForTheCloseAndStaysAnError) {
  gf_requestSystemError();
  int wakes = 0;
  clock.onWake = [&wakes](auto) {
    if (++wakes == 3) gf_requestStop(ExitReason::NewSettings, 3);
    if (wakes == 7) quitRequested.store(true);
  };
  lf_closingDown(steps);
  EXPECT_EQ(posted, std::vector<RunMessage>{RunMessage::saveAndQuit});
  EXPECT_EQ(exitReason.load(), ExitReason::SystemError);
  EXPECT_EQ(clock.elapsed(), 7 * 500ms);
  EXPECT_EQ(recorder.notices.back(), "User closed Gatewright");
  EXPECT_EQ(exitCode.load(), 0);
}

// Nobody is there to close the window in production mode: no wait, and the
// process reports the failure.
TEST_F(ClosingDown, ProductionModeNeverWaitsAndExitsNonZeroOnFailure) {
  productionMode = true;
  gf_requestSystemError();
  lf_closingDown(steps);
  EXPECT_EQ(posted, std::vector<RunMessage>{RunMessage::saveAndQuit});
  EXPECT_EQ(exitCode.load(), productionFailureExitCode);
  EXPECT_EQ(clock.elapsed(), 500ms);
}

// An exception in a step still ends in a posted message.
TEST_F(ClosingDown, AnExceptionStillEndsTheProgram) {
  gf_requestStop(ExitReason::ReaderError, 15);
  steps.clearRunData = [] { throw std::runtime_error("disk gone"); };
  lf_closingDown(steps);
  EXPECT_EQ(posted, std::vector<RunMessage>{RunMessage::saveAndQuit});
  EXPECT_FALSE(restartRequested.load());
  EXPECT_EQ(recorder.notices.back(), "lf_closingDown exception disk gone");
}

TEST_F(ClosingDown, NewFlightShowsItsNoticeForTenSeconds) {
  gf_requestStop(ExitReason::NewFlight, 0);
  lf_closingDown(steps);
  EXPECT_EQ(recorder.notices.back(), "New flight detected, Gatewright will close, please restart manually ...");
  EXPECT_EQ(clock.elapsed(), 500ms + 10s);
}

} // namespace
} // namespace gwr
