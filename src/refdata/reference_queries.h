// Questions asked of the reference database: a model's category and half
// wingspan, known codes, equivalent prefixes, publishers and their airports.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "refdata/ac_category.h"

namespace gwr {

// The airline codes of generic liveries and of private aircraft.
inline constexpr std::string_view genericAirlineCode = "ZZZ";
inline constexpr std::string_view privateAirlineCode = "PVT";

// Half wingspans (nm) for a model beyond the wingspan table, by category:
// typical spans of 11, 20, 36, 65, 12 and 14 metres.
inline constexpr double defaultHalfSpanLightNm = 11.0 / 2 / 1852;
inline constexpr double defaultHalfSpanBuzjetsNm = 20.0 / 2 / 1852;
inline constexpr double defaultHalfSpanLargeNm = 36.0 / 2 / 1852;
inline constexpr double defaultHalfSpanHeavyNm = 65.0 / 2 / 1852;
inline constexpr double defaultHalfSpanHighPerfNm = 12.0 / 2 / 1852;
inline constexpr double defaultHalfSpanRotorcraftNm = 14.0 / 2 / 1852;

// The first of large, heavy, buzjet, rotorcraft, high_performance that lists
// the model index; Light when none does.
AcCategory gf_modelCategory(std::uint16_t model);
// The same for a code, interned into the model pool on the way.
AcCategory gf_modelCategoryOfCode(const std::string& code);

bool gf_isIcaoModel(const std::string& code);    // not empty and known
bool gf_isIcaoAirline(const std::string& code);  // not empty and known

// Half wingspan in nm: 0.0 for a model without a wingspan; for an index
// beyond the wingspan table the default of its category (logged).
double gf_halfWingspan(std::uint16_t model);
double gf_defaultHalfSpan(AcCategory category);

// The prefixes equivalent to prefix (a shared empty list when none). With
// RANDOM on the stored list is shuffled in place first. Traffic thread only.
std::vector<std::string>& gf_equivalentPrefixes(const std::string& prefix);

// The path's UTF-8 text contains text, ASCII letters compared without case;
// an empty text is always contained.
bool gf_pathContainsNoCase(const std::filesystem::path& path, std::string_view text);

// The first name of the first publisher group with a name in text (ASCII
// letters compared without case); none for an empty text or no match.
std::optional<std::string> gf_publisherOfPath(const std::string& text);

// Whether the publisher lists airport in the 2020 or the 2024 table.
bool gf_isThirdPartyAirport(bool edition2020, const std::string& publisher, const std::string& airport);

} // namespace gwr
