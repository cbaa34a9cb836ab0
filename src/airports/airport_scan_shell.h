// What the airport scan asks of the main window: notices on the message line,
// its airport counters, the "tblo.zip" button; headless until installed.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace gwr {

// The main window's "# simaddon" and "# thirdp" counters.
extern std::atomic<std::int64_t> simaddonAirportCount;
extern std::atomic<std::int64_t> thirdpartyAirportCount;
// Files collected for the maker; while not 0 the window asks to mail "tblo.zip".
extern std::atomic<std::uint64_t> tbloFileCount;

class AirportScanShell {
public:
  virtual ~AirportScanShell() = default;
  virtual void showNotice(const std::string& /*text*/) {}
  virtual void clearNotice() {}
  virtual void repaintStatus() {}
  virtual void enableTbloButton(bool /*enabled*/) {}
};

// nullptr goes back to the headless shell. The shell must outlive its use.
void gf_installAirportScanShell(AirportScanShell* shell);
AirportScanShell& gf_airportScanShell();
// The counters and the tblo hint to the main window's status band, then the
// shell's repaint.
void gf_showScanCounts();

} // namespace gwr
