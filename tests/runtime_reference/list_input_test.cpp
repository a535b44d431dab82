// List-directed READ: the same files read by libf2c and by our run-time, READ
// after READ, must give the same values bit for bit and the same status.
//
// Sequences are compared READ after READ to the end: after a READ that fails
// on an unreadable value, both go on at the next record.
//
// One departure is kept on purpose: a value repeated by r*c onto an item of
// the other kind (a number onto a CHARACTER item, a text onto a REAL or an
// INTEGER) is an error in ours; libf2c stores whatever its buffers last held,
// or crashes when they were never filled. The random records are therefore
// read into items of one kind whenever they hold a repeat count.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "reference_io.hpp"
#include "runtime/io.hpp"

namespace {

constexpr float k_untouched_real = -7777.25f;
constexpr int32_t k_untouched_integer = -987654;
constexpr char k_untouched_char = '~';

// The variables of one READ, described by letters: r REAL, i INTEGER, and
// CHARACTER of length 1 (a), 4 (c), 12 (l) or 50 (n).
class Variables {
 public:
  explicit Variables(std::string_view kinds) : kinds_(kinds) {
    if (kinds.size() > 8) throw std::invalid_argument("at most 8 items");
    reset();
  }

  void reset() {
    reals_.fill(k_untouched_real);
    integers_.fill(k_untouched_integer);
    for (auto& t : texts_) t.fill(k_untouched_char);
  }

  std::vector<rt::InItem> items() {
    std::vector<rt::InItem> list;
    for (std::size_t k = 0; k < kinds_.size(); ++k) {
      switch (kinds_[k]) {
        case 'r': list.emplace_back(reals_[k]); break;
        case 'i': list.emplace_back(integers_[k]); break;
        default: list.emplace_back(std::span<char>(texts_[k].data(), text_length(kinds_[k]))); break;
      }
    }
    return list;
  }

  // The values as text: REALs with their bits, texts between brackets.
  std::string values() const {
    std::string s;
    for (std::size_t k = 0; k < kinds_.size(); ++k) {
      if (!s.empty()) s += " | ";
      switch (kinds_[k]) {
        case 'r': s += ref::describe(reals_[k]); break;
        case 'i': s += std::to_string(integers_[k]); break;
        default: s += "[" + std::string(texts_[k].data(), text_length(kinds_[k])) + "]"; break;
      }
    }
    return s;
  }

 private:
  static std::size_t text_length(char letter) {
    switch (letter) {
      case 'a': return 1;
      case 'c': return 4;
      case 'l': return 12;
      case 'n': return 50;
      default: throw std::invalid_argument("unknown item letter");
    }
  }

  std::string kinds_;
  std::array<float, 8> reals_{};
  std::array<int32_t, 8> integers_{};
  std::array<std::array<char, 50>, 8> texts_{};
};

const char* name_of(rt::IoStatus s) {
  switch (s) {
    case rt::IoStatus::ok: return "ok";
    case rt::IoStatus::end: return "end";
    case rt::IoStatus::error: return "error";
  }
  return "?";
}

struct Outcome {
  rt::IoStatus status;
  std::string values;
  bool operator==(const Outcome&) const = default;
};

std::string show(const Outcome& o) { return std::string(name_of(o.status)) + ": " + o.values; }

enum class Side { library, ours };

// `reads` READs of the items `kinds` from a file holding `content`.
std::vector<Outcome> read_all(Side side, std::string_view content, std::string_view kinds, int reads) {
  ref::ScratchDir dir;
  const std::string path = dir.file("input.txt");
  ref::write_file(path, content);
  std::vector<Outcome> outcomes;
  Variables vars(kinds);
  const std::vector<rt::InItem> items = vars.items();
  if (side == Side::library) {
    if (ref::f2c::open(35, path, "old") != rt::IoStatus::ok) throw std::runtime_error("libf2c OPEN failed");
    for (int k = 0; k < reads; ++k) {
      vars.reset();
      const rt::IoStatus s = ref::f2c::read_list(35, items);
      outcomes.push_back({s, vars.values()});
    }
    ref::f2c::close(35);
  } else {
    if (rt::open(36, path, rt::OpenStatus::old, rt::on_err) != rt::IoStatus::ok) throw std::runtime_error("OPEN failed");
    for (int k = 0; k < reads; ++k) {
      vars.reset();
      const rt::IoStatus s = ref::ours::read_list(36, items);
      outcomes.push_back({s, vars.values()});
    }
    rt::close_all();
  }
  return outcomes;
}

std::string escaped(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c == '\t') out += "\\t";
    else out.push_back(c);
  }
  return out;
}

// The READs agree one by one; returns false (with a failure naming the
// input) when they do not.
bool expect_same_reads(std::string_view content, std::string_view kinds, int reads = 3) {
  const std::vector<Outcome> lib = read_all(Side::library, content, kinds, reads);
  const std::vector<Outcome> ours = read_all(Side::ours, content, kinds, reads);
  for (int k = 0; k < reads; ++k) {
    const auto n = static_cast<std::size_t>(k);
    if (ours[n] != lib[n]) {
      ADD_FAILURE() << "input \"" << escaped(content) << "\", items " << kinds << ", READ " << k + 1
                    << "\n   ours: " << show(ours[n]) << "\nlibrary: " << show(lib[n]);
      return false;
    }
  }
  return true;
}

struct Case {
  const char* input;
  const char* items;
};

void expect_same_reads(const std::vector<Case>& cases) {
  for (const Case& c : cases) expect_same_reads(c.input, c.items);
}

TEST(ListInputReference, NumbersInEveryForm) {
  expect_same_reads({
      {"1 2 3\n", "rrr"},
      {"+1.5 -2.25 -0\n", "rrr"},
      {"1. .5 -.5 +.25 0.\n", "rrrrr"},
      {"1e3 1E-3 1d2 1D+2 -2.5e-1\n", "rrrrr"},
      {"1.5+3 1.5-3 2+0 .5-1\n", "rrrr"},
      {"1e 1e+ 1.5e+\n", "r"},
      {"1e+ 2\n", "rr"},
      {"e5\n", "r"},
      {". \n", "r"},
      {"+ \n", "r"},
      {"- 5\n", "rr"},
      {".e5\n", "r"},
      {"1..5\n", "r"},
      {"1.5.\n", "r"},
      {"12345678901234567890123456789012345678901234567890\n", "r"},
      {"0.00000000000000000000000000000000000000000000000000123456789012345678901234567890123456789\n", "r"},
      {"1234567890123456789012345678901234567890.123456789e-30\n", "r"},
      {"000000000000000000000000000000000000000000000000001.5\n", "r"},
      // Near 1 + 2^-24 + 2^-53, where the decimal's 40th digit decides between
      // two doubles that round to different floats, and digits after the 40th
      // are dropped.
      {"1.000000059604644886412927462515654042369\n", "r"},
      {"1.000000059604644886412927462515654042363166809082031251\n", "r"},
      {"0.0001000000059604644886412927462515654042369e4\n", "r"},
      {"10000000596046448864129274625156540423690000\n", "r"},
      {"1e38 3.4028235e38 3.4028236e38 1e39 -1e39\n", "rrrrr"},
      {"1e-38 1e-45 1e-46 7e-46 -1e-50\n", "rrrrr"},
      {"1e308 1e309 1e400 1e-400 1e99999999 1e-99999999\n", "rrrrrr"},
      {"1e999999999\n", "r"},
      {"0.1 0.2 0.3 3.6 9.81 3.141592\n", "rrrrrr"},
      {"0.500000029802322387695312 0.50000002980232238769531 16777217 16777219\n", "rrrr"},
      {"250\n", "r"},
      {"42 -42 +7 0 -0\n", "iiiii"},
      {"2147483647 -2147483648 2147483648 -2147483649 99999999999\n", "iiiii"},
      {"1.5\n", "i"},
      {"1e3\n", "i"},
      {"1+3\n", "i"},
      {"12abc\n", "i"},
      {"abc\n", "r"},
      {"1.5x\n", "r"},
      {"nan\n", "r"},
      {"inf\n", "r"},
      {"NaN Inf\n", "rr"},
      {"0x10\n", "r"},
      {"1,5\n", "r"},
      {"'1.5'\n", "r"},
      {"1.5 abc\n", "rc"},
      {"17 x\n", "ic"},
  });
}

TEST(ListInputReference, Texts) {
  expect_same_reads({
      {"parcours\n", "n"},
      {"parcours autre\n", "n"},
      {"'a b' \"x\" 'it''s' \"say \"\"hi\"\"\"\n", "llll"},
      {"'it''s'\n", "a"},
      {"abcdefghijklmnopqrstuvwxyz\n", "c"},
      {"'abcdefghijklmnop'\n", "c"},
      {"ab\n", "l"},
      {"''\n", "c"},
      {"\"\"\n", "c"},
      {"a,b,,d\n", "cccc"},
      {"a/b\n", "cc"},
      {"stop\n", "n"},
      {"   stop   \n", "n"},
      {"x\n", "a"},
      {"xyz\n", "a"},
      {"12 ab\n", "cc"},
      {"3*ab\n", "ccc"},
      {"2*'a b' c\n", "ccc"},
      {"3*\n", "ccc"},
      {"1*x\n", "c"},
      {"0*x\n", "c"},
      {"*x\n", "c"},
      {"12*\n", "c"},
      {"a'b c\n", "cc"},
      {"'a\nb'\n", "c"},
      {"'a\\\nb'\n", "l"},
      {"\ta\tb\t\n", "cc"},
      {"a\tb c\n", "ccc"},
      {"7 a 1.5\n", "icr"},
      {"'\n", "c"},
      {"'abc", "c"},
      {"'abc\n", "c"},
      {"abc", "c"},
  });
}

TEST(ListInputReference, SeparatorsNullValuesAndSlash) {
  expect_same_reads({
      {"1,2,3\n", "rrr"},
      {"1 , 2 ,3\n", "rrr"},
      {"1,,3\n", "rrr"},
      {",2\n", "rr"},
      {",,\n", "rrr"},
      {"1,\n2\n", "rr"},
      {"1,\n,3\n", "rrr"},
      {"1 2 /\n", "rrr"},
      {"1 /2\n3\n", "rr"},
      {"/\n5\n", "r"},
      {"1/\n", "rr"},
      {",/\n", "rr"},
      {"1,/\n", "rr"},
      {"3*1.5\n", "rrr"},
      {"2*1.5 7\n", "rrr"},
      {"2*\n", "rr"},
      {"2* 5\n", "rrr"},
      {"2*,5\n", "rrr"},
      {"5*2\n", "rr"},
      {"2*3 4\n5\n", "rrr"},
      {"3*7\n", "ii"},
      {"0*5\n", "r"},
      {"-2*5\n", "r"},
      {"2.5*5\n", "r"},
      {"2**5\n", "rr"},
      {"1.5 2.5 3.5 4.5\n5.5\n", "rr"},
      {"1 2\n", "rrr"},
  });
}

TEST(ListInputReference, RecordsAndEndOfFile) {
  expect_same_reads({
      {"", "r"},
      {"\n", "r"},
      {"\n\n   \n1\n", "r"},
      {"   \n\t\n2.5\n", "r"},
      {"1\n\n2\n", "rr"},
      {"1.5", "r"},
      {"1.5 2.5", "r"},
      {"1.5 2.5", "rr"},
      {"1.5 ", "r"},
      {"1.5\n2.5", "r"},
      {"1 2\n3", "rrr"},
      {"1 2\n", "rrr"},
      {"1\n2\n3\n4\n5\n", "rr"},
      {"1 2 3\n4 5 6\n7 8 9\n", "rr"},
      {"1\r\n2\r\n", "r"},
      {"1 2\r\n3 4\r\n", "rr"},
      {"abc\r\ndef\r\n", "c"},
      {"'ab'\r\n", "c"},
      {"1\r\n", "rr"},
      {"\r\n1\n", "r"},
      {"x\n", "c"},
      {"     0.0  171.50\n  123.4  172.25  171.50   12.35    6.07\n", "rr"},
      {"4.8351700   45.764043   171.5\n4.8351800   45.764143   172\n", "rrr"},
  });
}

// After an unreadable value, the next READ starts at the next record, in
// both; a READ that lacks values goes on to the records after it.
TEST(ListInputReference, ReadsAfterAnErrorStayInStep) {
  expect_same_reads({
      {"abc 1\n2\n3\n", "r"},
      {"abc\n2\n3\n", "rr"},
      {"1.5x 7\n8\n9\n", "i"},
      {"12abc 3\n4\n", "rr"},
      {"1 abc\n2\n3\n", "rr"},
      {"1 2 x\n3 4 5\n6\n", "rrr"},
      {"'abc\n", "c"},
  });
  const std::vector<Outcome> ours = read_all(Side::ours, "abc 1\n2\n", "r", 2);
  EXPECT_EQ(ours[0].status, rt::IoStatus::error);
  EXPECT_EQ(ours[1], (Outcome{rt::IoStatus::ok, ref::describe(2.0f)}));
}

// A repeated value onto an item of the other kind: an error in ours (libf2c
// cannot be asked: it stores stale data or crashes).
TEST(ListInputReference, RepeatOntoTheOtherKindIsAnErrorInOurs) {
  struct Case {
    const char* input;
    const char* items;
    const char* values;
  };
  const Case cases[] = {
      {"2*4 x\n", "rc", "4 (0x40800000) | [~~~~]"},
      {"2*ab\n", "cr", "[ab  ] | -7777.25 (0xc5f30a00)"},
      {"3*1\n", "ci", "[1   ] | -987654"},
      {"2*'q r'\n", "ci", "[q r ] | -987654"},
  };
  for (const Case& c : cases) {
    const std::vector<Outcome> ours = read_all(Side::ours, c.input, c.items, 2);
    EXPECT_EQ(ours[0], (Outcome{rt::IoStatus::error, c.values})) << c.input;
    EXPECT_EQ(ours[1].status, rt::IoStatus::end) << c.input;
  }
  // Numbers repeat onto REAL and INTEGER items alike, as in libf2c.
  expect_same_reads({{"2*1.5\n", "ri"}, {"2*7\n", "ir"}, {"2*1.5\n", "ir"}, {"3*-2\n", "iri"}});
}

// Random records from a small alphabet of tokens, read with random item
// lists, three READs each.
TEST(ListInputReference, RandomRecords) {
  const std::vector<std::string> tokens = {"0", "1", "7", "42", "9", "-", "+", ".", "e", "E", "d", "D", "*",
                                           ",", "/", "'", "\"", " ", "  ", "\t", "\n", "\n", "x", "ab", "1.5",
                                           "3*", "2*4", "-0", ".5", "1e5", "1d-3", "1.5+3", "e9", "99999999999"};
  const std::vector<std::string> one_kind = {"r", "rr", "rrr", "i", "ii", "ri", "c", "cc", "a", "ln"};
  const std::vector<std::string> mixed = {"rc", "ci", "irc", "ca"};
  std::mt19937 gen(12345);
  std::uniform_int_distribution<std::size_t> token(0, tokens.size() - 1);
  std::uniform_int_distribution<std::size_t> pick(0, 99);
  std::uniform_int_distribution<int> length(0, 12);
  std::bernoulli_distribution final_newline(0.8);
  int failures = 0;
  for (int k = 0; k < 3000 && failures < 15; ++k) {
    std::string content;
    for (int n = length(gen); n > 0; --n) content += tokens[token(gen)];
    if (final_newline(gen)) content += "\n";
    const bool repeats = content.find('*') != std::string::npos;
    const std::size_t p = pick(gen);
    const std::string& kinds = repeats || p % 3 != 0 ? one_kind[p % one_kind.size()] : mixed[p % mixed.size()];
    if (!expect_same_reads(content, kinds)) ++failures;
  }
}

}  // namespace
