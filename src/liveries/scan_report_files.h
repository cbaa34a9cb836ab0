// The livery scan's report files: removing the previous scan's reports and
// writing each non-empty report list to its file with a summary in the log.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace gwr {

// Removes the previous scan's report files and then "output"/"errors" when it
// is empty. The first failure ends the removal and is logged; never throws.
// The scan result file is not among them: a scan replaces it only on success.
void gf_removeOldReports();

// Logs the summary lines and writes every non-empty report list to its file.
// Throws std::filesystem::filesystem_error when "output"/"errors" cannot be made.
void gf_writeReportSummary();

} // namespace gwr
