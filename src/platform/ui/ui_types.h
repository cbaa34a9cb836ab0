// Plain values the window layer speaks in: rectangles in client pixels and
// colours in the program's blue-green-red order, with their conversion to RGB.
#pragma once

#include <cstdint>

namespace gwr::platform {

// Left and top are inside, right and bottom just outside, as the program
// writes its bands: (0,28)-(880,112) is 880 x 84 pixels.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  constexpr int width() const { return right - left; }
  constexpr int height() const { return bottom - top; }
  constexpr bool empty() const { return right <= left || bottom <= top; }
  friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

// 0x00BBGGRR: the program's colour values keep the platform's byte order.
using ColourRef = std::uint32_t;

struct Rgb {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  friend constexpr bool operator==(const Rgb&, const Rgb&) = default;
};

constexpr Rgb gf_rgbOf(ColourRef colour) {
  return Rgb{static_cast<std::uint8_t>(colour & 0xFFU), static_cast<std::uint8_t>((colour >> 8) & 0xFFU),
             static_cast<std::uint8_t>((colour >> 16) & 0xFFU)};
}

} // namespace gwr::platform
