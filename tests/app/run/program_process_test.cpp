// The built program as its own process in a program folder: what a user or a
// script sees of it is its exit code and its log.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/sys/single_instance.h"
#include "support/encrypted_fixture.h"
#include "support/log_capture.h"

extern char** environ;

namespace gwr {
namespace {

namespace fs = std::filesystem;

class ProgramProcess : public testing::Test {
protected:
  void SetUp() override {
    fs::create_directories(folder.path() / "docs");
    fs::copy(GWR_PROGRAM_INPUT_DIR, folder.path() / "input", fs::copy_options::recursive);
    fs::create_directories(folder.path() / "sim" / "Community");
    fs::create_directories(folder.path() / "config" / "Gatewright");
    std::ofstream(folder.path() / "config" / "Gatewright" / "parameters.xml")
        << R"(<root><parameters><parameter name="MSFS_INSTALL_PATH" value=")" << (folder.path() / "sim").string()
        << R"(" /></parameters></root>)";
  }

  // Runs the program in the folder with the arguments; its exit status.
  int runProgram(const std::vector<std::string>& arguments) {
    const std::string root = folder.path().string();
    std::vector<std::string> environment{"HOME=" + root, "XDG_CONFIG_HOME=" + root + "/config",
                                         "XDG_DATA_HOME=" + root + "/data", "XDG_RUNTIME_DIR=" + root,
                                         "PATH=/usr/bin:/bin"};
    if (const char* asan = std::getenv("ASAN_OPTIONS")) environment.push_back(std::string("ASAN_OPTIONS=") + asan);
    std::vector<std::string> words{GWR_PROGRAM_PATH};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (auto& entry : environment) envp.push_back(entry.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, root.c_str());
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1000;
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -2000;
    return WEXITSTATUS(status);
  }
  std::string log() const { return testsupport::readBytes(folder.path() / "Log.txt"); }

  testsupport::WorkingFolder folder;
};

// What a script sees of each way a run ends by itself: the exit status and
// the log (none for a second instance). Nobody reads a window in production
// mode, so a failed step ends the process at once instead of waiting.
TEST_F(ProgramProcess, ExitStatusAndLogOfEachWayTheProcessEnds) {
  const struct {
    const char* name;
    std::vector<std::string> arguments;
    const char* removed;  // from the program folder before the run
    bool secondInstance;
    int status;
    std::vector<std::string> logged, notLogged;
  } cases[] = {
      {"production", {"--production"}, nullptr, false, 0, {"\nproduction\n", "Exiting: USER CLOSED SIM"},
       {"Waiting for MSFS"}},
      {"failed data step", {"/PRODUCTION"}, "input/airports.enc", false, 1,
       {"Error 88: input/airports.enc stream decrypt failed", "Exiting: SYSTEM ERROR"}, {"User closed Gatewright"}},
      {"outside the program folder", {"--production"}, "docs", false, 1,
       {"Error 41: Gatewright must be run from the Gatewright folder!\n"}, {}},
      {"second instance", {"--production"}, nullptr, true, 255, {}, {}},  // -1 as an exit status
  };
  const char* before = std::getenv("XDG_RUNTIME_DIR");
  const std::string kept = before != nullptr ? before : "";
  ::setenv("XDG_RUNTIME_DIR", folder.path().c_str(), 1);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(folder.path() / "Log.txt");
    if (c.removed != nullptr) fs::rename(folder.path() / c.removed, folder.path() / "put-aside");
    std::optional<platform::SingleInstance> first;  // the instance already running
    if (c.secondInstance) {
      EXPECT_TRUE(first.emplace().acquired());
    }
    EXPECT_EQ(runProgram(c.arguments), c.status) << log();
    if (c.removed != nullptr) fs::rename(folder.path() / "put-aside", folder.path() / c.removed);
    const std::string text = log();
    EXPECT_EQ(fs::exists(folder.path() / "Log.txt"), !c.secondInstance) << "a second instance leaves no trace";
    for (const std::string& line : c.logged) EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    for (const std::string& line : c.notLogged) EXPECT_EQ(text.find(line), std::string::npos) << line;
  }
  before != nullptr ? ::setenv("XDG_RUNTIME_DIR", kept.c_str(), 1) : ::unsetenv("XDG_RUNTIME_DIR");
}

// A named pipe at "Log.txt" neither holds the start in its open nor ends it:
// the run goes on without a log, and the pipe stays as it was.
TEST_F(ProgramProcess, APipeAtTheLogNeitherHoldsNorEndsTheRun) {
  const fs::path log = folder.path() / "Log.txt";
  ASSERT_EQ(::mkfifo(log.c_str(), 0600), 0);
  auto status = std::async(std::launch::async, [this] { return runProgram({"--production"}); });
  if (status.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
    ADD_FAILURE() << "the start waited on the pipe";
    // A reader that goes again ends the waiting writer with a broken pipe.
    const int reader = ::open(log.c_str(), O_RDONLY | O_NONBLOCK);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (reader >= 0) ::close(reader);
  }
  EXPECT_EQ(status.get(), 0);
  EXPECT_EQ(fs::status(log).type(), fs::file_type::fifo);
}

} // namespace
} // namespace gwr
