// Test harness: an RGB picture of a window, its pixels and a PNG file of it for
// a person to look at after the run.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
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
// Keeps the picture as <name>.png for a person to look at: in
// $GWR_TEST_ARTEFACTS/window, else in the build's artefact folder.
bool gf_keepPicture(const std::string& name, const RgbImage& image);
// Reads a PNG as gf_writePng writes them (8-bit RGB, unfiltered rows, not
// interlaced); nothing for a missing, broken or otherwise made file.
std::optional<RgbImage> gf_readPng(const std::filesystem::path& file);

// How far two pictures of the same size lie apart: the pixels with a channel
// more than the threshold off, and the largest channel difference of all.
struct ImageDifference {
  bool sameSize = false;
  int differingPixels = 0;
  int maxChannelDifference = 0;
  double differingShare(const RgbImage& image) const {
    const double all = static_cast<double>(image.width) * image.height;
    return all > 0 ? differingPixels / all : 0.0;
  }
};
ImageDifference gf_compare(const RgbImage& a, const RgbImage& b, int threshold);

} // namespace gwr::testsupport
