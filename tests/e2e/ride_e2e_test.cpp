// The whole program on small routes whose imported profiles are exactly the
// worked examples of the ride: every screen line, the exit status and every
// byte of the detail file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ride/expected_layout.hpp"
#include "support/program_run.hpp"

namespace {

using ride_test::detail_row;
using ride_test::field;
using ride_test::k_detail_header;
using test_support::TempDir;

struct TrackPoint {
  const char* lat;
  const char* ele;
};

// A route in the layout of the route-planning service. The points lie on
// the meridian of longitude 0 from the equator, where 0.0009 degree of
// latitude measures 99.9969 m, so that the profile file holds distances of
// exactly 0.0, 50.0, 100.0 and 200.0 m at one decimal.
std::string gpx(const std::string& name, const std::vector<TrackPoint>& points) {
  std::string text =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<gpx version=\"1.1\" creator=\"ride_estimate tests\">\n"
      "  <trk>\n"
      "    <name>" + name + "</name>\n"
      "    <trkseg>\n";
  for (const TrackPoint& p : points) {
    text += "      <trkpt lat=\"" + std::string(p.lat) + "\" lon=\"0.000000\">\n";
    text += "        <ele>" + std::string(p.ele) + "</ele>\n";
    text += "      </trkpt>\n";
  }
  return text + "    </trkseg>\n  </trk>\n</gpx>\n";
}

const std::string k_flat = gpx("Plat", {{"0.000000", "100.0"}, {"0.000900", "100.0"}});
const std::string k_flat_with_middle =
    gpx("Plat", {{"0.000000", "100.0"}, {"0.000450", "100.0"}, {"0.000900", "100.0"}});
const std::string k_wall = gpx("Mur", {{"0.000000", "0.0"}, {"0.000900", "25.0"}, {"0.001800", "50.0"}});

std::string opening(int points) {
  return " Nom du fichier .gpx Openrunner a traiter ?\n"
         " (exemple: taper parcours pour le fichier parcours.gpx) puis envoyer\n"
         " Le fichier a ete lu avec succes. Le parcours est defini par:  " +
         std::to_string(points) + " points\n";
}

const std::string k_power_prompt = " Indiquer la puissance du cyclo en watt et envoyer\n";
const std::string k_power_warning = " Attention: puissance incorrecte, taper un nombre de watts de 1 a 10000\n";

// The report as its printed fields read, each given as the text of its field.
struct Report {
  std::string route;  // route name without trailing blanks
  std::string km, climb, power;
  int hours, minutes;
  std::string energy, energy_flat, energy_100km, difficulty, index;
  std::string detail_name;
};

std::string report(const Report& r) {
  const std::string label = std::string(5, ' ');
  return "\n\n\n" + std::string(10, ' ') + r.route + std::string(80 - r.route.size(), ' ') + "\n" +  //
         label + "Kilometrage du parcours:    " + field(r.km, 7) + "\n" +                             //
         label + "Denivele positif:           " + field(r.climb, 6) + " m\n" +                        //
         label + "Puissance developpee:       " + field(r.power, 6) + " watts\n" +                    //
         label + "Temps du parcours:          " + field(std::to_string(r.hours), 3) + " heures" +     //
         field(std::to_string(r.minutes), 3) + " minutes\n" +                                       //
         label + "Depense energetique:        " + field(r.energy, 6) + " kJoules\n" +                //
         label + "Meme kilometrage sur plat:  " + field(r.energy_flat, 6) + " kJoules\n" +           //
         label + "100 km sur le plat:         " + field(r.energy_100km, 6) + " kJoules\n" +          //
         label + "Indice de difficulte:       " + field(r.difficulty, 6) + "\n" +                    //
         label + "Indice depense energetique: " + field(r.index, 6) + "\n" +                         //
         "\n\n" +                                                                                     //
         label + "Le detail des resultats se trouvent sur le fichier: " + r.detail_name +             //
         std::string(50 - r.detail_name.size(), ' ') + "\n" +                                       //
         label + "Pour quitter, taper sur une touche quelconque et envoyer\n" +                      //
         "       (realisation: ride_estimate@example.org)\n";
}

// The flat route at 200 W: 19 s, 100 m. Energy 3.8 kJ; on the flat at
// 31.3 km/h the 100 m take 11.50 s, 2.30 kJ, and 100 km 2300.32 kJ; the
// indices are 3.8 / 2.30 = 1.65 and 3.8 / 2300.32 = 0.0017.
const Report k_flat_report{"Plat", "0.1", "0.", "200.", 0, 0, "4", "2", "2300", "1.65", "0.00", "plat.txt"};

// The first 20 columns of the profile file: distance and elevation.
std::vector<std::string> profile_fields(const std::string& scratch) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  while (start < scratch.size()) {
    const std::size_t end = scratch.find('\n', start);
    fields.push_back(scratch.substr(start, 20));
    start = end == std::string::npos ? scratch.size() : end + 1;
  }
  return fields;
}

test_support::RunResult run(const TempDir& dir, const std::string& input) {
  return test_support::run_program(RIDE_ESTIMATE_PATH, dir.path(), input);
}

TEST(RideEndToEnd, FlatRouteAt200W) {
  TempDir dir;
  dir.write("plat.gpx", k_flat);
  // A detail file left by an earlier, longer run keeps none of its lines.
  dir.write("plat.txt", std::string(40, 'x') + "\n" + std::string(4000, 'y') + "\n");
  const auto r = run(dir, "plat\n200\nq\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, opening(2) + k_power_prompt + report(k_flat_report));
  EXPECT_EQ(dir.read("plat.txt"), k_detail_header + detail_row(0, 0, 19, "0.104", "26.9", "0.0"));
  EXPECT_EQ(profile_fields(dir.read("scratch")), (std::vector<std::string>{"         0.0  100.00", "       100.0  100.00"}));
  EXPECT_TRUE(dir.exists("plat.trk"));
}

TEST(RideEndToEnd, FlatRouteWithAPointHalfWay) {
  TempDir dir;
  dir.write("plat.gpx", k_flat_with_middle);
  const auto r = run(dir, "plat\n200\nq\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, opening(3) + k_power_prompt + report(k_flat_report));
  EXPECT_EQ(dir.read("plat.txt"), k_detail_header + detail_row(0, 0, 12, "0.055", "23.6", "0.0") +
                                      detail_row(0, 0, 19, "0.104", "26.9", "0.0"));
  EXPECT_EQ(profile_fields(dir.read("scratch")),
            (std::vector<std::string>{"         0.0  100.00", "        50.0  100.00", "       100.0  100.00"}));
}

// 184 s over 200 m rising 50 m at 100 W: 18.4 kJ; on the flat at 22.7 km/h
// the 200 m take 31.72 s, 3.17 kJ, and 100 km 1585.90 kJ; the indices are
// 18.4 / 3.17 = 5.80 and 18.4 / 1585.90 = 0.0116.
TEST(RideEndToEnd, WalkingRouteAt100W) {
  TempDir dir;
  dir.write("mur.gpx", k_wall);
  const auto r = run(dir, "mur\n100\nq\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, opening(3) + k_power_prompt + ride_test::walking_route_notices() +
                       report({"Mur", "0.2", "50.", "100.", 0, 3, "18", "3", "1586", "5.80", "0.01", "mur.txt"}));
  EXPECT_EQ(dir.read("mur.txt"), k_detail_header + detail_row(0, 1, 33, "0.101", "4.0", "25.0") +
                                     detail_row(0, 3, 4, "0.201", "4.0", "25.0"));
  EXPECT_EQ(profile_fields(dir.read("scratch")),
            (std::vector<std::string>{"         0.0    0.00", "       100.0   25.00", "       200.0   50.00"}));
}

// Every refused answer gets the warning and the question again; blank lines
// give no answer and the question waits.
TEST(RideEndToEnd, PowerAskedAgainUntilAcceptable) {
  TempDir dir;
  dir.write("plat.gpx", k_flat);
  const auto r = run(dir, "plat\nabc\n/\n-5\n0\n0.5\n1e40\nnan\n20000\n\n  \n200\nq\n");
  EXPECT_EQ(r.status, 0);
  std::string dialogue;
  for (int k = 0; k < 8; ++k) dialogue += k_power_prompt + k_power_warning;
  EXPECT_EQ(r.out, opening(2) + dialogue + k_power_prompt + report(k_flat_report));
  EXPECT_EQ(dir.read("plat.txt"), k_detail_header + detail_row(0, 0, 19, "0.104", "26.9", "0.0"));
}

// A dense rise of 50 % loses its top point in the smoothing: one point is
// left, and the ride is refused before the power is asked.
TEST(RideEndToEnd, ProfileTooShortAfterSmoothing) {
  TempDir dir;
  dir.write("raide.gpx", gpx("Raide", {{"0.000000", "0.0"}, {"0.000090", "5.0"}}));
  const auto r = run(dir, "raide\n200\nq\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, opening(2) + " Attention: parcours trop court pour etre simule\n");
  EXPECT_EQ(dir.read("raide.txt"), k_detail_header);
}

TEST(RideEndToEnd, EndOfInputAtThePowerPromptIsADiagnostic) {
  TempDir dir;
  dir.write("plat.gpx", k_flat);
  const auto r = run(dir, "plat\n");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, opening(2) + k_power_prompt);
  EXPECT_EQ(r.err.rfind("ride_estimate: unite 5 ", 0), 0u) << r.err;
  EXPECT_EQ(r.err.back(), '\n');
}

// The closing prompt waits over blank lines for a value; an end of input
// there ends the program as a key would, the report and the files complete.
TEST(RideEndToEnd, ClosingPrompt) {
  for (const std::string ending : {"\n   \nq\n", ""}) {
    TempDir dir;
    dir.write("plat.gpx", k_flat);
    const auto r = run(dir, "plat\n200\n" + ending);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, opening(2) + k_power_prompt + report(k_flat_report));
    EXPECT_EQ(dir.read("plat.txt"), k_detail_header + detail_row(0, 0, 19, "0.104", "26.9", "0.0"));
  }
}

}  // namespace
