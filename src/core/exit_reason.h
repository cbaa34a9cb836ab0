// Why a run ends, and the stop request that names it: the first setter of a
// run writes the reason and its restart countdown, later ones only stop.
#pragma once

#include <atomic>
#include <cstdint>
#include <string_view>

namespace gwr {

enum class ExitReason : std::uint32_t {
  NotYetSet = 0,
  SimWasClosed = 1,
  NewFlight = 2,
  NewSettings = 3,
  UserClosedSim = 4,
  SimConnectError = 5,
  ReaderError = 6,
  SystemError = 7,
  NewVersion = 8,
};

// The name for the "Exiting: {}" line; "NOT YET SET" for unknown values.
std::string_view gf_exitReasonName(ExitReason reason);

extern std::atomic<ExitReason> exitReason;
// Length of the restart countdown; written together with the reason and kept
// between runs.
extern std::atomic<std::int32_t> restartDelaySeconds;

// Sets stopRequested; only the request that found it clear writes the reason
// and delay. True for that first request.
bool gf_requestStop(ExitReason reason, std::int32_t restartDelay);

// The user's own stop (closing the window, production mode, the start-up
// thread's stop checks): sets stopRequested and names USER CLOSED SIM
// whenever no reason is named yet, even when another stop came first.
void gf_requestUserStop();

// A setting that needs a fresh start (NEW SETTINGS). Also ends a failed
// start-up that waits for the user: a new setting is what the error asked
// for, so the run restarts instead. True when the restart was named.
bool gf_requestNewSettings(std::int32_t restartDelay);

// A failed start-up: names SYSTEM ERROR over any reason already given, and
// sets stopRequested so that no later request can name another one.
void gf_requestSystemError();

} // namespace gwr
