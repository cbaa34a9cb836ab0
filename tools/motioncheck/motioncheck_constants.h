// The motion check's thresholds: what counts as a wrong movement of an object
// in the simulator, in the units named.
#pragma once

namespace gwr::motioncheck {

inline constexpr double motionWindowSeconds = 1.0;  // speed and direction of motion over the last second
inline constexpr double largestSampleGapSeconds = 0.5;  // a longer gap in the poses ends a span

inline constexpr double noseOffAngleDeg = 45.0;  // nose this far or more off the direction of motion...
inline constexpr double noseOffSeconds = 4.0;    // ...for this long or longer...
inline constexpr double noseOffAboveKt = 5.0;    // ...faster than this, on the ground

inline constexpr double fastGroundAboveKt = 60.0;  // on the ground outside a take-off or landing roll
inline constexpr double backwardsAboveKt = 8.0;    // backwards along the nose; a push-back is slower
inline constexpr double shortestSpeedSpanSeconds = 0.5;  // fast or backwards spans shorter than this are not counted
inline constexpr double rollEdgeSeconds = 3.0;  // a fast span this close to a touchdown or lift-off is that roll

inline constexpr double shortestGroundRunSeconds = 5.0;  // on the ground at least this long before a lift-off
inline constexpr double rollAboveKt = 30.0;          // a take-off roll is the last stretch faster than this
inline constexpr double straightRollSeconds = 20.0;  // how far back from the lift-off straightness is judged
inline constexpr double straightRollDeg = 5.0;       // nose and path within this of the roll's course

inline constexpr double reachedWithinM = 20.0;       // a pose this near a report's position has reached it
inline constexpr double nearerByM = 0.5;             // the pass goes on while the pose gets this much nearer...
inline constexpr double nearerWithinSeconds = 5.0;   // ...within this time
inline constexpr double alreadyThereSeconds = 60.0;  // reached in this time before the report: no lag
inline constexpr double longestLagSeconds = 600.0;   // a report not reached in this time is unreached

// No aircraft turns its nose faster on the ground: twice a brisk taxi corner
// (90 degrees in about 4 s), about a light aircraft pivoting on a braked wheel.
inline constexpr double fastestGroundTurnDegPerS = 45.0;  // more within motionWindowSeconds: a flip

inline constexpr double reportDelaySeconds = 30.0;  // the program flies a report this long after it was made
inline constexpr double surgeAboveKt = 20.0;        // on the ground this much above what the reports show: a surge
inline constexpr double surgeReportsBeforeSeconds = 20.0;  // the reports a pose is judged by: made from this long
inline constexpr double surgeReportsAfterSeconds = 10.0;   // before to this long after the one it should be flying

inline constexpr double removalOnRunwayAboveKt = 30.0;  // removed on the ground this fast: on a runway
inline constexpr double landingRollSeconds = 60.0;      // removed this soon after touchdown: on the runway

} // namespace gwr::motioncheck
