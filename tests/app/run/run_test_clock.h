// Test helpers for the run: simulated time for its waits and a message line
// that records what it was shown.
#pragma once

#include "app/run/closing_down.h"
#include "app/run/startup.h"
#include "app/window/message_line.h"
#include "core/exit_reason.h"
#include "core/log.h"
#include "core/main_window_state.h"
#include "core/run_state.h"
#include "core/status_line.h"
#include "traffic/engine/realtraffic_link.h"

#include <algorithm>
#include <chrono>
#include <fmt/format.h>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace gwr::testsupport {

// Time that moves only when slept; a hook may act at each wake-up as another
// thread would.
class SimulatedClock final : public RunClock {
public:
  TimePoint now() override { return current; }
  void sleepUntil(TimePoint wake) override {
    current = std::max(current, wake);
    if (onWake) onWake(current - start);
  }
  std::chrono::steady_clock::duration elapsed() const { return current - start; }
  std::function<void(std::chrono::steady_clock::duration)> onWake;

private:
  TimePoint start{std::chrono::hours(1)};
  TimePoint current{start};
};

// Notices come from several threads.
class NoticeRecorder final : public StatusLineSink {
public:
  bool showNotice(const std::string& text) override {
    std::lock_guard lock(mutex);
    if (!text.empty()) notices.push_back(text);
    return true;
  }
  // As the program's line does: the error logged once it is stored.
  void showError(const std::string& text) override {
    std::lock_guard lock(mutex);
    errors.push_back(text);
    gf_log(fmt::format("Error {}", text));
  }
  void clearNotice() override {}
  std::mutex mutex;
  std::vector<std::string> notices;
  std::vector<std::string> errors;
};

// Back to a run that nobody asked to stop, for the start and end of a test.
inline void resetRunLifecycle() {
  stopRequested.store(false);
  quitRequested.store(false);
  exitReason.store(ExitReason::NotYetSet);
  restartDelaySeconds.store(0);
  restartRequested.store(false);
  exitCode.store(0);
  productionMode = false;
  gf_messageLine().clearError(true);
  // The readers as in a new process: stop flags clear, the pressure 1013.
  lf_resetFeedForLink();
  gf_mainWindow().reset();
}

} // namespace gwr::testsupport
