// Tests of the emulated simulator through the client API: opening, declarations,
// creation and removal with their exceptions, replies, events and facilities.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/sim/sim_api.h"
#include "platform/sim/sim_emulator.h"

namespace gwr {
namespace {

using namespace simconnect;
using simemu::Emulator;

// Every message of one dispatch, copied out.
struct Received {
  std::vector<std::vector<std::byte>> messages;
  static void take(const RecvHeader* m, std::uint32_t size, void* context) {
    auto* self = static_cast<Received*>(context);
    const auto* p = reinterpret_cast<const std::byte*>(m);
    self->messages.emplace_back(p, p + size);
  }
  template <typename T>
  const T& as(std::size_t i) const { return *reinterpret_cast<const T*>(messages.at(i).data()); }
  std::uint32_t id(std::size_t i) const { return as<RecvHeader>(i).id; }
  std::vector<std::uint32_t> ids() const {
    std::vector<std::uint32_t> all;
    for (std::size_t i = 0; i < messages.size(); ++i) all.push_back(id(i));
    return all;
  }
};

constexpr auto idOf = [](RecvId id) { return static_cast<std::uint32_t>(id); };

simemu::World sampleWorld() {
  std::istringstream text(
      "ground 100\n"
      "airport EDDF 50.0333 8.5706 364 Frankfurt Main\n"
      "parking 2 12 90 20 10 -5\n"
      "helipad 50.04 8.57 111 45 20 20 2\n"
      "title Airbus A320 Lufthansa\n"
      "user 50.0333 8.5706 372 90 1\n"
      "usertitle My Plane\n"
      "usermodel A320\n"
      "zulu 2024 60 3600\n");
  std::vector<std::string> problems;
  auto world = simemu::gf_parseWorld(text, problems);
  EXPECT_TRUE(problems.empty());
  return world;
}

class SimEmulatorTest : public ::testing::Test {
protected:
  void SetUp() override {
    Emulator::instance().reset(sampleWorld());
    ASSERT_EQ(Open(handle, "Test", 0), resultOk);
    dispatch();  // the open message
  }
  void TearDown() override { Close(handle); }
  Received dispatch() {
    Received r;
    EXPECT_EQ(CallDispatch(handle, &Received::take, &r), resultOk);
    return r;
  }
  Handle handle = nullptr;
  Emulator& emu = Emulator::instance();
};

TEST(SimWorld, ReadsEveryKeywordAndReportsBadLines) {
  std::istringstream text("ground x\nparking 1 2 3 4 5 6\nairport EDDF 1 2 3 Name With Blanks\nbogus 1\n"
                          "at 5 position 1 2 3\nat 2 sim 1\n");
  std::vector<std::string> problems;
  auto world = simemu::gf_parseWorld(text, problems);
  ASSERT_EQ(problems.size(), 3u);  // ground, parking before airport, unknown keyword
  EXPECT_NE(problems[1].find("line 2"), std::string::npos);
  ASSERT_EQ(world.airports.size(), 1u);
  EXPECT_EQ(world.airports[0].name, "Name With Blanks");
  ASSERT_EQ(world.script.size(), 2u);
  EXPECT_EQ(world.script[0].command, "sim");  // sorted by frame
}

TEST(SimWorld, InstalledTitlesComeFromEveryAircraftCfg) {
  auto root = std::filesystem::temp_directory_path() / "gwr_sim_titles";
  std::filesystem::remove_all(root);
  std::filesystem::create_directories(root / "a" / "b");
  std::ofstream(root / "a" / "Aircraft.CFG") << "[FLTSIM.0]\ntitle = \"First One\"\n[FLTSIM.1]\nTitle=Second\n";
  std::ofstream(root / "a" / "b" / "aircraft.cfg") << "title=Third\nui_title=not this\n";
  std::ofstream(root / "a" / "other.cfg") << "title=Nope\n";
  // Both UTF-16 byte orders after their mark, and UTF-8 after its mark.
  std::filesystem::create_directories(root / "le");
  std::filesystem::create_directories(root / "be");
  std::filesystem::create_directories(root / "bom");
  std::ofstream(root / "le" / "aircraft.cfg", std::ios::binary)
      << std::string("\xFF\xFEt\0i\0t\0l\0e\0=\0L\0\xE9\0\n\0", 18);
  std::ofstream(root / "be" / "aircraft.cfg", std::ios::binary)
      << std::string("\xFE\xFF\0t\0i\0t\0l\0e\0=\0B\0E", 18);
  std::ofstream(root / "bom" / "aircraft.cfg", std::ios::binary) << "\xEF\xBB\xBFtitle=Marked\n";
  auto titles = simemu::gf_installedTitles(root);
  std::sort(titles.begin(), titles.end());
  EXPECT_EQ(titles, (std::vector<std::string>{"BE", "First One", "L\xC3\xA9", "Marked", "Second", "Third"}));
  std::filesystem::remove_all(root);
}

TEST(SimWorld, WrittenWorldLoadsBackAndAMissingFileIsRefused) {
  auto file = std::filesystem::temp_directory_path() / "gwr_sim_world.txt";
  std::ofstream(file) << simemu::gf_worldText(sampleWorld());
  std::vector<std::string> problems;
  const auto copy = simemu::gf_loadWorld(file, problems);
  EXPECT_TRUE(problems.empty());
  EXPECT_EQ(copy.titles, sampleWorld().titles);
  EXPECT_EQ(copy.airports.at(0).parkings.at(0).number, 12);
  EXPECT_EQ(copy.user.model, "A320");
  std::filesystem::remove(file);
  EXPECT_THROW(simemu::gf_loadWorld(file, problems), std::runtime_error);
}

TEST(SimEmulatorOpen, FailsOnRequestThenAnswersWithTheEditionsName) {
  simemu::Options options;
  options.edition = 2024;
  Emulator::instance().reset(sampleWorld(), options);
  Emulator::instance().failNextOpens(2);
  Handle h = nullptr;
  EXPECT_EQ(Open(h, "A", 0), resultFail);
  EXPECT_EQ(h, nullptr);
  EXPECT_EQ(Open(h, "A", 0), resultFail);
  ASSERT_EQ(Open(h, "A", 0), resultOk);
  Received r;
  ASSERT_EQ(CallDispatch(h, &Received::take, &r), resultOk);
  ASSERT_EQ(r.ids(), std::vector<std::uint32_t>{idOf(RecvId::Open)});
  EXPECT_STREQ(r.as<RecvOpen>(0).applicationName, "SunRise");
  EXPECT_EQ(r.as<RecvOpen>(0).applicationBuildMajor, 282174u);
  EXPECT_EQ(Close(h), resultOk);
  EXPECT_EQ(CallDispatch(h, &Received::take, &r), resultFail);
}

TEST_F(SimEmulatorTest, UnknownVariableIsRejectedWithAnException) {
  ASSERT_EQ(AddToDataDefinition(handle, 1, "PLANE LATITUDE", "degree", DataType::Float64, 0, unusedId), resultOk);
  ASSERT_EQ(AddToDataDefinition(handle, 1, "NO SUCH THING", "", DataType::Float64, 0, unusedId), resultOk);
  std::uint32_t packet = 0;
  GetLastSentPacketID(handle, packet);
  auto r = dispatch();
  ASSERT_EQ(r.ids(), std::vector<std::uint32_t>{idOf(RecvId::Exception)});
  EXPECT_EQ(r.as<RecvException>(0).exception, 7u);
  EXPECT_EQ(r.as<RecvException>(0).sendId, packet);
}

TEST_F(SimEmulatorTest, RepliesFollowTheDeclaredFieldsInOrder) {
  AddToDataDefinition(handle, 3, "TITLE", "", DataType::StringV, 0, unusedId);
  AddToDataDefinition(handle, 3, "ZULU YEAR", "Number", DataType::Int64, 0, unusedId);
  AddToDataDefinition(handle, 3, "ATC MODEL", "", DataType::String32, 0, unusedId);
  AddToDataDefinition(handle, 3, "PLANE ALT ABOVE GROUND", "feet", DataType::Float64, 0, unusedId);
  ASSERT_EQ(RequestDataOnSimObject(handle, 9, 3, userObjectIdRequest, Period::Once), resultOk);
  auto r = dispatch();
  ASSERT_EQ(r.ids(), std::vector<std::uint32_t>{idOf(RecvId::SimObjectData)});
  const auto& data = r.as<RecvSimObjectData>(0);
  EXPECT_EQ(data.requestId, 9u);
  EXPECT_EQ(data.objectId, 1u);
  std::string_view title;
  std::uint32_t taken = 0;
  ASSERT_EQ(RetrieveString(data, data.dataBytes(), title, taken), resultOk);
  EXPECT_EQ(title, "My Plane");
  EXPECT_EQ(taken, 16u);
  const std::byte* p = data.dataBytes() + taken;
  std::int64_t year = 0;
  std::memcpy(&year, p, 8);
  EXPECT_EQ(year, 2024);
  EXPECT_STREQ(reinterpret_cast<const char*>(p + 8), "A320");
  double above = 0;
  std::memcpy(&above, p + 40, 8);
  EXPECT_DOUBLE_EQ(above, 8.0);  // 372 ft over the airport's 364
  EXPECT_EQ(data.dataSize(), taken + 48u);
}

TEST_F(SimEmulatorTest, CreationAfterTheDelayThenRemoval) {
  SubscribeToSystemEvent(handle, 202, "ObjectAdded");
  SubscribeToSystemEvent(handle, 203, "ObjectRemoved");
  emu.setCreationDelayFrames(2);
  InitPosition at{50.0, 8.5, 364.0, 0, 0, 90, 1, 0};
  ASSERT_EQ(AICreateNonATCAircraft(handle, "Airbus A320 Lufthansa", "DLH1", at, 77), resultOk);
  emu.stepFrames(1);
  EXPECT_TRUE(dispatch().messages.empty());
  emu.stepFrames(1);
  auto r = dispatch();
  ASSERT_EQ(r.ids(), (std::vector<std::uint32_t>{idOf(RecvId::AssignedObjectId), idOf(RecvId::EventObjectAddRemove)}));
  EXPECT_EQ(r.as<RecvAssignedObjectId>(0).requestId, 77u);
  const std::uint32_t id = r.as<RecvAssignedObjectId>(0).objectId;
  EXPECT_GT(id, 1u);
  EXPECT_EQ(r.as<RecvEventObjectAddRemove>(1).data, id);

  ASSERT_EQ(AIRemoveObject(handle, id, 105), resultOk);
  r = dispatch();
  ASSERT_EQ(r.ids(), std::vector<std::uint32_t>{idOf(RecvId::EventObjectAddRemove)});
  EXPECT_EQ(r.as<RecvEvent>(0).eventId, 203u);
  ASSERT_EQ(AIRemoveObject(handle, id, 105), resultOk);
  r = dispatch();
  ASSERT_EQ(r.ids(), std::vector<std::uint32_t>{idOf(RecvId::Exception)});
  EXPECT_EQ(r.as<RecvException>(0).exception, 3u);
}

TEST_F(SimEmulatorTest, UnknownTitleAndTooManyObjectsAreRefused) {
  simemu::Options options;
  options.maxObjects = 1;
  emu.reset(sampleWorld(), options);
  ASSERT_EQ(Open(handle, "Test", 0), resultOk);
  dispatch();
  InitPosition at{};
  AICreateNonATCAircraft(handle, "Not Installed", "X1", at, 104);
  std::uint32_t unknownPacket = 0;
  GetLastSentPacketID(handle, unknownPacket);
  AICreateNonATCAircraft(handle, "Airbus A320 Lufthansa", "X2", at, 104);
  AICreateNonATCAircraft(handle, "Airbus A320 Lufthansa", "X3", at, 104);
  std::uint32_t lastPacket = 0;
  GetLastSentPacketID(handle, lastPacket);
  emu.stepFrames(1);
  auto r = dispatch();
  ASSERT_EQ(r.ids(), (std::vector<std::uint32_t>{idOf(RecvId::Exception), idOf(RecvId::AssignedObjectId),
                                                  idOf(RecvId::Exception)}));
  EXPECT_EQ(r.as<RecvException>(0).exception, 22u);
  EXPECT_EQ(r.as<RecvException>(0).sendId, unknownPacket);
  EXPECT_EQ(r.as<RecvException>(2).exception, 11u);
  EXPECT_EQ(r.as<RecvException>(2).sendId, lastPacket);
}

TEST_F(SimEmulatorTest, SetDataAndEventsChangeTheObject) {
  MapClientEventToSimEvent(handle, 217, "FLAPS_SET");
  MapClientEventToSimEvent(handle, 207, "NAV_LIGHTS_SET");
  MapClientEventToSimEvent(handle, 214, "FREEZE_LATITUDE_LONGITUDE_SET");
  for (const char* v : {"PLANE LATITUDE", "PLANE LONGITUDE", "PLANE ALTITUDE"}) {
    AddToDataDefinition(handle, 402, v, "", DataType::Float64, 0, unusedId);
  }
  AICreateNonATCAircraft(handle, "Airbus A320 Lufthansa", "DLH1", InitPosition{50.0333, 8.5706, 364, 0, 0, 0, 1, 0}, 104);
  emu.stepFrames(1);
  dispatch();
  const std::uint32_t id = emu.objects().at(0).id;
  double pose[3] = {50.0333, 8.5706, 2000.0};
  ASSERT_EQ(SetDataOnSimObject(handle, 402, id, 0, 0, sizeof pose, pose), resultOk);
  ASSERT_EQ(SetDataOnSimObject(handle, 402, id, 0, 0, 16, pose), resultOk);  // wrong size
  for (auto [event, data] : {std::pair{217u, 3072u}, {207u, 1u}, {214u, 1u}}) {
    ASSERT_EQ(TransmitClientEvent(handle, id, event, data, 301, 0), resultOk);
  }
  TransmitClientEvent(handle, id, 999, 0, 301, 0);  // never mapped
  auto r = dispatch();
  ASSERT_EQ(r.messages.size(), 2u);
  EXPECT_EQ(r.as<RecvException>(0).exception, 19u);
  EXPECT_EQ(r.as<RecvException>(1).exception, 3u);
  auto o = *emu.object(id);
  EXPECT_EQ(o.poseHistory.size(), 2u);
  EXPECT_DOUBLE_EQ(o.pose.altitude, 2000.0);
  EXPECT_FALSE(o.onGround);
  EXPECT_EQ(o.flaps, 3072u);
  EXPECT_EQ(o.lights, simemu::lightNav);
  EXPECT_TRUE(o.freezeLatLon);
  EXPECT_FALSE(o.freezeAltitude);
  ASSERT_EQ(o.events.size(), 3u);
  EXPECT_EQ(o.events[0].name, "FLAPS_SET");
}

// The simulator's account follows one flight: in the air, down on the
// runway, slowing to a taxi, standing, removed. A speed between two bands
// keeps what was said; a pose within half a second says nothing.
TEST_F(SimEmulatorTest, TheAccountSaysWhatEachAircraftDoes) {
  std::vector<std::string> account;
  simemu::Options options;
  options.account = [&account](const std::string& line) { account.push_back(line); };
  emu.reset(sampleWorld(), options);
  ASSERT_EQ(Open(handle, "Test", 0), resultOk);
  for (const char* v : {"PLANE LATITUDE", "PLANE LONGITUDE", "PLANE ALTITUDE"})
    AddToDataDefinition(handle, 402, v, "", DataType::Float64, 0, unusedId);
  AICreateNonATCAircraft(handle, "Airbus A320 Lufthansa", "DLH1", InitPosition{50.0, 8.5, 3000, 0, 0, 0, 0, 0}, 104);
  emu.stepFrames(1);
  const std::uint32_t id = emu.objects().at(0).id;
  const std::string object = "object " + std::to_string(id) + " DLH1 ";
  double pose[3] = {50.0, 8.5, 0};
  // Knots northward for a second (30 frames) at an altitude; 364 ft is the airport's ground.
  const std::tuple<double, double, const char*> steps[] = {
      {140, 1500, "flying at 1500 ft"}, {130, 364, "landing"}, {120, 364, "on the runway"}, {35, 364, "on the runway"},
      {25, 364, "taxiing"},             {1, 364, "taxiing"},   {0, 364, "standing"}};
  for (const auto& [knots, altitude, said] : steps) {
    emu.stepFrames(30);
    pose[0] += knots / 3600.0 / 60.0;
    pose[2] = altitude;
    SetDataOnSimObject(handle, 402, id, 0, 0, sizeof pose, pose);
    EXPECT_EQ(account.back(), object + said) << knots;
  }
  emu.stepFrames(5);
  pose[0] += 0.01;
  SetDataOnSimObject(handle, 402, id, 0, 0, sizeof pose, pose);
  AIRemoveObject(handle, id, 105);
  ASSERT_EQ(account.size(), 7u);
  EXPECT_EQ(account.front(), object + "created as 'Airbus A320 Lufthansa'");
  EXPECT_EQ(account.back(), object + "removed");

  // A second one stands there when the simulator quits: the quit's line counts
  // each object once per activity and is the account's last.
  AICreateNonATCAircraft(handle, "Airbus A320 Lufthansa", "DLH2", InitPosition{50.0, 8.5, 364, 0, 0, 0, 1, 0}, 106);
  emu.stepFrames(31);
  const double still[3] = {50.0, 8.5, 364};
  SetDataOnSimObject(handle, 402, emu.objects().at(0).id, 0, 0, sizeof still, still);
  emu.quit();
  emu.stepFrames(31);
  EXPECT_EQ(account.back(), "quits having seen 2 objects created, 1 landing, 2 standing, 1 removed");
}

TEST_F(SimEmulatorTest, FacilityDataWithAndWithoutTheEndRecord) {
  AddToFacilityDefinition(handle, 1001, "OPEN AIRPORT");
  ASSERT_EQ(RequestFacilityData(handle, 1001, 2001, "eddf", ""), resultOk);
  auto r = dispatch();
  ASSERT_EQ(r.ids(), (std::vector<std::uint32_t>{28, 28, 28, 29}));
  const auto& airport = r.as<RecvFacilityData>(0);
  EXPECT_EQ(airport.type, 0u);
  ASSERT_EQ(airport.dataSize(), 64u);
  double altitude = 0;
  std::memcpy(&altitude, airport.dataBytes() + 16, 8);
  EXPECT_NEAR(altitude, 364 * 0.3048, 1e-9);
  EXPECT_STREQ(reinterpret_cast<const char*>(airport.dataBytes() + 24), "Frankfurt Main");
  const auto& parking = r.as<RecvFacilityData>(1);
  EXPECT_EQ(parking.type, 15u);
  ASSERT_EQ(parking.dataSize(), 40u);
  std::int32_t number = 0;
  float biasZ = 0;
  std::memcpy(&number, parking.dataBytes() + 16, 4);
  std::memcpy(&biasZ, parking.dataBytes() + 36, 4);
  EXPECT_EQ(number, 12);
  EXPECT_FLOAT_EQ(biasZ, -5.0f);
  EXPECT_EQ(r.as<RecvFacilityData>(2).type, 4u);
  EXPECT_EQ(r.as<RecvFacilityData>(2).dataSize(), 44u);

  emu.setOmitFacilityEnd(true);
  RequestFacilityData(handle, 1001, 2001, "EDDF", "");
  EXPECT_EQ(dispatch().ids(), (std::vector<std::uint32_t>{28, 28, 28}));
  RequestFacilityData(handle, 1001, 2001, "ZZZZ", "");
  EXPECT_EQ(dispatch().ids(), std::vector<std::uint32_t>{idOf(RecvId::Exception)});
}

TEST_F(SimEmulatorTest, TheWorldsScriptMovesTheUserAndRaisesEvents) {
  std::istringstream text("user 50 8 1000 0 0\nat 2 position 51 9 3000\nat 3 pause 1\nat 3 sim 1\nat 4 quit\n");
  std::vector<std::string> problems;
  emu.reset(simemu::gf_parseWorld(text, problems));
  ASSERT_EQ(Open(handle, "Test", 0), resultOk);
  SubscribeToSystemEvent(handle, 201, "Sim");
  dispatch();
  emu.stepFrames(2);
  EXPECT_DOUBLE_EQ(emu.user().pose.latitude, 51.0);
  emu.stepFrames(1);
  auto r = dispatch();
  ASSERT_EQ(r.ids(), std::vector<std::uint32_t>{idOf(RecvId::Event)});
  EXPECT_EQ(r.as<RecvEvent>(0).data, 1u);
  emu.stepFrames(1);
  EXPECT_EQ(dispatch().ids(), std::vector<std::uint32_t>{idOf(RecvId::Quit)});
}

// A client that connects while a flight runs hears so on subscribing.
TEST_F(SimEmulatorTest, ARunningFlightAnswersTheSimSubscriptionAtOnce) {
  SubscribeToSystemEvent(handle, 201, "Sim");
  EXPECT_TRUE(dispatch().ids().empty());
  simemu::Options options;
  options.flightRunning = true;
  emu.reset(sampleWorld(), options);
  ASSERT_EQ(Open(handle, "Test", 0), resultOk);
  dispatch();  // the open message
  SubscribeToSystemEvent(handle, 201, "Sim");
  auto r = dispatch();
  ASSERT_EQ(r.ids(), std::vector<std::uint32_t>{idOf(RecvId::Event)});
  EXPECT_EQ(r.as<RecvEvent>(0).data, 1u);
}

TEST_F(SimEmulatorTest, QuitThenTheConnectionIsLostAndInjectedFaultsArrive) {
  emu.injectException(5, 0, 42);
  emu.failNextCalls("TransmitClientEvent");
  EXPECT_EQ(TransmitClientEvent(handle, 1, 1, 0, 0, 0), resultFail);
  EXPECT_TRUE(emu.calls().back().failed);
  emu.quit();
  auto r = dispatch();
  ASSERT_EQ(r.ids(), (std::vector<std::uint32_t>{idOf(RecvId::Exception), idOf(RecvId::Quit)}));
  EXPECT_EQ(r.as<RecvException>(0).index, 42u);
  Received none;
  EXPECT_EQ(CallDispatch(handle, &Received::take, &none), resultFail);
}

} // namespace
} // namespace gwr
