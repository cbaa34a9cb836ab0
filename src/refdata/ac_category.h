// The size category of an aircraft type and its names, shared by the
// reference queries, the aircraft description and the livery tables.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace gwr {

enum class AcCategory : std::uint32_t { Light = 0, Buzjets = 1, Large = 2, Heavy = 3, HighPerf = 4, Rotorcraft = 5 };

inline constexpr std::size_t acCategoryCount = 6;

constexpr std::size_t gf_categorySlot(AcCategory category) { return static_cast<std::size_t>(category); }

// "Light", "Buzjets", "Large", "Heavy", "HighPerf", "Rotorcraft"; a value
// outside the enumeration throws std::out_of_range.
std::string_view gf_categoryName(AcCategory category);

} // namespace gwr
