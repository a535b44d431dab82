// Physical and geometric models of the ride: pure computations on numbers
// and on the profile, without I/O and without state.
//
// Every formula is evaluated in long double (x87 extended) with the float
// constants it names and rounded to float exactly where a REAL is stored.
#pragma once

#include <cstdint>
#include <vector>

namespace models {

/// The distance/elevation profile. Point i (from 1 to npts()) lies
/// dist(i) metres from the start at an elevation of elev(i) metres. The
/// arrays grow as needed; there is no fixed capacity.
struct Profile {
  std::vector<float> prof_dist;  // m, non-decreasing
  std::vector<float> prof_elev;  // m

  int32_t npts() const { return static_cast<int32_t>(prof_dist.size()); }
  float dist(int32_t i) const { return prof_dist[static_cast<std::size_t>(i - 1)]; }
  float elev(int32_t i) const { return prof_elev[static_cast<std::size_t>(i - 1)]; }
  void push_back(float dist_m, float elev_m) {
    prof_dist.push_back(dist_m);
    prof_elev.push_back(elev_m);
  }
};

/// Great-circle distance in km on a sphere of 6366 km between two points
/// given in decimal degrees (haversine, arc-sine form). Identical points give
/// exactly 0.
float great_circle_km(float lat1, float lon1, float lat2, float lon2);

/// Conditions a loaded profile once: when prof_dist(npts) / npts <= 50 m,
/// ten forward passes of chord smoothing of the elevations, then deletion of
/// every point at the top of a rise steeper than 0.25 from the kept point
/// before it. A point whose outer span is zero keeps its elevation.
void smooth_profile(Profile& profile);

/// Slope (rise over run) of the first segment whose end lies at or beyond
/// d_m; `slope` is left unchanged when npts < 2 or d_m lies beyond the last
/// point. Zero-length segments are passed over. Scans from the first segment.
void slope_at(float& slope, float d_m, const Profile& profile);

/// The same search as slope_at for a ride whose distance grows: amortised
/// O(1) per call for non-decreasing distances, O(log n) otherwise, and
/// always the same segment as the scan from the first one.
class SlopeCursor {
 public:
  explicit SlopeCursor(const Profile& profile);
  void slope_at(float& slope, float d_m);

 private:
  const Profile& profile_;
  int32_t k_ = 1;  // candidate segment k..k+1
  float last_d_m_ = 0.0f;
};

/// Speed in m/s at the end of one second that began at v_prev_ms on `slope`
/// at power_w: the closed form from rest when v_prev_ms == 0, otherwise one
/// explicit step of Newton's law. The result is not limited (it can be
/// negative, which the ride takes as walking).
float next_speed(float v_prev_ms, float slope, float crr, float k_air, float weight_n, float power_w);

/// Speed in km/h that power_w holds on level ground: the first multiple of
/// the 0.1 km/h step (accumulated in extended precision) whose required power
/// reaches power_w; at most 1,000,000 steps.
float flat_speed_kmh(float power_w);

}  // namespace models
