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

using simemu::CallRecord;
using testsupport::installedTitle;
using testsupport::RunRecord;
using testsupport::SyncSimClient;

std::vector<CallRecord> callsOf(const std::vector<CallRecord>& calls, const std::string& function) {
  std::vector<CallRecord> out;
  std::copy_if(calls.begin(), calls.end(), std::back_inserter(out),
               [&](const CallRecord& c) { return c.function == function; });
  return out;
}

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

TEST_F(SimClientTest, DeclarationsFollowTheTables) {
  const auto calls = emu().calls();
  std::vector<std::pair<std::uint32_t, std::string>> subscribed, mapped;
  for (const auto& c : callsOf(calls, "SubscribeToSystemEvent")) subscribed.emplace_back(c.id, c.text);
  for (const auto& c : callsOf(calls, "MapClientEventToSimEvent")) mapped.emplace_back(c.id, c.text);
  EXPECT_EQ(subscribed, (std::vector<std::pair<std::uint32_t, std::string>>{
                            {201, "Sim"}, {202, "ObjectAdded"}, {203, "ObjectRemoved"}, {205, "FlightLoaded"}, {204, "Frame"}}));
  EXPECT_EQ(mapped, (std::vector<std::pair<std::uint32_t, std::string>>{
                        {219, "GEAR_SET"}, {220, "ENGINE_AUTO_START"}, {221, "ENGINE_AUTO_SHUTDOWN"},
                        {222, "THROTTLE_SET"}, {217, "FLAPS_SET"}, {218, "SPOILERS_SET"}, {207, "NAV_LIGHTS_SET"},
                        {206, "BEACON_LIGHTS_SET"}, {210, "LANDING_LIGHTS_SET"}, {208, "TAXI_LIGHTS_SET"},
                        {209, "STROBES_SET"}, {212, "LOGO_LIGHTS_SET"}, {211, "CABIN_LIGHTS_SET"},
                        {213, "ALL_LIGHTS_TOGGLE"}, {214, "FREEZE_LATITUDE_LONGITUDE_SET"}, {215, "FREEZE_ALTITUDE_SET"},
                        {216, "FREEZE_ATTITUDE_SET"}}));
  std::vector<std::uint32_t> grouped;
  for (const auto& c : callsOf(calls, "AddClientEventToNotificationGroup")) {
    EXPECT_EQ(c.data, 301u);
    grouped.push_back(c.id);
  }
  EXPECT_EQ(grouped, (std::vector<std::uint32_t>{207, 206, 210, 208, 209, 212, 211, 213, 217, 218, 219, 221, 222, 214,
                                                 215, 216}));
  const auto priority = callsOf(calls, "SetNotificationGroupPriority");
  ASSERT_EQ(priority.size(), 1u);
  EXPECT_EQ(priority[0].id, 301u);
  EXPECT_EQ(priority[0].data, 1u);

  // Definition, variable and type (0 f64, 1 i64, 2 string32, 3 variable string) in call order.
  std::vector<std::tuple<std::uint32_t, std::string, std::uint32_t>> fields;
  for (const auto& c : callsOf(calls, "AddToDataDefinition")) fields.emplace_back(c.id, c.text, c.data);
  const std::vector<std::tuple<std::uint32_t, std::string, std::uint32_t>> expected{
      {407, "TITLE", 3}, {408, "ATC MODEL", 2}, {409, "SIM ON GROUND", 1},
      {402, "Plane Latitude", 0}, {402, "Plane Longitude", 0}, {402, "Plane Pitch degrees", 0},
      {402, "Plane Bank degrees", 0}, {402, "Plane Heading degrees true", 0}, {402, "Plane Altitude", 0},
      {402, "Vertical Speed", 0}, {402, "Airspeed True", 0},
      {403, "Plane Latitude", 0}, {403, "Plane Longitude", 0}, {403, "Plane Pitch degrees", 0},
      {403, "Plane Bank degrees", 0}, {403, "Plane Heading degrees true", 0}, {403, "Plane Altitude", 0},
      {403, "Indicated Altitude", 0}, {403, "Plane Alt Above Ground", 0}, {403, "Ground Velocity", 0},
      {403, "ZULU TIME", 1}, {403, "ZULU DAY OF YEAR", 1}, {403, "ZULU YEAR", 1}, {403, "LIGHT STATES", 1},
      {403, "STANDARD ATM TEMPERATURE", 0},
      {405, "Static CG to Ground", 0}, {405, "Static Pitch", 0},
      {404, "Plane Alt Above Ground", 0}, {404, "Ground Altitude", 0}, {404, "SIM ON GROUND", 1}, {404, "ATC ID", 2},
      {401, "SPOILERS HANDLE POSITION", 0}, {401, "GENERAL ENG THROTTLE LEVER POSITION:1", 0},
      {401, "GENERAL ENG THROTTLE LEVER POSITION:2", 0}};
  EXPECT_EQ(fields, expected);
  EXPECT_TRUE(client.logged("MSFS 2020 (11.0.282174.999) connected"));
  EXPECT_EQ(gf_mainWindow().text(StatusText::simulator), "MSFS 2020 (11.0.282174.999)");
}

TEST_F(SimClientTest, UserStateOnGroundAndSimulatorTimeAreDecoded) {
  const UserState state = client.userState();
  EXPECT_DOUBLE_EQ(state.latitude, 50.0333);
  EXPECT_DOUBLE_EQ(state.altitude, 372.0);
  EXPECT_DOUBLE_EQ(state.heightAboveGround, 8.0);
  EXPECT_NEAR(state.heading, 90.0 * 0.017453292519943295, 1e-12);
  EXPECT_EQ(state.zuluYear, 2024);
  EXPECT_EQ(state.zuluDayOfYear, 60);
  EXPECT_EQ(simulatorTime.load(), 1709164800);  // 2024-02-29 00:00 UTC
  EXPECT_EQ(userObjectId.load(), 1u);

  gf_requestUserOnGround();
  newUserData.store(false);
  client.pump();
  EXPECT_TRUE(newUserData.load());
  EXPECT_TRUE(userOnGroundKnown.load());
  EXPECT_TRUE(userOnGround.load());
  emu().setUserOnGround(false);
  client.step(emu().options().framesPerSecond);  // the next second's reply
  EXPECT_FALSE(userOnGround.load());
}

TEST(SimulatorTime, EpochSecondsOfZuluDates) {
  EXPECT_EQ(gf_simulatorEpochSeconds(1970, 1, 0), 0);
  EXPECT_EQ(gf_simulatorEpochSeconds(2024, 60, 0), 1709164800);
  EXPECT_EQ(gf_simulatorEpochSeconds(2000, 366, 86399), 978307199);  // last second of a leap year
  EXPECT_EQ(gf_simulatorEpochSeconds(2100, 60, 0), 4107542400);      // 1 March: 2100 is no leap year
}

// A reply with a date no clock shows is no time (0, which is never sent on),
// and must not overflow on the way.
TEST(SimulatorTime, ImpossibleZuluDatesAreNoTime) {
  constexpr std::int64_t most = std::numeric_limits<std::int64_t>::max();
  constexpr std::int64_t least = std::numeric_limits<std::int64_t>::min();
  const std::int64_t rows[][3] = {
      {most, 1, 0}, {least, 1, 0}, {0, 1, 0},          {10000, 1, 0},   {2024, most, 0}, {2024, least, 0},
      {2024, 0, 0}, {2024, 367, 0}, {2024, 1, most},  {2024, 1, least}, {2024, 1, -1},  {2024, 1, 86401},
  };
  for (const auto& row : rows)
    EXPECT_EQ(gf_simulatorEpochSeconds(row[0], row[1], row[2]), 0) << row[0] << " " << row[1] << " " << row[2];
  EXPECT_EQ(gf_simulatorEpochSeconds(9999, 365, 86400), 253402300800);  // the last second there is, and one more
  EXPECT_EQ(gf_simulatorEpochSeconds(1, 1, 0), -62135596800);
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
  EXPECT_EQ(created.objectId, id);
  EXPECT_EQ(created.value, 20001u);
  EXPECT_DOUBLE_EQ(created.second, 8.0);
  EXPECT_TRUE(lf_pendingCreates().empty());
  client.step();
  const auto object = *emu().object(id);
  EXPECT_TRUE(object.released);
  EXPECT_TRUE(object.freezeLatLon && object.freezeAltitude && object.freezeAttitude);
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
  EXPECT_EQ(cg.objectId, id);
  EXPECT_DOUBLE_EQ(cg.first, 8.0);
}

TEST_F(SimClientTest, UnknownTitleReportsCreationFailed) {
  // A live aircraft, and the static one with hexid 0.
  for (const std::uint32_t hexid : {20009u, 0u}) {
    gf_queueCreateRequest(creation("DLH9", hexid, "Not Installed"));
    client.step(2);
    const auto failed = single(FeedbackKind::CreationFailed);
    EXPECT_EQ(failed.value, hexid);
    EXPECT_EQ(failed.objectId, 0u);
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
  EXPECT_EQ(object.flaps, 10240u);
  EXPECT_DOUBLE_EQ(object.pose.altitude, 3000.0);
  EXPECT_FALSE(object.onGround);
}

TEST_F(SimClientTest, AFailedCallEndsTheRunWithSimconnectError) {
  emu().failNextCalls("AICreateNonATCAircraft");
  gf_queueCreateRequest(creation("DLH1", 20001));
  client.step();
  EXPECT_EQ(RunRecord::instance().reasons(), std::vector<std::string>{"SIMCONNECT ERROR"});
  EXPECT_EQ(restartDelaySeconds.load(), 9);
  EXPECT_TRUE(simDisconnecting.load());
  // Work queued while ending is dropped unsent.
  gf_queueCreateRequest(creation("DLH2", 20002));
  gf_queueRemoval(5);
  client.step();
  EXPECT_EQ(emu().countCalls("AICreateNonATCAircraft"), 1u);
  EXPECT_EQ(emu().countCalls("AIRemoveObject"), 0u);
  const auto sizes = gf_queueSizesForTests();
  EXPECT_EQ(sizes.creations + sizes.removals, 0u);
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
  EXPECT_TRUE(simRunning.load());
  EXPECT_TRUE(gf_mainWindow().flightRunning.load());
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
  EXPECT_TRUE(aircraft.removeWhenCreated);
  EXPECT_FALSE(aircraft.removedWhileQueued);
  client.step();
  gf_requestAircraftInRadius(radiusMeters);
  client.pump();
  client.step();
  EXPECT_TRUE(emu().objects().empty());
  auto feedback = client.feedback();
  ASSERT_EQ(feedback.size(), 2u);
  EXPECT_EQ(feedback[0].kind, FeedbackKind::LiveCreated);
  EXPECT_EQ(feedback[1].kind, FeedbackKind::Removed);
  EXPECT_EQ(feedback[0].objectId, feedback[1].objectId);
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
  EXPECT_EQ(feedback[0].objectId, objects[1].id);
  EXPECT_EQ(feedback[0].value, 20002u);
  gf_requestAircraftInRadius(500000);
  client.pump();
  feedback = client.feedback();
  ASSERT_EQ(feedback.size(), 2u);  // the known one now only gives ground data
  EXPECT_EQ(feedback[0].kind, FeedbackKind::LiveCreated);
  EXPECT_EQ(feedback[0].objectId, objects[0].id);
  EXPECT_EQ(feedback[0].value, 20001u);
  EXPECT_EQ(feedback[1].kind, FeedbackKind::GroundData);
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
  EXPECT_EQ(queue[0].hexid, 1u);
  EXPECT_EQ(queue[1].hexid, 3u);
  EXPECT_EQ(queue[2].hexid, 4u);
  EXPECT_FALSE(gf_dropQueuedCreations(queue, 2));
}

} // namespace
} // namespace gwr
