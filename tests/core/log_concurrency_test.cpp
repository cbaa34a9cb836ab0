// Tests that lines of threads writing the log at the same time arrive whole,
// each thread's lines in its own order.
#include <string>
#include <thread>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "core/log.h"
#include "support/log_capture.h"

namespace gwr {
namespace {

constexpr int threadCount = 8;
constexpr int linesPerThread = 2000;

// Varying lengths, so that a torn line cannot look like a whole one.
std::string lf_line(int thread, int line) {
  return fmt::format("t{} n{} {}", thread, line, std::string(static_cast<std::size_t>(line % 97), 'x'));
}

TEST(LogConcurrency, EveryLineOfEveryThreadArrivesWholeAndInItsOrder) {
  testsupport::LogCapture log;
  std::vector<std::thread> writers;
  for (int t = 0; t < threadCount; ++t)
    writers.emplace_back([t] {
      for (int n = 0; n < linesPerThread; ++n) gf_logError(lf_line(t, n));
    });
  for (auto& writer : writers) writer.join();

  std::vector<int> next(threadCount, 0);
  for (const std::string& line : log.lines()) {
    const int t = line.size() > 5 ? line[5] - '0' : -1;  // "==> t<digit> ..."
    ASSERT_TRUE(t >= 0 && t < threadCount) << line;
    ASSERT_EQ(line, "==> " + lf_line(t, next[static_cast<std::size_t>(t)]++));
  }
  for (int count : next) EXPECT_EQ(count, linesPerThread);
}

} // namespace
} // namespace gwr
