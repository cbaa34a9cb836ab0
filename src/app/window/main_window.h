// The main window of the program: opened on the window thread, it starts each
// run's start-up thread and ends the process when a run asks it to.
#pragma once

#include <cstdint>
#include <functional>

#include "app/run/run.h"

#include "platform/ui/window.h"

namespace gwr {

inline constexpr int mainClientWidth = 880;
inline constexpr int mainClientHeight = 477;

// Opens the window at its stored position, makes its controls and connects
// the message line, the repaints and the control surface to it.
bool gf_initInstance(platform::Window& window);

// The window's reactions, on the window thread.
void lf_onStartUp(platform::Window& window);     // the next run's start-up thread
void lf_onSaveAndQuit(platform::Window& window); // the position saved, the event loop ended
void lf_onClose();                               // the close button asks the run to end

// Pulls the stored position onto a screen's work area with the title bar on a
// screen, saving a corrected one.
void lf_keepWindowOnMonitor(platform::Window& window, int fallbackX, int fallbackY);

// Runs the program's runs in the open window until one ends it; a true
// closeSignalled (polled) acts as the close button. Returns the exit code.
std::int32_t gf_runWindowed(platform::Window& window, const RunOptions& options,
                            const std::function<bool()>& closeSignalled = {});

// The window goes: nothing reaches it any more.
void gf_releaseMainWindow();

// A display that ends under the window closes the run down as the close
// button would, logged; the process then ends with the display-lost code.
void gf_installDisplayLossHandlers();
// On the window thread, whose display is gone: the run asked to end and
// joined; returns the exit code.
int lf_onDisplayLost();

// The open main window, or nullptr (headless runs and before it opens).
platform::Window* gf_mainWindowHandle();

} // namespace gwr
