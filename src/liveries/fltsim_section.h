// One [fltsim.N] section of an ordinary aircraft.cfg file turned into a
// livery record, or rejected with its reasons in the scan report lists.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "liveries/aircraft_cfg_sections.h"
#include "liveries/livery_record.h"

namespace gwr {

// Longer atc_id pieces are no registration.
inline constexpr std::size_t maxRegistrationLength = 12;  // characters

// Zero or one record. lines: the header line first, then the section's lines;
// trailing empty and "//" lines are removed from it. Problems go to
// IncompleteSectionLines and InvalidAirlineLines; an exception is logged and
// thrown on.
LiveryList gf_procesFltSimSection(const CfgFileContext& context, std::vector<std::string>& lines);

// Whether upper-cased parking types make a cargo livery: CARGO without GATE.
bool gf_isCargoParking(std::string_view types);

// The trimmed comma pieces of an atc_id value, or none when the value is
// no valid registration list: no piece, an empty piece, a piece longer than
// maxRegistrationLength or one with '*'.
std::optional<std::vector<std::string>> gf_registrationPieces(const std::string& value);

// Removes trailing lines that are empty or begin with "//".
void gf_dropTrailingComments(std::vector<std::string>& lines);

} // namespace gwr
