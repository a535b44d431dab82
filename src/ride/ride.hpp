// Ride simulation and report: the main program, the profile loading, the
// power dialogue, the one-second ride loop with its detail file, and the
// summary on the screen.
//
// The stages read the profile file (unit 20) and the keyboard (unit 5), and
// write the screen (unit 6) and the detail file (unit 40) through the
// run-time. Every formula is evaluated in long double with the float
// constants it names and rounded to float where a REAL is stored.
#pragma once

#include <cstddef>
#include <cstdint>

#include "models/models.hpp"
#include "runtime/text.hpp"

namespace ride {

constexpr float k_walking_speed_ms = 1.1f;  // speed of a rider pushing the bike, m/s
constexpr float k_kmh_per_ms = 3.6f;        // m/s to km/h
constexpr float k_min_power_w = 1.0f;       // range of powers the dialogue accepts, W
constexpr float k_max_power_w = 10000.0f;

/// Coefficients of the ride model, fixed for the whole run.
struct Coefficients {
  float crr = 0.01f;        // rolling resistance, dimensionless
  float k_air = 0.2f;       // air resistance, N per (m/s)^2
  float weight_n = 800.0f;  // weight of rider and bike, N
};

/// The main program: runs the whole pipeline once and ends with a stop.
void ride_main();

/// Appends every record of the profile file on unit 20 (distance m,
/// elevation m, other values ignored) to `profile`, until its end. A value
/// that cannot be read ends the program with the run-time's diagnostic.
void load_profile(models::Profile& profile);

/// True when the conditioned profile cannot be ridden: fewer than two
/// points, or a last distance that is not greater than 0.
bool profile_too_short(const models::Profile& profile);

/// True for a finite power from 1 to 10000 W.
bool power_acceptable(float power_w);

/// Asks for the power on the screen until the keyboard gives an acceptable
/// one; an unreadable or missing answer gets a warning and the question
/// again. End of input ends the program with the run-time's diagnostic.
float ask_power();

/// INT(): truncation toward zero. A value outside the INTEGER range (or not
/// a number) gives -2147483648, as the x87 conversion does, which every
/// narrow I field shows as asterisks.
int32_t int_trunc(long double x);

/// The lowest-numbered profile point (from 1) that lies strictly between
/// d_prev_m and d_m, in either order, or 0: the plain scan from the first
/// point, with the sign of (d_m - p) * (d_prev_m - p) in extended precision.
int32_t first_point_passed_scan(const models::Profile& profile, float d_prev_m, float d_m);

/// How the ride loop finds the segment under the rider and the point passed:
/// fast (cursors, amortised O(1) per second) or plain (scans from the first
/// point every second, kept to measure the fast ones against).
enum class SearchMode { fast, plain };

/// The same search for the ride loop: on a non-decreasing profile a binary
/// search, with a cursor that makes it amortised O(1) for distances that
/// grow; on any other profile, or in plain mode, the plain scan. Gives the
/// same point as first_point_passed_scan for every pair of distances.
class PassedPointSearch {
 public:
  explicit PassedPointSearch(const models::Profile& profile, SearchMode mode = SearchMode::fast);
  int32_t find(float d_prev_m, float d_m);

 private:
  const models::Profile& profile_;
  bool sorted_;  // non-decreasing, and the fast search is wanted
  std::size_t next_ = 0;    // first index whose distance exceeds last_low_m_
  float last_low_m_ = 0.0f;
};

/// The time of a detail row as hours, minutes and seconds: INT(t/3600), then
/// INT of the minutes and of the seconds left, divided in extended precision.
struct Clock {
  int32_t h, mi, s;
};
Clock detail_clock(float t_s);

/// Writes one detail row on unit 40 when a profile point lies strictly
/// between d_prev_m and d_m: the time t_s as h:mi:s, d_m in km, v_ms in km/h
/// and the slope in percent. Writes nothing otherwise.
void write_detail_line(float t_s, float d_m, float d_prev_m, float v_ms, float slope, PassedPointSearch& search);

/// The ride state at the end of the ride loop.
struct RideState {
  float t_s = 1.0f;       // number of the current second; the ride time at the end
  float d_m = 0.0f;       // distance covered, m
  float d_prev_m = 0.0f;  // distance at the start of the current second, m
  float v_ms = 0.0f;      // speed at the end of the current second, m/s
  float v_prev_ms = 0.0f; // speed at the start of the current second, m/s
  float slope = 0.0f;     // slope under the rider, rise over run
  float d_end_m = 0.0f;   // distance at which the ride ends, m
};

/// Rides the profile (at least two points, last distance above 0) second
/// by second from rest at power_w, writing walking notices on the screen and
/// detail rows on unit 40, until the distance reaches the last point. Both
/// search modes give the same ride to the bit.
RideState ride_route(const models::Profile& profile, float power_w, const Coefficients& coefficients,
                     SearchMode mode = SearchMode::fast);

/// Whole hours and the whole minutes beyond them of a ride time in seconds.
struct TimeSplit {
  int32_t hours;
  int32_t minutes;
};
TimeSplit split_ride_time(float t_s);

/// An energy as the report prints it: INT(energy_kj + 0.5).
int32_t rounded_kj(float energy_kj);

/// The figures of the report.
struct Summary {
  float length_km;         // route length
  float climb_m;           // positive climb
  float power_w;           // power typed by the user
  TimeSplit time;          // ride time
  float energy_kj;         // energy spent on the ride
  float v_flat_kmh;        // speed the power holds on the flat
  float t_flat_s;          // time for the route length on the flat
  float energy_flat_kj;    // energy for the route length on the flat
  float energy_100km_kj;   // energy for 100 km on the flat
  float difficulty_index;  // energy_kj over the flat energy for the same length
  float energy_index;      // energy_kj over energy_100km_kj
};

/// The report's figures from the conditioned profile (at least one point),
/// the power, the ride time and the flat speed for that power.
Summary summarize(const models::Profile& profile, float power_w, float t_s, float v_flat_kmh);

/// Writes the report on the screen: the figures, the detail file's name, the
/// closing prompt and the credit line.
void write_summary(const Summary& summary, const rt::Text<80>& route_name, const rt::Text<50>& detail_name);

/// Waits for one keyboard value; end of input ends the wait as a key would.
void wait_for_key();

}  // namespace ride
