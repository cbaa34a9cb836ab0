// What the livery scan's workers share: the six report lists, the titles
// already taken in this scan and the titles never to use, each under its own lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "liveries/livery_record.h"
#include "refdata/livery_key.h"

namespace gwr {

// The report lists, one line per entry; the report writer turns each into its file.
enum class ScanReport : int {
  InvalidAirlineLines = 0,     // "InvalidAirlineCodes.txt"
  InvalidModelLines = 1,       // "InvalidAircraftCodes.txt"
  FixLines = 2,                // "Fixes.txt"
  InvalidCfgLines = 3,         // "InvalidAircraftCfgFiles.txt"
  IncompleteSectionLines = 4,  // "IncompleFltsimSections.txt"
  NoFltsimFiles = 5,           // "AircraftCfgWithNoFltsimSection.txt"
};
inline constexpr std::size_t scanReportCount = 6;

// The report file a list is written to.
const std::filesystem::path& gf_scanReportFile(ScanReport report);

// "{:12} in {} " + header: an airline code that is no ICAO airline code.
void gf_recordInvalidAirline(const std::string& code, const std::filesystem::path& file, const std::string& header);
// "{:16} in {}": a model code that is no ICAO model code and has no fix.
void gf_recordInvalidModel(const std::string& code, const std::filesystem::path& file);
void gf_addFixLine(std::string line);
void gf_addInvalidCfgLine(std::string line);
void gf_addIncompleteSectionLine(std::string line);
void gf_addNoFltsimFile(std::string line);

// A copy of one list, in the order the lines arrived.
std::vector<std::string> gf_scanReportLines(ScanReport report);
// The number of lines of one list.
std::size_t gf_scanReportSize(ScanReport report);

// The livery record when the title is new to this scan (it is taken then);
// the empty record, with duplicateLine filed in IncompleteSectionLines, when it
// was already taken. A key without airline or model gives the empty record and
// neither takes the title nor files the line. While a FindingsScope is
// active on the thread, only the scope's file is asked and the title is claimed there.
LiveryData gf_makeLiveryData(std::uint16_t folderRank, LivKey key, const std::string& title,
                             const std::string& registration, std::string duplicateLine);
std::size_t gf_scannedTitleCount();

// What one aircraft.cfg gave while a worker searched it: the titles it
// claimed and its report lines. The scan takes them in walk order, so the
// earlier file keeps a shared title whatever the worker timing, and a worker
// given up after a time-out can never write into the scan's lists.
class FileFindings {
public:
  // False when this file has claimed the title already.
  bool claim(const std::string& title, std::string duplicateLine);
  void addReportLine(ScanReport report, std::string line);
  // Files the report lines, then takes each livery's title for the scan; a
  // livery whose title is taken already is dropped and its line filed.
  // Start-up thread, in walk order.
  void settle(LiveryList& liveries);

private:
  std::map<std::string, std::string> duplicateLines;  // by title
  std::vector<std::pair<ScanReport, std::string>> reportLines;
};

// Points gf_makeLiveryData and the report lists on this thread at findings
// while it lives.
class FindingsScope {
public:
  explicit FindingsScope(FileFindings& findings);
  ~FindingsScope();
  FindingsScope(const FindingsScope&) = delete;
  FindingsScope& operator=(const FindingsScope&) = delete;

private:
  FileFindings* previous;
};

// Titles that must never become liveries, compared byte for byte; filled
// before a scan from the registration-code lists.
void gf_addDontUseTitle(std::string title);
bool gf_isDontUseTitle(const std::string& title);

// Empties every list (the fix lines too, so that a second scan in the same
// process reports only its own), the taken titles and the don't-use titles.
// Call when a scan starts, before the don't-use titles are filled.
void gf_clearScanReports();

// The path text used in report lines.
std::string gf_reportPathText(const std::filesystem::path& path);

} // namespace gwr
