// Where the user's generated row of gates goes in a replay of recorded
// traffic: clear of every place the recording's traffic moves near the ground.
#pragma once

#include <cstddef>
#include <istream>
#include <optional>
#include <string_view>
#include <vector>

#include "core/geo.h"

namespace gwr {

inline constexpr std::string_view feedVariable = "GWR_FEED";  // the recording the feeder replays
inline constexpr double replayNearGroundFt = 500.0;   // traffic this low over the field counts
inline constexpr double replayClearanceM = 300.0;     // every gate at least this far from it
inline constexpr double replayRingStepM = 150.0;      // rings of candidate places round the airport's point
inline constexpr std::size_t replayRings = 20;        // out to 3 km
inline constexpr double replayBearingStepDeg = 30.0;
inline constexpr double replayCellM = 25.0;           // recorded places merged to cells this size

// Metres east and north of an airport's point.
struct MetresOffset {
  double eastM = 0.0, northM = 0.0;
};

// How far east gate `i` (from 0) of a row of `count` gates `spacingM` apart,
// west to east, lies when the row is centred `centreEastM` east.
double gf_rowGateEastM(double centreEastM, std::size_t count, double spacingM, std::size_t i);

// The places of the recording's traffic lines (fields 2, 3, 4: latitude,
// longitude, altitude) on the ground or within replayNearGroundFt of the
// field and within the airport's reach, merged to cells; lines that are not
// traffic lines are skipped.
std::vector<MetresOffset> gf_recordedNearGround(std::istream& recording, LatLon airport, double fieldFt);

// The centre of a row of `count` gates `spacingM` apart (east to west) that
// lies at least replayClearanceM from every place: `preferred` when it does,
// else the nearest candidate on the rings round the point; none when none does.
std::optional<MetresOffset> gf_clearRowCentre(const std::vector<MetresOffset>& traffic, MetresOffset preferred,
                                              std::size_t count, double spacingM);

} // namespace gwr
