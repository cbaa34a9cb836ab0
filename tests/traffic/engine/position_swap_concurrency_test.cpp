// The traffic pass's hand-over of positions while the simulator client holds
// the command mutex on another thread.
#include <gtest/gtest.h>

#include <future>
#include <mutex>
#include <thread>

#include "traffic/engine/traffic_engine.h"
#include "traffic/simclient/sim_commands.h"

namespace gwr {
namespace {

// While the client holds the command mutex, the pass drops its positions
// instead of waiting, and the client's send buffer stays as it was.
TEST(PositionSwap, BusyClientDropsThePassPositions) {
  gf_prepareSimConnectQueues();
  gf_positionFillBuffer().push_back({50.0, 8.0, 0, 0, 0, 3000, 0, 250, 101});
  lf_swapPositions();
  ASSERT_EQ(gf_queueSizesForTests().positions, 1u);

  std::promise<void> held;
  std::promise<void> release;
  std::thread client([&held, released = release.get_future()] {
    const std::lock_guard command(simCommandMutex);
    held.set_value();
    released.wait();
  });
  held.get_future().wait();
  gf_positionFillBuffer().push_back({50.1, 8.0, 0, 0, 0, 3000, 0, 250, 101});
  gf_positionFillBuffer().push_back({50.2, 8.0, 0, 0, 0, 3000, 0, 250, 102});
  lf_swapPositions();
  EXPECT_TRUE(gf_positionFillBuffer().empty());
  release.set_value();
  client.join();
  EXPECT_EQ(gf_queueSizesForTests().positions, 1u);  // the earlier pass's, not this one's
  gf_prepareSimConnectQueues();
}

} // namespace
} // namespace gwr
