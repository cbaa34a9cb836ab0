// How long the frame handler holds the command mutex while it sends one tick's
// positions to 50, 200 and 500 AI objects of the emulated simulator.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <sstream>
#include <vector>

#include "platform/sim/sim_emulator.h"
#include "traffic/simclient/sim_client.h"
#include "traffic/simclient/sim_commands.h"

namespace {

using namespace gwr;

constexpr const char* benchTitle = "Bench Liner";

void noMessages(const simconnect::RecvHeader*, std::uint32_t, void*) {}

// A connection with the declarations made and `count` AI objects in place.
std::vector<std::uint32_t> prepare(std::size_t count) {
  std::istringstream text(std::string("title ") + benchTitle + "\nuser 50 8 1000 0 0\n");
  std::vector<std::string> problems;
  simemu::Options options;
  options.keepHistory = false;
  simemu::Emulator::instance().reset(simemu::gf_parseWorld(text, problems), options);
  gf_prepareSimConnectQueues();
  simconnect::Open(simHandle, "Bench", 0);
  lf_setupSimConnect(simHandle);
  userObjectId.store(options.userObjectId);
  for (std::size_t i = 0; i < count; ++i) {
    simconnect::InitPosition at{50.0 + 0.001 * static_cast<double>(i), 8.0, 3000, 0, 0, 0, 0, 250};
    simconnect::AICreateNonATCAircraft(simHandle, benchTitle, "B", at, 1);
  }
  simemu::Emulator::instance().stepFrames(1);
  simconnect::CallDispatch(simHandle, &noMessages, nullptr);
  std::vector<std::uint32_t> ids;
  for (const auto& o : simemu::Emulator::instance().objects()) ids.push_back(o.id);
  return ids;
}

void BM_FrameHandlerHold(benchmark::State& state) {
  const auto ids = prepare(static_cast<std::size_t>(state.range(0)));
  std::vector<double> micros;
  for (auto _ : state) {
    auto& fill = gf_positionFillBuffer();
    for (auto id : ids) fill.push_back({50.0, 8.0, -0.05, 0.1, 1.0, 3000, 10, 250, id});
    gf_swapPositionBuffers();
    const auto start = std::chrono::steady_clock::now();
    onRecvFrame();  // takes and releases the mutex: its whole run is the hold
    const auto held = std::chrono::steady_clock::now() - start;
    micros.push_back(std::chrono::duration<double, std::micro>(held).count());
    state.SetIterationTime(std::chrono::duration<double>(held).count());
  }
  std::sort(micros.begin(), micros.end());
  state.counters["median_us"] = micros[micros.size() / 2];
  state.counters["p99_us"] = micros[std::min(micros.size() - 1, micros.size() * 99 / 100)];
  lf_closeSimConnect(simHandle);
}

} // namespace

BENCHMARK(BM_FrameHandlerHold)->Arg(50)->Arg(200)->Arg(500)->UseManualTime()->Unit(benchmark::kMicrosecond);
