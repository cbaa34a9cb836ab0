// Process-wide state of the current run that the core reads and the traffic
// and shell layers write.
#pragma once

#include <atomic>
#include <cstdint>

namespace gwr {

// Time stamp of the traffic being received, seconds since 1970 UTC; 0 when unknown.
extern std::atomic<double> trafficTime;
// The program clock follows trafficTime only while set; Aerowinx feeds run on
// the computer's clock.
extern std::atomic<bool> clockOnTrafficTime;

// Set when the run must end (restart or quit); cleared when a new run starts.
extern std::atomic<bool> stopRequested;
// Set on a request to stop at once; cleared when a new run starts.
extern std::atomic<bool> quitRequested;

// True while MSFS 2020 is in use, false for MSFS 2024; true before the first run.
extern std::atomic<bool> SimEdition;
// 1 for MSFS 2020 (also before start-up sets it), 2 for MSFS 2024.
extern std::atomic<std::int32_t> simNumber;

inline bool gf_stopping() { return stopRequested.load() || quitRequested.load(); }

} // namespace gwr
