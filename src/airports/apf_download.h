// Archived stand files from the web site, and the nearest stand of an airport
// to a position, which the closest-airport search asks for.
#pragma once

#include <filesystem>
#include <string>

#include "core/fixed_code.h"
#include "core/geo.h"

namespace gwr {

inline constexpr std::string_view closestStandFileName = "airport.xml";

// The archived file's address for the simulator edition in use.
std::string gf_archivedApfUrl(const std::string& stored);

// Fetches the stored path into destination. Empty on success, else
// "failed to download: '<url>'"; a failure leaves no destination file.
std::string gf_downloadArchivedApf(const std::string& stored, const std::filesystem::path& destination);

// Distance in nm from position to the airport's nearest stand, whose id goes
// to standId; noStandDistanceNm when there is no stand file or no stand.
// Installed as the answer of gf_readDestApfForClosestStand.
double gf_findClosestStand(FixedCode<4> icao, const LatLon& position, std::string& standId);

// Installs the closest-stand search into the airports table's seam.
void gf_installClosestStandSearch();

} // namespace gwr
