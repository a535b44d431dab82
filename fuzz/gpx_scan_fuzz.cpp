// Arbitrary bytes as a GPX route file: the scan phase runs on them in a
// private directory with its units connected (route file read only, track
// file, profile file, screen to /dev/null). It must end normally or through
// its refusal (status 1), and every track record it writes must hold exactly
// three finite numbers when read back list-directed, the latitude within
// -90..90 and the longitude within -180..180. The route file is unchanged.
#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "route_import/import_phases.hpp"
#include "runtime/io.hpp"
#include "runtime/list_io.hpp"

namespace {

// A private directory for the route and working files, removed at exit.
class WorkDir {
 public:
  WorkDir() {
    std::string templ = (std::filesystem::temp_directory_path() / "gpx_scan_fuzz_XXXXXX").string();
    if (::mkdtemp(templ.data()) == nullptr) std::abort();
    path_ = templ;
  }
  ~WorkDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

const std::filesystem::path& work_dir() {
  static const WorkDir dir;
  return dir.path();
}

// A track record read back as the profile phase reads it: three values, and
// nothing more in the record.
void check_record(const std::string& record) {
  if (record.size() != 31) std::abort();
  float lon = NAN;
  float lat = NAN;
  float ele = NAN;
  float more = NAN;
  const rt::InItem items[] = {lon, lat, ele, more};
  const std::string line = record + "\n";
  rt::StringSource source(line);
  if (rt::list_parse(source, items) != rt::IoStatus::end) std::abort();
  if (!std::isfinite(lon) || !std::isfinite(lat) || !std::isfinite(ele) || !std::isnan(more)) std::abort();
  if (lat < -90.0f || lat > 90.0f || lon < -180.0f || lon > 180.0f) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::filesystem::path route = work_dir() / "route.gpx";
  const std::filesystem::path track = work_dir() / "route.trk";
  const std::filesystem::path profile = work_dir() / "scratch";
  {
    std::ofstream out(route, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  std::filesystem::remove(track);
  std::filesystem::remove(profile);

  static const int screen_fd = ::open("/dev/null", O_WRONLY);
  rt::attach_stream(6, screen_fd, "screen", true);
  if (rt::open(route_import::k_route_unit, route.string(), rt::OpenStatus::old, rt::no_branch, rt::Access::read_only) !=
          rt::IoStatus::ok ||
      rt::open(route_import::k_profile_unit, profile.string(), rt::OpenStatus::new_file) != rt::IoStatus::ok ||
      rt::open(route_import::k_track_unit, track.string(), rt::OpenStatus::new_file) != rt::IoStatus::ok)
    std::abort();

  rt::Text<80> route_name;
  int32_t ntrk = -1;
  try {
    ntrk = route_import::scan_track(route_name);
  } catch (const rt::StopRequest& s) {
    if (s.status != 1) std::abort();
  }
  if (!rt::close_all().empty()) std::abort();

  std::ifstream in(track, std::ios::binary);
  std::string record;
  int32_t records = 0;
  while (std::getline(in, record)) {
    check_record(record);
    ++records;
  }
  if (ntrk >= 0 && records != ntrk) std::abort();

  // The route file is only ever read.
  std::ifstream route_in(route, std::ios::binary);
  std::ostringstream route_after;
  route_after << route_in.rdbuf();
  if (route_after.str() != std::string_view(reinterpret_cast<const char*>(data), size)) std::abort();
  return 0;
}
