#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "models/models.hpp"
#include "models/profile_steps.hpp"

namespace {

using models::Profile;

constexpr float k_nan = std::numeric_limits<float>::quiet_NaN();
constexpr float k_inf = std::numeric_limits<float>::infinity();

Profile make_profile(const std::vector<float>& dist_m, const std::vector<float>& elev_m) {
  Profile p;
  p.prof_dist = dist_m;
  p.prof_elev = elev_m;
  return p;
}

std::vector<uint32_t> bits(const std::vector<float>& values) {
  std::vector<uint32_t> out;
  for (float v : values) out.push_back(std::bit_cast<uint32_t>(v));
  return out;
}

// Compares both arrays to the bit.
void expect_profile(const Profile& actual, const std::vector<float>& dist_m,
                    const std::vector<float>& elev_m, const char* what) {
  EXPECT_EQ(actual.npts(), static_cast<int32_t>(dist_m.size())) << what;
  EXPECT_EQ(bits(actual.prof_dist), bits(dist_m)) << what;
  EXPECT_EQ(bits(actual.prof_elev), bits(elev_m)) << what;
}

struct ProfileCase {
  const char* what;
  std::vector<float> dist_m, elev_m;                    // as loaded
  std::vector<float> expected_dist_m, expected_elev_m;  // as conditioned
};

// ---------------------------------------------------------------- smoothing

TEST(SmoothProfile, StatedCases) {
  const ProfileCase cases[] = {
      {"spike cleared by the in-place forward sweep",
       {0, 10, 20, 30}, {0, 10, 0, 0}, {0, 10, 20, 30}, {0, 0, 0, 0}},
      {"step smoothed, no deletion",
       {0, 10, 20, 30}, {0, 0, 2, 2}, {0, 10, 20, 30}, {0, 0.666667938f, 1.33333397f, 2}},
      {"uniform rise of exactly 0.25 left unchanged",
       {0, 10, 20, 30}, {0, 2.5f, 5, 7.5f}, {0, 10, 20, 30}, {0, 2.5f, 5, 7.5f}},
      {"uniform rise of 0.3 collapses to its first point",
       {0, 10, 20, 30}, {0, 3, 6, 9}, {0}, {0}},
      {"uniform descent left unchanged",
       {0, 10, 20, 30}, {0, -3, -6, -9}, {0, 10, 20, 30}, {0, -3, -6, -9}},
      {"steep uniform descent left unchanged",
       {0, 10, 20, 30}, {0, -1000, -2000, -3000}, {0, 10, 20, 30}, {0, -1000, -2000, -3000}},
      {"two dense points with a steep rise: the second is deleted",
       {0, 10}, {0, 5}, {0}, {0}},
      {"two dense points with a gentle rise",
       {0, 10}, {0, 2.5f}, {0, 10}, {0, 2.5f}},
      {"the last points can be deleted: the last distance becomes smaller",
       {0, 10, 20, 30}, {0, 0, 0, 100}, {0}, {0}},
      {"one point", {0}, {7}, {0}, {7}},
      {"no point", {}, {}, {}, {}},
  };
  for (const auto& c : cases) {
    Profile p = make_profile(c.dist_m, c.elev_m);
    models::smooth_profile(p);
    expect_profile(p, c.expected_dist_m, c.expected_elev_m, c.what);
  }
}

TEST(SmoothProfile, SweepReadsTheUpdatedPointBefore) {
  // An update that read only the previous pass's values (the point before not
  // yet replaced) would leave 0.009765625 at the second point: the sweep is in
  // place and forward.
  Profile p = make_profile({0, 10, 20, 30}, {0, 10, 0, 0});
  models::detail::smooth_elevations(p);
  EXPECT_EQ(std::bit_cast<uint32_t>(p.elev(2)), 0u);
  EXPECT_NE(p.elev(2), 0.009765625f);
}

TEST(SmoothProfile, SpacingLimitIsFiftyMetresPerPoint) {
  // n points at 50 m spacing ending with a point at 5000 m, 1000 m up: a rise
  // far steeper than 0.25. 100 points give a quotient of exactly 50.0 and are
  // conditioned; 99 give about 50.5 and are left exactly as loaded.
  const auto loaded = [](int32_t npts) {
    Profile p;
    for (int32_t i = 0; i + 1 < npts; ++i) p.push_back(50.0f * static_cast<float>(i), 0.0f);
    p.push_back(5000.0f, 1000.0f);
    return p;
  };

  Profile dense = loaded(100);
  ASSERT_EQ(dense.dist(100) / 100.0f, 50.0f);
  models::smooth_profile(dense);
  EXPECT_LT(dense.npts(), 100);

  const Profile sparse_loaded = loaded(99);
  Profile sparse = sparse_loaded;
  models::smooth_profile(sparse);
  expect_profile(sparse, sparse_loaded.prof_dist, sparse_loaded.prof_elev, "99 points over 5000 m");
}

TEST(SmoothProfile, ZeroOuterSpanKeepsTheElevation) {
  // Point 3 lies between two points at its own distance: no chord through them,
  // so it keeps its elevation in every pass instead of becoming 0/0.
  const ProfileCase cases[] = {
      {"three points at 10 m, equal elevations after smoothing",
       {0, 10, 10, 10, 20}, {0, 1, 2, 3, 4}, {0, 10, 10, 10, 20}, {0, 2, 2, 2, 4}},
      {"three points at 10 m at the top of a steep rise",
       {0, 10, 10, 10, 20}, {0, 1, 5, 3, 4}, {0, 20}, {0, 4}},
      {"three points at one distance at the start",
       {0, 0, 0, 10}, {0, 5, 1, 1}, {0, 10}, {0, 1}},
  };
  for (const auto& c : cases) {
    Profile p = make_profile(c.dist_m, c.elev_m);
    models::smooth_profile(p);
    expect_profile(p, c.expected_dist_m, c.expected_elev_m, c.what);
    for (float e : p.prof_elev) EXPECT_TRUE(std::isfinite(e)) << c.what;
  }
}

// ----------------------------------------------------------------- deletion

TEST(DeleteSteepTops, StatedCases) {
  const ProfileCase cases[] = {
      {"deletion in a row: 0.3 and 0.275 from the foot deleted, 0.15 kept",
       {0, 10, 20, 40}, {0, 3, 5.5f, 6}, {0, 40}, {0, 6}},
      {"a rise of exactly 0.25 is kept", {0, 10}, {0, 2.5f}, {0, 10}, {0, 2.5f}},
      {"descents of any steepness are kept", {0, 1, 2}, {0, -1000, -5000}, {0, 1, 2}, {0, -1000, -5000}},
      {"zero run with a rise: infinite slope, the upper point is deleted", {0, 0}, {0, 1}, {0}, {0}},
      {"zero run with a fall: the lower point remains", {0, 0}, {0, -1}, {0, 0}, {0, -1}},
      {"zero run without change: not a number, the point remains", {0, 0}, {3, 3}, {0, 0}, {3, 3}},
      {"the last point deleted", {0, 10, 20, 30}, {0, 1, 2, 10}, {0, 10, 20}, {0, 1, 2}},
      {"after a deletion the next point is measured from the foot",
       {0, 10, 20, 30}, {0, 5, 1, 3}, {0, 20, 30}, {0, 1, 3}},
      {"one point", {5}, {5}, {5}, {5}},
      {"no point", {}, {}, {}, {}},
  };
  for (const auto& c : cases) {
    Profile p = make_profile(c.dist_m, c.elev_m);
    models::detail::delete_steep_tops(p);
    expect_profile(p, c.expected_dist_m, c.expected_elev_m, c.what);
  }
}

// The deletion exactly as written: test point i+1 against point i; delete it
// by moving the later points down one at a time and test i again, or go on.
void delete_one_at_a_time(Profile& p) {
  int32_t npts = p.npts();
  int32_t i = 1;
  while (i < npts) {
    const long double s = (static_cast<long double>(p.elev(i + 1)) - p.elev(i)) /
                          (static_cast<long double>(p.dist(i + 1)) - p.dist(i));
    if (s > 0.25f) {
      for (int32_t j = i + 1; j < npts; ++j) {
        p.prof_dist[static_cast<std::size_t>(j - 1)] = p.dist(j + 1);
        p.prof_elev[static_cast<std::size_t>(j - 1)] = p.elev(j + 1);
      }
      --npts;
    } else {
      ++i;
    }
  }
  p.prof_dist.resize(static_cast<std::size_t>(npts));
  p.prof_elev.resize(static_cast<std::size_t>(npts));
}

// A random non-decreasing profile with runs of equal distances (leading ones
// included), steep and gentle rises, descents and flat stretches.
Profile random_profile(std::mt19937& rng, int32_t max_points) {
  std::uniform_int_distribution<int32_t> count(0, max_points);
  std::uniform_int_distribution<int32_t> kind(0, 9);
  std::uniform_real_distribution<float> step(0.0f, 20.0f);
  std::uniform_real_distribution<float> climb(-3.0f, 8.0f);
  Profile p;
  const int32_t npts = count(rng);
  float d = kind(rng) < 3 ? 0.0f : step(rng) - 10.0f;
  float e = climb(rng) * 10.0f;
  for (int32_t i = 0; i < npts; ++i) {
    p.push_back(d, e);
    const int32_t k = kind(rng);
    if (k < 3) {
      // same distance next
    } else if (k < 5) {
      d += static_cast<float>(1 + k);  // whole metres: points exactly on round distances
    } else {
      d += step(rng);
    }
    const int32_t m = kind(rng);
    if (m < 2) {
      // same elevation next
    } else {
      e += climb(rng);
    }
  }
  return p;
}

TEST(DeleteSteepTops, OnePassEqualsDeletingOneAtATime) {
  std::mt19937 rng(20240603u);
  for (int trial = 0; trial < 20000; ++trial) {
    const Profile loaded = random_profile(rng, 40);
    Profile fast = loaded;
    Profile slow = loaded;
    models::detail::delete_steep_tops(fast);
    delete_one_at_a_time(slow);
    ASSERT_EQ(bits(fast.prof_dist), bits(slow.prof_dist)) << "trial " << trial;
    ASSERT_EQ(bits(fast.prof_elev), bits(slow.prof_elev)) << "trial " << trial;
  }
}

TEST(SmoothProfile, MillionPointsInLinearTime) {
  // A steady rise of 0.3 over 10^6 points at 1 m: every point after the first
  // is deleted, which one-at-a-time deletion would do in some 10^11 moves.
  Profile p;
  for (int32_t i = 0; i < 1000000; ++i) {
    const float d = static_cast<float>(i);
    p.push_back(d, 0.3f * d);
  }
  models::smooth_profile(p);
  expect_profile(p, {0}, {0}, "a million points rising at 0.3");
}

// --------------------------------------------------------------- slope_at

struct SlopeCase {
  float d_m;
  float expected;  // k_unchanged when the slope must stay as it was
};

constexpr float k_unchanged = -12345.0f;

float slope_by_scan(float d_m, const Profile& p) {
  float slope = k_unchanged;
  models::slope_at(slope, d_m, p);
  return slope;
}

float slope_by_cursor(float d_m, const Profile& p) {
  models::SlopeCursor cursor(p);
  float slope = k_unchanged;
  cursor.slope_at(slope, d_m);
  return slope;
}

void expect_slopes(const Profile& p, const std::vector<SlopeCase>& cases, const char* what) {
  for (const auto& c : cases) {
    EXPECT_EQ(std::bit_cast<uint32_t>(slope_by_scan(c.d_m, p)), std::bit_cast<uint32_t>(c.expected))
        << what << ", scan at " << c.d_m;
    EXPECT_EQ(std::bit_cast<uint32_t>(slope_by_cursor(c.d_m, p)), std::bit_cast<uint32_t>(c.expected))
        << what << ", cursor at " << c.d_m;
  }
}

TEST(SlopeAt, StatedLookups) {
  // Distances 0, 10, 30 and elevations 0, 1, 5: segments of 0.1 and 0.2.
  const Profile p = make_profile({0, 10, 30}, {0, 1, 5});
  expect_slopes(p,
                {{-5.0f, 0.1f},
                 {0.0f, 0.1f},
                 {10.0f, 0.1f},  // on a point: the segment that ends there
                 {10.5f, 0.2f},
                 {30.0f, 0.2f},
                 {30.5f, k_unchanged},  // beyond the last point
                 {k_nan, 0.1f},         // not a number takes the first segment
                 {-k_inf, 0.1f},
                 {k_inf, k_unchanged},
                 {-0.0f, 0.1f}},
                "0 10 30");
}

TEST(SlopeAt, FewerThanTwoPointsLeaveTheSlope) {
  const Profile one = make_profile({0}, {5});
  const Profile none;
  for (float d : {-5.0f, 0.0f, 10.0f, 1e9f, k_nan}) {
    expect_slopes(one, {{d, k_unchanged}}, "one point");
    expect_slopes(none, {{d, k_unchanged}}, "no point");
  }
}

TEST(SlopeAt, ZeroLengthSegmentsArePassedOver) {
  // The first two points share a distance: the search goes on to segment 2
  // instead of giving an infinite slope.
  expect_slopes(make_profile({0, 0, 10}, {0, 1, 2}),
                {{-5.0f, 0.1f}, {0.0f, 0.1f}, {5.0f, 0.1f}, {10.0f, 0.1f}, {10.5f, k_unchanged}, {k_nan, 0.1f}},
                "first segment of zero length");
  expect_slopes(make_profile({0, 0, 0, 10, 20}, {0, 1, 0, 3, 3}),
                {{-1.0f, 0.3f}, {0.0f, 0.3f}, {10.0f, 0.3f}, {15.0f, 0.0f}, {k_nan, 0.3f}},
                "two leading segments of zero length");
  // A later zero-length segment is never chosen: the one before ends there.
  expect_slopes(make_profile({0, 10, 10, 20}, {0, 1, 3, 4}),
                {{10.0f, 0.1f}, {std::nextafter(10.0f, 20.0f), 0.1f}, {20.0f, 0.1f}},
                "zero-length segment inside");
  // Every segment of zero length: no slope at all.
  expect_slopes(make_profile({5, 5, 5}, {0, 1, 2}),
                {{0.0f, k_unchanged}, {5.0f, k_unchanged}, {k_nan, k_unchanged}},
                "all at one distance");
}

// ------------------------------------------------------------- SlopeCursor

std::vector<float> query_distances(std::mt19937& rng, const Profile& p, int32_t count) {
  std::vector<float> anchors = {k_nan, k_inf, -k_inf, 0.0f, -0.0f, -5.0f, 1e9f};
  for (float d : p.prof_dist) {
    anchors.push_back(d);
    anchors.push_back(std::nextafter(d, k_inf));
    anchors.push_back(std::nextafter(d, -k_inf));
  }
  float lo = -20.0f;
  float hi = 20.0f;
  if (p.npts() > 0) {
    lo = p.dist(1) - 20.0f;
    hi = p.dist(p.npts()) + 20.0f;
  }
  std::uniform_int_distribution<std::size_t> pick(0, anchors.size() - 1);
  std::uniform_real_distribution<float> any(lo, hi);
  std::uniform_int_distribution<int32_t> coin(0, 2);
  std::vector<float> out;
  for (int32_t i = 0; i < count; ++i) out.push_back(coin(rng) == 0 ? any(rng) : anchors[pick(rng)]);
  return out;
}

// Runs both searches over one call sequence, each keeping its slope between
// calls as the ride loop does, and compares the slopes to the bit after each.
void expect_same_as_scan(const Profile& p, const std::vector<float>& calls, int trial) {
  models::SlopeCursor cursor(p);
  float by_scan = 0.5f;
  float by_cursor = 0.5f;
  for (std::size_t i = 0; i < calls.size(); ++i) {
    models::slope_at(by_scan, calls[i], p);
    cursor.slope_at(by_cursor, calls[i]);
    ASSERT_EQ(std::bit_cast<uint32_t>(by_cursor), std::bit_cast<uint32_t>(by_scan))
        << "trial " << trial << ", call " << i << " at " << calls[i] << ", npts " << p.npts();
  }
}

TEST(SlopeCursor, SameAsScanForIncreasingDistances) {
  std::mt19937 rng(7u);
  for (int trial = 0; trial < 3000; ++trial) {
    const Profile p = random_profile(rng, 60);
    std::vector<float> calls = query_distances(rng, p, 150);
    std::erase_if(calls, [](float d) { return std::isnan(d); });
    std::sort(calls.begin(), calls.end());  // non-decreasing, with repeats
    expect_same_as_scan(p, calls, trial);
  }
}

TEST(SlopeCursor, SameAsScanForArbitraryDistances) {
  std::mt19937 rng(11u);
  for (int trial = 0; trial < 3000; ++trial) {
    const Profile p = random_profile(rng, 60);
    expect_same_as_scan(p, query_distances(rng, p, 150), trial);
  }
}

TEST(SlopeCursor, SameAsScanForARideWithPausesAndStepsBack) {
  // Mostly increasing, with repeated distances, occasional steps back and
  // occasional not-a-number distances in between.
  std::mt19937 rng(13u);
  std::uniform_real_distribution<float> advance(0.0f, 6.0f);
  std::uniform_int_distribution<int32_t> kind(0, 19);
  for (int trial = 0; trial < 3000; ++trial) {
    const Profile p = random_profile(rng, 60);
    std::vector<float> calls;
    float d = p.npts() > 0 ? p.dist(1) - 3.0f : 0.0f;
    for (int32_t i = 0; i < 200; ++i) {
      const int32_t k = kind(rng);
      if (k == 0) {
        calls.push_back(k_nan);
        continue;
      }
      if (k == 1) d -= 4.0f * advance(rng);
      else if (k > 4) d += advance(rng);
      calls.push_back(d);
    }
    expect_same_as_scan(p, calls, trial);
  }
}

TEST(SlopeCursor, FollowsAProfileThatGrows) {
  Profile p = make_profile({0, 10}, {0, 1});
  models::SlopeCursor cursor(p);
  float slope = k_unchanged;
  cursor.slope_at(slope, 15.0f);
  EXPECT_EQ(slope, k_unchanged);
  p.push_back(20.0f, 3.0f);
  cursor.slope_at(slope, 15.0f);
  EXPECT_EQ(slope, 0.2f);
}

TEST(SlopeCursor, WalksAMillionPoints) {
  // Segment k rises by (k mod 7) / 10 over 1 m. Two calls per segment on the
  // way out (inside it and on its end point), then jumps back. The plain scan
  // would take some 10^12 steps.
  Profile p;
  float e = 0.0f;
  for (int32_t i = 0; i < 1000000; ++i) {
    p.push_back(static_cast<float>(i), e);
    e += static_cast<float>(i % 7) / 10.0f;
  }
  const auto expected = [&p](int32_t k) {
    return static_cast<float>((static_cast<long double>(p.elev(k + 1)) - p.elev(k)) /
                              (static_cast<long double>(p.dist(k + 1)) - p.dist(k)));
  };
  models::SlopeCursor cursor(p);
  float slope = 0.0f;
  for (int32_t k = 1; k < 1000000; ++k) {
    const float end_m = p.dist(k + 1);
    cursor.slope_at(slope, end_m - 0.5f);
    ASSERT_EQ(slope, expected(k)) << k;
    cursor.slope_at(slope, end_m);
    ASSERT_EQ(slope, expected(k)) << k;
  }
  for (int32_t k = 999999; k >= 1; k -= 997) {
    cursor.slope_at(slope, p.dist(k + 1) - 0.25f);
    ASSERT_EQ(slope, expected(k)) << k;
  }
}

}  // namespace
