// Tunable numbers of the RealTraffic feed: ports, buffer sizes, time-outs,
// queue bound and the fixed limits of the traffic line rules.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace gwr {

inline constexpr std::uint16_t trafficPort = 49005;  // UDP, traffic lines
inline constexpr std::uint16_t qnhPort = 49004;      // UDP, pressure datagrams

inline constexpr std::size_t datagramBufferBytes = 16384;  // a datagram must be shorter
inline constexpr std::chrono::milliseconds readerReceiveTimeout{1000};  // stop flag seen within this

inline constexpr std::int32_t dueDelayTicks = 3000;          // 30 s of 10 ms ticks
inline constexpr std::size_t trafficQueueLimit = 4096;       // records; the oldest go first when full

inline constexpr std::size_t fieldViewsReserved = 64;
inline constexpr std::size_t trafficLineMinFields = 29;      // indexes 0..28 are read
inline constexpr std::uint32_t highestStaticHexid = 10000;   // live ids lie above
inline constexpr std::size_t maxRegistrationChars = 12;
inline constexpr double minPositionDegrees = 0.0001;         // closer to 0,0 is no position
inline constexpr double groundTrafficRadiusNm = 5.0;         // ground reports only this near the park airport

inline constexpr double standardQnhHpa = 1013.25;
inline constexpr std::int32_t startQnhHpa = 1013;
inline constexpr double feetPerHectopascal = 27.0;
inline constexpr double groundTestCeilingFt = 14000.0;       // no ground tests from here up
inline constexpr double unknownFieldElevationFt = -1000.0;
inline constexpr double slowOnGroundKt = 35.0;               // at or below: on the ground at any height
inline constexpr double airborneOnlyMarginFt = 150.0;

inline constexpr std::int32_t minQnhHpa = 900;
inline constexpr std::int32_t maxQnhHpa = 1100;
inline constexpr double hpaPerHundredthInHg = 0.33865307;
inline constexpr double maxInHgAsDecimal = 40.0;  // a value up to this is inches of mercury

} // namespace gwr
