// The start-up of a run: the data steps that prepare the program before traffic.
#pragma once

namespace gwr {

// Set from the command line: a run ends right after the data steps.
extern bool productionMode;

// Settings, folders, the update check and the reference data; false when the
// run must end at once (a new version installed, production mode).
bool lf_readDataFiles();
// Creates the program's working folders and removes the last run's object list.
void lf_maintainFolders();
// Production mode: the run ends after the data steps.
void lf_productionStop();

// The program folder, the data files and the livery tables; false when the
// run ends here. Failures throw, for the start-up thread's handlers.
bool lf_startUpData();

// Tests: the next start reads the reference database again, as a new process would.
void gf_forgetDataFilesReadForTests();

} // namespace gwr
