// Formatted READ "(A80)": the same files read by libf2c and by our run-time,
// record after record, must give the same texts and the same status.
//
// One departure is kept on purpose: the last line of a file that lacks its
// line end is a record like any other in ours. libf2c reports the end of the
// file on it instead, and leaves a short line's variable only partly filled.
#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>
#include <vector>

#include "reference_io.hpp"
#include "runtime/format.hpp"
#include "runtime/io.hpp"

namespace {

struct Outcome {
  rt::IoStatus status;
  std::string text;
  bool operator==(const Outcome&) const = default;
};

std::vector<Outcome> read_lines(bool library, const std::string& content, int reads) {
  ref::ScratchDir dir;
  const std::string path = dir.file("route.gpx");
  ref::write_file(path, content);
  static const rt::Format a80("(A80)");
  std::vector<Outcome> outcomes;
  std::array<char, 80> line{};
  const std::vector<rt::InItem> items = {rt::InItem(std::span<char>(line))};
  if (library) {
    EXPECT_EQ(ref::f2c::open(37, path, "old"), rt::IoStatus::ok);
  } else {
    EXPECT_EQ(rt::open(38, path, rt::OpenStatus::old, rt::on_err), rt::IoStatus::ok);
  }
  for (int k = 0; k < reads; ++k) {
    line.fill('~');
    const rt::IoStatus s = library ? ref::f2c::read_formatted(37, "(A80)", items) : ref::ours::read_formatted(38, a80, items);
    Outcome& outcome = outcomes.emplace_back();
    outcome.status = s;
    outcome.text.assign(line.data(), line.size());
  }
  if (library) ref::f2c::close(37);
  else rt::close_all();
  return outcomes;
}

TEST(FormattedInputReference, A80Records) {
  const std::string long_line = std::string(79, 'a') + "bcdefghij";
  const std::vector<std::string> contents = {
      "",
      "\n",
      "\n\n\n",
      "short\n",
      "   <trkpt lat=\"45.764043\" lon=\"4.835170\">\n      <ele>171.5</ele>\n",
      std::string(79, 'x') + "\n" + std::string(80, 'y') + "\n" + long_line + "\n" + "z\n",
      long_line + "\n" + "next\n",
      long_line + long_line + long_line + "\nnext\n",
      "\ttab\t\n",
      "crlf\r\n\r\nx\r\n",
      "trailing blanks   \n   \n",
  };
  for (const std::string& content : contents) {
    const int reads = 6;
    const std::vector<Outcome> lib = read_lines(true, content, reads);
    const std::vector<Outcome> ours = read_lines(false, content, reads);
    for (int k = 0; k < reads; ++k) {
      const auto n = static_cast<std::size_t>(k);
      EXPECT_EQ(ours[n], lib[n]) << "record " << k + 1 << " of \"" << content << "\"\n   ours: "
                                 << static_cast<int>(ours[n].status) << " [" << ours[n].text << "]\nlibrary: "
                                 << static_cast<int>(lib[n].status) << " [" << lib[n].text << "]";
    }
  }
}

TEST(FormattedInputReference, LastLineWithoutLineEnd) {
  const std::string long_line = std::string(79, 'a') + "bcdefghij";
  struct Case {
    std::string content;
    std::vector<std::string> ours;  // the records ours reads before the end
  };
  const std::vector<Case> cases = {
      {"no line end", {"no line end"}},
      {"first\nlast", {"first", "last"}},
      {std::string(80, 'q'), {std::string(80, 'q')}},
      {long_line, {long_line.substr(0, 80)}},
  };
  for (const Case& c : cases) {
    const auto reads = static_cast<int>(c.ours.size()) + 1;
    const std::vector<Outcome> lib = read_lines(true, c.content, reads);
    const std::vector<Outcome> ours = read_lines(false, c.content, reads);
    for (std::size_t k = 0; k < c.ours.size(); ++k) {
      std::string expected = c.ours[k];
      expected.resize(80, ' ');
      EXPECT_EQ(ours[k], (Outcome{rt::IoStatus::ok, expected})) << c.content;
      const bool last = k + 1 == c.ours.size();
      EXPECT_EQ(lib[k].status, last ? rt::IoStatus::end : rt::IoStatus::ok) << c.content;
    }
    EXPECT_EQ(ours.back().status, rt::IoStatus::end) << c.content;
    EXPECT_EQ(lib.back().status, rt::IoStatus::end) << c.content;
  }
}

// Records of random lengths over several read buffers, so that records begin,
// end and cross every way at the buffer's edges, some far longer than 80.
TEST(FormattedInputReference, RecordsAcrossBufferRefills) {
  std::mt19937 gen(2024);
  std::uniform_int_distribution<int> length(0, 160);
  std::bernoulli_distribution very_long(0.002);
  std::uniform_int_distribution<int> letter('!', '~');
  std::string content;
  int records = 0;
  while (content.size() < 300000) {
    const int n = very_long(gen) ? 70000 : length(gen);
    for (int k = 0; k < n; ++k) content.push_back(static_cast<char>(letter(gen)));
    content.push_back('\n');
    ++records;
  }
  const std::vector<Outcome> lib = read_lines(true, content, records + 1);
  const std::vector<Outcome> ours = read_lines(false, content, records + 1);
  int mismatches = 0;
  for (std::size_t k = 0; k < lib.size() && mismatches < 5; ++k) {
    if (ours[k] == lib[k]) continue;
    ++mismatches;
    ADD_FAILURE() << "record " << k + 1 << "\n   ours: [" << ours[k].text << "]\nlibrary: [" << lib[k].text << "]";
  }
  EXPECT_EQ(ours.back().status, rt::IoStatus::end);
}

}  // namespace
