#include <bit>
#include <cmath>
#include <cstdint>

#include "models/models.hpp"

namespace models {
namespace {

constexpr float k_gravity = 9.81f;             // acceleration of gravity, m/s^2 (411CF5C3)
constexpr float k_four_gravity = 39.24f;       // 4 x 9.81f exactly (421CF5C3)
constexpr float k_gravity_squared = 96.23611f; // 9.81f x 9.81f rounded to float (42C078E3)
constexpr float k_half = 0.5f;                 // halves the root's numerator

static_assert(std::bit_cast<uint32_t>(k_gravity) == 0x411CF5C3u);
static_assert(std::bit_cast<uint32_t>(k_four_gravity) == 0x421CF5C3u);
static_assert(std::bit_cast<uint32_t>(k_gravity_squared) == 0x42C078E3u);
static_assert(k_gravity_squared == k_gravity * k_gravity);

constexpr float k_step_kmh = 0.1f;                 // search step, km/h (0.100000001490116...)
constexpr long double k_rolling_power = 80.0L;      // 8 N of rolling resistance times v/3.6 ...
constexpr long double k_kmh_per_10ms = 36.0L;       // ... written as 80 v / 36
constexpr float k_air_power = 0.0042866943f;        // 0.2 / 3.6^3 as written, W per (km/h)^3
constexpr int32_t k_max_flat_steps = 1000000;       // bound of the search (about 100,000 km/h)

// Speed one second after a standstill: the positive root of
//   v^2 + g b v - g P / W = 0,   b = crr + slope,
// i.e. V = (sqrt(4 g P / W + g^2 b^2) - g b) / 2, the driving force being taken
// at the speed reached and air resistance left out. A negative root means the
// rider cannot start and stays at rest.
float speed_from_rest(float slope, float crr, float weight_n, float power_w) {
  const long double b = static_cast<long double>(crr) + slope;
  const long double radicand =
      (static_cast<long double>(power_w) * k_four_gravity) / weight_n + (b * b) * k_gravity_squared;
  const float r = static_cast<float>(std::sqrt(static_cast<double>(radicand)));
  const long double v = (static_cast<long double>(r) - k_gravity * b) * k_half;
  if (v < 0.0L) return 0.0f;
  return static_cast<float>(v);  // a value that is not a number passes unchanged
}

// One explicit (forward Euler) step of one second of Newton's law, every force
// taken at the starting speed v and divided by the weight W (mass W / g):
//   dv/dt = -g (crr + slope + k_air v^2 / W - (P / v) / W)
//   v_next = v - g (crr + slope + k_air v^2 / W - (P / v) / W) x 1 s.
float moving_step(float v_prev_ms, float slope, float crr, float k_air, float weight_n,
                  float power_w) {
  const long double v = v_prev_ms;
  long double a = static_cast<long double>(crr) + slope;
  long double q = (v * v) * k_air;
  q = q / weight_n;
  a = a + q;
  long double f = static_cast<long double>(power_w) / v;
  f = f / weight_n;
  a = a - f;
  a = a * k_gravity;
  return static_cast<float>(v - a);
}

}  // namespace

float next_speed(float v_prev_ms, float slope, float crr, float k_air, float weight_n,
                 float power_w) {
  if (v_prev_ms == 0.0f) return speed_from_rest(slope, crr, weight_n, power_w);
  return moving_step(v_prev_ms, slope, crr, k_air, weight_n, power_w);
}

float flat_speed_kmh(float power_w) {
  // The grid speed is accumulated in extended precision, never computed from
  // the step count, and rounded to float only when returned.
  long double v_kmh = 0.0L;
  for (int32_t step = 0; step < k_max_flat_steps; ++step) {
    v_kmh = v_kmh + k_step_kmh;
    const long double required_w =
        (v_kmh * k_rolling_power) / k_kmh_per_10ms + ((v_kmh * k_air_power) * v_kmh) * v_kmh;
    if (!(power_w > required_w)) break;  // reached, or unordered (power not a number)
  }
  return static_cast<float>(v_kmh);
}

}  // namespace models
