// The start-up thread's steps, in the order a run needs them: the program
// folder, the settings, the folders, the reference data and the liveries.
#include "app/run/startup.h"

#include "airports/apf_locations.h"
#include "app/run/closing_down.h"
#include "app/update/install_detection.h"
#include "app/update/refused_downloads.h"
#include "app/update/settings_migration.h"
#include "app/update/version_check.h"
#include "app/window/command_handlers.h"
#include "app/window/window_controls.h"

#include "core/clock.h"
#include "core/exit_reason.h"
#include "core/file_maintenance.h"
#include "core/log.h"
#include "core/main_window_state.h"
#include "core/paths.h"
#include "core/run_state.h"
#include "core/settings_catalogue.h"
#include "core/status_line.h"
#include "core/text_files.h"
#include "core/user_error.h"
#include "core/version.h"
#include "liveries/livery_processing.h"
#include "liveries/livery_scan.h"
#include "liveries/livery_search.h"
#include "liveries/livery_shell.h"
#include "platform/sys/folder_listing.h"
#include "refdata/airports_table.h"
#include "refdata/dbase_reader.h"
#include "traffic/engine/realtraffic_link.h"
#include "traffic/engine/traffic_engine.h"
#include "traffic/feed/reader_threads.h"

#include <filesystem>
#include <fmt/format.h>
#include <stdexcept>
#include <string_view>
#include <system_error>

namespace gwr {

bool productionMode = false;

namespace {

constexpr int notProgramFolderError = 41;
constexpr int noInstallPathError = 150;

// The reference database is read once per process: a restart keeps its tables.
bool dataFilesRead = false;

namespace fs = std::filesystem;

// The working folder must be the program's folder: it holds "docs".
void lf_checkProgramFolder() {
  std::error_code error;
  const bool found = platform::isFolder(docsFolder, error);
  if (error && error != std::errc::no_such_file_or_directory) throw fs::filesystem_error("status", docsFolder, error);
  if (!found) {
    throw UserErrorException(notProgramFolderError,
                             fmt::format("{} must be run from the {} folder!", programName, programName));
  }
}


// The packages folder of the edition in use, detected when none is stored.
void lf_settleInstallPath() {
  ALL_INSTALL_PATH.setCurrent(gf_editionInstallPath().current());
  gf_enableControl(ALL_INSTALL_PATH, true);
  gf_showStringParameter(ALL_INSTALL_PATH);
  if (ALL_INSTALL_PATH.current().empty() && !gf_detectPackagesPath()) {
    throw UserErrorException(noInstallPathError,
                             "No install path detected. Type the full path to your Community folder above, then press Enter");
  }
}

void lf_detectRealTraffic() {
  std::error_code error;
  const bool found = platform::pathExists(gf_getAppDataFolder() / "InsideSystems" / "RealTraffic.jar", error);
  realTrafficOnThisPc.store(found);
  setStatusText(fmt::format("RealTraffic {}detected at this PC", found ? "" : "not "), true);
}

// The data files are decrypted in memory; plain copies can only be left over
// from an older version killed during its start-up.
void lf_removeDecryptedFiles() {
  for (const fs::path& plain : {airportsXmlFile, regcodesXmlFile, dbaseXmlFile}) gf_removeFileWarn(plain);
}

// Scans the installed liveries when asked to or when no stored result exists,
// then builds the livery tables from the stored result.
void lf_liveries() {
  gf_setupSearchWorkers();
  std::error_code error;
  const bool stored = platform::pathExists(liveriesScannedFile, error);
  if (error) throw fs::filesystem_error("exists", liveriesScannedFile, error);
  if (SCAN_LIVERIES.current() || !stored) gf_scanLiveries();
  gf_processScannedLiveries();
}

// Saves go through a temporary beside the file they replace; a kill can
// leave one behind. Only those go: beside a file the program saves there.
void lf_removeStaleTemporaries() {
  constexpr int publisherFolderDepth = 1;  // learned/thirdparty/<publisher>/
  gf_removeStaleTemporaries(gf_perUserFolder(), [](std::string_view name) {
    return name == parametersFileName || name == refusedDownloadsFileName;
  });
  gf_removeStaleTemporaries(outputFolder, [](std::string_view name) {
    return name == gf_pathToUtf8(liveriesScannedFile.filename());
  });
  gf_removeStaleTemporaries(airportsFolder, [](std::string_view name) {
    return name == gf_pathToUtf8(myParkAirportsFile.filename());
  });
  for (const fs::path& folder : {mySimaddonFolder, myThirdpartyFolder, learnedStockFolder, learnedSimaddonFolder})
    gf_removeStaleTemporaries(folder, &gf_isApfFileName);
  gf_removeStaleTemporaries(learnedThirdpartyFolder, &gf_isApfFileName, publisherFolderDepth);
}

} // namespace

void lf_maintainFolders() {
  // Walked even when there: another user's link on the way is refused with
  // its line before anything is made or removed where it leads.
  for (const fs::path& folder : createdFolders) gf_makeFoldersOrThrow(folder);
  std::error_code error;
  if (!gf_removePath(objectIdListFile, error) && error) throw fs::filesystem_error("remove", objectIdListFile, error);
  lf_removeStaleTemporaries();
  gf_removeInterruptedDownloads(gf_interruptedDownloadFiles());
}

void lf_productionStop() {
  gf_log("production");
  try {
    exitCode.store(0);
    quitRequested.store(true);
    lf_closeRealTrafficLink();
    gf_requestUserStop();
  } catch (const std::exception& e) {
    gf_logError(fmt::format("exception {}", e.what()));
    exitCode.store(productionFailureExitCode);
  }
}

bool lf_readDataFiles() {
  lf_migrateParameters();
  gf_repaintBand(statusBand);
  lf_enableControlsAfterStart();
  gf_trimCommunityEnding();
  lf_maintainFolders();
  if (!restartRequested.load() && !checkVersions()) return false;
  weekTime.store(gf_weekdayAndSlot());
  if (!dataFilesRead) {
    const bool read = gf_readDbase();
    dataFilesRead = true;
    if (!read) throw std::runtime_error("reading data files failed!");
  }
  if (!gf_readAirports()) {
    throw std::runtime_error(fmt::format("reading '{}' failed!", gf_pathToUtf8(airportsEncFile)));
  }
  lf_settleInstallPath();
  gf_repaintBand(controlsBand);
  if (productionMode) {
    lf_productionStop();
    return false;
  }
  lf_detectRealTraffic();
  return true;
}

void gf_forgetDataFilesReadForTests() { dataFilesRead = false; }

bool lf_startUpData() {
  lf_checkProgramFolder();
  if (!lf_readDataFiles()) return false;
  lf_removeDecryptedFiles();
  // Tables a window control marked while a run used them are rebuilt here,
  // before any traffic reads them again.
  gf_rebuildLiveryTablesIfMarked();
  lf_liveries();
  return true;
}

} // namespace gwr
