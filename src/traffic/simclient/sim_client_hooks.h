// What the simulator client needs from the layers above it: the disconnect
// handler and the user's stand. What it shows goes to the main window's state.
#pragma once

#include <string>

namespace gwr {

struct SimClientHooks {
  // The simulator is gone; otherEdition: the other edition answered.
  void (*handleSimDisconnect)(bool otherEdition) = nullptr;
  // The stand of the park airport at the position (nearest within its radius), or "".
  std::string (*standAtPosition)(double latitude, double longitude) = nullptr;
  // Stores the stand as the park airport's reserved stand (when it differs).
  void (*reserveUserStand)(const std::string& standId) = nullptr;
};

// Installs the hooks (copied); an unset hook does nothing.
void gf_installSimClientHooks(const SimClientHooks& hooks);
SimClientHooks gf_simClientHooks();  // a copy of those installed
void gf_reportSimDisconnect(bool otherEdition);
std::string gf_standAtPosition(double latitude, double longitude);
void gf_reserveUserStand(const std::string& standId);

} // namespace gwr
