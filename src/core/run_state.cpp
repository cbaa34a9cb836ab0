// Definitions of the run-wide globals; see run_state.h.
#include "core/run_state.h"

namespace gwr {

std::atomic<double> trafficTime{0.0};
std::atomic<bool> clockOnTrafficTime{true};
std::atomic<bool> stopRequested{false};
std::atomic<bool> quitRequested{false};
std::atomic<bool> SimEdition{true};
std::atomic<std::int32_t> simNumber{1};

} // namespace gwr
