// Tunable numbers of the traffic engine: the tick schedule, throttling,
// buffering and removal limits, and the sizes reserved once per process.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace gwr {

inline constexpr auto tickPeriod = std::chrono::milliseconds(10);
inline constexpr auto lateRebase = std::chrono::milliseconds(100);      // later than this: skip missed passes
inline constexpr auto userWaitPeriod = std::chrono::milliseconds(500);
inline constexpr auto simStartPoll = std::chrono::milliseconds(100);

// The RealTraffic link: connections the system queues before the link takes
// them (a connection beyond them finds its SYN dropped and the client sends it
// again, after a second and then ever later, until the link has taken queued
// ones or the client gives up), connections asked for their version at once,
// and how often the run step looks at them while it waits for RealTraffic
// (also the pause after a failed accept, which would otherwise repeat at once).
inline constexpr int linkListenBacklog = 32;
inline constexpr std::size_t linkWaitingPeersMost = 32;
inline constexpr auto linkWaitSlice = std::chrono::milliseconds(50);
// A send finds no room only once the peer has left a full buffer unread for
// minutes, so a short wait suffices and keeps the traffic loop (and a close)
// moving; a client that does not answer the version request in the handshake
// time is not RealTraffic (it is never waited for: it is looked at again at
// each send of the user position).
inline constexpr auto linkSendLimit = std::chrono::milliseconds(500);
inline constexpr auto linkHandshakeLimit = std::chrono::milliseconds(5000);

inline constexpr std::int32_t recordsPerPass = 2;
inline constexpr std::int32_t removalEveryTicks = 10;       // 10 removals a second at most
inline constexpr std::int32_t creationEveryTicks = 50;      // 2 creations a second at most
inline constexpr std::int32_t radiusRequestEveryTicks = 20;
inline constexpr std::int32_t userPositionEveryTicks = 20;
inline constexpr std::int32_t userStateEveryTicks = 100;
inline constexpr std::int32_t pausedPassesPerRound = 100;   // about a second of paused passes
inline constexpr std::int32_t secondsPerDay = 86400;
// Engine-second periods of the timed work.
inline constexpr std::int32_t fiveSecondWork = 5;
inline constexpr std::int32_t fifteenSecondWork = 15;
inline constexpr std::int32_t parkDriverEverySeconds = 16;
inline constexpr std::int32_t readerCheckEverySeconds = 59;
inline constexpr std::int32_t staticTwinEverySeconds = 61;
inline constexpr std::int32_t halfMinuteWorkSeconds = 30;  // the no-match reset, the automatic range
inline constexpr std::int32_t minuteWorkSeconds = 60;
inline constexpr std::int32_t noMatchLogEverySeconds = 1200;

inline constexpr std::int32_t activationTicks = 200;        // created -> active, 2 s
inline constexpr std::int32_t lightToggleTick1 = 50;
inline constexpr std::int32_t lightToggleTick2 = 100;
inline constexpr double lowAltitudeLightsFt = 10000.0;
inline constexpr double cabinLightsAboveGroundFt = 2000.0;

inline constexpr std::size_t maxReportsPerStream = 200;
inline constexpr std::size_t thinBufferAtQueuedCreations = 11;
inline constexpr double dropDuplicateSeconds = 1.0;
inline constexpr double slowGroundSpeedKt = 5.0;
inline constexpr double fastGroundSpeedKt = 80.0;
inline constexpr double speedJumpFactor = 10.0;
inline constexpr double straightAirMinKt = 120.0;
inline constexpr double straightAirTrackDeg = 1.0;
inline constexpr double straightAirSpacingNm = 0.2429805615550756;   // 450 m
inline constexpr double straightGroundMaxKt = 30.0;
inline constexpr double straightGroundTrackDeg = 2.0;
inline constexpr double straightGroundSpacingNm = 0.010799136069114472;  // 20 m
inline constexpr double straightGroundMaxSeconds = 15.0;
// A speed jump is a glitch only when no aircraft changes speed that fast;
// a take-off roll gains some 5 kt a second, a glitch jumps at once.
inline constexpr double maxSpeedChangeKtPerSecond = 2.0;
// From the ground into the air in one step: an unreported roll and climb-out
// (0 to 160 kt in some 40 s).
inline constexpr double liftOffGainKtPerSecond = 4.0;
// A ground report whose positions moved slower than this share of its speed
// has a stale speed (accelerating from rest shows half of it).
inline constexpr double stalePositionSpeedShare = 1.0 / 3.0;
// Positions faster than this factor of the speed (up to three times it): the
// feed's speed lags the movement and the positions' speed is taken.
inline constexpr double laggingSpeedFactor = 1.25;
inline constexpr double secondsPerHour = 3600.0;
// Standing reports left behind when a stream moves on again.
inline constexpr std::size_t movingLookBack = 6;           // 2nd to 6th report from the end
inline constexpr std::int32_t movingCutTicks = 1500;
inline constexpr double movingCutNm = 0.011879049676025918;  // 22 m
inline constexpr double nearFieldCeilingFt = 10000.0;
inline constexpr double nearFieldBandFt = 108.0;
inline constexpr double noParkElevationFt = -1000.0;

inline constexpr double proximityUserMovingKt = 8.0;
inline constexpr double proximityUserNm = 500.0 / 1852.0;             // 500 m
inline constexpr double proximityGroundNm = 0.08099352051835854;      // 150 m

inline constexpr double maxClimbPitchFpm = 2400.0, minDescentFpm = -3000.0;  // climb and descent that still pitch
inline constexpr double pitchBaseDeg = -3.0, pitchPerFpmDeg = 2.2 / 600.0, groundPitchDeg = 0.6;

inline constexpr std::int32_t airExtrapolationTicks = 800;
inline constexpr std::int32_t groundExtrapolationTicks = 300;
inline constexpr std::int32_t parkedExtrapolationTicks = 60480000;  // a week
inline constexpr std::int32_t airExtrapolations = 8;
inline constexpr std::int32_t groundExtrapolations = 10;
inline constexpr double rangeMarginNm = 0.5;
inline constexpr double minTicksToReport = 25;

inline constexpr double cgMinFt = 1.0, cgMaxFt = 35.0;
inline constexpr double staticPitchMinDeg = -1.0, staticPitchMaxDeg = 2.5, staticPitchFallbackDeg = 0.7;
inline constexpr std::uint32_t lowestObjectId = 3;  // created-object reports below are ignored

inline constexpr double userLowFt = 500.0;
inline constexpr double groundNearUserNm = 1.0;
inline constexpr double groundLineOffsetFt = 50.0;
inline constexpr double userGroundSpanFactor = 1.15;
inline constexpr double farthestMarginNm = 0.1;
// How much longer than the path bounding a great circle is taken (a fraction),
// so that the distance's own rounding never lies beyond it.
inline constexpr double farthestBoundSlack = 1e-6;
inline constexpr double samePositionDeg = 1e-8;

// Too-close limits: 0 every second with the user in the air, 1 at buffering.
struct TooCloseLimits {
  double distanceNm, altitudeFt, lateralFt;
};
inline constexpr TooCloseLimits tooCloseLimits[2] = {{4.0, 1000.0, 700.0}, {6.0, 3000.0, 4000.0}};

inline constexpr std::size_t liveReserve = 512;
inline constexpr std::size_t staticReserve = 256;
inline constexpr std::size_t feedbackReserve = 256;
inline constexpr std::size_t feedbackSecondReserve = 128;
inline constexpr std::size_t addingStackReserve = 64;
inline constexpr std::size_t ghostCallsignReserve = 64;
// Report rings kept ready for the queues that outgrow their first ring.
inline constexpr std::size_t grownReportRing = 16, grownReportRingReserve = 128;
inline constexpr std::size_t categoryCount = 6;  // Light .. Rotorcraft
// A new aircraft's climb per tick (feet) and slow ground manoeuvre speed
// (knots), by category: Light, Buzjets, Large, Heavy, HighPerf, Rotorcraft.
inline constexpr double categoryMaxClimbFtPerTick[categoryCount] = {0.5, 0.75, 0.6, 0.5, 1.0, 0.75};
inline constexpr double categoryStandSpeedKt[categoryCount] = {5.0, 4.5, 4.0, 3.0, 4.5, 5.0};

// The update walk asks for records this many places ahead (their reports half as far).
inline constexpr std::size_t prefetchAheadRecords = 2;
inline constexpr std::size_t cacheLineBytes = 64;

} // namespace gwr
