// Run-time benchmark: the profile file's work, done by our run-time and by
// the reference run-time library (libf2c) side by side.
//
// Write phase: N records with FORMAT "(F12.1,4F8.2)" to a file, then REWIND.
// Read phase: N list-directed READs of two REALs, each skipping the rest of
// its record. Each phase is timed over several runs; the median is printed
// with the ratio library / ours (above 1: ours is faster).
//
// Usage: runtime_bench [records] [runs]    (defaults: 1000000 records, 5 runs)
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "runtime/format.hpp"
#include "runtime/io.hpp"
#include "support/f2c_api.hpp"

namespace {

constexpr const char* k_profile_format = "(F12.1,4F8.2)";
constexpr int32_t k_unit = 20;

struct Point {
  float dist_m, elev_m, prev_elev_m, seg_m, slope_pct;
};

// A plausible profile: distances growing by a few metres, elevations that
// wander between 0 and 3000 m.
std::vector<Point> make_profile(std::size_t n) {
  std::mt19937 gen(42);
  std::uniform_real_distribution<float> step(0.5f, 40.0f);
  std::uniform_real_distribution<float> rise(-3.0f, 3.0f);
  std::vector<Point> points(n);
  float dist = 0.0f;
  float elev = 800.0f;
  for (Point& p : points) {
    const float seg = step(gen);
    const float prev = elev;
    elev = std::clamp(elev + rise(gen), 0.0f, 3000.0f);
    dist += seg;
    p = {dist, elev, prev, seg, (elev - prev) / seg * 100.0f};
  }
  return points;
}

// Sum of the bits of every value read: both sides must agree.
struct ReadResult {
  std::size_t count = 0;
  uint64_t checksum = 0;
  void add(float a, float b) {
    ++count;
    checksum = checksum * 31 + std::bit_cast<uint32_t>(a) * 7 + std::bit_cast<uint32_t>(b);
  }
};

void fail(const char* what) {
  std::fprintf(stderr, "runtime_bench: %s\n", what);
  std::exit(1);
}

// --- ours ---------------------------------------------------------------

void ours_write(const std::string& path, const std::vector<Point>& points) {
  static const rt::Format format(k_profile_format);
  rt::open(k_unit, path, rt::OpenStatus::unknown);
  for (const Point& p : points)
    rt::write_formatted(k_unit, format, {p.dist_m, p.elev_m, p.prev_elev_m, p.seg_m, p.slope_pct});
  rt::rewind(k_unit);
}

ReadResult ours_read() {
  ReadResult r;
  float dist = 0.0f;
  float elev = 0.0f;
  while (rt::read_list(k_unit, {dist, elev}, rt::on_end) == rt::IoStatus::ok) r.add(dist, elev);
  rt::close_all();
  return r;
}

// --- libf2c -------------------------------------------------------------

ftnint k_one = 1;
ftnint k_ty_real = 4;

void library_write(const std::string& path, const std::vector<Point>& points) {
  olist o{1, k_unit, const_cast<char*>(path.c_str()), static_cast<ftnlen>(path.size()), nullptr, nullptr, nullptr, 0,
          nullptr};
  if (f_open(&o) != 0) fail("libf2c OPEN failed");
  cilist c{0, k_unit, 0, const_cast<char*>(k_profile_format), 0};
  for (const Point& p : points) {
    real v[5] = {p.dist_m, p.elev_m, p.prev_elev_m, p.seg_m, p.slope_pct};
    s_wsfe(&c);
    for (real& x : v) do_fio(&k_one, reinterpret_cast<char*>(&x), sizeof x);
    e_wsfe();
  }
  alist a{0, k_unit};
  f_rew(&a);
}

ReadResult library_read() {
  ReadResult r;
  real dist = 0.0f;
  real elev = 0.0f;
  cilist c{0, k_unit, 1, nullptr, 0};
  for (;;) {
    if (s_rsle(&c) != 0) break;
    if (do_lio(&k_ty_real, &k_one, reinterpret_cast<char*>(&dist), sizeof dist) != 0) break;
    if (do_lio(&k_ty_real, &k_one, reinterpret_cast<char*>(&elev), sizeof elev) != 0) break;
    if (e_rsle() != 0) break;
    r.add(dist, elev);
  }
  cllist cl{0, k_unit, nullptr};
  f_clos(&cl);
  return r;
}

// --- timing -------------------------------------------------------------

template <typename F>
double seconds(F&& f) {
  const auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t records = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1'000'000;
  const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
  if (records == 0 || runs <= 0) fail("usage: runtime_bench [records] [runs]");
  f_init();

  std::string dir_template = (std::filesystem::temp_directory_path() / "runtime_bench_XXXXXX").string();
  if (::mkdtemp(dir_template.data()) == nullptr) fail("cannot create a scratch directory");
  const std::filesystem::path dir = dir_template;
  const std::string our_path = (dir / "ours.dat").string();
  const std::string lib_path = (dir / "library.dat").string();

  const std::vector<Point> points = make_profile(records);
  std::vector<double> our_write, our_read, lib_write, lib_read;
  ReadResult ours{}, library{};
  for (int k = 0; k < runs; ++k) {
    std::filesystem::remove(our_path);
    std::filesystem::remove(lib_path);
    our_write.push_back(seconds([&] { ours_write(our_path, points); }));
    our_read.push_back(seconds([&] { ours = ours_read(); }));
    lib_write.push_back(seconds([&] { library_write(lib_path, points); }));
    lib_read.push_back(seconds([&] { library = library_read(); }));
  }
  const auto our_size = std::filesystem::file_size(our_path);
  const auto lib_size = std::filesystem::file_size(lib_path);
  std::filesystem::remove_all(dir);

  if (ours.count != records || library.count != records) fail("a side did not read every record back");
  if (ours.checksum != library.checksum) fail("the values read back differ between ours and the library");

  std::printf("%zu records of %s (%ju bytes ours, %ju bytes library), median of %d runs\n", records,
              k_profile_format, static_cast<uintmax_t>(our_size), static_cast<uintmax_t>(lib_size), runs);
  std::printf("%-34s %10s %10s %8s\n", "phase", "ours (s)", "libf2c (s)", "ratio");
  auto row = [](const char* phase, double o, double l) {
    std::printf("%-34s %10.3f %10.3f %8.2f\n", phase, o, l, l / o);
  };
  row("formatted WRITE + REWIND", median(our_write), median(lib_write));
  row("list-directed READ of two REALs", median(our_read), median(lib_read));
  row("both phases", median(our_write) + median(our_read), median(lib_write) + median(lib_read));
  return 0;
}
