// The traffic thread's loop: one pass every 10 ms on a steady clock, the
// order of work inside a pass, its modulo schedule, throttling and pauses.
#include "traffic/engine/traffic_engine.h"

#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <thread>

#include "airports/park_stand_table.h"
#include "core/clock.h"
#include "core/log.h"
#include "core/main_window_state.h"
#include "core/paths.h"
#include "core/run_state.h"
#include "core/settings_catalogue.h"
#include "core/status_line.h"
#include "core/text_utils.h"
#include "core/version.h"
#include "liveries/livery_shell.h"
#include "liveries/refused_liveries.h"
#include "traffic/engine/engine_constants.h"
#include "traffic/engine/engine_hooks.h"
#include "traffic/engine/live_intake.h"
#include "traffic/engine/live_removal.h"
#include "traffic/engine/pass_watch.h"
#include "traffic/engine/realtraffic_link.h"
#include "traffic/engine/status_files.h"
#include "traffic/feed/park_airport_state.h"
#include "traffic/feed/reader_threads.h"
#include "traffic/feed/tick_clock.h"
#include "traffic/feed/traffic_queue.h"
#include "traffic/parking/static_ac.h"
#include "traffic/parking/static_parking.h"
#include "traffic/parking/static_parking_plan.h"
#include "traffic/simclient/sim_client_constants.h"

namespace gwr {

TrafficEngine trafficEngine;
std::atomic<std::int32_t> secondCount{0};
std::atomic<std::uint64_t> weekTime{0};
std::atomic<bool> liveLimitRequested{false};
std::atomic<bool> blockChangeRequested{false};
std::atomic<bool> callsignChoicesRequested{false};
std::atomic<bool> objectIdLookupPending{false};
std::atomic<bool> noMatchResetRequested{false};
std::atomic<bool> navLightsRequested{false};
std::atomic<bool> flushStaticRequested{false};
std::atomic<bool> staticUpdateRequested{false};
bool staticUpdateCollecting = false;
std::atomic<bool> parkControlsDisabled{false};
std::atomic<std::uint32_t> lookedUpObjectId{0};

namespace {


TrafficEngineHooks engineHooks;
bool containersReserved = false;
PassWatch passWatch;  // the steps of the running pass, for the slow-pass line

void lap(PassStep step) { passWatch.lap(step, PassWatch::Clock::now()); }

// A live record is about a kilobyte over many cache lines, and its reports
// lie elsewhere; after the loop's 10 ms pause they are mostly out of the
// caches. Asking for the lines of the aircraft a few places ahead lets the
// memory fetch for several aircraft at once instead of one miss at a time.
// A record starts anywhere in a line: its lines run from the one holding its
// first byte to the one holding its last, as many as its worst start spans
// (the line after a record that ends early is the next record's). Written out,
// not looped: a loop costs each aircraft more than the fetches themselves.
constexpr std::size_t recordLinesSpanned = (sizeof(LiveAc) + 2 * (cacheLineBytes - 1)) / cacheLineBytes;

void prefetchRecord(const LiveAc& ac) {
  const auto first = reinterpret_cast<std::uintptr_t>(&ac) & ~std::uintptr_t{cacheLineBytes - 1};
  const auto* line = reinterpret_cast<const char*>(first);
#pragma GCC unroll 64
  for (std::size_t k = 0; k < recordLinesSpanned; ++k) __builtin_prefetch(line + k * cacheLineBytes);
}

void prefetchNextReport(const LiveAc& ac) {
  if (!ac.samples.empty()) __builtin_prefetch(&ac.samples.front());
}

bool flightRuns() { return simRunning.load() && !simDisconnecting.load(); }

std::int32_t activeCount() {
  return static_cast<std::int32_t>(std::count_if(trafficEngine.live.begin(), trafficEngine.live.end(),
                                                 [](const LiveAc& a) { return a.sim.simState == AcSimState::Active; }));
}

void setAccepting(bool on) {
  std::lock_guard lock(trafficRecordMutex);
  trafficAccepting = on;
}

AiCreateRequest creationOf(const LiveAc& ac) {
  AiCreateRequest r;
  // Born on the ground: the simulator puts it on its wheels where it stands.
  const std::uint32_t onGround = !ac.samples.empty() && !ac.samples.front().airborne ? 1 : 0;
  r.position = {ac.lat, ac.lon, ac.altitude, ac.pitch * degreesPerRadian, ac.bank * degreesPerRadian,
                ac.heading * degreesPerRadian, onGround, 0};
  r.tailNumber = ac.callsign;
  r.title = ac.livery;
  r.hexid = ac.hexId;
  return r;
}

} // namespace

void lf_takeTrafficRecords() {
  std::lock_guard lock(trafficRecordMutex);
  for (int i = 0; i < recordsPerPass && !trafficRecordQueue.empty(); ++i) {
    TrafficRecord record = std::move(trafficRecordQueue.front());
    trafficRecordQueue.pop_front();
    lf_routeTrafficRecord(record);
  }
}

void lf_popAddingStack() {
  auto& stack = trafficEngine.addingStack;
  if (stack.empty()) return;
  const std::uint32_t hexid = stack.back();
  stack.pop_back();
  const LiveAc* ac = trafficEngine.findHexid(hexid);
  if (ac == nullptr) return;
  if (ac->callsign.empty()) {
    gf_logError(fmt::format("{} {} objectid = 0?", "lf_handleAddingStack", ac->liveFullText()));
    return;
  }
  trafficEngine.queuedLiveCreations.push_back(creationOf(*ac));
}

namespace {

void blockedCallsignRequest() {
  const std::string blocked = BLOCK_CALLSIGN.current();
  if (!blocked.empty()) {
    for (LiveAc& ac : trafficEngine.live) {
      if (ac.sim.simState == AcSimState::Active && ac.callsign == blocked) {
        gf_removeLiveAc(ac);
        break;
      }
    }
    if (blocked == CALLSIGN_2_OBJECTID.current()) gf_clearCallsignChoices();
  }
}

void objectIdLookup() {
  const std::string wanted = CALLSIGN_2_OBJECTID.current();
  lookedUpObjectId.store(0);
  for (const LiveAc& ac : trafficEngine.live) {
    if (ac.sim.simState == AcSimState::Active && ac.callsign == wanted) {
      lookedUpObjectId.store(ac.sim.objectId);
      break;
    }
  }
  const std::uint32_t found = lookedUpObjectId.load();
  gf_mainWindow().setText(StatusText::callsignLookup, found != 0 ? "= " + gf_objectIdText(found) : "has left");
  gf_repaintBand(controlsBand);
}

} // namespace

bool gf_knownUserPosition(const UserState& user) {
  return std::abs(user.latitude) > unknownPositionDeg || std::abs(user.longitude) > unknownPositionDeg;
}

void gf_installTrafficEngineHooks(const TrafficEngineHooks& hooks) { engineHooks = hooks; }
const TrafficEngineHooks& gf_trafficEngineHooks() { return engineHooks; }

void gf_reserveTrafficContainers() {
  if (containersReserved) return;
  containersReserved = true;
  auto& e = trafficEngine;
  e.live.reserve(liveReserve);
  e.feedback.reserve(feedbackReserve);
  gf_reserveFeedbackQueue(feedbackReserve);  // swapped with the engine's at each drain
  e.activations.reserve(feedbackSecondReserve);
  e.addingStack.reserve(addingStackReserve);
  e.ghostCallsigns.reserve(ghostCallsignReserve);
  e.queuedLiveCreations.reserve(addingStackReserve);
  e.queuedStaticCreations.reserve(staticReserve);
  e.queuedRemovals.reserve(addingStackReserve);
  SampleQueue<PositionSample>::reserveSpares(grownReportRing, grownReportRingReserve);
}

void gf_resetTraffic() {
  auto& e = trafficEngine;
  gf_clearParkAirport();
  fieldElevationValid = false;
  trafficReader.setFieldElevation(std::nullopt);
  e.feedback.clear();
  e.activations.clear();
  e.ghostCallsigns.clear();
  RememberedLiveries.clear();
  e.addingStack.clear();
  e.standWork.clear();
  e.queuedRemovals.clear();
  e.queuedLiveCreations.clear();
  e.queuedStaticCreations.clear();
  // The last run's static objects went with its simulator connection.
  staticAircraft.clear();
  parkedEntries.clear();
  parkedLive.clear();
  {
    std::lock_guard lock(trafficRecordMutex);
    trafficRecordQueue.clear();
  }
  e.live.clear();
  standTable.clear();
  e.user = {};
  gf_forgetUserOnGround();
  e.flightPaused = false;
  e.pausedPassCount = 0;
  staticUpdateRequested.store(false);
  staticUpdateCollecting = false;
  secondCount = 0;
  // Passes count from a run's start: the cadences of creations, removals and
  // requests are then the same in every run of the process.
  tickCount.store(0);
  trafficTime.store(0.0);
  beforeFirstConnection.store(true);
}

void lf_updateLiveAircraft() {
  bool anyErased = false;
  LiveAc* const first = trafficEngine.live.data();
  const std::size_t count = trafficEngine.live.size();
  for (std::size_t i = 0; i < count; ++i) {
    if (i + 2 * prefetchAheadRecords < count) prefetchRecord(first[i + 2 * prefetchAheadRecords]);
    if (i + prefetchAheadRecords < count) prefetchNextReport(first[i + prefetchAheadRecords]);
    anyErased = updateLiveAc(first[i]) || anyErased;
  }
  if (anyErased) gf_eraseLiveWhere([](const LiveAc& ac) { return ac.erased(); });
}

void gf_eraseLiveWhere(bool (*leaves)(const LiveAc&)) {
  // Not every erased record went through an active removal, which frees its stand.
  for (const LiveAc& ac : trafficEngine.live)
    if (leaves(ac)) gf_liveRecordErased(ac.sim);
  std::erase_if(trafficEngine.live, leaves);
}

void lf_swapPositions() {
  // Never wait for the client's frame: a busy mutex drops this pass's positions.
  if (!gf_swapPositionBuffers()) gf_positionFillBuffer().clear();
}

void lf_handleAddingStack() {
  lf_handleFeedback();
  lap(PassStep::feedback);
  lf_updateLiveAircraft();
  lap(PassStep::update);
  lf_swapPositions();
  lap(PassStep::swap);
  lf_releaseQueuedRequests();
  lap(PassStep::release);
  lf_takeTrafficRecords();
  lap(PassStep::records);
  lf_popAddingStack();
  lap(PassStep::adding);
  lf_periodicRequests();
  lap(PassStep::periodic);
  tickCount.fetch_add(1);
}

void lf_releaseQueuedRequests() {
  auto& e = trafficEngine;
  const std::int32_t tick = tickCount.load();
  if (tick % removalEveryTicks == 0 && !e.queuedRemovals.empty()) {
    gf_queueRemoval(e.queuedRemovals.front());
    e.queuedRemovals.erase(e.queuedRemovals.begin());
  }
  if (tick % creationEveryTicks != 0) return;
  if (!e.queuedLiveCreations.empty()) {
    gf_queueCreateRequest(e.queuedLiveCreations.front());
    e.queuedLiveCreations.erase(e.queuedLiveCreations.begin());
    return;
  }
  if (!e.queuedStaticCreations.empty()) {
    gf_queueCreateRequest(e.queuedStaticCreations.front());
    e.queuedStaticCreations.erase(e.queuedStaticCreations.begin());
  }
  if (engineHooks.placeStaticAircraft) engineHooks.placeStaticAircraft();
}

void lf_periodicRequests() {
  const std::int32_t tick = tickCount.load();
  if (tick % radiusRequestEveryTicks == 0 && !simDisconnecting.load())
    gf_requestAircraftInRadius(static_cast<std::uint32_t>(rangeNm.load() * metresPerNm));
  if (tick % userPositionEveryTicks == 0) lf_sendUserPosition();
  if (tick % userStateEveryTicks == 0) trafficEngine.user = gf_requestUserState();
}

void lf_everySecond() {
  auto& e = trafficEngine;
  if (e.flightPaused) {
    e.flightPaused = false;
    gf_log(fmt::format("{} Flight resumed", gf_nowTimeOfDay()));
    setAccepting(true);
  }
  if (engineHooks.everySecondDisplay) engineHooks.everySecondDisplay();
  weekTime.store(gf_weekdayAndSlot());
  ++secondCount;
  if (!e.standWork.empty()) {
    const std::uint32_t hexid = e.standWork.front();
    e.standWork.pop_front();
    if (engineHooks.standWork) engineHooks.standWork(hexid);
  }
  if (objectIdLookupPending.exchange(false)) objectIdLookup();
  if (flushStaticRequested.exchange(false)) {
    if (engineHooks.removeAllStatic) engineHooks.removeAllStatic();
    if (!INITIAL_LOAD_ONLY.current()) {
      INITIAL_LOAD_ONLY.setCurrent(true);
      INITIAL_LOAD_ONLY.showCheck();
    }
  }
  if (callsignChoicesRequested.exchange(false)) {
    gf_mainWindow().setText(StatusText::callsignLookup, "");
    gf_repaintBand(controlsBand);
    gf_refreshCallsignChoices();
    objectIdLookupPending.store(true);
  }
  if (userOnGround.load()) {
    if (COLLISION_USER_GND.current()) gf_removeNearUserOnGround();
  } else if (COLLISION_USER_AIR.current()) {
    gf_removeNearUserInAir();
  }
  if (COLLISION_LIVE_PARKED_GND.current() && engineHooks.liveOverStatic) engineHooks.liveOverStatic();
  if (blockChangeRequested.exchange(false)) blockedCallsignRequest();
  if (liveLimitRequested.exchange(false)) {
    for (std::int32_t excess = activeCount() - MAX_LIVE_SEL.current(); excess > 0; --excess) {
      if (gf_removeFarthestLiveAc(-1.0)) break;
    }
  }
  if (navLightsRequested.exchange(false)) {
    const std::uint32_t nav = NAV_LIGHTS_WHILE_PARKED.current() ? 1 : 0;
    for (const LiveAc& ac : e.live) {
      if (ac.sim.simState == AcSimState::Active && ac.phase == AcPhase::Parked) gf_setNavLights(ac.sim.objectId, nav);
    }
    if (engineHooks.staticNavLights) engineHooks.staticNavLights(nav);
  }
  if (parkControlsDisabled.load()) {
    gf_mainWindow().staticExtra.store(parkedEntries.size());
    gf_repaintBand(statisticsBand);
  }
}

void gf_disableParkControls() {
  parkControlsDisabled.store(true);
  if (engineHooks.parkControls) engineHooks.parkControls(false);
}

void gf_enableParkControls() {
  parkControlsDisabled.store(false);
  gf_mainWindow().minutesToRenewal.store(renewalIntervalMinutes);
  gf_repaintWindow();
  if (engineHooks.parkControls) engineHooks.parkControls(true);
}

void lf_announceStaticParkingUpdate() {
  gf_disableParkControls();
  const std::int32_t now = secondCount.load();
  const std::int32_t seconds = (now / fifteenSecondWork + 1) * fifteenSecondWork - now;
  if (seconds > 0)
    setStatusText(fmt::format("{} will update static parking in {} second{} ...", programName, seconds,
                              seconds == 1 ? "" : "s"),
                  false);
  staticUpdateRequested.store(true);
}

void lf_every5Seconds() {
  if (engineHooks.every5Seconds) engineHooks.every5Seconds();
}

void lf_staticUpdateStep() {
  if (!staticUpdateRequested.load()) return;
  if (!staticUpdateCollecting) {
    staticUpdateCollecting = true;
    gf_disableParkControls();
    trafficReader.clearSeenCallsigns();
    trafficReader.setCollectCallsigns(true);
    return;
  }
  staticUpdateCollecting = false;
  clearStatusError();
  clearStatusText();
  if (gf_parkAirport() && !standTable.empty() && engineHooks.staticUpdate) engineHooks.staticUpdate();
  // Also when the park airport went meanwhile: the reader would collect for good.
  trafficReader.setCollectCallsigns(false);
  staticUpdateRequested.store(false);
}

void lf_every15Seconds() {
  lf_staticUpdateStep();
  if (trafficReader.status.load() == ReaderStatus::noData || qnhReader.status.load() == ReaderStatus::noData)
    gf_checkReaders();
  if (secondCount % halfMinuteWorkSeconds == 0) {
    if (noMatchResetRequested.exchange(false)) gf_clearNoMatchList();
    if (AUTO_RANGE.current() && engineHooks.autoRange) engineHooks.autoRange();
  }
  if (secondCount % minuteWorkSeconds == 0) {
    if (engineHooks.everyMinute) engineHooks.everyMinute();
    if (OBJECTID_LIST.current()) lf_writeStatusFile(trafficEngine.live, objectIdListFile);
  }
  if (secondCount % noMatchLogEverySeconds == 0) gf_logNoMatchList();
  if (secondCount % secondsPerDay == 0) {
    secondCount = 0;
    gf_writeMatchingSummary();
    RememberedLiveries.clear();
  }
}

void lf_flightNotRunning() {
  auto& e = trafficEngine;
  if (!e.flightPaused) {
    setAccepting(false);
    e.flightPaused = true;
    e.pausedPassCount = pausedPassesPerRound;
    gf_clearPositionBuffers();
    gf_log(fmt::format("{} Flight not running", gf_nowTimeOfDay()));
  }
  lf_handleFeedback();
  --e.pausedPassCount;
  if (e.pausedPassCount % pausedPassesPerRound == 0) {
    lf_every5Seconds();
    lf_sendUserPosition();
  }
  if (e.pausedPassCount < 1) {
    e.pausedPassCount = pausedPassesPerRound;
    // The counters follow, but notices age only by the traffic's own seconds.
    if (engineHooks.pausedDisplay) engineHooks.pausedDisplay();
    weekTime.store(gf_weekdayAndSlot());
  }
}

bool lf_tick() {
  // A stop must not wait for the simulator's next user data, which a
  // simulator gone quiet never sends.
  if (gf_stopping()) return false;
  if (flightRuns()) {
    lf_handleAddingStack();
    if (!newUserData.exchange(false)) return true;
    lf_everySecond();
    if (gf_stopping()) return false;
    if (secondCount % fiveSecondWork != 0) {
      // Not while an update collects the feed's callsigns: the driver could
      // leave or re-read the airport under it.
      if (secondCount % parkDriverEverySeconds == 0 && !staticUpdateCollecting && engineHooks.parkAirportDriver)
        engineHooks.parkAirportDriver(false);
      if (secondCount % readerCheckEverySeconds == 0) gf_checkReaders();
      if (secondCount % staticTwinEverySeconds == 0 && engineHooks.staticTwinCheck) engineHooks.staticTwinCheck();
      lap(PassStep::everySecond);
      return true;
    }
    lap(PassStep::everySecond);
    trafficReader.setReferencePosition({trafficEngine.user.latitude, trafficEngine.user.longitude});
    lf_sendSimTime(simulatorTime.load());
    if (engineHooks.reservedStandCheck) engineHooks.reservedStandCheck();
    lf_every5Seconds();
    lap(PassStep::every5Seconds);
    if (secondCount % fifteenSecondWork == 0) lf_every15Seconds();
    lap(PassStep::every15Seconds);
    return true;
  }
  lf_flightNotRunning();
  return !gf_stopping();
}

void lf_tickLoop() {
  using Clock = std::chrono::steady_clock;
  if (engineHooks.parkAirportDriver) engineHooks.parkAirportDriver(true);
  gf_checkReaders();
  secondCount = 0;
  weekTime.store(gf_weekdayAndSlot());
  setAccepting(true);
  auto deadline = Clock::now() + tickPeriod;
  gf_fillCallsignCombo();
  gf_enableControl(CS_TO_OID_BUTTON, true);
  SlowPassLog slowPasses;
  for (;;) {
    const std::int32_t tick = tickCount.load();
    passWatch.begin(Clock::now());
    const bool more = lf_tick();
    const auto done = Clock::now();
    if (done - passWatch.start > tickPeriod) {
      if (auto line = slowPasses.take(passWatch, {done - passWatch.start, tick, trafficEngine.live.size()}, done))
        gf_log(fmt::format("{} {}", gf_nowTimeOfDay(), *line));
    }
    if (!more) break;
    const auto wake = gf_tickWakeTime(deadline, Clock::now());
    // Less than a millisecond ahead is no sleep; otherwise every early wake sleeps on.
    if (Clock::now() + std::chrono::milliseconds(1) <= wake)
      while (Clock::now() < wake) std::this_thread::sleep_until(wake);
    deadline = gf_nextTickDeadline(wake, Clock::now(), newUserData.load());
  }
}

std::chrono::steady_clock::time_point gf_tickWakeTime(std::chrono::steady_clock::time_point deadline,
                                                      std::chrono::steady_clock::time_point now) {
  // Far behind: skip the missed passes instead of running them back to back.
  return deadline + lateRebase < now ? now + tickPeriod : deadline;
}

std::chrono::steady_clock::time_point gf_nextTickDeadline(std::chrono::steady_clock::time_point wake,
                                                          std::chrono::steady_clock::time_point now,
                                                          bool userReplyPending) {
  // The simulator's second reply re-aligns the schedule to itself.
  return (userReplyPending ? now : wake) + tickPeriod;
}

bool lf_waitForUserAircraft(WaitPause pause) {
  using Clock = std::chrono::steady_clock;
  while (!flightRuns()) {
    if (gf_stopping()) return false;
    if (pause != nullptr) {
      pause(simStartPoll);
    } else {
      std::this_thread::sleep_for(simStartPoll);
    }
  }
  if (gf_stopping()) return false;
  gf_requestUserOnGround();
  for (;;) {
    const auto start = Clock::now();
    if (userOnGroundKnown.load() && gf_knownUserPosition(trafficEngine.user)) break;
    gf_requestUserState();
    trafficEngine.user = gf_userStateCopy();
    if (gf_stopping()) return false;
    if (pause != nullptr) {
      pause(userWaitPeriod);
    } else {
      std::this_thread::sleep_until(start + userWaitPeriod);
    }
  }
  gf_requestUserTitleModel();
  return true;
}

} // namespace gwr
