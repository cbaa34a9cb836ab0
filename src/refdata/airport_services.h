// What the airports table asks of the airports and stands part, which sits in
// a higher layer and installs its answers at start-up.
#pragma once

#include <string>
#include <unordered_set>

#include "core/fixed_code.h"
#include "core/geo.h"

namespace gwr {

// The answer when an airport has no stand file or no stand in it.
inline constexpr double noStandDistanceNm = 100.0;

// Distance in nm from position to the nearest stand of airport, that stand's
// identifier written to standId.
using ClosestStandReader = double (*)(FixedCode<4> airport, const LatLon& position, std::string& standId);

// Installs the airports part's reader (nullptr: back to the answer "no stand").
void gf_installClosestStandReader(ClosestStandReader reader);

// Asks the installed reader; without one, noStandDistanceNm and an empty standId.
double gf_readDestApfForClosestStand(FixedCode<4> airport, const LatLon& position, std::string& standId);

// Airport codes the traffic source supports: filled by the airport scan
// before it walks the scenery and emptied when it ends; read by the search
// for airport codes in texts on the same thread.
extern std::unordered_set<FixedCode<4>> rtAirportCodes;

} // namespace gwr
