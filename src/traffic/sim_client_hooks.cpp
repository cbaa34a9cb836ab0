// The simulator client's installed hooks and the display state it shares
// with the main window.
#include "traffic/sim_client_hooks.h"

#include <mutex>

#include "core/run_state.h"

namespace gwr {
namespace {
std::mutex hooksMutex;
SimClientHooks installed;
std::mutex displayMutex;

SimClientHooks current() {
  std::lock_guard lock(hooksMutex);
  return installed;
}
} // namespace

std::atomic<bool> simConnectedDisplay{false};
std::atomic<bool> simRunningDisplay{false};
std::atomic<bool> userWingspanKnown{false};
std::string simVersionText;
std::string userTitleText;
std::string userModelText;
std::string userStandText;

void gf_installSimClientHooks(const SimClientHooks& hooks) {
  std::lock_guard lock(hooksMutex);
  installed = hooks;
}

void gf_stopRun(std::string_view exitReason, std::int32_t restartDelaySeconds) {
  if (auto hook = current().stopRun) {
    hook(exitReason, restartDelaySeconds);
  } else {
    stopRequested.store(true);
  }
}

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

void gf_repaintSimDisplay() {
  if (auto hook = current().repaint) hook();
}

void gf_setSimDisplayText(std::string& field, const std::string& text) {
  std::lock_guard lock(displayMutex);
  field = text;
}

std::string gf_simDisplayText(const std::string& field) {
  std::lock_guard lock(displayMutex);
  return field;
}

} // namespace gwr
