// Geometry of ground paths: quadratic taxi curves, inserted midpoints, the
// leg check, and angle helpers that never hand back NaN.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <optional>

#include "core/geo.h"
#include "traffic/engine/live_ac.h"

namespace gwr {

// A ground curve as the live aircraft keeps it (eight values, see LiveAc::curve).
enum CurveSlot { CurveLat = 0, CurveLon, CurveT0, CurveEndNorth, CurveEndEast, CurveT1, CurveCtrlEast, CurveCtrlNorth };

struct CurvePoint {
  double lat = 0.0, lon = 0.0;
  double heading = 0.0;  // radians in [0, 2 pi): direction of travel along the curve
};

// The point at t on the curve; none when no curve is set, t lies outside
// t0..t1, or the curve is degenerate (no direction at that point).
std::optional<CurvePoint> gf_curvePoint(const double (&curve)[8], double t);
// Asked for every aircraft each tick: inline.
inline bool gf_curveSet(const double (&curve)[8]) {
  return std::isfinite(curve[CurveCtrlEast]) && std::isfinite(curve[CurveCtrlNorth]);
}
// Metres along the curve per unit of t at t (how fast an even step in t
// goes there); 0 when no curve is set.
double gf_curveMetresPerUnit(const double (&curve)[8], double t);
// Metres along the curve from t to its end.
double gf_curveMetresLeft(const double (&curve)[8], double t);
void gf_clearCurve(LiveAc& aircraft);
// A curve from the origin through control to end; false (curve cleared) when
// the geometry gives no usable curve.
bool gf_makeCurve(LiveAc& aircraft, double originLat, double originLon, const PositionSample& control,
                  const PositionSample& end);

// Angle into (-pi, pi]; a non-finite angle becomes 0. Asked at every step:
// within a turn either way of the range no division is needed, and the
// answers are the remainder's, bit for bit (adding or taking 2 pi there is exact).
inline double gf_normalizeAngle(double radians) {
  if (radians > -M_PI && radians <= M_PI) return radians;
  if (radians > M_PI && radians < 3.0 * M_PI) return radians - twoPi;
  if (radians <= -M_PI && radians > -3.0 * M_PI) return radians + twoPi;
  if (!std::isfinite(radians)) return 0.0;
  double a = std::remainder(radians, twoPi);
  if (a <= -M_PI) a += twoPi;
  return a;
}
double gf_wrapHeadingFar(double radians);
// Angle into [0, 2 pi). Asked at every step: an angle already in range
// returns inline; the rest goes to gf_wrapHeadingFar.
inline double gf_wrapHeading(double radians) {
  if (radians >= 0.0 && radians < twoPi) return radians;
  return gf_wrapHeadingFar(radians);
}
bool gf_samePosition(const PositionSample& a, const PositionSample& b);
// Bearing from a to b; none for a leg of no length.
std::optional<double> gf_legBearing(double fromLat, double fromLon, double toLat, double toLon);
double gf_legNm(const PositionSample& a, const PositionSample& b);
double gf_distanceNm(double fromLat, double fromLon, double toLat, double toLon);
// A moving copy of `from` at `at`, going speedKt, due at `due`.
PositionSample gf_reportAt(const PositionSample& from, const LatLon& at, double speedKt, std::int32_t due);

// Curve from the aircraft's position over the second report to the third;
// the second report is dropped. False when no curve could be made.
bool lf_setupCurve(LiveAc& aircraft);
// A corner that falls between reports b and c: b's track the way in, c's
// the way out, the leg from b to c cutting across between them (by more than
// the positions' noise turns it), the legs from a to b and from c to d going
// the ways in and out (within it). Where the two ways meet; none when the
// reports show no such corner.
std::optional<LatLon> gf_cornerBetween(const PositionSample& a, const PositionSample& b, const PositionSample& c,
                                       const PositionSample& d, double noiseMetres);
// Such a corner between the second and third reports rounded on one curve
// from the aircraft to the fourth, the corner its control point; the second
// and third reports are dropped. False (nothing dropped) when no curve could be made.
bool lf_setupCornerCurve(LiveAc& aircraft, const LatLon& corner);
// A report half way between the front and the second report.
void lf_insertMidpoint(LiveAc& aircraft);
// A midpoint for a long leg whose two speeds differ much.
void lf_checkGroundLeg(LiveAc& aircraft);
// Turn at the second report: bearing second -> third minus the second's
// track, radians; 0 with fewer than three reports, a leg of no length, or
// a second report with no nose given.
double lf_headingDelta(const LiveAc& aircraft);

} // namespace gwr
