// What the main window shows, written by every thread and painted by the
// window thread: status texts, counters, flags and the reader states. Writers
// store a value and then ask for the band that shows it to be repainted.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "platform/ui/ui_types.h"

namespace gwr {

// The window's bands in client pixels.
inline constexpr platform::Rect titleBand{0, 0, 880, 28};
inline constexpr platform::Rect statusBand{0, 28, 880, 112};
inline constexpr platform::Rect controlsBand{0, 112, 880, 392};
inline constexpr platform::Rect statisticsBand{0, 392, 880, 448};
inline constexpr platform::Rect messageBand{0, 448, 880, 476};

enum class StatusText : std::uint8_t {
  simulator,        // first simulator line: name and version, or the flight state
  simulatorSecond,  // second simulator line: the user aircraft's title
  realTraffic,      // the RealTraffic line
  airportFirst,     // park airport details: publisher
  airportSecond,    // park airport details: the airport's name from its stand file
  quality,          // quality factors of the park airport's stands
  userStand,        // the stand under the user aircraft
  callsignLookup,   // the answer of the callsign lookup
  reservedStand,    // the user's reserved stand at the park airport
};
inline constexpr std::size_t statusTextCount = 9;

// Reader states as the status band draws them.
inline constexpr std::int32_t readerReceiving = 1;
inline constexpr std::int32_t readerWaiting = 2;
inline constexpr std::int32_t readerNotShown = 3;

struct MainWindowState {
  MainWindowState();

  // Texts, copied under the lock by the painter.
  std::string text(StatusText which) const;
  void setText(StatusText which, std::string value);
  std::string parkAirportCode() const;  // empty: none
  void setParkAirportCode(std::string code);

  // Counters drawn by the window.
  std::atomic<std::uint64_t> liveAircraft{0};  // active and not parked
  std::atomic<std::uint64_t> simaddonAirports{0};
  std::atomic<std::uint64_t> thirdpartyAirports{0};
  std::atomic<std::uint64_t> liveries{0};
  std::atomic<std::uint64_t> liveParked{0};
  std::atomic<std::uint64_t> staticParked{0};
  std::atomic<std::uint64_t> parkStands{0};

  std::atomic<std::int32_t> statisticsY{399};
  std::atomic<std::int32_t> maxParkPercent{0};
  std::atomic<std::int32_t> qnh{0};  // hPa; drawn when at least 1
  std::atomic<std::int32_t> maxParkCount{0};  // 0: none
  std::atomic<std::int32_t> minutesToRenewal{0};
  std::atomic<std::int32_t> standUpdates{0};
  std::atomic<std::uint64_t> staticExtra{0};  // drawn in parentheses after the static counter
  std::atomic<float> meanFitHours{-1.0F};     // -1: none
  std::atomic<float> meanStaticHours{-1.0F};
  std::atomic<std::uint32_t> parkTrafficWeek{0};  // the park airport file's RT_traffic_week
  // Half-hours back the static plan had to look: its real pass, its last soft or week pass (-1: none).
  std::atomic<std::int32_t> planOffsetReal{0};
  std::atomic<std::int32_t> planOffsetOther{-1};

  std::atomic<bool> hourMark{false};  // " (h)" after the park airport's texts: a handmade stand file
  std::atomic<bool> realTrafficBoxDark{true};
  std::atomic<bool> realTrafficDetailsShown{false};
  std::atomic<bool> airportStatisticsValid{false};
  std::atomic<bool> simulatorConnected{false};
  std::atomic<bool> flightRunning{false};
  std::atomic<bool> secondSimulatorLineInColour{true};
  std::atomic<bool> weekMark{false};
  std::atomic<bool> softMark{false};
  std::atomic<bool> reservedStandShown{false};  // the reserved stand is a stand of the table
  std::atomic<bool> tbloHintShown{false};       // the airport scan asks for tblo.zip

  std::atomic<std::int32_t> trafficReaderState{readerNotShown};
  std::atomic<std::int32_t> weatherReaderState{readerNotShown};

  // Everything back to a first start (the restart's reset).
  void reset();

private:
  mutable std::mutex textMutex;
  std::array<std::string, statusTextCount> texts;
  std::string parkCode;
};

MainWindowState& gf_mainWindow();

// The window asks for repaints through this; nothing happens until the shell
// installs one (any thread may call the repaints).
void gf_installWindowInvalidator(std::function<void(const platform::Rect&)> invalidate);
void gf_repaintBand(const platform::Rect& band);
// Stores a status text and repaints the status band that shows it.
void gf_showStatusText(StatusText which, std::string value);
void gf_repaintWindow();

} // namespace gwr
