// The scan phase: a line scanner for the GPX layout of the route-planning
// service (one element per line), not an XML parser. It finds fixed texts
// in the first 80 columns of each line and cuts the values out by position.
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string>

#include "route_import/import_phases.hpp"
#include "runtime/format.hpp"
#include "runtime/io.hpp"
#include "runtime/list_io.hpp"

namespace route_import {
namespace {

struct TrackPoint {
  rt::Text<9> lat_text;
  rt::Text<9> lon_text;
  rt::Text<7> ele_text;
};

// Reads the lines of unit 10 and counts them, so that a fault can be
// reported with the line it comes from.
class RouteReader {
 public:
  /// Next line into line(); false at the end of the file. A read error
  /// writes the error report and ends the program.
  bool next(int32_t ntrk) {
    static const rt::Format line_format("(A80)");
    const rt::IoStatus status = rt::read_formatted(k_route_unit, line_format, {line_}, rt::on_end_err);
    if (status == rt::IoStatus::end) return false;
    if (status == rt::IoStatus::error) {
      rt::write_list(6, {"Erreur", ntrk});
      abandon_import();
    }
    ++line_number_;
    return true;
  }
  const rt::Text<80>& line() const { return line_; }
  int32_t line_number() const { return line_number_; }

 private:
  rt::Text<80> line_;
  int32_t line_number_ = 0;
};

// The track's name: the text between "<name>" and "</name>", with the
// ISO 8859-1 letters e-acute and e-grave turned into a plain e.
void take_route_name(const rt::Text<80>& line, rt::Text<80>& route_name) {
  const int32_t p = line.index("<name>");
  const int32_t q = line.index("</name>");
  route_name = line.sub(p + 6, q - 1);
  for (char& c : route_name.chars())
    if (c == '\xE9' || c == '\xE8') c = 'e';
}

// The latitude between lat=" and the quote before lon=", the longitude
// between lon=" and the quote before the first >.
void take_position(const rt::Text<80>& line, int32_t a, TrackPoint& point) {
  const int32_t o = line.index("lon");
  const int32_t g = line.index(">");
  point.lat_text = line.sub(a + 5, o - 3);
  point.lon_text = line.sub(o + 5, g - 2);
}

void take_elevation(const rt::Text<80>& line, TrackPoint& point) {
  const int32_t e = line.index("<ele>");
  const int32_t f = line.index("</ele>");
  point.ele_text = line.sub(e + 5, f - 1);
}

// The value of `text` as the list-directed READ of the track file takes it:
// true only when the text holds exactly one value and it is finite. In the
// record the text is followed by more values, so it is read here followed
// by a blank and a marker value, which must be the second value taken (a
// repeat count such as 2*45 or a second number would come first).
// A plain number followed by blanks only is taken at once.
bool read_one_value(std::string_view text, float& value) {
  double plain = 0.0;
  const std::size_t length = rt::scan_plain_number(text, false, true, plain);
  if (length != 0 && text.find_first_not_of(" \t", length) == std::string_view::npos) {
    value = static_cast<float>(plain);
    return true;
  }

  constexpr std::string_view k_marker = " 1";
  constexpr float k_marker_value = 1.0f;
  std::array<char, 16> buffer{};
  if (text.size() + k_marker.size() > buffer.size()) return false;
  std::copy(text.begin(), text.end(), buffer.begin());
  std::copy(k_marker.begin(), k_marker.end(), buffer.begin() + static_cast<std::ptrdiff_t>(text.size()));

  float first = std::numeric_limits<float>::quiet_NaN();
  float second = first;
  float third = first;
  const rt::InItem items[] = {first, second, third};
  rt::StringSource source(std::string_view(buffer.data(), text.size() + k_marker.size()));
  if (rt::list_parse(source, items) != rt::IoStatus::end) return false;
  if (!std::isfinite(first) || second != k_marker_value) return false;
  value = first;
  return true;
}

// An elevation is written in the profile file with F8.2 and read back
// list-directed: it needs a blank before it to stand apart from the distance.
bool fits_elevation_field(float ele_m) {
  if (ele_m > -999.0f && ele_m < 9999.0f) return true;  // at most 7 characters whatever the rounding
  std::string field;
  rt::edit_fixed(field, ele_m, 8, 2);
  return field.front() == ' ';
}

bool is_readable(const TrackPoint& point) {
  float lat = 0.0f;
  float lon = 0.0f;
  float ele_m = 0.0f;
  return read_one_value(point.lat_text, lat) && lat >= -90.0f && lat <= 90.0f &&
         read_one_value(point.lon_text, lon) && lon >= -180.0f && lon <= 180.0f &&
         read_one_value(point.ele_text, ele_m) && fits_elevation_field(ele_m);
}

}  // namespace

int32_t scan_track(rt::Text<80>& route_name) {
  static const rt::Format track_format("(A9,3X,A9,3X,A7)");
  RouteReader reader;
  int32_t ntrk = 0;

  // Everything before the first line holding <trk> is skipped ("<trkseg>"
  // and "<trkpt" do not hold it).
  do {
    if (!reader.next(ntrk)) return ntrk;
  } while (reader.line().index("<trk>") == 0);

  // The name stands on the line right after.
  if (!reader.next(ntrk)) return ntrk;
  take_route_name(reader.line(), route_name);

  // Every line holding "lat" is a point line, and the line right after it
  // holds its elevation; the first "</trk>" ends the track.
  TrackPoint point;
  for (;;) {
    if (!reader.next(ntrk)) return ntrk;
    const rt::Text<80>& line = reader.line();
    if (line.index("</trk>") != 0) return ntrk;
    const int32_t a = line.index("lat");
    if (a == 0) continue;
    take_position(line, a, point);
    const int32_t point_line = reader.line_number();
    if (!reader.next(ntrk)) return ntrk;  // a point without its elevation line is lost
    take_elevation(reader.line(), point);
    if (!is_readable(point)) {
      rt::write_list(6, {"Attention: point de trace incorrect a la ligne", point_line});
      abandon_import();
    }
    ++ntrk;
    rt::write_formatted(k_track_unit, track_format,
                        {point.lon_text.view(), point.lat_text.view(), point.ele_text.view()});
  }
}

}  // namespace route_import
