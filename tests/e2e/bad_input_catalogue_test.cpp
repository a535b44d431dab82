// The catalogue of bad inputs: each case runs the built program in a fresh
// directory, most of them over the working files that an earlier run on a
// longer route left there, and checks the whole screen, the diagnostic on
// standard error, the exit status, and every entry of the directory: the
// files this run writes hold exactly its records (nothing of an earlier
// file's tail), and everything else, the route file first, is byte for byte
// as it was.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "ride/expected_layout.hpp"
#include "support/program_run.hpp"

namespace {

namespace fs = std::filesystem;
using ride_test::detail_row;
using ride_test::field;
using ride_test::k_detail_header;
using test_support::TempDir;

std::string repeat(const std::string& text, int times) {
  std::string out;
  for (int k = 0; k < times; ++k) out += text;
  return out;
}

// ---------------------------------------------------------------- routes

struct TrackPoint {
  std::string lat;
  std::string ele;
  std::string lon = "0.000000";
};

// A route in the layout of the route-planning service: point k (from 1)
// stands on line 3k + 3 and its elevation on the line after. On the meridian
// of longitude 0 from the equator, 0.0009 degree of latitude is 99.9969 m.
std::string gpx(const std::vector<TrackPoint>& points, const std::string& name = "Plat") {
  std::string text =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<gpx version=\"1.1\" creator=\"ride_estimate tests\">\n"
      "  <trk>\n"
      "    <name>" +
      name +
      "</name>\n"
      "    <trkseg>\n";
  for (const TrackPoint& p : points) {
    text += "      <trkpt lat=\"" + p.lat + "\" lon=\"" + p.lon + "\">\n";
    if (!p.ele.empty()) text += "        <ele>" + p.ele + "</ele>\n";
    text += "      </trkpt>\n";
  }
  return text + "    </trkseg>\n  </trk>\n</gpx>\n";
}

const std::string k_flat = gpx({{"0.000000", "100.0"}, {"0.000900", "100.0"}});
// The track records of k_flat, "(A9,3X,A9,3X,A7)": longitude first.
const std::string k_flat_track =
    "0.000000    0.000000    100.0  \n"
    "0.000000    0.000900    100.0  \n";
// Its profile records, "(F12.1,4F8.2)"; the first one has two fields.
const std::string k_flat_profile =
    "         0.0  100.00\n"
    "       100.0  100.00  100.00  100.00    0.00\n";
// Its ride at 200 W: 19 s, one row.
const std::string k_flat_detail = k_detail_header + detail_row(0, 0, 19, "0.104", "26.9", "0.0");

// Bytes of a fixed pseudo-random sequence, every value from 0 to 255.
std::string garbage(std::size_t size) {
  std::string bytes(size, '\0');
  uint32_t state = 12345;
  for (char& c : bytes) {
    state = state * 1103515245U + 12345U;
    c = static_cast<char>(state >> 23);
  }
  return bytes;
}

// ---------------------------------------------------------------- screen

const std::string k_question =
    " Nom du fichier .gpx Openrunner a traiter ?\n"
    " (exemple: taper parcours pour le fichier parcours.gpx) puis envoyer\n";
const std::string k_retype_or_stop =
    "  Retaper le nom du fichier si erreur de frappe et envoyer ou \n"
    "  taper stop pour sortir\n";

// For a name of fewer than 40 characters.
std::string not_found(const std::string& gpx_name) {
  return " Attention: le fichier " + gpx_name + " est introuvable.\n" + k_retype_or_stop;
}
// For a name of 47 to 60 characters.
std::string too_long(const std::string& base_name) {
  return " Attention: le nom " + base_name + "\n  est trop long (46 caracteres au plus).\n" + k_retype_or_stop;
}
std::string import_report(int points) {
  return " Le fichier a ete lu avec succes. Le parcours est defini par:  " + std::to_string(points) + " points\n";
}
std::string bad_point(int line) {
  return " Attention: point de trace incorrect a la ligne " + std::to_string(line) + "\n";
}
std::string no_point(const std::string& gpx_name) {
  return " Attention: aucun point de trace dans le fichier " + gpx_name + "\n";
}
const std::string k_too_short = " Attention: parcours trop court pour etre simule\n";
const std::string k_power_prompt = " Indiquer la puissance du cyclo en watt et envoyer\n";
const std::string k_power_warning = " Attention: puissance incorrecte, taper un nombre de watts de 1 a 10000\n";

// The report of k_flat at 200 W: 0.1 km, no climb, 0 h 0 min, 3.8 kJ; on
// the flat at 31.3 km/h the 100 m cost 2.30 kJ and 100 km 2300.32 kJ; the
// indices are 3.8 / 2.30 = 1.65 and 3.8 / 2300.32 = 0.0017.
// clang-format off
std::string flat_report(const std::string& detail_name) {
  const std::string label(5, ' ');
  return "\n\n\n" + std::string(10, ' ') + "Plat" + std::string(76, ' ') + "\n" +
         label + "Kilometrage du parcours:    " + field("0.1", 7) + "\n" +
         label + "Denivele positif:           " + field("0.", 6) + " m\n" +
         label + "Puissance developpee:       " + field("200.", 6) + " watts\n" +
         label + "Temps du parcours:          " + field("0", 3) + " heures" + field("0", 3) + " minutes\n" +
         label + "Depense energetique:        " + field("4", 6) + " kJoules\n" +
         label + "Meme kilometrage sur plat:  " + field("2", 6) + " kJoules\n" +
         label + "100 km sur le plat:         " + field("2300", 6) + " kJoules\n" +
         label + "Indice de difficulte:       " + field("1.65", 6) + "\n" +
         label + "Indice depense energetique: " + field("0.00", 6) + "\n" +
         "\n\n" +
         label + "Le detail des resultats se trouvent sur le fichier: " + detail_name +
         std::string(50 - detail_name.size(), ' ') + "\n" +
         label + "Pour quitter, taper sur une touche quelconque et envoyer\n" +
         "       (realisation: ride_estimate@example.org)\n";
}
// clang-format on

const std::string k_flat_ride = k_question + import_report(2) + k_power_prompt + flat_report("parcours.txt");

const std::string k_end_of_keyboard = "ride_estimate: unite 5 (entree standard): fin de fichier\n";

// ---------------------------------------------------------------- directory

// An entry of the directory before the run: a file, a directory, or a
// symbolic link to `content`.
struct Entry {
  enum class Kind { file, directory, symlink };
  std::string name;
  std::string content;
  Kind kind = Kind::file;
};

Entry directory(const std::string& name) { return {name, "", Entry::Kind::directory}; }
Entry symlink(const std::string& name, const std::string& target) { return {name, target, Entry::Kind::symlink}; }

// The working files of an earlier run on a longer route, each longer than
// anything a case writes into it.
std::vector<Entry> stale_working_files(const std::string& base = "parcours") {
  return {{base + ".trk", repeat("5.123456    45.123456   1234.5 \n", 300)},
          {base + ".txt", k_detail_header + repeat(detail_row(1, 2, 3, "99.999", "25.0", "-3.5"), 300)},
          {"scratch", repeat("     12345.6 1234.50 1234.00   10.00    5.00\n", 300)}};
}

// The route file `gpx_text` as parcours.gpx over the stale working files.
std::vector<Entry> route_over_stale(const std::string& gpx_text) {
  std::vector<Entry> entries = stale_working_files();
  entries.push_back({"parcours.gpx", gpx_text});
  return entries;
}

void create(const TempDir& dir, const Entry& e) {
  switch (e.kind) {
    case Entry::Kind::file:
      dir.write(e.name, e.content);
      break;
    case Entry::Kind::directory:
      fs::create_directory(dir / e.name);
      break;
    case Entry::Kind::symlink:
      fs::create_symlink(e.content, dir / e.name);
      break;
  }
}

std::set<std::string> listing(const TempDir& dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir.path())) names.insert(entry.path().filename().string());
  return names;
}

// ---------------------------------------------------------------- cases

struct Case {
  std::string title;
  std::vector<Entry> before;
  std::string keyboard;
  std::string screen;
  std::string error;  // the standard-error line, empty when none
  int status;
  std::map<std::string, std::string> written;  // each file the run writes, with its whole content
  int signal = 0;                              // sent once `signal_when` is on the screen
  std::string signal_when = {};
};

// What a failed import leaves: the track records before the fault, an empty
// profile file, the detail file's header.
std::map<std::string, std::string> failed_import(const std::string& track = "") {
  return {{"parcours.trk", track}, {"scratch", ""}, {"parcours.txt", k_detail_header}};
}

const std::map<std::string, std::string> k_flat_files = {
    {"parcours.trk", k_flat_track}, {"scratch", k_flat_profile}, {"parcours.txt", k_flat_detail}};
const std::map<std::string, std::string> k_flat_imported = {
    {"parcours.trk", k_flat_track}, {"scratch", k_flat_profile}, {"parcours.txt", k_detail_header}};

std::vector<Case> catalogue() {
  const std::string name46(46, 'n');
  const std::string name47 = std::string(46, 'n') + "o";
  const std::string name48 = std::string(46, 'n') + "op";
  const std::string name50 = std::string(46, 'n') + "opqr";
  const std::string refused_then_stop = "\nstop\n";

  std::vector<Case> cases = {
      // The dialogue.
      {"stop at once", route_over_stale(k_flat), "stop\n", k_question, "", 0, {}},
      {"stop after a missing name",
       route_over_stale(k_flat),
       "absent\nstop\n",
       k_question + not_found("absent.gpx"),
       "",
       0,
       {}},
      {"name of 46 characters",
       {{name46 + ".gpx", k_flat}},
       name46 + "\n200\nq\n",
       k_question + import_report(2) + k_power_prompt + flat_report(name46 + ".txt"),
       "",
       0,
       {{name46 + ".trk", k_flat_track}, {"scratch", k_flat_profile}, {name46 + ".txt", k_flat_detail}}},
      // Longer names would read or write files of cut suffixes: nnn.gp, nnn.t
      // (both working files), and at 50 characters the route file itself.
      {"name of 47 characters",
       {{name47 + ".gp", k_flat}},
       name47 + refused_then_stop,
       k_question + too_long(name47),
       "",
       0,
       {}},
      {"name of 48 characters",
       {{name48 + ".g", k_flat}},
       name48 + refused_then_stop,
       k_question + too_long(name48),
       "",
       0,
       {}},
      {"name of 50 characters",
       {{name50, k_flat}},
       name50 + refused_then_stop,
       k_question + too_long(name50),
       "",
       0,
       {}},
      {"name of several megabytes without a newline",
       route_over_stale(k_flat),
       std::string(4 << 20, 'n'),
       k_question + too_long(std::string(50, 'n')),
       k_end_of_keyboard,
       2,
       {}},
      {"directory named like the route file",
       {directory("parcours.gpx")},
       "parcours\nstop\n",
       k_question + not_found("parcours.gpx"),
       "",
       0,
       {}},

      // Routes without a track point.
      {"empty route file", route_over_stale(""), "parcours\n", k_question + import_report(0) + no_point("parcours.gpx"),
       "", 1, failed_import()},
      {"route file without a track",
       route_over_stale("<?xml version=\"1.0\"?>\n<gpx>\n  <metadata><name>Plat</name></metadata>\n"
                        "  <wpt lat=\"45.0\" lon=\"5.0\"><ele>200</ele></wpt>\n</gpx>\n"),
       "parcours\n", k_question + import_report(0) + no_point("parcours.gpx"), "", 1, failed_import()},
      {"track without points", route_over_stale(gpx({})), "parcours\n",
       k_question + import_report(0) + no_point("parcours.gpx"), "", 1, failed_import()},
      {"binary garbage", route_over_stale(garbage(64 * 1024)), "parcours\n",
       k_question + import_report(0) + no_point("parcours.gpx"), "", 1, failed_import()},

      // A bad second point (line 9) stops the scan; the first one is kept.
      {"point without elevation", route_over_stale(gpx({{"0.000000", "100.0"}, {"0.000900", ""}})), "parcours\n",
       k_question + bad_point(9), "", 1, failed_import(k_flat_track.substr(0, 32))},
      {"non-numeric latitude", route_over_stale(gpx({{"0.000000", "100.0"}, {"0.0009x", "100.0"}})), "parcours\n",
       k_question + bad_point(9), "", 1, failed_import(k_flat_track.substr(0, 32))},
      {"blank longitude", route_over_stale(gpx({{"0.000000", "100.0"}, {"0.000900", "100.0", ""}})), "parcours\n",
       k_question + bad_point(9), "", 1, failed_import(k_flat_track.substr(0, 32))},
      {"latitude 95", route_over_stale(gpx({{"0.000000", "100.0"}, {"95.0", "100.0"}})), "parcours\n",
       k_question + bad_point(9), "", 1, failed_import(k_flat_track.substr(0, 32))},
      {"elevation 12000", route_over_stale(gpx({{"0.000000", "100.0"}, {"0.000900", "12000"}})), "parcours\n",
       k_question + bad_point(9), "", 1, failed_import(k_flat_track.substr(0, 32))},
      {"binary garbage as a latitude",
       route_over_stale(gpx({{"0.000000", "100.0"}, {std::string("\x00\xff\xe9\x01", 4), "100.0"}})), "parcours\n",
       k_question + bad_point(9), "", 1, failed_import(k_flat_track.substr(0, 32))},

      // Routes that import but cannot be ridden.
      {"points that all coincide",
       route_over_stale(gpx({{"0.000000", "100.0"}, {"0.000000", "101.0"}, {"0.000000", "102.0"}})),
       "parcours\n200\n",
       k_question + import_report(3) + k_too_short,
       "",
       1,
       {{"parcours.trk",
         "0.000000    0.000000    100.0  \n"
         "0.000000    0.000000    101.0  \n"
         "0.000000    0.000000    102.0  \n"},
        {"scratch", "         0.0  100.00\n"},
        {"parcours.txt", k_detail_header}}},
      // 10 m rising 5 m: dense enough to be smoothed, and its top point is
      // the top of a 50 % rise.
      {"profile that smoothing reduces to one point",
       route_over_stale(gpx({{"0.000000", "0.0"}, {"0.000090", "5.0"}})),
       "parcours\n200\n",
       k_question + import_report(2) + k_too_short,
       "",
       1,
       {{"parcours.trk",
         "0.000000    0.000000    0.0    \n"
         "0.000000    0.000090    5.0    \n"},
        {"scratch",
         "         0.0    0.00\n"
         "        10.0    5.00    0.00   10.00   50.00\n"},
        {"parcours.txt", k_detail_header}}},
      // A first step of 1 cm shows as 0.0 m in the profile file: a first
      // segment of zero length, ridden as the flat route.
      {"first step too short for the profile file",
       route_over_stale(gpx({{"0.000000", "100.0"}, {"0.0000001", "100.0"}, {"0.000900", "100.0"}})),
       "parcours\n200\nq\n",
       k_question + import_report(3) + k_power_prompt + flat_report("parcours.txt"),
       "",
       0,
       {{"parcours.trk",
         "0.000000    0.000000    100.0  \n"
         "0.000000    0.0000001   100.0  \n"
         "0.000000    0.000900    100.0  \n"},
        {"scratch",
         "         0.0  100.00\n"
         "         0.0  100.00  100.00    0.01    0.00\n"
         "       100.0  100.00  100.00   99.99    0.00\n"},
        {"parcours.txt", k_flat_detail}}},
      // After the points, a line of several megabytes without a newline ends
      // the file and with it the track.
      {"route ending in a line of several megabytes without a newline",
       route_over_stale(k_flat.substr(0, k_flat.find("    </trkseg>")) + std::string(4 << 20, 'x')),
       "parcours\n200\nq\n", k_flat_ride, "", 0, k_flat_files},

      // The power: an empty line is no answer; a refused one is asked again.
      {"power after an empty line", route_over_stale(k_flat), "parcours\n\n200\nq\n", k_flat_ride, "", 0, k_flat_files},

      // End of input at each prompt.
      {"end of input at the route question", route_over_stale(k_flat), "", k_question, k_end_of_keyboard, 2, {}},
      {"end of input at the power prompt", route_over_stale(k_flat), "parcours\n",
       k_question + import_report(2) + k_power_prompt, k_end_of_keyboard, 2, k_flat_imported},
      {"end of input at the closing prompt", route_over_stale(k_flat), "parcours\n200\n", k_flat_ride, "", 0,
       k_flat_files},

      // Working files that cannot be created or written.
      {"directory where the track file should be",
       {{"parcours.gpx", k_flat}, directory("parcours.trk"), stale_working_files()[1], stale_working_files()[2]},
       "parcours\n",
       k_question,
       "ride_estimate: unite 30 (parcours.trk): ouverture ou creation impossible (Is a directory)\n",
       2,
       {}},
      {"directory where the profile file should be",
       {{"parcours.gpx", k_flat}, directory("scratch"), stale_working_files()[0], stale_working_files()[1]},
       "parcours\n",
       k_question,
       "ride_estimate: unite 20 (scratch): ouverture ou creation impossible (Is a directory)\n",
       2,
       {}},
      {"detail file a link to /dev/full",
       {{"parcours.gpx", k_flat},
        symlink("parcours.txt", "/dev/full"),
        stale_working_files()[0],
        stale_working_files()[2]},
       "parcours\n200\nq\n",
       k_flat_ride,
       "ride_estimate: unite 40 (parcours.txt): ecriture impossible (No space left on device)\n",
       2,
       {{"parcours.trk", k_flat_track}, {"scratch", k_flat_profile}}},

      // Interruptions: every working file is cut after this run's records.
      {"SIGINT at the power prompt", route_over_stale(k_flat), "parcours\n",
       k_question + import_report(2) + k_power_prompt, "", 128 + SIGINT, k_flat_imported, SIGINT, k_power_prompt},
      {"SIGINT at the closing prompt", route_over_stale(k_flat), "parcours\n200\n", k_flat_ride, "", 128 + SIGINT,
       k_flat_files, SIGINT, "(realisation:"},
  };

  for (const std::string answer : {"abc", "/", "-5", "0", "0.5", "1e40", "nan", "20000"}) {
    cases.push_back({"power " + answer, route_over_stale(k_flat), "parcours\n" + answer + "\n200\nq\n",
                     k_question + import_report(2) + k_power_prompt + k_power_warning + k_power_prompt +
                         flat_report("parcours.txt"),
                     "", 0, k_flat_files});
  }
  return cases;
}

// Every entry of the directory after the run: the files the run writes with
// exactly their expected content, everything else as it was before.
void expect_directory(const TempDir& dir, const Case& c) {
  std::set<std::string> expected_names;
  for (const Entry& e : c.before) expected_names.insert(e.name);
  for (const auto& [name, content] : c.written) expected_names.insert(name);
  EXPECT_EQ(listing(dir), expected_names);

  for (const auto& [name, content] : c.written) {
    ASSERT_TRUE(fs::is_regular_file(fs::symlink_status(dir / name))) << name;
    EXPECT_EQ(dir.read(name), content) << name;
  }
  for (const Entry& e : c.before) {
    if (c.written.count(e.name) != 0) continue;
    const fs::file_status status = fs::symlink_status(dir / e.name);
    switch (e.kind) {
      case Entry::Kind::file:
        ASSERT_TRUE(fs::is_regular_file(status)) << e.name;
        EXPECT_TRUE(dir.read(e.name) == e.content) << e.name << " changed";
        break;
      case Entry::Kind::directory:
        EXPECT_TRUE(fs::is_directory(status)) << e.name;
        EXPECT_TRUE(fs::is_empty(dir / e.name)) << e.name;
        break;
      case Entry::Kind::symlink:
        ASSERT_TRUE(fs::is_symlink(status)) << e.name;
        EXPECT_EQ(fs::read_symlink(dir / e.name).string(), e.content);
        break;
    }
  }
}

TEST(BadInputCatalogue, EveryCaseGetsItsAnswerAndLeavesNoStaleData) {
  for (const Case& c : catalogue()) {
    SCOPED_TRACE(c.title);
    TempDir dir;
    for (const Entry& e : c.before) create(dir, e);
    const test_support::RunResult r =
        test_support::run_program(RIDE_ESTIMATE_PATH, dir.path(), c.keyboard, c.signal, c.signal_when);
    EXPECT_EQ(r.status, c.status);
    EXPECT_TRUE(r.out == c.screen) << "screen:\n" << r.out.substr(0, 4000);
    EXPECT_EQ(r.err, c.error);
    expect_directory(dir, c);
  }
}

}  // namespace
