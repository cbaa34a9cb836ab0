// Tests of the log: generations kept at opening, the header line and the
// names of the generations.
#include "core/log.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "core/run_state.h"
#include "support/log_capture.h"

namespace gwr {
namespace {

using testsupport::WorkingFolder;
using Files = std::map<std::string, std::optional<std::string>>;  // nullopt: absent

std::optional<std::string> lf_read(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(LogGenerations, OpeningMovesThemOnByCopyingAndWritesOnlyTheHeader) {
  const std::vector<std::pair<Files, Files>> cases{
      {{}, {{"Log0.txt", std::nullopt}}},
      {{{"Log.txt", "4"}}, {{"Log0.txt", "4"}, {"Log00.txt", std::nullopt}, {"Log000.txt", std::nullopt}}},
      {{{"Log.txt", "4"}, {"Log0.txt", "3"}, {"Log00.txt", "2"}, {"Log000.txt", "1"}},
       {{"Log0.txt", "4"}, {"Log00.txt", "3"}, {"Log000.txt", "2"}}},
      // copies, not renames: a generation stays until something is copied over it
      {{{"Log.txt", "4"}, {"Log00.txt", "2"}}, {{"Log0.txt", "4"}, {"Log00.txt", "2"}, {"Log000.txt", "2"}}}};
  static const std::regex header(
      R"([A-Z][a-z]{2} [A-Z][a-z]{2} \d{2} \d{2}:\d{2}:\d{2} \d{4} \(utc\) Gatewright version 12\.5\.5 for MSFS 2020/2024\n)");
  for (const auto& [before, after] : cases) {
    WorkingFolder folder;
    for (const auto& [name, text] : before) std::ofstream(name) << *text;
    gf_openLogFile();
    gf_closeLogFileForTests();
    for (const auto& [name, expected] : after) EXPECT_EQ(lf_read(name), expected) << name;
    const std::string log = lf_read("Log.txt").value_or("");
    EXPECT_TRUE(std::regex_match(log, header)) << log;
  }
}

// A long run's log is copied on a piece at a time: a log larger than the
// memory the process may still take becomes the first generation, whole.
TEST(LogGenerations, ALogLargerThanTheFreeMemoryIsCopiedOnWhole) {
  WorkingFolder folder;
  constexpr std::uintmax_t logBytes = 160ULL << 20;
  constexpr rlim_t spareBytes = 64ULL << 20;
  std::ofstream("Log.txt") << "the first line\n";
  std::filesystem::resize_file("Log.txt", logBytes);  // sparse: no disc taken until copied
  std::fflush(nullptr);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const rlimit limit{static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + spareBytes,
                       RLIM_INFINITY};
    bool opened = ::setrlimit(RLIMIT_AS, &limit) == 0;
    try {
      gf_openLogFile();
      gf_closeLogFileForTests();
    } catch (...) {
      opened = false;
    }
    ::_exit(opened ? 0 : 1);
  }
  int status = -1;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the log did not open";
  EXPECT_EQ(std::filesystem::file_size("Log0.txt"), logBytes);
  std::string start(15, '\0');
  std::ifstream("Log0.txt", std::ios::binary).read(start.data(), 15);
  EXPECT_EQ(start, "the first line\n");
}

// The quiet writer writes nothing while either stop flag is set, and writes
// again once both are cleared for a restart.
TEST(LogLines, TheQuietWriterStaysQuietWhileTheRunStops) {
  testsupport::LogCapture log;
  const struct {
    bool stop, quit, written;
  } rows[] = {{false, false, true}, {true, false, false}, {false, true, false}, {true, true, false},
              {false, false, true}};
  for (const auto& row : rows) {
    stopRequested.store(row.stop);
    quitRequested.store(row.quit);
    log.mark();
    gf_logIfRunning("while running");
    stopRequested.store(false);
    quitRequested.store(false);
    EXPECT_EQ(log.lines(), row.written ? std::vector<std::string>{"while running"} : std::vector<std::string>{})
        << "stop " << row.stop << ", quit " << row.quit;
  }
}

TEST(LogGenerations, NamesPutZerosBeforeTheLastDot) {
  const std::vector<std::tuple<std::string, int, std::string>> cases{
      {"a.b.xml", 1, "a.b0.xml"}, {"my.dir/x.y", 2, "my.dir/x00.y"}, {"noext", 1, ""}, {"dir/", 1, ""},
      {"dir/..", 1, ""}, {".", 1, ""}, {"a.xml", 0, ""}};
  for (const auto& [path, n, expected] : cases) EXPECT_EQ(gf_generationName(path, n), expected) << path;
}

} // namespace
} // namespace gwr
