// A whole run in a program folder against the emulated simulator: a reader
// that cannot bind its port restarts the run in the same process, and the
// user's close then ends the program with every thread joined.
#include "app/run.h"

#include "app/startup.h"
#include "core/download.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/run_state.h"
#include "core/settings_catalogue.h"
#include "pkggen/package_tree.h"
#include "platform/net/udp_socket.h"
#include "platform/sim/sim_emulator.h"
#include "platform/sys/known_folders.h"
#include "traffic/sim_commands.h"
#include "run_support.h"
#include "run_test_clock.h"
#include "support/log_capture.h"
#include "support/loopback_http_server.h"
#include "support/sim_client_world.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace gwr {
namespace {

namespace fs = std::filesystem;
using testsupport::freeUdpPort;
using testsupport::stepSimulatorFrames;
using testsupport::threadCount;
using namespace std::chrono_literals;
using testsupport::NoticeRecorder;
using testsupport::SimulatedClock;

class RunInProgramFolder : public testing::Test {
protected:
  void SetUp() override {
    fs::create_directories(folder.path() / "docs");
    fs::copy(GWR_PROGRAM_INPUT_DIR, folder.path() / "input", fs::copy_options::recursive);
    platform::setKnownFolderRootForTests(folder.path() / "known");
    gf_resetPerUserPathsForTests();
    pkggen::gf_generatePackageTree({.packagesFolder = folder.path() / "sim",
                                    .dbaseXml = GWR_SOURCE_DIR "/data/dbase/dbase.xml",
                                    .cfgFiles = 4,
                                    .liveriesPerCfg = 2});
    fs::create_directories(gf_perUserFolder());
    std::ofstream(gf_parametersFile()) << "<root><parameters><parameter name=\"MSFS_INSTALL_PATH\" value=\""
                                       << (folder.path() / "sim").string()
                                       << "\" /><parameter name=\"SCAN_AIRPORTS\" value=\"false\" /></parameters></root>";
    gf_setDownloadFolderUrl(versionSite.url("/"));
    gf_openLogFile();
    gf_installStatusLine(&recorder);
    options.clock = &clock;
    options.userAircraftPause = &stepSimulatorFrames;
    options.runTickLoop = false;
    options.qnhPort = freeUdpPort();
  }
  void TearDown() override {
    gf_installStatusLine(nullptr);
    gf_closeLogFileForTests();
    testsupport::resetRunLifecycle();
    platform::setKnownFolderRootForTests({});
    gf_resetPerUserPathsForTests();
  }
  std::string logText() const {
    std::ifstream in(folder.path() / logFileName, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  testsupport::LoopbackHttpServer versionSite;  // answers 404 to everything
  testsupport::SimClientWorld world;  // its log folder first: the program folder is the working folder
  testsupport::WorkingFolder folder;
  SimulatedClock clock;
  NoticeRecorder recorder;
  RunOptions options;
};

TEST_F(RunInProgramFolder, AReaderErrorRestartsTheRunAndACloseEndsIt) {
  platform::UdpSocket holder;  // another program on the traffic port
  ASSERT_EQ(holder.open(), 0);
  ASSERT_EQ(holder.bind(platform::Ipv4Address::any(), 0), 0);
  options.trafficPort = holder.localPort();
  clock.onWake = [&](auto elapsed) {
    // The first run waits for traffic in real time, so that its reader fails
    // meanwhile; the port is free again for the next run.
    if (restartRequested.load()) {
      holder.close();
    } else if (elapsed >= options.readerStagger && !stopRequested.load()) {
      std::this_thread::sleep_for(20ms);
    }
  };
  const std::size_t before = threadCount();
  std::jthread closer([&](std::stop_token stop) {
    // The user closes once the second run waits for traffic.
    while (!stop.stop_requested()) {
      const std::string text = logText();
      const auto first = text.find("Restart countdown finished");
      const bool failed = text.find("Exiting: SYSTEM ERROR") != std::string::npos;
      if (failed || (first != std::string::npos && text.find("RealTraffic not detected", first) != std::string::npos)) {
        std::this_thread::sleep_for(50ms);
        quitRequested.store(true);
        return;
      }
      std::this_thread::sleep_for(10ms);
    }
  });
  EXPECT_EQ(gf_runUntilQuit(options), 0);
  closer.request_stop();
  closer.join();
  EXPECT_EQ(threadCount(), before);
  const std::string text = logText();
  EXPECT_NE(text.find("Exiting: READER ERROR"), std::string::npos) << text;
  EXPECT_NE(text.find("Restarting after 15 seconds"), std::string::npos);
  EXPECT_NE(text.find("Exiting: USER CLOSED SIM"), std::string::npos);
  // The restart connected a new simulator client after the old one ended.
  const auto second = text.find("MSFS 2020 (", text.find("Restart countdown finished"));
  EXPECT_NE(second, std::string::npos);
  EXPECT_LT(text.find("SimClient ends: stopped"), second);
  EXPECT_FALSE(SCAN_LIVERIES.current());
  // The update check belongs to the first start of the process only.
  const auto asked = versionSite.requests();
  EXPECT_EQ(std::count(asked.begin(), asked.end(), "/versions.json"), 1) << asked.size();
}

} // namespace
} // namespace gwr
