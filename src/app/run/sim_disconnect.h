// What the shell does when the simulator goes away: another edition answered
// (switch the configured edition and restart) or the simulator was closed.
#pragma once

namespace gwr {

// Switches to the other simulator edition: the scanned liveries and tables go,
// both scans are switched on and the run restarts with NEW SETTINGS.
void lf_switchSimVersion();

// Called by the simulator client when its connection ends; nothing when the
// run is already stopping.
void gf_handleSimDisconnect(bool otherEdition);

// Makes the simulator client report its disconnects here.
void gf_installSimDisconnectHandler();

} // namespace gwr
