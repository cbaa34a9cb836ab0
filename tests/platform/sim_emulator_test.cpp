// The emulated simulator where the simulator client's own tests do not take
// it: its world file, refusals the client never provokes, its account of each
// aircraft, the scripted user and the zulu clock.
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
    const auto* p = reinterpret_cast<const std::byte*>(m);
    static_cast<Received*>(context)->messages.emplace_back(p, p + size);
  }
  template <typename T>
  const T& as(std::size_t i) const { return *reinterpret_cast<const T*>(messages.at(i).data()); }
  std::vector<std::uint32_t> ids() const {
    std::vector<std::uint32_t> all;
    for (std::size_t i = 0; i < messages.size(); ++i) all.push_back(as<RecvHeader>(i).id);
    return all;
  }
};

constexpr auto idOf = [](RecvId id) { return static_cast<std::uint32_t>(id); };
constexpr const char* installed = "Airbus A320 Lufthansa";

simemu::World worldOf(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> problems;
  auto world = simemu::gf_parseWorld(in, problems);
  EXPECT_TRUE(problems.empty());
  return world;
}

const std::string sampleText = "ground 100\nairport EDDF 50.0333 8.5706 364 Frankfurt Main\nparking 2 12 90 20 10 -5\n"
                               "title Airbus A320 Lufthansa\nuser 50.0333 8.5706 372 90 1\nusermodel A320\n"
                               "zulu 2024 60 86399\n";

class SimEmulatorTest : public ::testing::Test {
protected:
  void SetUp() override { open(); }
  void TearDown() override { Close(handle); }
  void open(simemu::Options options = {}, const std::string& world = sampleText) {
    emu.reset(worldOf(world), options);
    ASSERT_EQ(Open(handle, "Test", 0), resultOk);
    dispatch();  // the open message
    for (const char* v : {"PLANE LATITUDE", "PLANE LONGITUDE", "PLANE ALTITUDE"})
      AddToDataDefinition(handle, 402, v, "", DataType::Float64, 0, unusedId);
  }
  Received dispatch() {
    Received r;
    EXPECT_EQ(CallDispatch(handle, &Received::take, &r), resultOk);
    return r;
  }
  std::uint32_t lastPacket() {
    std::uint32_t packet = 0;
    GetLastSentPacketID(handle, packet);
    return packet;
  }
  std::uint32_t create(const char* tail, InitPosition at = {50.0, 8.5, 364, 0, 0, 0, 1, 0}) {
    AICreateNonATCAircraft(handle, installed, tail, at, 104);
    emu.stepFrames(1);
    return emu.objects().back().id;
  }
  Handle handle = nullptr;
  Emulator& emu = Emulator::instance();
};

TEST(SimWorld, ReadsEveryKeywordReportsBadLinesAndLoadsBackWhatItWrote) {
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

  const auto file = std::filesystem::temp_directory_path() / "gwr_sim_world.txt";
  std::ofstream(file) << simemu::gf_worldText(worldOf(sampleText));
  const auto copy = simemu::gf_loadWorld(file, problems = {});
  EXPECT_TRUE(problems.empty());
  EXPECT_EQ(copy.titles, worldOf(sampleText).titles);
  EXPECT_EQ(copy.airports.at(0).parkings.at(0).number, 12);
  EXPECT_EQ(copy.user.model, "A320");
  std::filesystem::remove(file);
  EXPECT_THROW(simemu::gf_loadWorld(file, problems), std::runtime_error);
}

TEST(SimWorld, InstalledTitlesComeFromEveryAircraftCfgInEachEncoding) {
  const auto root = std::filesystem::temp_directory_path() / "gwr_sim_titles";
  std::filesystem::remove_all(root);
  const std::pair<const char*, std::string> files[] = {
      {"a/Aircraft.CFG", "[FLTSIM.0]\ntitle = \"First One\"\n[FLTSIM.1]\nTitle=Second\n"},
      {"a/b/aircraft.cfg", "title=Third\nui_title=not this\n"},
      {"a/other.cfg", "title=Nope\n"},
      {"le/aircraft.cfg", std::string("\xFF\xFEt\0i\0t\0l\0e\0=\0L\0\xE9\0\n\0", 18)},  // UTF-16 both ways
      {"be/aircraft.cfg", std::string("\xFE\xFF\0t\0i\0t\0l\0e\0=\0B\0E", 18)},
      {"bom/aircraft.cfg", "\xEF\xBB\xBFtitle=Marked\n"}};
  for (const auto& [name, bytes] : files) {
    std::filesystem::create_directories((root / name).parent_path());
    std::ofstream(root / name, std::ios::binary) << bytes;
  }
  auto titles = simemu::gf_installedTitles(root);
  std::sort(titles.begin(), titles.end());
  EXPECT_EQ(titles, (std::vector<std::string>{"BE", "First One", "L\xC3\xA9", "Marked", "Second", "Third"}));
  std::filesystem::remove_all(root);
}

// Each refusal answers with its exception, naming the packet that asked.
TEST_F(SimEmulatorTest, RefusedCallsAnswerWithTheirExceptions) {
  simemu::Options options;
  options.maxObjects = 1;
  Close(handle);
  open(options);
  const std::uint32_t id = create("X1");
  dispatch();
  const double pose[3] = {50.0, 8.5, 2000.0};
  const std::function<void()> calls[] = {
      [&] { AddToDataDefinition(handle, 1, "NO SUCH THING", "", DataType::Float64, 0, unusedId); },
      [&] { AICreateNonATCAircraft(handle, installed, "X2", InitPosition{}, 104), emu.stepFrames(1); },
      [&] { SetDataOnSimObject(handle, 402, id, 0, 0, 16, pose); },  // wrong size
      [&] { TransmitClientEvent(handle, id, 999, 0, 301, 0); },      // never mapped
      [&] { AIRemoveObject(handle, id, 105), AIRemoveObject(handle, id, 105); }};
  const std::uint32_t expected[] = {7, 11, 19, 3, 3};
  for (std::size_t i = 0; i < std::size(calls); ++i) {
    calls[i]();
    const std::uint32_t packet = lastPacket();
    const auto r = dispatch();
    ASSERT_FALSE(r.messages.empty()) << i;
    ASSERT_EQ(r.ids().back(), idOf(RecvId::Exception)) << i;
    EXPECT_EQ(r.as<RecvException>(r.messages.size() - 1).exception, expected[i]) << i;
    EXPECT_EQ(r.as<RecvException>(r.messages.size() - 1).sendId, packet) << i;
  }
}

// The simulator's account follows one flight: in the air, down on the
// runway, slowing to a taxi, standing, removed. A speed between two bands
// keeps what was said; a pose within half a second says nothing.
TEST_F(SimEmulatorTest, TheAccountSaysWhatEachAircraftDoes) {
  std::vector<std::string> account;
  simemu::Options options;
  options.account = [&account](const std::string& line) { account.push_back(line); };
  Close(handle);
  open(options);
  const std::uint32_t id = create("DLH1", InitPosition{50.0, 8.5, 3000, 0, 0, 0, 0, 0});
  const std::string object = "object " + std::to_string(id) + " DLH1 ";
  double pose[3] = {50.0, 8.5, 0};
  // Knots northward for a second (30 frames) at an altitude; 364 ft is the airport's ground.
  const std::tuple<double, double, const char*> steps[] = {
      {140, 1500, "flying at 1500 ft"}, {130, 364, "landing"}, {100, 364, "on the runway"}, {35, 364, "on the runway"},
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
  const std::uint32_t second = create("DLH2", InitPosition{50.0, 8.5, 364, 0, 0, 0, 1, 0});
  emu.stepFrames(30);
  const double still[3] = {50.0, 8.5, 364};
  SetDataOnSimObject(handle, 402, second, 0, 0, sizeof still, still);
  emu.quit();
  emu.stepFrames(31);
  EXPECT_EQ(account.back(), "quits having seen 2 objects created, 1 landing, 2 standing, 1 removed");
}

// The pose trace: ten blocks a second of the emulator's clock, one line for
// the user aircraft and one per AI object in the trace's columns (positions to 7 decimals, feet and degrees
// to 1, pitch nose up to 2), on the clock the options start it at.
TEST_F(SimEmulatorTest, ThePoseTraceWritesEachObjectTenTimesASecond) {
  std::vector<std::string> blocks;
  simemu::Options options;
  options.clockStartSeconds = 1900000000.0;
  options.poseTrace = [&blocks](const std::string& lines) { blocks.push_back(lines); };
  Close(handle);
  open(options);
  create("DLH1", InitPosition{50.0, 8.5, 364, 0, 0, 90, 1, 0});
  emu.stepFrames(2);  // frame 3 of 30 a second: the first tenth
  ASSERT_EQ(blocks.size(), 1u);
  EXPECT_EQ(std::string(simemu::poseTraceColumns),
            "time_s,object,callsign,latitude,longitude,altitude_ft,ground_ft,cg_height_ft,heading_deg,on_ground,"
            "vertical_speed_fpm,pitch_deg");
  // On its wheels at the airport's 364 ft, the CG 8 ft above them.
  // The user's line first, without a callsign, at its world position.
  const std::string user = "1900000000.10,1,,50.0333000,8.5706000,372.0,364.0,0.0,90.0,1,0.0,0.00\n";
  EXPECT_EQ(blocks[0], user + "1900000000.10,2,DLH1,50.0000000,8.5000000,372.0,364.0,8.0,90.0,1,0.0,0.00\n");

  // Moved up to 1000 ft, off the ground, and a second object: one line each.
  double pose[3] = {50.0012345, 8.5, 1000.0};
  SetDataOnSimObject(handle, 402, 2, 0, 0, sizeof pose, pose);
  create("DLH2");
  emu.stepFrames(29);
  ASSERT_EQ(blocks.size(), 11u);
  EXPECT_EQ(blocks.back(),
            "1900000001.10,1,,50.0333000,8.5706000,372.0,364.0,0.0,90.0,1,0.0,0.00\n"
            "1900000001.10,2,DLH1,50.0012345,8.5000000,1000.0,364.0,8.0,90.0,0,0.0,0.00\n"
            "1900000001.10,3,DLH2,50.0000000,8.5000000,372.0,364.0,8.0,0.0,1,0.0,0.00\n");
}

// The world's script moves the user and raises events by frame; a flight
// already running answers the Sim subscription at once; the zulu clock runs
// into the next day at midnight.
TEST_F(SimEmulatorTest, TheScriptTheRunningFlightAndTheZuluClock) {
  SubscribeToSystemEvent(handle, 201, "Sim");
  EXPECT_TRUE(dispatch().ids().empty());
  AddToDataDefinition(handle, 5, "ZULU TIME", "", DataType::Int64, 0, unusedId);
  AddToDataDefinition(handle, 5, "ZULU DAY OF YEAR", "", DataType::Int64, 0, unusedId);
  emu.stepFrames(45);  // 86399 s and a second and a half
  RequestDataOnSimObject(handle, 9, 5, userObjectIdRequest, Period::Once);
  auto r = dispatch();
  ASSERT_EQ(r.ids(), std::vector<std::uint32_t>{idOf(RecvId::SimObjectData)});
  std::int64_t zulu[2] = {};
  std::memcpy(zulu, r.as<RecvSimObjectData>(0).dataBytes(), sizeof zulu);
  EXPECT_EQ(zulu[0], 0);
  EXPECT_EQ(zulu[1], 61);

  Close(handle);
  open({}, "user 50 8 1000 0 0\nat 2 position 51 9 3000\nat 3 pause 1\nat 3 sim 1\nat 4 quit\n");
  SubscribeToSystemEvent(handle, 201, "Sim");
  emu.stepFrames(2);
  EXPECT_DOUBLE_EQ(emu.user().pose.latitude, 51.0);
  emu.stepFrames(1);
  r = dispatch();
  ASSERT_EQ(r.ids(), std::vector<std::uint32_t>{idOf(RecvId::Event)});
  EXPECT_EQ(r.as<RecvEvent>(0).data, 1u);
  emu.stepFrames(1);
  EXPECT_EQ(dispatch().ids(), std::vector<std::uint32_t>{idOf(RecvId::Quit)});

  Close(handle);
  simemu::Options running;
  running.flightRunning = true;
  open(running);
  SubscribeToSystemEvent(handle, 201, "Sim");
  r = dispatch();
  ASSERT_EQ(r.ids(), std::vector<std::uint32_t>{idOf(RecvId::Event)});
  EXPECT_EQ(r.as<RecvEvent>(0).data, 1u);
}

} // namespace
} // namespace gwr
