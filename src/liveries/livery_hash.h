// FNV-1a hashing of the livery tables' keys: 16-bit code indexes and title
// texts, the latter usable for look-ups by any text without a copy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/fixed_code.h"

namespace gwr {

struct CodeIndexHash {
  std::size_t operator()(std::uint16_t index) const noexcept {
    const char bytes[2] = {static_cast<char>(index & 0xFFU), static_cast<char>(index >> 8U)};
    return static_cast<std::size_t>(gf_fnv1a64(std::string_view(bytes, 2)));
  }
};

struct TitleHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view text) const noexcept { return static_cast<std::size_t>(gf_fnv1a64(text)); }
  std::size_t operator()(const std::string& text) const noexcept { return (*this)(std::string_view(text)); }
};

struct TitleEqual {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const noexcept { return a == b; }
};

} // namespace gwr
