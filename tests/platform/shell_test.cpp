// Tests of the desktop shell: xdg-open started detached with the folder as its
// only argument, false without xdg-open, and the headless message box.
#include "platform/sys/shell.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace gwr::platform {
namespace {

constexpr auto waitLimit = std::chrono::seconds(10);

TEST(ShellOpen, StartsXdgOpenWithTheFolderAsOneArgumentAndFailsWithoutIt) {
  const auto folder = std::filesystem::temp_directory_path() / ("gwr_shell_" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder / "bin");
  const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  ::setenv("PATH", (folder / "bin").c_str(), 1);
  EXPECT_FALSE(openFolderInShell(folder));

  // A stand-in xdg-open that records its arguments, one per line.
  const auto script = folder / "bin" / "xdg-open", scratch = folder / "args.tmp", args = folder / "args";
  std::ofstream(script) << "#!/bin/sh\nPATH=/usr/bin:/bin\nfor a in \"$@\"; do echo \"$a\"; done > \""
                        << scratch.string() << "\"\nmv \"" << scratch.string() << "\" \"" << args.string() << "\"\n";
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  const auto target = folder / "with space; $(touch x)";
  EXPECT_TRUE(openFolderInShell(target));
  const auto deadline = std::chrono::steady_clock::now() + waitLimit;
  while (!std::filesystem::exists(args) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::stringstream text;
  text << std::ifstream(args).rdbuf();
  EXPECT_EQ(text.str(), target.string() + "\n");
  EXPECT_FALSE(std::filesystem::exists(folder / "x"));

  ::setenv("PATH", savedPath.c_str(), 1);
  std::filesystem::remove_all(folder);
}

TEST(ShellOpen, MessageBoxGoesToStderrWhenHeadless) {
  testing::internal::CaptureStderr();
  showMessageBox("Could not open local folder with Manual", "GWRT");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "GWRT: Could not open local folder with Manual\n");
}

} // namespace
} // namespace gwr::platform
