// The event loop shared by the window backends: passes of runOnce until quit
// is asked for, then the exit code.
#include "platform/ui/window.h"

#include "platform/ui/ui_tunables.h"

namespace gwr::platform {

int Window::run() {
  while (runOnce(tunables::loopWaitSeconds)) {
  }
  return exitCode();
}

} // namespace gwr::platform
