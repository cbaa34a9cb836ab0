// The main window's colours, in the platform's blue-green-red order: the
// bands, boxes and texts it paints and the field of its edit boxes.
#pragma once

#include "platform/ui/ui_types.h"

namespace gwr::windowColour {

inline constexpr platform::ColourRef red = 0x0000FF;
inline constexpr platform::ColourRef lightBlue = 0xFFCC99;
inline constexpr platform::ColourRef black = 0x000000;
inline constexpr platform::ColourRef lime = 0x32CD32;
inline constexpr platform::ColourRef yellow = 0x00FFFF;
inline constexpr platform::ColourRef grey = 0xA0A0A0;
inline constexpr platform::ColourRef white = 0xFFFFFF;
// Edit boxes are filled like the controls band they sit on.
inline constexpr platform::ColourRef editBoxField = lightBlue;

} // namespace gwr::windowColour
