#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

#include "ride/ride.hpp"
#include "units_fixture.hpp"

namespace {

// Flat speeds as the flat-speed search accumulates them: 313 and 344 steps
// of the float 0.1 (31.30000114 and 34.40000153 km/h), not the floats
// nearest 31.3 and 34.4.
constexpr float k_flat_200w_kmh = 0x1.f4cccep+4f;
constexpr float k_flat_250w_kmh = 0x1.133334p+5f;

models::Profile profile_of(std::initializer_list<std::pair<float, float>> points) {
  models::Profile p;
  for (const auto& [d, e] : points) p.push_back(d, e);
  return p;
}

TEST(Summary, WorkedExamples) {
  struct Case {
    float power_w, t_s, length_m, v_flat_kmh;
    float length_km;
    int32_t hours, minutes, energy, energy_flat, energy_100km;
    float energy_kj, t_flat_s, energy_flat_kj, energy_100km_kj, difficulty, index;
  };
  const Case cases[] = {
      {200, 7384, 50000, k_flat_200w_kmh, 50.0f, 2, 3, 1477, 1150, 2300,  //
       1476.8f, 5750.798f, 1150.16f, 2300.32f, 1.283996f, 0.641998f},
      {250, 3600, 36000, k_flat_250w_kmh, 36.0f, 1, 0, 900, 942, 2616,  //
       900.0f, 3767.4417f, 941.8604f, 2616.2788f, 0.9555556f, 0.344f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.power_w);
    const ride::Summary s = ride::summarize(profile_of({{0, 200}, {c.length_m, 200}}), c.power_w, c.t_s, c.v_flat_kmh);
    EXPECT_EQ(s.length_km, c.length_km);
    EXPECT_EQ(s.time.hours, c.hours);
    EXPECT_EQ(s.time.minutes, c.minutes);
    EXPECT_EQ(s.energy_kj, c.energy_kj);
    EXPECT_NEAR(s.t_flat_s, c.t_flat_s, 0.001);
    EXPECT_NEAR(s.energy_flat_kj, c.energy_flat_kj, 0.005);  // given to two decimals
    EXPECT_NEAR(s.energy_100km_kj, c.energy_100km_kj, 0.005);
    EXPECT_NEAR(s.difficulty_index, c.difficulty, 1e-6);
    EXPECT_NEAR(s.energy_index, c.index, 1e-6);
    EXPECT_EQ(ride::rounded_kj(s.energy_kj), c.energy);
    EXPECT_EQ(ride::rounded_kj(s.energy_flat_kj), c.energy_flat);
    EXPECT_EQ(ride::rounded_kj(s.energy_100km_kj), c.energy_100km);
  }
}

// The difficulty index divides by the flat energy before its rounding to
// REAL; dividing by the rounded one changes the last bit in this case.
TEST(Summary, DifficultyIndexUsesTheUnroundedFlatEnergy) {
  const ride::Summary s = ride::summarize(profile_of({{0, 0}, {50000, 0}}), 200, 7384, k_flat_200w_kmh);
  const long double flat_kj = 200.0L * s.t_flat_s / 1000.0L;
  EXPECT_EQ(s.difficulty_index, static_cast<float>(s.energy_kj / flat_kj));
  EXPECT_EQ(s.energy_flat_kj, static_cast<float>(flat_kj));
}

TEST(Summary, TimeSplitTruncates) {
  struct Case {
    float t_s;
    int32_t hours, minutes;
  };
  for (const Case& c : {Case{1, 0, 0}, Case{59, 0, 0}, Case{60, 0, 1}, Case{3599, 0, 59}, Case{3600, 1, 0},
                        Case{3659, 1, 0}, Case{7384, 2, 3}, Case{10859, 3, 0}, Case{360000, 100, 0}}) {
    const ride::TimeSplit split = ride::split_ride_time(c.t_s);
    EXPECT_EQ(split.hours, c.hours) << c.t_s;
    EXPECT_EQ(split.minutes, c.minutes) << c.t_s;
  }
}

TEST(Summary, EnergyRoundingAddsHalfThenTruncatesTowardZero) {
  struct Case {
    float energy_kj;
    int32_t printed;
  };
  for (const Case& c : {Case{1476.5f, 1477}, Case{1476.4f, 1476}, Case{1476.8f, 1477}, Case{-1000.7f, -1000},
                        Case{-0.4f, 0}, Case{0.0f, 0}})
    EXPECT_EQ(ride::rounded_kj(c.energy_kj), c.printed) << c.energy_kj;
  // Beyond the INTEGER range the conversion gives the value that every
  // narrow I field shows as asterisks, never an undefined one.
  for (float huge : {3e9f, -3e9f, std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()})
    EXPECT_EQ(ride::rounded_kj(huge), INT32_MIN) << huge;
}

TEST(Summary, ClimbSumsTheRisesOnly) {
  struct Case {
    models::Profile profile;
    float climb_m;
  };
  const Case cases[] = {
      {profile_of({{0, 100}, {10, 110}, {20, 105}, {30, 105}, {40, 120}}), 25.0f},
      {profile_of({{0, 300}, {100, 250}, {200, 100}}), 0.0f},
      {profile_of({{0, 42}}), 0.0f},
      // Summed in extended precision and rounded once: 2^24 + 1 + 1.
      {profile_of({{0, 0}, {1, 16777216.0f}, {2, 16777216.0f - 1}, {3, 16777216.0f}, {4, 16777216.0f - 1},
                   {5, 16777216.0f}}),
       16777218.0f},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ride::summarize(c.profile, 200, 100, k_flat_200w_kmh).climb_m, c.climb_m);
}

using SummaryScreen = ride_test::InDirectory;

TEST_F(SummaryScreen, EighteenRecordsOfTheWorkedExample) {
  const ride::Summary s =
      ride::summarize(profile_of({{0, 100}, {20000, 350}, {50000, 300}}), 200, 7384, k_flat_200w_kmh);
  ride::write_summary(s, rt::Text<80>("Boucle des coteaux"), rt::Text<50>("parcours.txt"));
  const std::string expected = std::string("\n\n\n") +                                                //
                               "          Boucle des coteaux" + std::string(62, ' ') + "\n" +            //
                               "     Kilometrage du parcours:       50.0\n"                              //
                               "     Denivele positif:             250. m\n"                             //
                               "     Puissance developpee:         200. watts\n"                         //
                               "     Temps du parcours:            2 heures  3 minutes\n"                //
                               "     Depense energetique:          1477 kJoules\n"                       //
                               "     Meme kilometrage sur plat:    1150 kJoules\n"                       //
                               "     100 km sur le plat:           2300 kJoules\n"                       //
                               "     Indice de difficulte:         1.28\n"                               //
                               "     Indice depense energetique:   0.64\n"                               //
                               "\n\n"                                                                    //
                               "     Le detail des resultats se trouvent sur le fichier: parcours.txt" +  //
                               std::string(38, ' ') + "\n" +                                             //
                               "     Pour quitter, taper sur une touche quelconque et envoyer\n"         //
                               "       (realisation: ride_estimate@example.org)\n";
  EXPECT_EQ(screen(), expected);
}

TEST_F(SummaryScreen, NarrowFieldsShowAsterisks) {
  ride::Summary s = ride::summarize(profile_of({{0, 0}, {100, 0}}), 10000, 1e6f, 58.8f);
  ride::write_summary(s, rt::Text<80>(), rt::Text<50>());
  const std::string out = screen();
  EXPECT_NE(out.find("     Temps du parcours:          277 heures 46 minutes\n"), std::string::npos);
  EXPECT_NE(out.find("     Depense energetique:        ****** kJoules\n"), std::string::npos);  // 10^7 kJ
}

TEST_F(SummaryScreen, ClosingPromptTakesOneValueAndAnEndOfInput) {
  type("\n   \nq and more\n");
  ride::wait_for_key();
  rt::Text<1> next;
  EXPECT_EQ(rt::read_list(5, {next}, rt::on_end), rt::IoStatus::end);  // the record was consumed whole

  type("");
  EXPECT_NO_THROW(ride::wait_for_key());
}

}  // namespace
