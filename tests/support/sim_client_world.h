// Test helper for the simulator client: a small emulated world, hooks that
// record the run's stop and disconnect, and a driver that steps frames.
#pragma once

#include <algorithm>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "core/exit_reason.h"
#include "core/run_state.h"
#include "platform/sim/sim_emulator.h"
#include "support/log_capture.h"
#include "traffic/simclient/sim_client.h"
#include "traffic/simclient/sim_client_hooks.h"
#include "traffic/simclient/sim_commands.h"
#include "traffic/simclient/user_aircraft.h"

namespace gwr::testsupport {

inline constexpr const char* installedTitle = "Airbus A320 Lufthansa";

inline simemu::World sampleSimWorld() {
  std::istringstream text(
      "ground 100\n"
      "airport EDDF 50.0333 8.5706 364 Frankfurt Main\n"
      "parking 2 12 90 20 10 -5\n"
      "title Airbus A320 Lufthansa\n"
      "title Boeing 737-800 Ryanair\n"
      "user 50.0333 8.5706 372 90 1\n"
      "usertitle My Plane\n"
      "usermodel A320\n"
      "zulu 2024 60 0\n");
  std::vector<std::string> problems;
  return simemu::gf_parseWorld(text, problems);
}

// The run's exit reason and what the disconnect hook saw; the hook runs on
// the SimClient thread, so under a mutex.
struct RunRecord {
  std::mutex mutex;
  std::vector<bool> disconnects;  // the other-edition flag of each report

  static RunRecord& instance() {
    static RunRecord record;
    return record;
  }
  void clear() {
    std::lock_guard lock(mutex);
    disconnects.clear();
    exitReason.store(ExitReason::NotYetSet);
    restartDelaySeconds.store(0);
  }
  // The reason the run was stopped with; empty while none was named.
  static std::vector<std::string> reasons() {
    const ExitReason reason = exitReason.load();
    if (reason == ExitReason::NotYetSet) return {};
    return {std::string(gf_exitReasonName(reason))};
  }
  std::vector<bool> reports() {
    std::lock_guard lock(mutex);
    return disconnects;
  }
  static void disconnect(bool otherEdition) {
    auto& r = instance();
    std::lock_guard lock(r.mutex);
    r.disconnects.push_back(otherEdition);
  }
};

// Resets the emulator, the client's shared state and the hooks; the log goes
// to a temporary folder.
class SimClientWorld {
public:
  explicit SimClientWorld(simemu::World world = sampleSimWorld(), simemu::Options options = {}) {
    simemu::Emulator::instance().reset(std::move(world), options);
    stopRequested.store(false);
    quitRequested.store(false);
    SimEdition.store(true);
    RunRecord::instance().clear();
    SimClientHooks hooks;
    hooks.handleSimDisconnect = &RunRecord::disconnect;
    gf_installSimClientHooks(hooks);
    gf_prepareSimConnectQueues();
    gf_resetUserAircraft();
    simRunning.store(false);
  }
  ~SimClientWorld() {
    lf_closeSimConnect(simHandle);
    gf_installSimClientHooks({});
    stopRequested.store(false);
  }
  SimClientWorld(const SimClientWorld&) = delete;
  SimClientWorld& operator=(const SimClientWorld&) = delete;

  simemu::Emulator& emulator() { return simemu::Emulator::instance(); }
  LogCapture& log() { return log_; }
  bool logged(const std::string& line) const {
    const auto lines = log_.lines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }

private:
  LogCapture log_;
};

// Drives the client on the test's own thread: open, declare, pump.
class SyncSimClient : public SimClientWorld {
public:
  using SimClientWorld::SimClientWorld;
  bool connect() {
    if (!simconnect::succeeded(simconnect::Open(simHandle, simClientName, 0))) return false;
    lf_setupSimConnect(simHandle);
    return lf_pumpSimConnect();
  }
  bool pump() { return lf_pumpSimConnect(); }
  void step(std::uint64_t frames = 1) {
    for (std::uint64_t i = 0; i < frames; ++i) {
      emulator().stepFrames(1);
      pump();
      pump();  // the answers to what the frame sent
    }
  }
  std::vector<SimFeedback> feedback() {
    std::vector<SimFeedback> out;
    gf_takeFeedback(out);
    return out;
  }
  // The user state asked for and its reply handled.
  UserState userState() {
    gf_requestUserState();
    pump();
    return gf_userStateCopy();
  }
};

} // namespace gwr::testsupport
