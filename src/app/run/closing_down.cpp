// Closing down with its decision between restart and end, the restart
// countdown and the reset that makes the next run a first start.
#include "app/run/closing_down.h"

#include "app/run/startup.h"
#include "core/log.h"
#include "core/run_state.h"
#include "core/settings_catalogue.h"
#include "core/status_line.h"
#include "core/version.h"

#include <exception>
#include <fmt/format.h>
#include <string>
#include <thread>

namespace gwr {

std::atomic<bool> restartRequested{false};
std::atomic<std::int32_t> exitCode{0};

namespace {

using namespace std::chrono_literals;

// Time the SimClient and the readers get to see their stop flags before the
// RealTraffic link goes.
constexpr auto stopSettleTime = 500ms;
// How often closing down looks whether the user closed the window after a
// SYSTEM ERROR.
constexpr auto quitPollPeriod = 500ms;
// How long the NEW FLIGHT notice stays before the program ends.
constexpr auto newFlightNoticeTime = 10s;
constexpr int countdownRuleWidth = 48;

class SteadyRunClock final : public RunClock {
public:
  TimePoint now() override { return std::chrono::steady_clock::now(); }
  void sleepUntil(TimePoint wake) override { std::this_thread::sleep_until(wake); }
};

void lf_runStep(const std::function<void()>& step) {
  if (step) step();
}

bool lf_isRestartReason(ExitReason reason) {
  return reason == ExitReason::NewSettings || reason == ExitReason::SimConnectError ||
         reason == ExitReason::ReaderError;
}

// A SYSTEM ERROR keeps the error line readable until the user closes the
// window; nobody is there to close it in production mode.
void lf_waitForUserClose(RunClock& clock) {
  if (productionMode) return;
  while (!quitRequested.load() && exitReason.load() == ExitReason::SystemError) {
    clock.sleepUntil(clock.now() + quitPollPeriod);
  }
  if (quitRequested.load()) {
    setStatusText(fmt::format("User closed {}", programName), true);
  } else {
    // The user gave the setting the error asked for.
    gf_log(fmt::format("Exiting: {}", gf_exitReasonName(exitReason.load())));
  }
}

// The restart branch; false when the user closed the program meanwhile, which
// always ends it.
bool lf_prepareRestart(ExitReason reason, const ClosingDownSteps& steps, RunClock& clock) {
  // An error on the line would hide the restart's notices from the user.
  clearStatusError();
  clearStatusText();
  setStatusText("Prepare for a restart ...", true);
  if (reason != ExitReason::NewSettings) {
    // The scans may be what failed: the next run goes without them.
    SCAN_LIVERIES.setCurrent(false);
    SCAN_LIVERIES.save();
    SCAN_AIRPORTS.setCurrent(false);
    SCAN_AIRPORTS.save();
  }
  if (!lf_restartCountdown(clock) || quitRequested.load()) return false;
  lf_resetForRestart(steps);
  return true;
}

// Decides restart or end; true for a restart.
bool lf_closeAndDecide(const ClosingDownSteps& steps, RunClock& clock) {
  gf_log(fmt::format("Exiting: {}", gf_exitReasonName(exitReason.load())));
  lf_runStep(steps.stopTrafficSide);
  clock.sleepUntil(clock.now() + stopSettleTime);
  lf_runStep(steps.closeRealTrafficLink);
  if (exitReason.load() == ExitReason::SystemError) {
    if (productionMode) exitCode.store(productionFailureExitCode);
    lf_waitForUserClose(clock);
  }
  lf_runStep(steps.clearRunData);

  const ExitReason reason = exitReason.load();
  if (lf_isRestartReason(reason) && !quitRequested.load() && !productionMode) {
    restartRequested.store(true);
    if (lf_prepareRestart(reason, steps, clock)) return true;
  }
  restartRequested.store(false);
  if (reason == ExitReason::NewFlight) {
    setStatusText(fmt::format("New flight detected, {} will close, please restart manually ...", programName),
                  true);
    clock.sleepUntil(clock.now() + newFlightNoticeTime);
  }
  return false;
}

} // namespace

RunClock& gf_steadyRunClock() {
  static SteadyRunClock clock;
  return clock;
}

void lf_closingDown(const ClosingDownSteps& steps) {
  RunClock& clock = steps.clock ? *steps.clock : gf_steadyRunClock();
  bool restart = false;
  try {
    restart = lf_closeAndDecide(steps, clock);
  } catch (const std::exception& e) {
    // The program must still end: a run that posts nothing leaves a window
    // that no longer ends the process.
    setStatusText(fmt::format("{} exception {}", "lf_closingDown", e.what()), true);
    restartRequested.store(false);
    if (productionMode) exitCode.store(productionFailureExitCode);
  }
  if (steps.post) steps.post(restart ? RunMessage::startUp : RunMessage::saveAndQuit);
}

bool lf_restartCountdown(RunClock& clock) {
  const std::int32_t delay = restartDelaySeconds.load();
  if (delay < 1) return true;
  gf_log(fmt::format("Restarting after {} seconds", delay));
  gf_log(std::string(countdownRuleWidth, '-'));
  for (std::int32_t left = delay; left >= 1; --left) {
    if (quitRequested.load()) return false;
    setStatusText(fmt::format("Restarting after {} second{}", left, left == 1 ? "" : "s"), false);
    clock.sleepUntil(clock.now() + std::chrono::seconds(1));
  }
  gf_log("Restart countdown finished");
  return true;
}

void lf_resetForRestart(const ClosingDownSteps& steps) {
  lf_runStep(steps.resetOwners);
  quitRequested.store(false);
  stopRequested.store(false);
  exitReason.store(ExitReason::NotYetSet);
}

} // namespace gwr
