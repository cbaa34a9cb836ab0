// The main window's client area: five bands, the status panel over the first
// two, the labels beside the controls, the park airport's statistics and the
// message line, all drawn from the shown state on the window thread.
#include "app/window/window_paint.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <fmt/format.h>

#include "airports/tblo_collection.h"
#include "app/window/message_line.h"
#include "app/window/window_colours.h"
#include "core/main_window_state.h"
#include "core/settings_catalogue.h"
#include "core/version.h"
#include "platform/ui/controls.h"
#include "traffic/engine/traffic_engine.h"
#include "traffic/parking/static_parking.h"

namespace gwr {

namespace {

using platform::ColourRef;
using platform::Painter;
using platform::Rect;

using namespace windowColour;

// The controls band's separators: the rows and, right of x 642, the column of
// the meta settings.
constexpr std::array<Rect, 7> separatorLines{{{0, 140, 880, 140},
                                              {0, 168, 642, 168},
                                              {0, 196, 642, 196},
                                              {0, 224, 642, 224},
                                              {0, 252, 642, 252},
                                              {0, 280, 642, 280},
                                              {0, 308, 880, 308}}};

constexpr Rect simulatorBox{397, 30, 426, 113};
constexpr Rect realTrafficBox{425, 30, 454, 113};
// One pixel wider and taller than the band, as the window always painted it.
constexpr Rect messageFill{0, 448, 881, 477};

// The paint's one copy of the texts, taken before drawing.
struct ShownTexts {
  std::string simulator, simulatorSecond, realTraffic, airportFirst, airportSecond, quality, userStand,
      callsignLookup, reservedStand, parkCode;
};

ShownTexts lf_copyTexts() {
  const MainWindowState& state = gf_mainWindow();
  return ShownTexts{state.text(StatusText::simulator),      state.text(StatusText::simulatorSecond),
                    state.text(StatusText::realTraffic),    state.text(StatusText::airportFirst),
                    state.text(StatusText::airportSecond),  state.text(StatusText::quality),
                    state.text(StatusText::userStand),      state.text(StatusText::callsignLookup),
                    state.text(StatusText::reservedStand),  state.parkAirportCode()};
}

void lf_paintStatusPanel(Painter& painter, const ShownTexts& texts) {
  const MainWindowState& state = gf_mainWindow();
  const bool connected = state.simulatorConnected.load();
  const bool flying = connected && state.flightRunning.load() && !texts.simulatorSecond.empty();
  const ColourRef simColour = flying ? lime : (connected ? yellow : red);
  painter.fillRect(simulatorBox, simColour);
  painter.text(398, 63, "Sim", lime);
  if (connected) {
    std::string first = texts.simulator;
    if (!texts.userStand.empty()) first += ", user stand " + texts.userStand;
    painter.text(5, 35, first, simColour);
    painter.text(5, 63, texts.simulatorSecond, state.secondSimulatorLineInColour.load() ? simColour : yellow);
  } else {
    painter.text(5, 35, "MSFS", lime);
  }

  const auto counter = [&painter](int x, const char* name, std::uint64_t value, ColourRef whileZero) {
    if (value == 0)
      painter.text(x, 91, fmt::format("# {}: ...", name), whileZero);
    else
      painter.text(x, 91, fmt::format("# {}: {}", name, value), lime);
  };
  counter(5, "liveries", state.liveries.load(), red);
  counter(141, "simaddon", state.simaddonAirports.load(), yellow);
  counter(278, "thirdp", state.thirdpartyAirports.load(), yellow);

  const bool shown = state.realTrafficDetailsShown.load();
  const std::int32_t traffic = state.trafficReaderState.load();
  const std::int32_t weather = state.weatherReaderState.load();
  ColourRef rtColour = red;
  if (state.realTrafficBoxDark.load())
    rtColour = black;
  else if (shown)
    rtColour = traffic == readerReceiving ? lime : yellow;
  painter.fillRect(realTrafficBox, rtColour);
  painter.text(430, 63, "RT", lime);
  if (!shown) return;
  painter.text(458, 35, texts.realTraffic, traffic == readerReceiving ? lime : yellow);
  if (weather != readerNotShown) painter.text(458, 63, "Weather", weather == readerReceiving ? lime : yellow);
  if (traffic != readerNotShown) painter.text(458, 91, "Traffic", traffic == readerReceiving ? lime : yellow);
}

void lf_paintReaderCounts(Painter& painter) {
  const MainWindowState& state = gf_mainWindow();
  if (!state.realTrafficDetailsShown.load()) return;
  const auto drawn = [](std::int32_t reader) { return reader == readerReceiving || reader == readerWaiting; };
  if (drawn(state.weatherReaderState.load()) && state.qnh.load() >= 1)
    painter.text(642, 63, fmt::format("qnh: {:4}", state.qnh.load()), lime);
  if (drawn(state.trafficReaderState.load()))
    painter.text(642, 91, fmt::format("live: {:3}", state.liveAircraft.load()), lime);
}

// The two limits: red at 0 (nothing of the kind is shown at all), yellow when
// limited below the top of their list, black without a limit.
ColourRef lf_limitColour(const ComboNumberParameter<std::int32_t>& limit) {
  const std::int32_t value = limit.current();
  if (value <= 0) return red;
  return value < limit.choices.back() ? yellow : black;
}

void lf_paintLabels(Painter& painter, const ShownTexts& texts) {
  const platform::ControlSurface& controls = platform::gf_controlSurface();
  const auto label = [&painter](int x, const ControlBinding& row, const std::string& text, ColourRef colour = black) {
    painter.text(x, row.y, text, colour);
  };
  const auto yellowWhile = [](bool on) { return on ? yellow : black; };
  const auto greyUnless = [&controls](const ControlBinding& box) {
    return controls.isEnabled(box.controlId) ? black : grey;
  };

  label(652, ALWAYS_ON_TOP, "Meta:");
  label(768, ALWAYS_ON_TOP, "Stay on top");
  label(672, OBJECTID_LIST, "Oid list");
  label(768, NAV_LIGHTS_WHILE_PARKED, "Nav lights");
  label(768, GUID_CHANGES, "GUID changes", yellowWhile(!GUID_CHANGES.current()));
  label(672, AEROWINX, "Aerowinx", yellowWhile(AEROWINX.current()));
  label(25, SCAN_LIVERIES, "Scan for liveries", yellowWhile(SCAN_LIVERIES.current()));
  label(237, LIG_AUTOMATIC, "Automatic:");
  label(556, LIG_PRIORITIZE, "Prioritize");
  label(25, SCAN_AIRPORTS, "Scan for addon airports", yellowWhile(SCAN_AIRPORTS.current()));
  // Beside the "tblo.zip" button while the airport scan has collected files to learn.
  if (gf_mainWindow().tbloHintShown.load())
    label(303, SCAN_AIRPORTS, fmt::format("send tblo.zip to {}", tbloMailAddress), yellow);
  label(5, MATCHING_DEPTH, "Max aircraft matching depth");
  label(258, LIGHT_AIRCRAFT, "Optional:");
  label(343, LIGHT_AIRCRAFT, "Light aircraft", greyUnless(LIGHT_AIRCRAFT));
  label(450, HELICOPTERS, "Helicopters", greyUnless(HELICOPTERS));
  label(556, HIGH_PERF_AIRCRAFT, "FighterJets", greyUnless(HIGH_PERF_AIRCRAFT));
  label(5, RANGE, "Traffic injection");
  label(163, RANGE, "Radius:");
  label(270, RANGE, "nm, or");
  label(343, AUTO_RANGE, "Auto radius");
  label(430, AR_ABOVE_HEIGHT, "Ah:", greyUnless(AR_ABOVE_HEIGHT));
  label(536, AR_ABOVE_HEIGHT, "ft", greyUnless(AR_ABOVE_HEIGHT));
  label(592, AIRBORNE_ONLY, "AirOnly", yellowWhile(AIRBORNE_ONLY.current()));
  label(5, BLOCK_CALLSIGN, "Block callsign:");
  label(476, CALLSIGN_2_OBJECTID, texts.callsignLookup);
  label(5, COLLISION_USER_GND, "Collision avoidance");
  label(237, COLLISION_USER_GND, "User ground");
  label(343, COLLISION_USER_AIR, "User air");
  label(450, COLLISION_LIVE_PARKED_GND, "Live X parked");
  label(5, MAX_PARK_SEL, "Airport parking", yellowWhile(parkControlsDisabled.load()));
  label(171, MAX_PARK_SEL, "Max park (static+live):", lf_limitColour(MAX_PARK_SEL));
  label(401, MAX_LIVE_SEL, "Max live (park incl):", lf_limitColour(MAX_LIVE_SEL));
  label(672, STRAIGHT_PBS_ONLY, "Straight push backs only", greyUnless(STRAIGHT_PBS_ONLY));
  label(137, DESTINATION, "Destination:");
  label(303, AIRP_RANGE, "Range:");
  label(403, AIRP_RANGE, "nm");
  label(440, AIRP_HEIGHT, "Height above gnd:");
  label(646, AIRP_HEIGHT, "ft");
  label(5, AIRP_RANGE,
        INITIAL_LOAD_ONLY.current() ? std::string("(no next ... )")
                                    : fmt::format("(next in {} min)", gf_mainWindow().minutesToRenewal.load()));
  label(25, INITIAL_LOAD_ONLY, "ILO", yellowWhile(INITIAL_LOAD_ONLY.current()));
  label(91, WEEK, "Week");
  label(171, PARK_SOFT, "Soft");
  label(264, parking_percentage, "Target: ");
  label(378, parking_percentage, "%");
  label(506, MAX_FIT_FL, "Max fit:");
  label(632, MAX_FIT_FL, "hrs");
}

void lf_paintParkingStats(Painter& painter, const ShownTexts& texts) {
  if (texts.parkCode.empty()) return;
  const MainWindowState& state = gf_mainWindow();
  const int y0 = state.statisticsY.load();
  const int y1 = y0 + 28;
  const bool valid = state.airportStatisticsValid.load();
  painter.text(5, y0, texts.parkCode, valid ? lime : yellow);
  if (!valid) return;
  painter.text(45, y0,
               fmt::format(" {}, {}{}, wk={}", texts.airportFirst, texts.airportSecond,
                           state.hourMark.load() ? " (h)" : "", state.parkTrafficWeek.load()),
               lime);
  const bool week = state.weekMark.load();
  const bool soft = state.softMark.load();
  if (week || soft) painter.text(370, y0, week && soft ? "*WS*" : (soft ? "*S*" : "*W*"), lime);
  painter.text(430, y0, fmt::format("qf: {}", texts.quality), lime);
  painter.text(571, y0, fmt::format("reserved stand: {}", texts.reservedStand),
               state.reservedStandShown.load() ? lime : red);
  painter.text(748, y0, fmt::format("# updates: {:4}", state.standUpdates.load()), lime);
  painter.text(5, y1, fmt::format("# stands: {:3}", state.parkStands.load()), lime);
  painter.text(111, y1, fmt::format("parked live: {:3}", state.liveParked.load()), lime);
  painter.text(249, y1, fmt::format("average fit: {}", gf_numberText(state.meanFitHours.load())), lime);
  painter.text(430, y1, fmt::format("static: {:3}", state.staticParked.load()), lime);
  painter.text(500, y1, fmt::format(" ({})", state.staticExtra.load()), yellow);
  painter.text(571, y1, fmt::format(" ({})", gf_numberText(state.meanStaticHours.load())), lime);
  const std::int32_t maxPark = state.maxParkCount.load();
  painter.text(708, y1,
               maxPark == 0 ? std::string("no max park live")
                            : fmt::format("max park: {:3} (={} %)", maxPark, state.maxParkPercent.load()),
               lime);
}

void lf_paintMessageArea(Painter& painter) {
  const MessageLine::Texts texts = gf_messageLine().texts();
  if (!texts.error.empty()) {
    painter.fillRect(messageFill, red);
    painter.text(3, 455, texts.error, yellow);
    return;
  }
  painter.fillRect(messageFill, lime);
  if (!texts.notice.empty()) painter.text(3, 455, texts.notice, yellow);
}

} // namespace

void lf_paint(Painter& painter) {
  const ShownTexts texts = lf_copyTexts();
  painter.fillRect(titleBand, black);
  painter.fillRect(statusBand, black);
  painter.fillRect(controlsBand, lightBlue);
  painter.fillRect(statisticsBand, black);
  painter.fillRect(messageBand, lime);
  painter.line(0, 28, 880, 28, white);
  painter.line(0, 113, 880, 113, white);
  painter.line(0, 449, 880, 449, white);
  painter.line(0, 392, 880, 392, white);
  painter.text(3, 7, fmt::format("Version {}", programVersion.text()), lime);
  painter.text(390, 7, programName, lime);
  for (const Rect& line : separatorLines) painter.line(line.left, line.top, line.right, line.bottom, black);
  painter.line(642, 140, 642, 308, black);
  lf_paintStatusPanel(painter, texts);
  lf_paintReaderCounts(painter);
  lf_paintLabels(painter, texts);
  lf_paintParkingStats(painter, texts);
  lf_paintMessageArea(painter);
}

void refreshLiveCounts() {
  MainWindowState& state = gf_mainWindow();
  const auto flying = static_cast<std::uint64_t>(
      std::count_if(trafficEngine.live.begin(), trafficEngine.live.end(), [](const LiveAc& ac) {
        return ac.sim.simState == AcSimState::Active && ac.phase != AcPhase::Parked;
      }));
  if (state.liveAircraft.exchange(flying) != flying) gf_repaintBand(statusBand);
  const auto parkedStatic = static_cast<std::uint64_t>(gf_countStaticParked());
  const auto parkedLive = static_cast<std::uint64_t>(gf_countLiveParked());
  if (state.staticParked.load() != parkedStatic || state.liveParked.load() != parkedLive) {
    state.staticParked.store(parkedStatic);
    state.liveParked.store(parkedLive);
    gf_repaintBand(statisticsBand);
  }
}

std::string gf_numberText(float value) {
  return std::floor(value) == value ? fmt::format("{:.0f}", value) : fmt::format("{:.1f}", value);
}

} // namespace gwr
