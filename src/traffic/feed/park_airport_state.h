// The park airport as the other threads see it: its airports-table record
// (code, position, elevation), set and cleared by the traffic thread.
#pragma once

#include <optional>

#include "refdata/airports_table.h"

namespace gwr {

// Makes record the park airport; a record with code 0 means none.
void gf_setParkAirport(const AirportRecord& record);
// No park airport (left, or the engine reset).
void gf_clearParkAirport();
// A copy of the park airport's record; none while no park airport is known.
std::optional<AirportRecord> gf_parkAirport();

} // namespace gwr
