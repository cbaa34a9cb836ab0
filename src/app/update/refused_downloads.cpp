// The list of size-refused downloads: one "<file> <version>" per line in the
// per-user folder, written through the atomic save.
#include "app/update/refused_downloads.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>
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

} // namespace

bool gf_wasRefusedForSize(std::string_view file, const VersionData& version) {
  const std::vector<std::string> lines = lf_readList();
  return std::find(lines.begin(), lines.end(), lf_entry(file, version)) != lines.end();
}

void gf_rememberRefusedForSize(std::string_view file, const VersionData& version) {
  std::vector<std::string> lines = lf_readList();
  const std::string entry = lf_entry(file, version);
  std::erase(lines, entry);
  lines.push_back(entry);
  if (lines.size() > refusedDownloadsKept)
    lines.erase(lines.begin(), lines.end() - static_cast<std::ptrdiff_t>(refusedDownloadsKept));
  std::string cause;
  if (!gf_replaceTextLines(lines, lf_listFile(), cause))
    gf_logError(fmt::format("{} not written: {}", refusedDownloadsFileName, cause));
}

} // namespace gwr
