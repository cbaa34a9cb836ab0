// The process entry: single instance, the log, the command line and the run.
#pragma once

namespace gwr {

// Exit code of a second instance, which ends at once.
inline constexpr int secondInstanceExitCode = -1;
// Exit code when the log or the single-instance lock cannot be opened, or a
// run ends with an error.
inline constexpr int failureExitCode = 1;

// The whole process after main: returns the exit code.
int gf_processEntry(int argc, char** argv);

} // namespace gwr
