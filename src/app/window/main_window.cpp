// The main window's own behaviour: its opening at a position kept on a screen,
// the start of each run's thread, the close button and the end of the process.
#include "app/window/main_window.h"

#include "app/run/closing_down.h"
#include "app/run/run.h"
#include "app/window/command_handlers.h"
#include "app/window/message_line.h"
#include "app/window/window_controls.h"
#include "app/window/window_paint.h"
#include "core/clock.h"
#include "core/exit_reason.h"
#include "core/log.h"
#include "core/main_window_state.h"
#include "core/run_state.h"
#include "core/settings_catalogue.h"
#include "core/settings_file.h"
#include "core/status_line.h"
#include "core/version.h"
#include "traffic/engine/realtraffic_link.h"

#include <algorithm>
#include <atomic>
#include <ctime>
#include <fmt/format.h>
#include <string>
#include <thread>
#include <vector>

namespace gwr {

namespace {

// Part of the window that stays on the work area whatever the stored position.
constexpr int minimumVisible = 48;
constexpr int defaultWindowX = 400;
constexpr int defaultWindowY = 20;

std::atomic<platform::Window*> mainWindow{nullptr};
// The running start-up thread; window thread only.
std::jthread startUpThread;
RunOptions windowRunOptions;
std::atomic<bool> quitAsked{false};

// One axis of the rule: a window wider than the work area starts at its left
// edge; at least minimumVisible pixels stay inside.
int lf_keepOnAxis(int start, int size, int workStart, int workEnd) {
  if (size > workEnd - workStart) start = workStart;
  if (start + size < workStart + minimumVisible) start = workStart + minimumVisible - size;
  if (start > workEnd - minimumVisible) start = workEnd - minimumVisible;
  return start;
}

// True when the title bar's top edge (titleBar pixels above the rectangle)
// lies on a screen's work area, at least minimumVisible pixels of it; the
// bar may reach down onto the screen below.
bool lf_titleBarOnScreen(const platform::Rect& placed, int titleBar, const std::vector<platform::Rect>& screens) {
  const int edge = placed.top - titleBar;
  return std::any_of(screens.begin(), screens.end(), [&](const platform::Rect& work) {
    const int shown = std::min(placed.right, work.right) - std::max(placed.left, work.left);
    return edge >= work.top && edge < work.bottom && shown >= minimumVisible;
  });
}

void lf_resetOutOfRange(NumberParameter<std::int32_t>& position, int fallback) {
  if (position.current() != position.min && position.current() != position.max) return;
  position.setCurrent(position.clamped(fallback));
  position.save();
}

void lf_post(platform::Window& window, RunMessage message) {
  window.post([&window, message] {
    if (message == RunMessage::startUp) {
      lf_onStartUp(window);
    } else {
      lf_onSaveAndQuit(window);
    }
  });
}

} // namespace

platform::Window* gf_mainWindowHandle() { return mainWindow.load(); }

void lf_keepWindowOnMonitor(platform::Window& window, int fallbackX, int fallbackY) {
  lf_resetOutOfRange(MAIN_WINDOW_X, fallbackX);
  lf_resetOutOfRange(MAIN_WINDOW_Y, fallbackY);
  const platform::Rect now = window.windowRect();
  const int x = MAIN_WINDOW_X.current();
  const int y = MAIN_WINDOW_Y.current();
  const platform::Rect placed{x, y, x + now.width(), y + now.height()};
  const platform::Rect work = window.workAreaNearest(placed);
  const int left = lf_keepOnAxis(x, placed.width(), work.left, work.right);
  int top = lf_keepOnAxis(y, placed.height(), work.top, work.bottom);
  // Above the screen only the window's bottom may be left: the user could not
  // reach the title bar to move it.
  const int titleBar = window.titleBarHeight();
  const platform::Rect kept{left, top, left + placed.width(), top + placed.height()};
  if (!lf_titleBarOnScreen(kept, titleBar, window.workAreas())) top = work.top + titleBar;
  if (left != x || top != y) {
    MAIN_WINDOW_X.setCurrent(MAIN_WINDOW_X.clamped(left));
    MAIN_WINDOW_Y.setCurrent(MAIN_WINDOW_Y.clamped(top));
    MAIN_WINDOW_X.save();
    MAIN_WINDOW_Y.save();
  }
  if (now.left != MAIN_WINDOW_X.current() || now.top != MAIN_WINDOW_Y.current()) {
    window.moveTo(MAIN_WINDOW_X.current(), MAIN_WINDOW_Y.current());
  }
}

bool gf_initInstance(platform::Window& window) {
  gf_readWindowPosition();
  window.setHandlers(platform::WindowHandlers{
      [](platform::Painter& painter) { lf_paint(painter); },
      [](platform::ControlId id, platform::ControlEvent event) { lf_handleCommand(id, event); },
      [] { lf_onClose(); }});
  const platform::WindowSpec spec{std::string(programName), MAIN_WINDOW_X.current(), MAIN_WINDOW_Y.current(),
                                  mainClientWidth, mainClientHeight, controlsBand};
  if (!window.open(spec)) return false;
  lf_createControls(window);
  platform::gf_setControlSurface(&window);
  gf_installWindowInvalidator([&window](const platform::Rect& band) { window.invalidate(band); });
  mainWindow.store(&window);
  // Only an open window has a size and a screen to be kept on.
  lf_keepWindowOnMonitor(window, defaultWindowX, defaultWindowY);
  return true;
}

void lf_onClose() {
  setStatusText(fmt::format("Close window button clicked, closing {} ...", programName), false);
  quitRequested.store(true);
  lf_closeRealTrafficLink();
  gf_requestUserStop();
}

void lf_onStartUp(platform::Window& window) {
  // The previous run has posted this as its last act: it ends soon, and no
  // two runs may overlap.
  if (startUpThread.joinable()) {
    startUpThread.request_stop();
    startUpThread.join();
  }
  startUpThread = std::jthread([&window] {
    lf_startUpGWRT(windowRunOptions, [&window](RunMessage message) { lf_post(window, message); });
  });
}

void lf_onSaveAndQuit(platform::Window& window) {
  const platform::Rect placed = window.windowRect();
  const int rememberedX = MAIN_WINDOW_X.current();
  const int rememberedY = MAIN_WINDOW_Y.current();
  MAIN_WINDOW_X.setCurrent(MAIN_WINDOW_X.clamped(placed.left));
  MAIN_WINDOW_Y.setCurrent(MAIN_WINDOW_Y.clamped(placed.top));
  MAIN_WINDOW_X.save();
  MAIN_WINDOW_Y.save();
  lf_keepWindowOnMonitor(window, rememberedX, rememberedY);
  gf_log(gf_timeText(std::time(nullptr)));
  quitAsked.store(true);
  window.quit(exitCode.load());
}

std::int32_t gf_runWindowed(platform::Window& window, const RunOptions& options,
                            const std::function<bool()>& closeSignalled) {
  windowRunOptions = options;
  quitAsked.store(false);
  lf_post(window, RunMessage::startUp);
  while (window.runOnce(0.1)) {
    if (closeSignalled && closeSignalled()) lf_onClose();
  }
  // A window lost without the run's say (its display gone) still ends the
  // run properly before the process does.
  if (!quitAsked.load()) lf_onClose();
  if (startUpThread.joinable()) startUpThread.join();
  gf_releaseMainWindow();
  return window.exitCode();
}

int lf_onDisplayLost() {
  gf_logError("The window's display is gone: closing down");
  lf_onClose();
  // Its closing down needs nothing of this thread: what it posts here stays queued.
  if (startUpThread.joinable()) startUpThread.join();
  return platform::displayLostExitCode;
}

void gf_installDisplayLossHandlers() {
  platform::gf_setDisplayLossHandlers(
      platform::DisplayLossHandlers{[](const std::string& why) { gf_logError(why); }, &lf_onDisplayLost});
}

void gf_releaseMainWindow() {
  gf_installWindowInvalidator({});
  platform::gf_setControlSurface(nullptr);
  mainWindow.store(nullptr);
}

} // namespace gwr
