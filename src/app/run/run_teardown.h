// The program's own parts of closing down: how the traffic side is stopped,
// what a run leaves behind is cleared, and the owners are reset for a restart.
#pragma once

#include "app/run/closing_down.h"

#include <functional>

namespace gwr {

// The closing-down steps of the real program; post reaches the window or the
// headless run loop.
ClosingDownSteps gf_programClosingDownSteps(std::function<void(RunMessage)> post);

// Removes the flight-plan folder with what is left in it; a failure is logged
// as "gf_removeFlightPlanFolder: {}".
void gf_removeFlightPlanFolder();

} // namespace gwr
