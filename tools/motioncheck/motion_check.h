// Checks how objects moved in the simulator against what was reported of them:
// nose off the path, racing or reversing on the ground, lift-offs, lag, removals.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace gwr::motioncheck {

// One object's pose at one time, as the emulated simulator traces it.
struct PoseSample {
  double time = 0.0;  // seconds
  std::uint32_t object = 0;
  std::string callsign;
  double latitude = 0.0, longitude = 0.0;  // degrees
  double altitudeFt = 0.0;
  double headingDeg = 0.0;  // true
  bool onGround = false;
};

// One position report of an aircraft, on the same clock as the poses.
struct ReportSample {
  double time = 0.0;  // seconds
  std::string callsign;
  double latitude = 0.0, longitude = 0.0;  // degrees
  double groundSpeedKt = 0.0;              // as reported
  bool onGround = false;                   // a surface report
};

// How the check reads the poses (speeds and directions over the last
// motionWindowSeconds of one object; thresholds in motioncheck_constants.h):
// - nose off the path: on the ground, faster than noseOffAboveKt, the nose
//   noseOffAngleDeg or more off the line of motion (moving backwards, the
//   tail is measured: a push-back runs along the aircraft's axis; fast
//   backwards motion is a finding of its own),
//   for noseOffSeconds or longer;
// - fast on the ground: faster than fastGroundAboveKt for shortestSpeedSpanSeconds
//   or longer, unless the span ends at a lift-off or starts at a touchdown
//   (within rollEdgeSeconds): those are take-off and landing rolls;
// - backwards: the speed against the nose above backwardsAboveKt, same length;
// - a lift-off: the object leaves the ground after shortestGroundRunSeconds on it;
//   its roll is the last stretch faster than rollAboveKt; the roll is straight
//   when, over its last straightRollSeconds, the direction of motion and the
//   nose stay within straightRollDeg of the roll's course (first to last point);
// - lag: for each surface report, the time from the report until a pose of its
//   callsign comes within reachedWithinM of its position and nearest to it
//   (the pass ends when the pose gets no nearerByM nearer in nearerWithinSeconds),
//   0 when one did in the alreadyThereSeconds before; unreached after longestLagSeconds
//   (the program flies its aircraft 30 s behind their reports: that is the least lag of a following pose);
// - flips: on the ground, the nose turns more than fastestGroundTurnDegPerS
//   within motionWindowSeconds, at any speed; one per run of such poses;
// - surges: on the ground faster than surgeAboveKt above what the reports
//   about then show (the most of their reported speed and of their positions'
//   pace, report to report), for shortestSpeedSpanSeconds or longer; the reports
//   about a pose are those it should be flying (reportDelaySeconds before it),
//   from surgeReportsBeforeSeconds earlier to surgeReportsAfterSeconds later;
//   a pose with none about it is not judged;
// - never reached: a surface report due (reportDelaySeconds after it was made)
//   while its callsign had objects, that no pose of the callsign came within
//   reachedWithinM of, from alreadyThereSeconds before the report until the
//   callsign's next report was due (until the trace's end after its last);
// - removed on a runway: an object whose poses end before the trace does while
//   on the ground faster than removalOnRunwayAboveKt or within landingRollSeconds of
//   its touchdown.
struct NoseOffSpan {
  std::uint32_t object = 0;
  double start = 0.0, seconds = 0.0;
  double worstDeg = 0.0;   // the largest angle between the aircraft's axis and its motion
  double fastestKt = 0.0;
};

struct SpeedSpan {
  std::uint32_t object = 0;
  double start = 0.0, seconds = 0.0;
  double fastestKt = 0.0;
  double reportedKt = 0.0;  // the fastest reported ground speed meanwhile (the same callsign)
  double reportedPaceKt = 0.0;  // the fastest its reported positions moved meanwhile, report to report
};

struct Flip {
  std::uint32_t object = 0;
  double time = 0.0;              // of the pose where the turn within the window was largest
  double fromDeg = 0.0, toDeg = 0.0;  // the nose at the window's two ends
  double turnedDeg = 0.0;         // 0..180
  double speedKt = 0.0;
};

struct LiftOff {
  std::uint32_t object = 0;
  double time = 0.0;
  double rollSeconds = 0.0, rollMetres = 0.0;
  double courseDeg = 0.0;       // of the judged stretch, first to last point
  double worstPathDeg = 0.0;    // the direction of motion's largest difference from the course
  double worstNoseDeg = 0.0;    // the nose's largest difference from the course
  bool straight = false;
};

struct Removal {
  std::uint32_t object = 0;
  double time = 0.0;  // of the last pose
  double speedKt = 0.0;
  bool onGround = false;
  bool onRunway = false;  // the reading above
};

struct CallsignMotion {
  std::string callsign;
  std::vector<std::uint32_t> objects;  // in order of creation
  std::vector<NoseOffSpan> noseOff;
  std::vector<SpeedSpan> fastOnGround;
  std::vector<SpeedSpan> backwards;
  std::vector<LiftOff> liftOffs;
  std::vector<Removal> removals;
  std::vector<Flip> flips;
  std::vector<SpeedSpan> surges;   // reportedKt, reportedPaceKt: the most the reports about it showed
  std::vector<double> neverReached;  // the times of the surface reports never reached
  int reportsDue = 0;                // surface reports judged for reaching
  double fastestOffRollKt = 0.0;  // on the ground, outside take-off and landing rolls
  double worstNoseOffDeg = 0.0;   // on the ground faster than noseOffAboveKt, however briefly
  double fastestBackwardsKt = 0.0;  // on the ground, against the nose
  double largestLagSeconds = 0.0;
  double largestLagAt = 0.0;      // the report's time
  int reports = 0, unreachedReports = 0;
};

struct MotionReport {
  std::map<std::string, CallsignMotion> callsigns;
  // Over all callsigns.
  int noseOffSpans = 0, fastGroundSpans = 0, backwardSpans = 0;
  int liftOffs = 0, crookedLiftOffs = 0, runwayRemovals = 0;
  int flips = 0, surges = 0, neverReached = 0;
  double largestLagSeconds = 0.0;

  // The callsign's findings; an empty record when it never appeared.
  const CallsignMotion& of(const std::string& callsign) const;
};

// Poses in any order; reports may be empty (then no lag and no reported
// speeds). The trace ran until traceEnd (the last pose when that is later):
// an object whose poses end earlier was removed. Poses without a callsign
// (the user aircraft's) only say how long the trace ran.
MotionReport gf_checkMotion(std::vector<PoseSample> poses, std::vector<ReportSample> reports, double traceEnd = 0.0);

// The report as text for a person, one finding a line, per callsign; times
// in seconds since `origin` (a run's: when its recording's first line was sent).
std::string gf_motionText(const MotionReport& report, double origin = 0.0);

} // namespace gwr::motioncheck
