// The XDG homes standing in for the roaming and local application data
// folders, "/opt" for the programs folder, or folders below a test root.
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

constexpr const char* lf_programsFolder = "/opt";

// The folder's name below a test root.
const char* lf_testFolderName(KnownFolder folder) {
  switch (folder) {
  case KnownFolder::RoamingAppData: return "roaming";
  case KnownFolder::LocalAppData: return "local";
  case KnownFolder::ProgramFiles: return "programs";
  case KnownFolder::ProgramFilesX86: return "programs-x86";
  }
  return "unknown";
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
    if (!testRoot.empty()) return testRoot / lf_testFolderName(folder);
  }
  switch (folder) {
  case KnownFolder::RoamingAppData: return lf_xdgFolder("XDG_CONFIG_HOME", ".config");
  case KnownFolder::LocalAppData: return lf_xdgFolder("XDG_DATA_HOME", std::filesystem::path(".local") / "share");
  case KnownFolder::ProgramFiles: return std::filesystem::path(lf_programsFolder);
  case KnownFolder::ProgramFilesX86: return std::nullopt;
  }
  return std::nullopt;
}

void setKnownFolderRootForTests(const std::filesystem::path& root) {
  const std::lock_guard lock(testRootMutex);
  testRoot = root;
}

} // namespace gwr::platform
