// The add-on airport scan from start to end: roots of the edition in use, the
// report, the collection for the maker, the counters and SCAN_AIRPORTS.
#include "airports/airport_scan.h"

#include <sstream>
#include <system_error>

#include <fmt/format.h>

#include "airports/airport_scan_shell.h"
#include "airports/airport_walks.h"
#include "airports/apf_generation.h"
#include "airports/facility_reader.h"
#include "airports/scan_log.h"
#include "airports/tblo_collection.h"
#include "core/file_maintenance.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/run_state.h"
#include "core/settings_catalogue.h"
#include "core/text_files.h"
#include "core/text_utils.h"
#include "core/user_error.h"
#include "liveries/livery_shell.h"
#include "platform/sys/folder_listing.h"
#include "refdata/airport_services.h"

namespace gwr {

namespace {

constexpr int missingFileErrorCode = 522;

// What the walks left undone.
struct ScanOutcome {
  bool incomplete = false;
  void add(const WalkOutcome& walk) { incomplete = incomplete || walk.stopped || walk.aborted; }
};

void lf_scanRoots(const std::vector<std::filesystem::path>& roots, ScanOutcome& outcome) {
  for (const auto& root : roots) {
    if (root.empty()) continue;
    std::error_code error;
    const std::string text = gf_pathToUtf8(root);
    if (!platform::pathExists(root, error)) {
      gf_airportScanShell().showNotice(text + " does not exist, skipped!");
      gf_log(text + " does not exist, skipped!");
      continue;
    }
    if (!platform::isFolder(root, error)) {
      gf_airportScanShell().showNotice(text + " is not a folder name, skipped!");
      gf_log(text + " is not a folder name, skipped!");
      continue;
    }
    outcome.add(text.find(streamedPackagesFolderName) != std::string::npos ? gf_scanStreamedAirports(root)
                                                                           : gf_scanBglFolder(root));
    if (gf_stopping()) outcome.incomplete = true;
  }
}

// Packs what was collected. The count stays and the button opens the folder
// either way; after a failed archive the collected files stay beside it, as
// they are then the only thing the user can send.
void lf_packTblo() {
  const std::int64_t count = gf_countFiles(tbloFolder);
  if (count == 0) {
    tbloFileCount.store(0);
    gf_showScanCounts();
    gf_log("All your simaddon and third party airports are recognised, no off line learning needed.");
    return;
  }
  const bool packed = gf_zipTblo(tbloArchive);
  if (packed) gf_removeXMLFilesFromDirectory();
  else gf_logError("Zippen TBLO folder failed");
  tbloFileCount.store(static_cast<std::uint64_t>(count));
  gf_airportScanShell().enableTbloButton(true);
  if (packed)
    gf_log(fmt::format("Please mail {} to {}, so that these airports can be learned off line.",
                       gf_pathToUtf8(std::filesystem::absolute(tbloArchive)), tbloMailAddress));
  else
    gf_log(fmt::format("Please mail the {} airport file{} in {} to {}, so that these airports can be learned off line.",
                       count, count == 1 ? "" : "s", gf_pathToUtf8(std::filesystem::absolute(tbloFolder)),
                       tbloMailAddress));
  gf_showScanCounts();
}

bool lf_runAirportScan(const std::vector<std::filesystem::path>& roots, ScanOutcome& outcome) {
  gf_log(fmt::format("The scan will search {} folder{}", roots.size(), roots.size() == 1 ? "" : "s"));
  if (const std::error_code error = gf_removeIfPresent(airportsScanLogFile))
    gf_log("problems with removing previous files (maybe still open?): " + error.message());
  tbloFileCount.store(0);
  gf_showScanCounts();
  ScanLog.reserve(scanLogReservedLines);
  lf_scanRoots(roots, outcome);
  gf_scanNote("\nAirpoprts scan finished!");
  if (gf_writeScanLog()) gf_log(gf_pathToUtf8(airportsScanLogFile) + " written");
  else gf_logError("Writing " + gf_pathToUtf8(airportsScanLogFile) + " failed");
  gf_airportScanShell().clearNotice();
  ScanLog.clear();
  gf_collectThirdPartyFiles();
  lf_packTblo();
  gf_showAirportCounts(true, true);
  return thirdpartyAirportCount.load() != 0;
}

// Removes what an earlier scan made: link files and generated stand files.
void lf_removeGeneratedFiles(const std::filesystem::path& folder) {
  std::error_code error;
  for (const platform::ListedEntry& entry : platform::listFolder(folder, error)) {
    if (!entry.isRegular()) continue;
    const std::filesystem::path& file = entry.path;
    const std::string extension = gf_upperAscii(gf_pathToUtf8(file.extension()));
    if (gf_pathToUtf8(file.stem()).size() != 4 || (extension != ".TXT" && extension != ".XML")) continue;
    if (extension == ".XML" && gf_isHandmadeApf(file)) continue;
    if (const std::error_code removed = gf_removeIfPresent(file))
      gf_logError(fmt::format("Failed to remove {} ({})", gf_pathToUtf8(file), removed.message()));
  }
}

void lf_switchScanOff() {
  SCAN_AIRPORTS.setCurrent(false);
  SCAN_AIRPORTS.save();
  SCAN_AIRPORTS.showCheck();
  gf_repaintSettingsArea();
}

} // namespace

void gf_readRtAirportCodes() {
  rtAirportCodes.clear();
  std::string bytes;
  std::string cause;
  if (!gf_readFileBytes(icaoAirportsFile, bytes, cause))
    throw UserErrorException(missingFileErrorCode, fmt::format("File '{}' is missing?", gf_pathToUtf8(icaoAirportsFile)));
  std::istringstream in(bytes);
  std::vector<std::string> lines;
  gf_readStreamLines(in, lines);
  for (const std::string& line : lines) {
    std::istringstream words(line);
    for (std::string word; words >> word;) rtAirportCodes.insert(FixedCode<4>(word));  // a bad word throws
  }
  gf_log(fmt::format("{} ICAO codes of airports read", rtAirportCodes.size()));
}

void gf_scanAirportRoots(const std::vector<std::filesystem::path>& roots) {
  lf_removeGeneratedFiles(mySimaddonFolder);
  lf_removeGeneratedFiles(myThirdpartyFolder);
  ScanOutcome outcome;
  bool found = false;
  try {
    found = lf_runAirportScan(roots, outcome);
  } catch (...) {
    // The airport folders are emptied by now: left on, the scan would empty
    // them and end the same way at every start. The start-up thread reports it.
    lf_switchScanOff();
    throw;
  }
  if (!found) {
    gf_airportScanShell().showNotice("Warning: Scan has not found any add-on airports");
    gf_log("Warning: Scan has not found any add-on airports");
  }
  // A stopped scan is switched off too; the user switches it on to scan again.
  if (outcome.incomplete || gf_stopping())
    gf_log("The airports scan did not run to its end; switch it on to scan again");
  lf_switchScanOff();
}

void gf_scanAirports() {
  gf_airportScanShell().showNotice("Scanning for airports ...");
  gf_log(fmt::format("\n++++++++++++++++++++++++ airports scan {} starts +++++++++++++++++++++++++++++", "automatic "));
  simaddonAirportCount.store(0);
  gf_showScanCounts();
  thirdpartyAirportCount.store(0);
  gf_showScanCounts();
  gf_readRtAirportCodes();
  std::error_code error;
  if (platform::pathExists(tbloFolder, error)) gf_removeFilesFromDirectory(tbloFolder);
  else gf_makeFoldersOrThrow(tbloFolder);

  std::vector<std::filesystem::path> roots;
  roots.reserve(reservedScanRoots);
  for (const std::string_view sub : {SimEdition.load() ? officialFolderName : streamedPackagesFolderName,
                                     communityFolderName}) {
    std::filesystem::path root;
    gf_packagesSubPath(root, sub);
    if (!root.empty()) roots.push_back(root);
  }
  try {
    gf_scanAirportRoots(roots);
  } catch (...) {
    gf_closeFacilityReader();
    rtAirportCodes.clear();
    throw;
  }

  // Only an empty folder goes: files kept after a failed archive stay for the user.
  if (tbloFileCount.load() == 0 && gf_countFiles(tbloFolder) == 0) gf_removeTree(tbloFolder, error);
  gf_showScanCounts();
  gf_closeFacilityReader();
  rtAirportCodes.clear();
  gf_log("-------------------------- airports scan ends -------------------------------\n");
}

} // namespace gwr
