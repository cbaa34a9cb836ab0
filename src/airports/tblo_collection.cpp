// Collecting generated stand files into "tblo" and the verified "tblo.zip".
#include "airports/tblo_collection.h"

#include <map>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include <fmt/format.h>
#include <pugixml.hpp>

#include "airports/apf_generation.h"
#include "airports/apf_locations.h"
#include "core/file_maintenance.h"
#include "core/log.h"
#include "core/text_files.h"
#include "core/xml_file.h"
#include "core/xml_parameter.h"
#include "core/zip_archive.h"
#include "platform/sys/folder_listing.h"
#include "refdata/airports_table.h"

namespace gwr {

namespace {

// The airport the maker's archive must not take from this publisher.
constexpr std::string_view excludedAirport = "KMCI";
constexpr std::string_view excludedPublisher = "TropicalSim";

std::string lf_text(const std::filesystem::path& path) { return gf_pathToUtf8(path); }

// Steps shared by both folders; true when the file was copied. A hand-made file
// is collected like a generated one but never removed: it is the user's work.
bool lf_collectOne(const std::filesystem::path& folder, FixedCode<4> code) {
  if (!gf_isKnownAirport(code)) return false;
  const std::filesystem::path file = folder / gf_apfFileName(code);
  const std::filesystem::path target = tbloFolder / gf_apfFileName(code);
  std::string cause;
  if (!gf_copyFile(file, target, cause)) {
    gf_logError(fmt::format("'{}' failed to copy '{}': {}", lf_text(file), lf_text(target), cause));
    return false;
  }
  std::error_code error;
  const std::filesystem::path link = folder / gf_apfLinkFileName(code);
  const bool linked = platform::pathExists(link, error);
  if (error) {
    gf_logError(fmt::format("exists({}) failed: {}", lf_text(link), error.message()));
  } else if (linked && !gf_isHandmadeApf(file) && !gf_removePath(file, error) && error) {
    gf_logError(fmt::format("remove({}) failed: {}", lf_text(file), error.message()));
  }
  return true;
}

bool lf_isExcludedKmci(const std::filesystem::path& file) {
  pugi::xml_document document;
  if (!gf_loadXmlFile(document, file)) return false;
  return gf_readStringParameter(document, "publisher").value_or("") == excludedPublisher;
}

// Reads the archive back: the same names with the same bytes, nothing more.
bool lf_verifyZip(const std::filesystem::path& zipFile, const std::map<std::string, std::string>& added) {
  try {
    const ZipArchive archive = ZipArchive::openForReading(zipFile);
    const auto entries = archive.entries();
    if (entries.size() != added.size()) {
      gf_logError(fmt::format("[zip] {} entries read back, {} added", entries.size(), added.size()));
      return false;
    }
    for (const auto& entry : entries) {
      std::string bytes, error;
      const auto source = added.find(entry.name);
      if (source == added.end() || !archive.read(entry, bytes, error) || bytes != source->second) {
        gf_logError(fmt::format("[zip] entry {} does not read back whole {}", entry.name, error));
        return false;
      }
    }
  } catch (const std::exception& e) {
    gf_logError(fmt::format("[zip] reading back failed: {}", e.what()));
    return false;
  }
  gf_log(fmt::format("[zip] Verified {} entries", added.size()));
  return true;
}

} // namespace

void gf_collectSimaddonFiles() {
  int count = 0;
  for (const FixedCode<4> code : gf_listXmlFileCodes(mySimaddonFolder))
    if (lf_collectOne(mySimaddonFolder, code)) ++count;
  if (count > 0) gf_log(fmt::format("{} simaddon file{} copied to tblo folder", count, count == 1 ? "" : "s"));
}

void gf_collectThirdPartyFiles() {
  for (const FixedCode<4> code : gf_listXmlFileCodes(myThirdpartyFolder)) {
    if (code.view() == excludedAirport) {
      const std::filesystem::path file = myThirdpartyFolder / gf_apfFileName(code);
      if (lf_isExcludedKmci(file)) {
        std::error_code error;
        if (!gf_removePath(file, error) && error)
          gf_logError(fmt::format("remove({}) failed: {}", lf_text(file), error.message()));
        continue;
      }
    }
    lf_collectOne(myThirdpartyFolder, code);
  }
}

bool gf_zipTblo(const std::filesystem::path& zipFile) {
  std::error_code error;
  if (!platform::isFolder(tbloFolder, error)) {
    gf_log(fmt::format("[zip] Not a directory: {}", lf_text(tbloFolder)));
    return false;
  }
  if (zipFile.has_parent_path()) gf_makeFolders(zipFile.parent_path(), error);
  gf_log(fmt::format("[zip] Target file: {}", lf_text(std::filesystem::absolute(zipFile, error))));
  gf_log(fmt::format("[zip] Source dir : {}", lf_text(std::filesystem::absolute(tbloFolder, error))));
  if (platform::pathExists(zipFile, error)) {
    gf_log(fmt::format("[zip] Removing old zip {}", lf_text(zipFile)));
    gf_removePath(zipFile, error);
  }
  std::optional<ZipArchive> archive;
  try {
    archive.emplace(ZipArchive::createNew(zipFile));
  } catch (const std::exception& e) {
    gf_log("[zip] Could not open archive for writing");
    gf_log(fmt::format("[zip] {}", e.what()));
    return false;
  }
  std::map<std::string, std::string> added;
  bool complete = true;
  // The archive itself, when made in the folder, is no file of the collection.
  const std::filesystem::path archiveName = std::filesystem::absolute(zipFile, error).lexically_normal();
  const std::vector<platform::ListedEntry> entries = platform::listFolder(tbloFolder, error);
  if (error) throw std::filesystem::filesystem_error("list", tbloFolder, error);
  for (const platform::ListedEntry& entry : entries) {
    if (!entry.isRegular() || std::filesystem::absolute(entry.path, error).lexically_normal() == archiveName) continue;
    std::string bytes, cause;
    if (!gf_readFileBytes(entry.path, bytes, cause)) {
      gf_log(fmt::format("[zip] READ FAIL: {}", lf_text(entry.path)));
      continue;  // left out; the archive is still written with the others
    }
    const std::string name = gf_pathToUtf8(entry.path.filename());
    gf_log(fmt::format("[zip] Adding (data) {} -> {} ({} bytes)", lf_text(entry.path), name, bytes.size()));
    if (!archive->addData(name, bytes, cause)) {
      gf_log(fmt::format("[zip] ERROR addData({})", name));
      complete = false;
      break;
    }
    added.emplace(name, std::move(bytes));
  }
  std::string closeError;
  const bool closed = archive->close(closeError);
  const platform::FileLook archived = platform::lookAt(zipFile, error);
  const bool exists = archived.exists() && !error;
  const auto size = exists ? archived.bytes : 0;
  gf_log(fmt::format("[zip] Added {} files, ok_close={}, exists={}, size={} bytes", added.size(), closed, exists,
                     error ? 0 : size));
  if (closed && exists && size != 0 && complete && lf_verifyZip(zipFile, added)) return true;
  gf_removeFileWarn(zipFile);  // an incomplete archive must not be sent
  return false;
}

} // namespace gwr
