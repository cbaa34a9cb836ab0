// Interpolates a scenario aircraft between its waypoints: great-circle
// position, linear altitude and speeds, track and heading.
#include "feeder/track.h"

#include <cmath>
#include <cstddef>

#include "feeder/feeder_constants.h"

namespace gwr::feeder {

namespace {

constexpr double fullCircleDegrees = 360.0;

double lf_lerp(double a, double b, double f) { return a + (b - a) * f; }

// Turns the shorter way round from a to b.
double lf_lerpDegrees(double a, double b, double f) {
  const double turn = std::remainder(b - a, fullCircleDegrees);
  double result = std::fmod(a + turn * f, fullCircleDegrees);
  if (result < 0.0) result += fullCircleDegrees;
  return result;
}

// Course of the leg from a to b in degrees, none when they are the same spot.
std::optional<double> lf_legTrack(const Waypoint& a, const Waypoint& b) {
  if (gf_greatCircleDistanceNm(a.position, b.position) * feetPerNm < stationaryFeet) return std::nullopt;
  return gf_initialBearing(a.position, b.position) * degreesPerRadian;
}

// The track of the last leg before `index` that moves; for an aircraft that
// stopped, the direction it came from.
std::optional<double> lf_previousTrack(const ScenarioAircraft& aircraft, std::size_t index) {
  for (std::size_t i = index; i > 0; --i) {
    if (auto track = lf_legTrack(aircraft.waypoints[i - 1], aircraft.waypoints[i])) return track;
  }
  return std::nullopt;
}

} // namespace

std::optional<AircraftState> gf_stateAt(const ScenarioAircraft& aircraft, double time) {
  const std::vector<Waypoint>& points = aircraft.waypoints;
  if (points.size() < 2 || time < points.front().time || time > points.back().time) return std::nullopt;
  std::size_t leg = 0;
  while (leg + 2 < points.size() && time >= points[leg + 1].time) ++leg;
  const Waypoint& a = points[leg];
  const Waypoint& b = points[leg + 1];
  const double f = (time - a.time) / (b.time - a.time);
  const bool atEnd = f >= 1.0;

  AircraftState state;
  const double legFeet = gf_greatCircleDistanceNm(a.position, b.position) * feetPerNm;
  if (atEnd || legFeet < stationaryFeet) {
    state.position = atEnd ? b.position : a.position;
  } else {
    state.position = gf_destinationPoint(a.position, gf_initialBearing(a.position, b.position), legFeet * f);
  }
  const LocalOffset offset = atEnd ? b.reportOffset
                                   : LocalOffset{lf_lerp(a.reportOffset.north, b.reportOffset.north, f),
                                                 lf_lerp(a.reportOffset.east, b.reportOffset.east, f)};
  if (offset.north != 0.0 || offset.east != 0.0) state.position = gf_offsetPoint(state.position, offset);
  state.altitudeFeet = lf_lerp(a.altitudeFeet, b.altitudeFeet, f);
  state.groundSpeedKnots = lf_lerp(a.groundSpeedKnots, b.groundSpeedKnots, f);
  state.verticalSpeedFpm = lf_lerp(a.verticalSpeedFpm, b.verticalSpeedFpm, f);
  state.onGround = atEnd ? b.onGround : a.onGround;

  state.trackDegrees = lf_legTrack(a, b);
  if (!state.trackDegrees) state.trackDegrees = lf_previousTrack(aircraft, leg);
  if (const auto& given = atEnd ? b.trackDegrees : a.trackDegrees) state.trackDegrees = *given;
  if (a.headingDegrees && b.headingDegrees) {
    state.trueHeadingDegrees = lf_lerpDegrees(*a.headingDegrees, *b.headingDegrees, f);
  } else if (const auto& only = atEnd ? b.headingDegrees : a.headingDegrees) {
    state.trueHeadingDegrees = *only;
  } else {
    state.trueHeadingDegrees = state.trackDegrees;
  }
  return state;
}

} // namespace gwr::feeder
