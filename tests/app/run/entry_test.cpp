// The process entry end to end in a program folder: log generations, the
// single instance, the program-folder check and an unopenable log.
#include "app/run/entry.h"

#include "app/run/closing_down.h"
#include "app/run/startup.h"
#include "app/window/message_line.h"
#include "core/download.h"

#include "core/exit_reason.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/run_state.h"
#include "core/status_line.h"
#include "liveries/livery_processing.h"
#include "pkggen/package_tree.h"
#include "platform/sys/known_folders.h"
#include "platform/sys/shell.h"
#include "platform/sys/single_instance.h"
#include "run_test_clock.h"
#include "support/encrypted_fixture.h"
#include "support/log_capture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/inotify.h>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace gwr {
namespace {

namespace fs = std::filesystem;

using testsupport::readBytes;

// The files made in a folder (created or moved in) while the watch lives.
class CreationWatch {
public:
  explicit CreationWatch(const fs::path& folder) : fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    EXPECT_GE(fd, 0);
    EXPECT_GE(::inotify_add_watch(fd, folder.c_str(), IN_CREATE | IN_MOVED_TO), 0) << folder;
  }
  ~CreationWatch() { ::close(fd); }
  CreationWatch(const CreationWatch&) = delete;
  CreationWatch& operator=(const CreationWatch&) = delete;

  std::vector<std::string> names() const {
    std::vector<std::string> found;
    alignas(inotify_event) char buffer[4096];
    for (ssize_t got = ::read(fd, buffer, sizeof buffer); got > 0; got = ::read(fd, buffer, sizeof buffer)) {
      for (const char* at = buffer; at < buffer + got;) {
        const auto* event = reinterpret_cast<const inotify_event*>(at);
        if (event->len > 0 && (event->mask & IN_ISDIR) == 0) found.emplace_back(event->name);
        at += sizeof(inotify_event) + event->len;
      }
    }
    return found;
  }

private:
  int fd;
};

bool startsWithHeader(const std::string& text) {
  static const std::regex header(
      R"(^[A-Z][a-z]{2} [A-Z][a-z]{2} \d{2} \d{2}:\d{2}:\d{2} \d{4} \(utc\) Gatewright version 12\.5\.5 for MSFS 2020/2024\n)");
  return std::regex_search(text, header);
}

// A program folder as working folder, with the per-user folder and the
// single-instance lock kept inside it.
class ProcessEntry : public testing::Test {
protected:
  void SetUp() override {
    fs::create_directories(folder.path() / "docs");
    fs::copy(GWR_PROGRAM_INPUT_DIR, folder.path() / "input", fs::copy_options::recursive);
    ::setenv("XDG_RUNTIME_DIR", folder.path().c_str(), 1);
    platform::setKnownFolderRootForTests(folder.path() / "known");
    gf_resetPerUserPathsForTests();
    // Nothing listens there: the update check gives up at once.
    gf_setDownloadFolderUrl("http://127.0.0.1:9/");
    platform::setShellHooksForTests({.openFolder = nullptr,
                                     .messageBox = [this](const std::string& text, const std::string&) {
                                       messageBoxes.push_back(text);
                                     }});
  }
  void TearDown() override {
    gf_closeLogFileForTests();
    testsupport::resetRunLifecycle();  // a run's stop must not leak into the next suite
    // Nor its message line: an error left there would refuse later suites' notices.
    gf_installStatusLine(nullptr);
    gf_messageLine().clearError(true);
    platform::setShellHooksForTests({});
    platform::setKnownFolderRootForTests({});
    gf_resetPerUserPathsForTests();
  }

  // A small simulator package tree, named as the install path in the settings.
  void installSamplePackages() {
    const auto summary = pkggen::gf_generatePackageTree(
        {.packagesFolder = folder.path() / "sim", .dbaseXml = GWR_SOURCE_DIR "/data/dbase/dbase.xml", .cfgFiles = 12,
         .liveriesPerCfg = 4});
    ASSERT_GT(summary.sections, 0u);
    fs::create_directories(gf_perUserFolder());
    std::ofstream(gf_parametersFile()) << "<root><parameters><parameter name=\"MSFS_INSTALL_PATH\" value=\""
                                       << (folder.path() / "sim").string() << "\" /></parameters></root>";
  }

  int run(std::vector<std::string> arguments = {}) {
    arguments.insert(arguments.begin(), "gatewright");
    std::vector<char*> argv;
    for (auto& argument : arguments) argv.push_back(argument.data());
    const int code = gf_processEntry(static_cast<int>(argv.size()), argv.data());
    gf_closeLogFileForTests();
    return code;
  }

  testsupport::WorkingFolder folder;
  std::vector<std::string> messageBoxes;
};

// Production runs end after the data steps with exit code 0; the switches'
// last one wins whatever its letter case.
TEST_F(ProcessEntry, TwoProductionRunsLeaveTwoLogGenerationsEachWithTheHeader) {
  installSamplePackages();
  gf_forgetDataFilesReadForTests();  // as the first process start, whatever ran before in this one
  {
    // The data files are decrypted in memory: not even a passing plain copy.
    const CreationWatch input(inputFolder);
    ASSERT_EQ(run({"--production", "/No-Production", "/PRODUCTION"}), 0);
    EXPECT_EQ(input.names(), std::vector<std::string>{});
  }
  ASSERT_EQ(run({"/production"}), 0);

  const std::string current = readBytes("Log.txt");
  const std::string previous = readBytes("Log0.txt");
  EXPECT_TRUE(startsWithHeader(current)) << current;
  EXPECT_TRUE(startsWithHeader(previous)) << previous;
  EXPECT_NE(current.find("\nproduction\n"), std::string::npos);
  EXPECT_NE(previous.find("\nExiting: USER CLOSED SIM\n"), std::string::npos);
  // Production ends before the liveries and the simulator.
  EXPECT_EQ(previous.find("RealTraffic"), std::string::npos);
  // The reference database is read once per process; the airports answer from memory.
  EXPECT_NE(previous.find("dbase records read\n"), std::string::npos);
  EXPECT_EQ(current.find("dbase records read"), std::string::npos);
  EXPECT_FALSE(fs::exists(dbaseXmlFile));
  EXPECT_FALSE(fs::exists("Log00.txt"));
  EXPECT_TRUE(fs::is_regular_file(gf_parametersFile()));
  for (const fs::path& made : createdFolders) EXPECT_TRUE(fs::is_directory(made)) << made;
  EXPECT_FALSE(fs::exists(airportsXmlFile)) << "the decrypted table must not stay behind";
}

// A lock file that cannot be opened says nothing about another instance: the
// run ends with the reason in the log and in a message, not silently.
TEST_F(ProcessEntry, UnopenableLockFileIsReportedNotTakenForASecondInstance) {
  const fs::path lockFile = folder.path() / platform::gf_singleInstanceLockName();
  const struct {
    const char* name;
    std::string runtimeFolder;
    void (*prepare)(const fs::path& lockFile);
  } cases[] = {
      {"missing runtime folder", (folder.path() / "gone").string(), [](const fs::path&) {}},
      {"a link in its place", folder.path().string(),
       [](const fs::path& lock) { fs::create_symlink(lock.parent_path() / "elsewhere", lock); }},
      {"a folder in its place", folder.path().string(), [](const fs::path& lock) { fs::create_directory(lock); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(lockFile);
    fs::remove("Log.txt");
    messageBoxes.clear();
    c.prepare(lockFile);
    ::setenv("XDG_RUNTIME_DIR", c.runtimeFolder.c_str(), 1);
    EXPECT_EQ(run(), failureExitCode);
    const std::string expected = "Gatewright cannot start: its lock file '" + c.runtimeFolder + "/" +
                                 platform::gf_singleInstanceLockName() + "' cannot be opened: ";
    ASSERT_EQ(messageBoxes.size(), 1u);
    EXPECT_TRUE(messageBoxes[0].starts_with(expected)) << messageBoxes[0];
    EXPECT_NE(readBytes("Log.txt").find("==> " + expected), std::string::npos);
  }
}

TEST_F(ProcessEntry, UnopenableLogIsReportedAndEndsTheProcess) {
  fs::create_directory("Log.txt");  // a folder cannot be opened as the log
  EXPECT_EQ(run(), failureExitCode);
  ASSERT_EQ(messageBoxes.size(), 1u);
  EXPECT_NE(messageBoxes[0].find("Failed to write file Log.txt"), std::string::npos);
}

} // namespace
} // namespace gwr
