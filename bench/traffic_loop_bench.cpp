// The traffic loop's pass as a user's run makes it: 500 live aircraft of which
// some cruise out of range and new ones come in (creations and removals at the
// loop's own rates), a share turning, taxiing, pushing back, landing and taking
// off, 256 static aircraft on 512 stands kept through a renewal, and optionally
// the loop's 10 ms between passes so that the caches are as cold as in a run.
// Reports p50, p99, p99.9 and worst of the program's own work, of the pass with
// the emulated simulator's work inside it, and of the emulator's work apart.
// Beside it, the ground queue: 500 aircraft taxiing with about 300 reports
// queued each, the reports giving the true speed, a stale 50 kt, or 0 kt.
// Run it in a scratch folder: it writes "Log.txt" and learned stand files there.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <time.h>
#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/settings_catalogue.h"
#include "liveries/refused_liveries.h"
#include "platform/sim/sim_emulator.h"
#include "refdata/code_pools.h"
#include "refdata/dbase_tables.h"
#include "traffic/engine/engine_hooks.h"
#include "traffic/engine/live_removal.h"
#include "traffic/engine/traffic_engine.h"
#include "traffic/feed/tick_clock.h"
#include "traffic/feed/traffic_queue.h"
#include "traffic_loop_scene.h"

namespace {

using namespace gwr;
using namespace gwr::bench;
using Clock = std::chrono::steady_clock;

constexpr int passesPerRun = 9000;  // 90 s of the loop: the renewal and a minute after it
constexpr int passesPerSecond = 100;
constexpr auto passSpacing = std::chrono::milliseconds(10);
constexpr int groundQueuePasses = 6000;  // a minute of the loop
constexpr double overMs = 1.0, farOverMs = 2.0, tickOverMs = 5.0;
constexpr std::size_t slowestShown = 8;

void pump() { simconnect::CallDispatch(simHandle, &lf_dispatchSimConnect, nullptr); }

// The thread's own CPU time: a pass that another process pushed off its core
// is not charged the time it waited.
double threadCpuMicros() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

long preemptions() {
  rusage r{};
  getrusage(RUSAGE_THREAD, &r);
  return r.ru_nivcsw;
}

double emulatorMicros() {
  return std::chrono::duration<double, std::micro>(simemu::gf_emulatorTimeOnThisThread()).count();
}

// The per-second work of the loop's schedule, as lf_tick runs it (not inlined,
// so that an instruction count can name it).
[[gnu::noinline]] void scheduledWork() {
  lf_everySecond();
  const auto& hooks = gf_trafficEngineHooks();
  if (secondCount % 5 != 0) {
    if (secondCount % 16 == 0 && hooks.parkAirportDriver) hooks.parkAirportDriver(false);
    if (secondCount % 61 == 0 && hooks.staticTwinCheck) hooks.staticTwinCheck();
    return;
  }
  lf_every5Seconds();
  if (secondCount % 15 == 0) lf_every15Seconds();
}

enum Phase { Feedback, Update, Swap, Release, Records, Adding, Periodic, Scheduled, PhaseCount };
constexpr std::array<const char*, PhaseCount> phaseNames{"feedback", "update",   "swap",     "release",
                                                         "records",  "adding",   "periodic", "scheduled"};

struct PassTimes {
  double program = 0.0, emulator = 0.0, cpu = 0.0;  // microseconds; cpu: the program's on-core time
  bool preempted = false;
  std::array<double, PhaseCount> phases{};
  std::int32_t tick = 0;
  std::size_t live = 0;
};

double percentile(const std::vector<double>& sorted, double p) {
  const auto at = static_cast<std::size_t>(p * static_cast<double>(sorted.size() - 1) + 0.5);
  return sorted[std::min(at, sorted.size() - 1)];
}

void report(benchmark::State& state, const std::string& name, std::vector<double> m) {
  std::sort(m.begin(), m.end());
  state.counters[name + "_p50_us"] = percentile(m, 0.50);
  state.counters[name + "_p99_us"] = percentile(m, 0.99);
  state.counters[name + "_p999_us"] = percentile(m, 0.999);
  state.counters[name + "_worst_us"] = m.back();
}

// The passes with the most on-core work of the program, with their slow phases.
void showSlowest(std::vector<PassTimes> passes) {
  std::sort(passes.begin(), passes.end(), [](const PassTimes& a, const PassTimes& b) { return a.cpu > b.cpu; });
  for (std::size_t i = 0; i < std::min(slowestShown, passes.size()); ++i) {
    const PassTimes& p = passes[i];
    std::string phases;
    for (std::size_t k = 0; k < PhaseCount; ++k)
      if (p.phases[k] >= 50.0) phases += fmt::format(" {} {:.0f}", phaseNames[k], p.phases[k]);
    std::fprintf(stderr, "  slow pass at tick %d (%zu live): %.0f us own (%.0f on core%s), %.0f us emulator;%s\n",
                 p.tick, p.live, p.program, p.cpu, p.preempted ? ", pushed off its core" : "", p.emulator,
                 phases.c_str());
  }
}

// GWR_BENCH_DIGEST: a hash of every live pose after each pass (pitch left out:
// the rotation's is random per aircraft), to show a change keeps the motion.
bool digestOn() {
  static const bool on = std::getenv("GWR_BENCH_DIGEST") != nullptr;
  return on;
}
std::uint64_t poseDigest = 1469598103934665603ull;
void digestPoses() {
  auto fold = [](double v) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    poseDigest = (poseDigest ^ bits) * 1099511628211ull;
  };
  for (const LiveAc& ac : trafficEngine.live) {
    fold(static_cast<double>(ac.hexId));
    fold(ac.lat);
    fold(ac.lon);
    fold(ac.altitude);
    fold(ac.heading);
    fold(ac.bank);
  }
}

// Runs passes of the loop on the scene, each timed apart from the reader's
// and the simulator's share.
std::vector<PassTimes> runPasses(Scene& scene, int count, bool spaced) {
  std::vector<PassTimes> passes;
  passes.reserve(static_cast<std::size_t>(count));
  auto deadline = Clock::now();
  for (int pass = 0; pass < count; ++pass) {
    // The reader's and the simulator's share, outside the timed pass.
    gf_feedReports(scene);
    simemu::Emulator::instance().stepFrames(1);
    pump();
    if (pass == renewalPass) staticUpdateRequested.store(true);
    if (spaced) {
      deadline += passSpacing;
      std::this_thread::sleep_until(deadline);
    }
    PassTimes times;
    times.tick = tickCount.load();
    const long preemptedBefore = preemptions();
    const double emulatorBefore = emulatorMicros();
    const double cpuBefore = threadCpuMicros();
    const auto start = Clock::now();
    auto mark = start;
    auto lap = [&](Phase phase) {
      const auto now = Clock::now();
      times.phases[phase] = std::chrono::duration<double, std::micro>(now - mark).count();
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
    if (pass % passesPerSecond == passesPerSecond - 1) scheduledWork();
    lap(Scheduled);
    const double whole = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
    times.emulator = emulatorMicros() - emulatorBefore;
    times.program = whole - times.emulator;
    times.cpu = threadCpuMicros() - cpuBefore - times.emulator;
    times.preempted = preemptions() != preemptedBefore;
    times.live = trafficEngine.live.size();
    passes.push_back(times);
    if (digestOn()) digestPoses();
  }
  if (digestOn()) std::fprintf(stderr, "pose digest %016llx\n", static_cast<unsigned long long>(poseDigest));
  poseDigest = 1469598103934665603ull;
  return passes;
}

// The timings' counters: percentiles, and how many passes' own CPU time went
// over 1, 2 and 5 ms (a tick is 10 ms).
void reportTimes(benchmark::State& state, const std::vector<PassTimes>& passes) {
  std::vector<double> program, withEmulator, emulator, cpu;
  std::size_t over = 0, farOver = 0, tickOver = 0, preempted = 0;
  for (const PassTimes& p : passes) {
    program.push_back(p.program);
    cpu.push_back(p.cpu);
    preempted += p.preempted ? 1 : 0;
    withEmulator.push_back(p.program + p.emulator);
    emulator.push_back(p.emulator);
    over += p.cpu > overMs * 1000.0 ? 1 : 0;
    farOver += p.cpu > farOverMs * 1000.0 ? 1 : 0;
    tickOver += p.cpu > tickOverMs * 1000.0 ? 1 : 0;
  }
  report(state, "own", program);
  report(state, "with_emu", withEmulator);
  report(state, "emu", emulator);
  report(state, "own_cpu", cpu);
  state.counters["preempted"] = static_cast<double>(preempted);
  state.counters["cpu_over_1ms"] = static_cast<double>(over);
  state.counters["cpu_over_2ms"] = static_cast<double>(farOver);
  state.counters["cpu_over_5ms"] = static_cast<double>(tickOver);
}

// GWR_BENCH_PASSES: every pass's times on stderr ("pass" index, tick, live,
// own on-core us, own us, pushed off, then each phase's us), so that two
// builds' runs can be compared pass by pass.
void printPasses(const std::vector<PassTimes>& passes) {
  if (std::getenv("GWR_BENCH_PASSES") == nullptr) return;
  for (std::size_t i = 0; i < passes.size(); ++i) {
    const PassTimes& p = passes[i];
    std::string phases;
    for (const double us : p.phases) phases += fmt::format(" {:.1f}", us);
    std::fprintf(stderr, "pass %zu %d %zu %.1f %.1f %d%s\n", i, p.tick, p.live, p.cpu, p.program, p.preempted ? 1 : 0,
                 phases.c_str());
  }
}

void BM_TrafficPass(benchmark::State& state) {
  const auto liveCount = static_cast<std::size_t>(state.range(0));
  const bool spaced = state.range(1) != 0;
  Scene scene = gf_prepareScene(liveCount);
  std::vector<PassTimes> passes;
  for (auto _ : state) passes = runPasses(scene, passesPerRun, spaced);
  reportTimes(state, passes);
  const SceneCounts counts = gf_sceneCounts(scene);
  state.counters["live_end"] = static_cast<double>(counts.live);
  state.counters["live_min"] = static_cast<double>(counts.fewestLive);
  state.counters["static_end"] = static_cast<double>(counts.statics);
  state.counters["static_min"] = static_cast<double>(counts.fewestStatics);
  state.counters["static_records"] = static_cast<double>(counts.staticRecords);
  state.counters["sim_objects"] = static_cast<double>(counts.simObjects);
  state.counters["seen_pushing_back"] = static_cast<double>(counts.pushingBack);
  state.counters["seen_taking_off"] = static_cast<double>(counts.takingOff);
  state.counters["seen_landing"] = static_cast<double>(counts.landing);
  state.counters["seen_turning_on_ground"] = static_cast<double>(counts.groundTurning);
  state.counters["seen_taxiing"] = static_cast<double>(counts.taxiing);
  state.counters["created"] = static_cast<double>(counts.created);
  state.counters["removed"] = static_cast<double>(counts.removed);
  state.counters["on_ground"] = static_cast<double>(counts.onGround);
  showSlowest(passes);
  printPasses(passes);
  gf_closeScene(scene);
}

// The ground queue: reports every 0.1 s giving the true 15 kt (0), a stale
// 50 kt while the positions show the taxi (1), or 0 kt (2); passes back to
// back or spaced as the tick spaces them.
void BM_GroundQueue(benchmark::State& state) {
  const auto liveCount = static_cast<std::size_t>(state.range(0));
  const auto speed = static_cast<ReportedSpeed>(state.range(1));
  const bool spaced = state.range(2) != 0;
  Scene scene = gf_prepareGroundQueueScene(liveCount, speed);
  std::vector<PassTimes> passes;
  for (auto _ : state) passes = runPasses(scene, groundQueuePasses, spaced);
  reportTimes(state, passes);
  std::size_t queued = 0;
  for (const LiveAc& ac : trafficEngine.live) queued += ac.samples.size();
  const SceneCounts counts = gf_sceneCounts(scene);
  state.counters["live_end"] = static_cast<double>(counts.live);
  state.counters["on_ground"] = static_cast<double>(counts.onGround);
  state.counters["queued_per_aircraft_end"] =
      counts.live == 0 ? 0.0 : static_cast<double>(queued) / static_cast<double>(counts.live);
  showSlowest(passes);
  printPasses(passes);
  gf_closeScene(scene);
}

BENCHMARK(BM_TrafficPass)
    ->ArgsProduct({{200, 500}, {0, 1}})
    ->ArgNames({"live", "spaced"})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

BENCHMARK(BM_GroundQueue)
    ->ArgsProduct({{500}, {0, 1, 2}, {0, 1}})
    ->ArgNames({"live", "speed", "spaced"})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

} // namespace
