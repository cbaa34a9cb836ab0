// Closing down a run: the traffic side stops, what must not survive is cleared,
// then the run restarts in the same process after a countdown or the program ends.
#pragma once

#include "core/exit_reason.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>

namespace gwr {

// Set when the ending run restarts in the same process; the next run skips the
// update check.
extern std::atomic<bool> restartRequested;
// The process exit code; set only by production mode and its failures.
extern std::atomic<std::int32_t> exitCode;

inline constexpr std::int32_t productionFailureExitCode = 1;

// What closing down asks of the window: the next run, or save and end.
enum class RunMessage { startUp, saveAndQuit };

// The waits of closing down; tests drive them in simulated time.
class RunClock {
public:
  using TimePoint = std::chrono::steady_clock::time_point;
  virtual ~RunClock() = default;
  virtual TimePoint now() = 0;
  virtual void sleepUntil(TimePoint wake) = 0;
};
RunClock& gf_steadyRunClock();

// The owners' parts of closing down. Empty functions are skipped.
struct ClosingDownSteps {
  std::function<void()> stopTrafficSide;       // no more queueing, SimClient and readers asked to stop
  std::function<void()> closeRealTrafficLink;
  std::function<void()> clearRunData;          // park airport, liveries, flight plans, one-run settings
  std::function<void()> resetOwners;           // feed, simulator side, engine and window back to a first start
  std::function<void(RunMessage)> post;        // to the window; headless to the run loop
  RunClock* clock = nullptr;                   // the steady clock when none
};

// Every way out ends in exactly one posted message: startUp for a restart,
// saveAndQuit otherwise, also after an exception in one of the steps.
void lf_closingDown(const ClosingDownSteps& steps);

// Notices "Restarting after {} second{}" from restartDelaySeconds down to 1;
// ends early when the user closes the program. True when it ran to its end.
bool lf_restartCountdown(RunClock& clock);

// The owners' reset, then the lifecycle back to a first start.
void lf_resetForRestart(const ClosingDownSteps& steps);

} // namespace gwr
