// What the whole-run tests share: the emulated simulator's frames for each
// wait for the flight, free UDP ports for the readers and the threads a run
// leaves behind.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

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

inline std::set<std::string> threadIds() {
  std::set<std::string> ids;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) ids.insert(task.path().filename());
  return ids;
}

// Taken before a run; a first thread lets a sanitizer's helper thread exist first.
inline std::set<std::string> threadIdsBeforeRun() {
  std::thread([] {}).join();
  return threadIds();
}

// The threads there now that were not before the run (those of before may
// end meanwhile). A joined thread can stay in /proc for a while after its
// join on a loaded machine, so it is asked again for up to 5 s.
inline std::vector<std::string> threadsLeftOver(const std::set<std::string>& before) {
  std::vector<std::string> left;
  for (int poll = 0; poll < 500; ++poll, std::this_thread::sleep_for(std::chrono::milliseconds(10))) {
    left.clear();
    for (const std::string& id : threadIds())
      if (!before.contains(id)) left.push_back(id);
    if (left.empty()) break;
  }
  return left;
}

} // namespace gwr::testsupport
