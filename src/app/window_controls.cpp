#include "app/window_controls.h"

namespace gwr {

void lf_createControls(platform::Window&) {}

void lf_enableControlsAfterStart() {}

} // namespace gwr
