// The process entry: single instance, the log, the command line and the run.
#pragma once

namespace gwr {

// Exit code of a second instance, which ends at once.
inline constexpr int secondInstanceExitCode = -1;
// Exit code when the log or the single-instance lock cannot be opened, the
// window does not open on a working display, or a run ends with an error.
inline constexpr int failureExitCode = 1;

// What the program connects once per process: the message line and the
// lower layers' hooks.
void gf_installProgramParts();

// The whole process after main: returns the exit code.
int gf_processEntry(int argc, char** argv);

} // namespace gwr
