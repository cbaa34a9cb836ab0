// The airport scan's counters and its headless or installed window shell.
#include "airports/airport_scan_shell.h"

#include <algorithm>

#include "core/main_window_state.h"

namespace gwr {

std::atomic<std::int64_t> simaddonAirportCount{0};
std::atomic<std::int64_t> thirdpartyAirportCount{0};
std::atomic<std::uint64_t> tbloFileCount{0};

namespace {
AirportScanShell headlessShell;
std::atomic<AirportScanShell*> installedShell{nullptr};
} // namespace

void gf_installAirportScanShell(AirportScanShell* shell) { installedShell.store(shell); }

AirportScanShell& gf_airportScanShell() {
  AirportScanShell* shell = installedShell.load();
  return shell ? *shell : headlessShell;
}

void gf_showScanCounts() {
  MainWindowState& window = gf_mainWindow();
  window.simaddonAirports.store(static_cast<std::uint64_t>(std::max<std::int64_t>(simaddonAirportCount.load(), 0)));
  window.thirdpartyAirports.store(
      static_cast<std::uint64_t>(std::max<std::int64_t>(thirdpartyAirportCount.load(), 0)));
  window.tbloHintShown.store(tbloFileCount.load() != 0);
  gf_repaintBand(statusBand);
  gf_airportScanShell().repaintStatus();
}

} // namespace gwr
