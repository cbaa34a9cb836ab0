// The traffic engine's tick clock.
// It starts at 0 and only the tick loop advances it.
#include "traffic/feed/tick_clock.h"

namespace gwr {

std::atomic<std::int32_t> tickCount{0};

} // namespace gwr
