// The emulated simulator's own frame thread: frames at a rate until stopped.
#include <gtest/gtest.h>

#include <sstream>

#include "platform/sim/sim_emulator.h"

namespace gwr {
namespace {

TEST(SimEmulatorFrames, RaisedAtARateUntilStopped) {
  std::istringstream text("title Airbus A320\nuser 50 8 1000 0 0\n");
  std::vector<std::string> problems;
  auto& emu = simemu::Emulator::instance();
  emu.reset(simemu::gf_parseWorld(text, problems));
  emu.startFrames(1000);
  EXPECT_TRUE(emu.waitForFrame(5));
  emu.stopFrames();
  const auto count = emu.frameCount();
  EXPECT_FALSE(emu.waitForFrame(count + 1, std::chrono::milliseconds(20)));
}

} // namespace
} // namespace gwr
