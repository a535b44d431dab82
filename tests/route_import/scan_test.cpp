// The GPX scan into the track file, and the ends of a failed import.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "import_harness.hpp"

namespace route_import_test {
namespace {

TEST_F(ImportTest, ScanCopiesThePointsOfTheFirstTrackAsText) {
  struct Case {
    std::string what;
    std::string gpx;
    std::string route_name;
    std::string track;
    std::string profile;
  };
  const std::vector<Case> cases = {
      {"metadata and waypoints first, ISO 8859-1 name, long texts cut, two segments, a second track",
       "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?>\n"
       "<gpx version=\"1.1\" creator=\"Openrunner\">\n"
       "<metadata><name>Carte</name></metadata>\n"
       "<wpt lat=\"44.5\" lon=\"4.5\"><ele>999</ele></wpt>\n"
       "\t<trk>\n"
       "\t\t<name>Col de l'\xE9p\xE8\xC9 \xE9t\xE9</name>\n"
       "\t\t<trkseg>\n"
       "\t\t\t<trkpt lat=\"45.1234567\" lon=\"-122.1234567\">\n"
       "\t\t\t\t<ele>1234.5678</ele>\n"
       "\t\t\t\t<time>2024-10-04T18:09:26Z</time>\n"
       "\t\t\t</trkpt>\n"
       "\t\t</trkseg>\n"
       "\t\t<trkseg>\n"
       "\t\t\t<trkpt lat=\"45.2\" lon=\"-122.2\">\n"
       "\t\t\t\t<ele>-3.5</ele>\n"
       "\t\t\t</trkpt>\n"
       "\t\t</trkseg>\n"
       "\t</trk>\n"
       "\t<trk>\n"
       "\t\t<name>Retour</name>\n"
       "\t\t<trkseg>\n"
       "\t\t\t<trkpt lat=\"46.0\" lon=\"6.0\">\n"
       "\t\t\t\t<ele>1</ele>\n"
       "\t\t\t</trkpt>\n"
       "\t\t</trkseg>\n"
       "\t</trk>\n"
       "</gpx>\n",
       "Col de l'epe\xC9 ete",
       "-122.1234   45.123456   1234.56\n"
       "-122.2      45.2        -3.5   \n",
       // A step of 10408.83 m fills its field.
       "         0.0 1234.56\n"
       "     10408.8   -3.50 1234.5610408.83  -11.89\n"},
      {"UTF-8 name, CRLF line ends, a line longer than 80 columns",
       "<trk>\r\n"
       "<name>Mont Ventoux (depuis B\xC3\xA9" "doin)</name>\r\n"
       "<desc>" + std::string(80, '-') + "</trk></desc>\r\n"  // what lies beyond column 80 is not seen
       "<trkpt lat=\"44.1\" lon=\"5.2\">\r\n"
       "<ele>310</ele>\r\n"
       "</trkpt>\r\n"
       "</trk>\r\n",
       "Mont Ventoux (depuis B\xC3\xA9" "doin)", "5.2         44.1        310    \n", "         0.0  310.00\n"},
      {"name on the line of <trk>; end of file inside the second point",
       "<trk><name>Tour</name>\n"
       "<trkseg>\n"
       "<trkpt lat=\"44.1\" lon=\"5.2\">\n"
       "<ele>310</ele>\n"
       "</trkpt>\n"
       "<trkpt lat=\"44.2\" lon=\"5.3\">",
       "", "5.2         44.1        310    \n", "         0.0  310.00\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    write("r.gpx", c.gpx);
    const ImportResult r = run_import("r\n");
    EXPECT_EQ(r.status, k_returned) << r.diagnostic;
    const auto ntrk = static_cast<int>(std::count(c.track.begin(), c.track.end(), '\n'));
    EXPECT_EQ(r.screen, k_question + import_report(ntrk));
    EXPECT_EQ(r.route_name, c.route_name);
    EXPECT_EQ(read("r.trk"), c.track);
    EXPECT_EQ(read("scratch"), c.profile);
  }
}

// A point that the profile phase could not read back as three numbers, or
// whose elevation could not be told apart from the distance in the profile
// file, stops the import at its line.
TEST_F(ImportTest, UnreadableTrackPointsStopTheImportAtTheirLine) {
  struct Case {
    std::string point_line;
    std::string ele_line;
    bool accepted;
  };
  const std::vector<Case> cases = {
      {"<trkpt lat=\"\" lon=\"5.0\">", "<ele>100</ele>", false},
      {"<trkpt lat=\"45 1\" lon=\"5.0\">", "<ele>100</ele>", false},
      {"<trkpt lat=\"45.0\" lon=\"5,0\">", "<ele>100</ele>", false},
      {"<trkpt lat=\"2*45\" lon=\"5.0\">", "<ele>100</ele>", false},
      {"<trkpt lat=\"45.0\" lon=\"5.0/\">", "<ele>100</ele>", false},
      {"<trkpt lat=\"abc\" lon=\"5.0\">", "<ele>100</ele>", false},
      {"<trkpt lon=\"5.0\" lat=\"45.0\">", "<ele>100</ele>", false},
      {"<desc>Plateau</desc>", "<ele>100</ele>", false},
      {"<trkpt lat=\"90.001\" lon=\"5.0\">", "<ele>100</ele>", false},
      {"<trkpt lat=\"45.0\" lon=\"-180.01\">", "<ele>100</ele>", false},
      {"<trkpt lat=\"45.0\" lon=\"5.0\">", "</trkpt>", false},
      {"<trkpt lat=\"45.0\" lon=\"5.0\">", "<ele>1e999</ele>", false},
      {"<trkpt lat=\"45.0\" lon=\"5.0\">", "<ele>10000</ele>", false},
      {"<trkpt lat=\"45.0\" lon=\"5.0\">", "<ele>1.0E4</ele>", false},
      {"<trkpt lat=\"45.0\" lon=\"5.0\">", "<ele>-1000</ele>", false},
      {"<trkpt lat=\"-90\" lon=\"180.0\">", "<ele>9999.995</ele>", true},  // cut to 9999.99
      {"<trkpt lat=\" 90.0 \" lon=\"-180\">", "<ele>-999.99</ele>", true},
      {"<trkpt lat=\"4.5E1\" lon=\"+5.\">", "<ele>1*12,</ele>", true},
  };
  const std::string first_record = "5.0         45.0        100    \n";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.point_line + " " + c.ele_line);
    write("r.gpx", "<trk>\n<name>R</name>\n<trkpt lat=\"45.0\" lon=\"5.0\">\n<ele>100</ele>\n" + c.point_line + "\n" +
                       c.ele_line + "\n</trk>\n");
    write("r.trk", std::string(300, 'x') + "\n");
    write("scratch", std::string(300, 'z') + "\n");
    const ImportResult r = run_import("r\n");
    if (c.accepted) {
      EXPECT_EQ(r.status, k_returned) << r.diagnostic;
      EXPECT_EQ(r.screen, k_question + import_report(2));
      continue;
    }
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.screen, k_question + " Attention: point de trace incorrect a la ligne 5\n");
    EXPECT_EQ(read("r.trk"), first_record);
    EXPECT_EQ(read("scratch"), "");
    EXPECT_EQ(read("r.txt"), k_detail_header);
  }
}

TEST_F(ImportTest, RouteWithoutTrackPointsIsReportedAndLeavesNoWorkingData) {
  struct Case {
    std::string gpx;
    std::string route_name;
  };
  const std::vector<Case> cases = {
      {"<gpx>\n<rte><name>Route</name>\n<rtept lat=\"45.0\" lon=\"5.0\"><ele>1</ele></rtept>\n</rte>\n</gpx>\n", ""},
      {"<gpx>\n<trk>", ""},
      {"", ""},
      {"<gpx>\n<trk>\n<name>Vide</name>\n<trkseg>\n</trkseg>\n</trk>\n<trk>\n<trkpt lat=\"45.0\" lon=\"5.0\">\n"
       "<ele>1</ele>\n</trk>\n",
       "Vide"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.gpx);
    write("r.gpx", c.gpx);
    write("r.trk", "5.0         45.0        100    \n");  // a track left by an earlier run
    write("scratch", "         0.0  100.00\n");
    const ImportResult r = run_import("r\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.screen, k_question + import_report(0) + " Attention: aucun point de trace dans le fichier r.gpx\n");
    EXPECT_EQ(r.route_name, c.route_name);
    EXPECT_EQ(read("r.trk"), "");
    EXPECT_EQ(read("scratch"), "");
    EXPECT_EQ(read("r.txt"), k_detail_header);
  }
}

TEST_F(ImportTest, ReadErrorOnTheRouteFileIsReportedAsAFailure) {
  // Reading this file at its start fails with an I/O error.
  const std::filesystem::path unreadable = "/proc/self/mem";
  if (!std::filesystem::exists(unreadable)) GTEST_SKIP() << "no file that fails to read";
  std::filesystem::create_symlink(unreadable, "r.gpx");
  write("r.trk", "5.0         45.0        100    \n");
  write("scratch", "         0.0  100.00\n");

  const ImportResult r = run_import("r\n");

  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.screen, k_question + " Erreur 0\n");
  EXPECT_EQ(read("r.trk"), "");
  EXPECT_EQ(read("scratch"), "");
  EXPECT_EQ(read("r.txt"), k_detail_header);
}

}  // namespace
}  // namespace route_import_test
