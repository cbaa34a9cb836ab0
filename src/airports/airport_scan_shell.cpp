// The airport scan's counters and its headless or installed window shell.
#include "airports/airport_scan_shell.h"

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

} // namespace gwr
