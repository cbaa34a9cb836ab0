// The livery scan driver: folder choice, the search of each folder, the
// priority pass, and the result file that replaces the previous one only on success.
#include "liveries/livery_scan.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <system_error>
#include <unordered_map>
#include <vector>

#include <fmt/format.h>

#include "core/log.h"
#include "core/main_window_state.h"
#include "core/paths.h"
#include "core/run_state.h"
#include "core/settings_catalogue.h"
#include "core/status_line.h"
#include "core/text_files.h"
#include "core/text_utils.h"
#include "core/user_error.h"
#include "core/version.h"
#include "liveries/ivao_section.h"
#include "liveries/livery_processing.h"
#include "liveries/livery_record.h"
#include "liveries/livery_search.h"
#include "liveries/livery_shell.h"
#include "liveries/regcode_lists.h"
#include "liveries/scan_report_files.h"
#include "liveries/scan_reports.h"
#include "platform/sys/case_insensitive.h"
#include "platform/sys/folder_listing.h"

namespace gwr {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view convertedWord = "_CVT_";

enum class FolderScan { Found, NothingFound, Stopped };

// The first entry of the "Community" folder whose name holds one of texts,
// in any letter case as Windows users may have renamed it.
void lf_detectPackage(const fs::path& community, FolderList& folders, std::initializer_list<std::string_view> texts,
                      std::string_view label) {
  std::error_code error;
  const std::vector<platform::ListedEntry> entries = platform::listFolder(community, error);
  if (error) throw fs::filesystem_error("list", community, error);
  for (const platform::ListedEntry& entry : entries) {
    const std::string name = entry.path.filename().string();
    if (name.find(convertedWord) != std::string::npos) continue;
    const bool matches = std::any_of(texts.begin(), texts.end(),
                                     [&name](std::string_view text) { return platform::containsNoCase(name, text); });
    if (!matches) continue;
    gf_log(fmt::format("Automatic {} scan found folder: '{}'", label, entry.path.string()));
    folders.push_back(entry.path);
    return;
  }
}

void lf_autoScanAIG(const fs::path& community, FolderList& folders) {
  lf_detectPackage(community, folders, {"aig-aitraffic-oci"}, "AIG");
}
void lf_autoScanFSLTL(const fs::path& community, FolderList& folders) {
  lf_detectPackage(community, folders, {"fsltl-traffic-base"}, "FSLTL");
}
void lf_autoScanIVAO_MTL(const fs::path& community, FolderList& folders) {
  lf_detectPackage(community, folders, {ivaoMtlPackage}, ivaoMtlPackage);
}
void lf_autoScanJF(const fs::path& community, FolderList& folders) {
  lf_detectPackage(community, folders, {"justflight-aircraft-traffic-fleet", "justflight-fstraffic-module"}, "JF");
}
void lf_autoScanUserAiTraffic(const fs::path& community, FolderList& folders) {
  lf_detectPackage(community, folders, {"user-aitraffic"}, "user-aitraffic");
}

AiPackageDetector lf_detectorOf(std::string_view word) {
  if (word == "AIG") return lf_autoScanAIG;
  if (word == "FSLTL") return lf_autoScanFSLTL;
  if (word == "JF") return lf_autoScanJF;
  if (word == "MTL") return lf_autoScanIVAO_MTL;
  return nullptr;
}

std::string lf_foundInText(const fs::path& folder) { return fmt::format("found in {}", folder.string()); }

// The save goes through a temporary file, so a failed write leaves the
// previous result whole.
void lf_replaceResultFile() {
  if (!gf_writeLiveriesScanned(ScannedLiveries, liveriesScannedFile))
    throw std::runtime_error(fmt::format("{} could not be written", gf_pathToUtf8(liveriesScannedFile)));
}

// Workers given up after a time-out write only into their own results, so
// the scan goes on without them; their files are in the report.
void lf_releaseWorkers() {
  if (const std::size_t running = gf_releaseSearchWorkers(); running > 0)
    gf_log(fmt::format("{} aircraft.cfg search{} given up still running", running, running == 1 ? "" : "es"));
}

FolderScan lf_stopped() {
  ScannedLiveries.clear();
  lf_releaseWorkers();
  return FolderScan::Stopped;
}

FolderScan lf_scanLiveryFolders(const FolderList& folders) {
  // Found before the search rather than after it.
  gf_requireScanResultNotFolder(liveriesScannedFile);
  ScannedLiveries.clear();
  lf_releaseWorkers();
  // The reports describe one scan: a scan that stops or finds nothing must
  // not leave the previous one's behind. The result file stays until a new
  // one replaces it.
  gf_removeOldReports();
  // A second scan in the process must not see the first one's titles or lines.
  gf_clearScanReports();
  gf_readDontUseTitles();

  std::uint64_t total = 0;
  int rank = 0;
  for (const fs::path& folder : folders) {
    if (folder.empty()) continue;
    std::error_code error;
    const platform::FileLook look = platform::lookAt(folder, error);
    if (!look.exists() && !error) {
      gf_log(folder.string() + " does not exist, skipped!");
      continue;
    }
    // A looping link, for one: the other folders are still worth searching.
    if (error) {
      gf_logError(fmt::format("{} cannot be read ({}), skipped!", folder.string(), error.message()));
      continue;
    }
    if (!look.isFolder()) {
      gf_log(folder.string() + " is not a folder name, skipped!");
      continue;
    }
    rank = std::min(rank + 1, maxFolderRank);
    if (gf_stopping()) return lf_stopped();
    const std::size_t before = ScannedLiveries.size();
    const SearchOutcome outcome = gf_searchLiveriesInFolder(rank, folder);
    if (outcome == SearchOutcome::Stopped) return lf_stopped();
    if (outcome == SearchOutcome::Stalled) {
      ScannedLiveries.clear();
      lf_releaseWorkers();
      throw std::runtime_error(fmt::format("liveries search in {} stalled, scan not completed", folder.string()));
    }
    const std::uint64_t found = ScannedLiveries.size() - before;
    if (found > 0) {
      gf_log(fmt::format("{} liverie{} {}", found, gf_plural(found), lf_foundInText(folder)));
      total += found;
    } else {
      gf_log(fmt::format("No liveries {}", lf_foundInText(folder)));
    }
  }
  lf_releaseWorkers();
  if (gf_stopping()) return lf_stopped();
  if (ScannedLiveries.empty()) {
    liveryCount.store(0);
    gf_mainWindow().liveries.store(0);
    gf_repaintStatusPanel();
    return FolderScan::NothingFound;
  }
  if (folders.size() > 1) gf_log(fmt::format("{} in total", total));
  if (LIG_PRIORITIZE.current()) gf_prioritizeLiveries();
  gf_sortUniqueLiveries(ScannedLiveries);

  lf_replaceResultFile();
  ScannedLiveries.clear();
  gf_writeReportSummary();
  gf_clearScanReports();
  clearStatusText();
  return FolderScan::Found;
}

} // namespace

void gf_findAiPackages(const std::filesystem::path& community, FolderList& folders) {
  if (!AI_PACKAGE_SELECTOR.indexOfValue())
    throw std::runtime_error(fmt::format("{} not set", AI_PACKAGE_SELECTOR.key));
  for (const std::string& word : gf_splitComma(AI_PACKAGE_SELECTOR.current()))
    if (const AiPackageDetector detector = lf_detectorOf(word)) detector(community, folders);
  lf_autoScanUserAiTraffic(community, folders);
}

void gf_checkLiveryFolderParameters(FolderList& folders) {
  for (const StringParameter& setting : lfolders) {
    const std::string value = setting.current();
    if (value.empty()) continue;
    const fs::path folder(value);
    std::error_code error;
    if (!platform::pathExists(folder, error) || error) {
      gf_logError(fmt::format("{}: '{}' does not exist", setting.key, value));
      throw UserErrorException(
          missingLfolderError,
          fmt::format("the path pointed to by parameter '{}' does not exist, see Log.txt!", setting.key));
    }
    folders.push_back(folder);
  }
}

void gf_prioritizeLiveries() {
  const auto triple = [](const LiveryData& livery) {
    return (std::uint64_t{livery.key.airline} << 32U) | (std::uint64_t{livery.key.airlineOperator} << 16U) |
           std::uint64_t{livery.key.model};
  };
  std::unordered_map<std::uint64_t, std::uint16_t> lowestRank;
  for (const LiveryData& livery : ScannedLiveries) {
    const auto [entry, isNew] = lowestRank.try_emplace(triple(livery), livery.folderRank);
    if (!isNew) entry->second = std::min(entry->second, livery.folderRank);
  }
  ScannedLiveries.remove_if(
      [&](const LiveryData& livery) { return livery.folderRank > lowestRank.at(triple(livery)); });
}

ScanResult gf_scanLiveries() {
  gf_enableControl(AI_PACKAGE_SELECTOR, false);
  setStatusText(fmt::format("Scanning {}for liveries ...", LIG_PRIORITIZE.current() ? "prioritized " : ""), false);
  const bool automatic = LIG_AUTOMATIC.current();
  gf_log(fmt::format("\n++++++++++++++++++++++++ liveries scan {} starts ++++++++++++++++++++++++++++++++",
                     automatic ? "automatic" : "manual"));
  liveryCount.store(0);
  gf_mainWindow().liveries.store(0);
  gf_repaintStatusPanel();

  FolderList folders;
  folders.reserve(reservedScanFolders);
  if (automatic) {
    fs::path community;
    gf_packagesSubPath(community, communityFolderName);
    if (!community.empty()) gf_findAiPackages(community, folders);
  } else {
    gf_checkLiveryFolderParameters(folders);
  }
  if (folders.empty()) {
    if (automatic) {
      gf_enableControl(AI_PACKAGE_SELECTOR, true);
      throw UserErrorException(noAiPackagesError, "Automatic scan has not found any AI packages, choose a different "
                                                  "selection (or go to Manual mode, see Manual 5.2)");
    }
    gf_openManualFolder();
    gf_openParametersFolder();
    throw UserErrorException(
        noLfolderSetError,
        fmt::format("Exit {} first!   Then set one or more lfolder parameters to your liveries, see Manual 5.2",
                    programName));
  }

  const FolderScan scanned = lf_scanLiveryFolders(folders);
  if (scanned == FolderScan::Stopped) {
    clearStatusText();
    gf_log("Liveries scan stopped; the previous result is kept");
    return ScanResult::Stopped;
  }
  if (scanned == FolderScan::NothingFound) {
    if (!automatic) throw UserErrorException(noLiveriesManualError, "no liveries found");
    gf_enableControl(AI_PACKAGE_SELECTOR, true);
    throw UserErrorException(noLiveriesAutomaticError,
                             "Automatic scan has not found any liveries, choose a different selection, or switch off "
                             "automatic and set lfolder parameter(-s)");
  }

  SCAN_LIVERIES.setCurrent(false);
  SCAN_LIVERIES.save();
  SCAN_LIVERIES.showCheck();
  gf_repaintSettingsArea();
  gf_enableControl(AI_PACKAGE_SELECTOR, true);
  gf_repaintStatusPanel();
  gf_log("\n++++++++++++++++++++++++ liveries scan ends ++++++++++++++++++++++++++++++++\n");
  return ScanResult::Written;
}

} // namespace gwr
