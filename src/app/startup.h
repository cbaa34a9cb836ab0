// The start-up of a run: the data steps that prepare the program before traffic.
#pragma once

namespace gwr {

// Set from the command line: a run ends right after the data steps.
extern bool productionMode;

// The body of the start-up thread. Returns false when the run ended with an
// error, which is then shown in the message line and logged.
bool lf_startUpGWRT();

} // namespace gwr
