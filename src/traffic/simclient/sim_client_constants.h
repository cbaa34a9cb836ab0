// Tunable numbers of the simulator client: retry and dispatch pacing, queue
// reservations, and the limits of the user-aircraft and identification rules.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace gwr {

inline constexpr auto simOpenRetryDelay = std::chrono::milliseconds(100);
inline constexpr auto simDispatchPause = std::chrono::milliseconds(1);
inline constexpr auto simError791Wait = std::chrono::seconds(10);
inline constexpr std::size_t simQueueReserve = 256;               // entries per queue at the start of a run
inline constexpr std::int32_t simErrorRestartSeconds = 9;         // SIMCONNECT ERROR
inline constexpr double teleportDistanceNm = 10.0;                // a larger user jump is a new flight
inline constexpr double unknownPositionDeg = 0.0001;              // at most this from 0, 0 counts as no position
inline constexpr double newObjectMaxHeightFt = 2500.0;            // higher ground reports are not posted
inline constexpr std::size_t userTitleMaxChars = 48;
inline constexpr double saveStandMaxGroundSpeedKt = 2.0;
inline constexpr std::uint32_t staticHexidLimit = 10000;          // hexids at or below are static aircraft
inline constexpr std::uint32_t fullScaleEventValue = 16383;       // event data of a full lever

} // namespace gwr
