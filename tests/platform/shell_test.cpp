// Tests of the desktop shell: xdg-open started detached with the folder as its
// only argument, false without xdg-open, and the headless message box.
#include "platform/sys/shell.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace gwr::platform {
namespace {

constexpr auto waitLimit = std::chrono::seconds(10);

class ShellOpen : public testing::Test {
protected:
  void SetUp() override {
    folder = std::filesystem::temp_directory_path() / ("gwr_shell_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder / "bin");
    if (const char* path = std::getenv("PATH")) savedPath = path;
  }
  void TearDown() override {
    if (savedPath) ::setenv("PATH", savedPath->c_str(), 1);
    std::filesystem::remove_all(folder);
  }
  // A stand-in xdg-open that records its arguments, one per line.
  void installOpener() {
    const auto script = folder / "bin" / "xdg-open";
    std::ofstream(script) << "#!/bin/sh\nPATH=/usr/bin:/bin\nfor a in \"$@\"; do echo \"$a\"; done > \"" << (folder / "args.tmp").string()
                          << "\"\nmv \"" << (folder / "args.tmp").string() << "\" \"" << (folder / "args").string() << "\"\n";
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  }
  std::filesystem::path folder;
  std::optional<std::string> savedPath;
};

TEST_F(ShellOpen, StartsXdgOpenWithTheFolderAsOneArgument) {
  installOpener();
  ::setenv("PATH", (folder / "bin").c_str(), 1);
  const auto target = folder / "with space; $(touch x)";
  ASSERT_TRUE(openFolderInShell(target));

  const auto deadline = std::chrono::steady_clock::now() + waitLimit;
  while (!std::filesystem::exists(folder / "args") && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::ifstream args(folder / "args");
  std::stringstream text;
  text << args.rdbuf();
  EXPECT_EQ(text.str(), target.string() + "\n");
  EXPECT_FALSE(std::filesystem::exists(folder / "x"));
}

TEST_F(ShellOpen, FalseWithoutXdgOpen) {
  ::setenv("PATH", (folder / "bin").c_str(), 1);
  EXPECT_FALSE(openFolderInShell(folder));
}

TEST_F(ShellOpen, MessageBoxGoesToStderrWhenHeadless) {
  testing::internal::CaptureStderr();
  showMessageBox("Could not open local folder with Manual", "GWRT");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "GWRT: Could not open local folder with Manual\n");
}

} // namespace
} // namespace gwr::platform
