// The picture type of the window tests and a small PNG writer on zlib (one
// IDAT chunk of unfiltered rows), with the reader of such files.
#include "platform/harness/rgb_image.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <iterator>
#include <fstream>
#include <string_view>

#include <zlib.h>

namespace gwr::testsupport {

namespace {

constexpr std::array<std::uint8_t, 8> pngSignature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::uint8_t bitDepth = 8;
constexpr std::uint8_t colourTypeRgb = 2;
constexpr std::uint8_t filterNone = 0;

void lf_putBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void lf_putChunk(std::vector<std::uint8_t>& out, std::string_view type, const std::vector<std::uint8_t>& data) {
  lf_putBigEndian(out, static_cast<std::uint32_t>(data.size()));
  std::vector<std::uint8_t> typed(type.begin(), type.end());
  typed.insert(typed.end(), data.begin(), data.end());
  out.insert(out.end(), typed.begin(), typed.end());
  lf_putBigEndian(out, static_cast<std::uint32_t>(::crc32(0L, typed.data(), static_cast<uInt>(typed.size()))));
}

std::uint32_t lf_bigEndian(const std::vector<std::uint8_t>& in, std::size_t at) {
  return (std::uint32_t{in[at]} << 24) | (std::uint32_t{in[at + 1]} << 16) | (std::uint32_t{in[at + 2]} << 8) |
         std::uint32_t{in[at + 3]};
}

} // namespace

platform::Rgb RgbImage::at(int x, int y) const {
  const auto offset = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 3;
  return platform::Rgb{pixels[offset], pixels[offset + 1], pixels[offset + 2]};
}

int RgbImage::countNot(const platform::Rect& area, platform::Rgb colour) const {
  int differing = 0;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x)
      if (!(at(x, y) == colour)) ++differing;
  return differing;
}

bool RgbImage::allOf(const platform::Rect& area, platform::Rgb colour) const { return countNot(area, colour) == 0; }

RgbImage RgbImage::crop(const platform::Rect& area) const {
  RgbImage part{area.width(), area.height(), {}};
  for (int y = area.top; y < area.bottom; ++y) {
    const auto row = pixels.begin() + (static_cast<std::ptrdiff_t>(y) * width + area.left) * 3;
    part.pixels.insert(part.pixels.end(), row, row + static_cast<std::ptrdiff_t>(area.width()) * 3);
  }
  return part;
}

bool gf_writePng(const std::filesystem::path& file, const RgbImage& image) {
  std::vector<std::uint8_t> rows;
  const auto rowBytes = static_cast<std::size_t>(image.width) * 3;
  for (int y = 0; y < image.height; ++y) {
    rows.push_back(filterNone);
    const auto row = image.pixels.begin() + static_cast<std::ptrdiff_t>(y * rowBytes);
    rows.insert(rows.end(), row, row + static_cast<std::ptrdiff_t>(rowBytes));
  }
  uLongf packedSize = ::compressBound(static_cast<uLong>(rows.size()));
  std::vector<std::uint8_t> packed(packedSize);
  if (::compress(packed.data(), &packedSize, rows.data(), static_cast<uLong>(rows.size())) != Z_OK) return false;
  packed.resize(packedSize);

  std::vector<std::uint8_t> header;
  lf_putBigEndian(header, static_cast<std::uint32_t>(image.width));
  lf_putBigEndian(header, static_cast<std::uint32_t>(image.height));
  header.insert(header.end(), {bitDepth, colourTypeRgb, 0, 0, 0});  // deflate, adaptive filters, no interlace

  std::vector<std::uint8_t> out(pngSignature.begin(), pngSignature.end());
  lf_putChunk(out, "IHDR", header);
  lf_putChunk(out, "IDAT", packed);
  lf_putChunk(out, "IEND", {});
  std::ofstream stream(file, std::ios::binary);
  stream.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
  return static_cast<bool>(stream);
}

bool gf_keepPicture(const std::string& name, const RgbImage& image) {
  const char* chosen = std::getenv("GWR_TEST_ARTEFACTS");
  const std::filesystem::path folder =
      chosen != nullptr ? std::filesystem::path(chosen) / "window" : std::filesystem::path(GWR_WINDOW_ARTEFACTS);
  std::filesystem::create_directories(folder);
  return gf_writePng(folder / (name + ".png"), image);
}

std::optional<RgbImage> gf_readPng(const std::filesystem::path& file) {
  std::ifstream stream(file, std::ios::binary);
  if (!stream) return std::nullopt;
  const std::vector<std::uint8_t> in((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
  if (in.size() < pngSignature.size() || !std::equal(pngSignature.begin(), pngSignature.end(), in.begin()))
    return std::nullopt;
  RgbImage image;
  std::vector<std::uint8_t> packed;
  bool header = false;
  for (std::size_t at = pngSignature.size(); at + 12 <= in.size();) {
    const std::uint32_t length = lf_bigEndian(in, at);
    if (length > in.size() - at - 12) return std::nullopt;
    const std::string_view type(reinterpret_cast<const char*>(&in[at + 4]), 4);
    const std::size_t data = at + 8;
    if (type == "IHDR") {
      if (length != 13 || in[data + 8] != bitDepth || in[data + 9] != colourTypeRgb || in[data + 12] != 0)
        return std::nullopt;
      image.width = static_cast<int>(lf_bigEndian(in, data));
      image.height = static_cast<int>(lf_bigEndian(in, data + 4));
      header = image.width > 0 && image.height > 0 && image.width <= 16384 && image.height <= 16384;
    } else if (type == "IDAT") {
      packed.insert(packed.end(), in.begin() + static_cast<std::ptrdiff_t>(data),
                    in.begin() + static_cast<std::ptrdiff_t>(data + length));
    } else if (type == "IEND") {
      break;
    }
    at = data + length + 4;
  }
  if (!header) return std::nullopt;
  const auto rowBytes = static_cast<std::size_t>(image.width) * 3;
  std::vector<std::uint8_t> rows((rowBytes + 1) * static_cast<std::size_t>(image.height));
  uLongf unpackedSize = static_cast<uLongf>(rows.size());
  if (::uncompress(rows.data(), &unpackedSize, packed.data(), static_cast<uLong>(packed.size())) != Z_OK ||
      unpackedSize != rows.size())
    return std::nullopt;
  image.pixels.reserve(rowBytes * static_cast<std::size_t>(image.height));
  for (int y = 0; y < image.height; ++y) {
    const auto row = rows.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(y) * (rowBytes + 1));
    if (*row != filterNone) return std::nullopt;
    image.pixels.insert(image.pixels.end(), row + 1, row + 1 + static_cast<std::ptrdiff_t>(rowBytes));
  }
  return image;
}

ImageDifference gf_compare(const RgbImage& a, const RgbImage& b, int threshold) {
  ImageDifference difference;
  difference.sameSize = a.width == b.width && a.height == b.height && a.pixels.size() == b.pixels.size();
  if (!difference.sameSize) return difference;
  for (std::size_t pixel = 0; pixel + 2 < a.pixels.size(); pixel += 3) {
    int largest = 0;
    for (std::size_t channel = 0; channel < 3; ++channel)
      largest = std::max(largest, std::abs(int{a.pixels[pixel + channel]} - int{b.pixels[pixel + channel]}));
    difference.maxChannelDifference = std::max(difference.maxChannelDifference, largest);
    if (largest > threshold) ++difference.differingPixels;
  }
  return difference;
}

} // namespace gwr::testsupport
