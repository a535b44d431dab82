#include <algorithm>
#include <cmath>

#include "ride/ride.hpp"
#include "runtime/io.hpp"

namespace ride {

namespace {

constexpr int32_t k_screen = 6;
constexpr int32_t k_detail_unit = 40;
constexpr int32_t k_stalled_ride_s = 3600;  // an hour without moving: the ride cannot end

}  // namespace

int32_t first_point_passed_scan(const models::Profile& profile, float d_prev_m, float d_m) {
  for (int32_t i = 1; i <= profile.npts(); ++i) {
    const long double p = profile.dist(i);
    if ((d_m - p) * (d_prev_m - p) < 0.0L) return i;
  }
  return 0;
}

PassedPointSearch::PassedPointSearch(const models::Profile& profile, SearchMode mode)
    : profile_(profile),
      // Every pair in order; false as soon as a distance is not a number.
      sorted_(mode == SearchMode::fast &&
              std::adjacent_find(profile.prof_dist.begin(), profile.prof_dist.end(),
                                 [](float a, float b) { return !(a <= b); }) == profile.prof_dist.end()) {}

// The product of the two differences is negative exactly when the point
// lies strictly between the two distances: both differences are exact in
// sign, and their product neither overflows nor underflows in extended
// precision. On a non-decreasing profile the first point above the lower
// distance is therefore the only candidate: the points before it are at or
// below it, and the points after it are no lower than it.
int32_t PassedPointSearch::find(float d_prev_m, float d_m) {
  if (!sorted_) return first_point_passed_scan(profile_, d_prev_m, d_m);
  if (std::isnan(d_prev_m) || std::isnan(d_m)) return 0;
  const float low_m = std::min(d_prev_m, d_m);
  const float high_m = std::max(d_prev_m, d_m);
  const std::vector<float>& dist = profile_.prof_dist;
  const std::size_t n = dist.size();

  std::size_t first = 0;  // every index below it is at or below low_m
  std::size_t bound = n;  // the answer lies in [first, bound]
  if (low_m >= last_low_m_) {
    // Gallop forward from the cursor: the cost grows with the log of the
    // distance moved, amortised O(1) per second over a ride.
    first = next_;
    bound = next_;
    std::size_t step = 1;
    while (bound < n && dist[bound] <= low_m) {
      first = bound + 1;
      bound = first + step;
      step *= 2;
    }
    bound = std::min(bound, n);
  }
  next_ = static_cast<std::size_t>(
      std::upper_bound(dist.begin() + static_cast<std::ptrdiff_t>(first),
                       dist.begin() + static_cast<std::ptrdiff_t>(bound), low_m) -
      dist.begin());
  last_low_m_ = low_m;
  if (next_ < n && dist[next_] < high_m) return static_cast<int32_t>(next_ + 1);
  return 0;
}

// A whole number of seconds up to 2^24 (every time the ride loop reaches)
// splits exactly as integer division splits it: the rounding error of each
// extended quotient is far below the distance from its fraction to the next
// integer.
Clock detail_clock(float t_s) {
  constexpr float k_whole_seconds_limit = 16777216.0f;  // 2^24
  if (t_s >= 0.0f && t_s <= k_whole_seconds_limit && static_cast<float>(static_cast<int32_t>(t_s)) == t_s) {
    const auto t = static_cast<int32_t>(t_s);
    return {t / 3600, t % 3600 / 60, t % 60};
  }
  const long double t = t_s;
  const int32_t h = int_trunc(t / 3600.0L);
  const int32_t mi = int_trunc((t - 3600.0L * h) / 60.0L);
  return {h, mi, int_trunc(t - 3600.0L * h - 60.0L * mi)};
}

void write_detail_line(float t_s, float d_m, float d_prev_m, float v_ms, float slope, PassedPointSearch& search) {
  if (search.find(d_prev_m, d_m) == 0) return;
  static const rt::Format row("(3X,I2,':',I2,':',I2,7X,F8.3,6X,F6.1,8X,F6.1)");
  const auto [h, mi, s] = detail_clock(t_s);
  const auto distance_km = static_cast<float>(static_cast<long double>(d_m) / 1000.0L);
  const auto speed_kmh = static_cast<float>(static_cast<long double>(v_ms) * k_kmh_per_ms);
  const auto slope_pct = static_cast<float>(static_cast<long double>(slope) * 100.0L);
  rt::write_formatted(k_detail_unit, row, {h, mi, s, distance_km, speed_kmh, slope_pct});
}

namespace {

void write_walking_notice(float d_m, float slope) {
  static const rt::Format notice("(5X,'Au km ',F7.3,' pente de ',F4.1,' %','  Pied a terre 4 km/h')");
  const auto distance_km = static_cast<float>(static_cast<long double>(d_m) / 1000.0L);
  const auto slope_pct = static_cast<float>(static_cast<long double>(slope) * 100.0L);
  rt::write_formatted(k_screen, notice, {distance_km, slope_pct});
}

// The rider walks when the speed update gives a negative speed, and when a
// start from rest gives exactly 0: staying at rest would repeat the same
// second for ever. A moving rider whose speed falls to exactly 0 rides on
// and starts from rest in the next second.
bool walks(float v_prev_ms, float v_ms) { return v_ms < 0.0f || (v_prev_ms == 0.0f && v_ms == 0.0f); }

}  // namespace

// One pass per second. The speed at the end of the second comes from the
// speed update at the slope under the rider at its start; the distance
// advances by the mean of the speeds at the start and at the end of the
// second (the trapezoid rule over one second), summed in extended precision
// and stored as a REAL. The ride ends in the first second that reaches the
// last point; t_s is then the ride time in seconds.
//
// Far from the start a REAL distance can no longer take a small step: past
// 2^22 m (4194 km) a rider crawling at a quarter of a metre per second stays
// where he is, and the same second would repeat for ever. A ride whose
// distance has not changed for a whole hour of pedalling is stopped there
// with a message: such a route is too long to be simulated at this power.
RideState ride_route(const models::Profile& profile, float power_w, const Coefficients& c, SearchMode mode) {
  RideState s;
  s.d_end_m = profile.dist(profile.npts());
  models::SlopeCursor slope_cursor(profile);
  PassedPointSearch point_search(profile, mode);
  int32_t still_s = 0;  // seconds in a row in which the distance did not change
  for (;;) {
    if (mode == SearchMode::fast) slope_cursor.slope_at(s.slope, s.d_m);
    else models::slope_at(s.slope, s.d_m, profile);
    s.v_ms = models::next_speed(s.v_prev_ms, s.slope, c.crr, c.k_air, c.weight_n, power_w);
    if (walks(s.v_prev_ms, s.v_ms)) {
      write_walking_notice(s.d_m, s.slope);
      s.v_ms = k_walking_speed_ms;
    }
    const long double mean_ms = (static_cast<long double>(s.v_ms) + s.v_prev_ms) * 0.5L;
    s.d_prev_m = s.d_m;
    s.d_m = static_cast<float>(s.d_m + mean_ms);
    write_detail_line(s.t_s, s.d_m, s.d_prev_m, s.v_ms, s.slope, point_search);
    s.v_prev_ms = s.v_ms;
    if (s.d_m >= s.d_end_m) return s;
    still_s = s.d_m == s.d_prev_m ? still_s + 1 : 0;
    if (still_s >= k_stalled_ride_s) {
      rt::write_list(k_screen, {"Attention: parcours trop long pour etre simule a cette puissance"});
      rt::stop(1);
    }
    s.t_s = static_cast<float>(s.t_s + 1.0L);
  }
}

}  // namespace ride
