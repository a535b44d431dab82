#include <gtest/gtest.h>

#include <random>
#include <string>

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

// Every length of text into variables of every length around the 16-column
// blocks, from elsewhere and from a part of the variable itself.
TEST(Text, AssignmentOfEveryLength) {
  const std::string letters = "abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  for (std::size_t size = 1; size <= 40; ++size) {
    for (std::size_t len = 0; len <= 45; ++len) {
      std::string dest(size, '~');
      rt::assign_text(dest, std::string_view(letters).substr(0, len));
      std::string expected = letters.substr(0, std::min(len, size)) + std::string(size - std::min(len, size), ' ');
      ASSERT_EQ(dest, expected) << size << ' ' << len;
      for (std::size_t from = 0; from < size; from += 3) {
        std::string self = letters.substr(0, size);
        const std::string_view part = std::string_view(self).substr(from, std::min(len, size - from));
        const std::string part_copy(part);
        rt::assign_text(self, part);
        ASSERT_EQ(self, part_copy + std::string(size - part_copy.size(), ' ')) << size << ' ' << len << ' ' << from;
      }
    }
  }
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

// INDEX finds the first occurrence anywhere in the text, at its very end
// included: every haystack and needle over a small alphabet, against the
// standard search.
TEST(Text, IndexFindsTheFirstOccurrence) {
  EXPECT_EQ(rt::index("abc", ""), 1);
  EXPECT_EQ(rt::index("", "a"), 0);
  EXPECT_EQ(rt::index("ab", "abc"), 0);
  EXPECT_EQ(rt::index("</trk>", "</trk>"), 1);
  EXPECT_EQ(rt::index("<trkseg></trk>", "</trk>"), 9);
  EXPECT_EQ(rt::index("aaab", "aab"), 2);
  std::mt19937 gen(11);
  std::uniform_int_distribution<int> letter('a', 'c');
  std::uniform_int_distribution<int> length(0, 100);  // beyond the 16-position blocks
  std::uniform_int_distribution<int> needle_length(0, 6);
  for (int k = 0; k < 40000; ++k) {
    std::string haystack(static_cast<std::size_t>(length(gen)), ' ');
    std::string needle(static_cast<std::size_t>(needle_length(gen)), ' ');
    for (char& c : haystack) c = static_cast<char>(letter(gen));
    for (char& c : needle) c = static_cast<char>(letter(gen));
    const std::size_t pos = std::string_view(haystack).find(needle);
    EXPECT_EQ(rt::index(haystack, needle), pos == std::string_view::npos ? 0 : static_cast<int32_t>(pos + 1))
        << haystack << " / " << needle;
  }
}

}  // namespace
