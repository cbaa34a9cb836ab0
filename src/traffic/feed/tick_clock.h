// The traffic engine's tick clock: passes of 10 ms of the tick loop, counted
// only while the simulator runs a flight. Traffic records are due against it.
#pragma once

#include <atomic>
#include <cstdint>

namespace gwr {

// Written by the traffic thread at the end of each running pass; read by the
// traffic reader thread to stamp records, hence atomic.
extern std::atomic<std::int32_t> tickCount;

} // namespace gwr
