// versions.json against the stored versions: data files are downloaded beside
// the live ones, checked, and only then put in their place.
#include "app/update/version_check.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>
#include <system_error>

#include <fmt/format.h>
#include <nlohmann/json.hpp>
#include <pugixml.hpp>

#include "app/update/new_version.h"
#include "app/update/refused_downloads.h"
#include "core/decrypt.h"
#include "core/download.h"
#include "core/file_maintenance.h"
#include "core/log.h"
#include "core/parameters.h"
#include "core/paths.h"
#include "core/settings_catalogue.h"
#include "core/text_files.h"
#include "core/user_error.h"
#include "liveries/livery_shell.h"
#include "platform/sys/folder_listing.h"
#include "platform/sys/native_path.h"

namespace gwr {

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr const char* programMember = "msfs_app";
constexpr std::string_view downloadedSuffix = ".download";
// The list is a handful of small version objects: anything much larger or
// deeper is not ours, and must cost neither memory nor stack.
constexpr std::uint64_t versionListMaxBytes = 64 * 1024;
constexpr int versionListMaxDepth = 8;
constexpr std::size_t loggedMemberChars = 80;  // of a member that is not a version
static_assert(dataFileDownloadMaxBytes <= maxDataFileBytes);

const fs::path versionListFile{versionListFileName};

enum class DueAction { downloadFile, scanLiveries, scanAirports };

struct DataItem {
  const char* member;
  StringParameter& stored;
  const fs::path* file;  // the file kept up to date or looked at; none for the add-on scan
  DueAction action;
};

std::string lf_text(const fs::path& path) { return platform::pathToUtf8(path); }

bool lf_exists(const fs::path& file) {
  std::error_code error;
  const bool found = platform::pathExists(file, error);
  if (error) throw fs::filesystem_error("exists", file, error);
  return found;
}

// A version object of three whole numbers; none, with a log line, for a
// member of another shape.
std::optional<VersionData> lf_webVersion(const json& member, std::string_view item) {
  auto number = [&](const char* key) -> std::optional<std::uint32_t> {
    const auto found = member.find(key);
    if (found == member.end() || !found->is_number_unsigned()) return std::nullopt;
    const auto value = found->get<std::uint64_t>();
    if (value > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
    return static_cast<std::uint32_t>(value);
  };
  if (member.is_object()) {
    const auto major = number("major");
    const auto minor = number("minor");
    const auto patch = number("patch");
    if (major && minor && patch) return VersionData(*major, *minor, *patch);
  }
  std::string shown = member.dump();
  if (shown.size() > loggedMemberChars) shown = shown.substr(0, loggedMemberChars) + "...";
  gf_logError(fmt::format("{} version at web is not readable: {}", item, shown));
  return std::nullopt;
}

// How deep arrays and objects nest in JSON text, strings skipped; counted
// without recursion so that any text is safe to measure.
int lf_nestingDepth(std::string_view text) {
  int depth = 0;
  int deepest = 0;
  bool inString = false;
  bool escaped = false;
  for (const char c : text) {
    if (inString) {
      if (escaped)
        escaped = false;
      else if (c == '\\')
        escaped = true;
      else if (c == '"')
        inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      deepest = std::max(deepest, ++depth);
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return deepest;
}

// The version list as JSON; none when it could not be fetched, opened or parsed.
std::optional<json> lf_fetchVersionList() {
  const CurlHandle handle = gf_newCurlHandle();
  if (!gf_downloadFile(handle.get(), gf_downloadFolderUrl() + std::string(versionListFileName), versionListFile,
                       versionListMaxBytes, DownloadSize::small)) {
    gf_logError("Downloading version info from my web site failed!");
    return std::nullopt;
  }
  std::string text;
  std::string cause;
  const bool read = gf_readFileBytes(versionListFile, text, cause);
  std::error_code error;
  gf_removePath(versionListFile, error);
  if (error) throw fs::filesystem_error("remove", versionListFile, error);
  if (!read) {
    gf_logError("Cannot open versions.json");
    return std::nullopt;
  }
  if (text.size() > versionListMaxBytes || lf_nestingDepth(text) > versionListMaxDepth) {
    gf_logError(fmt::format("versions.json is larger than {} bytes or nests deeper than {} levels: the data files "
                            "in place are used",
                            versionListMaxBytes, versionListMaxDepth));
    return std::nullopt;
  }
  json document = json::parse(text, nullptr, false);
  if (document.is_discarded()) {
    gf_logError("versions.json is no valid JSON: the data files in place are used");
    return std::nullopt;
  }
  return document;
}

// A downloaded data file must decrypt and parse as XML before it replaces the
// one in use; it is checked in memory, no plain copy reaches the disk.
bool lf_isUsableDataFile(const fs::path& encrypted, std::string& problem) {
  try {
    const std::string plain = gf_streamDecryptOrThrow(gf_programDataKey(), encrypted);
    pugi::xml_document document;
    const pugi::xml_parse_result parsed = document.load_buffer(plain.data(), plain.size());
    const bool usable = parsed && document.document_element();
    if (!usable) problem = parsed ? "no XML element" : parsed.description();
    return usable;
  } catch (const std::exception& e) {
    problem = e.what();
    return false;
  }
}

// A data file that came too large or unusable is not fetched again for that
// version: a hostile site cannot make every start download it.
FetchOutcome lf_fetchDataFile(const fs::path& file, const fs::path& fresh) {
  const DownloadResult fetched = gf_downloadFromSite(file.filename(), fresh, dataFileDownloadMaxBytes, DownloadSize::small);
  if (!fetched) return fetched.tooLarge ? FetchOutcome::refused : FetchOutcome::failed;
  std::string problem;
  if (!lf_isUsableDataFile(fresh, problem)) {
    gf_logError(fmt::format("Downloaded {} is not usable ({}); {} stays as it was", lf_text(fresh), problem,
                            lf_text(file)));
    gf_removeIfPresent(fresh);
    return FetchOutcome::refused;
  }
  const std::error_code error = platform::renameFile(fresh, file);
  if (!error) return FetchOutcome::done;
  gf_logError(fmt::format("Could not replace {}: {}", lf_text(file), error.message()));
  gf_removeIfPresent(fresh);
  return FetchOutcome::failed;
}

// Where a data file is downloaded before it is checked.
fs::path lf_freshPath(const fs::path& file) {
  fs::path fresh = file;
  fresh += downloadedSuffix;
  return fresh;
}

bool lf_downloadDataFile(const fs::path& file, const VersionData& web) {
  const fs::path fresh = lf_freshPath(file);
  return gf_fetchUnlessRefused(lf_text(file.filename()), web,
                               [&] { return lf_fetchDataFile(file, fresh); }) == FetchOutcome::done;
}

void lf_switchScanOn(CheckboxBoolParameter& scan) {
  scan.setCurrent(true);
  scan.save();
  scan.showCheck();
  gf_repaintSettingsArea();
}

// A due item: on success the stored version follows the web's.
void lf_updateItem(const DataItem& item, const VersionData& web) {
  switch (item.action) {
  case DueAction::downloadFile:
    if (!lf_downloadDataFile(*item.file, web)) return;  // due again at the next start
    break;
  case DueAction::scanLiveries: lf_switchScanOn(SCAN_LIVERIES); break;
  case DueAction::scanAirports: lf_switchScanOn(SCAN_AIRPORTS); break;
  }
  item.stored.set(web.text());
  lf_logVersionUpdated(item.member, web);
}

void lf_checkItem(const json& document, const DataItem& item) {
  const auto member = document.find(item.member);
  if (member == document.end()) return lf_logVersionNotFound(item.member);
  const std::optional<VersionData> web = lf_webVersion(*member, item.member);
  if (!web) return;
  // An unreadable stored text counts as older: its parser logs it.
  const VersionData stored(item.stored.current());
  const bool due = *web > stored || (item.file != nullptr && !lf_exists(*item.file));
  if (due)
    lf_updateItem(item, *web);
  else
    lf_logVersionUpToDate(item.member);
}

// True when a new program version was put into "new_version".
bool lf_checkProgram(const json& document) {
  const auto member = document.find(programMember);
  if (member == document.end()) {
    lf_logVersionNotFound(programMember);
    return false;
  }
  const std::optional<VersionData> web = lf_webVersion(*member, programMember);
  if (!web) return false;
  gf_log(fmt::format("{} program version at web = {}", programMember, web->text()));
  if (*web <= programVersion) {
    lf_logVersionUpToDate(programMember);
    return false;
  }
  const FetchOutcome fetched = downloadNewVersion(*web);
  // Refused at an earlier start: the run goes on with this version.
  if (fetched == FetchOutcome::refusedEarlier) return false;
  if (fetched != FetchOutcome::done)
    throw UserErrorException(newVersionFailedError,
                             "The downloading/unzipping of the new version failed? Try manually via the Quillmere website");
  lf_handOverNewVersion(*web);
  return true;
}

} // namespace

void lf_logVersionUpdated(std::string_view item, const VersionData& version) {
  gf_log(fmt::format("{} updated to {}", item, version.text()));
}
void lf_logVersionUpToDate(std::string_view item) { gf_log(fmt::format("{} version up-to-date", item)); }
void lf_logVersionNotFound(std::string_view item) { gf_log(fmt::format("{} version not found", item)); }

std::vector<fs::path> gf_interruptedDownloadFiles() {
  std::vector<fs::path> files{gf_partialDownloadPath(versionListFile),
                              gf_partialDownloadPath(fs::path(programZipFileName)),
                              gf_partialDownloadPath(newVersionFolder / releaseNotesFileName)};
  for (const fs::path* data : {&airportsEncFile, &regcodesEncFile, &dbaseEncFile}) {
    files.push_back(lf_freshPath(*data));
    files.push_back(gf_partialDownloadPath(files.back()));
  }
  return files;
}

bool checkVersions() {
  const std::optional<json> document = lf_fetchVersionList();
  if (!document) return true;
  // A list of another shape has none of the members: each says so below.
  if (lf_checkProgram(*document)) return false;
  const DataItem items[] = {
      {"airports", AIRPORTS_VERSION, &airportsEncFile, DueAction::downloadFile},
      {"aig", AIG_VERSION, &regcodesEncFile, DueAction::downloadFile},
      {"liveries", LIV_SCAN_VERSION, &liveriesScannedFile, DueAction::scanLiveries},
      {"addons", ADDONS_SCAN_VERSION, nullptr, DueAction::scanAirports},
      {"dbase", DBASE_VERSION, &dbaseEncFile, DueAction::downloadFile},
  };
  for (const DataItem& item : items) lf_checkItem(*document, item);
  return true;
}

} // namespace gwr
