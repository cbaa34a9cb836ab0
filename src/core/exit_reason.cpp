// The exit reasons with their names and the first-setter-wins stop request.
#include "core/exit_reason.h"

#include <array>

#include "core/run_state.h"

namespace gwr {

std::atomic<ExitReason> exitReason{ExitReason::NotYetSet};
std::atomic<std::int32_t> restartDelaySeconds{0};

namespace {

constexpr std::array<std::string_view, 9> exitReasonNames{
    "NOT YET SET",      "SIM WAS CLOSED", "NEW FLIGHT",   "NEW SETTINGS", "USER CLOSED SIM",
    "SIMCONNECT ERROR", "READER ERROR",   "SYSTEM ERROR", "NEW VERSION"};

} // namespace

std::string_view gf_exitReasonName(ExitReason reason) {
  const auto index = static_cast<std::uint32_t>(reason);
  return index < exitReasonNames.size() ? exitReasonNames[index] : exitReasonNames[0];
}

bool gf_requestStop(ExitReason reason, std::int32_t restartDelay) {
  if (stopRequested.exchange(true)) return false;
  restartDelaySeconds.store(restartDelay);
  exitReason.store(reason);
  return true;
}

bool gf_requestNewSettings(std::int32_t restartDelay) {
  if (gf_requestStop(ExitReason::NewSettings, restartDelay)) return true;
  // The delay first: closing down reads it once it sees the new reason.
  const std::int32_t previousDelay = restartDelaySeconds.exchange(restartDelay);
  ExitReason failed = ExitReason::SystemError;
  if (exitReason.compare_exchange_strong(failed, ExitReason::NewSettings)) return true;
  restartDelaySeconds.store(previousDelay);
  return false;
}

void gf_requestUserStop() {
  stopRequested.store(true);
  ExitReason unset = ExitReason::NotYetSet;
  exitReason.compare_exchange_strong(unset, ExitReason::UserClosedSim);
}

void gf_requestSystemError() {
  stopRequested.store(true);
  exitReason.store(ExitReason::SystemError);
}

} // namespace gwr
