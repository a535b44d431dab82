#include <cmath>

#include "models/models.hpp"

namespace models {
namespace {

constexpr float k_pi = 3.141592f;          // pi as the model writes it (40490FD8), not the float pi
constexpr float k_half_turn_deg = 180.0f;  // degrees in a half turn
constexpr float k_half = 0.5f;             // halves the coordinate differences
constexpr float k_radius_km = 6366.0f;     // radius of the sphere, km

// The double-precision library functions: the extended argument is rounded to
// double when passed and the double result is rounded to float when stored.
float cos_rounded(long double x) { return static_cast<float>(std::cos(static_cast<double>(x))); }
float sin_rounded(long double x) { return static_cast<float>(std::sin(static_cast<double>(x))); }

}  // namespace

float latitude_cos(float lat) { return cos_rounded(static_cast<long double>(lat) * k_pi / k_half_turn_deg); }

float great_circle_km(float lat1, float lon1, float lat2, float lon2) {
  return great_circle_km(lat1, lon1, lat2, lon2, latitude_cos(lat1), latitude_cos(lat2));
}

float great_circle_km(float lat1, float lon1, float lat2, float lon2, float c1, float c2) {
  const float s1 =
      sin_rounded(((static_cast<long double>(lat1) - lat2) * k_half * k_pi) / k_half_turn_deg);
  const float s2 =
      sin_rounded(((static_cast<long double>(lon1) - lon2) * k_half * k_pi) / k_half_turn_deg);

  // Haversine of the central angle, unrounded.
  const long double h = static_cast<long double>(s1) * s1 +
                        (static_cast<long double>(c1) * c2) * (static_cast<long double>(s2) * s2);
  const float r = static_cast<float>(std::sqrt(static_cast<double>(h)));
  const float a = static_cast<float>(std::asin(static_cast<double>(r)));
  return static_cast<float>((static_cast<long double>(a) + a) * k_radius_km);
}

}  // namespace models
