// The list of refused downloads: one "<file> <version>" per line in the
// per-user folder, written through the atomic save.
#include "app/update/refused_downloads.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include <fmt/format.h>

#include "core/log.h"
#include "core/paths.h"
#include "core/text_files.h"

namespace gwr {

namespace {

std::filesystem::path lf_listFile() { return gf_perUserFolder() / refusedDownloadsFileName; }

std::string lf_entry(std::string_view file, const VersionData& version) {
  return fmt::format("{} {}", file, version.text());
}

std::vector<std::string> lf_readList() {
  std::vector<std::string> lines;
  std::error_code error;
  const std::filesystem::path file = lf_listFile();
  const std::uintmax_t size = std::filesystem::file_size(file, error);
  if (error || size > refusedDownloadsMaxBytes) return lines;
  std::string bytes;
  std::string cause;
  if (!gf_readFileBytes(file, bytes, cause)) return lines;
  gf_splitLines(bytes, lines);
  return lines;
}

// The list's lines with entry moved to the end, the oldest beyond
// refusedDownloadsKept dropped. A failed save is logged by the save itself.
void lf_remember(std::vector<std::string> lines, const std::string& entry) {
  std::erase(lines, entry);
  lines.push_back(entry);
  if (lines.size() > refusedDownloadsKept)
    lines.erase(lines.begin(), lines.end() - static_cast<std::ptrdiff_t>(refusedDownloadsKept));
  std::string cause;
  gf_replaceTextLines(lines, lf_listFile(), cause);
}

} // namespace

FetchOutcome gf_fetchUnlessRefused(std::string_view file, const VersionData& version,
                                   const std::function<FetchOutcome()>& fetch) {
  const std::string entry = lf_entry(file, version);
  const std::string listed = gf_pathToUtf8(lf_listFile());
  std::vector<std::string> lines = lf_readList();
  if (std::find(lines.begin(), lines.end(), entry) != lines.end()) {
    gf_log(fmt::format("{} {} not fetched: it was refused before (remove its line from {} to try again)", file,
                       version.text(), listed));
    return FetchOutcome::refusedEarlier;
  }
  const FetchOutcome outcome = fetch();
  if (outcome != FetchOutcome::refused) return outcome;
  lf_remember(std::move(lines), entry);
  gf_logError(fmt::format("{} {} refused: not fetched again until a newer version (remembered in {})", file,
                          version.text(), listed));
  return outcome;
}

} // namespace gwr
