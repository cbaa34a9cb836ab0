// The user's park airports: my_park_airports.txt with a reserved stand per
// airport, read into a list nearest first, and its front entry written back.
#pragma once

#include <cstddef>
#include <filesystem>
#include <list>
#include <string>

#include "core/fixed_code.h"
#include "core/geo.h"
#include "core/paths.h"

namespace gwr {

inline constexpr std::size_t maxParkAirports = 100000;     // "list too long" beyond
inline constexpr std::size_t manyParkAirportsWarning = 3000;

struct ParkAirport {
  std::string reservedStand;  // empty = none
  LatLon position;            // degrees, from the airports table
  double distanceNm = 0.0;    // to the user aircraft
  FixedCode<4> code;
};

// Front first; traffic thread only (and start-up before it runs).
extern std::list<ParkAirport> parkAirports;

// Throws std::length_error "list too long" when the list is full.
void gf_insertParkAirport(ParkAirport entry, bool atFront);

// Reads file (and the my_thirdparty files) into the list; false when a line
// named an invalid or unknown airport or the file could not be read. Bad
// lines are skipped with their message; the others are read.
bool lf_readMyParkAirports(const std::filesystem::path& file = myParkAirportsFile);
// Rewrites file with the front entry's line, sorted and without repeats. A
// file that exists but cannot be read is left alone (false).
bool gf_writeParkAirportEntry(const std::filesystem::path& file = myParkAirportsFile);

} // namespace gwr
