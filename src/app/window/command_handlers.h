// What the window's controls do. Handlers run on the window thread and reach
// the traffic thread only through its request flags.
#pragma once

#include <atomic>
#include <string>

#include "core/geo.h"
#include "platform/ui/window.h"

namespace gwr {

class StringParameter;

// False when the control is not one of the program's (or the event is none
// of its). A handler that fails shows why and leaves the settings as they were.
bool lf_handleCommand(platform::ControlId id, platform::ControlEvent event);

// AUTO_RANGE switched: on remembers the manual range and sets the automatic
// one, off goes back to the remembered range.
void gf_applyAutoRange();
// The traffic range from the user's height above ground.
void gf_autoRange();
// The radius in nm the automatic range picks.
int gf_autoRangeNm(bool onGround, double heightAboveGroundFt, double nearestParkAirportNm);

// The text-entry boxes' operations, also used by the buttons and start-up.
void lf_enterInstallPath(StringParameter& editionPath, const std::string& text);
void lf_enterBlockCallsign();
void lf_blockCallsign(const std::string& callsign);
void lf_unblockCallsign();
void lf_enterDestination();
// A destination airport entered or kept from the settings.
void lf_newDestination(const std::string& code, const LatLon& position);

// The livery tables are read by the traffic thread without a lock, so the
// window only marks them; the start-up thread empties them before it builds
// them anew, while no traffic runs.
void gf_markLiveryTablesForRebuild();
// Start-up thread, before the livery processing: true when they were marked
// (and are now empty, to be built by the processing).
bool gf_rebuildLiveryTablesIfMarked();

} // namespace gwr
