// Quadratic taxi curves in metres around their origin, midpoints and leg
// checks of ground legs, and angle helpers safe against degenerate legs.
#include "traffic/movement/taxi_curves.h"

#include <algorithm>
#include <cmath>

#include "core/geo.h"
#include "refdata/airports_table.h"
#include "traffic/engine/engine_constants.h"
#include "traffic/movement/ground_evidence.h"
#include "traffic/movement/movement_constants.h"
#include "traffic/movement/runway_phases.h"

namespace gwr {

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double minCurveMetres = 0.01;  // shorter: no direction to fly
constexpr double minEastScale = 1e-6;    // cos(latitude) near a pole

double eastScale(double originLat) { return metresPerDegreeLat * std::cos(originLat * radiansPerDegree); }

double lonDelta(double lon, double originLon) {
  double d = lon - originLon;
  if (d > 180.0) d -= 360.0;
  if (d < -180.0) d += 360.0;
  return d;
}

} // namespace

double gf_wrapHeadingFar(double radians) {
  // Within a turn either way, the case of every tick, no division is needed;
  // the answers are those of the general path below, bit for bit.
  if (radians >= 0.0 && radians < twoPi) return radians;
  if (radians >= twoPi && radians < 2.0 * twoPi) return radians - twoPi;  // exact: within a factor 2
  if (radians < 0.0 && radians > -twoPi) {
    const double a = radians + twoPi;
    return a >= twoPi ? 0.0 : a;
  }
  if (!std::isfinite(radians)) return 0.0;
  double a = std::fmod(radians, twoPi);
  if (a < 0.0) a += twoPi;
  return a >= twoPi ? 0.0 : a;
}

PositionSample gf_reportAt(const PositionSample& from, const LatLon& at, double speedKt, std::int32_t due) {
  PositionSample r = from;
  r.lat = at.latitude;
  r.lon = at.longitude;
  r.groundSpeed = speedKt;
  r.standing = 0;
  r.dueTick = due;
  return r;
}

bool gf_samePosition(const PositionSample& a, const PositionSample& b) {
  return std::fabs(a.lat - b.lat) <= samePositionDeg && std::fabs(a.lon - b.lon) <= samePositionDeg;
}

std::optional<double> gf_legBearing(double fromLat, double fromLon, double toLat, double toLon) {
  if (std::fabs(fromLat - toLat) <= samePositionDeg && std::fabs(fromLon - toLon) <= samePositionDeg) return {};
  const double b = gf_initialBearing({fromLat, fromLon}, {toLat, toLon});
  if (!std::isfinite(b)) return {};
  return gf_wrapHeading(b);
}

double gf_legNm(const PositionSample& a, const PositionSample& b) { return gf_distanceNm(a.lat, a.lon, b.lat, b.lon); }

double gf_distanceNm(double fromLat, double fromLon, double toLat, double toLon) {
  return gf_greatCircleDistanceNm({fromLat, fromLon}, {toLat, toLon});
}

double gf_curveMetresPerUnit(const double (&c)[8], double t) {
  if (!gf_curveSet(c) || !(c[CurveT1] > c[CurveT0])) return 0.0;
  const double u = std::clamp((t - c[CurveT0]) / (c[CurveT1] - c[CurveT0]), 0.0, 1.0);
  const double dNorth = 2.0 * u * (c[CurveEndNorth] - c[CurveCtrlNorth]) + 2.0 * (1.0 - u) * c[CurveCtrlNorth];
  const double dEast = 2.0 * u * (c[CurveEndEast] - c[CurveCtrlEast]) + 2.0 * (1.0 - u) * c[CurveCtrlEast];
  const double perUnit = std::hypot(dNorth, dEast) / (c[CurveT1] - c[CurveT0]);
  return std::isfinite(perUnit) ? perUnit : 0.0;
}

double gf_curveMetresLeft(const double (&c)[8], double t) {
  if (!gf_curveSet(c)) return 0.0;
  const double from = std::clamp(t, c[CurveT0], c[CurveT1]), h = (c[CurveT1] - from) / curveLengthSteps;
  if (!(h > 0.0)) return 0.0;
  // Asked every curving tick: gf_curveMetresPerUnit without its curve check
  // (made above), inline, the sum the same bit for bit.
  const bool spans = c[CurveT1] > c[CurveT0];
  const double span = c[CurveT1] - c[CurveT0];
  const auto perUnit = [&](double at) {
    if (!spans) return 0.0;
    const double u = std::clamp((at - c[CurveT0]) / span, 0.0, 1.0);
    const double dNorth = 2.0 * u * (c[CurveEndNorth] - c[CurveCtrlNorth]) + 2.0 * (1.0 - u) * c[CurveCtrlNorth];
    const double dEast = 2.0 * u * (c[CurveEndEast] - c[CurveCtrlEast]) + 2.0 * (1.0 - u) * c[CurveCtrlEast];
    const double metres = std::hypot(dNorth, dEast) / span;
    return std::isfinite(metres) ? metres : 0.0;
  };
  // Simpson's rule: the speed along a quadratic curve is the root of a quadratic, smooth unless it doubles back.
  double sum = perUnit(from) + perUnit(c[CurveT1]);
  for (int i = 1; i < curveLengthSteps; ++i) sum += (i % 2 == 1 ? 4.0 : 2.0) * perUnit(from + i * h);
  return sum * h / 3.0;
}

void gf_clearCurve(LiveAc& ac) {
  ac.curve[CurveT0] = ac.curve[CurveT1] = nan;
  ac.curve[CurveCtrlEast] = ac.curve[CurveCtrlNorth] = nan;
  ac.curvePosition = 0.0;
}

std::optional<CurvePoint> gf_curvePoint(const double (&c)[8], double t) {
  if (!gf_curveSet(c) || !(t >= c[CurveT0] && t <= c[CurveT1]) || !(c[CurveT1] > c[CurveT0])) return {};
  const double u = (t - c[CurveT0]) / (c[CurveT1] - c[CurveT0]);
  const double north = 2.0 * u * (1.0 - u) * c[CurveCtrlNorth] + u * u * c[CurveEndNorth];
  const double east = 2.0 * u * (1.0 - u) * c[CurveCtrlEast] + u * u * c[CurveEndEast];
  const double dNorth = 2.0 * u * (c[CurveEndNorth] - c[CurveCtrlNorth]) + 2.0 * (1.0 - u) * c[CurveCtrlNorth];
  const double dEast = 2.0 * u * (c[CurveEndEast] - c[CurveCtrlEast]) + 2.0 * (1.0 - u) * c[CurveCtrlEast];
  const double scale = eastScale(c[CurveLat]);
  // The hypotenuse is never shorter than the longer side: asked every tick,
  // it is worked out only for a direction about to vanish.
  const bool noDirection = std::max(std::fabs(dNorth), std::fabs(dEast)) < minCurveMetres * 1e-3 &&
                           std::hypot(dNorth, dEast) < minCurveMetres * 1e-3;
  if (noDirection || std::fabs(scale) < minEastScale) return {};
  CurvePoint p;
  p.lat = c[CurveLat] + north / metresPerDegreeLat;
  p.lon = c[CurveLon] + east / scale;
  p.heading = gf_wrapHeading(std::atan2(dEast, dNorth));
  if (!std::isfinite(p.lat) || !std::isfinite(p.lon)) return {};
  return p;
}

bool gf_makeCurve(LiveAc& ac, double originLat, double originLon, const PositionSample& control,
                  const PositionSample& end) {
  gf_clearCurve(ac);
  const double scale = eastScale(originLat);
  if (std::fabs(scale) < minEastScale) return false;
  const double ctrlNorth = (control.lat - originLat) * metresPerDegreeLat;
  const double ctrlEast = lonDelta(control.lon, originLon) * scale;
  const double endNorth = (end.lat - originLat) * metresPerDegreeLat;
  const double endEast = lonDelta(end.lon, originLon) * scale;
  // Control on the origin or the end on the origin: the curve has no start direction or no length.
  if (std::hypot(ctrlNorth, ctrlEast) < minCurveMetres || std::hypot(endNorth, endEast) < minCurveMetres) return false;
  ac.curve[CurveLat] = originLat;
  ac.curve[CurveLon] = originLon;
  ac.curve[CurveT0] = 0.0;
  ac.curve[CurveT1] = 1.0;
  ac.curve[CurveEndNorth] = endNorth;
  ac.curve[CurveEndEast] = endEast;
  ac.curve[CurveCtrlEast] = ctrlEast;
  ac.curve[CurveCtrlNorth] = ctrlNorth;
  ac.curvePosition = 0.0;
  return true;
}

bool lf_setupCurve(LiveAc& ac) {
  auto& s = ac.samples;
  if (s.size() < 3) return false;
  if (s[2].groundSpeed == 0.0) s[2].groundSpeed = (s[0].groundSpeed + s[1].groundSpeed) / 2.0;
  if (!gf_makeCurve(ac, ac.lat, ac.lon, s[1], s[2])) return false;
  s.erase(s.begin() + 1);
  return true;
}

std::optional<LatLon> gf_cornerBetween(const PositionSample& a, const PositionSample& b, const PositionSample& c,
                                       const PositionSample& d, double noiseMetres) {
  // (a track of 0 is the feed's "none")
  if (b.track == 0.0 || c.track == 0.0) return {};
  const double in = b.track * radiansPerDegree, out = c.track * radiansPerDegree;
  const double turn = gf_normalizeAngle(out - in);
  const double turnDeg = std::fabs(turn) * degreesPerRadian;
  if (turnDeg <= curveMinTurnDeg || turnDeg > exitTurnMaxDeg) return {};
  const auto before = gf_legBearing(a.lat, a.lon, b.lat, b.lon);
  const auto across = gf_legBearing(b.lat, b.lon, c.lat, c.lon);
  const auto after = gf_legBearing(c.lat, c.lon, d.lat, d.lon);
  if (!before || !across || !after) return {};
  // (the turn a leg shows from its ends' noise alone: where the reports lie
  // no closer to the ways their tracks give, the corner cannot be placed)
  const auto noiseDeg = [noiseMetres](const PositionSample& from, const PositionSample& to) {
    return std::max(curveMinTurnDeg,
                    std::atan2(2.0 * noiseMetres, gf_legNm(from, to) * metresPerNm) * degreesPerRadian);
  };
  const double fromIn = gf_normalizeAngle(*across - in), cutDeg = noiseDeg(b, c);
  if (fromIn * turn <= 0.0 || std::fabs(fromIn) * degreesPerRadian <= cutDeg ||
      std::fabs(turn - fromIn) * degreesPerRadian <= cutDeg ||
      std::fabs(gf_normalizeAngle(*before - in)) * degreesPerRadian > noiseDeg(a, b) ||
      std::fabs(gf_normalizeAngle(*after - out)) * degreesPerRadian > noiseDeg(c, d))
    return {};
  const LocalPlane plane({b.lat, b.lon});
  const LocalOffset to = plane.offsetTo({c.lat, c.lon});
  const double inN = std::cos(in), inE = std::sin(in), outN = std::cos(out), outE = std::sin(out);
  const double det = inN * outE - inE * outN;
  const double along = (to.north * outE - to.east * outN) / det, back = (inN * to.east - inE * to.north) / det;
  if (!(along > 0.0) || !(back > 0.0)) return {};
  return plane.pointAt({inN * along, inE * along});
}

bool lf_setupCornerCurve(LiveAc& ac, const LatLon& corner) {
  auto& s = ac.samples;
  if (s.size() < 4) return false;
  // Rounded over each of the two reports, the turn would be split in two
  // with a kink between the curves at the third, where the second curve
  // starts towards the fourth off the first's end: the steering brakes hard
  // for it. One curve from the way in to the way out has none.
  const PositionSample control = gf_reportAt(s[1], corner, s[1].groundSpeed, s[1].dueTick);
  if (!gf_makeCurve(ac, ac.lat, ac.lon, control, s[3])) return false;
  s.erase(s.begin() + 1, s.begin() + 3);
  return true;
}

void lf_insertMidpoint(LiveAc& ac) {
  auto& s = ac.samples;
  if (s.size() < 2) return;
  PositionSample mid = s[0];
  mid.lat = (s[0].lat + s[1].lat) / 2.0;
  mid.lon = s[0].lon + lonDelta(s[1].lon, s[0].lon) / 2.0;
  mid.groundSpeed = (s[0].groundSpeed + s[1].groundSpeed) / 2.0;
  mid.altitude = (s[0].altitude + s[1].altitude) / 2.0;
  mid.dueTick = static_cast<std::int32_t>(std::lround((double(s[0].dueTick) + double(s[1].dueTick)) / 2.0));
  mid.airborne = mid.altitude > 0.0 ? 1 : 0;
  mid.standing = 0;
  mid.track = s[1].track;
  s.insert(s.begin() + 1, mid);
}

void lf_checkGroundLeg(LiveAc& ac) {
  const auto& s = ac.samples;
  if (s.size() < 2 || (s[0].groundSpeed == 0.0 && s[1].groundSpeed == 0.0)) return;
  if (std::fabs(s[0].groundSpeed - s[1].groundSpeed) > legSpeedStepKt && gf_legNm(s[0], s[1]) >= legCheckMinNm)
    lf_insertMidpoint(ac);
}

double lf_headingDelta(const LiveAc& ac) {
  const auto& s = ac.samples;
  if (s.size() < 3) return 0.0;
  // No nose given (a track of 0 is the feed's "none"): no turn shows there.
  // Read as north, every leg off north would look like a corner to round.
  const auto nose = gf_reportedNose(s[1]);
  if (!nose) return 0.0;
  const auto bearing = gf_legBearing(s[1].lat, s[1].lon, s[2].lat, s[2].lon);
  if (!bearing) return 0.0;
  // Turned from the way it went (its track: in a crosswind the nose points
  // off it), else from its nose when the feed gives no track.
  const double way = s[1].track != 0.0 ? s[1].track * radiansPerDegree : *nose;
  double delta = gf_normalizeAngle(*bearing - way);
  // A corner at the report itself: its track already gives the way out, so
  // read from it no turn shows there, and the corner is left to the straight
  // steering at full speed. The turn is the one from the way in.
  if (const auto in = gf_legBearing(s[0].lat, s[0].lon, s[1].lat, s[1].lon);
      in && std::fabs(delta) * degreesPerRadian <= curveMinTurnDeg) {
    const double fromIn = gf_normalizeAngle(*bearing - *in);
    // (beyond what its positions' noise alone turns the way in by)
    const double noiseDeg =
        std::atan2(2.0 * gf_positionNoiseMetres(ac), gf_legNm(s[0], s[1]) * metresPerNm) * degreesPerRadian;
    // (a turn-off's exit, not a square corner: that one is steered round, at a crawl)
    if (std::fabs(gf_normalizeAngle(way - *in)) * degreesPerRadian > std::max(curveMinTurnDeg, noiseDeg) &&
        std::fabs(fromIn) * degreesPerRadian <= exitTurnMaxDeg)
      delta = fromIn;
  }
  // The feed's nose the same at the third, at a taxi's speeds, the leg a
  // gentle turn off it: it went on straight, and the turn is its positions'
  // noise (or a sidestep the steering follows to the report anyway). Rounded
  // as a corner, the curve would start off the nose and slide the aircraft
  // sideways. (A roll's legs are lined up by their own rules.)
  const auto after = gf_reportedNose(s[2]);
  if (after && std::max(s[1].groundSpeed, s[2].groundSpeed) < takeOffRollKt &&
      std::min(s[1].groundSpeed, s[2].groundSpeed) > pushBackMaxKt && ac.runway.phase() == RunwayPhase::Clear &&
      std::fabs(delta) * degreesPerRadian <= gentleTurnDeg &&
      std::fabs(gf_normalizeAngle(*after - *nose)) * degreesPerRadian <= curveMinTurnDeg)
    return 0.0;
  return delta;
}

} // namespace gwr
