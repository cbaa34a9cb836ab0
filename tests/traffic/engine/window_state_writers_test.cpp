// What the traffic side leaves for the main window: the simulator's connection
// and flight, the readers' states, the renewal countdown, the wanted park count,
// the park airport's texts; each followed by a repaint of the band showing it.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "airports/airport_scan_shell.h"
#include "airports/park_airport_shell.h"
#include "airports/park_stand_table.h"
#include "core/main_window_state.h"
#include "core/settings_catalogue.h"
#include "support/sim_client_world.h"
#include "traffic/engine/traffic_engine.h"
#include "traffic/feed/reader_threads.h"
#include "traffic/parking/static_parking.h"
#include "traffic/parking/static_parking_plan.h"

namespace gwr {
namespace {

using platform::Rect;

class WindowStateWriters : public ::testing::Test {
protected:
  void SetUp() override {
    gf_mainWindow().reset();
    gf_installWindowInvalidator([this](const Rect& band) { repaints.push_back(band); });
  }
  void TearDown() override {
    gf_installWindowInvalidator({});
    gf_mainWindow().reset();
  }
  bool repainted(const Rect& band) const { return std::find(repaints.begin(), repaints.end(), band) != repaints.end(); }

  std::vector<Rect> repaints;
  const Rect status{0, 28, 880, 112};
  const Rect controls{0, 112, 880, 392};
  const Rect statistics{0, 392, 880, 448};
};

TEST_F(WindowStateWriters, TheEmulatedSimulatorConnectsAndRunsAFlight) {
  testsupport::SyncSimClient client;
  EXPECT_FALSE(gf_mainWindow().simulatorConnected.load());
  ASSERT_TRUE(client.connect());
  EXPECT_TRUE(client.logged("MSFS 2020 (11.0.282174.999) connected"));
  EXPECT_EQ(std::tuple(gf_mainWindow().simulatorConnected.load(), gf_mainWindow().text(StatusText::simulator),
                       repainted(status), gf_mainWindow().flightRunning.load()),
            std::tuple(true, std::string("MSFS 2020 (11.0.282174.999)"), true, false));

  repaints.clear();
  client.emulator().setSimRunning(true);
  client.pump();
  EXPECT_TRUE(gf_mainWindow().flightRunning.load() && repainted(status));
  client.emulator().setSimRunning(false);
  client.pump();
  EXPECT_FALSE(gf_mainWindow().flightRunning.load());
}

TEST_F(WindowStateWriters, ReaderWatchdogStatesReachTheWindow) {
  trafficReader.watchdogCount = trafficReader.receivedCount.load();
  qnhReader.watchdogCount = qnhReader.receivedCount.load();
  trafficReader.receivingLatch.store(false);
  lf_checkReader(trafficReader);  // nothing arrived
  EXPECT_EQ(gf_mainWindow().trafficReaderState.load(), readerWaiting);
  EXPECT_TRUE(repainted(status));
  trafficReader.receivedCount.fetch_add(1);
  lf_checkReader(trafficReader);
  EXPECT_EQ(gf_mainWindow().trafficReaderState.load(), readerReceiving);
  lf_checkReader(qnhReader);
  EXPECT_EQ(gf_mainWindow().weatherReaderState.load(), readerWaiting);
  trafficReader.status.store(ReaderStatus::stopped);
  qnhReader.status.store(ReaderStatus::stopped);
  gf_repaintReaders();
  EXPECT_EQ(std::pair(gf_mainWindow().trafficReaderState.load(), gf_mainWindow().weatherReaderState.load()),
            std::pair(readerNotShown, readerNotShown));
}

TEST_F(WindowStateWriters, RenewalCountdownShowsEveryMinuteAndStartsAgainAt20) {
  const bool initialOnly = INITIAL_LOAD_ONLY.current();
  INITIAL_LOAD_ONLY.setCurrent(true);  // no update is announced here
  staticRenewalMinutes = 3;
  gf_staticRenewalMinute();
  EXPECT_EQ(gf_mainWindow().minutesToRenewal.load(), 2);
  EXPECT_TRUE(repainted(controls)) << "the countdown is a label of the controls band";
  gf_staticRenewalMinute();
  gf_staticRenewalMinute();
  EXPECT_EQ(gf_mainWindow().minutesToRenewal.load(), 20) << "1 minute left goes to a new round";
  EXPECT_EQ(staticRenewalMinutes, 20);
  INITIAL_LOAD_ONLY.setCurrent(initialOnly);
}

TEST_F(WindowStateWriters, WantedParkCountAndItsPercentage) {
  const std::int32_t maxPark = MAX_PARK_SEL.current();
  const std::int32_t percentage = parking_percentage.current();
  const std::int32_t custom = CUSTOM_PARKING_PERCENTAGE.current();
  StandTable saved;
  saved.swap(standTable);
  for (int i = 0; i < 40; ++i) standTable.emplace_back("S" + std::to_string(i), std::vector<StandOption>{}, 50.0, 8.0,
                                                       0.0, 20.0, 0, false, false, false);
  CUSTOM_PARKING_PERCENTAGE.setCurrent(-1);
  parking_percentage.setCurrent(30);
  MAX_PARK_SEL.setCurrent(500);
  EXPECT_EQ(gf_wantedParkCount(), 12);
  EXPECT_TRUE(repainted(statistics));
  // The maximum of 0 is shown as no max park.
  for (const auto& [maximum, count, percent] : {std::tuple(500, 12, 30), {10, 10, 25}, {0, 0, 30}}) {
    MAX_PARK_SEL.setCurrent(maximum);
    gf_wantedParkCount();
    EXPECT_EQ(std::pair(gf_mainWindow().maxParkCount.load(), gf_mainWindow().maxParkPercent.load()),
              std::pair(count, percent)) << maximum;
  }
  standTable.swap(saved);
  MAX_PARK_SEL.setCurrent(maxPark);
  parking_percentage.setCurrent(percentage);
  CUSTOM_PARKING_PERCENTAGE.setCurrent(custom);
}

TEST_F(WindowStateWriters, StandTableTextsAndUpdateCount) {
  ParkAirportShell& shell = gf_parkAirportShell();
  shell.showStandCount(264);
  shell.showPublisher("Gatewright (4)", true);
  shell.showQuality("real 82 %");
  // A handmade publisher gets the hour mark.
  EXPECT_EQ(std::tuple(gf_mainWindow().parkStands.load(), gf_mainWindow().text(StatusText::airportFirst),
                       gf_mainWindow().hourMark.load(), gf_mainWindow().text(StatusText::quality), repainted(statistics)),
            std::tuple(264u, std::string("Gatewright (4)"), true, std::string("real 82 %"), true));

  shell.showUpdateCount(1);
  EXPECT_EQ(gf_mainWindow().standUpdates.load(), 1);
  repaints.clear();
  shell.showUpdateCount(1);
  EXPECT_TRUE(repaints.empty()) << "an unchanged count is not repainted";
}

TEST_F(WindowStateWriters, AirportScanCountersAndTheTbloHint) {
  simaddonAirportCount.store(37);
  thirdpartyAirportCount.store(-1);  // never shown below 0
  tbloFileCount.store(2);
  gf_showScanCounts();
  EXPECT_EQ(std::tuple(gf_mainWindow().simaddonAirports.load(), gf_mainWindow().thirdpartyAirports.load(),
                       gf_mainWindow().tbloHintShown.load(), repainted(status)),
            std::tuple(37u, 0u, true, true));
  tbloFileCount.store(0);
  gf_showScanCounts();
  EXPECT_FALSE(gf_mainWindow().tbloHintShown.load());
  simaddonAirportCount.store(0);
  thirdpartyAirportCount.store(0);
}

TEST_F(WindowStateWriters, PerSecondWorkAnswersTheCallsignLookupAndCountsWaitingEntries) {
  gf_resetTraffic();
  objectIdLookupPending.store(true);
  lf_everySecond();
  EXPECT_EQ(gf_mainWindow().text(StatusText::callsignLookup), "has left") << "no live aircraft with that callsign";
  EXPECT_TRUE(repainted(controls));
  EXPECT_FALSE(repainted(statistics)) << "no update under way";

  parkedEntries.resize(3);
  parkControlsDisabled.store(true);
  lf_everySecond();
  EXPECT_EQ(gf_mainWindow().staticExtra.load(), 3u);
  EXPECT_TRUE(repainted(statistics));
  parkControlsDisabled.store(false);
  parkedEntries.clear();
  gf_resetTraffic();
}

} // namespace
} // namespace gwr
