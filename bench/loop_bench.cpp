// Ride-loop benchmark: the loop with its fast searches (cursors) beside the
// same loop with the plain scans from the first point, on one profile file.
//
// The profile file (as the program leaves it in "scratch") is loaded and
// conditioned as the program does; the ride at the given power is run in
// each mode, writing its detail file and walking notices to files of its own.
// The fast ride is timed over several runs (median); the plain one, far
// slower, once. Both detail files and both screens must be identical byte
// for byte; the exit status is 1 when they are not.
//
// Usage: loop_bench PROFILE_FILE [power_w] [runs]   (defaults: 200 W, 5 runs)
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "models/models.hpp"
#include "ride/ride.hpp"
#include "runtime/io.hpp"

namespace {

constexpr int32_t k_profile_unit = 20;
constexpr int32_t k_detail_unit = 40;

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Rides once in `mode`, the detail rows into `name`.txt and the notices into
// `name`.screen; returns the seconds the ride loop took.
double ride_once(const models::Profile& profile, float power_w, ride::SearchMode mode, const std::string& name) {
  const int screen_fd = ::open((name + ".screen").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (screen_fd < 0) {
    std::perror("loop_bench");
    std::exit(2);
  }
  rt::attach_stream(6, screen_fd, "sortie standard", true);
  ::unlink((name + ".txt").c_str());
  rt::open(k_detail_unit, name + ".txt", rt::OpenStatus::new_file);
  const auto start = std::chrono::steady_clock::now();
  ride::ride_route(profile, power_w, ride::Coefficients{}, mode);
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  rt::close_all();
  ::close(screen_fd);
  return took.count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: loop_bench PROFILE_FILE [power_w] [runs]\n");
    return 2;
  }
  const std::string profile_path = argv[1];
  const float power_w = argc > 2 ? std::strtof(argv[2], nullptr) : 200.0f;
  const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
  models::Profile profile;
  try {
    rt::open(k_profile_unit, profile_path, rt::OpenStatus::old, rt::no_branch, rt::Access::read_only);
    ride::load_profile(profile);
    rt::close_all();
  } catch (const rt::FatalError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 2;
  }
  models::smooth_profile(profile);
  if (ride::profile_too_short(profile)) {
    std::fprintf(stderr, "loop_bench: profile too short\n");
    return 2;
  }

  std::vector<double> fast;
  for (int k = 0; k < runs; ++k) fast.push_back(ride_once(profile, power_w, ride::SearchMode::fast, "loop_fast"));
  std::sort(fast.begin(), fast.end());
  const double fast_s = fast[fast.size() / 2];
  const double plain_s = ride_once(profile, power_w, ride::SearchMode::plain, "loop_plain");

  const bool same_rows = read_file("loop_fast.txt") == read_file("loop_plain.txt");
  const bool same_screen = read_file("loop_fast.screen") == read_file("loop_plain.screen");
  std::printf("ride loop over %d points at %g W\n", profile.npts(), static_cast<double>(power_w));
  std::printf("  fast searches (median of %d): %10.4f s\n", runs, fast_s);
  std::printf("  plain scans:                  %10.4f s\n", plain_s);
  std::printf("  plain / fast:                 %10.1f x\n", plain_s / fast_s);
  std::printf("  detail files identical: %s, walking notices identical: %s\n", same_rows ? "yes" : "NO",
              same_screen ? "yes" : "NO");
  return same_rows && same_screen ? 0 : 1;
}
