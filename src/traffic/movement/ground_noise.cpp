// The noise of a ground aircraft's positions, judged across the line its
// reports run along, and what reads it: nearness, and bringing reports onto their line.
#include "traffic/movement/ground_evidence.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "core/geo.h"
#include "refdata/airports_table.h"
#include "traffic/engine/live_ac.h"
#include "traffic/movement/movement_constants.h"
#include "traffic/movement/runway_phases.h"
#include "traffic/movement/standing_place.h"
#include "traffic/movement/taxi_curves.h"

namespace gwr {

namespace {

double metresBetween(double lat1, double lon1, double lat2, double lon2) {
  return gf_distanceNm(lat1, lon1, lat2, lon2) * metresPerNm;
}

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

} // namespace

void gf_noteReportNoise(LiveAc& ac, const PositionSample& r, double time) {
  GroundEvidence& e = ac.evidence;
  if (r.airborne) return;
  // (a copy of the one before, at its time or earlier, tells nothing)
  if (e.noiseSeenCount > 0 && !(time > e.noiseSeen(1).time)) return;
  noteNoise(e, r, time);
  gf_noteStandingReport(e, r, time);
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

ReportFit gf_alignReportWithLine(const LiveAc& ac, const PositionSample& n, PositionSample& r) {
  const double near = gf_noiseNearMetres(ac);
  auto line = reportLine(n, r);
  // On the runway, without a track or nose to go by, the line its reports
  // roll along: a track drawn from noisy positions turns with their noise.
  if (!line)
    if (const auto roll = rollLine(ac, near)) line = ReportLine{*roll, true};
  if (near <= 0.0 || !line) return ReportFit::none;
  const double way = line->rad;
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
  // positions go, and a repeated speed may be stale)
  const bool replaced = ((n.evidence | r.evidence) & evidenceStale) != 0;
  const bool birthRepeats = ac.phase == AcPhase::Birth && (r.groundSpeed == n.groundSpeed || replaced);
  const bool placed = !n.standing && n.groundSpeed > 0.0 && r.groundSpeed > 0.0 && seconds > 0.0 &&
                      std::fabs(along - expected) <= near && std::fabs(across) <= near && !birthRepeats;
  if (placed) {
    along = expected + (along - expected) * noiseKeptShare;
    across = expected >= gf_positionNoiseMetres(ac) ? across * noiseKeptShare : 0.0;
  } else if ((line->track || std::fabs(across) <= near) && std::fabs(across) < std::fabs(along)) {
    // Off the line by noise only: the nose's by no more than the noise, the
    // tracks' (which say it went straight on) by however much.
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

} // namespace gwr
