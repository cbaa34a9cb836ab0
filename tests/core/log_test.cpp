// Tests of the log: generations kept at opening, the header line, the line
// forms of the writers, the quiet writer while stopping, and open failures.
#include "core/log.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "core/run_state.h"
#include "support/log_capture.h"

namespace gwr {
namespace {

using testsupport::LogCapture;
using testsupport::WorkingFolder;
using Lines = std::vector<std::string>;
using Files = std::map<std::string, std::optional<std::string>>;  // nullopt: absent

std::optional<std::string> lf_read(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(LogGenerations, NamesPutZerosBeforeTheFileNamesLastDot) {
  const std::vector<std::tuple<std::string, int, std::string>> cases{
      {"Log.txt", 1, "Log0.txt"}, {"Log.txt", 3, "Log000.txt"}, {"a.b.xml", 1, "a.b0.xml"},
      {"my.dir/x.y", 2, "my.dir/x00.y"}, {"noext", 1, ""}, {"my.dir/Log", 1, ""}, {"dir/", 1, ""}};
  for (const auto& [path, n, expected] : cases) EXPECT_EQ(gf_generationName(path, n), expected) << path;
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

TEST(LogGenerations, AFailedStepIsReportedAndTheOthersStillRun) {
  LogCapture log;
  std::ofstream("Old.txt") << "previous";
  std::filesystem::create_directory("Old00.txt");  // can be neither copied nor overwritten
  EXPECT_FALSE(gf_saveUpto3GenerationsOf("Old.txt"));
  EXPECT_EQ(lf_read("Old0.txt"), "previous");
  std::filesystem::create_directory("my.dir");
  std::ofstream("my.dir/Log") << "x";
  log.mark();
  EXPECT_FALSE(gf_saveUpto3GenerationsOf("my.dir/Log"));
  EXPECT_EQ(log.lines(), Lines{"==> gf_saveUpto3GenerationsOf: no dot in filename: my.dir/Log"});
  EXPECT_FALSE(std::filesystem::exists("my0.dir"));
}

TEST(LogOpen, ThrowsWhenTheFileCannotBeOpenedAndLinesAreDropped) {
  WorkingFolder folder;
  std::filesystem::create_directory("Log.txt");
  try {
    gf_openLogFile();
    ADD_FAILURE() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Failed to write file Log.txt");
  }
  gf_log("dropped");
  EXPECT_TRUE(std::filesystem::is_empty("Log.txt"));
}

TEST(LogWriters, WriteTheTextAsGivenWithTheirPrefixAndOneLineFeed) {
  const std::vector<std::tuple<void (*)(std::string_view), std::string, std::string>> cases{
      {gf_log, "", "\n"},
      {gf_logError, "a\nb", "==> a\nb\n"},
      {gf_logIndented, "a\r\nb", "          a\r\nb\n"},
      {gf_log, std::string("nul\0byte", 8), std::string("nul\0byte\n", 9)}};
  LogCapture log;
  for (const auto& [writer, text, expected] : cases) {
    log.mark();
    writer(text);
    EXPECT_EQ(log.text(), expected);
  }
  log.mark();
  gf_logIfRunning("1 running");
  stopRequested = true;
  gf_logIfRunning("2 stop");
  quitRequested = true;
  stopRequested = false;
  gf_logIfRunning("3 quit");
  quitRequested = false;
  gf_logIfRunning("4 restarted");
  EXPECT_EQ(log.lines(), (Lines{"1 running", "4 restarted"}));
}

} // namespace
} // namespace gwr
