#include <gtest/gtest.h>

#include "runtime/text.hpp"

namespace {

TEST(Text, AssignmentFillsWithBlanksOrCuts) {
  rt::Text<5> t("ab");
  EXPECT_EQ(t.view(), "ab   ");
  t = "abcdefg";
  EXPECT_EQ(t.view(), "abcde");
  t = "";
  EXPECT_EQ(t.view(), "     ");
  EXPECT_EQ(rt::Text<3>().view(), "   ");
}

TEST(Text, EqualityComparesAsIfBlankFilled) {
  const rt::Text<50> stop("stop");
  EXPECT_TRUE(stop == "stop");
  EXPECT_TRUE(stop == "stop   ");
  EXPECT_FALSE(stop == "Stop");
  EXPECT_FALSE(stop == "stopp");
  EXPECT_FALSE(rt::text_equal("stop", "stop\t"));
  EXPECT_TRUE(rt::text_equal("", "   "));
}

TEST(Text, IndexAndSubstringCountColumnsFromOne) {
  const rt::Text<20> line("  <trkpt lat=\"1\">");
  EXPECT_EQ(line.index("<trkpt"), 3);
  EXPECT_EQ(line.index("lat"), 10);
  EXPECT_EQ(line.index("lon"), 0);
  EXPECT_EQ(line.index("  "), 1);
  EXPECT_EQ(line.sub(3, 8), "<trkpt");
  EXPECT_EQ(line.sub(5, 4), "");   // j < i: empty
  EXPECT_EQ(line.sub(-3, 2), "  ");  // clipped to the text
  EXPECT_EQ(line.sub(19, 40), "  ");
  EXPECT_EQ(line.at(3), '<');
}

}  // namespace
