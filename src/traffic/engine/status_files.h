// The engine's two small file outputs: the minute status file of the live
// aircraft in the simulator, and the AI flight plans given to their objects.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "refdata/aircraft_description.h"
#include "traffic/engine/live_ac.h"

namespace gwr {

// "{};{};{};{};{};{};{}": object id, callsign, registration, airline, model,
// GND or AIR, PARKED or empty.
std::string gf_statusLine(const LiveAc& aircraft);
// Rewrites "ObjectIdList.txt" with a line per active live aircraft; a failure
// is logged as "Failed to write {}". True when written.
bool lf_writeStatusFile(const std::vector<LiveAc>& live, const std::filesystem::path& file);

// Sets flightPlanFolder to base / "orig_dest" and creates it; true when the
// folder exists afterwards.
bool gf_createFlightPlanFolder(const std::filesystem::path& base);
std::filesystem::path gf_flightPlanPath(std::uint32_t objectId);
// The eight lines and the closing empty line of a plan.
std::string gf_flightPlanText(const AcDescription& aircraft);
// False when the file could not be opened or the write did not complete.
bool gf_writeFlightPlan(const std::filesystem::path& file, const AcDescription& aircraft);

} // namespace gwr
