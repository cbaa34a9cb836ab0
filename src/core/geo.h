// Positions on the earth and the great-circle functions on them: distance,
// initial bearing and the point reached along a course; short offsets in
// metres on the local plane.
#pragma once

#include <algorithm>
#include <cmath>

namespace gwr {

// Degrees, north and east positive.
struct LatLon {
  double latitude = 0.0;
  double longitude = 0.0;
};

inline constexpr double earthRadiusNm = 3437.7467707849;       // 10800/pi: one nm per minute of arc
inline constexpr double feetPerNm = 6076.11549;                 // international nautical mile in feet
inline constexpr double radiansPerFoot = 4.787404208238998e-8;  // 1 / earth radius in feet (about 20,888,146 ft)
inline constexpr double radiansPerDegree = 0.017453292519943295;
inline constexpr double degreesPerRadian = 57.29577951308232;
inline constexpr double twoPi = 6.283185307179586;
inline constexpr double metresPerDegreeLat = 111132.95;  // mean length of a degree of latitude
inline constexpr double largestLatitude = 90.0;         // degrees either side of the equator
inline constexpr double largestLongitude = 180.0;       // degrees either side of Greenwich
inline constexpr double poleGuardLatitude = 89.99;      // nearer a pole, longitude spans as here

// Haversine distance in nautical miles; symmetric in its arguments.
double gf_greatCircleDistanceNm(const LatLon& a, const LatLon& b);

// Initial true course from `from` to `to`, in radians in [0, 2pi).
double gf_initialBearing(const LatLon& from, const LatLon& to);

// The point reached from `from` along the great circle with initial course
// `course` (radians) after `distanceFeet`; longitude in [-180, 180].
LatLon gf_destinationPoint(const LatLon& from, double course, double distanceFeet);

// The cosine of poleGuardLatitude, worked out once.
inline const double poleGuardCosine = std::cos(poleGuardLatitude * radiansPerDegree);

// Metres a degree of longitude spans at a latitude, kept off zero at the poles.
inline double gf_metresPerDegreeLon(double latitude) {
  return metresPerDegreeLat * std::max(std::cos(latitude * radiansPerDegree), poleGuardCosine);
}

// The steering asks these of every aircraft at every step: they are inline,
// and values already in range (nearly all) take no division.

// A longitude in degrees brought into [-180, 180).
inline double gf_normalLongitude(double degrees) {
  if (degrees >= -largestLongitude && degrees < largestLongitude) return degrees;
  const double d = std::remainder(degrees, 2.0 * largestLongitude);
  return d >= largestLongitude ? d - 2.0 * largestLongitude : d;
}

// A position gone beyond a pole brought back over it (the longitude turned
// by 180), the longitude in [-180, 180).
inline LatLon gf_normalPosition(double latitude, double longitude) {
  if (std::fabs(latitude) > largestLatitude) {
    latitude = std::copysign(2.0 * largestLatitude, latitude) - latitude;
    longitude += largestLongitude;
  }
  return {latitude, gf_normalLongitude(longitude)};
}

// Metres north and east on the plane that touches the earth at a point.
struct LocalOffset {
  double north = 0.0;
  double east = 0.0;
};

// The plane that touches the earth at a point, its metres per degree of
// longitude worked out once for every offset taken there. Nearer a pole than
// poleGuardLatitude a degree of longitude is taken as long as there, so that a
// metre east never becomes thousands of degrees.
struct LocalPlane {
  explicit LocalPlane(const LatLon& at) : origin(at), metresPerDegreeLon(gf_metresPerDegreeLon(at.latitude)) {}
  // Where `to` lies, the longitudes compared the short way round.
  LocalOffset offsetTo(const LatLon& to) const {
    return {(to.latitude - origin.latitude) * metresPerDegreeLat,
            gf_normalLongitude(to.longitude - origin.longitude) * metresPerDegreeLon};
  }
  // The point at `offset`, brought back as gf_normalPosition does.
  LatLon pointAt(const LocalOffset& offset) const {
    return gf_normalPosition(origin.latitude + offset.north / metresPerDegreeLat,
                             origin.longitude + offset.east / metresPerDegreeLon);
  }
  LatLon origin;
  double metresPerDegreeLon;
};

// Where `to` lies from `from` on the plane at `from`.
inline LocalOffset gf_localOffset(const LatLon& from, const LatLon& to) { return LocalPlane(from).offsetTo(to); }
// The point at `offset` from `from` on the same plane (the inverse of gf_localOffset).
inline LatLon gf_offsetPoint(const LatLon& from, const LocalOffset& offset) { return LocalPlane(from).pointAt(offset); }

} // namespace gwr
