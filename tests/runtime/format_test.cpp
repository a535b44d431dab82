#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "runtime/format.hpp"
#include "runtime/list_io.hpp"

namespace {

std::string fixed(float v, int w, int d) {
  std::string s;
  rt::edit_fixed(s, v, w, d);
  return s;
}

TEST(FixedEditing, RoundsTheExactValueAndWritesTheLeadingZero) {
  const float inf = std::numeric_limits<float>::infinity();
  struct Case {
    float v;
    int w, d;
    const char* out;
  } cases[] = {
      {0.64f, 6, 2, "  0.64"},     {0.64f, 4, 2, "0.64"},      {0.64f, 3, 2, ".64"},  // zero only when it fits
      {-0.64f, 5, 2, "-0.64"},     {-0.64f, 4, 2, "-.64"},     {0.64f, 2, 2, "**"},
      {-0.001f, 6, 2, "  0.00"},   {-0.0f, 6, 1, "   0.0"},    {-0.04f, 4, 1, " 0.0"},  // no minus on a zero
      {0.125f, 5, 2, " 0.12"},     {0.375f, 5, 2, " 0.38"},    {2.5f, 4, 0, "  2."},   // ties to even
      {3.5f, 4, 0, "  4."},        {0.4f, 3, 0, " 0."},        {1476.8f, 6, 0, " 1477."},
      {99999.99f, 8, 2, "99999.99"}, {100000.0f, 8, 2, "********"}, {-9999.99f, 8, 2, "-9999.99"},
      {-10000.0f, 8, 2, "********"},
      {inf, 4, 1, " Inf"},         {-inf, 4, 1, "-Inf"},       {std::nanf(""), 6, 2, "   NaN"},
      {inf, 2, 1, "**"},           {3e38f, 12, 1, "************"}, {1e-30f, 6, 3, " 0.000"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(fixed(c.v, c.w, c.d), c.out) << c.v << " F" << c.w << "." << c.d;
  }
  // The float's exact value decides, not its shortest decimal: 0.15f is
  // 0.15000000596..., above the tie; 0.25f is an exact tie, to even.
  EXPECT_EQ(fixed(0.15f, 5, 1), "  0.2");
  EXPECT_EQ(fixed(0.25f, 5, 1), "  0.2");
}

TEST(Format, WritesRecordsAndStopsAtTheFirstDescriptorWithoutItem) {
  struct Case {
    const char* format;
    std::vector<rt::OutItem> items;
    std::string out;
  } cases[] = {
      {"(A9,3X,A9,3X,A7)", {"2.042520 ", "48.703900", "85     "}, "2.042520    48.703900   85     "},
      {"(F12.1,4F8.2)", {0.0f, 85.0f}, "         0.0   85.00"},
      {"(F12.1,4F8.2)", {100.0f, 95.0f, 85.0f, 100.0f, 10.0f}, "       100.0   95.00   85.00  100.00   10.00"},
      {"(3X,I2,':',I2,':',I2,7X,F8.3,6X,F6.1,8X,F6.1)",
       {0, 0, 19, 0.104414f, 26.9f, 0.0f},
       "    0: 0:19          0.104        26.9           0.0"},
      {"(5X,'Puissance developpee:       ',F6.0,' watts')", {200.0f}, "     Puissance developpee:         200. watts"},
      {"(5X,'Temps du parcours:          ',I3,' heures',I3,' minutes')",
       {2, 3},
       "     Temps du parcours:            2 heures  3 minutes"},
      {"(5X,'Pour quitter, taper sur une touche quelconque et envoyer')",
       {},
       "     Pour quitter, taper sur une touche quelconque et envoyer"},
      {"(5X,'a',I3,' b',I3,' c')", {7}, "     a  7 b"},  // stops before the second I3
      {"('it''s',A)", {"x"}, "it'sx"},
      {"(I3,I2)", {-12, 123}, "-12**"},
      {"(A3,A)", {"abcdef", "xy"}, "abcxy"},
      {"(A5)", {"ab"}, "   ab"},
  };
  for (const Case& c : cases) {
    const rt::Format f(c.format);
    std::string out;
    f.edit(out, c.items);
    EXPECT_EQ(out, c.out) << c.format;
  }
}

TEST(Format, RefusesWhatItCannotInterpret) {
  for (const char* text : {"F8.2", "(F8)", "(Q3)", "('open", "(I)", "(0X)"})
    EXPECT_THROW(rt::Format{text}, std::invalid_argument) << text;
  const rt::Format f("(I3)");
  std::string out;
  const std::vector<rt::OutItem> wrong{1.5f};
  EXPECT_THROW(f.edit(out, wrong), std::invalid_argument);
}

TEST(ListDirectedWrite, LeadingBlankIntegersAndTheEightyColumnRule) {
  auto lines = [](std::vector<rt::OutItem> items) {
    std::string s;
    rt::list_edit(s, items);
    return s;
  };
  EXPECT_EQ(lines({"Nom du fichier .gpx Openrunner a traiter ?",
                   "(exemple: taper parcours pour le fichier parcours.gpx)", " puis envoyer"}),
            " Nom du fichier .gpx Openrunner a traiter ?\n"
            " (exemple: taper parcours pour le fichier parcours.gpx) puis envoyer\n");
  EXPECT_EQ(lines({"Le fichier a ete lu avec succes.", " Le parcours est defini par: ", 1432, " points"}),
            " Le fichier a ete lu avec succes. Le parcours est defini par:  1432 points\n");
  EXPECT_EQ(lines({"Erreur", 0}), " Erreur 0\n");
  EXPECT_EQ(lines({-5}), " -5\n");
  EXPECT_EQ(lines({}), "\n");
  // 1 + 78 characters on the line; a 1-character item makes 80: new line.
  const std::string s78(78, 'a');
  EXPECT_EQ(lines({s78, "b"}), " " + s78 + "\n b\n");
  EXPECT_EQ(lines({std::string(77, 'a'), "b"}), " " + std::string(77, 'a') + "b\n");
  // An INTEGER counts its digits only: 78 + 2 digits reaches 80.
  EXPECT_EQ(lines({std::string(77, 'a'), 12}), " " + std::string(77, 'a') + "\n 12\n");
  EXPECT_EQ(lines({std::string(77, 'a'), 1}), " " + std::string(77, 'a') + " 1\n");
}

}  // namespace
