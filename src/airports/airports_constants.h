// The tunable numbers of the airports and stands part, each with its unit,
// kept in one place so that the readers, writer and searches agree.
#pragma once

#include <cstddef>
#include <cstdint>

namespace gwr {

inline constexpr double nmPerMetre = 0.0005399568034557236;  // 1 / 1852

inline constexpr std::size_t halfHoursPerDay = 48;
inline constexpr std::uint32_t firstWeekday = 1;
inline constexpr std::uint32_t lastWeekday = 7;

inline constexpr std::size_t reservedOverlaps = 8;       // per stand record
inline constexpr std::size_t reservedStandIds = 512;     // ids seen while reading one file
inline constexpr double overlapDistanceFactor = 1.1;     // stands overlap when 1.1 x distance < r1 + r2
inline constexpr std::int16_t highestStandType = 15;     // the simulator's parking types 0..15
inline constexpr double largestStandRadiusMetres = 500.0;  // beyond this a radius is taken as garbage

// Generated stand files name their scenery by its whole path. No setting cuts
// it to begin at "Community"; these stay off until one is offered.
inline constexpr bool cutBglPathForSharing = false;
inline constexpr bool cutBglPathForArchive = false;

// Quality factor weights by stand radius in metres.
// Stand weights by the radius as the record holds it, in nautical miles: stands
// of real sizes all weigh as small ones, so the weights cancel.
inline constexpr double smallStandRadiusNm = 7.0;
inline constexpr double mediumStandRadiusNm = 10.0;
inline constexpr double smallStandWeight = 0.3;
inline constexpr double mediumStandWeight = 1.5;
inline constexpr double otherStandWeight = 1.0;
inline constexpr double qualityScale = 0.00625;             // score -> percent
inline constexpr std::int64_t optionCountScore = 20;        // per option of a group
inline constexpr std::int64_t optionCountScoreCap = 4000;
inline constexpr std::int64_t groupBaseScore = 10000;
inline constexpr std::int64_t dayScore = 100;               // per distinct weekday
inline constexpr std::int64_t halfHourScore = 2;            // per set half-hour
inline constexpr std::int64_t halfHourCountCap = 600;
inline constexpr std::int16_t anySizeStandType = 12;        // not counted in the quality factors

// Settings that the airport file's quality factors steer when no learned file exists.
inline constexpr std::int32_t sparseRealQuality = 3;    // below: lean on soft flights
inline constexpr std::int32_t richRealQuality = 45;     // above: real flights alone suffice
inline constexpr float sparseAirportMaxFitHours = 24.0F;
inline constexpr std::int32_t fullParkingPercent = 100;  // airports table stands value 1
inline constexpr std::int32_t halfParkingPercent = 50;   // stands value 2
inline constexpr std::int32_t defaultParkingPercent = 30;

// The BGL scenery reader.
inline constexpr int bglMaxRecordPasses = 9000;            // records of one section, subrecords of one airport
inline constexpr std::int32_t bglLowestAltitudeFt = -20;   // outside these an altitude is taken as 0
inline constexpr std::int32_t bglHighestAltitudeFt = 10000;
inline constexpr double bglNullPositionDeg = 0.0001;       // both coordinates this close to 0: no position
inline constexpr double bglSameHelipadDeg = 1e-08;         // closer helipads are one helipad
inline constexpr double squareHelipadRadiusFactor = 0.7;   // of the width, facility helipads of type 2

// An archived stand file of the largest airports has a few hundred kilobytes.
inline constexpr std::uint64_t archivedStandFileMaxBytes = 8ULL * 1024 * 1024;

} // namespace gwr
