// The emulated simulator's own frame thread, and clients dispatching on other
// threads while a test steps frames and scripts the user aircraft.
#include <gtest/gtest.h>

#include <sstream>
#include <thread>

#include "platform/sim/sim_api.h"
#include "platform/sim/sim_emulator.h"

namespace gwr {
namespace {

using simemu::Emulator;

simemu::World sampleWorld() {
  std::istringstream text("title Airbus A320\nuser 50 8 1000 0 0\n");
  std::vector<std::string> problems;
  return simemu::gf_parseWorld(text, problems);
}

TEST(SimEmulatorFrames, RaisedAtARateUntilStopped) {
  auto& emu = Emulator::instance();
  emu.reset(sampleWorld());
  emu.startFrames(1000);
  EXPECT_TRUE(emu.waitForFrame(5));
  emu.stopFrames();
  const auto count = emu.frameCount();
  EXPECT_FALSE(emu.waitForFrame(count + 1, std::chrono::milliseconds(20)));
}

TEST(SimEmulatorFrames, AClientThreadSeesEveryFrame) {
  auto& emu = Emulator::instance();
  emu.reset(sampleWorld());
  simconnect::Handle handle = nullptr;
  ASSERT_EQ(simconnect::Open(handle, "Test", 0), simconnect::resultOk);
  simconnect::SubscribeToSystemEvent(handle, 204, "Frame");
  static std::atomic<int> frames{0};
  frames = 0;
  std::jthread client([handle](std::stop_token stop) {
    while (!stop.stop_requested()) {
      simconnect::CallDispatch(handle, [](const simconnect::RecvHeader* m, std::uint32_t, void*) {
        if (m->id == static_cast<std::uint32_t>(simconnect::RecvId::EventFrame)) ++frames;
      }, nullptr);
      std::this_thread::yield();
    }
  });
  constexpr int steps = 100;
  for (int i = 0; i < steps; ++i) {
    emu.stepFrames(1);
    emu.setUserPosition(50.0 + i * 0.001, 8.0, 1000.0);
  }
  ASSERT_TRUE(emu.waitUntilDispatched());
  EXPECT_EQ(frames.load(), steps);
  client.request_stop();
  client.join();
  simconnect::Close(handle);
}

} // namespace
} // namespace gwr
