// The event loop shared by the window backends: passes until quit.
#include "platform/ui/window.h"

#include "platform/ui/ui_tunables.h"

namespace gwr::platform {

int Window::run() {
  while (runOnce(tunables::loopWaitSeconds)) {
  }
  return exitCode();
}

} // namespace gwr::platform
