#include <gtest/gtest.h>

#include <bit>
#include <cstdint>

#include "models/models.hpp"

namespace {

using models::great_circle_km;

// The sine, cosine and arc sine come from the platform's library, which may
// differ in the last bit; the stated values are therefore checked to the
// digits given, except where the nearest float is what the computation gives.
struct ApproxCase {
  float lat1, lon1, lat2, lon2;
  double about_km;      // as stated, to the digits given
  double half_unit_km;  // half a unit of the last stated digit
};

TEST(GreatCircle, StatedDistances) {
  const ApproxCase cases[] = {
      {0.0f, 0.0f, 1.0f, 0.0f, 111.1076, 0.5e-4},     // 6366 x 3.141592 / 180
      {45.0f, 5.0f, 45.001f, 5.0f, 0.1110466, 0.5e-7},  // along a meridian
      {45.0f, 5.0f, 45.0f, 5.001f, 0.0785593, 0.5e-7},  // along a parallel: cos(45) scales it
  };
  for (const auto& c : cases) {
    const float d = great_circle_km(c.lat1, c.lon1, c.lat2, c.lon2);
    EXPECT_NEAR(d, c.about_km, c.half_unit_km) << c.lat1 << ' ' << c.lon1 << ' ' << c.lat2 << ' ' << c.lon2;
  }
}

TEST(GreatCircle, MeridianStepIsTheNearestFloat) {
  // 0.1110466 km is exactly the float nearest to the stated decimal.
  EXPECT_EQ(great_circle_km(45.0f, 5.0f, 45.001f, 5.0f), 0.1110466f);
}

TEST(GreatCircle, LatitudesAreArgumentsOneAndThree) {
  // Exchanging latitude and longitude in the call changes the result: only
  // the latitudes' cosines scale the longitude term. 45.001f is 45.00099945,
  // so 0.001 degree of longitude at latitude 5 is 111.10766 x 0.00099945 x
  // cos(5 degrees) = 0.110624 km.
  EXPECT_NEAR(great_circle_km(5.0f, 45.0f, 5.0f, 45.001f), 0.110624, 0.5e-6);
  EXPECT_NE(great_circle_km(5.0f, 45.0f, 5.0f, 45.001f), great_circle_km(45.0f, 5.0f, 45.0f, 5.001f));
}

TEST(GreatCircle, IdenticalPointsGiveExactlyZero) {
  const float points[][2] = {{0.0f, 0.0f},     {45.0f, 5.0f},      {48.8566f, 2.3522f},
                             {-33.9f, 151.2f}, {89.9999f, -179.9f}, {-90.0f, 180.0f}};
  for (const auto& p : points) {
    const float d = great_circle_km(p[0], p[1], p[0], p[1]);
    EXPECT_EQ(std::bit_cast<uint32_t>(d), 0u) << p[0] << ' ' << p[1];
  }
}

TEST(GreatCircle, ExchangingThePointsGivesTheSameBits) {
  const float pairs[][4] = {
      {0.0f, 0.0f, 1.0f, 0.0f},          {45.0f, 5.0f, 45.001f, 5.0f},
      {45.0f, 5.0f, 45.0f, 5.001f},      {44.17388f, 5.27862f, 44.17401f, 5.27911f},
      {-12.5f, 130.25f, -12.51f, 130.2f}, {48.8566f, 2.3522f, 51.5072f, -0.1276f},
  };
  for (const auto& p : pairs) {
    const float forward = great_circle_km(p[0], p[1], p[2], p[3]);
    const float backward = great_circle_km(p[2], p[3], p[0], p[1]);
    EXPECT_EQ(std::bit_cast<uint32_t>(forward), std::bit_cast<uint32_t>(backward))
        << p[0] << ' ' << p[1] << ' ' << p[2] << ' ' << p[3];
  }
}

TEST(GreatCircle, PiIsTheStatedConstantNotTheFloatPi) {
  // One degree of latitude is 6366 x 3.141592 / 180 = 111.107635 km; with the
  // float pi it would be 111.10766 km, three units in the last place higher.
  const float d = great_circle_km(0.0f, 0.0f, 1.0f, 0.0f);
  EXPECT_NEAR(d, 6366.0 * 3.141592 / 180.0, 1e-5);
  EXPECT_LT(d, 111.10765f);
}

}  // namespace
