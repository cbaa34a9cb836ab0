// One pass of the traffic loop with 50, 200 and 500 active live aircraft in
// the emulated simulator: p50, p99 and worst of the pass and of each phase;
// with parking, also 256 static aircraft, 512 stands and 3,000 park airports.
#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <sstream>
#include <string>
#include <vector>

#include "airports/park_stand_table.h"
#include "core/settings_catalogue.h"
#include "platform/sim/sim_emulator.h"
#include "refdata/code_pools.h"
#include "traffic/engine/engine_hooks.h"
#include "traffic/engine/live_removal.h"
#include "traffic/engine/traffic_engine.h"
#include "traffic/feed/park_airport_state.h"
#include "traffic/feed/tick_clock.h"
#include "traffic/feed/traffic_queue.h"
#include "traffic/parking/park_airport_driver.h"
#include "traffic/parking/park_airports.h"
#include "traffic/parking/stand_choice.h"
#include "traffic/parking/static_ac.h"
#include "traffic/parking/static_parking_plan.h"
#include "traffic/simclient/sim_client.h"
#include "traffic/simclient/sim_commands.h"

namespace {

using namespace gwr;
using Clock = std::chrono::steady_clock;

constexpr const char* benchTitle = "Bench Liner";
constexpr std::uint32_t firstHexid = 100000;
constexpr std::int32_t reportSpacingTicks = 400;  // a report every 4 s
constexpr std::size_t reportsPerAircraft = 60;
constexpr int passesPerRound = 4000;
constexpr std::size_t benchStands = 512;
constexpr std::size_t benchStatics = 256;
constexpr std::size_t benchParkAirports = 3000;
constexpr int passesPerSecond = 100;
constexpr int renewalPass = 2000;

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

// A park airport under the user with 512 stands, a week of flights at each,
// 256 static aircraft standing in the simulator and 3,000 listed airports.
void prepareParking(std::uint32_t firstObjectId) {
  AirportRecord park;
  park.icao = FixedCode<4>("EDDF");
  park.latitude = 50.0;
  park.longitude = 8.0;
  gf_setParkAirport(park);
  parkAirportCode = park.icao;
  gf_clearStands(standTable);
  const LivKey key{gf_airlineIndex("DLH"), 0, gf_modelIndex("A320"), 0, 0};
  for (std::size_t i = 0; i < benchStands; ++i) {
    const double lat = 50.0 + 0.0008 * static_cast<double>(i / 32);
    const double lon = 8.0 + 0.0012 * static_cast<double>(i % 32);
    StandRecord stand("S" + std::to_string(i), {}, lat, lon, 0.0, 25.0, 0, false, false, false);
    for (std::uint32_t day = 1; day <= 7; ++day) {
      for (std::uint32_t k = 0; k < 4; ++k) {
        StandOption option;
        option.codes = key;
        option.registration = "D-" + std::to_string(i * 100 + day * 10 + k);
        option.callsign1 = "DLH" + std::to_string(i * 100 + day * 10 + k);
        for (std::uint32_t h = 12 * k; h < 12 * k + 12; ++h) option.hours.set(h);
        option.day = day;
        option.index = static_cast<std::uint32_t>(stand.options.size() + 1);
        stand.options.push_back(option);
      }
    }
    standTable.push_back(std::move(stand));
  }
  gf_numberStandsAndFindOverlaps(standTable);
  standTableReady.store(true);
  staticAircraft.clear();
  for (std::size_t i = 0; i < benchStatics; ++i) {
    const StandRecord& stand = standTable[i * 2];
    AcIdentity identity;
    identity.key = key;
    identity.callsign = "DLH" + std::to_string(i) + "*";
    StaticAc ac(identity);
    ac.standNumber = static_cast<std::int32_t>(stand.number);
    ac.standLat = stand.latitude;
    ac.standLon = stand.longitude;
    ac.sim.hexid = static_cast<std::uint32_t>(i + 1);
    ac.sim.objectId = firstObjectId + static_cast<std::uint32_t>(i);
    ac.sim.simState = AcSimState::Active;
    simconnect::InitPosition at{stand.latitude, stand.longitude, 0, 0, 0, 0, 1, 0};
    simconnect::AICreateNonATCAircraft(simHandle, benchTitle, "S", at, 2);
    staticAircraft.push_back(std::move(ac));
  }
  parkAirports.clear();
  for (std::size_t i = 0; i < benchParkAirports; ++i)
    gf_insertParkAirport({"", {-60.0 + 0.04 * static_cast<double>(i), -170.0 + 0.1 * static_cast<double>(i)}, 0.0,
                          FixedCode<4>(fmt::format("K{:03}", i % 1000))},
                         false);
  gf_insertParkAirport({"", {park.latitude, park.longitude}, 0.0, park.icao}, true);
  gf_installParking();
}

// The per-second work of the loop's schedule, as the tick runs it.
void scheduledWork() {
  lf_everySecond();
  const auto& hooks = gf_trafficEngineHooks();
  if (secondCount % 5 == 0) lf_every5Seconds();
  if (secondCount % 16 == 0 && hooks.parkAirportDriver) hooks.parkAirportDriver(false);
  if (secondCount % 61 == 0 && hooks.staticTwinCheck) hooks.staticTwinCheck();
  if (secondCount % 15 == 0) lf_every15Seconds();
}

enum Phase { Feedback, Update, Swap, Release, Records, Adding, Periodic, Scheduled, Pass, PhaseCount };
constexpr std::array<const char*, PhaseCount> phaseNames{"feedback", "update",   "swap",      "release", "records",
                                                         "adding",   "periodic", "scheduled", "pass"};

void BM_TrafficPass(benchmark::State& state) {
  const auto count = static_cast<std::size_t>(state.range(0));
  const bool parking = state.range(1) != 0;
  prepare(count);
  if (parking) {
    prepareParking(static_cast<std::uint32_t>(101 + count));
    simemu::Emulator::instance().stepFrames(1);
    pump();
  }
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
      if (parking && pass % passesPerSecond == 0) scheduledWork();
      if (parking && pass == renewalPass) gf_renewStaticParking();
      lap(Scheduled);
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
  if (parking) {
    gf_installTrafficEngineHooks({});
    staticAircraft.clear();
    parkAirports.clear();
    gf_clearStands(standTable);
    standTableReady.store(false);
    gf_clearParkAirport();
  }
  gf_resetTraffic();
  lf_closeSimConnect(simHandle);
}

BENCHMARK(BM_TrafficPass)
    ->ArgsProduct({{50, 200, 500}, {0, 1}})
    ->ArgNames({"live", "parking"})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

} // namespace
