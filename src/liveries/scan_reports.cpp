// The livery scan's shared report lists, taken titles and don't-use titles;
// every list has a lock of its own and no two are ever held together.
#include "liveries/scan_reports.h"

#include <array>
#include <mutex>
#include <set>
#include <utility>

#include <fmt/format.h>

#include "core/paths.h"
#include "platform/sys/native_path.h"

namespace gwr {

namespace {

struct ReportList {
  std::mutex lock;
  std::vector<std::string> lines;
};

// Indexed by ScanReport.
std::array<ReportList, scanReportCount> reportLists;

std::mutex scannedTitlesLock;
std::set<std::string> ScannedTitles;

std::mutex dontUseTitlesLock;
std::set<std::string> DontUseTitles;

// The findings of the file this thread is searching, if any.
thread_local FileFindings* activeFindings = nullptr;

bool lf_takeTitle(const std::string& title) {
  const std::lock_guard guard(scannedTitlesLock);
  return ScannedTitles.insert(title).second;
}

void lf_file(ScanReport report, std::string line) {
  ReportList& list = reportLists[static_cast<std::size_t>(report)];
  const std::lock_guard guard(list.lock);
  list.lines.push_back(std::move(line));
}

void lf_append(ScanReport report, std::string line) {
  if (activeFindings != nullptr) {
    activeFindings->addReportLine(report, std::move(line));
  } else {
    lf_file(report, std::move(line));
  }
}

} // namespace

const std::filesystem::path& gf_scanReportFile(ScanReport report) {
  static const std::array<std::filesystem::path, scanReportCount> files{
      invalidAirlineCodesFile, invalidAircraftCodesFile, fixesFile,
      invalidAircraftCfgFilesFile, incompleteFltsimSectionsFile, noFltsimSectionFile};
  return files.at(static_cast<std::size_t>(report));
}

std::string gf_reportPathText(const std::filesystem::path& path) { return platform::pathToUtf8(path); }

void gf_recordInvalidAirline(const std::string& code, const std::filesystem::path& file, const std::string& header) {
  lf_append(ScanReport::InvalidAirlineLines, fmt::format("{:12} in {} ", code, gf_reportPathText(file)) + header);
}

void gf_recordInvalidModel(const std::string& code, const std::filesystem::path& file) {
  lf_append(ScanReport::InvalidModelLines, fmt::format("{:16} in {}", code, gf_reportPathText(file)));
}

void gf_addFixLine(std::string line) { lf_append(ScanReport::FixLines, std::move(line)); }
void gf_addInvalidCfgLine(std::string line) { lf_append(ScanReport::InvalidCfgLines, std::move(line)); }
void gf_addIncompleteSectionLine(std::string line) {
  lf_append(ScanReport::IncompleteSectionLines, std::move(line));
}
void gf_addNoFltsimFile(std::string line) { lf_append(ScanReport::NoFltsimFiles, std::move(line)); }

std::vector<std::string> gf_scanReportLines(ScanReport report) {
  ReportList& list = reportLists.at(static_cast<std::size_t>(report));
  const std::lock_guard guard(list.lock);
  return list.lines;
}

std::size_t gf_scanReportSize(ScanReport report) {
  ReportList& list = reportLists.at(static_cast<std::size_t>(report));
  const std::lock_guard guard(list.lock);
  return list.lines.size();
}

LiveryData gf_makeLiveryData(std::uint16_t folderRank, LivKey key, const std::string& title,
                             const std::string& registration, std::string duplicateLine) {
  // A record the callers would drop must not take the title from a later,
  // usable section.
  if (key.airline == 0 || key.model == 0) return {};
  const bool isNew = activeFindings != nullptr ? activeFindings->claim(title, duplicateLine) : lf_takeTitle(title);
  if (!isNew) {
    gf_addIncompleteSectionLine(std::move(duplicateLine));
    return {};
  }
  return LiveryData{title, registration, key, folderRank};
}

bool FileFindings::claim(const std::string& title, std::string duplicateLine) {
  return duplicateLines.try_emplace(title, std::move(duplicateLine)).second;
}

void FileFindings::addReportLine(ScanReport report, std::string line) {
  reportLines.emplace_back(report, std::move(line));
}

void FileFindings::settle(LiveryList& liveries) {
  for (auto& [report, line] : reportLines) lf_file(report, std::move(line));
  reportLines.clear();
  liveries.remove_if([this](const LiveryData& livery) {
    if (lf_takeTitle(livery.title)) return false;
    const auto line = duplicateLines.find(livery.title);
    if (line != duplicateLines.end()) lf_file(ScanReport::IncompleteSectionLines, line->second);
    return true;
  });
}

FindingsScope::FindingsScope(FileFindings& findings) : previous(activeFindings) { activeFindings = &findings; }

FindingsScope::~FindingsScope() { activeFindings = previous; }

std::size_t gf_scannedTitleCount() {
  const std::lock_guard guard(scannedTitlesLock);
  return ScannedTitles.size();
}

void gf_addDontUseTitle(std::string title) {
  const std::lock_guard guard(dontUseTitlesLock);
  DontUseTitles.insert(std::move(title));
}

bool gf_isDontUseTitle(const std::string& title) {
  const std::lock_guard guard(dontUseTitlesLock);
  return DontUseTitles.contains(title);
}

void gf_clearScanReports() {
  for (ReportList& list : reportLists) {
    const std::lock_guard guard(list.lock);
    list.lines.clear();
  }
  {
    const std::lock_guard guard(scannedTitlesLock);
    ScannedTitles.clear();
  }
  const std::lock_guard guard(dontUseTitlesLock);
  DontUseTitles.clear();
}

} // namespace gwr
