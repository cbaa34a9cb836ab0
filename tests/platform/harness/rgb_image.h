// Test harness: an RGB picture of a window, its pixels and a PNG file of it for
// a person to look at after the run.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "platform/ui/ui_types.h"

namespace gwr::testsupport {

struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;  // rows top to bottom, 3 bytes a pixel

  platform::Rgb at(int x, int y) const;
  // Every pixel of the rectangle equals the colour.
  bool allOf(const platform::Rect& area, platform::Rgb colour) const;
  // How many pixels of the rectangle differ from the colour.
  int countNot(const platform::Rect& area, platform::Rgb colour) const;
  RgbImage crop(const platform::Rect& area) const;
  friend bool operator==(const RgbImage&, const RgbImage&) = default;
};

// Writes an 8-bit RGB PNG; false when the file cannot be written.
bool gf_writePng(const std::filesystem::path& file, const RgbImage& image);

} // namespace gwr::testsupport
