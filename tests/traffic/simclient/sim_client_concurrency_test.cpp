// The SimClient thread against the emulated simulator: connection with retry,
// the creation road across threads, the try-lock of the frame handler, and
// the ways out of the thread with and without a lost-simulator report.
#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "core/run_state.h"
#include "support/sim_client_world.h"
#include "traffic/simclient/ai_control.h"
#include "traffic/simclient/sim_ids.h"

namespace gwr {
namespace {

using testsupport::installedTitle;
using testsupport::RunRecord;
using testsupport::SimClientWorld;

constexpr auto endLimit = std::chrono::seconds(5);
constexpr std::size_t declaredFields = 34;

// The SimClient thread with a way to see that it ended by itself.
class ClientThread {
public:
  ClientThread() {
    auto ended = std::make_shared<std::promise<void>>();
    end_ = ended->get_future();
    thread_ = std::jthread([ended](std::stop_token stop) {
      lf_simClientThread(stop);
      ended->set_value();
    });
  }
  ~ClientThread() { stop(); }
  bool endedByItself() { return end_.wait_for(endLimit) == std::future_status::ready; }
  void stop() {
    if (thread_.joinable()) {
      thread_.request_stop();
      thread_.join();
    }
  }

private:
  std::future<void> end_;
  std::jthread thread_;
};


simemu::Options edition(int year) {
  simemu::Options options;
  options.edition = year;
  return options;
}

TEST(SimClientThread, ConnectsAfterFailedOpensAndRunsTheCreationRoad) {
  SimClientWorld world;
  auto& emu = world.emulator();
  emu.failNextOpens(2);
  ClientThread client;
  ASSERT_TRUE(emu.waitForCalls("AddToDataDefinition", declaredFields));
  ASSERT_TRUE(emu.waitUntilDispatched());
  EXPECT_EQ(emu.countCalls("Open"), 3u);
  EXPECT_TRUE(world.logged("Waiting for MSFS 2020 ..."));

  gf_requestUserState();
  AiCreateRequest request;
  request.position = {50.0333, 8.5706, 372.0, 0, 0, 90, 1, 0};
  std::tie(request.tailNumber, request.title, request.hexid) = std::tuple("DLH1", installedTitle, 20001u);
  gf_queueCreateRequest(request);
  for (int frame = 0; frame < 2; ++frame) {
    emu.stepFrames(1);
    ASSERT_TRUE(emu.waitUntilDispatched());
  }
  gf_requestAircraftInRadius(20000);
  ASSERT_TRUE(emu.waitUntilDispatched());
  std::vector<SimFeedback> feedback;
  gf_takeFeedback(feedback);
  ASSERT_EQ(feedback.size(), 1u);
  EXPECT_EQ(std::tuple(feedback[0].kind, feedback[0].value), std::tuple(FeedbackKind::LiveCreated, 20001u));
  emu.stepFrames(1);
  ASSERT_TRUE(emu.waitUntilDispatched());
  const auto object = emu.object(feedback[0].objectId);
  ASSERT_TRUE(object);
  EXPECT_TRUE(object->released && object->freezeLatLon && object->freezeAltitude && object->freezeAttitude);

  client.stop();
  // Closing down is no lost simulator.
  EXPECT_TRUE(RunRecord::instance().reports().empty() && world.logged("SimClient ends: stopped") &&
              world.logged("SimConnect closed ok"));
}

TEST(SimClientThread, FrameHandlerNeverWaitsForTheCommandMutex) {
  SimClientWorld world;
  auto& emu = world.emulator();
  ClientThread client;
  ASSERT_TRUE(emu.waitForCalls("AddToDataDefinition", declaredFields));
  gf_queueAiEvent(5, GearSet, 1);
  {
    std::lock_guard held(simCommandMutex);
    emu.stepFrames(3);
    // Every frame was handled although the lock stayed taken.
    ASSERT_TRUE(emu.waitUntilDispatched());
    EXPECT_EQ(emu.countCalls("TransmitClientEvent"), 0u);
  }
  emu.stepFrames(1);
  ASSERT_TRUE(emu.waitUntilDispatched());
  EXPECT_EQ(emu.countCalls("TransmitClientEvent"), 1u);
}

TEST(SimClientThread, TrafficAndFramesRunSideBySide) {
  SimClientWorld world;
  auto& emu = world.emulator();
  ClientThread client;
  ASSERT_TRUE(emu.waitForCalls("AddToDataDefinition", declaredFields));
  constexpr int passes = 200;
  std::jthread frames([&emu] {
    for (int i = 0; i < passes; ++i) {
      emu.stepFrames(1);
      emu.waitUntilDispatched();
    }
  });
  int swaps = 0;
  for (int tick = 0; tick < passes; ++tick) {
    auto& fill = gf_positionFillBuffer();
    fill.clear();
    fill.push_back({50.0, 8.0, 0, 0, 0, 1000, 0, 150, 1000u + static_cast<std::uint32_t>(tick)});
    if (gf_swapPositionBuffers()) ++swaps;
    gf_queueAiEvent(1000, NavLightsSet, static_cast<std::uint32_t>(tick & 1));
    gf_requestUserState();
  }
  frames.join();
  emu.stepFrames(1);
  ASSERT_TRUE(emu.waitUntilDispatched());
  EXPECT_GT(swaps, 0);
  EXPECT_EQ(emu.countCalls("TransmitClientEvent"), static_cast<std::size_t>(passes));
}

// Every way out is a lost simulator but a shown user error, after which the run's
// next request fails; only the other edition asks for a restart with it.
TEST(SimClientThread, EveryWayOutButAShownUserErrorReportsTheDisconnect) {
  simemu::Options otherSim;
  otherSim.applicationName = "Some-Other Sim";
  struct Case {
    const char* name;
    simemu::Options options;
    void (*cause)(simemu::Emulator&);
    const char* line;
    std::vector<bool> reports;  // none: a shown user error
  };
  const Case cases[] = {
      {"quit", {}, [](simemu::Emulator& e) { e.quit(); }, "SimClient ends: simulator connection ended", {false}},
      {"lost", {}, [](simemu::Emulator& e) { e.disconnect(); }, "==> SimConnect connection lost", {false}},
      {"version mismatch", {}, [](simemu::Emulator& e) { e.injectException(5, 0, 3); },
       "Error 95: SimConnect Version Mismatch, dwIndex: 3", {}},
      {"other edition", edition(2024), nullptr, "MSFS and Gatewright do not match, restarting ...", {true}},
      {"unrecognised simulator", otherSim, nullptr,
       "Error 77: 'SomeOther Sim' not being MSFS 2020 or MSFS 2024 connects ... ?", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SimClientWorld world(testsupport::sampleSimWorld(), c.options);
    ClientThread client;
    if (c.cause != nullptr) {  // else the open itself ends it
      ASSERT_TRUE(world.emulator().waitForCalls("AddToDataDefinition", declaredFields));
      c.cause(world.emulator());
    }
    ASSERT_TRUE(client.endedByItself());
    EXPECT_EQ(RunRecord::instance().reports(), c.reports);
    EXPECT_TRUE(world.logged(c.line));
    if (c.reports.empty()) {
      gf_requestUserState();
      EXPECT_EQ(std::pair(RunRecord::reasons(), restartDelaySeconds.load()),
                std::pair(std::vector<std::string>{"SIMCONNECT ERROR"}, 9));
    }
  }
}

TEST(SimClientThread, StopEndsTheWaitForASimulatorThatNeverAnswers) {
  SimClientWorld world;
  world.emulator().failNextOpens(1'000'000);
  ClientThread client;
  ASSERT_TRUE(world.emulator().waitForCalls("Open", 2));
  const auto asked = std::chrono::steady_clock::now();
  client.stop();
  EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::milliseconds(500));
  EXPECT_TRUE(RunRecord::instance().reports().empty());
}

} // namespace
} // namespace gwr
