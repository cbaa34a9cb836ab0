// The airports table: every known airport with its codes, position, altitude
// and stand count, read once per process from "airports.enc".
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "core/decrypt.h"
#include "core/fixed_code.h"
#include "core/geo.h"
#include "refdata/airport_code_set.h"

namespace gwr {

inline constexpr std::size_t expectedAirportCount = 15000;  // reserved before reading
inline constexpr double atAirportRadiusNm = 5.0;            // an aircraft this close is at the airport
inline constexpr double metresPerNm = 1852.0;
inline constexpr int airportsReadErrorCode = 88;

struct AirportRecord {
  FixedCode<4> icao;
  FixedCode<3> iata;         // unknownCode3 when the file gives none
  double latitude = 0.0;     // degrees
  double longitude = 0.0;    // degrees
  float altitude = 0.0F;     // as in the file (feet)
  std::int32_t stands = 0;
};

// Sorted by ICAO code once read; read-only afterwards, so readers need no lock.
extern std::vector<AirportRecord> airportsTable;
extern AirportCodeSet airportCodeSet;

// Decrypts "input/airports.enc" in memory and reads it, once per process;
// later calls only answer.
// True when the table holds at least one airport. Throws UserErrorException
// 88 when the file cannot be read as a whole.
bool gf_readAirports();
// The same from other files and key (tests, benchmarks).
bool gf_readAirportsFrom(const std::filesystem::path& encrypted, const DataFileKey& key);
// Tests only: forget the table so that the next read starts afresh.
void gf_clearAirportsForTests();

// The airport an aircraft at position is taken to be at: the closest one
// within atAirportRadiusNm, or its last displaced rival when that one has a
// stand nearer to position. Null when none is that close.
const AirportRecord* gf_findClosestAirport(const LatLon& position);

bool gf_isKnownAirport(FixedCode<4> code);
// The table's record of code, or null when it is not listed.
const AirportRecord* gf_findAirport(FixedCode<4> code);

// The first code in text, a path or title say, that the traffic source
// supports and the table knows; else the last supported one; else none.
std::optional<FixedCode<4>> gf_findAirportCodeInText(std::string_view text);

} // namespace gwr
