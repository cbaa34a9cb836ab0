// The livery matcher: picks the title of an installed livery for a live or a
// static parked aircraft, step by step from its registration to any livery
// of its category, as deep as the setting MATCHING_DEPTH allows.
#pragma once

#include <cstdint>
#include <string_view>

#include "refdata/aircraft_description.h"

namespace gwr {

// The step that produced a title, as logged in "={}=".
enum class MatchStep : std::uint8_t {
  UniqueRegistration = 0,
  Registration = 1,
  AirlineModel = 2,
  SimilarModel = 3,
  Generic = 4,
  AnyAirlineModel = 5,
  AnyAirlineSimilarModel = 6,
};

// What the parked matcher reads of the stand a static aircraft is placed at;
// the airports part fills it from its stand record.
struct StandMatchFields {
  std::string_view standId;  // printed padded to 8 on a miss
  std::uint8_t cargo = 0;    // 1: a cargo stand, generic steps prefer cargo liveries
};

// Sets the aircraft's livery (empty on a miss) and, on a match, its FSLTL
// flag; counts and logs the step. Traffic thread; never throws on a miss.
void gf_matchLiveAircraft(AcDescription& aircraft);

// The same search for a static parked aircraft, logging every outcome but
// counting nothing; true when the aircraft holds a title on return.
bool gf_matchParkedAircraft(AcDescription& aircraft, const StandMatchFields& stand);

// The word livery titles of an airline contain; "not found" for other codes.
std::string_view gf_airlineTitleKeyword(std::string_view airlineCode);

// The registration up to and including the first '-', else its first
// character; empty for an empty registration.
std::string_view gf_registrationPrefix(std::string_view registration);

} // namespace gwr
