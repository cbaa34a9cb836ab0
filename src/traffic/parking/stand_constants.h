// Tunable numbers of the stand logic of the park airport: search radii,
// size margins, the collision factor and the learning windows.
#pragma once

#include <cstddef>
#include <cstdint>

#include "airports/airports_constants.h"

namespace gwr {

inline constexpr double noStandYetNm = 900.0;                    // start of every nearest-stand walk
inline constexpr double birthSearchNm = 55.0 * nmPerMetre;       // stand search at birth, and the wide one
inline constexpr double narrowSearchNm = 20.0 * nmPerMetre;      // parking without the wide search
inline constexpr double tooSmallChoiceNm = 20.0 * nmPerMetre;    // a too small stand this near is taken all the same
inline constexpr double wideSecondChoiceNm = 85.0 * nmPerMetre;  // a stand the flight used before, this far
inline constexpr double untypedSizeMarginNm = 1.8 * nmPerMetre;  // half wingspan may exceed the radius by this
inline constexpr double shrunkRadiusMarginNm = 1.0 * nmPerMetre; // a too small stand's new radius: half span less this
inline constexpr double userStandNm = 55.0 * nmPerMetre;
inline constexpr double birthAirportNm = 5.0;                    // a birth this near the park airport gets a stand
inline constexpr double birthSlowKt = 5.0;
inline constexpr double birthSameSpotNm = 35.0 * nmPerMetre;
inline constexpr double wingCollisionFactor = 1.1;               // (half span + half span) x 1.1 >= distance

// Learning: a stay is stretched over at most this many half-hours since the last sighting.
inline constexpr std::int32_t stretchSlotsCargo = 12;
inline constexpr std::int32_t stretchSlotsHeavy = 8;
inline constexpr std::int32_t stretchSlotsOther = 6;
inline constexpr std::int32_t slotsPerWeek = 336;
inline constexpr std::int32_t pairWindowSlotsHeavy = 14;
inline constexpr std::int32_t pairWindowSlotsOther = 10;

// Room reserved once for parking's lists (entries each).
inline constexpr std::size_t standTableReserve = 512;
inline constexpr std::size_t parkedEntryReserve = 512;
// The static parking plan's lists: parked live aircraft, kept static ones, removals.
inline constexpr std::size_t parkedLiveReserve = 64;
inline constexpr std::size_t keptStaticReserve = 256;
inline constexpr std::size_t staticRemovalReserve = 256;

} // namespace gwr
