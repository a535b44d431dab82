#include <climits>
#include <cmath>

#include "ride/ride.hpp"
#include "runtime/io.hpp"

namespace ride {

namespace {

constexpr int32_t k_keyboard = 5;
constexpr int32_t k_screen = 6;

// Sum of the rises between successive points, carried in extended
// precision and rounded once. Falls, flat steps and a rise that is not a
// number add nothing.
float positive_climb_m(const models::Profile& profile) {
  long double climb_m = 0.0L;
  for (int32_t i = 1; i < profile.npts(); ++i) {
    const long double rise_m = static_cast<long double>(profile.elev(i + 1)) - profile.elev(i);
    if (rise_m > 0.0L) climb_m += rise_m;
  }
  return static_cast<float>(climb_m);
}

}  // namespace

// The nearest integer comes without a change of the x87 rounding mode (a
// truncating conversion switches it twice, which is slow); one step toward
// zero then gives the truncation, exactly.
int32_t int_trunc(long double x) {
  if (!(x > -2147483649.0L && x < 2147483648.0L)) return INT32_MIN;
  long r = std::lrint(x);
  if (x >= 0.0L && r > x) --r;
  if (x < 0.0L && r < x) ++r;
  return static_cast<int32_t>(r);
}

TimeSplit split_ride_time(float t_s) {
  const int32_t hours = int_trunc(t_s / 3600.0L);
  // The minutes pass through a REAL before their truncation.
  const auto minutes = static_cast<float>((t_s - 3600.0L * hours) / 60.0L);
  return {hours, int_trunc(minutes)};
}

int32_t rounded_kj(float energy_kj) { return int_trunc(energy_kj + 0.5L); }

// The flat figures compare the ride with the same power held on level
// ground: t_flat_s rides the route length at v_flat_kmh, energy_100km_kj
// rides 100 km. The flat energy enters the difficulty index unrounded.
Summary summarize(const models::Profile& profile, float power_w, float t_s, float v_flat_kmh) {
  const long double length_m = profile.dist(profile.npts());
  Summary s{};
  s.length_km = static_cast<float>(length_m / 1000.0L);
  s.climb_m = positive_climb_m(profile);
  s.power_w = power_w;
  s.time = split_ride_time(t_s);
  s.energy_kj = static_cast<float>(static_cast<long double>(power_w) * t_s / 1000.0L);
  s.v_flat_kmh = v_flat_kmh;
  s.t_flat_s = static_cast<float>(length_m / v_flat_kmh * k_kmh_per_ms);
  s.energy_100km_kj = static_cast<float>(static_cast<long double>(power_w) * 100.0L / v_flat_kmh * k_kmh_per_ms);
  const long double energy_flat_kj = static_cast<long double>(power_w) * s.t_flat_s / 1000.0L;
  s.energy_flat_kj = static_cast<float>(energy_flat_kj);
  s.difficulty_index = static_cast<float>(s.energy_kj / energy_flat_kj);
  s.energy_index = static_cast<float>(static_cast<long double>(s.energy_kj) / s.energy_100km_kj);
  return s;
}

void write_summary(const Summary& s, const rt::Text<80>& route_name, const rt::Text<50>& detail_name) {
  static const rt::Format route("(10X,A80)");
  static const rt::Format length("(5X,'Kilometrage du parcours:    ',F7.1)");
  static const rt::Format climb("(5X,'Denivele positif:           ',F6.0,' m')");
  static const rt::Format power("(5X,'Puissance developpee:       ',F6.0,' watts')");
  static const rt::Format time("(5X,'Temps du parcours:          ',I3,' heures',I3,' minutes')");
  static const rt::Format energy("(5X,'Depense energetique:        ',I6,' kJoules')");
  static const rt::Format energy_flat("(5X,'Meme kilometrage sur plat:  ',I6,' kJoules')");
  static const rt::Format energy_100km("(5X,'100 km sur le plat:         ',I6,' kJoules')");
  static const rt::Format difficulty("(5X,'Indice de difficulte:       ',F6.2)");
  static const rt::Format energy_index("(5X,'Indice depense energetique: ',F6.2)");
  static const rt::Format detail("(5X,'Le detail des resultats se trouvent sur le fichier: ',A50)");
  static const rt::Format quit("(5X,'Pour quitter, taper sur une touche quelconque et envoyer')");
  static const rt::Format credit("(5X,'  (realisation: ride_estimate@example.org)')");

  for (int k = 0; k < 3; ++k) rt::write_list(k_screen, {});
  rt::write_formatted(k_screen, route, {route_name.view()});
  rt::write_formatted(k_screen, length, {s.length_km});
  rt::write_formatted(k_screen, climb, {s.climb_m});
  rt::write_formatted(k_screen, power, {s.power_w});
  rt::write_formatted(k_screen, time, {s.time.hours, s.time.minutes});
  rt::write_formatted(k_screen, energy, {rounded_kj(s.energy_kj)});
  rt::write_formatted(k_screen, energy_flat, {rounded_kj(s.energy_flat_kj)});
  rt::write_formatted(k_screen, energy_100km, {rounded_kj(s.energy_100km_kj)});
  rt::write_formatted(k_screen, difficulty, {s.difficulty_index});
  rt::write_formatted(k_screen, energy_index, {s.energy_index});
  for (int k = 0; k < 2; ++k) rt::write_list(k_screen, {});
  rt::write_formatted(k_screen, detail, {detail_name.view()});
  rt::write_formatted(k_screen, quit, {});
  rt::write_formatted(k_screen, credit, {});
}

void wait_for_key() {
  // The report is complete: an end of input ends the wait like a key.
  rt::Text<1> key;
  rt::read_list(k_keyboard, {key}, rt::on_end);
}

}  // namespace ride
