// Backup generation, quiet removal, emptying and counting of folders, and the
// airport codes of a folder's XML files; problems go to the log.
#include "core/file_maintenance.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <thread>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include <fmt/format.h>

#include "core/log.h"
#include "core/paths.h"
#include "core/text_files.h"
#include "platform/sys/case_insensitive.h"
#include "platform/sys/folder_listing.h"
#include "platform/sys/native_path.h"
#include "platform/sys/path_walker.h"

namespace gwr {

namespace {

constexpr std::size_t lf_expectedXmlFiles = 512;  // room reserved for airport codes
constexpr std::size_t lf_airportCodeLength = 4;
// The shape of a save's temporary name: the thread's hash in fixed width and
// a counter no larger than an unsigned int.
constexpr std::size_t lf_temporaryHexDigits = 16;
constexpr std::size_t lf_maxCounterDigits = 10;

bool lf_isXmlFile(const std::filesystem::path& file) {
  return platform::equalsNoCase(platform::pathToUtf8(file.extension()), ".xml");
}

// Removes the regular files directly in folder that keep pass; never throws.
// Removed through the folder's descriptor: another user's link at the folder
// or on its way would have a run as root empty a folder of that user's choosing.
template <typename Filter>
void lf_removeFiles(const std::filesystem::path& folder, Filter keep, std::string_view caller) {
  try {
    platform::FileKind kind = platform::FileKind::missing;
    const platform::Folder held(folder, kind);
    if (kind == platform::FileKind::foreignLink) {
      gf_logError(fmt::format("{} not emptied: {}", platform::pathToUtf8(folder), foreignLinkCause));
      return;
    }
    if (!held.isOpen()) return;  // nothing there or no folder: nothing to empty
    std::error_code error;
    const std::vector<platform::ListedEntry> entries = platform::listFolder(held, folder, error, true);
    if (error) throw std::filesystem::filesystem_error("list", folder, error);
    for (const platform::ListedEntry& entry : entries) {
      if (!entry.isRegular() || !keep(entry.path)) continue;
      if (!platform::removeIn(held, entry.path.filename()) && errno != ENOENT)
        gf_logError(fmt::format("Failed to remove {} ({})", platform::pathToUtf8(entry.path),
                                std::generic_category().message(errno)));
    }
  } catch (const std::exception& e) {
    gf_logError(fmt::format("{} exception: {}", caller, e.what()));
  }
}

// A folder's entries; a folder that cannot be listed throws filesystem_error.
std::vector<platform::ListedEntry> lf_listOrThrow(const std::filesystem::path& folder) {
  std::error_code error;
  std::vector<platform::ListedEntry> entries = platform::listFolder(folder, error);
  if (error) throw std::filesystem::filesystem_error("list", folder, error);
  return entries;
}

} // namespace

bool gf_save1GenerationOf(const std::filesystem::path& file) {
  const std::string target = gf_generationName(file, 1);
  if (target.empty()) {
    gf_logError(fmt::format("gf_save1GenerationOf: no dot in filename: {}", platform::pathToUtf8(file)));
    return false;
  }
  std::error_code error;
  // Another user's link at the file is refused by the copy below, and said so.
  const platform::FileLook look = platform::lookAt(file, error);
  const bool present = look.exists();
  if (error && look.kind != platform::FileKind::foreignLink) {
    gf_logError(fmt::format("exists({}): {}", platform::pathToUtf8(file), error.message()));
    return false;
  }
  if (!present) return true;
  // The old copy goes first: a link, pipe or second name of another file
  // left at the copy's name is taken away, never written through or waited on.
  // Through the copy's folder, so that another user's link on the way does
  // not take away a file of root's.
  const std::filesystem::path copy = platform::pathFromUtf8(target);
  platform::FileKind kind = platform::FileKind::missing;
  const platform::Folder folder = platform::Folder::of(copy, kind);
  std::string cause = kind == platform::FileKind::foreignLink ? std::string(foreignLinkCause)
                                                               : std::generic_category().message(errno);
  const bool cleared = folder.isOpen() && (platform::removeIn(folder, copy.filename()) || errno == ENOENT);
  if (folder.isOpen() && !cleared) cause = std::generic_category().message(errno);
  if (cleared && gf_copyFile(file, copy, cause)) return true;
  gf_logError(fmt::format("copy {} -> {} failed: {}", platform::pathToUtf8(file), target, cause));
  return false;
}

namespace {

void lf_logRefusal(const std::filesystem::path& path, std::string_view done, const std::error_code& error) {
  if (error == platform::foreignLinkError())
    gf_logError(fmt::format("{} not {}: {}", platform::pathToUtf8(path), done, foreignLinkCause));
}

} // namespace

bool gf_makeFolders(const std::filesystem::path& folder, std::error_code& error) {
  const bool made = platform::makeFolders(folder, error);
  lf_logRefusal(folder, "made", error);
  return made;
}

void gf_makeFoldersOrThrow(const std::filesystem::path& folder) {
  std::error_code error;
  if (!gf_makeFolders(folder, error)) throw std::filesystem::filesystem_error("make folders", folder, error);
}

bool gf_removePath(const std::filesystem::path& path, std::error_code& error) {
  const bool removed = platform::removePath(path, error);
  lf_logRefusal(path, "removed", error);
  return removed;
}

std::uintmax_t gf_removeTree(const std::filesystem::path& path, std::error_code& error) {
  const std::uintmax_t removed = platform::removeTree(path, error);
  lf_logRefusal(path, "removed", error);
  return removed;
}

void gf_removeFileWarn(const std::filesystem::path& file) {
  if (!platform::lookAt(file).exists()) return;
  std::error_code error;
  gf_removePath(file, error);
  if (error)
    gf_logError(
        fmt::format("Warning: could not remove {}, errorcode: {}", platform::pathToUtf8(file), error.message()));
}

std::error_code gf_removeIfPresent(const std::filesystem::path& file) {
  std::error_code error;
  gf_removePath(file, error);
  return error;
}

void gf_removeFilesFromDirectory(const std::filesystem::path& folder) {
  lf_removeFiles(
      folder, [](const std::filesystem::path&) { return true; }, "gf_removeFilesFromDirectory");
}

void gf_removeXMLFilesFromDirectory() {
  lf_removeFiles(tbloFolder, lf_isXmlFile, "gf_removeXMLFilesFromDirectory");
}

std::int64_t gf_countFiles(const std::filesystem::path& folder) {
  if (!platform::lookAt(folder).exists()) return 0;
  std::int64_t count = 0;
  for (const platform::ListedEntry& entry : lf_listOrThrow(folder))
    if (entry.isRegular()) ++count;
  return count;
}

std::vector<FixedCode<4>> gf_listXmlFileCodes(const std::filesystem::path& folder) {
  std::vector<FixedCode<4>> codes;
  if (!platform::lookAt(folder).exists()) return codes;
  codes.reserve(lf_expectedXmlFiles);
  for (const platform::ListedEntry& entry : lf_listOrThrow(folder)) {
    if (!entry.isRegular() || !lf_isXmlFile(entry.path)) continue;
    const std::string stem = platform::pathToUtf8(entry.path.stem());
    if (stem.size() != lf_airportCodeLength) continue;
    // A user's own file whose name is no code must not cost the scan its
    // collection: it is named and passed over.
    try {
      codes.emplace_back(stem);
    } catch (const std::invalid_argument&) {
      gf_logError(fmt::format("{} passed over: its name is no airport code", platform::pathToUtf8(entry.path)));
    }
  }
  return codes;
}

std::filesystem::path gf_temporaryPathFor(const std::filesystem::path& file) {
  static std::atomic<unsigned> counter{0};
  const auto thread = static_cast<std::uint64_t>(std::hash<std::thread::id>{}(std::this_thread::get_id()));
  std::filesystem::path temporary = file;
  temporary += fmt::format(".{:0{}x}-{}.tmp", thread, lf_temporaryHexDigits, counter++);
  return temporary;
}

std::string_view gf_savedNameOfTemporary(std::string_view fileName) {
  // "<saved name>.<16 lower-case hex digits>-<counter>.tmp", the counter
  // written without leading zeros.
  constexpr std::string_view suffix = ".tmp";
  if (!fileName.ends_with(suffix)) return {};
  const std::string_view stem = fileName.substr(0, fileName.size() - suffix.size());
  const std::size_t dash = stem.rfind('-');
  if (dash == std::string_view::npos || dash < lf_temporaryHexDigits + 2) return {};
  const std::string_view number = stem.substr(dash + 1);
  const std::string_view hex = stem.substr(dash - lf_temporaryHexDigits, lf_temporaryHexDigits);
  const bool counter = !number.empty() && number.size() <= lf_maxCounterDigits &&
                       std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
                       (number.size() == 1 || number.front() != '0');
  const bool lowerHex =
      std::all_of(hex.begin(), hex.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
  if (!counter || !lowerHex || stem[dash - lf_temporaryHexDigits - 1] != '.') return {};
  return stem.substr(0, dash - lf_temporaryHexDigits - 1);
}

namespace {

// A stale temporary goes; true when removed.
bool lf_removeIfStale(const platform::ListedEntry& entry, SavedNameFilter savedHere) {
  std::error_code failed;
  if (!entry.isRegular() || entry.link) return false;
  const std::string name = platform::pathToUtf8(entry.path.filename());
  const std::string_view saved = gf_savedNameOfTemporary(name);
  if (saved.empty() || !savedHere(saved)) return false;
  if (gf_removePath(entry.path, failed)) {
    gf_log(fmt::format("Removed {}, left by an interrupted save", platform::pathToUtf8(entry.path)));
    return true;
  }
  if (failed) gf_logError(fmt::format("Failed to remove {} ({})", platform::pathToUtf8(entry.path), failed.message()));
  return false;
}

std::size_t lf_removeStaleIn(const std::filesystem::path& folder, SavedNameFilter savedHere, int depth) {
  std::size_t removed = 0;
  std::error_code error;
  for (const platform::ListedEntry& entry : platform::listFolder(folder, error, true)) {
    if (depth > 0 && entry.isFolder() && !entry.link)
      removed += lf_removeStaleIn(entry.path, savedHere, depth - 1);
    else if (lf_removeIfStale(entry, savedHere))
      ++removed;
  }
  if (error) gf_logError(fmt::format("gf_removeStaleTemporaries {}: {}", platform::pathToUtf8(folder), error.message()));
  return removed;
}

} // namespace

std::size_t gf_removeInterruptedDownloads(const std::vector<std::filesystem::path>& files) {
  std::size_t removed = 0;
  for (const std::filesystem::path& file : files) {
    std::error_code error;
    // A link is left alone: its own kind, not where it leads.
    if (platform::kindOfFile(file, platform::LinkAtName::refused) != platform::FileKind::regular) continue;
    if (gf_removePath(file, error)) {
      gf_log(fmt::format("Removed {}, left by an interrupted download", platform::pathToUtf8(file)));
      ++removed;
    } else if (error) {
      gf_logError(fmt::format("Failed to remove {} ({})", platform::pathToUtf8(file), error.message()));
    }
  }
  return removed;
}

std::size_t gf_removeStaleTemporaries(const std::filesystem::path& folder, SavedNameFilter savedHere,
                                      int subfolderDepth) {
  std::error_code error;
  if (savedHere == nullptr || !platform::isFolder(folder, error))
    return 0;
  return lf_removeStaleIn(folder, savedHere, subfolderDepth);
}

} // namespace gwr
