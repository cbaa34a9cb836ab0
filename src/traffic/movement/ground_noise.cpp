// The noise of a ground aircraft's positions, judged across the line its
// reports run along, and what reads it: nearness, and bringing reports onto their line.
#include "traffic/movement/ground_evidence.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "core/geo.h"
#include "refdata/airports_table.h"
#include "traffic/engine/live_ac.h"
#include "traffic/movement/ground_evidence_shared.h"
#include "traffic/movement/movement_constants.h"
#include "traffic/movement/push_way.h"
#include "traffic/movement/runway_phases.h"
#include "traffic/movement/standing_place.h"
#include "traffic/movement/taxi_curves.h"

namespace gwr {

namespace {

using evidenceshared::metresBetween;

// A feed's track off a roll's line by more than its reports' noise allows,
// and this (the track's own rounding and wander), is not the roll's way (degrees).
constexpr double trackBorneOutFloorDeg = 2.0;

double offDeg(double a, double b) { return std::fabs(gf_normalizeAngle(a - b)) * degreesPerRadian; }

// The offset of the report before the newest (n) from the line through the
// one before it (p) and r, at their times, goes into the noise's running mean.
void noteNoise(GroundEvidence& e, const PositionSample& r, double time) {
  const GroundEvidence::Point* n = e.noiseSeenCount >= 1 ? &e.noiseSeen(1) : nullptr;
  const GroundEvidence::Point* p = e.noiseSeenCount >= 2 ? &e.noiseSeen(0) : nullptr;
  if (n == nullptr || p == nullptr || !(p->time < n->time && n->time < time) || time - p->time > noiseSpanMaxSeconds)
    return;
  const LocalOffset mid = gf_localOffset({p->lat, p->lon}, {n->lat, n->lon});
  const LocalOffset end = gf_localOffset({p->lat, p->lon}, {r.lat, r.lon});
  const double f = (n->time - p->time) / (time - p->time);
  const double offNorth = mid.north - f * end.north, offEast = mid.east - f * end.east;
  // Only the offset across the line: along it a change of speed or a time
  // stamp's jitter (metres apiece at a roll's pace) looks like noise and
  // would hide a lagging taxi speed long after the roll. Noise as likely
  // along as across counts twice across.
  double offSquare = offNorth * offNorth + offEast * offEast;
  const double endMetres = std::hypot(end.north, end.east);
  if (endMetres > 0.0) {
    const double across = (offNorth * end.east - offEast * end.north) / endMetres;
    offSquare = 2.0 * across * across;
  }
  const double square = std::min(offSquare, noiseOffsetCapMetres * noiseOffsetCapMetres);
  // Each of the three reports' own noise adds to the offset, the ends' by their share.
  const double sample = square / (1.0 + f * f + (1.0 - f) * (1.0 - f));
  const double weight = std::max(noiseMeanWeight, 1.0 / (e.noiseSamples + 1));
  e.noiseSquareM2 += weight * (sample - e.noiseSquareM2);
  ++e.noiseSamples;
  // Once shown, the noise stays known until it falls well below the floor:
  // a feed that smooths each position with its neighbours' reads about the
  // floor, and read in and out by turns its reports are lined up by turns.
  const double noise = std::sqrt(e.noiseSquareM2);
  if (e.noiseSamples >= noiseSamplesRead)
    e.noiseShown = noise >= noiseFloorMetres || (e.noiseShown && noise >= noiseReleaseMetres);
}

// The feed's track of a report that moves faster than a push-back (0 is its "none").
std::optional<double> movingTrack(const PositionSample& r) {
  if (r.track == 0.0 || r.groundSpeed <= pushBackMaxKt) return std::nullopt;
  return r.track * radiansPerDegree;
}

// The line r's leg from n is weighed along (radians): their tracks where both
// move and the tracks agree (a feed's track is the aircraft's own, the way it
// goes; in a crosswind the nose points off it), else their noses where they agree.
struct ReportLine {
  double rad = 0.0;
  bool track = false;  // the way the aircraft went, not only where it pointed
};
std::optional<ReportLine> reportLine(const PositionSample& n, const PositionSample& r) {
  const auto track = movingTrack(r), trackBefore = movingTrack(n);
  if (track && trackBefore && offDeg(*track, *trackBefore) <= noiseLineDeg) return ReportLine{*track, true};
  const auto nose = gf_reportedNose(r), before = gf_reportedNose(n);
  if (nose && before && offDeg(*nose, *before) <= noiseLineDeg) return ReportLine{*nose, false};
  return std::nullopt;
}

// The line a take-off roll's kept reports follow, from the oldest to the one
// before the newest: none while they lie within a few times their noise (a
// roll-out may turn off on a rapid exit).
std::optional<double> rollLine(const LiveAc& ac, double near) {
  const GroundEvidence& e = ac.evidence;
  const RunwayPhase phase = ac.runway.phase();
  if ((phase != RunwayPhase::TakeOffRoll && phase != RunwayPhase::Rejected) || near <= 0.0 || e.count < 3)
    return std::nullopt;
  const GroundEvidence::Seen *from = e.back(e.count - 1), *to = e.back(1);
  if (metresBetween(from->lat, from->lon, to->lat, to->lon) < rollLineNoiseFactor * near) return std::nullopt;
  return gf_legBearing(from->lat, from->lon, to->lat, to->lon);
}

// Brings the reports queued after the leg under way onto their line, each
// from the one before it (the leg under way keeps its end), up to the first
// that `ends` the run, and of them those that `moved`; a standing copy stands
// where the report it copies was brought.
template <class Ends, class Moved>
void lineUpQueued(LiveAc& ac, Ends ends, Moved moved) {
  auto& s = ac.samples;
  const std::size_t first = ac.sim.simState == AcSimState::Buffer ? 1 : 2;
  double wasLat = 0.0, wasLon = 0.0;
  for (std::size_t i = first; i < s.size(); ++i) {
    PositionSample& r = s[i];
    const PositionSample& n = s[i - 1];
    if (ends(n, r)) break;
    const double lat = r.lat, lon = r.lon;
    if (r.standing && lat == wasLat && lon == wasLon) {
      r.lat = n.lat;
      r.lon = n.lon;
    } else if (!r.standing && moved(n, r)) {
      gf_alignReportWithLine(ac, n, r);
    }
    wasLat = lat;
    wasLon = lon;
  }
}

// The noise is known from now on: the taxi reports queued while it was not
// were taken as they came, and their legs zigzag by it (legs about the
// noise's size turn tens of degrees either way, and the aircraft races or
// cuts across to follow them, missing the reports on the other side). They
// are brought onto their line as they would have been, each from the one
// before it; the leg under way keeps its end. A roll's reports have their
// own line-up (gf_lineUpQueuedRoll), a push its own (gf_lineUpQueuedPush).
void lineUpQueuedUnjudged(LiveAc& ac) {
  if (ac.runway.onRunway() || ac.runway.landing()) return;
  lineUpQueued(
      ac,
      [](const PositionSample& n, const PositionSample& r) {
        return r.airborne || n.airborne || std::max(n.groundSpeed, r.groundSpeed) >= takeOffRollKt;
      },
      [](const PositionSample& n, const PositionSample& r) {
        return std::min(n.groundSpeed, r.groundSpeed) > pushBackMaxKt;
      });
}

} // namespace

void gf_noteReportNoise(LiveAc& ac, const PositionSample& r, double time) {
  GroundEvidence& e = ac.evidence;
  if (r.airborne) return;
  // (a copy of the one before, at its time or earlier, tells nothing)
  if (e.noiseSeenCount > 0 && !(time > e.noiseSeen(1).time)) return;
  const bool known = gf_positionNoiseMetres(ac) > 0.0;
  noteNoise(e, r, time);
  if (!known && gf_positionNoiseMetres(ac) > 0.0) lineUpQueuedUnjudged(ac);
  gf_noteStandingReport(e, r, time);
  gf_noteSlowWay(ac, r, time);
  GroundEvidence::Kept& k = e.cold();
  k.noiseSeen[0] = k.noiseSeen[1];
  k.noiseSeen[1] = {r.lat, r.lon, time};
  e.noiseSeenCount = std::min<std::size_t>(e.noiseSeenCount + 1, 2);
}

double gf_noiseNearMetres(const LiveAc& ac) {
  return std::min(noiseNearFactor * gf_positionNoiseMetres(ac), noiseNearMaxMetres);
}

double gf_positionNoiseMetres(const LiveAc& ac) {
  const GroundEvidence& e = ac.evidence;
  const double noise = e.noiseSamples >= noiseSamplesRead ? std::sqrt(e.noiseSquareM2) : 0.0;
  return noise < noiseFloorMetres && !e.noiseShown ? 0.0 : noise;
}

bool gf_reportWithinNearBox(const PositionSample& n, const PositionSample& r) {
  return std::fabs(r.lat - n.lat) <= nearSameDeg && std::fabs(r.lon - n.lon) <= nearSameDeg;
}

bool gf_reportNear(const LiveAc& ac, const PositionSample& n, const PositionSample& r) {
  if (gf_reportWithinNearBox(n, r)) return true;
  const double near = gf_noiseNearMetres(ac);
  return near > 0.0 && metresBetween(n.lat, n.lon, r.lat, r.lon) <= near;
}

bool gf_speedsCarryBeyondNoise(const LiveAc& ac, const PositionSample& n, const PositionSample& r) {
  const double seconds = (r.dueTick - n.dueTick) / ticksPerSecond;
  const double near = gf_noiseNearMetres(ac);
  return near > 0.0 && (n.groundSpeed + r.groundSpeed) / 2.0 * metresPerSecondPerKt * seconds > near;
}

namespace {

ReportFit alignWithLine(const LiveAc& ac, const PositionSample& n, PositionSample& r, const ReportLine& line,
                        double near) {
  const double way = line.rad;
  const LocalOffset leg = gf_localOffset({n.lat, n.lon}, {r.lat, r.lon});
  double along = leg.north * std::cos(way) + leg.east * std::sin(way);
  double across = leg.east * std::cos(way) - leg.north * std::sin(way);
  // Where the feed's speeds put it along the line (not from a standstill:
  // when it moved off, its reports do not say). Within the noise of that,
  // it is there, its own position weighing this share; across the way only
  // where its speeds carry it beyond the noise (a shorter leg would point
  // wherever the noise does).
  const double seconds = (r.dueTick - n.dueTick) / ticksPerSecond;
  const double expected = (n.groundSpeed + r.groundSpeed) / 2.0 * metresPerSecondPerKt * seconds;
  // (before it is placed, only along the feed's own changing speeds: what it
  // is, a roll-out or a take-off, is judged at its creation from how far its
  // positions go, and a repeated speed may be stale. A taxi's repeated speed
  // places it: refused instead, the reports within the noise of the one
  // before were those on one side of the line, the others kept, and it
  // drove the noise off the line; a push's crawl goes by its fitted way.)
  const bool replaced = ((n.evidence | r.evidence) & evidenceStale) != 0;
  const bool repeatsOutsideTaxi =
      r.groundSpeed == n.groundSpeed && (r.groundSpeed >= takeOffRollKt || r.groundSpeed <= pushBackMaxKt);
  const bool birthRepeats = ac.phase == AcPhase::Birth && (repeatsOutsideTaxi || replaced);
  const bool pushed = (r.evidence & evidencePushed) != 0;
  const bool placed = !n.standing && n.groundSpeed > 0.0 && r.groundSpeed > 0.0 && seconds > 0.0 &&
                      std::fabs(along - expected) <= near && std::fabs(across) <= near && !birthRepeats;
  if (placed) {
    along = expected + (along - expected) * noiseKeptShare;
    across = expected >= gf_positionNoiseMetres(ac) ? across * noiseKeptShare : 0.0;
  } else if ((line.track || std::fabs(across) <= near) && (std::fabs(across) < std::fabs(along) || pushed)) {
    // Off the line by noise only: the nose's by no more than the noise, the
    // tracks' (which say it went straight on) by however much. Pushed, a
    // leg steeper than that is noise too: a push goes where its nose points.
    across *= noiseKeptShare;
  } else {
    return ReportFit::across;  // a turn, or noise across the way
  }
  // A leg shorter than the noise would still point well off the line with
  // the share kept: it strays no farther from it than the lines do.
  const double acrossMost = std::fabs(along) * std::tan(noiseLineDeg * radiansPerDegree);
  across = std::clamp(across, -acrossMost, acrossMost);
  const LatLon on = gf_offsetPoint({n.lat, n.lon}, {along * std::cos(way) - across * std::sin(way),
                                                    along * std::sin(way) + across * std::cos(way)});
  r.lat = on.latitude;
  r.lon = on.longitude;
  return placed ? ReportFit::placed : ReportFit::lined;
}

// Pushed tail first, a report's leg runs along the nose the feed gives
// however little the judge has read of its noise yet: a straight push goes
// where its nose points, and only a turn (its noses disagree) leaves that
// line. Its legs are the push's own (a few metres, thinned to one every 13 s
// at a crawl), so the noise a feed may have, not a few early offsets that
// read low, tells what lies across them.
double pushedNearMetres(const LiveAc& ac, const PositionSample& r) {
  const double near = gf_noiseNearMetres(ac);
  if ((r.evidence & evidencePushed) == 0 || ac.evidence.noiseSamples >= pushNoiseSamplesRead) return near;
  return std::max(near, std::min(noiseNearFactor * unknownNoiseWorstMetres, noiseNearMaxMetres));
}

} // namespace

ReportFit gf_alignReportWithLine(const LiveAc& ac, const PositionSample& n, PositionSample& r) {
  const double near = pushedNearMetres(ac, r);
  auto line = reportLine(n, r);
  // A feed's track may run degrees off the way its positions go (late, or
  // from another sensor): over a roll every leg would then look like noise
  // across it and be pulled off the runway or refused. Where the roll's
  // reports span enough to tell, its track holds only within what their
  // noise leaves open; else their own line is the way.
  if (line && line->track)
    if (const auto roll = rollLine(ac, near)) {
      const GroundEvidence& e = ac.evidence;
      const GroundEvidence::Seen *from = e.back(e.count - 1), *mid = e.back(e.count / 2), *to = e.back(1);
      const double span = metresBetween(from->lat, from->lon, to->lat, to->lon);
      const double allowedDeg = std::atan2(near, span) * degreesPerRadian + trackBorneOutFloorDeg;
      // (only reports that go straight give a way: a turn onto the runway
      // among them bends it off the roll's)
      const auto first = gf_legBearing(from->lat, from->lon, mid->lat, mid->lon);
      const auto second = gf_legBearing(mid->lat, mid->lon, to->lat, to->lon);
      const bool straight = first && second && offDeg(*first, *second) <= 2.0 * allowedDeg;
      if (straight && offDeg(line->rad, *roll) > allowedDeg) line = ReportLine{*roll, true};
    }
  // On the runway, without a track or nose to go by, the line its reports
  // roll along: a track drawn from noisy positions turns with their noise.
  if (!line)
    if (const auto roll = rollLine(ac, near)) line = ReportLine{*roll, true};
  if (near <= 0.0 || !line) return ReportFit::none;
  return alignWithLine(ac, n, r, *line, near);
}

void gf_lineUpQueuedPush(LiveAc& ac) {
  lineUpQueued(
      ac, [](const PositionSample&, const PositionSample& r) { return r.airborne != 0; },
      [](const PositionSample&, const PositionSample& r) { return (r.evidence & evidencePushed) != 0; });
}

void gf_lineUpQueuedRoll(LiveAc& ac) {
  const double near = gf_noiseNearMetres(ac);
  const auto roll = rollLine(ac, near);
  auto& s = ac.samples;
  if (!roll || s.size() < 3) return;
  // The reports that came before it rolled fast enough were weighed as a
  // taxi's, whose noisy tracks give no line: left as they came, the legs
  // from the hold up to the roll's speed zigzag and race by their noise.
  // The line through the queued reports that lie on the roll's way (fitted:
  // the few newest alone tilt it by their noise, metres over the runway's
  // length behind them), and those within the noise of it are brought onto
  // it; the leg under way keeps its end. A taxiway's turn onto the runway
  // lies off it and is left.
  const LatLon origin{s[1].lat, s[1].lon};
  const auto at = [&](const PositionSample& r) { return gf_localOffset(origin, {r.lat, r.lon}); };
  LocalOffset centre = at(s.back());
  double way = *roll;
  const auto across = [&](const PositionSample& r) {
    const LocalOffset o = at(r);
    return (o.east - centre.east) * std::cos(way) - (o.north - centre.north) * std::sin(way);
  };
  for (const double within : {2.0 * near, near}) {
    double n = 0.0, sn = 0.0, se = 0.0, snn = 0.0, see = 0.0, sne = 0.0;
    const auto add = [&](const LocalOffset& o) {
      n += 1.0, sn += o.north, se += o.east, snn += o.north * o.north, see += o.east * o.east, sne += o.north * o.east;
    };
    for (std::size_t i = 1; i < s.size(); ++i)
      if (!s[i].airborne && !s[i].standing && std::fabs(across(s[i])) <= within) add(at(s[i]));
    // (the roll's newest reports as they came, before any was brought towards a line)
    for (std::size_t k = 0; const GroundEvidence::Seen* q = ac.evidence.back(k); ++k)
      add(gf_localOffset(origin, {q->lat, q->lon}));
    if (n < 3.0) return;
    centre = {sn / n, se / n};
    const double cnn = snn / n - centre.north * centre.north, cee = see / n - centre.east * centre.east,
                 cne = sne / n - centre.north * centre.east;
    // The axis of the points' spread, turned the way the roll goes.
    const double axis = 0.5 * std::atan2(2.0 * cne, cnn - cee);
    way = std::cos(axis - *roll) >= 0.0 ? axis : axis + M_PI;
  }
  double wasLat = 0.0, wasLon = 0.0;
  for (std::size_t i = 2; i < s.size(); ++i) {
    PositionSample& r = s[i];
    const double lat = r.lat, lon = r.lon;
    if (r.airborne) break;
    // (a standing copy stands where the report it copies was brought)
    if (r.standing && lat == wasLat && lon == wasLon) {
      r.lat = s[i - 1].lat;
      r.lon = s[i - 1].lon;
    } else if (!r.standing && std::fabs(across(r)) <= near) {
      alignWithLine(ac, s[i - 1], r, ReportLine{way, false}, near);
    }
    wasLat = lat;
    wasLon = lon;
  }
}

} // namespace gwr
