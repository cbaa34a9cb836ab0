// The line a holder's unreported roll follows, and a report it reached by backtracking.
#include "traffic/movement/roll_start.h"

#include <algorithm>
#include <cmath>

#include "traffic/engine/engine_constants.h"
#include "traffic/movement/ground_reports.h"
#include "traffic/movement/movement_constants.h"
#include "traffic/movement/taxi_curves.h"

namespace gwr {

namespace {


// Distance of an even roll from standstill to kt.
double rollToNm(double kt) {
  const double v = kt * metresPerSecondPerKt;
  return v * v / (2.0 * takeOffRollAccelMps2) / 1852.0;
}

} // namespace

double gf_shownKt(const PositionSample& a, const PositionSample& b) {
  const std::int32_t ticks = b.dueTick - a.dueTick;
  return ticks > 0 ? gf_legNm(a, b) * ticksPerHour / ticks : 0.0;
}

std::optional<HoldRollLine> gf_holdRollLine(const PositionSample& hold, const PositionSample& r, double liftOffKt,
                                            bool ahead) {
  if (!std::isfinite(r.track) || !(liftOffKt > 0.0)) return {};
  HoldRollLine line;
  line.courseRad = gf_wrapHeading(r.track * radiansPerDegree);
  // A track of 0 tells nothing (the feed's default): then the line runs from the hold to the report.
  if (r.track == 0.0) {
    const auto towards = gf_legBearing(hold.lat, hold.lon, r.lat, r.lon);
    if (!towards) return {};
    line.courseRad = *towards;
  }
  const LatLon at{r.lat, r.lon};
  // Along-track position of the hold, seen from the report (negative: behind it).
  double along = 0.0;
  if (const auto bearing = gf_legBearing(r.lat, r.lon, hold.lat, hold.lon))
    along = gf_distanceNm(r.lat, r.lon, hold.lat, hold.lon) * std::cos(*bearing - line.courseRad);
  // The roll takes this share of the line, the rest flown (or rolled) at the report's speed.
  const double leastNm = rollToNm(liftOffKt) / holdRollShare;
  line.lineNm = (-along >= leastNm || (ahead && -along > 0.0)) ? -along : leastNm;
  line.start = gf_destinationPoint(at, gf_wrapHeading(line.courseRad + M_PI), line.lineNm * feetPerNm);
  line.lineUpNm = gf_distanceNm(hold.lat, hold.lon, line.start.latitude, line.start.longitude);
  return line;
}

bool gf_turnedBackToRoll(const PositionSample& last, const PositionSample& r) {
  if (r.airborne || last.airborne || r.groundSpeed < takeOffRollKt || r.track == 0.0 || !std::isfinite(r.track))
    return false;
  const double nm = gf_distanceNm(last.lat, last.lon, r.lat, r.lon);
  const auto way = gf_legBearing(last.lat, last.lon, r.lat, r.lon);
  return way && gf_beyondHoldingThreshold(nm) &&
         std::fabs(gf_normalizeAngle(gf_wrapHeading(r.track * radiansPerDegree) - *way)) * degreesPerRadian >
             takeOffAheadMaxDeg;
}

std::vector<LineUpPoint> gf_lineUpPath(const PositionSample& hold, const HoldRollLine& line, bool fromQueue) {
  const auto startBearing = gf_legBearing(hold.lat, hold.lon, line.start.latitude, line.start.longitude);
  if (!startBearing) return {{line.start, line.courseRad}};
  const bool turnsRound =
      std::fabs(gf_normalizeAngle(line.courseRad - *startBearing)) * degreesPerRadian > lineUpTurnRoundDeg;
  if (!fromQueue && !turnsRound) return {{line.start, *startBearing}};
  // The hold's side of the line: it comes from there.
  const double side = std::sin(gf_normalizeAngle(*startBearing + M_PI - line.courseRad)) >= 0.0 ? 1.0 : -1.0;
  const double outRad = gf_wrapHeading(line.courseRad + side * M_PI / 2.0);
  const auto at = [](LatLon from, double rad, double nm) { return gf_destinationPoint(from, rad, nm * feetPerNm); };
  if (fromQueue) {
    const LatLon beside = at(line.start, outRad, queueLineUpSideNm);
    const double way = gf_legBearing(hold.lat, hold.lon, beside.latitude, beside.longitude).value_or(outRad);
    return {{beside, way}, {line.start, gf_wrapHeading(outRad + M_PI)}};
  }
  const LatLon centre = at(line.start, outRad, turnRoundRadiusNm);
  std::vector<LineUpPoint> path{{at(centre, outRad, turnRoundRadiusNm), *startBearing}};
  for (int k = 1; k <= turnRoundSteps; ++k) {
    const double bearing = gf_wrapHeading(outRad + side * M_PI * k / turnRoundSteps);
    path.push_back({at(centre, bearing, turnRoundRadiusNm), gf_wrapHeading(bearing + side * M_PI / 2.0)});
  }
  return path;
}

double gf_holdOffLineNm(const PositionSample& hold, const PositionSample& r) {
  // A track of 0 tells nothing (the feed's default): the line runs through the hold.
  const auto bearing = gf_legBearing(r.lat, r.lon, hold.lat, hold.lon);
  if (r.track == 0.0 || !std::isfinite(r.track) || !bearing) return 0.0;
  return std::fabs(gf_distanceNm(r.lat, r.lon, hold.lat, hold.lon) *
                   std::sin(*bearing - gf_wrapHeading(r.track * radiansPerDegree)));
}

double gf_holdRollSeconds(const HoldRollLine& line, const PositionSample& r, double liftOffKt) {
  const double rollKt = std::max(std::min(r.groundSpeed, liftOffKt), minLegSpeedKt) / 2.0;
  return (line.lineUpNm / backtrackTaxiKt + line.lineNm / rollKt) * secondsPerHour;
}

bool gf_backtrackedToRoll(const LiveAc& ac, const PositionSample& r, double liftOffKt) {
  if (!ac.holding || ac.samples.empty()) return false;
  const auto line = gf_holdRollLine(ac.samples.back(), r, liftOffKt, false);
  if (!line) return false;
  const double silenceSeconds =
      (static_cast<double>(r.dueTick) - static_cast<double>(ac.holdingSince)) / ticksPerHour * secondsPerHour;
  return gf_holdRollSeconds(*line, r, liftOffKt) <= silenceSeconds;
}

} // namespace gwr
