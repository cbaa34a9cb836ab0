// Tunable numbers of the traffic feeder: ports, report timing and the
// RealTraffic line layout it reproduces.
#pragma once

#include <cstdint>

#include "traffic/feed/feed_constants.h"

namespace gwr::feeder {

inline constexpr std::uint16_t defaultTrafficPort = 49005;  // UDP, one traffic line per datagram
inline constexpr std::uint16_t defaultPressurePort = 49004; // UDP, {"QNH":...}
inline constexpr std::uint16_t defaultLinkPort = 10747;     // TCP, the program listens

inline constexpr double minReportSpacingSeconds = 1.0;    // reports of one aircraft are more than this apart
inline constexpr double defaultReportIntervalSeconds = 2.0;
inline constexpr double defaultPressureIntervalSeconds = 10.0;

inline constexpr int trafficLineFieldCount = 29;  // fields 0..28
inline constexpr int timestampField = 14;         // seconds since 1970
inline constexpr double timestampsPerSecond = 100.0;  // time stamps are written in hundredths
inline constexpr int idField = 1;
inline constexpr std::uint32_t lowestLiveId = 10001;  // ids up to 10000 belong to the program's parked aircraft

inline constexpr double maxAltitudeFeet = 60000.0;
inline constexpr double minAltitudeFeet = -2000.0;
inline constexpr double maxGroundSpeedKnots = 1000.0;
inline constexpr double maxVerticalSpeedFpm = 20000.0;  // either sign
inline constexpr double stationaryFeet = 1.0;           // a leg shorter than this has no track of its own
inline constexpr double maxReportOffsetMetres = 100000.0;  // a report's position off its waypoint, either way

// A run of the program shows a replay whole when it lasts the replay, the
// program's delay behind the reports, and a margin for the last reports'
// manoeuvres to play out and their aircraft to be removed.
inline constexpr double programTicksPerSecond = 100.0;  // the program's 10 ms traffic ticks
inline constexpr double programDelaySeconds = gwr::dueDelayTicks / programTicksPerSecond;
inline constexpr double replayRunMarginSeconds = 120.0;

inline constexpr std::size_t maxLinkLineBytes = 16384;  // a link line longer than this is dropped
inline constexpr double linkRetrySeconds = 1.0;         // between connection attempts

} // namespace gwr::feeder
