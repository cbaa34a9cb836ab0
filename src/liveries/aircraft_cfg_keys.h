// Reading single "key = value" lines of an aircraft.cfg file: the raw value,
// the quote and comment rule, and the readers of the keys the scan uses.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/text_utils.h"

namespace gwr {

inline constexpr std::string_view titleKey = "title";
inline constexpr std::string_view textureKey = "texture";
inline constexpr std::string_view atcIdKey = "atc_id";
inline constexpr std::string_view parkingTypesKey = "atc_parking_types";
inline constexpr std::string_view icaoAirlineKey = "icao_airline";
inline constexpr std::string_view icaoTypeDesignatorKey = "icao_type_designator";
inline constexpr std::string_view baseContainerKey = "base_container";

// Shorter atc_id values are no registration.
inline constexpr std::size_t minAtcIdLength = 5;      // characters
inline constexpr std::size_t modelCodeMaxLength = 4;  // characters kept of a type designator

// The value of a line that is exactly: blanks, the key (any letter case, the
// whole word), blanks, "=", blanks, a value with at least one non-blank
// character, blanks. The value is cut before a ';' comment that comes ahead
// of any double quote, and trailing blanks go. Empty when the line is not
// that key or has no value.
std::string gf_readCfgKey(std::string_view line, std::string_view key);

// Without a double quote: the value whole. Otherwise the text between the
// first and second double quote, unchanged; empty when there is no second
// quote or nothing between them.
std::string gf_unquoteCfgValue(std::string_view value);

// The raw value with the quote rule applied.
std::string gf_readCfgValue(std::string_view line, std::string_view key);

// The bool readers write their out parameter only when they return true.
bool gf_readTitle(std::string_view line, std::string& title);
bool gf_readTexture(std::string_view line, std::string& texture);
bool gf_readAtcId(std::string_view line, std::string& registration);  // at least minAtcIdLength
bool gf_readParkingTypes(std::string_view line, std::string& types);
// True for every icao_airline line with a value: "ZZZ" for an empty quoted
// value or "ZZZZ", otherwise the value upper-cased (ASCII).
bool gf_readIcaoAirline(std::string_view line, std::string& airline);
// The designator cut to 4 characters and upper-cased; empty for none.
std::string gf_readIcaoTypeDesignator(std::string_view line);

// Whether a line mentions the key again, anywhere (comments included), in
// exactly these bytes: "atc_id=" written without a blank, "atc_parking_types".
bool gf_hasAtcIdKey(std::string_view line);
bool gf_hasParkingTypesKey(std::string_view line);

// A letter, digit or '_' (ASCII), as in IVAO folder names and titles.
inline bool gf_isWordChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

} // namespace gwr
