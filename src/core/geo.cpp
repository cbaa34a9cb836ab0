// Great-circle computations on a sphere of one nautical mile per minute of
// arc; see geo.h.
#include "core/geo.h"

#include <algorithm>
#include <cmath>

namespace gwr {

namespace {

constexpr double earthDiameterNm = 2.0 * earthRadiusNm;  // haversine atan2 term times this gives nm

double lf_square(double x) { return x * x; }

// Metres a degree of longitude spans at a latitude, kept off zero at the poles.
double lf_metresPerDegreeLon(double latitude) {
  static const double least = std::cos(poleGuardLatitude * radiansPerDegree);
  return metresPerDegreeLat * std::max(std::cos(latitude * radiansPerDegree), least);
}

} // namespace

double gf_greatCircleDistanceNm(const LatLon& a, const LatLon& b) {
  const double phiA = a.latitude * radiansPerDegree;
  const double phiB = b.latitude * radiansPerDegree;
  const double dPhi = phiB - phiA;
  const double dLambda = (b.longitude - a.longitude) * radiansPerDegree;
  const double h = lf_square(std::sin(dPhi / 2.0)) + std::cos(phiB) * std::cos(phiA) * lf_square(std::sin(dLambda / 2.0));
  return std::atan2(std::sqrt(h), std::sqrt(1.0 - h)) * earthDiameterNm;
}

double gf_initialBearing(const LatLon& from, const LatLon& to) {
  const double phi1 = from.latitude * radiansPerDegree;
  const double phi2 = to.latitude * radiansPerDegree;
  const double dLambda = (to.longitude - from.longitude) * radiansPerDegree;
  double theta = std::atan2(std::sin(dLambda) * std::cos(phi2),
                            std::cos(phi1) * std::sin(phi2) - std::sin(phi1) * std::cos(phi2) * std::cos(dLambda));
  if (theta < 0.0) theta += twoPi;
  return theta;
}

LatLon gf_destinationPoint(const LatLon& from, double course, double distanceFeet) {
  const double delta = distanceFeet * radiansPerFoot;
  const double phi1 = from.latitude * radiansPerDegree;
  const double lambda1 = from.longitude * radiansPerDegree;
  const double phi2 = std::asin(std::sin(phi1) * std::cos(delta) + std::cos(phi1) * std::sin(delta) * std::cos(course));
  double lambda2 = lambda1 + std::atan2(std::sin(course) * std::sin(delta) * std::cos(phi1),
                                        std::cos(delta) - std::sin(phi1) * std::sin(phi2));
  lambda2 = std::remainder(lambda2, twoPi);
  return LatLon{phi2 * degreesPerRadian, lambda2 * degreesPerRadian};
}

double gf_normalLongitude(double degrees) {
  // Nearly always in range already: every aircraft asks at each step, and the remainder is dear.
  if (degrees >= -largestLongitude && degrees < largestLongitude) return degrees;
  const double d = std::remainder(degrees, 2.0 * largestLongitude);
  return d >= largestLongitude ? d - 2.0 * largestLongitude : d;
}

LocalOffset gf_localOffset(const LatLon& from, const LatLon& to) {
  return {(to.latitude - from.latitude) * metresPerDegreeLat,
          gf_normalLongitude(to.longitude - from.longitude) * lf_metresPerDegreeLon(from.latitude)};
}

LatLon gf_normalPosition(double latitude, double longitude) {
  if (std::fabs(latitude) > largestLatitude) {
    latitude = std::copysign(2.0 * largestLatitude, latitude) - latitude;
    longitude += largestLongitude;
  }
  return {latitude, gf_normalLongitude(longitude)};
}

LatLon gf_offsetPoint(const LatLon& from, const LocalOffset& offset) {
  return gf_normalPosition(from.latitude + offset.north / metresPerDegreeLat,
                           from.longitude + offset.east / lf_metresPerDegreeLon(from.latitude));
}

} // namespace gwr
