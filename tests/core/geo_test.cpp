// Tests of the great-circle distance, the initial bearing and the destination
// point, across the poles and the date line.
#include <vector>

#include <gtest/gtest.h>

#include "core/geo.h"

namespace gwr {
namespace {

constexpr double pi = 3.141592653589793;

TEST(GreatCircleDistance, NauticalMilePerMinuteOfArc) {
  EXPECT_EQ(gf_greatCircleDistanceNm({52.3, 4.76}, {52.3, 4.76}), 0.0);
  EXPECT_NEAR(gf_greatCircleDistanceNm({45, 10}, {46, 10}), 60.0, 1e-6);
  EXPECT_NEAR(gf_greatCircleDistanceNm({90, 0}, {-90, 0}), 10800.0, 1e-6);
  EXPECT_NEAR(gf_greatCircleDistanceNm({0, 179.5}, {0, -179.5}), 60.0, 1e-6);  // short way over the date line
}

TEST(InitialBearing, CardinalDirectionsInZeroToTwoPi) {
  const std::vector<std::pair<LatLon, double>> cases{
      {{0, 1}, pi / 2}, {{1, 0}, 0.0}, {{0, -1}, 3 * pi / 2}, {{-1, 0}, pi}};
  for (const auto& [to, expected] : cases) EXPECT_NEAR(gf_initialBearing({0, 0}, to), expected, 1e-12);
  const double nearlyNorth = gf_initialBearing({0, 0}, {1, -1e-9});  // wraps to just below 2 pi
  EXPECT_GT(nearlyNorth, 3 * pi / 2);
  EXPECT_LT(nearlyNorth, twoPi);
}

TEST(DestinationPoint, ZeroDistanceRoundTripsAndTheDateLine) {
  const LatLon start{52.308, 4.764};
  const LatLon same = gf_destinationPoint(start, 1.0, 0.0);
  EXPECT_NEAR(same.latitude, start.latitude, 1e-12);
  EXPECT_NEAR(same.longitude, start.longitude, 1e-12);
  EXPECT_NEAR(gf_destinationPoint({0, 0}, 0.0, 60.0 * feetPerNm).latitude, 1.0, 1e-6);

  for (const double course : {0.3, 1.7, 3.5, 5.9}) {
    const LatLon end = gf_destinationPoint(start, course, 137.0 * feetPerNm);
    EXPECT_NEAR(gf_greatCircleDistanceNm(start, end), 137.0, 1e-3);
    EXPECT_NEAR(gf_initialBearing(start, end), course, 1e-6);
  }
  EXPECT_NEAR(gf_destinationPoint({10, 179.5}, pi / 2, 120.0 * feetPerNm).longitude, -178.47, 0.05);
  EXPECT_NEAR(gf_destinationPoint({-10, -179.9}, 3 * pi / 2, 60.0 * feetPerNm).longitude, 179.08, 0.05);
}

} // namespace
} // namespace gwr
