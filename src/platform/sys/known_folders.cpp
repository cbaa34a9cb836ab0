// The XDG homes standing in for the roaming and local application data
// folders, or two folders below a root that tests inject.
#include "platform/sys/known_folders.h"

#include <cstdlib>
#include <mutex>
#include <string>

namespace gwr::platform {

namespace {

std::mutex testRootMutex;
std::filesystem::path testRoot;  // empty: use the environment

// The variable's value, or nullopt when it is unset or empty (XDG treats both alike).
std::optional<std::string> lf_environment(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return std::nullopt;
  return std::string(value);
}

std::optional<std::filesystem::path> lf_xdgFolder(const char* variable,
                                                  const std::filesystem::path& belowHome) {
  if (auto value = lf_environment(variable)) return std::filesystem::path(*value);
  if (auto home = lf_environment("HOME")) return std::filesystem::path(*home) / belowHome;
  return std::nullopt;
}

} // namespace

std::optional<std::filesystem::path> knownFolderPath(KnownFolder folder) {
  {
    const std::lock_guard lock(testRootMutex);
    if (!testRoot.empty())
      return testRoot / (folder == KnownFolder::RoamingAppData ? "roaming" : "local");
  }
  if (folder == KnownFolder::RoamingAppData)
    return lf_xdgFolder("XDG_CONFIG_HOME", ".config");
  return lf_xdgFolder("XDG_DATA_HOME", std::filesystem::path(".local") / "share");
}

void setKnownFolderRootForTests(const std::filesystem::path& root) {
  const std::lock_guard lock(testRootMutex);
  testRoot = root;
}

} // namespace gwr::platform
