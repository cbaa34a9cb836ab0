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

// The ids of the process's threads.
inline std::set<std::string> threadIds() {
  std::set<std::string> ids;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task"))
    ids.insert(task.path().filename().string());
  return ids;
}

// The threads before a run; a first thread started beforehand lets a
// sanitizer's own helper thread exist before they are taken.
inline std::set<std::string> threadIdsBeforeRun() {
  std::thread([] {}).join();
  return threadIds();
}

// The threads there now that were not there before the run: none once every
// thread the run started has gone. Threads of before that end meanwhile do
// not count. A joined thread can stay listed in /proc for a moment after its
// join, longer on a loaded machine, so the question is asked again for a while.
inline std::vector<std::string> threadsLeftOver(const std::set<std::string>& before) {
  constexpr auto patience = std::chrono::seconds(5);
  constexpr auto pollPeriod = std::chrono::milliseconds(10);
  const auto deadline = std::chrono::steady_clock::now() + patience;
  for (;;) {
    std::vector<std::string> left;
    for (const std::string& id : threadIds())
      if (!before.contains(id)) left.push_back(id);
    if (left.empty() || std::chrono::steady_clock::now() >= deadline) return left;
    std::this_thread::sleep_for(pollPeriod);
  }
}

} // namespace gwr::testsupport
