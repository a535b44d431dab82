// The records of the detail file and the walking notice, assembled column
// by column from their layouts, for writing expected outputs.
#pragma once

#include <cstdio>
#include <string>

namespace ride_test {

/// `text` right-aligned in `width` columns.
inline std::string field(const std::string& text, std::size_t width) {
  return std::string(width > text.size() ? width - text.size() : 0, ' ') + text;
}

/// The header line: a blank, then the 51-character title.
inline const std::string k_detail_header = " " + std::string("   Temps     Distance(km)  Vitesse(km/h)   Pente(%)") + "\n";

/// A detail row: columns 1-3 blank, h:mi:s in 4-11, 7 blanks, km (F8.3) in
/// 19-26, 6 blanks, km/h (F6.1) in 33-38, 8 blanks, percent (F6.1) in 47-52.
inline std::string detail_row(int h, int mi, int s, const std::string& km, const std::string& kmh,
                              const std::string& pct) {
  return "   " + field(std::to_string(h), 2) + ":" + field(std::to_string(mi), 2) + ":" + field(std::to_string(s), 2) +
         std::string(7, ' ') + field(km, 8) + std::string(6, ' ') + field(kmh, 6) + std::string(8, ' ') +
         field(pct, 6) + "\n";
}

/// A walking notice: 5 blanks, "Au km ", km (F7.3), " pente de ", percent
/// (F4.1), " %", "  Pied a terre 4 km/h".
inline std::string walking_notice(const std::string& km, const std::string& pct) {
  return std::string(5, ' ') + "Au km " + field(km, 7) + " pente de " + field(pct, 4) + " %" +
         "  Pied a terre 4 km/h\n";
}

/// The 182 walking notices of the worked example of walking (points at 0,
/// 100 and 200 m rising 25 m per 100 m, at 100 W). Two seconds are ridden,
/// to 0.206838 m and then 0.8271424 m (0x1.a77f34p-1); every later second is
/// walked, the first from 0.827 m at 0.827 m/s to 1.7906088 m (0x1.ca6556p+0),
/// each following one adding (1.1 + 1.1) * 0.5 m, stored as a REAL. Each
/// notice shows the distance at the start of its second.
inline std::string walking_route_notices() {
  std::string notices;
  float d_m = 0x1.a77f34p-1f;
  for (int second = 3; second <= 184; ++second) {
    char km[16];
    std::snprintf(km, sizeof km, "%.3f", static_cast<double>(static_cast<float>(static_cast<long double>(d_m) / 1000)));
    notices += walking_notice(km, "25.0");
    d_m = second == 3 ? 0x1.ca6556p+0f : static_cast<float>(d_m + static_cast<long double>(1.1f));
  }
  return notices;
}

}  // namespace ride_test
