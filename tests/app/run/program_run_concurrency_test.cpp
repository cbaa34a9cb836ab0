// Whole runs of the program in its window (the headless backend) against the
// emulated simulator: the user's close, the simulator's new flight and its
// quitting, each ending the program with every thread of its runs joined.
#include "app/run/entry.h"
#include "app/run/run.h"
#include "app/window/main_window.h"
#include "app/window/message_line.h"
#include "bglgen/bgl_package.h"

#include "core/download.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/settings_catalogue.h"
#include "pkggen/package_tree.h"
#include "platform/net/udp_socket.h"
#include "platform/sim/sim_emulator.h"
#include "platform/sys/known_folders.h"
#include "platform/ui/headless_window.h"
#include "run_support.h"
#include "run_test_clock.h"
#include "support/log_capture.h"
#include "support/loopback_http_server.h"
#include "support/settings_sandbox.h"
#include "support/sim_client_world.h"
#include "traffic/engine/status_files.h"
#include "traffic/feed/reader_threads.h"
#include "traffic/simclient/sim_commands.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <thread>

namespace gwr {
namespace {

namespace fs = std::filesystem;
using testsupport::freeUdpPort;
using testsupport::stepSimulatorFrames;
using testsupport::threadIdsBeforeRun;
using testsupport::threadsLeftOver;
using namespace std::chrono_literals;
using testsupport::SimulatedClock;

// The program folder as working folder with a small package tree, the
// program's own hooks and message line, and the window opened on this thread.
class ProgramRun : public testing::Test {
protected:
  void SetUp() override {
    testsupport::resetRunLifecycle();
    fs::create_directories(folder.path() / "docs");
    fs::copy(GWR_PROGRAM_INPUT_DIR, folder.path() / "input", fs::copy_options::recursive);
    platform::setKnownFolderRootForTests(folder.path() / "known");
    gf_resetPerUserPathsForTests();
    pkggen::gf_generatePackageTree({.packagesFolder = folder.path() / "sim",
                                    .dbaseXml = GWR_SOURCE_DIR "/data/dbase/dbase.xml",
                                    .cfgFiles = 4,
                                    .liveriesPerCfg = 2});
    gf_setDownloadFolderUrl(versionSite.url("/"));
    gf_openLogFile();
    gf_installProgramParts();
    options.clock = &clock;
    options.userAircraftPause = &stepSimulatorFrames;
    options.qnhPort = freeUdpPort();
    options.trafficPort = freeUdpPort();
  }
  void TearDown() override {
    closer = {};
    gf_releaseMainWindow();
    gf_closeLogFileForTests();
    testsupport::resetRunLifecycle();
    platform::setKnownFolderRootForTests({});
    gf_resetPerUserPathsForTests();
  }

  void writeSettings(const std::string& more, bool scanAirports = false) {
    fs::create_directories(gf_perUserFolder());
    std::ofstream(gf_parametersFile()) << "<root><parameters><parameter name=\"MSFS_INSTALL_PATH\" value=\""
                                       << (folder.path() / "sim").string()
                                       << "\" /><parameter name=\"SCAN_AIRPORTS\" value=\""
                                       << (scanAirports ? "true" : "false") << "\" />" << more
                                       << "</parameters></root>";
  }
  std::string logText() const {
    std::ifstream in(folder.path() / logFileName, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  bool logged(const std::string& part) const { return logText().find(part) != std::string::npos; }
  std::string stored(const std::string& key) const {
    std::ifstream in(gf_parametersFile());
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::smatch found;
    const std::regex entry("name=\"" + key + "\" value=\"([^\"]*)\"");
    return std::regex_search(text, found, entry) ? found[1].str() : "<none>";
  }

  // Once the log holds the line, act runs once on a thread of its own.
  void whenLogged(const std::string& line, std::function<void()> act) {
    trigger = line;
    action = std::move(act);
  }

  // Runs the program in the window until a run ends it; every thread the
  // runs started must be gone then.
  int runProgram() { return runProgram(window); }
  int runProgram(platform::HeadlessWindow& window) {
    if (!gf_initInstance(window)) return -100;
    const auto before = threadIdsBeforeRun();
    if (action) {
      closer = std::jthread([this](std::stop_token stop) {
        while (!stop.stop_requested()) {
          if (logged(trigger)) {
            action();
            return;
          }
          std::this_thread::sleep_for(10ms);
        }
      });
    }
    const int code = gf_runWindowed(window, options);
    closer = {};
    EXPECT_EQ(threadsLeftOver(before), std::vector<std::string>{}) << "a thread of the run outlived it";
    return code;
  }

  testsupport::LoopbackHttpServer versionSite;
  testsupport::SimClientWorld world;  // its log folder first: the program folder is the working folder
  testsupport::WorkingFolder folder;
  SimulatedClock clock;
  RunOptions options;
  platform::HeadlessWindow window;
  std::string trigger;
  std::function<void()> action;
  std::jthread closer;
};

// The last line of a run before its tick loop.
constexpr const char* runConnected = "No traffic in this region?";

TEST_F(ProgramRun, TheUsersCloseEndsANormalRunAndKeepsOnlyWhatShouldStay) {
  writeSettings(R"(<parameter name="DESTINATION" value="EDDF" /><parameter name="BLOCK_CALLSIGN" value="DLH4AB" />)"
                R"(<parameter name="MAIN_WINDOW_X" value="300" /><parameter name="MAIN_WINDOW_Y" value="200" />)");
  // Named here, not read from the run's own variable, which its start-up thread writes.
  const fs::path planFolder = folder.path() / "orig_dest";
  std::atomic<bool> planFolderMade{false};
  whenLogged(runConnected, [&] {
    planFolderMade.store(fs::is_directory(planFolder));
    // The user drags the window, then presses its close button.
    window.post([&] {
      window.moveTo(340, 260);
      window.pressClose();
    });
  });
  EXPECT_EQ(runProgram(), 0);

  const std::string text = logText();
  EXPECT_NE(text.find("Exiting: USER CLOSED SIM"), std::string::npos) << text;
  EXPECT_EQ(text.find("Restarting after"), std::string::npos);
  EXPECT_TRUE(planFolderMade.load());
  EXPECT_FALSE(fs::exists(planFolder)) << planFolder;
  // The one-run settings go; the window's place stays for the next start.
  EXPECT_EQ(stored("DESTINATION"), "");
  EXPECT_EQ(stored("BLOCK_CALLSIGN"), "");
  EXPECT_EQ(stored("MAIN_WINDOW_X"), "340");
  EXPECT_EQ(stored("MAIN_WINDOW_Y"), "260");
  EXPECT_EQ(gf_mainWindowHandle(), nullptr);
}

// The stored place is pulled onto the screen before the window is used: a
// bound value falls back to the default, 48 pixels always stay visible, and
// the title bar lies on a screen. A place that already shows it is kept.
TEST_F(ProgramRun, TheWindowOpensOnTheScreenWhateverItsStoredPlace) {
  using platform::Rect;
  const std::vector<Rect> one{{0, 0, 1920, 1040}};
  const std::vector<Rect> stacked{{0, 0, 1920, 1040}, {0, -1080, 1920, 0}};  // the second above
  // A second screen, 200 px lower, to the right or the left: a window reaching
  // onto it from the first screen shows its title bar only on the first.
  const std::vector<Rect> lowerRight{{0, 0, 1920, 1040}, {1920, 200, 3840, 1240}};
  const std::vector<Rect> lowerLeft{{0, 0, 1920, 1040}, {-1920, 200, 0, 1240}};
  // The window is 880 x 477 below a title bar of 30 (or no) pixels.
  const struct { int x, y, titleBar; const std::vector<Rect>& screens; int keptX, keptY; } cases[] = {
      {400, -5000, 30, one, 400, 30},    {30000, -5000, 30, one, 400, 30}, {400, 30, 30, one, 400, 30},
      {400, 29, 30, one, 400, 30},       {400, 992, 30, one, 400, 992},    {400, 993, 30, one, 400, 992},
      {-832, 100, 30, one, -832, 100},   {-833, 100, 30, one, -832, 100},  {1872, 100, 30, one, 1872, 100},
      {1873, 100, 30, one, 1872, 100},   {400, -5000, 0, one, 400, 0},     {400, 0, 0, one, 400, 0},
      {400, -1, 0, one, 400, 0},         {400, -10, 30, stacked, 400, -10}, {400, 10, 30, stacked, 400, 10},
      {400, -1050, 30, stacked, 400, -1050}, {400, -1100, 30, stacked, 400, -1050},
      // 48 px of the title bar on the first screen show it; 47 do not, and
      // the window moves down onto the nearer second screen.
      {1872, 100, 30, lowerRight, 1872, 100}, {1873, 100, 30, lowerRight, 1873, 230},
      {-832, 100, 30, lowerLeft, -832, 100},  {-833, 100, 30, lowerLeft, -833, 230},
  };
  for (const auto& c : cases) {
    writeSettings(fmt::format(
        R"(<parameter name="MAIN_WINDOW_X" value="{}" /><parameter name="MAIN_WINDOW_Y" value="{}" />)", c.x, c.y));
    platform::HeadlessWindow placed;
    placed.setWorkAreas(c.screens);
    placed.setTitleBarHeight(c.titleBar);
    ASSERT_TRUE(gf_initInstance(placed));
    const std::string row = fmt::format("{},{} below {}", c.x, c.y, c.titleBar);
    EXPECT_EQ(std::pair(placed.windowRect().left, placed.windowRect().top), std::pair(c.keptX, c.keptY)) << row;
    EXPECT_EQ(std::pair(stored("MAIN_WINDOW_X"), stored("MAIN_WINDOW_Y")),
              std::pair(std::to_string(c.keptX), std::to_string(c.keptY))) << row;
    gf_releaseMainWindow();
  }
  writeSettings("");
  ASSERT_TRUE(gf_initInstance(window));
  // Only its right 10 pixels left on the screen: dragged back at quit.
  window.moveTo(10 - window.windowRect().width(), 100);
  lf_onSaveAndQuit(window);
  EXPECT_EQ(window.windowRect().left, 48 - window.windowRect().width());
  EXPECT_EQ(stored("MAIN_WINDOW_X"), std::to_string(48 - window.windowRect().width()));
  EXPECT_EQ(stored("MAIN_WINDOW_Y"), "100");
}

// Error 150 asks for the path; the path typed and confirmed restarts the run
// after 3 s, and the restarted run gets to the traffic.
TEST_F(ProgramRun, AMissingInstallPathIsAskedForAndTheTypedOneRestartsTheRun) {
  fs::create_directories(gf_perUserFolder());
  std::ofstream(gf_parametersFile()) << R"(<root><parameters><parameter name="SCAN_AIRPORTS" value="false" />)"
                                     << "</parameters></root>";
  const std::string community = (folder.path() / "sim" / "Community").string();
  whenLogged("Error 150: No install path detected. Type the full path to your Community folder above, then press Enter",
             [&] {
               window.post([&] {
                 EXPECT_EQ(gf_messageLine().error().substr(0, 4), "150:");
                 window.type(ALL_INSTALL_PATH.controlId, community);
                 window.pressEnter(ALL_INSTALL_PATH.controlId);
               });
               while (!logged("Restart countdown finished") || !logged(runConnected)) std::this_thread::sleep_for(10ms);
               window.post([&] { window.pressClose(); });
             });
  EXPECT_EQ(runProgram(), 0);
  const std::string text = logText();
  EXPECT_LT(text.find("Exiting: SYSTEM ERROR"), text.find("Exiting: NEW SETTINGS")) << text;
  EXPECT_NE(text.find("Restarting after 3 seconds"), std::string::npos);
  EXPECT_NE(text.find(runConnected, text.find("Restart countdown finished")), std::string::npos);
  EXPECT_NE(text.find("Exiting: USER CLOSED SIM"), std::string::npos);
  EXPECT_EQ(stored("MSFS_INSTALL_PATH"), (folder.path() / "sim").string());
  EXPECT_EQ(gf_messageLine().error(), "") << "the restart clears the error";
}

// A reader that cannot bind its port: READER ERROR, the countdown, and the
// restart in the same process with a new simulator client after the old one
// ended, without a second update check; the user's close then ends it. The
// first run's pressure (1003 hPa) does not reach into the next run, whose
// readers (RealTraffic elsewhere, no handshake) take the next one.
TEST_F(ProgramRun, AReaderErrorRestartsTheRunInTheSameProcess) {
  writeSettings("");
  platform::UdpSocket holder;  // another program on the traffic port
  ASSERT_EQ(holder.open(), 0);
  ASSERT_EQ(holder.bind(platform::Ipv4Address::any(), 0), 0);
  options.trafficPort = holder.localPort();
  std::atomic<bool> pressureTaken{false};
  std::atomic<std::int32_t> nextRunQnh{0};
  const auto waitFor = [](const std::function<bool()>& done) {
    for (int i = 0; i < 500 && !done(); ++i) std::this_thread::sleep_for(10ms);
    return done();
  };
  clock.onWake = [&](auto elapsed) {
    // The first run waits for traffic in real time, so that its reader fails
    // meanwhile; the port is free again for the next run.
    if (restartRequested.load()) {
      holder.close();
    } else if (elapsed >= options.readerStagger && !stopRequested.load()) {
      waitFor([&] { return pressureTaken.load(); });
      std::this_thread::sleep_for(20ms);
    }
  };
  whenLogged("QNH Reader connected", [&] {
    platform::UdpSocket sender;
    EXPECT_EQ(sender.open(), 0);
    EXPECT_TRUE(sender.sendTo(R"({"QNH":1003})", platform::Ipv4Address::loopback(), options.qnhPort).ok());
    EXPECT_TRUE(waitFor([] { return currentQnh.load() == 1003; }));
    pressureTaken.store(true);
    waitFor([&] {
      const auto restarted = logText().find("Restart countdown finished");
      return (restarted != std::string::npos && logText().find(runConnected, restarted) != std::string::npos) ||
             logged("Exiting: SYSTEM ERROR");
    });
    nextRunQnh.store(currentQnh.load());
    EXPECT_TRUE(waitFor([&] {  // sent again until its reader is bound
      return sender.sendTo(R"({"QNH":1007})", platform::Ipv4Address::loopback(), options.qnhPort).ok() &&
             currentQnh.load() == 1007;
    }));
    window.post([&] { window.pressClose(); });
  });
  EXPECT_EQ(runProgram(), 0);
  const std::string text = logText();
  EXPECT_NE(text.find("Exiting: READER ERROR"), std::string::npos) << text;
  EXPECT_NE(text.find("Restarting after 15 seconds"), std::string::npos);
  EXPECT_NE(text.find("Exiting: USER CLOSED SIM"), std::string::npos) << text;
  const auto second = text.find("MSFS 2020 (", text.find("Restart countdown finished"));
  EXPECT_NE(second, std::string::npos);
  EXPECT_LT(text.find("SimClient ends: stopped"), second);
  EXPECT_EQ(nextRunQnh.load(), 1013);
  // The scans may be what failed: the next run goes without them.
  EXPECT_EQ(stored("SCAN_LIVERIES"), "false");
  const auto asked = versionSite.requests();
  EXPECT_EQ(std::count(asked.begin(), asked.end(), "/versions.json"), 1) << asked.size();
}

// The simulator's exception on the facility reader's connection costs only
// that airport its facility data: it gets its stand file from its BGL file,
// the scan ends and is off, the run goes on to its traffic, and the next start
// does not scan again.
TEST_F(ProgramRun, ASimulatorExceptionDuringTheAirportScanCostsOnlyThatAirportItsFacilityData) {
  std::istringstream description("package Community/pub-lowi-airport\nairport LOWI 47.26 11.344 1907 facilities\n"
                                  "stand 12 1 4 47.2595 11.35 270 18\n");
  bglgen::writePackage((folder.path() / "sim").string(), bglgen::parseDescription(description)[0]);
  writeSettings("", true);
  const fs::path lowi = folder.path() / "airports" / "my_thirdparty" / "LOWI.xml";
  // The user closes the window once the run after `from` reached its traffic or ended with an error.
  const auto closeAtTheEnd = [this](platform::HeadlessWindow& shown, std::size_t from) {
    whenLogged("", [this, &shown, from] {  // at once
      while (logText().find(runConnected, from) == std::string::npos &&
             logText().find("Exiting: SYSTEM ERROR", from) == std::string::npos)
        std::this_thread::sleep_for(10ms);
      shown.post([&shown] { shown.pressClose(); });
    });
  };

  // The simulator does not know LOWI: it answers every request with an exception.
  closeAtTheEnd(window, 0);
  EXPECT_EQ(runProgram(), 0);
  std::string text = logText();
  EXPECT_NE(text.find("==> SimConnect EXCEPTION id="), std::string::npos) << text;
  EXPECT_NE(text.find("airports scan ends"), std::string::npos);
  EXPECT_EQ(text.find("Exiting: SYSTEM ERROR"), std::string::npos) << text;
  EXPECT_NE(text.find(runConnected), std::string::npos);
  EXPECT_EQ(stored("SCAN_AIRPORTS"), "false");
  std::ifstream report(folder.path() / airportsScanLogFile);
  const std::string reportText((std::istreambuf_iterator<char>(report)), std::istreambuf_iterator<char>());
  EXPECT_NE(reportText.find("===> Facility data for LOWI ended by the simulator: SimConnect EXCEPTION id="),
            std::string::npos);
  EXPECT_NE(reportText.find("Generated LOWI: 1 position"), std::string::npos) << reportText;
  std::ifstream lowiFile(lowi);
  const std::string stands((std::istreambuf_iterator<char>(lowiFile)), std::istreambuf_iterator<char>());
  EXPECT_NE(stands.find(R"(name="Facilities" value="false")"), std::string::npos) << stands;
  const auto written = fs::exists(lowi) ? fs::last_write_time(lowi) : fs::file_time_type{};

  // The next start goes straight to its traffic; the stand file stays.
  gf_releaseMainWindow();
  testsupport::resetRunLifecycle();
  simRunning.store(false);  // as in a new process
  gf_resetUserAircraft();
  platform::HeadlessWindow nextWindow;
  const auto firstRunEnd = text.size();
  closeAtTheEnd(nextWindow, firstRunEnd);
  EXPECT_EQ(runProgram(nextWindow), 0);
  text = logText();
  EXPECT_EQ(text.find("airports scan automatic", firstRunEnd), std::string::npos) << text.substr(firstRunEnd);
  EXPECT_NE(text.find(runConnected, firstRunEnd), std::string::npos);
  EXPECT_TRUE(fs::exists(lowi) && fs::last_write_time(lowi) == written);
}

// The simulator ending the flight or itself ends the program, without a restart.
struct SimulatorEnd {
  void (*act)();
  std::vector<std::string> logged;
  std::chrono::seconds atLeast;  // a notice's time on the line
};
class SimulatorEnds : public ProgramRun, public testing::WithParamInterface<SimulatorEnd> {};

TEST_P(SimulatorEnds, TheProgramEndsWithoutARestart) {
  writeSettings("");
  whenLogged(runConnected, GetParam().act);
  EXPECT_EQ(runProgram(), 0);
  const std::string text = logText();
  for (const std::string& line : GetParam().logged) EXPECT_NE(text.find(line), std::string::npos) << line << text;
  EXPECT_EQ(text.find("Prepare for a restart"), std::string::npos);
  EXPECT_GE(clock.elapsed(), GetParam().atLeast);
}
INSTANTIATE_TEST_SUITE_P(
    NewFlightOrQuit, SimulatorEnds,
    testing::Values(SimulatorEnd{[] { simemu::Emulator::instance().newFlightFile(); },
                                 {"Exiting: NEW FLIGHT",
                                  "New flight detected, Gatewright will close, please restart manually ..."},
                                 10s},
                    SimulatorEnd{[] { simemu::Emulator::instance().quit(); }, {"Exiting: SIM WAS CLOSED"}, 0s}));

} // namespace
} // namespace gwr
