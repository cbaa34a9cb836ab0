#include "app/window_paint.h"

#include <cmath>
#include <fmt/format.h>

namespace gwr {

void lf_paint(platform::Painter&) {}

void refreshLiveCounts() {}

std::string gf_numberText(float value) {
  return std::floor(value) == value ? fmt::format("{:.0f}", value) : fmt::format("{:.1f}", value);
}

} // namespace gwr
