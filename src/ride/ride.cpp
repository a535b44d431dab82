#include "ride/ride.hpp"

#include <cmath>
#include <limits>

#include "route_import/route_import.hpp"
#include "runtime/io.hpp"

namespace ride {

namespace {

constexpr int32_t k_keyboard = 5;
constexpr int32_t k_screen = 6;
constexpr int32_t k_profile_unit = 20;

}  // namespace

void load_profile(models::Profile& profile) {
  for (;;) {
    float dist_m = 0.0f;
    float elev_m = 0.0f;
    // A point whose elevation is cut off by the end of the file is dropped.
    if (rt::read_list(k_profile_unit, {dist_m, elev_m}, rt::on_end) == rt::IoStatus::end) return;
    profile.push_back(dist_m, elev_m);
  }
}

bool profile_too_short(const models::Profile& profile) {
  return profile.npts() < 2 || !(profile.dist(profile.npts()) > 0.0f);
}

bool power_acceptable(float power_w) {
  // The comparisons are false for a value that is not a number.
  return std::isfinite(power_w) && power_w >= k_min_power_w && power_w <= k_max_power_w;
}

float ask_power() {
  for (;;) {
    rt::write_list(k_screen, {"Indiquer la puissance du cyclo en watt et envoyer"});
    // An answer that gives no value (a lone slash) leaves the sentinel.
    float power_w = std::numeric_limits<float>::quiet_NaN();
    if (rt::read_list(k_keyboard, {power_w}, rt::on_err) == rt::IoStatus::ok && power_acceptable(power_w))
      return power_w;
    rt::write_list(k_screen, {"Attention: puissance incorrecte, taper un nombre de watts de 1 a 10000"});
  }
}

void ride_main() {
  rt::Text<80> route_name;
  rt::Text<50> detail_name;
  const int32_t ntrk = route_import::import_route(route_name, detail_name);

  // The vectors take their final size at once: no copies, half the page faults.
  models::Profile profile;
  profile.prof_dist.reserve(static_cast<std::size_t>(ntrk));
  profile.prof_elev.reserve(static_cast<std::size_t>(ntrk));
  load_profile(profile);
  models::smooth_profile(profile);
  if (profile_too_short(profile)) {
    rt::write_list(k_screen, {"Attention: parcours trop court pour etre simule"});
    rt::stop(1);
  }

  const Coefficients coefficients;
  const float power_w = ask_power();
  const RideState end = ride_route(profile, power_w, coefficients);

  const Summary summary = summarize(profile, power_w, end.t_s, models::flat_speed_kmh(power_w));
  write_summary(summary, route_name, detail_name);
  wait_for_key();
  rt::stop(0);
}

}  // namespace ride
