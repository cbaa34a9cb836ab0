// The user's known folders, the per-user folder worked out from them, and
// opening folders for the user in the desktop shell.
#include "core/paths.h"

#include <mutex>
#include <optional>
#include <string>

#include "core/log.h"
#include "platform/sys/folder_listing.h"
#include "platform/sys/known_folders.h"
#include "platform/sys/shell.h"

namespace gwr {

namespace {

constexpr const char* lf_messageCaption = "GWRT";

struct PerUserPaths {
  std::filesystem::path folder;
  std::filesystem::path parametersFile;
};

std::mutex perUserMutex;
std::optional<PerUserPaths> perUserPaths;  // empty until first use

PerUserPaths lf_perUserPaths() {
  const std::lock_guard lock(perUserMutex);
  if (!perUserPaths) {
    const std::filesystem::path appData = gf_getAppDataFolder();
    PerUserPaths paths;
    paths.folder = appData.empty() ? std::filesystem::path(perUserFolderName) : appData / perUserFolderName;
    paths.parametersFile = paths.folder / parametersFileName;
    perUserPaths = std::move(paths);
  }
  return *perUserPaths;
}

std::filesystem::path lf_knownFolder(platform::KnownFolder which, std::string_view failureText) {
  if (auto folder = platform::knownFolderPath(which)) return *folder;
  gf_logError(failureText);
  return {};
}

} // namespace

std::filesystem::path gf_getAppDataFolder() {
  return lf_knownFolder(platform::KnownFolder::RoamingAppData, "Could not find the AppData path");
}

std::filesystem::path gf_getLocalAppDataFolder() {
  return lf_knownFolder(platform::KnownFolder::LocalAppData, "Could not find the Local AppData path");
}

std::filesystem::path gf_perUserFolder() { return lf_perUserPaths().folder; }

std::filesystem::path gf_parametersFile() { return lf_perUserPaths().parametersFile; }

void gf_resetPerUserPathsForTests() {
  const std::lock_guard lock(perUserMutex);
  perUserPaths.reset();
}

bool gf_openContainingFolder(const std::filesystem::path& path) {
  if (!platform::lookAt(path).exists()) return false;
  const std::filesystem::path folder = path.parent_path();
  if (folder.empty()) return false;
  return platform::openFolderInShell(folder);
}

bool gf_openParametersFolder() {
  if (gf_openContainingFolder(gf_parametersFile())) return true;
  platform::showMessageBox("Could not open folder with parameters.xml", lf_messageCaption);
  return false;
}

bool gf_openManualFolder() {
  const std::filesystem::path manual = std::filesystem::current_path() / docsFolderName / manualFileName;
  if (gf_openContainingFolder(manual)) return true;
  platform::showMessageBox("Could not open local folder with Manual", lf_messageCaption);
  return false;
}

} // namespace gwr
