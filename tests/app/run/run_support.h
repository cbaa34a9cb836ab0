// What the whole-run tests share: the emulated simulator's frames for each
// wait for the flight, free UDP ports for the readers and the process's
// thread count.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <iterator>
#include <thread>

#include <gtest/gtest.h>

#include "platform/net/udp_socket.h"
#include "platform/sim/sim_emulator.h"
#include "traffic/simclient/sim_commands.h"

namespace gwr::testsupport {

// A few frames of the emulated simulator stand for each wait for the flight,
// which starts once the client listens for it.
inline void stepSimulatorFrames(std::chrono::milliseconds) {
  auto& emu = simemu::Emulator::instance();
  if (!simRunning.load() && emu.countCalls("SubscribeToSystemEvent") > 0) emu.setSimRunning(true);
  emu.stepFrames(2);
  static_cast<void>(emu.waitUntilDispatched());
}

inline std::uint16_t freeUdpPort() {
  platform::UdpSocket probe;
  EXPECT_EQ(probe.open(), 0);
  EXPECT_EQ(probe.bind(platform::Ipv4Address::any(), 0), 0);
  return probe.localPort();
}

// The threads of the process; a first thread started beforehand lets a
// sanitizer's own helper thread exist before the count is taken.
inline std::size_t threadCount() {
  std::thread([] {}).join();
  const auto tasks = std::filesystem::directory_iterator("/proc/self/task");
  return static_cast<std::size_t>(std::distance(begin(tasks), end(tasks)));
}

// The thread count once it is back at expected, or what it is after 0.3 s:
// a joined thread's entry can linger in /proc for a moment after the join.
inline std::size_t threadCountSettled(std::size_t expected) {
  std::size_t now = threadCount();
  for (int wait = 0; wait < 30 && now > expected; ++wait) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    now = threadCount();
  }
  return now;
}

} // namespace gwr::testsupport
