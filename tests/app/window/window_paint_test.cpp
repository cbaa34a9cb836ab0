// The main window's paint, recorded: paint order, texts, their positions and
// colours. The band and box colours of the states the real window's
// screenshots show (tests/platform/window) are checked there only.
#include "app/window/window_paint.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/window/message_line.h"
#include "core/main_window_state.h"
#include "core/settings_catalogue.h"
#include "platform/ui/controls.h"
#include "support/settings_sandbox.h"
#include "support/sim_client_world.h"
#include "traffic/engine/live_ac.h"
#include "traffic/engine/traffic_engine.h"

namespace gwr {
namespace {

using platform::DrawCall;
using platform::Rect;
using platform::Rgb;

constexpr Rgb lime{50, 205, 50};
constexpr Rgb yellow{255, 255, 0};
constexpr Rgb red{255, 0, 0};
constexpr Rgb black{0, 0, 0};
constexpr Rgb white{255, 255, 255};
constexpr Rgb grey{160, 160, 160};
constexpr Rgb lightBlue{153, 204, 255};

DrawCall textAt(int x, int y, std::string text, Rgb colour) {
  return DrawCall{DrawCall::Kind::text, Rect{x, y, x, y}, colour, std::move(text)};
}
DrawCall fill(Rect area, Rgb colour) { return DrawCall{DrawCall::Kind::fill, area, colour, {}}; }
DrawCall line(int x1, int y1, int x2, int y2, Rgb colour) {
  return DrawCall{DrawCall::Kind::line, Rect{x1, y1, x2, y2}, colour, {}};
}

class WindowPaint : public testing::Test {
protected:
  void SetUp() override {
    gf_mainWindow().reset();
    // Not part of the restart's reset: a test or suite before may have changed them.
    gf_mainWindow().minutesToRenewal.store(0);
    gf_mainWindow().statisticsY.store(399);
    gf_mainWindow().liveries.store(0);
    gf_mainWindow().simaddonAirports.store(0);
    gf_mainWindow().thirdpartyAirports.store(0);
    gf_messageLine().clearError(true);
    parkControlsDisabled.store(false);
  }
  void TearDown() override {
    gf_installWindowInvalidator({});
    gf_mainWindow().reset();
    gf_messageLine().clearError(true);
    parkControlsDisabled.store(false);
  }

  platform::RecordingPainter paint() const {
    platform::RecordingPainter painter;
    lf_paint(painter);
    return painter;
  }
  static bool has(const platform::RecordingPainter& painter, const DrawCall& call) {
    return std::find(painter.calls().begin(), painter.calls().end(), call) != painter.calls().end();
  }
  // The texts drawn that start with the prefix.
  static std::vector<DrawCall> startingWith(const platform::RecordingPainter& painter, const std::string& prefix) {
    std::vector<DrawCall> found;
    for (const DrawCall& call : painter.calls())
      if (call.kind == DrawCall::Kind::text && call.text.rfind(prefix, 0) == 0) found.push_back(call);
    return found;
  }
  static std::vector<DrawCall> textsInRows(const platform::RecordingPainter& painter, int top, int bottom) {
    std::vector<DrawCall> found;
    for (const DrawCall& call : painter.calls())
      if (call.kind == DrawCall::Kind::text && call.area.top >= top && call.area.top < bottom) found.push_back(call);
    return found;
  }
  void connect(bool flight, const std::string& second) {
    gf_mainWindow().simulatorConnected.store(true);
    gf_mainWindow().flightRunning.store(flight);
    gf_mainWindow().setText(StatusText::simulator, "KittyHawk (11.2.3.4)");
    gf_mainWindow().setText(StatusText::simulatorSecond, second);
  }

  testsupport::SettingsSandbox sandbox;
};

TEST_F(WindowPaint, BandsLinesAndTitleComeFirstInTheirColours) {
  const auto painter = paint();
  const std::vector<DrawCall> first(painter.calls().begin(), painter.calls().begin() + 13);
  const std::vector<DrawCall> expected{
      fill({0, 0, 880, 28}, black),      fill({0, 28, 880, 112}, black),
      fill({0, 112, 880, 392}, lightBlue), fill({0, 392, 880, 448}, black),
      fill({0, 448, 880, 476}, lime),     line(0, 28, 880, 28, white),
      line(0, 113, 880, 113, white),     line(0, 449, 880, 449, white),
      line(0, 392, 880, 392, white),     textAt(3, 7, "Version 12.5.5", lime),
      textAt(390, 7, "Gatewright", lime), line(0, 140, 880, 140, black),
      line(0, 168, 642, 168, black)};
  EXPECT_EQ(first, expected);
  for (const DrawCall& separator : {line(0, 196, 642, 196, black), line(0, 224, 642, 224, black),
                                    line(0, 252, 642, 252, black), line(0, 280, 642, 280, black),
                                    line(0, 308, 880, 308, black), line(642, 140, 642, 308, black)})
    EXPECT_TRUE(has(painter, separator)) << separator.area.left << "," << separator.area.top;
}

TEST_F(WindowPaint, SimulatorLinesFollowTheConnection) {
  auto painter = paint();
  EXPECT_TRUE(has(painter, textAt(5, 35, "MSFS", lime)));
  EXPECT_TRUE(has(painter, textAt(398, 63, "Sim", lime)));
  EXPECT_TRUE(textsInRows(painter, 63, 64).size() == 2u) << "only \"Sim\" and \"RT\" on the second line";

  connect(false, "");
  gf_mainWindow().setText(StatusText::userStand, "B 12");
  painter = paint();
  EXPECT_TRUE(has(painter, textAt(5, 35, "KittyHawk (11.2.3.4), user stand B 12", yellow)));
  EXPECT_TRUE(painter.textCalls("MSFS").empty());

  // A running flight without its second line still counts as only connected.
  connect(true, "");
  EXPECT_TRUE(has(paint(), fill({397, 30, 426, 113}, yellow)));

  connect(true, "Flight EDDF 25C");
  gf_mainWindow().setText(StatusText::userStand, "");
  painter = paint();
  EXPECT_TRUE(has(painter, textAt(5, 35, "KittyHawk (11.2.3.4)", lime)));
  EXPECT_TRUE(has(painter, textAt(5, 63, "Flight EDDF 25C", lime)));
  gf_mainWindow().secondSimulatorLineInColour.store(false);
  EXPECT_TRUE(has(paint(), textAt(5, 63, "Flight EDDF 25C", yellow)));

  gf_mainWindow().simulatorConnected.store(false);
  EXPECT_TRUE(paint().textCalls("Flight EDDF 25C").empty());
}

// An aircraft the simulator gives no model for is named so on the user
// aircraft's line, as the simulator client reports it, and repainted.
TEST_F(WindowPaint, AnAircraftWithoutModelIsNamedOnTheUserAircraftLine) {
  std::vector<Rect> repaints;
  gf_installWindowInvalidator([&repaints](const Rect& band) { repaints.push_back(band); });
  testsupport::SyncSimClient client;
  ASSERT_TRUE(client.connect());
  const auto report = [&client](const std::string& model) {
    client.emulator().setUserTitleModel("Encrypted One", model);
    gf_requestUserTitleModel();
    client.pump();
  };
  report("A320");
  EXPECT_EQ(paint().textCalls("Encrypted One").size(), 1u);

  repaints.clear();
  report("");  // the same title: only the model's answer changes the line
  EXPECT_NE(std::find(repaints.begin(), repaints.end(), Rect{0, 28, 880, 112}), repaints.end());
  const auto painter = paint();
  const auto shown = painter.textCalls("Unknown (encrypted?) aircraft");
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].area, (Rect{5, 63, 5, 63}));
  EXPECT_TRUE(painter.textCalls("Encrypted One").empty());
}

TEST_F(WindowPaint, CountersShowDotsWhileZero) {
  auto painter = paint();
  EXPECT_TRUE(has(painter, textAt(5, 91, "# liveries: ...", red)));
  EXPECT_TRUE(has(painter, textAt(141, 91, "# simaddon: ...", yellow)));
  EXPECT_TRUE(has(painter, textAt(278, 91, "# thirdp: ...", yellow)));
  gf_mainWindow().liveries.store(1);
  gf_mainWindow().simaddonAirports.store(23);
  gf_mainWindow().thirdpartyAirports.store(4567);
  painter = paint();
  EXPECT_TRUE(has(painter, textAt(5, 91, "# liveries: 1", lime)));
  EXPECT_TRUE(has(painter, textAt(141, 91, "# simaddon: 23", lime)));
  EXPECT_TRUE(has(painter, textAt(278, 91, "# thirdp: 4567", lime)));
}

TEST_F(WindowPaint, RealTrafficBoxDetailsAndReaderCounts) {
  const Rect box{425, 30, 454, 113};
  auto painter = paint();
  EXPECT_TRUE(has(painter, textAt(430, 63, "RT", lime)));
  EXPECT_TRUE(painter.textCalls("Weather").empty());

  MainWindowState& state = gf_mainWindow();
  state.realTrafficBoxDark.store(false);
  EXPECT_TRUE(has(paint(), fill(box, red))) << "details not shown";

  state.realTrafficDetailsShown.store(true);
  state.setText(StatusText::realTraffic, "RealTraffic 10.0.1");
  state.trafficReaderState.store(readerReceiving);
  state.weatherReaderState.store(readerWaiting);
  state.liveAircraft.store(7);
  painter = paint();
  EXPECT_TRUE(has(painter, textAt(458, 35, "RealTraffic 10.0.1", lime)));
  EXPECT_TRUE(has(painter, textAt(458, 63, "Weather", yellow)));
  EXPECT_TRUE(has(painter, textAt(458, 91, "Traffic", lime)));
  EXPECT_TRUE(startingWith(painter, "qnh").empty()) << "no QNH yet";
  EXPECT_TRUE(has(painter, textAt(642, 91, "live:   7", lime)));

  state.qnh.store(1);
  EXPECT_TRUE(has(paint(), textAt(642, 63, "qnh:    1", lime)));
  state.qnh.store(1013);
  state.trafficReaderState.store(readerWaiting);
  state.weatherReaderState.store(readerNotShown);
  painter = paint();
  EXPECT_TRUE(has(painter, textAt(458, 35, "RealTraffic 10.0.1", yellow)));
  EXPECT_TRUE(painter.textCalls("Weather").empty());
  EXPECT_TRUE(startingWith(painter, "qnh").empty()) << "the weather reader is stopped";
  EXPECT_TRUE(has(painter, textAt(458, 91, "Traffic", yellow)));

  state.trafficReaderState.store(readerNotShown);
  state.weatherReaderState.store(readerReceiving);
  painter = paint();
  EXPECT_TRUE(has(painter, textAt(642, 63, "qnh: 1013", lime)));
  EXPECT_TRUE(startingWith(painter, "live").empty());
  EXPECT_TRUE(painter.textCalls("Traffic").empty());
}

TEST_F(WindowPaint, StatisticsBandOnlyWithAParkAirport) {
  MainWindowState& state = gf_mainWindow();
  state.parkStands.store(12);
  state.setParkAirportCode("EDDF");
  auto painter = paint();
  EXPECT_EQ(textsInRows(painter, 392, 448), (std::vector<DrawCall>{textAt(5, 399, "EDDF", yellow)}))
      << "statistics not valid yet";

  state.airportStatisticsValid.store(true);
  state.setText(StatusText::airportFirst, "Gatewright (3)");
  state.setText(StatusText::airportSecond, "Frankfurt/Main");
  state.setText(StatusText::quality, "real 80 %");
  state.setText(StatusText::reservedStand, "V 106");
  state.hourMark.store(true);
  state.softMark.store(true);
  state.standUpdates.store(5);
  state.liveParked.store(3);
  state.staticParked.store(40);
  state.staticExtra.store(2);
  state.meanFitHours.store(2.5F);
  state.meanStaticHours.store(6.0F);
  state.parkTrafficWeek.store(2);
  painter = paint();
  const std::vector<DrawCall> expected{
      textAt(5, 399, "EDDF", lime),
      textAt(45, 399, " Gatewright (3), Frankfurt/Main (h), wk=2", lime),
      textAt(370, 399, "*S*", lime),
      textAt(430, 399, "qf: real 80 %", lime),
      textAt(571, 399, "reserved stand: V 106", red),
      textAt(748, 399, "# updates:    5", lime),
      textAt(5, 427, "# stands:  12", lime),
      textAt(111, 427, "parked live:   3", lime),
      textAt(249, 427, "average fit: 2.5", lime),
      textAt(430, 427, "static:  40", lime),
      textAt(500, 427, " (2)", yellow),
      textAt(571, 427, " (6)", lime),
      textAt(708, 427, "no max park live", lime)};
  EXPECT_EQ(textsInRows(painter, 392, 448), expected);

  state.reservedStandShown.store(true);
  state.weekMark.store(true);
  state.maxParkCount.store(52);
  state.maxParkPercent.store(30);
  painter = paint();
  EXPECT_TRUE(has(painter, textAt(571, 399, "reserved stand: V 106", lime)));
  EXPECT_TRUE(has(painter, textAt(370, 399, "*WS*", lime)));
  EXPECT_TRUE(has(painter, textAt(708, 427, "max park:  52 (=30 %)", lime)));
  state.softMark.store(false);
  EXPECT_TRUE(has(paint(), textAt(370, 399, "*W*", lime)));
  state.weekMark.store(false);
  EXPECT_TRUE(textsInRows(paint(), 399, 400).size() == 5u) << "no mark without week or soft";

  // No mean time yet (-1): drawn as the number it is.
  state.meanFitHours.store(-1.0F);
  state.meanStaticHours.store(-1.0F);
  painter = paint();
  EXPECT_TRUE(has(painter, textAt(249, 399 + 28, "average fit: -1", lime)));
  EXPECT_TRUE(has(painter, textAt(571, 399 + 28, " (-1)", lime)));

  state.statisticsY.store(401);
  EXPECT_TRUE(has(paint(), textAt(5, 429, "# stands:  12", lime))) << "the second line follows the first";
}

TEST_F(WindowPaint, MessageLineDrawsTheNoticeOrTheWholeError) {
  auto painter = paint();
  EXPECT_TRUE(textsInRows(painter, 448, 477).empty()) << "no text";

  gf_messageLine().showNotice("Scanning for airports ...");
  painter = paint();
  EXPECT_EQ(painter.calls().back(), textAt(3, 455, "Scanning for airports ...", yellow));

  const std::string error = "150: No install path detected. " + std::string(200, 'x');
  gf_messageLine().showError(error);
  gf_messageLine().showNotice("hidden");
  painter = paint();
  EXPECT_EQ(painter.calls().back(), textAt(3, 455, error, yellow)) << "drawn whole; the window cuts it";
  EXPECT_TRUE(painter.textCalls("hidden").empty());
}

TEST_F(WindowPaint, LabelsSitOnTheirRowsInTheirColours) {
  auto& controls = platform::gf_headlessControlSurface();
  for (platform::ControlId id : {0x8029, 0x802A, 0x802B, 0x8034, 0x8057}) controls.createControl(id);
  auto painter = paint();
  // Rows of the controls: 147, 175, 203, 231, 259, 287, 315, 343, 371.
  for (const DrawCall& label :
       {textAt(652, 147, "Meta:", black), textAt(768, 147, "Stay on top", black), textAt(672, 175, "Oid list", black),
        textAt(768, 175, "Nav lights", black), textAt(768, 203, "GUID changes", black),
        textAt(672, 203, "Aerowinx", black), textAt(25, 147, "Scan for liveries", yellow),
        textAt(237, 147, "Automatic:", black), textAt(556, 147, "Prioritize", black),
        textAt(25, 175, "Scan for addon airports", yellow), textAt(5, 203, "Max aircraft matching depth", black),
        textAt(258, 203, "Optional:", black), textAt(343, 203, "Light aircraft", grey),
        textAt(450, 203, "Helicopters", grey), textAt(556, 203, "FighterJets", grey),
        textAt(5, 231, "Traffic injection", black), textAt(163, 231, "Radius:", black),
        textAt(270, 231, "nm, or", black), textAt(343, 231, "Auto radius", black), textAt(430, 231, "Ah:", grey),
        textAt(536, 231, "ft", grey), textAt(592, 231, "AirOnly", black), textAt(5, 259, "Block callsign:", black),
        textAt(5, 287, "Collision avoidance", black), textAt(237, 287, "User ground", black),
        textAt(343, 287, "User air", black), textAt(450, 287, "Live X parked", black),
        textAt(5, 315, "Airport parking", black), textAt(171, 315, "Max park (static+live):", black),
        textAt(401, 315, "Max live (park incl):", black), textAt(672, 315, "Straight push backs only", grey),
        textAt(137, 343, "Destination:", black), textAt(303, 343, "Range:", black), textAt(403, 343, "nm", black),
        textAt(440, 343, "Height above gnd:", black), textAt(646, 343, "ft", black),
        textAt(5, 343, "(next in 0 min)", black), textAt(25, 371, "ILO", black), textAt(91, 371, "Week", black),
        textAt(171, 371, "Soft", black), textAt(264, 371, "Target: ", black), textAt(378, 371, "%", black),
        textAt(506, 371, "Max fit:", black), textAt(632, 371, "hrs", black)})
    EXPECT_TRUE(has(painter, label)) << label.text;
  EXPECT_TRUE(startingWith(painter, "send tblo.zip").empty());

  for (platform::ControlId id : {0x8029, 0x802A, 0x802B, 0x8034, 0x8057}) controls.enable(id, true);
  GUID_CHANGES.setCurrent(false);
  AEROWINX.setCurrent(true);
  SCAN_LIVERIES.setCurrent(false);
  SCAN_AIRPORTS.setCurrent(false);
  AIRBORNE_ONLY.setCurrent(true);
  INITIAL_LOAD_ONLY.setCurrent(true);
  parkControlsDisabled.store(true);
  gf_mainWindow().tbloHintShown.store(true);
  gf_mainWindow().setText(StatusText::callsignLookup, "= 1234");
  painter = paint();
  for (const DrawCall& label :
       {textAt(343, 203, "Light aircraft", black), textAt(450, 203, "Helicopters", black),
        textAt(556, 203, "FighterJets", black), textAt(430, 231, "Ah:", black), textAt(536, 231, "ft", black),
        textAt(672, 315, "Straight push backs only", black), textAt(768, 203, "GUID changes", yellow),
        textAt(672, 203, "Aerowinx", yellow), textAt(25, 147, "Scan for liveries", black),
        textAt(25, 175, "Scan for addon airports", black), textAt(592, 231, "AirOnly", yellow),
        textAt(5, 343, "(no next ... )", black), textAt(25, 371, "ILO", yellow),
        textAt(5, 315, "Airport parking", yellow), textAt(476, 259, "= 1234", black),
        textAt(303, 175, "send tblo.zip to airports@gatewright.invalid", yellow)})
    EXPECT_TRUE(has(painter, label)) << label.text;

  INITIAL_LOAD_ONLY.setCurrent(false);
  gf_mainWindow().minutesToRenewal.store(20);
  EXPECT_TRUE(has(paint(), textAt(5, 343, "(next in 20 min)", black)));
}

// Red when nothing of the kind may show, yellow when limited, black without a limit.
TEST_F(WindowPaint, ParkAndLiveLimitLabelsByTheirValues) {
  const auto colours = [this] {
    const auto painter = paint();
    return std::make_pair(painter.textCalls("Max park (static+live):").at(0).colour,
                          painter.textCalls("Max live (park incl):").at(0).colour);
  };
  MAX_PARK_SEL.setCurrent(0);
  MAX_LIVE_SEL.setCurrent(500);
  EXPECT_EQ(colours(), std::make_pair(red, black));
  MAX_PARK_SEL.setCurrent(10);
  MAX_LIVE_SEL.setCurrent(100);
  EXPECT_EQ(colours(), std::make_pair(yellow, yellow));
  MAX_PARK_SEL.setCurrent(500);
  MAX_LIVE_SEL.setCurrent(0);
  EXPECT_EQ(colours(), std::make_pair(black, red));
}

TEST(WindowNumberText, WholeWithoutDecimalsElseOne) {
  EXPECT_EQ(gf_numberText(24.0F), "24");
  EXPECT_EQ(gf_numberText(0.0F), "0");
  EXPECT_EQ(gf_numberText(0.5F), "0.5");
  EXPECT_EQ(gf_numberText(3.14F), "3.1");
  EXPECT_EQ(gf_numberText(-1.0F), "-1");
}

TEST_F(WindowPaint, LiveCountsRepaintOnlyTheBandThatChanged) {
  std::vector<Rect> repaints;
  gf_installWindowInvalidator([&repaints](const Rect& band) { repaints.push_back(band); });
  gf_resetTraffic();
  refreshLiveCounts();
  EXPECT_TRUE(repaints.empty()) << "nothing changed";

  gf_mainWindow().liveAircraft.store(4);
  refreshLiveCounts();
  EXPECT_EQ(repaints, (std::vector<Rect>{{0, 28, 880, 112}}));
  EXPECT_EQ(gf_mainWindow().liveAircraft.load(), 0u);

  repaints.clear();
  gf_mainWindow().staticParked.store(3);
  refreshLiveCounts();
  EXPECT_EQ(repaints, (std::vector<Rect>{{0, 392, 880, 448}}));
  EXPECT_EQ(gf_mainWindow().staticParked.load(), 0u);
  repaints.clear();
  gf_mainWindow().liveParked.store(1);
  refreshLiveCounts();
  EXPECT_EQ(repaints, (std::vector<Rect>{{0, 392, 880, 448}}));

  // Active and not parked counts as live; parked ones count as parked live;
  // aircraft not yet in the simulator count nowhere.
  const auto add = [](AcSimState state, AcPhase phase) {
    LiveAc& ac = trafficEngine.live.emplace_back(AcDescription(AcIdentity{}), PositionSample{}, 0.0);
    ac.sim.simState = state;
    ac.phase = phase;
  };
  add(AcSimState::Active, AcPhase::Flying);
  add(AcSimState::Active, AcPhase::Taxi);
  add(AcSimState::Active, AcPhase::Parked);
  add(AcSimState::Adding2Sim, AcPhase::Flying);
  add(AcSimState::Buffer, AcPhase::Parked);
  repaints.clear();
  refreshLiveCounts();
  EXPECT_EQ(gf_mainWindow().liveAircraft.load(), 2u);
  EXPECT_EQ(gf_mainWindow().liveParked.load(), 1u);
  EXPECT_EQ(gf_mainWindow().staticParked.load(), 0u);
  EXPECT_EQ(repaints, (std::vector<Rect>{{0, 28, 880, 112}, {0, 392, 880, 448}}));
  gf_resetTraffic();
}

} // namespace
} // namespace gwr
