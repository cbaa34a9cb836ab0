// Great-circle computations on a sphere of one nautical mile per minute of
// arc; see geo.h.
#include "core/geo.h"

#include <cmath>

namespace gwr {

namespace {

constexpr double earthDiameterNm = 2.0 * earthRadiusNm;  // haversine atan2 term times this gives nm

double lf_square(double x) { return x * x; }

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

} // namespace gwr
