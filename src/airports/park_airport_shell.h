// What the park airport's stand table asks of the main window: its stand,
// publisher and quality fields and a few controls; headless until installed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace gwr {

// The shell installs its own at start-up. The headless defaults keep the
// settings consistent (RANGE with its derived values, MAX_FIT_FL with
// MAX_FIT) and have no window to show anything in.
class ParkAirportShell {
public:
  virtual ~ParkAirportShell() = default;
  virtual void showStandCount(std::size_t /*count*/) {}
  virtual void showUpdateCount(std::uint32_t /*count*/) {}
  virtual void showPublisher(const std::string& /*text*/, bool /*handmade*/) {}
  virtual void showQuality(const std::string& /*text*/) {}
  virtual void enableFlushStatic(bool /*enabled*/) {}
  virtual void enableNowButton(bool /*enabled*/) {}
  // RANGE takes the value (clamped) with the range in nm and metres.
  virtual void setRange(std::int32_t rangeNm);
  // MAX_FIT_FL follows MAX_FIT: (half hours + 1) / 2 hours.
  virtual void selectMaxFit();
  virtual void applyAutoRange() {}
};

// nullptr goes back to the headless shell. The shell must outlive its use.
void gf_installParkAirportShell(ParkAirportShell* shell);
ParkAirportShell& gf_parkAirportShell();

} // namespace gwr
