// Fixed-length codes of 3 or 4 characters (airline, airport, aircraft type),
// stored in N bytes of upper-case letters and digits; all zero means none.
#pragma once

#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

#include <fmt/format.h>

namespace gwr {

// Kept out of line of the constexpr constructor so that constant
// initialisation of valid codes never touches the formatting code.
[[noreturn]] inline void gf_throwInvalidFixedCode(std::string_view text) {
  throw std::invalid_argument(fmt::format("'{}' FixedCode: invalid string (length/charset)", text));
}

template <std::size_t N>
class FixedCode {
  static_assert(N == 3 || N == 4, "FixedCode holds 3 or 4 characters");

 public:
  static constexpr std::size_t size = N;

  constexpr FixedCode() = default;

  // Exactly N characters from A-Z, a-z (folded up) and 0-9; anything else
  // throws std::invalid_argument naming the text as given.
  constexpr explicit FixedCode(std::string_view text) {
    if (text.size() != N) gf_throwInvalidFixedCode(text);
    std::array<char, N> folded{};
    for (std::size_t i = 0; i < N; ++i) {
      char c = text[i];
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      const bool valid = (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
      if (!valid) gf_throwInvalidFixedCode(text);
      folded[i] = c;
    }
    bytes = folded;
  }

  constexpr bool empty() const { return bytes[0] == 0; }

  // The N characters; the empty code reads as N blanks.
  constexpr std::string_view view() const {
    if (empty()) return std::string_view(blanks, N);
    return std::string_view(bytes.data(), N);
  }
  std::string text() const { return std::string(view()); }

  constexpr bool operator==(const FixedCode&) const = default;
  // Byte by byte, so codes sort alphabetically with digits before letters.
  constexpr auto operator<=>(const FixedCode&) const = default;

 private:
  static constexpr const char* blanks = "    ";
  std::array<char, N> bytes{};
};

// Placeholder for an unknown 3-character code.
inline constexpr FixedCode<3> unknownCode3{"XXX"};

// 64-bit FNV-1a over the text.
constexpr std::uint64_t gf_fnv1a64(std::string_view text) {
  constexpr std::uint64_t offsetBasis = 0xcbf29ce484222325ULL;
  constexpr std::uint64_t prime = 0x100000001b3ULL;
  std::uint64_t hash = offsetBasis;
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= prime;
  }
  return hash;
}

} // namespace gwr

template <std::size_t N>
struct std::hash<gwr::FixedCode<N>> {
  std::size_t operator()(const gwr::FixedCode<N>& code) const noexcept {
    return static_cast<std::size_t>(gwr::gf_fnv1a64(code.view()));
  }
};

// Formats like its text, so width and alignment specs apply.
template <std::size_t N>
struct fmt::formatter<gwr::FixedCode<N>> : fmt::formatter<std::string_view> {
  template <typename FormatContext>
  auto format(const gwr::FixedCode<N>& code, FormatContext& ctx) const {
    return fmt::formatter<std::string_view>::format(code.view(), ctx);
  }
};
