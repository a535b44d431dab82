#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "ride/ride.hpp"
#include "runtime/io.hpp"
#include "expected_layout.hpp"
#include "units_fixture.hpp"

namespace {

using RideStages = ride_test::InDirectory;

models::Profile profile_of(std::initializer_list<std::pair<float, float>> points) {
  models::Profile p;
  for (const auto& [d, e] : points) p.push_back(d, e);
  return p;
}

using ride_test::detail_row;
using ride_test::k_detail_header;
using ride_test::walking_notice;

// The detail file as the import leaves it: connected on unit 40, holding
// its header.
void open_detail_file() {
  rt::open(40, "d.txt", rt::OpenStatus::new_file);
  rt::write_list(40, {"   Temps     Distance(km)  Vitesse(km/h)   Pente(%)"});
}

TEST_F(RideStages, LoadsEveryRecordOfTheProfileFile) {
  // As the profile builder writes it: the first record holds two fields,
  // the others five, of which the loading takes the first two.
  std::string scratch = "         0.0  380.00\n";
  for (int i = 1; i < 60000; ++i) {  // beyond any fixed capacity
    char record[64];
    std::snprintf(record, sizeof record, "%12.1f%8.2f%8.2f%8.2f%8.2f\n", 10.0 * i, 380.0 + i % 7, 380.0, 10.0, 0.0);
    scratch += record;
  }
  scratch += "    600010.0";  // a distance without its elevation: not a point
  dir_.write("scratch", scratch);
  rt::open(20, "scratch", rt::OpenStatus::unknown);
  models::Profile profile;
  ride::load_profile(profile);
  ASSERT_EQ(profile.npts(), 60000);
  EXPECT_EQ(profile.dist(1), 0.0f);
  EXPECT_EQ(profile.elev(1), 380.0f);
  EXPECT_EQ(profile.dist(2), 10.0f);
  EXPECT_EQ(profile.elev(2), 381.0f);
  EXPECT_EQ(profile.dist(60000), 599990.0f);
  EXPECT_EQ(profile.elev(60000), 380.0f + 59999 % 7);
}

TEST_F(RideStages, UnreadableProfileEndsWithTheDiagnostic) {
  dir_.write("scratch", "         0.0  380.00\n        10.0********\n");
  rt::open(20, "scratch", rt::OpenStatus::unknown);
  models::Profile profile;
  EXPECT_THROW(ride::load_profile(profile), rt::FatalError);
}

TEST_F(RideStages, TooShortProfiles) {
  EXPECT_TRUE(ride::profile_too_short(profile_of({})));
  EXPECT_TRUE(ride::profile_too_short(profile_of({{0, 10}})));
  EXPECT_TRUE(ride::profile_too_short(profile_of({{0, 10}, {0, 12}})));
  EXPECT_FALSE(ride::profile_too_short(profile_of({{0, 10}, {0.1f, 12}})));
}

TEST_F(RideStages, PowerDialogueAsksAgainUntilAnAcceptablePower) {
  EXPECT_TRUE(ride::power_acceptable(1.0f));
  EXPECT_TRUE(ride::power_acceptable(10000.0f));
  for (float bad : {0.999f, 10000.001f, 0.0f, -5.0f, std::numeric_limits<float>::infinity(),
                    std::numeric_limits<float>::quiet_NaN()})
    EXPECT_FALSE(ride::power_acceptable(bad)) << bad;

  type("abc\n/\n-5\n0\n0.5\n1e40\nnan\n20000\n\n   \n2.5E2 and the rest\n");
  EXPECT_EQ(ride::ask_power(), 250.0f);
  const std::string prompt = " Indiquer la puissance du cyclo en watt et envoyer\n";
  const std::string warning = " Attention: puissance incorrecte, taper un nombre de watts de 1 a 10000\n";
  std::string expected;
  for (int k = 0; k < 8; ++k) expected += prompt + warning;
  EXPECT_EQ(screen(), expected + prompt);
}

TEST_F(RideStages, PowerFormsGiveTheSameValue) {
  type("250\n250.\n2.5E2\n 250 ,\n");
  for (int k = 0; k < 4; ++k) EXPECT_EQ(ride::ask_power(), 250.0f);
}

TEST_F(RideStages, EndOfInputAtThePowerPromptIsTheDiagnostic) {
  type("abc\n");
  EXPECT_THROW(ride::ask_power(), rt::FatalError);
}

// The worked examples ride the profile as the loop receives it.
TEST_F(RideStages, FlatRouteAt200W) {
  open_detail_file();
  const ride::RideState end = ride::ride_route(profile_of({{0, 100}, {100, 100}}), 200, {});
  // The final state to the bit: 104.414337 m, from 96.9861603 m, at
  // 7.47858715 m/s.
  EXPECT_EQ(end.t_s, 19.0f);
  EXPECT_EQ(end.d_m, 0x1.a1a848p+6f);
  EXPECT_EQ(end.d_prev_m, 0x1.83f1d4p+6f);
  EXPECT_EQ(end.v_ms, 0x1.dea12cp+2f);
  EXPECT_EQ(end.v_prev_ms, end.v_ms);
  EXPECT_EQ(file("d.txt"), k_detail_header + detail_row(0, 0, 19, "0.104", "26.9", "0.0"));
  EXPECT_EQ(dir_.read("screen"), "");
}

TEST_F(RideStages, FlatRouteWithAPointHalfWay) {
  open_detail_file();
  const ride::RideState end = ride::ride_route(profile_of({{0, 100}, {50, 100}, {100, 100}}), 200, {});
  EXPECT_EQ(end.t_s, 19.0f);
  EXPECT_EQ(file("d.txt"), k_detail_header +
                               detail_row(0, 0, 12, "0.055", "23.6", "0.0") +
                               detail_row(0, 0, 19, "0.104", "26.9", "0.0"));
}

TEST_F(RideStages, WalkingRoute) {
  open_detail_file();
  const ride::RideState end = ride::ride_route(profile_of({{0, 0}, {100, 25}, {200, 50}}), 100, {});
  EXPECT_EQ(end.t_s, 184.0f);
  EXPECT_EQ(end.v_ms, 1.1f);
  EXPECT_EQ(end.d_prev_m, 0x1.8f94eep+7f);  // 199.790878 m
  EXPECT_EQ(end.d_m, 0x1.91c822p+7f);       // 200.890884 m
  EXPECT_EQ(end.slope, 0.25f);
  EXPECT_EQ(file("d.txt"), k_detail_header +
                               detail_row(0, 1, 33, "0.101", "4.0", "25.0") +
                               detail_row(0, 3, 4, "0.201", "4.0", "25.0"));
  // One notice per second from the third on.
  const std::string out = dir_.read("screen");
  EXPECT_EQ(out, ride_test::walking_route_notices());
  EXPECT_EQ(out.substr(0, 56), walking_notice("0.001", "25.0"));
  EXPECT_EQ(out.substr(out.size() - 56), walking_notice("0.200", "25.0"));
}

// A start from rest that gives exactly 0 is a walking second, or the rider
// would stay at rest for ever: a slope so steep that the speed from rest
// at 1 W rounds to 0.
TEST_F(RideStages, StartFromRestAtZeroWalks) {
  const ride::Coefficients c;
  models::Profile wall;
  for (float rise_m : {1e4f, 2e4f, 5e4f, 1e5f, 2e5f, 5e5f, 1e6f, 2e6f, 5e6f}) {
    const models::Profile candidate = profile_of({{0, 0}, {100, rise_m}});
    float slope = 0.0f;
    models::slope_at(slope, 0.0f, candidate);
    if (models::next_speed(0.0f, slope, c.crr, c.k_air, c.weight_n, 1.0f) == 0.0f) {
      wall = candidate;
      break;
    }
  }
  ASSERT_EQ(wall.npts(), 2) << "no slope found whose start from rest gives 0";
  open_detail_file();
  const ride::RideState end = ride::ride_route(wall, 1.0f, c);
  // 0.55 m in the first second, 1.1 m in each later one.
  EXPECT_EQ(end.t_s, 92.0f);
  const std::string out = screen();
  EXPECT_EQ(out.substr(0, 56), walking_notice("0.000", "****"));
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 92);
}

// The plain scans and the fast searches give the same ride to the bit: the
// same final state, the same notices and the same detail rows.
TEST_F(RideStages, BothSearchModesRideTheSame) {
  models::Profile hilly;  // dense, with repeated distances, climbs, walls and descents
  for (int i = 0; i < 3000; ++i) {
    const float d_m = 7.0f * static_cast<float>(i - i % 5 / 4);
    hilly.push_back(d_m, 300.0f + 40.0f * std::sin(static_cast<float>(i) / 90.0f) + (i % 400 == 0 ? 9.0f : 0.0f));
  }
  struct Case {
    models::Profile profile;
    float power_w;
  };
  const std::vector<Case> cases = {
      {profile_of({{0, 100}, {50, 100}, {100, 100}}), 200},
      {profile_of({{0, 0}, {100, 25}, {200, 50}}), 100},
      {hilly, 150},
      {hilly, 40},
  };
  // Each ride writes its own detail file; opening the next one closes it.
  std::vector<ride::RideState> ends;
  for (const Case& c : cases) {
    for (const ride::SearchMode mode : {ride::SearchMode::fast, ride::SearchMode::plain}) {
      rt::open(40, "d" + std::to_string(ends.size()) + ".txt", rt::OpenStatus::new_file);
      ends.push_back(ride::ride_route(c.profile, c.power_w, {}, mode));
    }
  }
  EXPECT_NE(screen().find("Pied a terre"), std::string::npos);
  for (std::size_t k = 0; k < ends.size(); k += 2) {
    EXPECT_EQ(std::memcmp(&ends[k], &ends[k + 1], sizeof ends[k]), 0) << "case " << k / 2;
    const std::string rows = dir_.read("d" + std::to_string(k) + ".txt");
    EXPECT_GT(rows.size(), 0u);
    EXPECT_EQ(rows, dir_.read("d" + std::to_string(k + 1) + ".txt")) << "case " << k / 2;
  }
}

}  // namespace

namespace {

// Beyond 2^23 m a REAL distance moves in steps of 1 m: a rider holding
// 0.25 m/s at 2 W on the flat no longer advances, and the ride is stopped
// after an hour without moving instead of running for ever.
TEST_F(RideStages, ARideThatCanNoLongerAdvanceIsStopped) {
  open_detail_file();
  // A long descent to 9000 km (about 34 m/s), then the flat.
  const models::Profile profile = profile_of({{0.0f, 2.7e6f}, {9.0e6f, 0.0f}, {1.2e7f, 0.0f}});
  int status = -1;
  try {
    ride::ride_route(profile, 2.0f, ride::Coefficients{});
  } catch (const rt::StopRequest& stop) {
    status = stop.status;
  }
  EXPECT_EQ(status, 1);
  EXPECT_EQ(screen(), " Attention: parcours trop long pour etre simule a cette puissance\n");
}

}  // namespace

namespace {

// The split as written: extended divisions and INT().
ride::Clock extended_clock(float t_s) {
  const long double t = t_s;
  const int32_t h = ride::int_trunc(t / 3600.0L);
  const int32_t mi = ride::int_trunc((t - 3600.0L * h) / 60.0L);
  return {h, mi, ride::int_trunc(t - 3600.0L * h - 60.0L * mi)};
}

void expect_same_clock(float t_s) {
  const ride::Clock fast = ride::detail_clock(t_s);
  const ride::Clock slow = extended_clock(t_s);
  ASSERT_TRUE(fast.h == slow.h && fast.mi == slow.mi && fast.s == slow.s) << t_s;
}

}  // namespace

// Every second of a ride up to 300 hours, the whole seconds near 2^24 where
// a REAL stops counting seconds, and times that are not whole seconds.
TEST(DetailClock, SplitsAsTheExtendedDivisions) {
  for (int32_t t = 0; t <= 300 * 3600; ++t) expect_same_clock(static_cast<float>(t));
  for (int32_t t = 16777216 - 5000; t <= 16777216; ++t) expect_same_clock(static_cast<float>(t));
  for (const float t : {0.5f, 3599.75f, -1.0f, -3600.0f, 16777218.0f, 4.0e9f, 1.0e12f,
                        std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()})
    expect_same_clock(t);
  const ride::Clock c = ride::detail_clock(3723.0f);
  EXPECT_TRUE(c.h == 1 && c.mi == 2 && c.s == 3);
}
