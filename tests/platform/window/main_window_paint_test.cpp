// The program's own paint and controls in the real FLTK window on Xvfb: four
// moments of a run as screenshots, compared with the reference pictures and
// checked pixel by pixel where the bands and boxes must show their colours.
// GWR_UPDATE_REFERENCE=1 writes the screenshots as the new references. And
// where the main window opens from its stored place.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include <FL/Fl.H>

#include "app/window/main_window.h"
#include "app/window/message_line.h"
#include "app/window/window_controls.h"
#include "app/window/window_paint.h"
#include "core/main_window_state.h"
#include "core/settings_catalogue.h"
#include "core/version.h"
#include "liveries/livery_shell.h"
#include "platform/harness/rgb_image.h"
#include "platform/harness/window_probe.h"
#include "platform/harness/xvfb_server.h"
#include "platform/ui/window.h"
#include "support/settings_sandbox.h"
#include "traffic/engine/traffic_engine.h"

namespace gwr {
namespace {

using platform::Rect;
using platform::Rgb;

constexpr int clientWidth = 880;
constexpr int clientHeight = 477;
constexpr Rgb black{0, 0, 0};
constexpr Rgb white{255, 255, 255};
constexpr Rgb lightBlue{153, 204, 255};
constexpr Rgb lime{50, 205, 50};
constexpr Rgb yellow{255, 255, 0};
constexpr Rgb red{255, 0, 0};
// Above the "Sim" and "RT" labels; the RealTraffic box covers x 425.
constexpr Rect simulatorBoxTop{397, 30, 425, 60};
constexpr Rect realTrafficBoxTop{425, 30, 454, 60};

// A channel this far off counts the pixel as different; this share of
// different pixels is what font smoothing may move between machines.
constexpr int channelTolerance = 24;
constexpr double differingShareTolerance = 0.0025;

bool lf_updatingReferences() {
  const char* update = std::getenv("GWR_UPDATE_REFERENCE");
  return update != nullptr && std::string(update) == "1";
}

std::string lf_testName() { return ::testing::UnitTest::GetInstance()->current_test_info()->name(); }

class MainWindowPaint : public ::testing::Test {
protected:
  void SetUp() override {
    std::string whyNot;
    if (testsupport::gf_sharedXvfb(whyNot) == nullptr) GTEST_SKIP() << "No X display for the real window: " << whyNot;
    testsupport::resetSettingsToDefaults();
    gf_mainWindow().reset();
    // The state's reset leaves the scan counters and the renewal minutes.
    for (auto* count : {&gf_mainWindow().liveries, &gf_mainWindow().simaddonAirports, &gf_mainWindow().thirdpartyAirports})
      count->store(0);
    gf_mainWindow().minutesToRenewal.store(0);
    gf_messageLine().clearError(true);
    parkControlsDisabled.store(false);
    window = platform::gf_makeDesktopWindow();
    ASSERT_NE(window, nullptr) << "Xvfb runs but its display does not open";
    window->setHandlers(platform::WindowHandlers{[](platform::Painter& painter) { lf_paint(painter); },
                                                 [](platform::ControlId, platform::ControlEvent) {}, [] {}});
    const std::string title = "Gatewright paint " + lf_testName();
    ASSERT_TRUE(window->open(platform::WindowSpec{title, 20, 20, clientWidth, clientHeight, controlsBand}));
    platform::gf_setControlSurface(window.get());
    platform::Window* shown = window.get();
    gf_installWindowInvalidator([shown](const Rect& band) { shown->invalidate(band); });
    lf_createControls(*window);
    probe = std::make_unique<testsupport::WindowProbe>(*window, title);
    ASSERT_TRUE(probe->settle()) << "the window never showed";
  }

  void TearDown() override {
    gf_installWindowInvalidator({});
    platform::gf_setControlSurface(nullptr);
    probe.reset();
    window.reset();
    Fl::check();
    gf_mainWindow().reset();
    gf_messageLine().clearError(true);
    testsupport::resetSettingsToDefaults();
  }

  // The picture after the window has painted everything asked for.
  testsupport::RgbImage lf_shot() {
    window->invalidateAll();
    EXPECT_TRUE(probe->settle());
    auto shot = probe->capture();
    EXPECT_TRUE(testsupport::gf_keepPicture("paint-" + lf_testName(), shot));
    return shot;
  }

  static void lf_matchReference(const testsupport::RgbImage& shot) {
    const auto file = std::filesystem::path(GWR_WINDOW_REFERENCE) / ("main-window-" + lf_testName() + ".png");
    if (lf_updatingReferences()) {
      std::filesystem::create_directories(file.parent_path());
      ASSERT_TRUE(testsupport::gf_writePng(file, shot)) << file;
      return;
    }
    const auto reference = testsupport::gf_readPng(file);
    ASSERT_TRUE(reference.has_value()) << "no reference picture " << file << "; GWR_UPDATE_REFERENCE=1 writes it";
    const auto difference = testsupport::gf_compare(shot, *reference, channelTolerance);
    ASSERT_TRUE(difference.sameSize) << reference->width << " x " << reference->height;
    EXPECT_LE(difference.differingShare(shot), differingShareTolerance)
        << difference.differingPixels << " pixels differ, the largest channel by "
        << difference.maxChannelDifference << "; the screenshot is paint-" << lf_testName() << ".png";
  }

  // The parts of the bands that no text or control covers.
  static void lf_checkBands(const testsupport::RgbImage& shot, Rgb messageColour) {
    ASSERT_EQ(shot.width, clientWidth);
    ASSERT_EQ(shot.height, clientHeight);
    EXPECT_TRUE(shot.allOf(Rect{200, 0, 380, 28}, black)) << "title band";
    EXPECT_TRUE(shot.allOf(Rect{500, 0, 880, 28}, black)) << "title band";
    EXPECT_TRUE(shot.allOf(Rect{0, 28, 880, 29}, white)) << "line under the title";
    EXPECT_TRUE(shot.allOf(Rect{0, 29, 4, 112}, black)) << "status band";
    EXPECT_TRUE(shot.allOf(Rect{760, 29, 880, 112}, black)) << "status band";
    EXPECT_TRUE(shot.allOf(Rect{0, 113, 880, 114}, white)) << "line over the controls";
    EXPECT_TRUE(shot.allOf(Rect{700, 262, 880, 305}, lightBlue)) << "controls band";
    EXPECT_TRUE(shot.allOf(Rect{0, 392, 880, 393}, white)) << "line over the statistics";
    EXPECT_TRUE(shot.allOf(Rect{0, 393, 3, 448}, black)) << "statistics band";
    EXPECT_TRUE(shot.allOf(Rect{860, 393, 880, 448}, black)) << "statistics band";
    EXPECT_TRUE(shot.allOf(Rect{0, 448, 880, 454}, messageColour)) << "message band above its text";
    EXPECT_TRUE(shot.allOf(Rect{860, 448, 880, 477}, messageColour)) << "message band";
  }

  static int lf_count(const testsupport::RgbImage& shot, const Rect& area, Rgb colour) {
    return area.width() * area.height() - shot.countNot(area, colour);
  }

  std::unique_ptr<platform::Window> window;
  std::unique_ptr<testsupport::WindowProbe> probe;
};

TEST_F(MainWindowPaint, IdleBeforeTheSimulator) {
  const auto shot = lf_shot();
  lf_checkBands(shot, lime);
  EXPECT_TRUE(shot.allOf(simulatorBoxTop, red)) << "not connected";
  EXPECT_TRUE(shot.allOf(realTrafficBoxTop, black)) << "dark until the readers start";
  EXPECT_TRUE(shot.allOf(Rect{0, 393, 880, 448}, black)) << "no park airport, no statistics";
  lf_matchReference(shot);
}

TEST_F(MainWindowPaint, ErrorOnTheMessageLine) {
  gf_messageLine().showError(
      "150: No install path detected. Enter the path of your simulator's packages in the box above.");
  const auto shot = lf_shot();
  lf_checkBands(shot, red);
  EXPECT_GT(lf_count(shot, Rect{3, 455, 400, 472}, yellow), 50) << "the error in yellow";
  lf_matchReference(shot);
}

TEST_F(MainWindowPaint, ConnectedAndFlyingWithStatistics) {
  MainWindowState& state = gf_mainWindow();
  state.simulatorConnected.store(true);
  state.flightRunning.store(true);
  state.setText(StatusText::simulator, "KittyHawk (11.0.282174.999)");
  state.setText(StatusText::simulatorSecond, "EDDF, 2 nm, on ground");
  state.setText(StatusText::userStand, "V 106");
  state.liveries.store(5412);
  state.simaddonAirports.store(37);
  state.thirdpartyAirports.store(12);
  state.realTrafficBoxDark.store(false);
  state.realTrafficDetailsShown.store(true);
  state.setText(StatusText::realTraffic, "RealTraffic 10.0.240");
  state.trafficReaderState.store(readerReceiving);
  state.weatherReaderState.store(readerReceiving);
  state.qnh.store(1013);
  state.liveAircraft.store(23);
  state.setParkAirportCode("EDDF");
  state.airportStatisticsValid.store(true);
  state.setText(StatusText::airportFirst, "Gatewright (4)");
  state.setText(StatusText::airportSecond, "Frankfurt/Main");
  state.hourMark.store(true);
  state.parkTrafficWeek.store(3);
  state.setText(StatusText::quality, "real 82 %, soft 9 %");
  state.setText(StatusText::reservedStand, "V 106");
  state.reservedStandShown.store(true);
  state.standUpdates.store(3);
  state.parkStands.store(264);
  state.liveParked.store(18);
  state.staticParked.store(61);
  state.meanFitHours.store(4.5F);
  state.meanStaticHours.store(7.0F);
  state.maxParkCount.store(79);
  state.maxParkPercent.store(30);
  state.minutesToRenewal.store(20);
  const auto shot = lf_shot();
  lf_checkBands(shot, lime);
  EXPECT_TRUE(shot.allOf(simulatorBoxTop, lime)) << "connected and flying";
  EXPECT_TRUE(shot.allOf(realTrafficBoxTop, lime)) << "traffic received";
  EXPECT_GT(shot.countNot(Rect{0, 393, 880, 448}, black), 500) << "two lines of statistics";
  lf_matchReference(shot);

  state.flightRunning.store(false);
  state.trafficReaderState.store(readerWaiting);
  const auto waiting = lf_shot();
  EXPECT_TRUE(waiting.allOf(simulatorBoxTop, yellow)) << "only connected";
  EXPECT_TRUE(waiting.allOf(realTrafficBoxTop, yellow)) << "no traffic data";
}

// The field of each edit box is the window's light blue, enabled or not; the
// boxes' places are the control table's, insets leave out their frames.
TEST_F(MainWindowPaint, EditBoxFieldsAreLightBlueEnabledOrNot) {
  gf_enableControl(DESTINATION, true);
  const auto shot = lf_shot();
  const struct { const char* box; Rect field; } cases[] = {
      {"ALL_INSTALL_PATH, disabled, past the window's edge", Rect{114, 122, 880, 132}},
      {"BLOCK_CALLSIGN, disabled", Rect{110, 262, 204, 272}},
      {"DESTINATION, enabled", Rect{220, 346, 264, 356}},
  };
  for (const auto& c : cases) EXPECT_TRUE(shot.allOf(c.field, lightBlue)) << c.box;
}

TEST_F(MainWindowPaint, NoticeOnTheMessageLine) {
  gf_mainWindow().liveries.store(5412);
  gf_messageLine().showNotice("Scanning for airports ...");
  const auto shot = lf_shot();
  lf_checkBands(shot, lime);
  EXPECT_GT(lf_count(shot, Rect{3, 455, 300, 472}, yellow), 20) << "the notice in yellow";
  EXPECT_GT(shot.countNot(Rect{3, 455, 300, 472}, lime), 200) << "the notice's smoothed edges";
  lf_matchReference(shot);
}

// Where the main window opens (Xvfb: one screen of 1280 x 1024, no window
// manager unless the test acts as one): a place above the screen comes down
// until its title bar is on it, a place that shows it stays, as saved.
TEST(MainWindowPlace, TheTitleBarOpensOnTheScreen) {
  std::string whyNot;
  if (testsupport::gf_sharedXvfb(whyNot) == nullptr) GTEST_SKIP() << "No X display for the real window: " << whyNot;
  // Stored y, whether a window manager runs (not framing the window yet), the y it opens at.
  const struct { int y; bool manager; int openedY; } cases[] = {
      {-5000, false, 0}, {-1, false, 0}, {0, false, 0}, {300, false, 300}, {976, false, 976}, {977, false, 976},
      {-5000, true, 32}, {31, true, 32}, {32, true, 32},
  };
  for (const auto& c : cases) {
    testsupport::SettingsSandbox sandbox;
    sandbox.writeFile(R"(<root><parameters><parameter name="MAIN_WINDOW_X" value="200" /><parameter )"
                      R"(name="MAIN_WINDOW_Y" value=")" + std::to_string(c.y) + R"(" /></parameters></root>)");
    auto window = platform::gf_makeDesktopWindow();
    ASSERT_NE(window, nullptr) << "Xvfb runs but its display does not open";
    if (c.manager) testsupport::WindowProbe::windowManagerRuns();
    ASSERT_TRUE(gf_initInstance(*window));
    testsupport::WindowProbe probe(*window, std::string(programName));
    EXPECT_EQ(probe.placeOnScreen(), std::optional(std::pair(200, c.openedY))) << c.y;
    const std::string saved = R"("MAIN_WINDOW_Y" value=")" + std::to_string(c.openedY) + '"';
    EXPECT_NE(sandbox.fileText().find(saved), std::string::npos) << c.y;
    testsupport::WindowProbe::windowManagerGone();
    gf_releaseMainWindow();
    window.reset();
    Fl::check();
  }
}

} // namespace
} // namespace gwr
