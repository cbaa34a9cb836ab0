// The traffic engine pass by pass: the throttled hand-over to the simulator
// client, the schedule of the timed work, feedback records, the reset and waits.
#include <gtest/gtest.h>

#include <chrono>

#include "traffic/engine/engine_pass.h"

namespace gwr {
namespace {

using namespace std::chrono_literals;
using namespace enginepass;

TEST_F(EnginePass, LiveCreationGoesBeforeStaticOnePerFiftyTicks) {
  AiCreateRequest live, parked;
  live.hexid = hexid;
  live.tailNumber = "DLH123";
  parked.hexid = 7;
  parked.tailNumber = "BAW9";
  trafficEngine.queuedLiveCreations = {live, live};
  trafficEngine.queuedStaticCreations = {parked};
  trafficEngine.queuedRemovals = {500, 501};
  const auto release = [](std::int32_t tick) {
    tickCount.store(tick);
    lf_releaseQueuedRequests();
    const auto sizes = gf_queueSizesForTests();
    return std::tuple(sizes.creations, sizes.removals, trafficEngine.queuedLiveCreations.size(),
                      trafficEngine.queuedStaticCreations.size(), trafficEngine.queuedRemovals.size());
  };
  EXPECT_EQ(release(49), std::tuple(0u, 0u, 2u, 1u, 2u));
  EXPECT_EQ(release(50), std::tuple(1u, 1u, 1u, 1u, 1u));
  release(100);
  EXPECT_EQ(release(150), std::tuple(3u, 2u, 0u, 0u, 0u));
}

int parkDriverCalls = 0, fiveSecondCalls = 0, autoRangeCalls = 0;

// The 16-second park driver waits while an update collects callsigns; the
// automatic range runs every 30 s, only while AUTO_RANGE is on.
TEST_F(EnginePass, TimedWorkFollowsTheEngineSecond) {
  TrafficEngineHooks hooks;
  hooks.parkAirportDriver = [](bool) { ++parkDriverCalls; };
  hooks.every5Seconds = [] { ++fiveSecondCalls; };
  hooks.autoRange = [] { ++autoRangeCalls; };
  gf_installTrafficEngineHooks(hooks);
  const struct {
    std::int32_t before;
    bool collecting, autoRange;
    int park, five, range;
    std::int32_t after;
  } cases[] = {{15, false, true, 1, 0, 0, 16},    {15, true, true, 0, 0, 0, 16},     {79, false, true, 0, 1, 0, 80},
               {29, false, true, 0, 1, 1, 30},    {29, false, false, 0, 1, 0, 30},   {44, false, true, 0, 1, 0, 45},
               {47, false, true, 1, 0, 0, 48},    {159, false, true, 0, 1, 0, 160},  {86399, false, true, 0, 1, 1, 0},
               {60, false, true, 0, 0, 0, 61}};
  for (const auto& c : cases) {
    parkDriverCalls = fiveSecondCalls = autoRangeCalls = 0;
    staticUpdateCollecting = c.collecting;
    AUTO_RANGE.setCurrent(c.autoRange);
    ASSERT_TRUE(pass(c.before));
    EXPECT_EQ(std::tuple(parkDriverCalls, fiveSecondCalls, autoRangeCalls, secondCount.load()),
              std::tuple(c.park, c.five, c.range, c.after))
        << c.before << " collecting " << c.collecting << " auto " << c.autoRange;
  }
  staticUpdateCollecting = false;
  AUTO_RANGE.setCurrent(AUTO_RANGE.defaultValue());
  // Without a reply of the simulator there is no engine second.
  secondCount = 7;
  newUserData.store(false);
  lf_tick();
  EXPECT_EQ(secondCount.load(), 7);
}

int secondDisplays = 0, pausedDisplays = 0;

// While no flight runs the window's counters still follow, but nothing that
// belongs to the traffic's seconds (a notice's age) moves on.
TEST_F(EnginePass, PausedPassesKeepTheClocksAndReportEveryHundred) {
  TrafficEngineHooks hooks;
  hooks.every5Seconds = [] { ++fiveSecondCalls; };
  hooks.everySecondDisplay = [] { ++secondDisplays; };
  hooks.pausedDisplay = [] { ++pausedDisplays; };
  gf_installTrafficEngineHooks(hooks);
  fiveSecondCalls = secondDisplays = pausedDisplays = 0;
  harness.emulator().setSimRunning(false);
  harness.client().pump();
  tickCount.store(1234);
  secondCount = 42;
  for (int i = 0; i < 250; ++i) EXPECT_TRUE(lf_tick());
  EXPECT_EQ(std::tuple(tickCount.load(), secondCount.load(), fiveSecondCalls, pausedDisplays, secondDisplays),
            std::tuple(1234, 42, 2, 2, 0));
  EXPECT_FALSE(gf_queueTrafficRecord(recordOf({})));
  stopRequested.store(true);
  EXPECT_FALSE(lf_tick());
  stopRequested.store(false);
  gf_resetTraffic();  // the next run counts both from its start
  EXPECT_EQ(std::tuple(tickCount.load(), secondCount.load()), std::tuple(0, 0));
}


TEST_F(EnginePass, FeedbackRecords) {
  activeAircraft(0).sim.simState = AcSimState::Adding2Sim;
  feedback({2, hexid, 0, FeedbackKind::LiveCreated, 0.0, 900.0});  // ids 1 and 2 are not objects
  EXPECT_EQ(front().sim.objectId, 0u);
  feedback({300, hexid, 0, FeedbackKind::LiveCreated, 0.0, 900.0});
  EXPECT_EQ(std::pair(front().sim.objectId, front().heightAboveGround), std::pair(300u, 900.0));
  ASSERT_EQ(trafficEngine.activations.size(), 1u);
  for (int i = 1; i < activationTicks; ++i) lf_activateCreated();
  EXPECT_EQ(front().sim.simState, AcSimState::Active);
  EXPECT_TRUE(trafficEngine.activations.empty());

  const double cg = front().groundCgHeight;
  feedback({300, 0, 0, FeedbackKind::StaticCg, 40.0, 3.0 * radiansPerDegree});
  EXPECT_EQ(front().groundCgHeight, cg);
  EXPECT_NEAR(front().groundPitch, 0.7 * radiansPerDegree, 1e-12);
  feedback({300, 0, 0, FeedbackKind::StaticCg, 12.0, 1.0 * radiansPerDegree});
  EXPECT_EQ(front().groundCgHeight, 12.0);
  EXPECT_NEAR(front().groundPitch, 1.0 * radiansPerDegree, 1e-12);

  feedback({300, 1, 0, FeedbackKind::GroundData, 364.0, 8.0});
  EXPECT_TRUE(front().onGroundConfirmed);
  EXPECT_EQ(front().altitude, 364.0 + 12.0);

  // Removed while respawning: back to the buffer to be created again.
  liveryRespawn(front());
  EXPECT_EQ(front().sim.simState, AcSimState::LiveryRespawn);
  feedback({300, 0, 0, FeedbackKind::Removed, 0.0, 0.0});
  EXPECT_EQ(std::tuple(front().sim.simState, front().sim.objectId, front().sim.throttleIndex),
            std::tuple(AcSimState::Buffer, 0u, 5u));

  // Blocked in the buffer: erased, with its line.
  feedback({0, hexid, 0, FeedbackKind::Blocked, 0.0, 0.0});
  EXPECT_TRUE(front().sim.erase);
  EXPECT_NE(harness.log().text().find("will be removed from buffer while blocked"), std::string::npos);
}

TEST_F(EnginePass, FlightPlanThatCannotBeWrittenIsLogged) {
  flightPlanFolder = harness.log().folder() / "no-such-folder";
  TrafficRecord record = recordOf({});
  record.identity.origin = FixedCode<3>("FRA");
  record.identity.destination = FixedCode<3>("LHR");
  for (const std::uint32_t objectId : {300u, 301u}) {
    gf_resetTraffic();
    lf_routeTrafficRecord(record);
    front().sim.simState = AcSimState::Adding2Sim;
    feedback({objectId, hexid, 0, FeedbackKind::LiveCreated, 0.0, 900.0});
    EXPECT_EQ(front().hasFlightPlan, objectId == 301u ? 1 : 0);
    if (objectId == 300u) {
      EXPECT_NE(harness.log().text().find("creating a flight plan failed"), std::string::npos);
      ASSERT_TRUE(gf_createFlightPlanFolder(harness.log().folder()));
    }
  }
  EXPECT_TRUE(std::filesystem::exists(gf_flightPlanPath(301)));
  feedback({301, 0, 0, FeedbackKind::Removed, 0.0, 0.0});
  EXPECT_FALSE(std::filesystem::exists(gf_flightPlanPath(301)));
  flightPlanFolder.clear();
}

// Handling a record may post further feedback (here: the removal hook of an
// active aircraft); the feedback lock is not held meanwhile.
void postFromHandling(const AiControlled& aircraft) {
  gf_postFeedback({aircraft.objectId, 0, 0, FeedbackKind::StaticCg, 12.0, 0.0});
}

TEST_F(EnginePass, FeedbackIsHandledOutsideItsLock) {
  activeAircraft(300);
  gf_installLiveRemovalHook(&postFromHandling);
  feedback({0, hexid, 0, FeedbackKind::Blocked, 0.0, 0.0});  // would never return while holding the lock
  gf_installLiveRemovalHook(nullptr);
  EXPECT_EQ(front().sim.simState, AcSimState::RemovingFromSim);
  lf_handleFeedback();
  EXPECT_EQ(front().groundCgHeight, 12.0);
}

TEST_F(EnginePass, ResetEmptiesEverything) {
  activeAircraft(300);
  trafficEngine.addingStack.push_back(1);
  trafficEngine.queuedRemovals.push_back(300);
  trafficEngine.ghostCallsigns.push_back("X_");
  RememberedLiveries[hexid] = {lufthansaTitle, {}};
  {
    std::lock_guard lock(trafficRecordMutex);
    trafficRecordQueue.push_back(recordOf({}));
  }
  // Left behind by the last run's park airport: its objects went with the simulator.
  AcIdentity identity;
  identity.callsign = "BAW9*";
  staticAircraft.emplace_back(identity);
  staticAircraft.back().sim.simState = AcSimState::RemovingFromSim;
  parkedEntries.push_back({});
  parkedLive.push_back({});
  standTable.emplace_back("A1", std::vector<StandOption>{}, 50.0, 8.5, 0.0, 30.0, 0, false, false, false);
  gf_resetTraffic();
  EXPECT_TRUE(staticAircraft.empty() && parkedEntries.empty() && parkedLive.empty() && trafficEngine.live.empty() &&
              trafficEngine.addingStack.empty() && trafficEngine.queuedRemovals.empty() &&
              trafficEngine.ghostCallsigns.empty() && RememberedLiveries.empty() && standTable.empty());
  EXPECT_EQ(testsupport::FeedState::queuedCount(), 0u);
  // Reserved once for the process (the harness asked first); a reset keeps the room.
  const struct { const char* container; std::size_t capacity, reserved; } rooms[] = {
      {"live aircraft", trafficEngine.live.capacity(), 512},
      {"static aircraft", staticAircraft.capacity(), 256},
      {"stand table", standTable.capacity(), 512},
      {"feedback", trafficEngine.feedback.capacity(), 256},
      {"second feedback", trafficEngine.activations.capacity(), 128},
      {"adding stack", trafficEngine.addingStack.capacity(), 64},
      {"blocked callsigns", trafficEngine.ghostCallsigns.capacity(), 64},
      {"parked-file entries", parkedEntries.capacity(), 512},
      {"parked live", parkedLive.capacity(), 64},
      {"kept static", gf_renewalListsRoom().kept, 256},
      {"static removals", gf_renewalListsRoom().removals, 256},
  };
  for (const auto& room : rooms) EXPECT_GE(room.capacity, room.reserved) << room.container;
}

EngineHarness* pausingHarness = nullptr;
// Simulated waiting: the frames of the wait, with their replies.
void stepFramesOfWait(std::chrono::milliseconds wait) {
  pausingHarness->client().step(static_cast<std::uint64_t>(wait.count() / 10));
}

TEST(EngineWait, WaitsForARunningFlightAndTheUserPosition) {
  EngineHarness harness({{"DLH", "", "A320", false, lufthansaTitle, ""}}, {lufthansaTitle}, true);
  pausingHarness = &harness;
  harness.emulator().setSimRunning(false);
  harness.client().pump();
  gf_resetUserAircraft();
  trafficEngine.user = {};
  stopRequested.store(true);
  EXPECT_FALSE(lf_waitForUserAircraft(&stepFramesOfWait));
  stopRequested.store(false);

  harness.emulator().setSimRunning(true);
  EXPECT_TRUE(lf_waitForUserAircraft(&stepFramesOfWait));
  EXPECT_TRUE(userOnGroundKnown.load());
  EXPECT_NEAR(trafficEngine.user.latitude, 50.0333, 1e-9);
  const auto calls = harness.emulator().calls();
  for (const std::uint32_t request : {UserTitleRequest, UserModelRequest}) {
    EXPECT_TRUE(std::any_of(calls.begin(), calls.end(), [&](const simemu::CallRecord& c) {
      return c.function == "RequestDataOnSimObject" && c.id == request;
    })) << request;
  }
  pausingHarness = nullptr;
}

TEST(TickCadence, LateWakeRunsOnePassAndResumesFromNow) {
  const std::chrono::steady_clock::time_point t{std::chrono::seconds(1000)};
  EXPECT_EQ(gf_tickWakeTime(t, t - 5ms), t);      // early: sleeps until the deadline
  EXPECT_EQ(gf_tickWakeTime(t, t), t);            // on time
  EXPECT_EQ(gf_tickWakeTime(t, t + 100ms), t);    // still runs the missed deadline at once
  EXPECT_EQ(gf_tickWakeTime(t, t + 150ms), t + 160ms);  // re-based: now + 10 ms
  EXPECT_EQ(gf_nextTickDeadline(t, t + 3ms, false), t + 10ms);
  EXPECT_EQ(gf_nextTickDeadline(t, t + 3ms, true), t + 13ms);  // aligned to the simulator's reply
}

TEST_F(EnginePass, WindowRequestsRunAtTheNextEngineSecond) {
  const char* callsigns[] = {"KLM7", "DLH2", "BAW9"};
  for (std::uint32_t i = 0; i < 3; ++i) {
    routeSome(2, {0.0, 36000, 450, 90, 50.2 + 0.1 * i}, hexid + i, callsigns[i]);
    trafficEngine.live[i].sim.simState = AcSimState::Active;
    trafficEngine.live[i].sim.objectId = 300 + i;
  }
  trafficEngine.live[2].phase = AcPhase::Parked;
  EXPECT_TRUE(gf_refreshCallsignChoices());
  EXPECT_EQ(callsignChoices->snapshot(), (std::vector<std::string>{"DLH2", "KLM7"}));  // sorted, not the parked one

  CALLSIGN_2_OBJECTID.setCurrent("KLM7");
  objectIdLookupPending.store(true);
  BLOCK_CALLSIGN.setCurrent("DLH2");
  blockChangeRequested.store(true);
  navLightsRequested.store(true);
  const auto eventsBefore = gf_queueSizesForTests().events;
  pass(1);
  EXPECT_EQ(gf_queueSizesForTests().events, eventsBefore + 1);  // nav lights of the one parked aircraft
  EXPECT_EQ(lookedUpObjectId.load(), 300u);
  EXPECT_EQ(std::pair(trafficEngine.live[1].sim.simState, trafficEngine.live[0].sim.simState),
            std::pair(AcSimState::RemovingFromSim, AcSimState::Active));
  EXPECT_FALSE(blockChangeRequested.load());
  // The looked-up aircraft goes: the look-up and the choices go with it (DLH2's removal left them).
  gf_removeLiveAc(trafficEngine.live[0]);
  EXPECT_EQ(std::pair(lookedUpObjectId.load(), callsignChoices->snapshot()), std::pair(0u, std::vector<std::string>{""}));

  for (auto& ac : trafficEngine.live) ac.phase = AcPhase::Parked;
  EXPECT_FALSE(gf_refreshCallsignChoices());
  EXPECT_EQ(callsignChoices->snapshot(), std::vector<std::string>{""});
}

// The list opens only with callsigns in it; "Block" only while the callsign
// box is not open. Emptying the list closes both but keeps "cs->oid:", which
// the loop opens when it starts.
TEST_F(EnginePass, CallsignChoicesOpenTheListAndBlockOnlyWithCallsigns) {
  auto& surface = platform::gf_headlessControlSurface();
  const platform::ControlId list = CALLSIGN_2_OBJECTID.controlId, block = BLOCK_BUTTON.controlId,
                            box = BLOCK_CALLSIGN.controlId, lookup = CS_TO_OID_BUTTON.controlId;
  for (const platform::ControlId id : {list, block, box, lookup}) surface.createControl(id);
  routeSome(2, {}, hexid, "KLM7");
  trafficEngine.live[0].sim.simState = AcSimState::Active;
  const struct { AcPhase phase; bool boxOpen, listOpen, blockOpen; } cases[] = {
      {AcPhase::Flying, true, true, false},
      {AcPhase::Flying, false, true, true},
      {AcPhase::Parked, false, false, false},
  };
  for (const auto& c : cases) {
    surface.enable(list, false);
    surface.enable(block, false);
    surface.enable(box, c.boxOpen);
    trafficEngine.live[0].phase = c.phase;
    EXPECT_EQ(gf_refreshCallsignChoices(), c.listOpen);
    EXPECT_EQ(std::pair(surface.isEnabled(list), surface.isEnabled(block)), std::pair(c.listOpen, c.blockOpen))
        << static_cast<int>(c.phase) << " box " << c.boxOpen;
  }
  trafficEngine.live[0].phase = AcPhase::Flying;
  ASSERT_TRUE(gf_refreshCallsignChoices());
  surface.enable(lookup, true);
  gf_clearCallsignChoices();
  EXPECT_EQ(std::tuple(surface.isEnabled(list), surface.isEnabled(block), surface.isEnabled(lookup)),
            std::tuple(false, false, true));

  surface.enable(lookup, false);
  stopRequested.store(true);
  lf_tickLoop();  // its first pass sees the stop
  stopRequested.store(false);
  EXPECT_TRUE(surface.isEnabled(lookup));
  surface.removeAllControls();
}

// "Flush static" at the next engine second; an announced static-parking
// update collects the feed's callsigns for one 15-second look, then adjusts.
TEST_F(EnginePass, FlushAndAnnouncedStaticUpdates) {
  static int flushes = 0, updates = 0, controlChanges = 0;
  flushes = updates = controlChanges = 0;
  // The update's second phase is one of the places that clear an error.
  static struct ErrorLine final : StatusLineSink {
    bool showNotice(const std::string&) override { return true; }
    void showError(const std::string& text) override { error = text; }
    void clearNotice() override {}
    void clearError() override { error.clear(); }
    std::string error;
  } line;
  gf_installStatusLine(&line);
  TrafficEngineHooks hooks;
  hooks.removeAllStatic = [] { ++flushes; };
  hooks.staticUpdate = [] { ++updates; };
  hooks.parkControls = [](bool) { ++controlChanges; };
  gf_installTrafficEngineHooks(hooks);

  INITIAL_LOAD_ONLY.setCurrent(false);
  flushStaticRequested.store(true);
  pass(1);
  EXPECT_EQ(std::tuple(flushes, INITIAL_LOAD_ONLY.current(), flushStaticRequested.load()), std::tuple(1, true, false));
  INITIAL_LOAD_ONLY.setCurrent(false);

  harness.readFrankfurtAsParkAirport({testsupport::frankfurtStand("A1", {50.03, 8.57}, 0.0)});
  controlChanges = 0;  // reading the park airport switches the controls too
  secondCount = 20;
  lf_announceStaticParkingUpdate();  // the next 15-second look comes in 10 s
  EXPECT_EQ(std::pair(parkControlsDisabled.load(), controlChanges), std::pair(true, 1));
  setStatusError("88: stream decrypt failed");
  pass(29);  // collecting: the reader gathers the feed's callsigns
  EXPECT_EQ(std::tuple(staticUpdateCollecting, trafficReader.collectingCallsigns(), updates, line.error),
            std::tuple(true, true, 0, std::string("88: stream decrypt failed")));
  pass(44);
  EXPECT_EQ(std::tuple(updates, line.error, staticUpdateRequested.load(), staticUpdateCollecting),
            std::tuple(1, std::string(), false, false));
  pass(59);
  EXPECT_EQ(updates, 1);

  // The park airport is left while the feed's callsigns are collected: no
  // update, and the reader stops collecting.
  lf_announceStaticParkingUpdate();
  pass(74);
  EXPECT_TRUE(trafficReader.collectingCallsigns());
  gf_clearParkAirport();
  pass(89);
  EXPECT_EQ(std::tuple(updates, staticUpdateRequested.load(), trafficReader.collectingCallsigns()),
            std::tuple(1, false, false));

  gf_clearStands(standTable);
  trafficReader.setCollectCallsigns(false);
  gf_enableParkControls();
  gf_installStatusLine(nullptr);
}

} // namespace
} // namespace gwr
