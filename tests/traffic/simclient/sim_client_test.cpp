// The simulator client against the emulated simulator, driven frame by frame on
// the test's thread: declarations, user data, creation, control and removal.
#include <gtest/gtest.h>

#include "core/main_window_state.h"

#include <algorithm>
#include <limits>

#include "core/user_error.h"
#include "support/sim_client_world.h"
#include "traffic/simclient/ai_control.h"
#include "traffic/simclient/sim_ids.h"

namespace gwr {
namespace {

using testsupport::installedTitle;
using testsupport::RunRecord;
using testsupport::SyncSimClient;

AiCreateRequest creation(std::string callsign, std::uint32_t hexid, std::string_view title = installedTitle,
                         double latitude = 50.0333) {
  AiCreateRequest r;
  r.position = {latitude, 8.5706, 372.0, 0.0, 0.0, 90.0, 1, 0};
  r.tailNumber = std::move(callsign);
  r.title = title;
  r.hexid = hexid;
  return r;
}

class SimClientTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(client.connect());
    client.userState();  // the user object id
  }
  // Creation sent, object added, identified by the aircraft-in-radius reply.
  std::uint32_t createAndIdentify(const std::string& callsign, std::uint32_t hexid) {
    gf_queueCreateRequest(creation(callsign, hexid));
    client.step(2);
    gf_requestAircraftInRadius(radiusMeters);
    client.pump();
    return emu().objects().back().id;
  }
  // The one feedback item since the last look, of this kind.
  SimFeedback single(FeedbackKind kind) {
    const auto all = client.feedback();
    EXPECT_EQ(all.size(), 1u);
    if (all.empty()) return {};
    EXPECT_EQ(all[0].kind, kind);
    return all[0];
  }
  simemu::Emulator& emu() { return client.emulator(); }
  static constexpr std::uint32_t radiusMeters = 20000;
  SyncSimClient client;
};

// The connection's declarations, each table in the order the simulator gets
// it: the calls' ids and names, and the group's events with their priority.
TEST_F(SimClientTest, TheConnectionDeclaresEachTableInItsOrder) {
  using Declared = std::vector<std::pair<std::uint32_t, std::string>>;
  const auto declared = [this](const std::string& function) {
    Declared out;
    for (const auto& call : emu().calls()) {
      if (call.function == function) out.emplace_back(call.id, call.text);
    }
    return out;
  };
  const struct { const char* function; Declared expected; } cases[] = {
      {"SubscribeToSystemEvent",
       {{201, "Sim"}, {202, "ObjectAdded"}, {203, "ObjectRemoved"}, {205, "FlightLoaded"}, {204, "Frame"}}},
      {"MapClientEventToSimEvent",
       {{219, "GEAR_SET"}, {220, "ENGINE_AUTO_START"}, {221, "ENGINE_AUTO_SHUTDOWN"}, {222, "THROTTLE_SET"},
        {217, "FLAPS_SET"}, {218, "SPOILERS_SET"}, {207, "NAV_LIGHTS_SET"}, {206, "BEACON_LIGHTS_SET"},
        {210, "LANDING_LIGHTS_SET"}, {208, "TAXI_LIGHTS_SET"}, {209, "STROBES_SET"}, {212, "LOGO_LIGHTS_SET"},
        {211, "CABIN_LIGHTS_SET"}, {213, "ALL_LIGHTS_TOGGLE"}, {214, "FREEZE_LATITUDE_LONGITUDE_SET"},
        {215, "FREEZE_ALTITUDE_SET"}, {216, "FREEZE_ATTITUDE_SET"}}},
      {"AddClientEventToNotificationGroup",
       {{207, ""}, {206, ""}, {210, ""}, {208, ""}, {209, ""}, {212, ""}, {211, ""}, {213, ""},
        {217, ""}, {218, ""}, {219, ""}, {221, ""}, {222, ""}, {214, ""}, {215, ""}, {216, ""}}},
      {"SetNotificationGroupPriority", {{301, ""}}},
  };
  for (const auto& c : cases) EXPECT_EQ(declared(c.function), c.expected) << c.function;

  for (const auto& call : emu().calls()) {
    if (call.function == "AddClientEventToNotificationGroup") {
      EXPECT_EQ(call.data, 301u) << call.id;
    } else if (call.function == "SetNotificationGroupPriority") {
      EXPECT_EQ(call.data, 1u) << "the highest priority";
    }
  }
  // Definitions: the order they are made in, each with its fields in order.
  Declared definitions;
  for (const auto& [id, field] : declared("AddToDataDefinition")) {
    if (definitions.empty() || definitions.back().first != id) definitions.emplace_back(id, "");
    definitions.back().second += field + ";";
  }
  const Declared expectedDefinitions{
      {407, "TITLE;"},
      {408, "ATC MODEL;"},
      {409, "SIM ON GROUND;"},
      {402, "Plane Latitude;Plane Longitude;Plane Pitch degrees;Plane Bank degrees;Plane Heading degrees true;"
            "Plane Altitude;Vertical Speed;Airspeed True;"},
      {403, "Plane Latitude;Plane Longitude;Plane Pitch degrees;Plane Bank degrees;Plane Heading degrees true;"
            "Plane Altitude;Indicated Altitude;Plane Alt Above Ground;Ground Velocity;ZULU TIME;ZULU DAY OF YEAR;"
            "ZULU YEAR;LIGHT STATES;STANDARD ATM TEMPERATURE;"},
      {405, "Static CG to Ground;Static Pitch;"},
      {404, "Plane Alt Above Ground;Ground Altitude;SIM ON GROUND;ATC ID;"},
      {401, "SPOILERS HANDLE POSITION;GENERAL ENG THROTTLE LEVER POSITION:1;GENERAL ENG THROTTLE LEVER POSITION:2;"},
  };
  EXPECT_EQ(definitions, expectedDefinitions);
}

TEST_F(SimClientTest, UserStateOnGroundAndSimulatorTimeAreDecoded) {
  const UserState state = client.userState();
  EXPECT_EQ(std::tuple(state.latitude, state.altitude, state.heightAboveGround), std::tuple(50.0333, 372.0, 8.0));
  EXPECT_NEAR(state.heading, 90.0 * 0.017453292519943295, 1e-12);
  // 2024-02-29 00:00 UTC
  EXPECT_EQ(std::tuple(state.zuluYear, state.zuluDayOfYear, simulatorTime.load(), userObjectId.load()),
            std::tuple(2024, 60, 1709164800, 1u));

  gf_requestUserOnGround();
  newUserData.store(false);
  client.pump();
  EXPECT_TRUE(newUserData.load() && userOnGroundKnown.load() && userOnGround.load());
  emu().setUserOnGround(false);
  client.step(emu().options().framesPerSecond);  // the next second's reply
  EXPECT_FALSE(userOnGround.load());
}

// Zulu dates to epoch seconds; a reply with a date no clock shows is no time
// (0, which is never sent on), and must not overflow on the way.
TEST(SimulatorTime, EpochSecondsOfZuluDatesAndImpossibleOnesAreNoTime) {
  constexpr std::int64_t most = std::numeric_limits<std::int64_t>::max();
  constexpr std::int64_t least = std::numeric_limits<std::int64_t>::min();
  const std::int64_t rows[][4] = {
      {1970, 1, 0, 0}, {2024, 60, 0, 1709164800},
      {2000, 366, 86399, 978307199},      // last second of a leap year
      {2100, 60, 0, 4107542400},          // 1 March: 2100 is no leap year
      {9999, 365, 86400, 253402300800},   // the last second there is, and one more
      {1, 1, 0, -62135596800},
      {most, 1, 0, 0}, {least, 1, 0, 0}, {0, 1, 0, 0}, {10000, 1, 0, 0}, {2024, most, 0, 0}, {2024, least, 0, 0},
      {2024, 0, 0, 0}, {2024, 367, 0, 0}, {2024, 1, most, 0}, {2024, 1, least, 0}, {2024, 1, -1, 0}, {2024, 1, 86401, 0},
  };
  for (const auto& row : rows)
    EXPECT_EQ(gf_simulatorEpochSeconds(row[0], row[1], row[2]), row[3]) << row[0] << " " << row[1] << " " << row[2];
}

TEST_F(SimClientTest, FirstPositionAfterNoneAndAJumpOfTenMilesAreNoTeleport) {
  emu().setUserPosition(50.0333 + 9.999 / 60.0, 8.5706, 372);
  client.userState();
  EXPECT_TRUE(RunRecord::instance().reasons().empty());
  emu().setUserPosition(50.0333 + 9.999 / 60.0 + 10.1 / 60.0, 8.5706, 372);
  client.userState();
  EXPECT_EQ(RunRecord::instance().reasons(), std::vector<std::string>{"NEW FLIGHT"});
  EXPECT_TRUE(client.logged("Teleport"));
}

TEST_F(SimClientTest, CreationIsIdentifiedReleasedFrozenAndReported) {
  const std::uint32_t id = createAndIdentify("DLH1", 20001);
  const auto created = single(FeedbackKind::LiveCreated);
  EXPECT_EQ(std::tuple(created.objectId, created.value, created.second), std::tuple(id, 20001u, 8.0));
  EXPECT_TRUE(lf_pendingCreates().empty());
  client.step();
  const auto object = *emu().object(id);
  EXPECT_TRUE(object.released && object.freezeLatLon && object.freezeAltitude && object.freezeAttitude);
  EXPECT_EQ(object.tail, "DLH1");

  gf_queueRemoval(id);
  client.step();
  EXPECT_EQ(single(FeedbackKind::Removed).objectId, id);
  EXPECT_FALSE(emu().object(id));

  // The simulator's own removal reads the same.
  const std::uint32_t second = createAndIdentify("DLH2", 20002);
  client.feedback();
  emu().cullObject(second);
  client.pump();
  EXPECT_EQ(single(FeedbackKind::Removed).objectId, second);
}

// A new run's client numbers its creations and fills its position buffers
// as the first run did, whatever the last run left.
TEST_F(SimClientTest, ANewRunStartsItsRequestIdsAndBuffersAsTheFirst) {
  std::vector<AiPosition>* const firstFill = &gf_positionFillBuffer();
  for (int run = 0; run < 2; ++run) {
    SCOPED_TRACE(run);
    EXPECT_EQ(&gf_positionFillBuffer(), firstFill);
    gf_queueCreateRequest(creation("DLH1", 20001));
    client.step(2);
    ASSERT_EQ(lf_pendingCreates().size(), 1u);
    EXPECT_EQ(lf_pendingCreates()[0].requestId, creationRequestBase + 1);
    ASSERT_TRUE(gf_swapPositionBuffers());  // an odd number of frames
    gf_prepareSimConnectQueues();
  }
}

TEST_F(SimClientTest, StaticAircraftGiveNoGroundDataButTheirCentreOfGravity) {
  const std::uint32_t id = createAndIdentify("STAT1*", 42);
  EXPECT_EQ(single(FeedbackKind::StaticCreated).second, 0.0);
  // Known now, not in the added list: static ones ("*") give no ground data.
  gf_requestAircraftInRadius(radiusMeters);
  client.pump();
  EXPECT_TRUE(client.feedback().empty());
  ASSERT_TRUE(gf_requestStaticCg(id));
  client.pump();
  const auto cg = single(FeedbackKind::StaticCg);
  EXPECT_EQ(std::tuple(cg.objectId, cg.first), std::tuple(id, 8.0));
}

TEST_F(SimClientTest, UnknownTitleReportsCreationFailed) {
  // A live aircraft, and the static one with hexid 0.
  for (const std::uint32_t hexid : {20009u, 0u}) {
    gf_queueCreateRequest(creation("DLH9", hexid, "Not Installed"));
    client.step(2);
    const auto failed = single(FeedbackKind::CreationFailed);
    EXPECT_EQ(std::tuple(failed.value, failed.objectId), std::tuple(hexid, 0u));
    EXPECT_TRUE(lf_pendingCreates().empty());
  }
}

// Only the latest completed tick goes out, none to the user, and flaps between releases.
TEST_F(SimClientTest, AFrameSendsTheLatestTickAndFramesFlapsByReleases) {
  const std::uint32_t id = createAndIdentify("DLH1", 20001);
  client.step();
  AiControlled aircraft;
  aircraft.objectId = id;
  gf_setFlaps(aircraft, 2);
  gf_positionFillBuffer().push_back({50.1, 8.6, 0, 0, 0, 1000, 0, 150, id});
  ASSERT_TRUE(gf_swapPositionBuffers());
  for (std::uint32_t target : {0u, 1u, id}) gf_positionFillBuffer().push_back({50.1, 8.6, 0, 0, 0, 3000, 0, 150, target});
  ASSERT_TRUE(gf_swapPositionBuffers());
  const auto before = emu().calls().size();
  client.step();
  auto calls = emu().calls();
  calls.erase(calls.begin(), calls.begin() + static_cast<std::ptrdiff_t>(before));
  std::vector<std::string> sequence;
  for (const auto& c : calls) {
    EXPECT_EQ(c.objectId, id) << c.function;
    sequence.push_back(c.function);
  }
  EXPECT_EQ(sequence, (std::vector<std::string>{"SetDataOnSimObject", "AIReleaseControl", "TransmitClientEvent",
                                                "AIReleaseControl"}));
  const auto object = *emu().object(id);
  EXPECT_EQ(std::tuple(object.flaps, object.pose.altitude, object.onGround), std::tuple(10240u, 3000.0, false));
}

TEST_F(SimClientTest, AFailedCallEndsTheRunWithSimconnectError) {
  emu().failNextCalls("AICreateNonATCAircraft");
  gf_queueCreateRequest(creation("DLH1", 20001));
  client.step();
  EXPECT_EQ(std::tuple(RunRecord::instance().reasons(), restartDelaySeconds.load(), simDisconnecting.load()),
            std::tuple(std::vector<std::string>{"SIMCONNECT ERROR"}, 9, true));
  // Work queued while ending is dropped unsent.
  gf_queueCreateRequest(creation("DLH2", 20002));
  gf_queueRemoval(5);
  client.step();
  const auto sizes = gf_queueSizesForTests();
  EXPECT_EQ(std::tuple(emu().countCalls("AICreateNonATCAircraft"), emu().countCalls("AIRemoveObject"),
                       sizes.creations + sizes.removals),
            std::tuple(1u, 0u, 0u));
}

// Releasing AI control is a call like any other: each of its failures ends the run.
TEST_F(SimClientTest, AFailedReleaseOfControlEndsTheRunWithSimconnectError) {
  struct Case {
    const char* where;
    bool atIdentification;
    int releasesBefore;  // releases that succeed before the one that fails
  };
  const Case cases[] = {
      {"release of a newly identified object", true, 0},
      {"release before a flaps event", false, 0},
      {"release after a flaps event", false, 1},
  };
  std::uint32_t hexid = 20001;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.where);
    // Each case is a run of its own.
    stopRequested.store(false);
    RunRecord::instance().clear();
    gf_prepareSimConnectQueues();
    const std::string callsign = "DLH" + std::to_string(hexid);
    if (c.atIdentification) emu().failNextCalls("AIReleaseControl", 1, c.releasesBefore);
    const std::uint32_t id = createAndIdentify(callsign, hexid++);
    if (!c.atIdentification) {
      client.step();
      ASSERT_TRUE(RunRecord::instance().reasons().empty());
      emu().failNextCalls("AIReleaseControl", 1, c.releasesBefore);
      AiControlled aircraft;
      aircraft.objectId = id;
      gf_setFlaps(aircraft, 2);
      client.step();
    }
    EXPECT_EQ(std::tuple(RunRecord::instance().reasons(), restartDelaySeconds.load(), simDisconnecting.load()),
              std::tuple(std::vector<std::string>{"SIMCONNECT ERROR"}, 9, true));
    client.feedback();
  }
}

TEST_F(SimClientTest, AFailedUserRequestEndsTheRunAndNoMoreAreSent) {
  emu().failNextCalls("RequestDataOnSimObject");
  const auto before = emu().countCalls("RequestDataOnSimObject");
  gf_requestUserState();
  EXPECT_TRUE(client.logged("==> SimConnect request user ac position fails"));
  EXPECT_EQ(RunRecord::instance().reasons(), std::vector<std::string>{"SIMCONNECT ERROR"});
  gf_requestUserState();
  EXPECT_EQ(emu().countCalls("RequestDataOnSimObject"), before + 1);
}

TEST_F(SimClientTest, NewFlightEventsEndTheRun) {
  const std::pair<void (simemu::Emulator::*)(), const char*> events[] = {
      {&simemu::Emulator::flightLoaded, "SimConnect: flight loaded event"},
      {&simemu::Emulator::newFlightFile, "==> SimConnect: New file event"}};
  for (const auto& [raise, line] : events) {
    stopRequested.store(false);
    RunRecord::instance().clear();
    (emu().*raise)();
    client.pump();
    EXPECT_EQ(RunRecord::instance().reasons(), std::vector<std::string>{"NEW FLIGHT"}) << line;
    EXPECT_TRUE(client.logged(line));
  }
}

TEST_F(SimClientTest, SimEventSetsRunningAndExceptionsTakeTheirLines) {
  emu().setSimRunning(true);
  client.pump();
  EXPECT_TRUE(simRunning.load() && gf_mainWindow().flightRunning.load());
  for (std::uint32_t number : {3u, 11u, 19u, 23u, 24u, 30u}) emu().injectException(number);
  client.pump();
  for (const char* line : {"==> SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID", "SimConnect: too many objects (max 1000)",
                           "SIMCONNECT_EXCEPTION_INVALID_DATA_SIZE", "==> SimConnect exception: load flight plan failed",
                           "SIMCONNECT_EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE", "==> SIMCONNECT_EXCEPTION #30"}) {
    EXPECT_TRUE(client.logged(line)) << line;
  }
  // No user position yet: an unknown id is expected.
  client.log().mark();
  gf_resetUserAircraft();
  emu().injectException(3);
  client.pump();
  EXPECT_FALSE(client.logged("==> SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID"));
  emu().injectException(5, 0, 7);
  EXPECT_THROW(client.pump(), UserErrorException);
}

TEST_F(SimClientTest, NoExceptionLeavesTheDispatchCallback) {
  simconnect::RecvException message;
  message.id = static_cast<std::uint32_t>(simconnect::RecvId::Exception);
  message.size = sizeof message;
  message.exception = 5;
  EXPECT_NO_THROW(lf_dispatchSimConnect(&message, message.size, nullptr));
  try {
    client.pump();  // the kept failure surfaces on the client's own thread
    FAIL() << "no exception";
  } catch (const UserErrorException& e) {
    EXPECT_STREQ(e.what(), "95: SimConnect Version Mismatch, dwIndex: 0");
  }
  EXPECT_NO_THROW(client.pump());
}

TEST_F(SimClientTest, RemovalBeforeIdentificationRemovesTheObjectOnceIdentified) {
  gf_queueCreateRequest(creation("DLH1", 20001));
  client.step();  // sent: no longer in any traffic queue
  AiControlled aircraft;
  aircraft.hexid = 20001;
  aircraft.simState = AcSimState::Adding2Sim;
  std::vector<AiCreateRequest> live, statics;
  std::vector<std::uint32_t> removals;
  TrafficQueues queues{live, statics, removals};
  removeAircraftFromSim(aircraft, queues);
  EXPECT_TRUE(aircraft.removeWhenCreated && !aircraft.removedWhileQueued);
  client.step();
  gf_requestAircraftInRadius(radiusMeters);
  client.pump();
  client.step();
  EXPECT_TRUE(emu().objects().empty());
  auto feedback = client.feedback();
  ASSERT_EQ(feedback.size(), 2u);
  EXPECT_EQ(std::tuple(feedback[0].kind, feedback[1].kind, feedback[1].objectId),
            std::tuple(FeedbackKind::LiveCreated, FeedbackKind::Removed, feedback[0].objectId));
}

TEST_F(SimClientTest, SameCallsignCreationsKeepTheirOwnObjects) {
  // The first one appears far away, out of the radius of the first reply.
  gf_queueCreateRequest(creation("DLH1", 20001, installedTitle, 52.0));
  gf_queueCreateRequest(creation("DLH1", 20002));
  client.step(2);
  const auto objects = emu().objects();
  ASSERT_EQ(objects.size(), 2u);
  gf_requestAircraftInRadius(radiusMeters);
  client.pump();
  auto feedback = client.feedback();
  ASSERT_EQ(feedback.size(), 1u);
  EXPECT_EQ(std::tuple(feedback[0].objectId, feedback[0].value), std::tuple(objects[1].id, 20002u));
  gf_requestAircraftInRadius(500000);
  client.pump();
  feedback = client.feedback();
  ASSERT_EQ(feedback.size(), 2u);  // the known one now only gives ground data
  EXPECT_EQ(std::tuple(feedback[0].kind, feedback[0].objectId, feedback[0].value, feedback[1].kind),
            std::tuple(FeedbackKind::LiveCreated, objects[0].id, 20001u, FeedbackKind::GroundData));
}

TEST_F(SimClientTest, ObjectsOfOtherProgramsAreOnlyLogged) {
  simconnect::Handle other = nullptr;
  ASSERT_EQ(simconnect::Open(other, "Other", 0), simconnect::resultOk);
  for (const char* tail : {"AS-GEN", "AS-GEN", "N123"}) {
    simconnect::AICreateNonATCAircraft(other, installedTitle, tail, creation("", 0).position, 1);
  }
  client.step();
  gf_requestAircraftInRadius(radiusMeters);
  client.pump();
  EXPECT_TRUE(client.feedback().empty());
  const auto text = client.log().text();
  EXPECT_EQ(text.find("Spawned by Asobo"), text.rfind("Spawned by Asobo"));  // once per process
  EXPECT_NE(text.find("just spawned, but not by Gatewright, oid: 4, callsign 'N123', altaboveGnd:8 ft, onground:1"),
            std::string::npos);
  simconnect::Close(other);
}

TEST_F(SimClientTest, ObjectEventsOfOtherObjectTypesAreIgnored) {
  simconnect::RecvEventObjectAddRemove message;
  message.id = static_cast<std::uint32_t>(simconnect::RecvId::EventObjectAddRemove);
  message.size = sizeof message;
  message.data = 50;
  message.objectType = static_cast<std::uint32_t>(simconnect::ObjectType::Boat);
  for (std::uint32_t event : {202u, 203u}) {
    message.eventId = event;
    lf_dispatchSimConnect(&message, message.size, nullptr);
  }
  EXPECT_TRUE(client.feedback().empty());
  EXPECT_TRUE(lf_addedObjects().empty());
  message.objectType = static_cast<std::uint32_t>(simconnect::ObjectType::Aircraft);
  lf_dispatchSimConnect(&message, message.size, nullptr);  // removed
  message.eventId = 202;
  message.data = 1;  // the user's own id is never an added AI object
  lf_dispatchSimConnect(&message, message.size, nullptr);
  EXPECT_EQ(client.feedback().size(), 1u);
  EXPECT_TRUE(lf_addedObjects().empty());
}

TEST(DropQueuedCreations, DropsOnlyTheHexidAndKeepsTheOrder) {
  std::vector<AiCreateRequest> queue{creation("DLH1", 1), creation("DLH1", 2), creation("BAW2", 3), creation("DLH1", 4)};
  EXPECT_TRUE(gf_dropQueuedCreations(queue, 2));
  ASSERT_EQ(queue.size(), 3u);
  EXPECT_EQ(std::tuple(queue[0].hexid, queue[1].hexid, queue[2].hexid), std::tuple(1u, 3u, 4u));
  EXPECT_FALSE(gf_dropQueuedCreations(queue, 2));
}

} // namespace
} // namespace gwr
