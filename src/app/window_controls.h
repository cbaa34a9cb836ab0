// The main window's controls: made in their rows when the window opens, and
// set for the loaded settings when a run starts.
#pragma once

#include "platform/ui/window.h"

namespace gwr {

// On the window thread, once the window is open.
void lf_createControls(platform::Window& window);

// The controls for the loaded settings, at the start of each run.
void lf_enableControlsAfterStart();

} // namespace gwr
