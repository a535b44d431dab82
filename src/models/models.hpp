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
/// given latitude first, in decimal degrees (haversine, arc-sine form, with
/// pi taken as 3.141592f). Identical points give exactly 0, and exchanging the
/// points gives the same result. No argument is checked.
float great_circle_km(float lat1, float lon1, float lat2, float lon2);

/// The cosine of a latitude in degrees as great_circle_km takes it, and the
/// same distance from the cosines of both latitudes, so that a walk along a
/// track computes each point's cosine once.
float latitude_cos(float lat);
float great_circle_km(float lat1, float lon1, float lat2, float lon2, float cos_lat1, float cos_lat2);

/// Conditions a loaded profile once. When prof_dist(npts) / npts <= 50 m (or
/// the quotient is not a number): ten forward, in-place passes of chord
/// smoothing of the elevations of points 2 .. npts-1, then deletion of every
/// point at the top of a rise steeper than 0.25 from the last kept point before
/// it (descents and not-a-number slopes delete nothing). A sparser profile, or
/// an empty one, is left exactly as it is. A point whose outer span
/// dist(i+1) - dist(i-1) is zero keeps its elevation in that pass. Distances
/// are changed only by deletion; npts can only go down. Linear time.
void smooth_profile(Profile& profile);

/// Slope (rise over run, rounded to float) of the first segment k..k+1 of
/// non-zero length whose end dist(k+1) lies at or beyond d_m; a d_m that is
/// not a number takes the first such segment. `slope` is left unchanged when
/// there is none (npts < 2, d_m beyond the last point, or every segment of
/// zero length). Scans from the first segment on every call.
void slope_at(float& slope, float d_m, const Profile& profile);

/// The same search as slope_at, for a ride whose distance grows: amortised
/// O(1) per call for non-decreasing distances, O(log n) when the distance goes
/// back or jumps ahead. Gives exactly slope_at's result for every distance,
/// for a profile whose distances are non-decreasing. The profile is read by
/// reference and must outlive the cursor; if its number of points changes the
/// cursor starts afresh, any other change of the profile needs a new cursor.
class SlopeCursor {
 public:
  explicit SlopeCursor(const Profile& profile);
  void slope_at(float& slope, float d_m);

 private:
  void reset();
  int32_t first_end_at_or_beyond(int32_t start, float d_m) const;
  float slope_of(int32_t k);

  const Profile& profile_;
  int32_t npts_ = 0;     // npts when the cursor was last set up
  int32_t first_k_ = 1;  // first segment of non-zero length; npts_ or more when none
  int32_t k_ = 1;        // no distance above dist(k_) can take a segment before k_
  int32_t slope_k_ = 0;  // segment whose slope is slope_ (0: none yet)
  float slope_ = 0.0f;
};

/// Speed in m/s at the end of one second that began at v_prev_ms on `slope`
/// at power_w, with the weight weight_n in N and the air coefficient k_air in
/// N/(m/s)^2: the closed form from rest when v_prev_ms == 0 (either sign;
/// never below 0, k_air unused), otherwise one explicit step of Newton's law
/// (a not-a-number v_prev_ms takes this step). The moving step is not limited:
/// it can be negative, which the ride takes as walking. A negative power can
/// give a speed that is not a number; callers refuse such powers.
float next_speed(float v_prev_ms, float slope, float crr, float k_air, float weight_n, float power_w);

/// Speed in km/h that power_w holds on level ground: the first multiple of
/// the 0.1f km/h step (accumulated in extended precision, rounded to float
/// only on return) whose required power reaches power_w. At least one step
/// (0.1 km/h for a power of zero, negative or not a number), at most
/// 1,000,000 steps: the speed of the last step is returned when the bound is
/// reached (any power above about 4e12 W, infinity included).
float flat_speed_kmh(float power_w);

}  // namespace models
