// The traffic pass's hand-over of positions while the simulator client holds
// the command mutex on another thread.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "traffic/sim_commands.h"
#include "traffic/traffic_engine.h"

namespace gwr {
namespace {

// While the client holds the command mutex, the pass drops its positions
// instead of waiting, and the client's send buffer stays as it was.
TEST(PositionSwap, BusyClientDropsThePassPositions) {
  gf_prepareSimConnectQueues();
  gf_positionFillBuffer().push_back({50.0, 8.0, 0, 0, 0, 3000, 0, 250, 101});
  lf_swapPositions();
  ASSERT_EQ(gf_queueSizesForTests().positions, 1u);

  std::mutex m;
  std::condition_variable cv;
  bool held = false, release = false;
  std::thread client([&] {
    std::lock_guard command(simCommandMutex);
    std::unique_lock lock(m);
    held = true;
    cv.notify_all();
    cv.wait(lock, [&] { return release; });
  });
  {
    std::unique_lock lock(m);
    cv.wait(lock, [&] { return held; });
  }
  gf_positionFillBuffer().push_back({50.1, 8.0, 0, 0, 0, 3000, 0, 250, 101});
  gf_positionFillBuffer().push_back({50.2, 8.0, 0, 0, 0, 3000, 0, 250, 102});
  lf_swapPositions();
  EXPECT_TRUE(gf_positionFillBuffer().empty());
  {
    std::lock_guard lock(m);
    release = true;
  }
  cv.notify_all();
  client.join();
  EXPECT_EQ(gf_queueSizesForTests().positions, 1u);  // the earlier pass's, not this one's
  gf_prepareSimConnectQueues();
}

} // namespace
} // namespace gwr
