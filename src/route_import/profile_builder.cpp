// The profile phase: the import report, then the track file read back as
// numbers and turned into the profile file of cumulative distances,
// elevations, step lengths and slopes.
#include "models/models.hpp"
#include "route_import/import_phases.hpp"
#include "runtime/format.hpp"
#include "runtime/io.hpp"

namespace route_import {
namespace {

constexpr float k_m_per_km = 1000.0f;        // metres in a kilometre
constexpr float k_m_per_km_per_pct = 10.0f;  // metres per kilometre in one percent of slope

}  // namespace

void build_profile(int32_t ntrk, std::string_view gpx_name) {
  static const rt::Format profile_format("(F12.1,4F8.2)");
  rt::rewind(k_track_unit);
  float cum_km = 0.0f;
  rt::write_list(6, {"Le fichier a ete lu avec succes.", " Le parcours est defini par: ", ntrk, " points"});
  if (ntrk == 0) {
    rt::write_list(6, {"Attention: aucun point de trace dans le fichier ", gpx_name});
    abandon_import();
  }

  float prev_lon = 0.0f;
  float prev_lat = 0.0f;
  float prev_ele = 0.0f;
  rt::read_list(k_track_unit, {prev_lon, prev_lat, prev_ele});
  float prev_cos = models::latitude_cos(prev_lat);
  rt::write_formatted(k_profile_unit, profile_format, {cum_km, prev_ele});

  for (int32_t k = 2; k <= ntrk; ++k) {
    float cur_lon = 0.0f;
    float cur_lat = 0.0f;
    float cur_ele = 0.0f;
    if (rt::read_list(k_track_unit, {cur_lon, cur_lat, cur_ele}, rt::on_end) == rt::IoStatus::end) break;
    const float cur_cos = models::latitude_cos(cur_lat);
    const float seg_km = models::great_circle_km(prev_lat, prev_lon, cur_lat, cur_lon, prev_cos, cur_cos);
    // A point at the very position of the previous kept one adds no step.
    if (seg_km == 0.0f) continue;
    cum_km = static_cast<float>(static_cast<long double>(cum_km) + seg_km);
    const auto slope_pct =
        static_cast<float>((static_cast<long double>(cur_ele) - prev_ele) / seg_km / k_m_per_km_per_pct);
    rt::write_formatted(k_profile_unit, profile_format,
                        {static_cast<float>(static_cast<long double>(cum_km) * k_m_per_km), cur_ele, prev_ele,
                         static_cast<float>(static_cast<long double>(seg_km) * k_m_per_km), slope_pct});
    prev_lon = cur_lon;
    prev_lat = cur_lat;
    prev_ele = cur_ele;
    prev_cos = cur_cos;
  }
  rt::rewind(k_profile_unit);
}

}  // namespace route_import
