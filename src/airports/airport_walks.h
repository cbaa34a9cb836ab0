// The airport scan's walks over its roots: the BGL folder walk and the
// streamed-package walk, each airport caught on its own.
#pragma once

#include <filesystem>

namespace gwr {

// What one walk left undone; the scan logs it.
struct WalkOutcome {
  bool stopped = false;  // a stop flag ended the walk
  bool aborted = false;  // the folder could not be walked to its end
};

WalkOutcome gf_scanBglFolder(const std::filesystem::path& folder);
WalkOutcome gf_scanStreamedAirports(const std::filesystem::path& root);

// Writes the report lines so far to "AirportsScanLog.txt"; false when it could not.
bool gf_writeScanLog();
// Sets the window's two counters to the file counts of the airport folders.
void gf_showAirportCounts(bool simaddon, bool thirdparty);

} // namespace gwr
