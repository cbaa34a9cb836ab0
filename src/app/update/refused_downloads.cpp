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
#include "platform/sys/folder_listing.h"

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
  const platform::FileLook look = platform::lookAt(file, error);
  if (error || !look.isRegular() || look.bytes > refusedDownloadsMaxBytes) return lines;
  std::string bytes;
  std::string cause;
  // Looked at again once read: a file swapped in meanwhile may be larger.
  if (!gf_readFileBytes(file, bytes, cause) || bytes.size() > refusedDownloadsMaxBytes) return lines;
  gf_splitLines(bytes, lines);
  return lines;
}

// A line the list's reader gets back byte for byte: text that is not UTF-8
// would be written as replacement characters, three bytes for each bad one.
bool lf_readsBack(const std::string& line) {
  return !line.empty() && line.find('\r') == std::string::npos && !line.starts_with("\xEF\xBB\xBF") &&
         gf_isValidUtf8(line);
}

// The list's lines with entry moved to the end, lines that would not read back
// left out, and the oldest dropped beyond refusedDownloadsKept or the size the
// next start reads. A failed save is logged by the save itself.
void lf_remember(std::vector<std::string> lines, const std::string& entry) {
  std::erase(lines, entry);
  const std::size_t unreadable = std::erase_if(lines, [](const std::string& line) { return !lf_readsBack(line); });
  if (unreadable > 0)
    gf_logError(fmt::format("{}: {} unreadable lines left out", gf_pathToUtf8(lf_listFile()), unreadable));
  lines.push_back(entry);
  if (lines.size() > refusedDownloadsKept)
    lines.erase(lines.begin(), lines.end() - static_cast<std::ptrdiff_t>(refusedDownloadsKept));
  std::uintmax_t bytes = 0;
  for (const std::string& line : lines) bytes += line.size() + 1;  // and its line feed
  auto first = lines.begin();
  for (; bytes > refusedDownloadsMaxBytes && first + 1 != lines.end(); ++first) bytes -= first->size() + 1;
  lines.erase(lines.begin(), first);
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
