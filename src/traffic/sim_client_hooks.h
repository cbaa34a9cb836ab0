// What the simulator client needs from the layers above it (the run's stop
// with its exit reason, the disconnect handler, the user's stand) and the
// display state it leaves for the main window.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

namespace gwr {

inline constexpr std::string_view newFlightExitReason = "NEW FLIGHT";
inline constexpr std::string_view simConnectErrorExitReason = "SIMCONNECT ERROR";

struct SimClientHooks {
  // Stops the run with its reason and restart delay; the first setter of a run wins.
  void (*stopRun)(std::string_view exitReason, std::int32_t restartDelaySeconds) = nullptr;
  // The simulator is gone; otherEdition: the other edition answered.
  void (*handleSimDisconnect)(bool otherEdition) = nullptr;
  // The stand of the park airport at the position (nearest within its radius), or "".
  std::string (*standAtPosition)(double latitude, double longitude) = nullptr;
  // Stores the stand as the park airport's reserved stand (when it differs).
  void (*reserveUserStand)(const std::string& standId) = nullptr;
  void (*repaint)() = nullptr;
};

// Installs the hooks (copied); an unset hook does nothing, an unset stopRun
// still sets stopRequested.
void gf_installSimClientHooks(const SimClientHooks& hooks);
void gf_stopRun(std::string_view exitReason, std::int32_t restartDelaySeconds);
void gf_reportSimDisconnect(bool otherEdition);
std::string gf_standAtPosition(double latitude, double longitude);
void gf_reserveUserStand(const std::string& standId);
void gf_repaintSimDisplay();

// The main window's view of the simulator, written by the SimClient thread.
extern std::atomic<bool> simConnectedDisplay;
extern std::atomic<bool> simRunningDisplay;
extern std::atomic<bool> userWingspanKnown;
void gf_setSimDisplayText(std::string& field, const std::string& text);
std::string gf_simDisplayText(const std::string& field);
extern std::string simVersionText;   // "MSFS 2020 (11.0.282174.999)"
extern std::string userTitleText;
extern std::string userModelText;    // "Unknown (encrypted?) aircraft" when none came
extern std::string userStandText;    // empty: the default text

} // namespace gwr
