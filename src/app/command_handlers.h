// What the window's controls do. Handlers run on the window thread and reach
// the traffic thread only through its request flags.
#pragma once

#include <string>

#include "core/geo.h"
#include "platform/ui/window.h"

namespace gwr {

// False when the control is not one of the program's.
bool lf_handleCommand(platform::ControlId id, platform::ControlEvent event);

// The traffic range from the user's height above ground.
void gf_autoRange();

// A destination airport entered or kept from the settings.
void lf_newDestination(const std::string& code, const LatLon& position);

} // namespace gwr
