// One installed livery found by the scan, the ordering and duplicate rule of
// the scanned list, and the scan result file "LiveriesScanned.xml".
#pragma once

#include <cstdint>
#include <filesystem>
#include <list>
#include <string>

#include "core/paths.h"
#include "core/user_error.h"
#include "refdata/livery_key.h"

namespace gwr {

// The key's fromDbase is never stored in the file; folderRank is only used
// during the scan (1 for the first searched folder ... 10, 0 when read back).
struct LiveryData {
  std::string title;         // the simulator title, attribute "t"
  std::string registration;  // empty when unknown, attribute "r"
  LivKey key;                // airline "a", operator "o", model "m", cargo "c"
  std::uint16_t folderRank = 0;
};

using LiveryList = std::list<LiveryData>;

// Filled by the scan or the reader, consumed by the table builder, then freed.
// Start-up thread only.
extern LiveryList ScannedLiveries;

// Orders by (airline code, operator code, model code, title), all byte-wise.
bool gf_liveryDataLess(const LiveryData& a, const LiveryData& b);

// True when the airline or the model index is 0.
bool gf_lacksAirlineOrModel(const LiveryData& livery);

// Sorts with gf_liveryDataLess and drops every record equal to its
// predecessor in title, airline, operator, model and registration (the cargo
// flag and folder rank are not compared).
void gf_sortUniqueLiveries(LiveryList& liveries);

// Writes the list (meta block, then one "l" element per record) and logs
// "{} liveries in {}". False when nothing was written (an empty list too).
bool gf_writeLiveriesScanned(const LiveryList& liveries, const std::filesystem::path& file = liveriesScannedFile);

// A scan result file that exists but cannot be used: not XML, cut off, empty
// or without liveries. The code tells which, as for UserErrorException.
class DamagedScanResult : public UserErrorException {
public:
  using UserErrorException::UserErrorException;
};

// A folder stands where the scan result file belongs.
inline constexpr int scanResultIsFolderCode = 54;

// Throws UserErrorException 54 when file is a folder.
void gf_requireScanResultNotFolder(const std::filesystem::path& file);

// Replaces liveries with the file's records, sorted. Throws
// UserErrorException 51 (not found) or 54 (a folder), or DamagedScanResult 51
// (not loadable), 52 (no <liveries>), 999 (an element lacks "a", "m" or "t")
// or 533 (no liveries).
void gf_readLiveriesScanned(LiveryList& liveries, const std::filesystem::path& file = liveriesScannedFile);

// Renames a damaged scan result file to "LiveriesScanned.xml.damaged" beside
// it (replacing an older one) and gives that path.
std::filesystem::path gf_setAsideDamagedScanResult(const std::filesystem::path& file = liveriesScannedFile);

} // namespace gwr
