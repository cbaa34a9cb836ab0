// The elevation check: the effective user is root, unless a test has fixed
// the answer.
#include "platform/sys/elevation.h"

#include <atomic>
#include <unistd.h>

namespace gwr::platform {

namespace {
constexpr int lf_noOverride = -1;
std::atomic<int> elevatedOverride{lf_noOverride};  // -1, or 0/1 from a test
}

bool isElevated() {
  const int fixed = elevatedOverride.load();
  if (fixed != lf_noOverride) return fixed != 0;
  return ::geteuid() == 0;
}

void setElevatedForTests(std::optional<bool> elevated) {
  elevatedOverride.store(elevated ? (*elevated ? 1 : 0) : lf_noOverride);
}

} // namespace gwr::platform
