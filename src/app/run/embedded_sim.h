// The emulated simulator of a run on a computer without the simulator: its
// world from the package tree's world file and the GWR_* environment.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/sim/sim_world.h"

namespace gwr {

inline constexpr std::string_view embeddedWorldFileName = "world.txt";  // in the packages folder
inline constexpr std::string_view packagesVariable = "GWR_PACKAGES";
inline constexpr std::string_view airportVariable = "GWR_AIRPORT";
inline constexpr std::string_view defaultEmbeddedAirport = "EDDF";  // where the feeder's scenarios fly
inline constexpr double embeddedRunSeconds = 600.0;     // a world without a quit step quits after this
inline constexpr std::size_t generatedStandCount = 12;  // a row of gates where the world knows no parking
inline constexpr double generatedStandSpacingM = 60.0;
inline constexpr double generatedStandRowNorthM = 150.0;  // the row's distance north of the airport's point
inline constexpr float generatedStandRadiusM = 25.0F;
inline constexpr std::int32_t generatedStandType = 5;  // a gate for large and heavy aircraft
inline constexpr std::string_view embeddedUserTitle = "Airbus A320 Neo Asobo";
inline constexpr std::string_view embeddedUserModel = "A20N";
inline constexpr std::uint32_t embeddedUserObjectId = 100;  // AI objects get ids above it, as in the simulator

struct EmbeddedWorld {
  simemu::World world;
  std::string userAirport;  // where the user aircraft is parked; empty: where the world file puts it
};

// The packages folder named by GWR_PACKAGES; empty when it is not set.
std::filesystem::path gf_embeddedPackagesFolder();

// The world of the run: the world file in packages (or an empty one, logged),
// the livery titles installed below packages, the user aircraft parked at the
// first stand of the airport GWR_AIRPORT names (else of the world file's user
// position, else of EDDF), a generated row of stands at that airport when the
// world knows none (with GWR_FEED, where none of the recording's traffic moves
// near the ground), the clock at now and a quit step when the file has none.
// Needs the airports table for an airport the world file does not hold.
EmbeddedWorld gf_embeddedWorld(const std::filesystem::path& packages);

// The stand file of the user's airport in "my_simaddon", marked hand-made so
// that the airport scan keeps it, when no stand file of the airport is found.
// True when one was written.
bool gf_writeEmbeddedStandFile(const simemu::World& world, const std::string& icao);

// Once per process, before the first run: builds the world, writes the stand
// file, resets the emulated simulator to it with a running flight and raises
// its frames in real time until the process ends.
void gf_setUpEmbeddedSimulator(const std::filesystem::path& packages);

} // namespace gwr
