// The livery key: airline, operator and model indexes with the cargo and
// from-database flags, packed into 8 bytes, and its text form.
#pragma once

#include <cstdint>
#include <string>

namespace gwr {

struct LivKey {
  std::uint16_t airline = 0;          // airlinePool index, 0 = none
  std::uint16_t airlineOperator = 0;  // airlinePool index, 0 = none
  std::uint16_t model = 0;            // modelPool index, 0 = none
  std::uint8_t cargo = 0;             // 1 for a cargo aircraft or livery
  std::uint8_t fromDbase = 0;         // 1 when taken from a registration record

  // airline | operator << 16 | model << 32 | cargo << 48 | fromDbase << 56
  constexpr std::uint64_t packed() const {
    return std::uint64_t{airline} | std::uint64_t{airlineOperator} << 16U | std::uint64_t{model} << 32U |
           std::uint64_t{cargo} << 48U | std::uint64_t{fromDbase} << 56U;
  }
  static constexpr LivKey fromPacked(std::uint64_t value) {
    return LivKey{static_cast<std::uint16_t>(value), static_cast<std::uint16_t>(value >> 16U),
                  static_cast<std::uint16_t>(value >> 32U), static_cast<std::uint8_t>(value >> 48U),
                  static_cast<std::uint8_t>(value >> 56U)};
  }

  constexpr bool operator==(const LivKey&) const = default;

  // "{:3}{:4} {:4}{}{:3}": airline; "," and the operator when there is one;
  // model; '.' when from the database, else a blank; "(C)" when cargo.
  std::string keyText() const;
};

static_assert(sizeof(LivKey) == 8, "the livery key packs into 8 bytes");

} // namespace gwr
