// The simulator client's installed hooks.
#include "traffic/simclient/sim_client_hooks.h"

#include <mutex>


namespace gwr {
namespace {
std::mutex hooksMutex;
SimClientHooks installed;

SimClientHooks current() {
  std::lock_guard lock(hooksMutex);
  return installed;
}
} // namespace

void gf_installSimClientHooks(const SimClientHooks& hooks) {
  std::lock_guard lock(hooksMutex);
  installed = hooks;
}

SimClientHooks gf_simClientHooks() { return current(); }

void gf_reportSimDisconnect(bool otherEdition) {
  if (auto hook = current().handleSimDisconnect) hook(otherEdition);
}

std::string gf_standAtPosition(double latitude, double longitude) {
  auto hook = current().standAtPosition;
  return hook ? hook(latitude, longitude) : std::string();
}

void gf_reserveUserStand(const std::string& standId) {
  if (auto hook = current().reserveUserStand) hook(standId);
}

} // namespace gwr
