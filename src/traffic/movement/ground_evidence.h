// What a ground aircraft's own reports show, judged once as each report comes:
// how noisy its positions are, the speed they justify, whether they roll
// along a line (and the cap their speeds allow, a roll-out it is born in),
// whether it is pushed, and which report jumped where no aircraft could have gone.
// Intake, the roll rules, steering, curves, catch-up and push-back read it.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "refdata/ac_category.h"
#include "traffic/movement/push_way.h"

namespace gwr {

struct LiveAc;
struct PositionSample;

// Marks the judge leaves on each report it takes (PositionSample::evidence).
// positions roll along a line at a take-off roll's speed, not slowing; after a
// silence held through, the one report from the hold at a roll's speed
inline constexpr std::uint8_t evidenceRolls = 1;
inline constexpr std::uint8_t evidencePushed = 2;  // tail first: the nose the feed gives points against the positions
inline constexpr std::uint8_t evidenceStale = 4;   // the feed's speed was not the positions': theirs replaced it
// its leg looked faster than its speed, by no more than the noise, still unknown, could make it
inline constexpr std::uint8_t evidenceLagUnsure = 8;

// Per live aircraft: the newest reports taken, a few, and what they showed.
// Each report costs the same whatever the length of its stream.
struct GroundEvidence {
  struct Seen {
    double lat = 0.0, lon = 0.0;
    double time = 0.0;  // the feed's time stamp, seconds
    double kt = 0.0;    // the speed taken for it
    double legKt = -1.0;  // the pace of its positions from the report before (-1: none)
    double legBearing = 0.0;
    bool replaced = false;  // the positions' speed, not the feed's
    bool hasBearing = false;
    bool standing = false;
  };
  static constexpr std::size_t window = 6;
  struct Point {
    double lat = 0.0, lon = 0.0, time = 0.0;
  };
  // Read only as a report comes: the newest reports kept, the two before the
  // newest that told the noise, the newest held and the newest jumped, and
  // where the reports at 0 kt that came in a row lie on average (a
  // standstill's place, not one report's noise).
  struct Kept {
    std::array<Seen, window> seen{};
    std::array<Point, 2> noiseSeen{};
    Point held, jumped, still;
    // Where and when the feed's speed last changed, to what (knots, -1: none
    // yet): the speed it has repeated since.
    Point repeatFrom;
    double repeatKt = -1.0;
    // The way its slow reports go, fitted over them all.
    PushWay push;
  };
  // Kept out of the live record the loop walks every pass, and made at the
  // first ground report: none or one.
  std::vector<Kept> kept;
  std::size_t count = 0, newest = 0;
  // The positions' noise: a running mean of each report's squared offset
  // across the line through the reports either side of it (m^2), and how many
  // offsets went into it. Every ground report that comes tells, kept or not
  // (a slow straight feed keeps few): the two before the newest.
  double noiseSquareM2 = 0.0;
  std::size_t noiseSeenCount = 0;
  std::int32_t noiseSamples = 0;
  std::int32_t stillCount = 0;  // the reports in that mean (where: Kept)
  // Reports in a row whose nose points against their positions, slowly, and
  // whether the run started from standing or slow.
  std::int32_t pushedRun = 0;
  // Reports held in a row as out of reach, and reports in a row dropped as
  // jumped, each within reach of the one before (where: Kept).
  std::int32_t held = 0;
  std::int32_t jumped = 0;
  bool pushedFromStanding = false;
  // The two newest taken reports rolled along a line.
  bool rolling = false;
  // The noise read at the floor or more, and not yet well below it since.
  bool noiseShown = false;

  // Made on the first write; the readers come only once a count or counter
  // shows that something was kept.
  Kept& cold() {
    if (kept.empty()) kept.resize(1);
    return kept.front();
  }
  const Point& noiseSeen(std::size_t k) const { return kept.front().noiseSeen[k]; }
  const Point& heldAt() const { return kept.front().held; }
  const Point& jumpedAt() const { return kept.front().jumped; }
  const Point& stillAt() const { return kept.front().still; }
  const Seen& seenAt(std::size_t k) const { return kept.front().seen[k]; }
  Seen& seenAt(std::size_t k) { return kept.front().seen[k]; }

  const Seen* last() const { return count > 0 ? &seenAt(newest) : nullptr; }
  // k = 0 the newest, 1 the one before...; none beyond what is kept.
  const Seen* back(std::size_t k) const { return k < count ? &seenAt((newest + window - k) % window) : nullptr; }
  // s becomes the newest, the oldest kept giving way.
  void remember(const Seen& s) {
    Kept& k = cold();
    newest = count == 0 ? 0 : (newest + 1) % window;
    k.seen[newest] = s;
    count = std::min(count + 1, window);
  }

  // Forgets the reports weighed (an airborne one, a stream given up).
  void clear() { *this = GroundEvidence{}; }
};

// Jumped: dropped; Moved: the jumps agreed often enough to be the aircraft's own.
enum class GroundVerdict { Take, Hold, Jumped, Moved };

// A new report r of a known aircraft, `time` its feed time stamp: out of reach
// of the reports taken before (a position no aircraft on the ground could
// have reached, or a parked one left at a push-back's pace) it is held, a few
// in a row at most (positions no aircraft reaches, unless three agree),
// unless the held one agrees with it; when it shows one of the two queued
// reports before it was the jump (out of reach, or far off the way from the
// report before to r: out and back), that report leaves the stream. Farther
// from the last ground report taken than the aircraft could have gone on the
// ground (and than a holder may come back), it jumped and is dropped; a few
// such in a row, each within reach of the one before, moved: what came before
// is given up.
GroundVerdict gf_weighReport(LiveAc& aircraft, PositionSample& r, double time);
// r gets the speed its positions justify where the feed's contradicts them
// (a stale speed, one that lags them, a roll's over a taxi); true when it did.
bool gf_justifyReportSpeed(LiveAc& aircraft, PositionSample& r, double time);
// A ground report r that came (`time` its feed time stamp), weighed and not
// held, tells its positions' noise, and the way its slow ones go, whether it
// is kept or not.
void gf_noteReportNoise(LiveAc& aircraft, const PositionSample& r, double time);
// r is taken into the aircraft's stream: it is remembered and marked (rolls,
// pushed), and the report before it is marked pushed too when its run starts there.
void gf_noteReportTaken(LiveAc& aircraft, PositionSample& r, double time);
// The newest reports roll along a line at a roll's speed: a take-off roll may start.
bool gf_reportsRoll(const LiveAc& aircraft);
// The feed's own speeds fall report by report over its newest reports: braking, not one glitch.
bool gf_feedBrakes(const LiveAc& aircraft);
// Down on the runway, its next two reports a and b in the air fly again when
// b is higher: not when they sink (a float it was put down in early), nor
// when they repeat one height while the speed falls (a height the feed froze
// as it rolled out).
bool gf_fliesAgain(const PositionSample& a, const PositionSample& b);
// The fastest a ground leg from a to b may be flown: rolling when either
// report is airborne or at the take-off roll's speed, else taxiing. The jump
// test reads the same cap.
double gf_groundCapKt(AcCategory category, const PositionSample& a, const PositionSample& b);
// An aircraft born on the ground from these reports, fast (at the take-off
// roll's speed) and slowing: its reported speed falls or, where the feed
// repeats one speed, its positions show it slower later in the stream.
bool gf_bornRollingOut(const LiveAc& aircraft);
// Where the feed says the nose points (radians): its true heading, else its
// track; a track of 0 without a heading is the feed's "none".
std::optional<double> gf_reportedNose(const PositionSample& report);
// How far one of the aircraft's reports typically lies off its true place
// (metres), judged from its own positions; 0 until a few have told, and
// while it is less than noiseFloorMetres.
double gf_positionNoiseMetres(const LiveAc& aircraft);
// Closer than this (metres) two reports show no motion by their noise; 0: the noise tells nothing yet.
double gf_noiseNearMetres(const LiveAc& aircraft);
// r lies within nearSameDeg of n in latitude and in longitude.
bool gf_reportWithinNearBox(const PositionSample& n, const PositionSample& r);
// r lies where n does as far as the positions tell: within that box, or
// within their noise.
bool gf_reportNear(const LiveAc& aircraft, const PositionSample& n, const PositionSample& r);
// The feed's speeds of n and r carry the aircraft farther than the noise
// between their times: a report near n has not stood.
bool gf_speedsCarryBeyondNoise(const LiveAc& aircraft, const PositionSample& n, const PositionSample& r);
// What the reports' line made of a report: none given (or the two disagree),
// its leg runs across it (a turn, or noise), brought onto it, or placed on
// it where the feed's speeds put it.
enum class ReportFit { none, across, lined, placed };
// A moving ground report r after n whose leg from n strays off their line by
// no more than the noise: r is brought towards that line, and when its speeds
// tell, towards where they put it along it, so that noise turns no nose and
// races no leg. The line is their tracks where both move and agree (the way
// the aircraft goes; in a crosswind its nose points off it: any stray across
// it is noise), else their noses where they agree. Placed: it moves, however
// near n its own position lies.
ReportFit gf_alignReportWithLine(const LiveAc& aircraft, const PositionSample& n, PositionSample& r);
// A take-off roll has started: the ground reports queued beyond the leg
// under way that lie on its line by no more than their noise are brought
// onto that line as a roll's reports are.
void gf_lineUpQueuedRoll(LiveAc& aircraft);
// The reports queued were found pushed: each moving one is brought onto the
// line its nose gives from the one before, as it would have been had the
// push been known when it came; the leg under way keeps its end.
void gf_lineUpQueuedPush(LiveAc& aircraft);
// The pace a queued report's positions showed when it came (knots, -1: none).
double gf_justifiedPaceKt(const PositionSample& report);
// r is queued at the end of the aircraft's stream (call before it is).
void gf_noteQueued(LiveAc& aircraft, const PositionSample& r);
// The stream holds airborne and ground reports together, without a walk:
// a switch between them lies after its front.
bool gf_streamMixesAirAndGround(const LiveAc& aircraft);
// At a position step and at creation, outside a roll: the next report at a
// roll's speed whose leg its positions show a taxi gets their speed.
void gf_justifyLeg(LiveAc& aircraft);

} // namespace gwr
