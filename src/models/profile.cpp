#include <algorithm>
#include <cmath>
#include <cstddef>

#include "models/models.hpp"
#include "models/profile_steps.hpp"

namespace models {
namespace {

constexpr float k_max_spacing_m = 50.0f;  // mean spacing up to which a profile is conditioned
constexpr int32_t k_smoothing_passes = 10;
constexpr float k_max_rise = 0.25f;       // a rise strictly steeper deletes the point at its top

// Run of segment k..k+1 (from 1 to npts-1), exact in extended precision.
long double segment_run(const Profile& profile, int32_t k) {
  return static_cast<long double>(profile.dist(k + 1)) - profile.dist(k);
}

bool zero_length(const Profile& profile, int32_t k) { return segment_run(profile, k) == 0.0L; }

float segment_slope(const Profile& profile, int32_t k) {
  const long double rise = static_cast<long double>(profile.elev(k + 1)) - profile.elev(k);
  return static_cast<float>(rise / segment_run(profile, k));
}

}  // namespace

namespace detail {

// Ten forward passes of chord interpolation in place: each point 2 .. npts-1
// takes the elevation, at its own distance, of the straight line through its
// neighbours, the one before already updated in this pass. (0-based indices.)
//
// The passes run interleaved, each one point behind the one before it: in
// step t pass p updates point t - p, after pass p - 1 has updated point
// t - p + 1. Every update therefore reads exactly the values the passes run
// one after another would give it (its predecessor from pass p, its
// successor from pass p - 1), and the ten chains of dependent divisions
// overlap instead of running one after another.
void smooth_elevations(Profile& profile) {
  const std::vector<float>& dist = profile.prof_dist;
  std::vector<float>& elev = profile.prof_elev;
  const std::size_t n = dist.size();
  if (n < 3) return;
  auto update = [&](std::size_t i) {
    const long double outer = static_cast<long double>(dist[i + 1]) - dist[i - 1];
    if (outer == 0.0L) return;  // no chord through two points at one distance: keep
    const long double rise = static_cast<long double>(elev[i + 1]) - elev[i - 1];
    const long double inner = static_cast<long double>(dist[i]) - dist[i - 1];
    elev[i] = static_cast<float>(elev[i - 1] + (rise * inner) / outer);
  };
  const std::size_t last = n - 2;  // the last point a pass updates
  const auto passes = static_cast<std::size_t>(k_smoothing_passes);
  for (std::size_t t = 1; t < last + passes; ++t) {
    for (std::size_t pass = 0; pass < passes && pass < t; ++pass) {
      const std::size_t i = t - pass;
      if (i <= last) update(i);
    }
  }
}

// Deletes every point lying at a slope steeper than k_max_rise above the last
// kept point before it. Deleting point i+1 and testing i against the point that
// follows, one deletion at a time, keeps exactly the points that this single
// compaction keeps: each point is measured from the last point kept before it.
void delete_steep_tops(Profile& profile) {
  std::vector<float>& dist = profile.prof_dist;
  std::vector<float>& elev = profile.prof_elev;
  const std::size_t n = dist.size();
  if (n == 0) return;
  std::size_t foot = 0;  // last kept point (0-based)
  for (std::size_t next = 1; next < n; ++next) {
    const long double s = (static_cast<long double>(elev[next]) - elev[foot]) /
                          (static_cast<long double>(dist[next]) - dist[foot]);
    if (s > k_max_rise) continue;  // deleted; a slope that is not a number is not greater
    ++foot;
    dist[foot] = dist[next];
    elev[foot] = elev[next];
  }
  dist.resize(foot + 1);
  elev.resize(foot + 1);
}

}  // namespace detail

void smooth_profile(Profile& profile) {
  const int32_t npts = profile.npts();
  if (npts == 0) return;
  // By the number of points, not of segments; unrounded. Not a number goes on.
  const long double spacing_m = static_cast<long double>(profile.dist(npts)) / npts;
  if (spacing_m > k_max_spacing_m) return;
  detail::smooth_elevations(profile);
  detail::delete_steep_tops(profile);
}

void slope_at(float& slope, float d_m, const Profile& profile) {
  const int32_t npts = profile.npts();
  for (int32_t k = 1; k < npts; ++k) {
    if (d_m > profile.dist(k + 1)) continue;  // ends before d_m (never for not a number)
    if (zero_length(profile, k)) continue;
    slope = segment_slope(profile, k);
    return;
  }
}

// For a non-decreasing profile the first segment whose end lies at or beyond a
// distance d that is a number, k0, is never of zero length unless it is segment
// 1: for k0 > 1, dist(k0) < d <= dist(k0+1). So the scan's answer is
// max(k0, first_k_), where first_k_ skips the leading run of zero-length
// segments, and a not-a-number distance takes first_k_.

SlopeCursor::SlopeCursor(const Profile& profile) : profile_(profile) { reset(); }

void SlopeCursor::reset() {
  npts_ = profile_.npts();
  first_k_ = 1;
  while (first_k_ < npts_ && zero_length(profile_, first_k_)) ++first_k_;
  k_ = first_k_;
  slope_k_ = 0;
}

// A rider stays on a segment for many seconds: its slope is computed once.
float SlopeCursor::slope_of(int32_t k) {
  if (k != slope_k_) {
    slope_k_ = k;
    slope_ = segment_slope(profile_, k);
  }
  return slope_;
}

// The first segment k >= start (start <= npts_-1) whose end dist(k+1) is not
// below d_m, or npts_ when there is none: a galloping search from start, so
// O(log m) for an answer m segments ahead.
int32_t SlopeCursor::first_end_at_or_beyond(int32_t start, float d_m) const {
  // Segment k ends at 0-based index k of prof_dist.
  const std::vector<float>& dist = profile_.prof_dist;
  const auto ends_before = [d_m](float end_m) { return d_m > end_m; };
  const std::size_t end = static_cast<std::size_t>(npts_);
  std::size_t below = static_cast<std::size_t>(start);
  if (!ends_before(dist[below])) return start;
  std::size_t step = 1;
  std::size_t above = end;
  while (step < end - below) {
    const std::size_t probe = below + step;
    if (!ends_before(dist[probe])) {
      above = probe;
      break;
    }
    below = probe;
    step *= 2;
  }
  const auto first = dist.begin() + static_cast<std::ptrdiff_t>(below + 1);
  const auto last = dist.begin() + static_cast<std::ptrdiff_t>(above);
  return static_cast<int32_t>(std::partition_point(first, last, ends_before) - dist.begin());
}

void SlopeCursor::slope_at(float& slope, float d_m) {
  if (profile_.npts() != npts_) reset();
  if (first_k_ >= npts_) return;  // fewer than two points, or no segment of non-zero length
  if (std::isnan(d_m)) {
    slope = slope_of(first_k_);
    return;
  }
  // Going back to or before the start of segment k_: search again from the start.
  if (k_ > first_k_ && !(d_m > profile_.dist(k_))) k_ = first_k_;
  const int32_t k = first_end_at_or_beyond(k_, d_m);
  if (k >= npts_) {
    k_ = npts_ - 1;  // beyond the last point: slope unchanged
    return;
  }
  k_ = k;
  slope = slope_of(k);
}

}  // namespace models
