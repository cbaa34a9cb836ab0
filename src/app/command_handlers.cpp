#include "app/command_handlers.h"

namespace gwr {

bool lf_handleCommand(platform::ControlId, platform::ControlEvent) { return false; }

void gf_autoRange() {}

void lf_newDestination(const std::string&, const LatLon&) {}

} // namespace gwr
