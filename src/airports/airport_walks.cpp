// The airport scan's walks: scenery files below a package root read through
// the simulator's facility data or the BGL reader, streamed packages by name.
#include "airports/airport_walks.h"

#include <array>
#include <string>
#include <string_view>
#include <system_error>

#include <fmt/format.h>

#include "airports/airport_scan.h"
#include "airports/airport_scan_shell.h"
#include "airports/apf_generation.h"
#include "airports/bgl_reader.h"
#include "airports/facility_reader.h"
#include "airports/package_manifest.h"
#include "airports/scan_log.h"
#include "airports/tblo_collection.h"
#include "core/file_maintenance.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/run_state.h"
#include "core/text_files.h"
#include "core/text_utils.h"
#include "platform/sys/folder_listing.h"
#include "refdata/airports_table.h"
#include "refdata/reference_queries.h"

namespace gwr {

namespace {

constexpr std::size_t shortManifestNameChars = 4;  // maker and creator both shorter: a stock-like package
constexpr int streamedCounterEvery = 10;

constexpr std::array<std::string_view, 7> skippedBglWords{
    "statics", "afcad updates", "_heliports", "duijffmedia-eham-remove", "immersivelights", "immersive-lights",
    "bksq-scenery-"};

constexpr std::array<std::string_view, 40> StreamedPackageSkipWords{
    "fs20-", "-landingchallenge-", "-cabin-services", "-credits-override", "-devmode-streamed", "-livingworld",
    "-fa18e-character", "-jetways", "-material-lib", "-palettelib", "-procedural-hangar-", "-eventtriggers",
    "-event-rescuechallenge", "-discovery-", "-challenges-", "-aircraft-", "-ships-", "-certification-",
    "-training-", "-activities-", "-passiveaircraft-", "-trainings-", "-fs-base-", "-runway-lights", "-travelbook-",
    "-simobjects-", "-airrace-", "-procedural-", "-palette-", "-spotlight-", "-modellib-", "-texturelib",
    "-textlib", "-scenery-", "-surface-", "-vfx-", "-coverage-", "-point-of-interest", "-proceduralgeneration",
    "-simattachmentlib-"};

constexpr std::array<std::string_view, 3> makerAirportFolderWords{"asobo-airport", "microsoft-airport",
                                                                  "microsoft-eddk"};

std::string lf_lowerAscii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return lower;
}

template <std::size_t N>
bool lf_containsAny(const std::string& text, const std::array<std::string_view, N>& words) {
  for (const std::string_view word : words)
    if (text.find(word) != std::string::npos) return true;
  return false;
}

bool lf_hasShortManifest(const ApfData& apf) {
  return apf.manifest && apf.manifest->manufacturer.size() < shortManifestNameChars &&
         apf.manifest->creator.size() < shortManifestNameChars;
}

void lf_facilityReadFailed(FixedCode<4> code) {
  const std::string line =
      fmt::format("Reading Facilites data for {} via SimConnect failed, is MSFS connected?", code.view());
  gf_log(line);
  gf_scanNote(line);
  gf_writeScanLog();
}

// Links or facility data for one airport whose record is filled; false asks
// for the BGL reader. The streamed walk shows its counters itself, every tenth
// of the maker's airports and at its end, so it passes showCounts false.
bool lf_linkOrReadFacilities(ApfData& apf, bool showCounts) {
  if (gf_writeApfLinks(apf)) {
    if (showCounts) gf_showAirportCounts(true, true);
    return true;
  }
  if (lf_hasShortManifest(apf)) return false;
  std::uint32_t helipads = 0;
  bool read = false;
  try {
    read = gf_readAirportStands(apf.icao.text(), apf, helipads);
  } catch (const SimulatorExceptionError& e) {
    // The simulator refused this one airport; it costs only its facility data.
    gf_scanNote(fmt::format("===> Facility data for {} ended by the simulator: {} ({})", apf.icao.view(),
                            e.simulatorLine(), e.what()));
  }
  if (!read) {
    lf_facilityReadFailed(apf.icao);
    return false;
  }
  gf_generateApf(apf, static_cast<std::int32_t>(helipads));
  if (showCounts) gf_showAirportCounts(false, true);
  return true;
}

// One airport package through its BGL path; false asks for the BGL reader.
bool lf_readFacilities(const std::filesystem::path& bglFile, const std::filesystem::path& root) {
  gf_scanNote(fmt::format("\nFac: {}", gf_pathToUtf8(bglFile)));
  ApfData apf;
  apf.packageFolder = bglFile;
  apf.BGLpath = gf_pathToUtf8(bglFile);
  apf.manifest = gf_searchManifest(bglFile);
  bool unsupported = false;
  const auto code = gf_detectAirportCode(apf, unsupported, root);
  if (!code) return unsupported;
  apf.icao = *code;
  return lf_linkOrReadFacilities(apf, true);
}

// The BGL reader's findings go to the report, the log and the airport folders.
class ScanBglEvents : public BglReaderEvents {
public:
  bool acceptCode(const std::string& code) override { return gf_isRtAirport(code).supported; }
  void note(std::string line) override { gf_scanNote(std::move(line)); }
  void log(std::string line, bool warning) override { warning ? gf_logError(line) : gf_log(line); }
  bool wantStands(ApfData& apf) override {
    apf.manifest = gf_searchManifest(apf.packageFolder);
    if (gf_writeApfLinks(apf)) {
      gf_showAirportCounts(true, true);
      return false;
    }
    return !lf_hasShortManifest(apf);
  }
  void airportRead(ApfData& apf, std::int32_t helipads) override {
    gf_generateApf(apf, helipads);
    gf_showAirportCounts(false, true);
  }
};

bool lf_isAirportBgl(const platform::ListedEntry& entry, const std::filesystem::path& root) {
  if (!entry.isRegular()) return false;
  if (lf_lowerAscii(gf_pathToUtf8(entry.path.extension())) != ".bgl") return false;
  if (lf_containsAny(gf_pathTextBelow(entry.path, root), skippedBglWords)) return false;
  return gf_bglHasAirport(entry.path);
}

// One scenery file; what it throws ends only this file.
void lf_scanBglFile(const std::filesystem::path& file, const std::filesystem::path& root) {
  try {
    if (lf_readFacilities(file, root)) return;
    gf_scanNote("Facilities reader did not succeed, trying the BGL file reader ...");
    ScanBglEvents events;
    gf_processBglFile(file, events);
  } catch (const std::exception& e) {
    gf_scanNote(fmt::format("===> airport file {} skipped, cause: {}", gf_pathToUtf8(file), e.what()));
    gf_logError(fmt::format("lf_scanBglFile: {}: {}", gf_pathToUtf8(file), e.what()));
  }
}

// The airport code of a streamed package from its folder name; none to skip it.
std::optional<FixedCode<4>> lf_streamedCode(const std::string& text, const char* foundFormat) {
  const auto code = gf_findAirportCodeInText(text);
  if (!code) return std::nullopt;
  if (!gf_isKnownAirport(*code)) {
    gf_scanNote("no supported airport ICAO in BGL path");
    return std::nullopt;
  }
  gf_scanNote(fmt::format(fmt::runtime(foundFormat), code->view()));
  return code;
}

// The code is looked for in the package's own name, below the root.
void lf_scanStreamedFolder(const std::filesystem::path& folder, const std::filesystem::path& root,
                           int& makerAirports) {
  const std::string text = gf_pathToUtf8(folder);
  const std::string below = gf_pathTextBelow(folder, root);
  gf_scanNote(fmt::format("\n{}", text));
  ApfData apf;
  apf.packageFolder = folder;
  apf.BGLpath = text;
  if (lf_containsAny(below, makerAirportFolderWords)) {
    const auto code = lf_streamedCode(below, "airport has '{}' in directory path");
    if (!code) return;
    if (++makerAirports % streamedCounterEvery == 0) {
      simaddonAirportCount.store(makerAirports);
      gf_showScanCounts();
    }
    apf.icao = *code;
    apf.publisher = std::string(simaddonPublisher);
    apf.manifest = ManifestInfo{"", "", "microsoft", "asobo"};
    lf_linkOrReadFacilities(apf, false);
    return;
  }
  const auto code = lf_streamedCode(below, "airport has '{}' in folder path");
  if (!code) return;
  gf_writeScanLog();
  apf.icao = *code;
  if (const auto publisher = gf_publisherOfPath(text)) {
    apf.publisher = *publisher;
    gf_scanNote(fmt::format("publisher '{}' found", *publisher));
  }
  gf_writeScanLog();
  lf_linkOrReadFacilities(apf, false);
}

} // namespace

bool gf_writeScanLog() {
  std::error_code ignored;  // a folder that cannot be made shows in the write
  gf_makeFolders(infoFolder, ignored);
  return gf_writeTextLines(ScanLog, airportsScanLogFile);
}

void gf_showAirportCounts(bool simaddon, bool thirdparty) {
  if (simaddon) {
    simaddonAirportCount.store(gf_countFiles(mySimaddonFolder));
    gf_showScanCounts();
  }
  if (thirdparty) {
    thirdpartyAirportCount.store(gf_countFiles(myThirdpartyFolder));
    gf_showScanCounts();
  }
}

bool gf_isExcludedPackagePath(const std::filesystem::path& path, const std::filesystem::path& root) {
  const std::string full = gf_pathToUtf8(path);
  if (full.size() >= longestScannedPathChars) return true;
  const std::string text = gf_pathTextBelow(path, root);
  static constexpr std::array<std::string_view, 13> words{
      "tutorials", "aircraft", "bushtrip", "discovery", "point-of-interest", "simobjects", "vcockpits",
      "aig-aitraffic", "justflight-aircraft", "fsltl", "gsx-pro", "gsx-world", "landingchallenge"};
  const std::string lower = lf_lowerAscii(text);
  return lower.find(lf_lowerAscii(fsBasePackageName)) != std::string::npos || lf_containsAny(lower, words);
}

WalkOutcome gf_scanBglFolder(const std::filesystem::path& folder) {
  const std::string header = fmt::format("\n***** Scanning for {} airports in:\n{}\n", "addon", gf_pathToUtf8(folder));
  gf_airportScanShell().showNotice(header);
  gf_log(header);
  gf_scanNote(header);
  WalkOutcome outcome;
  std::error_code error;
  // Folders this run may not read are passed over, as the user's own.
  const platform::PassOver denied = [](const std::filesystem::path&, const std::error_code& cause) {
    return cause == std::errc::permission_denied;
  };
  platform::walkTree(folder, [&](const platform::ListedEntry& entry) {
    if (gf_isExcludedPackagePath(entry.path, folder)) return platform::TreeStep::over;
    if (!lf_isAirportBgl(entry, folder)) return platform::TreeStep::into;
    if (gf_stopping()) {
      outcome.stopped = true;
      return platform::TreeStep::stop;
    }
    lf_scanBglFile(entry.path, folder);
    return platform::TreeStep::into;
  }, error, denied);
  if (outcome.stopped) return outcome;
  if (error) {
    outcome.aborted = true;
    gf_scanNote(fmt::format("{} airports search in folder {} aborted, cause: {}", "===> ", gf_pathToUtf8(folder),
                            error.message()));
  }
  return outcome;
}

WalkOutcome gf_scanStreamedAirports(const std::filesystem::path& root) {
  gf_airportScanShell().showNotice("Scanning for streamed airports ...");
  gf_scanNote(fmt::format("\n***** Scanning for streamed airports in:\n{}\n", gf_pathToUtf8(root)));
  WalkOutcome outcome;
  int makerAirports = 0;
  std::error_code error;
  for (const platform::ListedEntry& entry : platform::listFolder(root, error)) {
    if (!entry.isFolder()) continue;
    const std::filesystem::path folder = entry.path;
    if (lf_containsAny(gf_pathTextBelow(folder, root), StreamedPackageSkipWords)) continue;
    if (gf_stopping()) {
      outcome.stopped = true;
      break;
    }
    try {
      lf_scanStreamedFolder(folder, root, makerAirports);
    } catch (const std::exception& e) {
      gf_scanNote(fmt::format("===> airport package {} skipped, cause: {}", gf_pathToUtf8(folder), e.what()));
      gf_logError(fmt::format("lf_scanStreamedFolder: {}: {}", gf_pathToUtf8(folder), e.what()));
    }
    if (gf_stopping()) {
      outcome.stopped = true;
      break;
    }
  }
  if (error) {
    outcome.aborted = true;
    gf_scanNote(fmt::format("{} airports search in folder {} aborted, cause: {}", "===> ", gf_pathToUtf8(root),
                            error.message()));
  }
  gf_writeScanLog();
  gf_collectSimaddonFiles();
  gf_showAirportCounts(true, false);
  return outcome;
}

} // namespace gwr
