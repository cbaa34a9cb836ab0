// One pass of the traffic loop with 50, 200 and 500 active live aircraft in
// the emulated simulator: p50, p99 and worst of the pass and of each phase.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <sstream>
#include <string>
#include <vector>

#include "core/settings_catalogue.h"
#include "platform/sim/sim_emulator.h"
#include "refdata/code_pools.h"
#include "traffic/engine_clocks.h"
#include "traffic/live_removal.h"
#include "traffic/sim_client.h"
#include "traffic/sim_commands.h"
#include "traffic/traffic_engine.h"
#include "traffic/traffic_queue.h"

namespace {

using namespace gwr;
using Clock = std::chrono::steady_clock;

constexpr const char* benchTitle = "Bench Liner";
constexpr std::uint32_t firstHexid = 100000;
constexpr std::int32_t reportSpacingTicks = 400;  // a report every 4 s
constexpr std::size_t reportsPerAircraft = 60;
constexpr int passesPerRound = 4000;

void pump() {
  simconnect::CallDispatch(simHandle, &lf_dispatchSimConnect, nullptr);
}

TrafficRecord reportOf(std::uint32_t hexid, double lat, double lon, std::int32_t dueTick, double time) {
  TrafficRecord r;
  r.identity.key = LivKey{gf_airlineIndex("DLH"), 0, gf_modelIndex("A320"), 0, 0};
  r.identity.callsign = "DLH" + std::to_string(hexid);
  r.hexid = hexid;
  r.latitude = lat;
  r.longitude = lon;
  r.altitude = 30000.0;
  r.airborne = 1;
  r.groundSpeed = 420.0;
  r.track = 90.0;
  r.dueTick = dueTick;
  r.timestamp = time;
  return r;
}

// The emulator with `count` objects, and as many active live aircraft flying
// east on a stream of reports.
void prepare(std::size_t count) {
  std::istringstream text(std::string("title ") + benchTitle + "\nuser 50 8 1000 0 1\n");
  std::vector<std::string> problems;
  simemu::Options options;
  options.keepHistory = false;
  options.userObjectId = 100;
  options.framesPerSecond = 100;
  simemu::Emulator::instance().reset(simemu::gf_parseWorld(text, problems), options);
  gf_prepareSimConnectQueues();
  simconnect::Open(simHandle, "Bench", 0);
  lf_setupSimConnect(simHandle);
  simemu::Emulator::instance().setSimRunning(true);
  pump();
  userObjectId.store(options.userObjectId);
  gf_reserveTrafficContainers();
  gf_resetTraffic();
  tickCount.store(0);
  rangeNm.store(100.0);
  trafficEngine.user = gf_requestUserState();
  for (std::size_t i = 0; i < count; ++i) {
    const auto hexid = firstHexid + static_cast<std::uint32_t>(i);
    const double lat = 49.5 + 0.002 * static_cast<double>(i);
    simconnect::InitPosition at{lat, 7.5, 30000, 0, 0, 90, 0, 420};
    simconnect::AICreateNonATCAircraft(simHandle, benchTitle, "B", at, 1);
    TrafficRecord first = reportOf(hexid, lat, 7.5, 0, 0.0);
    AcDescription description(first.identity);
    description.hexId = hexid;
    LiveAc& ac = trafficEngine.live.emplace_back(description, gf_sampleOf(first), 0.0);
    for (std::size_t k = 1; k < reportsPerAircraft; ++k) {
      const auto t = static_cast<std::int32_t>(k) * reportSpacingTicks;
      ac.samples.push_back(gf_sampleOf(reportOf(hexid, lat, 7.5 + 0.03 * static_cast<double>(k), t, t / 100.0)));
    }
    ac.lat = lat;
    ac.lon = 7.5;
    ac.altitude = 30000.0;
    ac.sim.simState = AcSimState::Active;
    ac.sim.objectId = options.userObjectId + 1 + static_cast<std::uint32_t>(i);
  }
  simemu::Emulator::instance().stepFrames(1);
  pump();
  {
    std::lock_guard lock(trafficRecordMutex);
    trafficAccepting = true;
  }
}

enum Phase { Feedback, Update, Swap, Release, Records, Adding, Periodic, Pass, PhaseCount };
constexpr std::array<const char*, PhaseCount> phaseNames{"feedback", "update", "swap", "release",
                                                         "records", "adding", "periodic", "pass"};

void BM_TrafficPass(benchmark::State& state) {
  const auto count = static_cast<std::size_t>(state.range(0));
  prepare(count);
  std::array<std::vector<double>, PhaseCount> micros;
  std::uint32_t nextReporter = 0;
  for (auto _ : state) {
    for (int pass = 0; pass < passesPerRound; ++pass) {
      state.PauseTiming();
      // Each aircraft reports every 4 s: count / 400 records a pass, queued by the reader.
      if (static_cast<std::size_t>(pass) % std::max<std::size_t>(1, reportSpacingTicks / count) == 0) {
        const auto hexid = firstHexid + (nextReporter++ % static_cast<std::uint32_t>(count));
        const std::int32_t tick = tickCount.load();
        gf_queueTrafficRecord(reportOf(hexid, 49.5, 8.0, tick + 3000, 100.0 + tick / 100.0));
      }
      simemu::Emulator::instance().stepFrames(1);
      pump();
      state.ResumeTiming();
      const auto start = Clock::now();
      auto mark = start;
      auto lap = [&](Phase phase) {
        const auto now = Clock::now();
        micros[phase].push_back(std::chrono::duration<double, std::micro>(now - mark).count());
        mark = now;
      };
      lf_handleFeedback();
      lap(Feedback);
      lf_updateLiveAircraft();
      lap(Update);
      lf_swapPositions();
      lap(Swap);
      lf_releaseQueuedRequests();
      lap(Release);
      lf_takeTrafficRecords();
      lap(Records);
      lf_popAddingStack();
      lap(Adding);
      lf_periodicRequests();
      lap(Periodic);
      tickCount.fetch_add(1);
      micros[Pass].push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
  }
  for (std::size_t p = 0; p < PhaseCount; ++p) {
    auto& m = micros[p];
    std::sort(m.begin(), m.end());
    const std::string name = phaseNames[p];
    state.counters[name + "_p50_us"] = m[m.size() / 2];
    state.counters[name + "_p99_us"] = m[std::min(m.size() - 1, m.size() * 99 / 100)];
    state.counters[name + "_worst_us"] = m.back();
  }
  state.counters["live"] = static_cast<double>(trafficEngine.live.size());
  gf_resetTraffic();
  lf_closeSimConnect(simHandle);
}

BENCHMARK(BM_TrafficPass)->Arg(50)->Arg(200)->Arg(500)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
