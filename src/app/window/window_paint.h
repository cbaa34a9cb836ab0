// Painting the main window's client area: five bands of text and coloured
// boxes drawn from the window's shown state, the controls drawn over them.
#pragma once

#include <string>

#include "platform/ui/painter.h"

namespace gwr {

// The whole client area, on the window thread.
void lf_paint(platform::Painter& painter);

// Once per traffic second: the live and parked counters, repainting the band
// that shows a changed one.
void refreshLiveCounts();

// "{:.0f}" for a whole value, else "{:.1f}".
std::string gf_numberText(float value);

} // namespace gwr
