// The program's answers to what the lower layers ask of the window: the
// airport scan's notices and button, the park airport's controls, and the
// display's share of each traffic second and the automatic range.
#pragma once

namespace gwr {

// Installs them all; once per process, before the first run.
void gf_installProgramShells();

} // namespace gwr
