#include "core/main_window_state.h"

#include <memory>

namespace gwr {

MainWindowState::MainWindowState() = default;

std::string MainWindowState::text(StatusText which) const {
  std::lock_guard lock(textMutex);
  return texts.at(static_cast<std::size_t>(which));
}

void MainWindowState::setText(StatusText which, std::string value) {
  std::lock_guard lock(textMutex);
  texts.at(static_cast<std::size_t>(which)) = std::move(value);
}

std::string MainWindowState::parkAirportCode() const {
  std::lock_guard lock(textMutex);
  return parkCode;
}

void MainWindowState::setParkAirportCode(std::string code) {
  std::lock_guard lock(textMutex);
  parkCode = std::move(code);
}

void MainWindowState::reset() {
  {
    std::lock_guard lock(textMutex);
    for (std::string& text : texts) text.clear();
    parkCode.clear();
  }
  for (auto* counter : {&liveAircraft, &liveParked, &staticParked, &parkStands, &staticExtra}) counter->store(0);
  for (auto* value : {&maxParkPercent, &qnh, &maxParkCount, &standUpdates}) value->store(0);
  parkTrafficWeek.store(0);
  planOffsetReal.store(0);
  planOffsetOther.store(-1);
  meanFitHours.store(-1.0F);
  meanStaticHours.store(-1.0F);
  for (auto* flag : {&hourMark, &realTrafficDetailsShown, &airportStatisticsValid, &simulatorConnected, &flightRunning,
                     &weekMark, &softMark, &reservedStandShown, &tbloHintShown}) {
    flag->store(false);
  }
  realTrafficBoxDark.store(true);
  secondSimulatorLineInColour.store(true);
  trafficReaderState.store(readerNotShown);
  weatherReaderState.store(readerNotShown);
}

MainWindowState& gf_mainWindow() {
  static MainWindowState state;
  return state;
}

namespace {

std::mutex invalidatorMutex;
std::shared_ptr<const std::function<void(const platform::Rect&)>> installedInvalidator;

} // namespace

void gf_installWindowInvalidator(std::function<void(const platform::Rect&)> invalidate) {
  auto next = invalidate ? std::make_shared<const std::function<void(const platform::Rect&)>>(std::move(invalidate))
                         : nullptr;
  std::lock_guard lock(invalidatorMutex);
  installedInvalidator = std::move(next);
}

void gf_repaintBand(const platform::Rect& band) {
  std::shared_ptr<const std::function<void(const platform::Rect&)>> invalidate;
  {
    std::lock_guard lock(invalidatorMutex);
    invalidate = installedInvalidator;
  }
  if (invalidate) (*invalidate)(band);
}

void gf_showStatusText(StatusText which, std::string value) {
  gf_mainWindow().setText(which, std::move(value));
  gf_repaintBand(statusBand);
}

void gf_repaintWindow() { gf_repaintBand(platform::Rect{0, 0, 880, 477}); }

} // namespace gwr
