// The route dialogue, the working files and the detail file's header.
#include <string>
#include <vector>

#include "import_harness.hpp"

namespace route_import_test {
namespace {

// Four track points: a repeated position, a 0.1 km step north rising 10 m,
// a 0.1 km step east falling 15 m (0.0009 degree is 6366 km * 3.141592 / 180
// * 0.0009 = 0.0999968 km).
const std::string k_route_gpx =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n"
    "<gpx version=\"1.1\" creator=\"Openrunner - https://www.openrunner.com\" >\t<trk>\n"
    "\t\t\t\t\t\t<name>Boucle</name>\n"
    "\t\t\t\t\t\t<trkseg>\n"
    "\t\t\t\t\t<trkpt lat=\"0.000000\" lon=\"0.000000\">\n"
    "\t\t\t\t\t\t<ele>100</ele>\n"
    "\t\t\t\t\t</trkpt>\n"
    "\t\t\t\t\t<trkpt lat=\"0.000000\" lon=\"0.000000\">\n"
    "\t\t\t\t\t\t<ele>120</ele>\n"
    "\t\t\t\t\t</trkpt>\n"
    "\t\t\t\t\t<trkpt lat=\"0.000900\" lon=\"0.000000\">\n"
    "\t\t\t\t\t\t<ele>110</ele>\n"
    "\t\t\t\t\t</trkpt>\n"
    "\t\t\t\t\t<trkpt lat=\"0.000900\" lon=\"0.000900\">\n"
    "\t\t\t\t\t\t<ele>95</ele>\n"
    "\t\t\t\t\t</trkpt>\n"
    "\t\t\t\t\t\t</trkseg>\n"
    "\t\t\t\t\t</trk>\n"
    "</gpx>\n";

const std::string k_route_trk =
    "0.000000    0.000000    100    \n"
    "0.000000    0.000000    120    \n"
    "0.000000    0.000900    110    \n"
    "0.000900    0.000900    95     \n";

// The repeated position gets no record, and the next step is measured from
// the first point, with its elevation.
const std::string k_route_profile =
    "         0.0  100.00\n"
    "       100.0  110.00  100.00  100.00   10.00\n"
    "       200.0   95.00  110.00  100.00  -15.00\n";

TEST_F(ImportTest, MissingFilesAreAskedAgainUntilTheRouteIsImported) {
  write("mon parcours.gpx", k_route_gpx);
  // Working files left by an earlier, longer run: reused and cut.
  write("mon parcours.trk", std::string(500, 'x') + "\n");
  write("mon parcours.txt", std::string(500, 'y') + "\n");
  write("scratch", std::string(500, 'z') + "\n");

  // A lone slash leaves the name blank; a typed extension is doubled; a
  // quoted name may hold blanks.
  float first_dist_m = -1.0f;
  float first_ele_m = -1.0f;
  const ImportResult r = run_import("/\nabsent\nparcours.gpx\n'mon parcours'\n", [&] {
    EXPECT_THROW(rt::write_list(10, {"x"}), rt::FatalError) << "the route file must be read only";
    rt::read_list(20, {first_dist_m, first_ele_m});
  });

  EXPECT_EQ(r.status, k_returned) << r.diagnostic;
  EXPECT_EQ(r.screen, k_question + not_found(".gpx") + not_found("absent.gpx") + not_found("parcours.gpx.gpx") +
                          import_report(4));
  EXPECT_EQ(r.route_name, "Boucle");
  EXPECT_EQ(r.detail_name, "mon parcours.txt");
  EXPECT_EQ(read("mon parcours.gpx"), k_route_gpx);
  EXPECT_EQ(read("mon parcours.trk"), k_route_trk);
  EXPECT_EQ(read("scratch"), k_route_profile);
  EXPECT_EQ(read("mon parcours.txt"), k_detail_header);
  EXPECT_EQ(first_dist_m, 0.0f) << "the profile file is rewound for loading";
  EXPECT_EQ(first_ele_m, 100.0f);
  EXPECT_EQ(files(), (std::set<std::string>{"mon parcours.gpx", "mon parcours.trk", "mon parcours.txt", "scratch"}));
}

TEST_F(ImportTest, StopEndsTheDialogueAtOnce) {
  struct Case {
    std::string keyboard;
    std::string screen;
  };
  const std::vector<Case> cases = {
      {"stop\n", k_question},
      {"stop et la suite\n", k_question},  // a bare value ends at the blank
      {"STOP\nstop\n", k_question + not_found("STOP.gpx")},
      {"'stop et la suite'\nstop\n", k_question + not_found("stop et la suite.gpx")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keyboard);
    const ImportResult r = run_import(c.keyboard);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.screen, c.screen);
    EXPECT_TRUE(files().empty());
  }
}

TEST_F(ImportTest, EndOfKeyboardInputIsTheRunTimesDiagnostic) {
  const ImportResult r = run_import("absent\n");
  EXPECT_EQ(r.status, k_diagnostic);
  EXPECT_EQ(r.screen, k_question + not_found("absent.gpx"));
}

TEST_F(ImportTest, BaseNamesOfMoreThan46CharactersAreRefused) {
  const std::string name46(46, 'n');
  const std::string name47 = std::string(46, 'n') + "x";
  const std::string missing46(46, 'm');
  write(name46 + ".gpx", k_route_gpx);

  const ImportResult r = run_import(name47 + "\n" + missing46 + "\xE9\n" + name46 + "\n");  // a trailing code above 126 does not count

  EXPECT_EQ(r.status, k_returned) << r.diagnostic;
  EXPECT_EQ(r.screen, k_question +
                          // 47 characters: refused before any file is opened.
                          " Attention: le nom " + name47 +
                          "\n"
                          "  est trop long (46 caracteres au plus).\n"
                          "  Retaper le nom du fichier si erreur de frappe et envoyer ou \n"
                          "  taper stop pour sortir\n"
                          // A name of 50 characters moves the rest of the message along.
                          " Attention: le fichier " +
                          missing46 + ".gpx\n" +
                          "  est introuvable. Retaper le nom du fichier si erreur de frappe et envoyer ou \n"
                          "  taper stop pour sortir\n" +
                          import_report(4));
  EXPECT_EQ(r.detail_name, name46 + ".txt");
  EXPECT_EQ(read(name46 + ".trk"), k_route_trk);
  EXPECT_EQ(read(name46 + ".txt"), k_detail_header);
  EXPECT_EQ(read("scratch"), k_route_profile);
  EXPECT_EQ(files(), (std::set<std::string>{name46 + ".gpx", name46 + ".trk", name46 + ".txt", "scratch"}));
}

TEST(TrimmedLength, CountsUpToTheLastPrintableCharacter) {
  struct Case {
    std::string_view text;
    int32_t length;
  };
  const Case cases[] = {
      {"", 0},           {"   ", 0},           {"parcours  ", 8},  {"a b\t", 3},
      {"ab\xE9\xE8", 2}, {"a\xE9z", 3},        {"a\x01\x7f ", 1},  {"~!", 2},
      {std::string_view("x\0", 2), 1},
  };
  for (const Case& c : cases) EXPECT_EQ(route_import::trimmed_length(c.text), c.length) << c.text;
}

}  // namespace
}  // namespace route_import_test

namespace route_import_test {
namespace {

// A working file that is a link to the route file, or to another working
// file, would be overwritten while it is read: the import refuses before it
// writes anything.
TEST_F(ImportTest, WorkingFilesThatAreLinksToOtherFilesAreRefused) {
  const std::string route =
      "<gpx>\n<trk>\n<name>R</name>\n<trkpt lat=\"45.000000\" lon=\"5.000000\">\n<ele>100</ele>\n</trk>\n";
  struct Case {
    const char* link;
    const char* target;
    const char* message;
  } cases[] = {
      {"p.trk", "p.gpx", " Attention: les fichiers p.gpx et p.trk sont un seul et meme fichier\n"},
      {"p.txt", "p.gpx", " Attention: les fichiers p.gpx et p.txt sont un seul et meme fichier\n"},
      {"scratch", "p.txt", " Attention: les fichiers scratch et p.txt sont un seul et meme fichier\n"},
  };
  for (const Case& c : cases) {
    for (const auto& name : files()) std::filesystem::remove(name);
    const bool detail_is_link = std::string(c.link) == "p.txt";
    write("p.gpx", route);
    if (!detail_is_link) write("p.txt", "an earlier detail file\n");
    std::filesystem::create_symlink(c.target, c.link);
    const ImportResult r = run_import("p\n");
    EXPECT_EQ(r.status, 1) << c.link;
    EXPECT_EQ(r.screen, " Nom du fichier .gpx Openrunner a traiter ?\n"
                        " (exemple: taper parcours pour le fichier parcours.gpx) puis envoyer\n" +
                            std::string(c.message))
        << c.link;
    EXPECT_EQ(read("p.gpx"), route) << c.link;
    EXPECT_EQ(read("p.txt"), detail_is_link ? route : "an earlier detail file\n") << c.link;
  }
}

}  // namespace
}  // namespace route_import_test
