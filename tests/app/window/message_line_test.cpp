// The message line through the program's own notice and error calls: errors
// hide later notices, notices age away after 25 traffic seconds.
#include "app/window/message_line.h"

#include "core/status_line.h"
#include "support/log_capture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace gwr {
namespace {

class MessageLineTest : public testing::Test {
protected:
  void SetUp() override { gf_installStatusLine(&line); }
  void TearDown() override { gf_installStatusLine(nullptr); }
  bool logged(const std::string& text) {
    const auto lines = log.lines();
    return std::find(lines.begin(), lines.end(), text) != lines.end();
  }
  void age(int seconds) {
    for (int i = 0; i < seconds; ++i) line.ageOneSecond();
  }

  testsupport::LogCapture log;
  int repaints = 0;
  MessageLine line{[this] { ++repaints; }};
};

// A notice over an error is not stored, not logged and not repainted.
TEST_F(MessageLineTest, AnErrorHidesLaterNoticesUntilItIsCleared) {
  setStatusText("Scanning ...", true);
  setStatusError("41: wrong folder");
  EXPECT_EQ(line.notice(), "");
  EXPECT_EQ(line.error(), "41: wrong folder");
  // The line itself logs the error once it holds it, and only once.
  const auto lines = log.lines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "Error 41: wrong folder"), 1);
  log.mark();
  line.showError("41: wrong folder");
  EXPECT_EQ(log.lines(), std::vector<std::string>{"Error 41: wrong folder"});
  const int before = repaints;
  setStatusText("Restarting after 3 seconds", true);
  EXPECT_EQ(line.notice(), "");
  EXPECT_FALSE(logged("Restarting after 3 seconds"));
  EXPECT_EQ(repaints, before);
  age(100);
  EXPECT_EQ(line.error(), "41: wrong folder");

  line.clearError(false);
  setStatusText("Path accepted", true);
  EXPECT_EQ(line.notice(), "Path accepted");
  EXPECT_TRUE(logged("Path accepted"));
}

// A notice set at counter 0 gets stamp 1 and goes when the counter reaches 26.
TEST_F(MessageLineTest, ANoticeStaysTwentyFiveTrafficSeconds) {
  setStatusText("first", false);
  age(25);
  EXPECT_EQ(line.notice(), "first");
  age(1);
  EXPECT_EQ(line.notice(), "");
  setStatusText("second", false);  // stamp 26
  age(20);
  setStatusText("third", false);   // a new notice starts its own 25 seconds
  age(24);
  EXPECT_EQ(line.notice(), "third");
  age(1);
  EXPECT_EQ(line.notice(), "");
}

TEST_F(MessageLineTest, AnEmptyNoticeClearsAndLogsNothing) {
  setStatusText("shown", false);
  log.mark();
  setStatusText("", true);
  EXPECT_EQ(line.notice(), "");
  EXPECT_TRUE(log.lines().empty());
  // The reset before a restart clears error, notice and counters alike.
  setStatusError("broken");
  line.clearError(true);
  setStatusText("again", false);
  age(25);
  EXPECT_EQ(line.notice(), "again");
}

} // namespace
} // namespace gwr
