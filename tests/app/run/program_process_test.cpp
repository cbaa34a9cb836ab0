// The built program as its own process in a program folder: what a user or a
// script sees of it is its exit code and its log.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <sys/stat.h>
#include <unistd.h>
#include <sys/wait.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include <fmt/format.h>

#include "app/run/embedded_sim.h"
#include "app/run/run.h"
#include "feeder/feed_clock.h"
#include "feeder/feed_schedule.h"
#include "feeder/scenario.h"
#include "feeder/scenario_player.h"
#include "pkggen/package_tree.h"
#include "platform/net/udp_socket.h"
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

  // Starts the program in the folder with the arguments (and more of its
  // environment); its process id, or -1.
  pid_t startProgram(const std::vector<std::string>& arguments, const std::vector<std::string>& more = {}) {
    const std::string root = folder.path().string();
    std::vector<std::string> environment{"HOME=" + root, "XDG_CONFIG_HOME=" + root + "/config",
                                         "XDG_DATA_HOME=" + root + "/data", "XDG_RUNTIME_DIR=" + root,
                                         "PATH=/usr/bin:/bin"};
    environment.insert(environment.end(), more.begin(), more.end());
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
    return spawned == 0 ? child : -1;
  }
  // Runs the program in the folder with the arguments; its exit status.
  int runProgram(const std::vector<std::string>& arguments) {
    const pid_t child = startProgram(arguments);
    if (child < 0) return -1000;
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

// True when a UDP port of the traffic feed is free on this machine.
bool lf_portFree(std::uint16_t port) {
  const int probe = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  const bool free = probe >= 0 && ::bind(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  if (probe >= 0) ::close(probe);
  return free;
}

// A network of this test's own (root, with `ip`): the feed's fixed ports then
// never meet another run's started beside it. The program started from here
// and the feeder's thread share it.
bool lf_ownNetwork() { return ::unshare(CLONE_NEWNET) == 0 && std::system("ip link set lo up") == 0; }

// A whole run whose flight plans are named pipes: the traffic thread meets
// the pipe when the first aircraft is created, and a termination request
// still ends the run within 2 s, the usual way.
TEST_F(ProgramProcess, ASigtermEndsARunWhoseFlightPlanIsAPipeWithinTwoSeconds) {
  if (!lf_ownNetwork() && (!lf_portFree(trafficReaderPort) || !lf_portFree(qnhReaderPort)))
    GTEST_SKIP() << "the traffic feed's ports are held by another program";
  const fs::path packages = folder.path() / "sim";
  pkggen::gf_generatePackageTree(
      {.packagesFolder = packages, .dbaseXml = GWR_SOURCE_DIR "/data/dbase/dbase.xml", .cfgFiles = 40, .liveriesPerCfg = 4});
  fs::copy_file(fs::path(GWR_FEEDER_SCENARIOS) / "eddf_world.txt", packages / "world.txt");
  // A fixed range: the automatic one on the ground leaves the arrival out for minutes.
  std::ofstream(folder.path() / "config" / "Gatewright" / "parameters.xml")
      << R"(<root><parameters><parameter name="MSFS_INSTALL_PATH" value=")" << packages.string()
      << R"(" /><parameter name="AUTO_RANGE" value="false" /></parameters></root>)";
  // AI objects get the ids after the user aircraft's, one by one.
  fs::create_directories(folder.path() / "orig_dest");
  for (std::uint32_t id = embeddedUserObjectId + 1; id <= embeddedUserObjectId + 50; ++id)
    ASSERT_EQ(::mkfifo((folder.path() / "orig_dest" / fmt::format("{}.pln", id)).c_str(), 0600), 0);

  const pid_t child = startProgram({}, {"GWR_PACKAGES=" + packages.string()});
  ASSERT_GT(child, 0);
  std::atomic<bool> stop{false};
  std::thread feed([&stop] {
    feeder::SystemFeedClock clock(stop);
    const double start = clock.now();
    feeder::Scenario scenario;
    for (const char* name : {"eddf_departure.txt", "eddf_arrival.txt", "eddf_overflight.txt"}) {
      const fs::path file = fs::path(GWR_FEEDER_SCENARIOS) / name;
      feeder::gf_mergeScenario(scenario, feeder::gf_readScenarioFile(file), file.string());
    }
    feeder::FeedSchedule schedule;
    schedule.add(std::make_unique<feeder::ScenarioPlayer>(std::move(scenario), start));
    platform::UdpSocket sender;
    if (sender.open() != 0) return;
    feeder::gf_runSchedule(schedule, clock, feeder::never, [&](feeder::FeedStream, std::string_view line) {
      sender.sendTo(line, platform::Ipv4Address::loopback(), trafficReaderPort);
    });
  });

  // The plan is tried as soon as the program learns the object was created.
  const auto seen = [this](const std::regex& line) { return std::regex_search(log(), line); };
  const std::regex created("Emulated simulator: object [0-9]+ [A-Z0-9]+ created as");
  const std::regex refused("orig_dest/[0-9]+\\.pln not written: it is a named pipe, not a regular file");
  const auto running = [child] {
    siginfo_t ended{};
    return ::waitid(P_PID, static_cast<id_t>(child), &ended, WEXITED | WNOHANG | WNOWAIT) == 0 && ended.si_pid == 0;
  };
  const auto waitFor = [&](const std::regex& line, std::chrono::seconds most) {
    const auto giveUp = std::chrono::steady_clock::now() + most;
    while (!seen(line) && std::chrono::steady_clock::now() < giveUp && running())
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return seen(line);
  };
  EXPECT_TRUE(waitFor(created, std::chrono::seconds(120))) << log();
  EXPECT_TRUE(waitFor(refused, std::chrono::seconds(5))) << log();

  ::kill(child, SIGTERM);
  const auto termEnd = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  int status = 0;
  pid_t ended = 0;
  while ((ended = ::waitpid(child, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < termEnd)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  if (ended != child) {
    ADD_FAILURE() << "the process is still there 2 s after SIGTERM";
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
  } else {
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_NE(log().find("Exiting: USER CLOSED SIM"), std::string::npos) << log();
  }
  stop.store(true);
  feed.join();
  // The close-down ran to its end: it takes the plans' folder away.
  EXPECT_FALSE(fs::exists(folder.path() / "orig_dest"));
}

} // namespace
} // namespace gwr
