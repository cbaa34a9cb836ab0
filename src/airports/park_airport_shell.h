// What the park airport's stand table asks of the main window: its stand,
// publisher and quality fields and a few controls; headless until installed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace gwr {

// The shell installs its own at start-up. The defaults keep the settings
// consistent (RANGE with its derived values, MAX_FIT_FL with MAX_FIT) and put
// the counts and texts into the main window's statistics band.
class ParkAirportShell {
public:
  virtual ~ParkAirportShell() = default;
  virtual void showStandCount(std::size_t count);
  // Only a count that differs from the shown one repaints.
  virtual void showUpdateCount(std::uint32_t count);
  // The handmade mark shows as " (h)" after the airport's texts.
  virtual void showPublisher(const std::string& text, bool handmade);
  virtual void showQuality(const std::string& text);
  virtual void enableFlushStatic(bool /*enabled*/) {}
  virtual void enableNowButton(bool /*enabled*/) {}
  // The DESTINATION box, and the "Re-read" button once its request is done.
  virtual void enableDestination(bool /*enabled*/) {}
  virtual void enableRereadButton(bool /*enabled*/) {}
  // RANGE takes the value (clamped) with the range in nm and metres.
  virtual void setRange(std::int32_t rangeNm);
  // MAX_FIT_FL follows MAX_FIT (gf_maxFitHours).
  virtual void selectMaxFit();
  virtual void applyAutoRange() {}
};

// nullptr goes back to the headless shell. The shell must outlive its use.
void gf_installParkAirportShell(ParkAirportShell* shell);
ParkAirportShell& gf_parkAirportShell();

} // namespace gwr
