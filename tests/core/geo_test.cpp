// Tests of the great-circle distance, the initial bearing, the destination
// point and local offsets, across the poles and the date line.
#include <cmath>
#include <utility>
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

// Short offsets on the local plane and back: the short way over the date
// line; nearer a pole than 89.99 degrees a degree of longitude spans as there.
TEST(LocalOffset, MetresBothWaysTheDateLineAndThePoles) {
  struct Case { LatLon from, to; double north, east; };
  const double guardEast = metresPerDegreeLat * std::cos(89.99 * radiansPerDegree);  // a degree's metres
  for (const Case c : {Case{{50.0, 8.0}, {50.001, 8.001}, 111.13295, 111.13295 * std::cos(50.0 * radiansPerDegree)},
                       Case{{0.0, 179.9995}, {0.0, -179.9995}, 0.0, 111.13295},
                       Case{{89.9999, 10.0}, {89.9999, 10.001}, 0.0, guardEast * 0.001},
                       Case{{90.0, 10.0}, {90.0, -170.0}, 0.0, -180.0 * guardEast}}) {
    const LocalOffset o = gf_localOffset(c.from, c.to);
    EXPECT_NEAR(o.north, c.north, 1e-6);
    EXPECT_NEAR(o.east, c.east, 1e-6);
    const LatLon back = gf_offsetPoint(c.from, o);
    EXPECT_NEAR(back.latitude, c.to.latitude, 1e-9);
    EXPECT_NEAR(gf_normalLongitude(back.longitude - c.to.longitude), 0.0, 1e-9);
  }
  // Over a pole the latitude comes back and the longitude turns round.
  const LatLon over = gf_offsetPoint({89.9999, 10.0}, {30.0, 0.0});
  EXPECT_NEAR(over.latitude, 90.0 - (30.0 / metresPerDegreeLat - 0.0001), 1e-9);
  EXPECT_NEAR(over.longitude, -170.0, 1e-9);
  for (const auto& [in, out] :
       {std::pair{180.0, -180.0}, {-180.0, -180.0}, {540.0, -180.0}, {24912.0, 72.0}, {-190.0, 170.0},
        {179.99999999999997, 179.99999999999997}, {-180.00000000000003, 179.99999999999997}, {-0.0, -0.0}})
    EXPECT_EQ(gf_normalLongitude(in), out) << in;
  // At a pole itself nothing turns; beyond it the longitude turns by 180.
  for (const auto& [in, out] : {std::pair{LatLon{90.0, 10.0}, LatLon{90.0, 10.0}}, {{-90.0, 180.0}, {-90.0, -180.0}},
                                {{90.5, 10.0}, {89.5, -170.0}}, {{-90.5, -10.0}, {-89.5, 170.0}},
                                {{91.0, 0.0}, {89.0, -180.0}}}) {
    const LatLon p = gf_normalPosition(in.latitude, in.longitude);
    EXPECT_EQ(std::pair(p.latitude, p.longitude), std::pair(out.latitude, out.longitude)) << in.latitude;
  }
}

} // namespace
} // namespace gwr
