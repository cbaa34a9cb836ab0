// Writing the six report lists of a livery scan to "output"/"errors" and
// "output"/"info", sorted, with their counts in the log.
#include "liveries/scan_report_files.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <system_error>

#include <fmt/format.h>

#include "core/file_maintenance.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/text_files.h"
#include "core/text_utils.h"
#include "liveries/scan_reports.h"

namespace gwr {

namespace {

namespace fs = std::filesystem;

// The count in the log still points at the file: say when it could not be written.
void lf_writeReport(const std::vector<std::string>& lines, const fs::path& file) {
  if (!gf_writeTextLines(lines, file)) gf_logError(fmt::format("Error writing file {}", gf_pathToUtf8(file)));
}

// Sorted lines of a list; with unique, each distinct line once.
std::vector<std::string> lf_sortedLines(ScanReport report, bool unique) {
  std::vector<std::string> lines = gf_scanReportLines(report);
  std::sort(lines.begin(), lines.end());
  if (unique) lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
  return lines;
}

// Writes a non-empty list to its file; the count of its entries (0: nothing written).
std::size_t lf_writeErrorReport(ScanReport report, bool unique = false) {
  const std::size_t count = gf_scanReportSize(report);
  if (count == 0) return 0;
  // A folder that cannot be made shows as the write's own failure below.
  std::string cause;
  gf_makeFolders(errorsFolder, cause);
  lf_writeReport(lf_sortedLines(report, unique), gf_scanReportFile(report));
  return count;
}

std::string lf_reportText(ScanReport report) { return gf_pathToUtf8(gf_scanReportFile(report)); }

void lf_writeFixesReport(std::size_t count) {
  // In the order recorded: files are settled in walk order whatever the
  // workers' timing, so this is the order the files were found in.
  const std::vector<std::string> lines = gf_scanReportLines(ScanReport::FixLines);
  const fs::path& file = gf_scanReportFile(ScanReport::FixLines);
  try {
    std::string cause;
    gf_makeFolders(file.parent_path(), cause);
    lf_writeReport(lines, file);
  } catch (const std::exception& error) {
    gf_log(fmt::format("Error writing file {}: {}", gf_pathToUtf8(file), error.what()));
  }
  gf_log(fmt::format("{:5} fixes, see {}", count, gf_pathToUtf8(file)));
}

} // namespace

void gf_removeOldReports() {
  const std::array<fs::path, 8> previous{noFltsimSectionFile,         inlineRegcodesFile,
                                         invalidAirlineCodesFile,     invalidAircraftCodesFile,
                                         fixesFile,                   invalidAircraftCfgFilesFile,
                                         incompleteFltsimSectionsFile, errorsFolder};
  try {
    for (const fs::path& path : previous) {
      std::error_code error;
      if (!gf_removePath(path, error) && error) throw fs::filesystem_error("remove", path, error);
    }
  } catch (const std::exception& error) {
    gf_log(fmt::format("problems with removing previous files: {}", error.what()));
  }
}

void gf_writeReportSummary() {
  bool anyError = false;
  for (ScanReport report : {ScanReport::InvalidAirlineLines, ScanReport::InvalidModelLines, ScanReport::FixLines,
                            ScanReport::InvalidCfgLines, ScanReport::IncompleteSectionLines})
    anyError = anyError || gf_scanReportSize(report) > 0;
  gf_log(anyError ? "\nErrors:" : "\nNo errors");

  using enum ScanReport;
  if (const std::size_t n = lf_writeErrorReport(InvalidAirlineLines); n > 0)
    gf_log(fmt::format("{:5} invalid airline code{}, see {}", n, gf_plural(std::uint64_t{n}),
                       lf_reportText(InvalidAirlineLines)));
  if (const std::size_t n = lf_writeErrorReport(InvalidModelLines); n > 0)
    gf_log(fmt::format("{:5} invalid model code{}, see {}", n, gf_plural(std::uint64_t{n}),
                       lf_reportText(InvalidModelLines)));
  if (const std::size_t n = gf_scanReportSize(FixLines); n > 0) lf_writeFixesReport(n);
  if (const std::size_t n = lf_writeErrorReport(InvalidCfgLines); n > 0)
    gf_log(fmt::format("{:5} invalid aircraft.cfg files, see {}", n, lf_reportText(InvalidCfgLines)));
  // Each distinct line is written once; the count is of all of them.
  if (const std::size_t n = lf_writeErrorReport(IncompleteSectionLines, true); n > 0)
    gf_log(fmt::format("{:5} incomplete [fltsim.x] sections, see {}", n, lf_reportText(IncompleteSectionLines)));

  gf_log("\nInformation:");
  const std::vector<std::string> empty = lf_sortedLines(ScanReport::NoFltsimFiles, false);
  if (!empty.empty()) {
    const fs::path& file = gf_scanReportFile(ScanReport::NoFltsimFiles);
    lf_writeReport(empty, file);
    gf_log(fmt::format("{:5} empty aircraft.cfg files, see {}", empty.size(), gf_pathToUtf8(file)));
  }
}

} // namespace gwr
