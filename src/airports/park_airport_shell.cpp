// The headless park-airport shell and the installed one.
#include "airports/park_airport_shell.h"

#include <atomic>

#include "core/main_window_state.h"
#include "core/settings_catalogue.h"

namespace gwr {

namespace {
ParkAirportShell headlessShell;
std::atomic<ParkAirportShell*> installedShell{nullptr};
} // namespace

void ParkAirportShell::showStandCount(std::size_t count) {
  gf_mainWindow().parkStands.store(count);
  gf_repaintBand(statisticsBand);
}

void ParkAirportShell::showUpdateCount(std::uint32_t count) {
  if (gf_mainWindow().standUpdates.exchange(static_cast<std::int32_t>(count)) != static_cast<std::int32_t>(count))
    gf_repaintBand(statisticsBand);
}

void ParkAirportShell::showPublisher(const std::string& text, bool handmade) {
  gf_mainWindow().setText(StatusText::airportFirst, text);
  gf_mainWindow().hourMark.store(handmade);
  gf_repaintBand(statisticsBand);
}

void ParkAirportShell::showQuality(const std::string& text) {
  gf_mainWindow().setText(StatusText::quality, text);
  gf_repaintBand(statisticsBand);
}

void ParkAirportShell::setRange(std::int32_t range) {
  RANGE.setCurrent(RANGE.clamped(range));
  rangeNm.store(static_cast<double>(RANGE.current()));
  rangeMetres.store(RANGE.current() * metresPerNauticalMile);
  gf_showNumberParameter(RANGE);
}

void ParkAirportShell::selectMaxFit() {
  MAX_FIT_FL.setCurrent(gf_maxFitHours(MAX_FIT.current()));
}

void gf_installParkAirportShell(ParkAirportShell* shell) { installedShell.store(shell); }

ParkAirportShell& gf_parkAirportShell() {
  ParkAirportShell* shell = installedShell.load();
  return shell ? *shell : headlessShell;
}

} // namespace gwr
