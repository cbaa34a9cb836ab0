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
constexpr const char* variables[] = {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"};

class KnownFolders : public testing::Test {
protected:
  void SetUp() override {
    for (int i = 0; i < 3; ++i) {
      if (const char* value = std::getenv(variables[i])) saved[i] = value;
      ::unsetenv(variables[i]);
    }
  }
  void TearDown() override {
    setKnownFolderRootForTests({});
    for (int i = 0; i < 3; ++i) saved[i] ? ::setenv(variables[i], saved[i]->c_str(), 1) : ::unsetenv(variables[i]);
  }
  std::optional<std::string> saved[3];
};

TEST_F(KnownFolders, FromXdgVariablesElseBelowHomeElseNone) {
  EXPECT_FALSE(knownFolderPath(KnownFolder::RoamingAppData));
  EXPECT_FALSE(knownFolderPath(KnownFolder::LocalAppData));
  ::setenv("HOME", "/home/pilot", 1);
  ::setenv("XDG_CONFIG_HOME", "", 1);  // empty counts as unset
  EXPECT_EQ(knownFolderPath(KnownFolder::RoamingAppData), path("/home/pilot/.config"));
  EXPECT_EQ(knownFolderPath(KnownFolder::LocalAppData), path("/home/pilot/.local/share"));
  ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
  ::setenv("XDG_DATA_HOME", "/data", 1);
  EXPECT_EQ(knownFolderPath(KnownFolder::RoamingAppData), path("/cfg"));
  EXPECT_EQ(knownFolderPath(KnownFolder::LocalAppData), path("/data"));
}

TEST_F(KnownFolders, TestRootOverridesAndRestores) {
  setKnownFolderRootForTests("/test-root");
  EXPECT_EQ(knownFolderPath(KnownFolder::RoamingAppData), path("/test-root/roaming"));
  EXPECT_EQ(knownFolderPath(KnownFolder::LocalAppData), path("/test-root/local"));
  setKnownFolderRootForTests({});
  EXPECT_FALSE(knownFolderPath(KnownFolder::RoamingAppData));
}

} // namespace
} // namespace gwr::platform
