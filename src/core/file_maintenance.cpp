// Backup generation, quiet removal, emptying and counting of folders, and the
// airport codes of a folder's XML files; problems go to the log.
#include "core/file_maintenance.h"

#include <exception>
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

} // namespace gwr
