// The park airport as the other threads see it: its airports-table record
// (code, position, elevation), set and cleared by the traffic thread.
#pragma once

#include <optional>

#include "core/geo.h"
#include "refdata/airports_table.h"

namespace gwr {

// Makes record the park airport; a record with code 0 means none.
void gf_setParkAirport(const AirportRecord& record);
// No park airport (left, or the engine reset).
void gf_clearParkAirport();
// A copy of the park airport's record; none while no park airport is known.
std::optional<AirportRecord> gf_parkAirport();
// The park airport's field elevation (feet); none while no park airport is
// known, or when `near` is given and lies more than atAirportRadiusNm from it.
std::optional<double> gf_parkElevationFt(std::optional<LatLon> near = std::nullopt);

} // namespace gwr
