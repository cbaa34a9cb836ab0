// Strict UTF-8 <-> UTF-16 conversion and the Windows-1252 table, written here
// because the platform has no MultiByteToWideChar.
#include "platform/sys/codepage.h"

#include <array>
#include <cstdint>

namespace gwr::platform {

namespace {

constexpr char32_t lf_maxCodePoint = 0x10FFFF;
constexpr char32_t lf_surrogateFirst = 0xD800;
constexpr char32_t lf_lowSurrogateFirst = 0xDC00;
constexpr char32_t lf_surrogateLast = 0xDFFF;
constexpr char32_t lf_firstSupplementary = 0x10000;

// Windows-1252 bytes 80..9F; the five undefined ones keep their own value.
constexpr std::array<char16_t, 32> lf_cp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool lf_isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

void lf_appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < lf_firstSupplementary) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

} // namespace

std::optional<std::string> utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= lf_surrogateFirst && cp <= lf_surrogateLast) {
      // Only a high surrogate followed by a low one forms a code point.
      if (cp >= lf_lowSurrogateFirst || i + 1 >= text.size()) return std::nullopt;
      const char32_t low = text[i + 1];
      if (low < lf_lowSurrogateFirst || low > lf_surrogateLast) return std::nullopt;
      cp = lf_firstSupplementary + ((cp - lf_surrogateFirst) << 10) + (low - lf_lowSurrogateFirst);
      ++i;
    }
    lf_appendUtf8(out, cp);
  }
  return out;
}

std::optional<std::u16string> utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    char32_t cp = 0;
    char32_t smallest = 0;  // below it the sequence is overlong
    if (lead < 0x80) {
      out += static_cast<char16_t>(lead);
      ++i;
      continue;
    }
    if ((lead & 0xE0) == 0xC0) {
      length = 2;
      cp = lead & 0x1F;
      smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3;
      cp = lead & 0x0F;
      smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4;
      cp = lead & 0x07;
      smallest = lf_firstSupplementary;
    } else {
      return std::nullopt;
    }
    if (i + length > text.size()) return std::nullopt;
    for (std::size_t k = 1; k < length; ++k) {
      const auto byte = static_cast<unsigned char>(text[i + k]);
      if (!lf_isContinuation(byte)) return std::nullopt;
      cp = (cp << 6) | (byte & 0x3F);
    }
    if (cp < smallest || cp > lf_maxCodePoint) return std::nullopt;
    if (cp >= lf_surrogateFirst && cp <= lf_surrogateLast) return std::nullopt;
    if (cp < lf_firstSupplementary) {
      out += static_cast<char16_t>(cp);
    } else {
      const char32_t offset = cp - lf_firstSupplementary;
      out += static_cast<char16_t>(lf_surrogateFirst + (offset >> 10));
      out += static_cast<char16_t>(lf_lowSurrogateFirst + (offset & 0x3FF));
    }
    i += length;
  }
  return out;
}

std::u16string ansiToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    // 00..7F and A0..FF are the same code points as Latin-1.
    out += (byte >= 0x80 && byte <= 0x9F) ? lf_cp1252High[byte - 0x80] : static_cast<char16_t>(byte);
  }
  return out;
}

} // namespace gwr::platform
