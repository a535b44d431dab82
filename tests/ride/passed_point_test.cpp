#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "ride/ride.hpp"

namespace {

models::Profile profile_of(const std::vector<float>& distances) {
  models::Profile p;
  for (float d : distances) p.push_back(d, 0.0f);
  return p;
}

TEST(PassedPoint, LowestPointStrictlyBetweenTheTwoDistances) {
  const models::Profile profile = profile_of({0, 50, 100, 100, 150});
  struct Case {
    float d_prev_m, d_m;
    int32_t point;
  };
  const Case cases[] = {
      {0, 0.75f, 0},          // the point at the start never counts in the first second
      {48.54f, 55.0f, 2},     //
      {0, 104.4f, 2},         // several passed: the lowest-numbered
      {49, 50, 0},            // a point reached exactly is not passed ...
      {50, 51, 0},            // ... nor in the next second
      {99, 101, 3},           // of two points at one distance, the first
      {120, 90, 3},           // either order
      {150, 160, 0},          //
      {-5, 0, 0},             //
      {60, 60, 0},            //
  };
  ride::PassedPointSearch search(profile);
  for (const Case& c : cases) {
    EXPECT_EQ(ride::first_point_passed_scan(profile, c.d_prev_m, c.d_m), c.point) << c.d_prev_m << " " << c.d_m;
    EXPECT_EQ(search.find(c.d_prev_m, c.d_m), c.point) << c.d_prev_m << " " << c.d_m;
  }
  EXPECT_EQ(ride::PassedPointSearch(profile_of({})).find(0, 10), 0);
}

// The fast search against the plain scan, on profiles with repeated
// distances, for rides whose distance grows by steps of every size
// (including none), for random pairs in both orders, for distances exactly
// on points and next to them, and for values that are not finite.
TEST(PassedPoint, FastSearchEqualsThePlainScan) {
  std::mt19937 rng(20240607);
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  auto uniform = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); };
  auto chance = [&](int percent) { return static_cast<int>(rng() % 100) < percent; };
  long checked = 0;
  for (int round = 0; round < 400; ++round) {
    const auto n = static_cast<int>(rng() % 80);
    std::vector<float> dist;
    float d = chance(20) ? uniform(-50, 50) : 0.0f;
    for (int i = 0; i < n; ++i) {
      dist.push_back(d);
      if (!chance(25)) d += chance(10) ? uniform(100, 1000) : uniform(0.001f, 30);
    }
    if (round % 10 == 9 && n > 2) std::swap(dist[rng() % dist.size()], dist[rng() % dist.size()]);  // unsorted
    if (round % 50 == 49 && n > 0) dist[rng() % dist.size()] = chance(50) ? nan : inf;
    const models::Profile profile = profile_of(dist);
    ride::PassedPointSearch search(profile);

    auto near_a_point = [&]() -> float {
      if (dist.empty() || chance(40)) return uniform(-60, d + 60);
      const float p = dist[rng() % dist.size()];
      switch (rng() % 3) {
        case 0: return p;
        case 1: return std::nextafter(p, inf);
        default: return std::nextafter(p, -inf);
      }
    };
    auto check = [&](float a, float b) {
      ASSERT_EQ(search.find(a, b), ride::first_point_passed_scan(profile, a, b)) << "round " << round << ": " << a << " " << b;
      ++checked;
    };

    // A ride: non-decreasing distances, sometimes on points, sometimes still.
    float ride_m = chance(50) ? 0.0f : near_a_point();
    for (int second = 0; second < 300; ++second) {
      float next_m = ride_m;
      if (chance(15)) next_m = std::max(ride_m, near_a_point());
      else if (!chance(10)) next_m = ride_m + (chance(20) ? uniform(0, 300) : uniform(0, 8));
      check(ride_m, next_m);
      ride_m = next_m;
    }
    // Random pairs, jumping back and forth.
    for (int k = 0; k < 200; ++k) {
      float a = near_a_point();
      float b = chance(30) ? near_a_point() : a + uniform(-20, 20);
      if (chance(2)) (chance(50) ? a : b) = chance(50) ? nan : (chance(50) ? inf : -inf);
      check(a, b);
    }
  }
  EXPECT_GT(checked, 150000);
}

}  // namespace
