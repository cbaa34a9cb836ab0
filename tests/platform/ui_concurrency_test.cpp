// Threads that post to the window and change its controls while the window
// thread runs its loop: every task runs once, in each poster's order.
#include "platform/ui/headless_window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace gwr::platform {
namespace {

constexpr int posters = 4;
constexpr int tasksPerPoster = 500;
constexpr int maxLoopPasses = 1'000'000;

TEST(UiConcurrency, PostedTasksRunOnceInOrderWhileControlsChangeFromOtherThreads) {
  HeadlessWindow window;
  ASSERT_TRUE(window.open(WindowSpec{"Gatewright", 0, 0, 880, 477, Rect{0, 112, 880, 392}}));
  constexpr ControlId box = 1;
  constexpr ControlId edit = 2;
  window.addControl(ControlSpec::checkBox(box, 5, 147));
  window.addControl(ControlSpec::editBox(edit, 107, 259, 100));

  // Only the window thread touches these.
  std::vector<int> lastSeen(posters, -1);
  int ran = 0;
  bool outOfOrder = false;
  std::atomic<int> finished{0};

  std::vector<std::thread> threads;
  for (int poster = 0; poster < posters; ++poster) {
    threads.emplace_back([&, poster] {
      for (int i = 0; i < tasksPerPoster; ++i) {
        window.post([&, poster, i] {
          outOfOrder = outOfOrder || lastSeen[poster] != i - 1;
          lastSeen[poster] = i;
          ++ran;
        });
        window.setCheck(box, i % 2 == 0);
        window.setText(edit, std::to_string(i));
        window.invalidateSettingsArea();
      }
      ++finished;
    });
  }
  for (int pass = 0; pass < maxLoopPasses && (finished.load() < posters || window.pendingTasks() > 0); ++pass) {
    window.runOnce(0);
    (void)window.isChecked(box);
    (void)window.text(edit);
  }
  for (auto& thread : threads) thread.join();
  window.runOnce(0);

  EXPECT_EQ(ran, posters * tasksPerPoster);
  EXPECT_FALSE(outOfOrder);
  EXPECT_EQ(window.takeInvalidations().size(), static_cast<std::size_t>(posters * tasksPerPoster));
  EXPECT_EQ(window.text(edit), std::to_string(tasksPerPoster - 1));
}

} // namespace
} // namespace gwr::platform
