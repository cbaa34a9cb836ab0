// The simulator's installation trees are its Windows layout below the known
// folders; paths stay UTF-8 (and full Unicode where paths are wide).
#include "app/update/install_detection.h"

#include <array>
#include <string_view>
#include <system_error>
#include <vector>

#include <fmt/format.h>

#include "core/log.h"
#include "core/parameters.h"
#include "core/paths.h"
#include "core/run_state.h"
#include "core/settings_catalogue.h"
#include "core/text_files.h"
#include "platform/sys/folder_listing.h"
#include "platform/sys/native_path.h"

namespace gwr {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view userCfgFileName = "UserCfg.opt";
constexpr std::string_view installedPackagesKey = "InstalledPackagesPath";
constexpr std::size_t minInstalledPackagesLine = 21;  // characters of a line worth reading
constexpr std::string_view communityEnding = "Community";
constexpr std::size_t minCommunityPathLength = 10;  // "\Community" alone

std::string lf_text(const fs::path& path) { return platform::pathToUtf8(path); }

bool lf_exists(const fs::path& path) {
  std::error_code error;
  const bool found = platform::pathExists(path, error);
  if (error) throw fs::filesystem_error("exists", path, error);
  return found;
}

// A status query that fails for another reason than absence answers false.
bool lf_isFolder(const fs::path& path) {
  std::error_code error;
  return platform::isFolder(path, error);
}

// The text between the first double quote and the next one; the whole line
// without a quote; empty for an opening quote alone.
std::string lf_quotedValue(const std::string& line) {
  const std::size_t open = line.find('"');
  if (open == std::string::npos) return line;
  const std::size_t close = line.find('"', open + 1);
  if (close == std::string::npos) return {};
  return line.substr(open + 1, close - open - 1);
}

} // namespace

fs::path gf_packageFamilyName() {
  return SimEdition.load() ? "Microsoft.FlightSimulator_8wekyb3d8bbwe" : "Microsoft.Limitless_8wekyb3d8bbwe";
}

fs::path gf_steamFolderName() {
  return SimEdition.load() ? "Microsoft Flight Simulator" : "Microsoft Flight Simulator 2024";
}

StringParameter& gf_editionInstallPath() { return SimEdition.load() ? MSFS_INSTALL_PATH : MSFS_2024_INSTALL_PATH; }

fs::path gf_userCfgOptPath() {
  const fs::path local = gf_getLocalAppDataFolder();
  const fs::path roaming = gf_getAppDataFolder();
  const std::array<fs::path, 4> candidates{
      local / "Packages" / gf_packageFamilyName() / "LocalCache" / userCfgFileName,
      roaming / gf_steamFolderName() / userCfgFileName,
      local / "Packages" / "Microsoft.FlightDashboard_8wekyb3d8bbwe" / "LocalCache" / userCfgFileName,
      local / "MSFSPackages" / userCfgFileName,
  };
  for (const fs::path& candidate : candidates) {
    if (lf_exists(candidate)) return candidate;
    gf_log(fmt::format("MSFS detection, not found: {}", lf_text(candidate)));
  }
  return {};
}

fs::path gf_steamPackagesPath() {
  const fs::path packages = gf_getAppDataFolder() / gf_steamFolderName() / "Packages";
  if (!lf_exists(packages)) return {};
  gf_log(fmt::format("Steam packages: {}", lf_text(packages)));
  return packages;
}

fs::path gf_installedPackagesPath() {
  const fs::path userCfg = gf_userCfgOptPath();
  if (userCfg.empty()) {
    gf_log("No UserCfg.opt found?");
    return {};
  }
  std::string text;
  std::vector<std::string> lines;
  if (gf_readUtf8Text(userCfg, text).ok()) gf_splitLines(text, lines);
  const std::string* found = nullptr;
  for (const std::string& line : lines) {
    if (line.size() >= minInstalledPackagesLine && line.find(installedPackagesKey) != std::string::npos) {
      found = &line;
      break;
    }
  }
  if (found == nullptr) {
    gf_log("UserCfg.opt: InstalledPackagesPath=???");
    return {};
  }
  const std::string value = lf_quotedValue(*found);
  gf_log(fmt::format("UserCfg.opt: InstalledPackagesPath={}", value));
  if (value.empty()) return {};
  const fs::path packages = platform::pathFromUtf8(value);
  if (lf_exists(packages)) return packages;
  gf_logError(fmt::format("UserCfg.opt names a packages folder that does not exist: {}", value));
  return {};
}

bool gf_isValidPackagesPath(const fs::path& packages) {
  if (packages.empty()) return false;
  const std::string_view official = SimEdition.load() ? officialFolderName : official2024FolderName;
  return lf_isFolder(packages) && lf_isFolder(packages / communityFolderName) && lf_isFolder(packages / official);
}

bool gf_detectPackagesPath() {
  fs::path packages = gf_steamPackagesPath();
  if (!gf_isValidPackagesPath(packages)) packages = gf_installedPackagesPath();
  if (!gf_isValidPackagesPath(packages)) return false;
  const std::string text = lf_text(packages);
  gf_editionInstallPath().set(text);
  ALL_INSTALL_PATH.setCurrent(text);
  gf_showStringParameter(ALL_INSTALL_PATH);
  return true;
}

void gf_trimCommunityEnding() {
  StringParameter& setting = gf_editionInstallPath();
  const std::string value = setting.current();
  if (value.size() < minCommunityPathLength || !value.ends_with(communityEnding)) return;
  const std::size_t separator = value.size() - communityEnding.size() - 1;
  if (value[separator] != '\\' && value[separator] != '/') return;
  setting.set(value.substr(0, separator));
}

} // namespace gwr
