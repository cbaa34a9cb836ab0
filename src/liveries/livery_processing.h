// The livery tables built at every start-up from the stored scan result, once
// per process until the shell empties them.
#pragma once

#include <atomic>
#include <cstdint>

namespace gwr {

// Installed liveries, shown in the main window's status panel.
extern std::atomic<std::uint64_t> liveryCount;
// The livery tables stand; the shell clears it when it empties them.
extern std::atomic<bool> liveriesProcessed;

// Reads "output"/"LiveriesScanned.xml" and builds the livery tables and the
// registration tables, unless an earlier start-up of the process did.
// Throws the reader's UserErrorException and file-system errors of the
// in-line clash report.
void gf_processScannedLiveries();

} // namespace gwr
