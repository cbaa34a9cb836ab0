// Tests of the known folders: the XDG variables, their fallbacks below HOME,
// and the injected test root.
#include "platform/sys/known_folders.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace gwr::platform {
namespace {

using std::filesystem::path;

TEST(KnownFolders, FromTestRootElseXdgVariablesElseBelowHomeElseNone) {
  const char* const variables[] = {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"};
  std::optional<std::string> saved[3];
  for (int i = 0; i < 3; ++i) {
    if (const char* value = std::getenv(variables[i])) saved[i] = value;
    ::unsetenv(variables[i]);
  }
  const auto both = [] {
    return std::make_pair(knownFolderPath(KnownFolder::RoamingAppData), knownFolderPath(KnownFolder::LocalAppData));
  };
  EXPECT_EQ(both(), std::make_pair(std::optional<path>(), std::optional<path>()));
  ::setenv("HOME", "/home/pilot", 1);
  ::setenv("XDG_CONFIG_HOME", "", 1);  // empty counts as unset
  EXPECT_EQ(both(), std::make_pair(std::optional<path>("/home/pilot/.config"),
                                   std::optional<path>("/home/pilot/.local/share")));
  ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
  ::setenv("XDG_DATA_HOME", "/data", 1);
  EXPECT_EQ(both(), std::make_pair(std::optional<path>("/cfg"), std::optional<path>("/data")));
  setKnownFolderRootForTests("/test-root");
  EXPECT_EQ(both(), std::make_pair(std::optional<path>("/test-root/roaming"), std::optional<path>("/test-root/local")));
  setKnownFolderRootForTests({});
  EXPECT_EQ(knownFolderPath(KnownFolder::RoamingAppData), path("/cfg"));

  for (int i = 0; i < 3; ++i) saved[i] ? ::setenv(variables[i], saved[i]->c_str(), 1) : ::unsetenv(variables[i]);
}

TEST(KnownFolders, ProgramsFoldersAreOptAndNoneElseBelowTheTestRoot) {
  EXPECT_EQ(knownFolderPath(KnownFolder::ProgramFiles), path("/opt"));
  EXPECT_EQ(knownFolderPath(KnownFolder::ProgramFilesX86), std::nullopt);
  setKnownFolderRootForTests("/test-root");
  EXPECT_EQ(knownFolderPath(KnownFolder::ProgramFiles), path("/test-root/programs"));
  EXPECT_EQ(knownFolderPath(KnownFolder::ProgramFilesX86), path("/test-root/programs-x86"));
  setKnownFolderRootForTests({});
}

} // namespace
} // namespace gwr::platform
