// Backup generation, quiet removal, emptying and counting of folders, and the
// airport codes of a folder's XML files; problems go to the log.
#include "core/file_maintenance.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <exception>
#include <functional>
#include <thread>
#include <string>
#include <string_view>
#include <system_error>

#include <fmt/format.h>

#include "core/log.h"
#include "core/paths.h"
#include "platform/sys/case_insensitive.h"
#include "platform/sys/native_path.h"

namespace gwr {

namespace {

constexpr std::size_t lf_expectedXmlFiles = 512;  // room reserved for airport codes
constexpr std::size_t lf_airportCodeLength = 4;

bool lf_isXmlFile(const std::filesystem::path& file) {
  return platform::equalsNoCase(platform::pathToUtf8(file.extension()), ".xml");
}

// Removes the regular files directly in folder that keep pass; never throws.
template <typename Filter>
void lf_removeFiles(const std::filesystem::path& folder, Filter keep, std::string_view caller) {
  try {
    if (!std::filesystem::is_directory(folder)) return;
    for (const auto& entry :
         std::filesystem::directory_iterator(folder, std::filesystem::directory_options::skip_permission_denied)) {
      if (!entry.is_regular_file() || !keep(entry.path())) continue;
      std::error_code error;
      std::filesystem::remove(entry.path(), error);
      if (error)
        gf_logError(fmt::format("Failed to remove {} ({})", platform::pathToUtf8(entry.path()), error.message()));
    }
  } catch (const std::exception& e) {
    gf_logError(fmt::format("{} exception: {}", caller, e.what()));
  }
}

} // namespace

bool gf_save1GenerationOf(const std::filesystem::path& file) {
  const std::string target = gf_generationName(file, 1);
  if (target.empty()) {
    gf_logError(fmt::format("gf_save1GenerationOf: no dot in filename: {}", platform::pathToUtf8(file)));
    return false;
  }
  std::error_code error;
  const bool present = std::filesystem::exists(file, error);
  if (error) {
    gf_logError(fmt::format("exists({}): {}", platform::pathToUtf8(file), error.message()));
    return false;
  }
  if (!present) return true;
  std::filesystem::copy_file(file, platform::pathFromUtf8(target), std::filesystem::copy_options::overwrite_existing,
                             error);
  if (error) {
    gf_logError(fmt::format("copy {} -> {} failed: {}", platform::pathToUtf8(file), target, error.message()));
    return false;
  }
  return true;
}

void gf_removeFileWarn(const std::filesystem::path& file) {
  if (!std::filesystem::exists(file)) return;
  std::error_code error;
  std::filesystem::remove(file, error);
  if (error)
    gf_logError(
        fmt::format("Warning: could not remove {}, errorcode: {}", platform::pathToUtf8(file), error.message()));
}

std::error_code gf_removeIfPresent(const std::filesystem::path& file) {
  std::error_code error;
  std::filesystem::remove(file, error);
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
  if (!std::filesystem::exists(folder)) return 0;
  std::int64_t count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    if (entry.is_regular_file()) ++count;
  return count;
}

std::vector<FixedCode<4>> gf_listXmlFileCodes(const std::filesystem::path& folder) {
  std::vector<FixedCode<4>> codes;
  if (!std::filesystem::exists(folder)) return codes;
  codes.reserve(lf_expectedXmlFiles);
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (!entry.is_regular_file() || !lf_isXmlFile(entry.path())) continue;
    const std::string stem = platform::pathToUtf8(entry.path().stem());
    if (stem.size() == lf_airportCodeLength) codes.emplace_back(stem);
  }
  return codes;
}

std::filesystem::path gf_temporaryPathFor(const std::filesystem::path& file) {
  static std::atomic<unsigned> counter{0};
  const auto thread = std::hash<std::thread::id>{}(std::this_thread::get_id());
  std::filesystem::path temporary = file;
  temporary += fmt::format(".{:x}-{}.tmp", thread, counter++);
  return temporary;
}

bool gf_isTemporaryName(const std::string& fileName) {
  // "<name>.<hex>-<digits>.tmp"
  constexpr std::string_view suffix = ".tmp";
  if (fileName.size() <= suffix.size() || !fileName.ends_with(suffix)) return false;
  const std::string_view stem(fileName.data(), fileName.size() - suffix.size());
  const std::size_t dash = stem.rfind('-');
  const std::size_t dot = stem.rfind('.', dash);
  if (dash == std::string_view::npos || dot == std::string_view::npos || dot == 0) return false;
  const std::string_view hex = stem.substr(dot + 1, dash - dot - 1);
  const std::string_view number = stem.substr(dash + 1);
  auto all = [](std::string_view text, auto accepted) {
    return !text.empty() && std::all_of(text.begin(), text.end(), accepted);
  };
  return all(hex, [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }) &&
         all(number, [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

void gf_removeStaleTemporaries(const std::filesystem::path& folder, bool recursive) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (!fs::is_directory(folder, error)) return;
  auto removeIfStale = [](const fs::directory_entry& entry) {
    std::error_code failed;
    if (!entry.is_regular_file(failed) || !gf_isTemporaryName(platform::pathToUtf8(entry.path().filename()))) return;
    if (fs::remove(entry.path(), failed))
      gf_log(fmt::format("Removed {}, left by an interrupted save", platform::pathToUtf8(entry.path())));
    else if (failed)
      gf_logError(fmt::format("Failed to remove {} ({})", platform::pathToUtf8(entry.path()), failed.message()));
  };
  const auto options = fs::directory_options::skip_permission_denied;
  if (recursive) {
    for (fs::recursive_directory_iterator it(folder, options, error), end; !error && it != end; it.increment(error))
      removeIfStale(*it);
  } else {
    for (fs::directory_iterator it(folder, options, error), end; !error && it != end; it.increment(error))
      removeIfStale(*it);
  }
  if (error) gf_logError(fmt::format("gf_removeStaleTemporaries exception: {}", error.message()));
}

} // namespace gwr
