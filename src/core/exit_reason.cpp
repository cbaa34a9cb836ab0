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
