// The plain-number shortcut of list-directed input against the full reader.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <span>
#include <string>

#include "runtime/list_io.hpp"

namespace {

// One byte per window: a number never has its separator in the same window,
// so the shortcut never applies and the full reader takes every value.
class OneByteSource : public rt::CharSource {
 public:
  explicit OneByteSource(std::string_view text) : text_(text) {}
  std::size_t position() const { return delivered_ - static_cast<std::size_t>(end_ - cur_); }

 private:
  bool refill() override {
    if (delivered_ == text_.size()) return false;
    cur_ = text_.data() + delivered_;
    end_ = cur_ + 1;
    ++delivered_;
    return true;
  }
  std::string_view text_;
  std::size_t delivered_ = 0;
};

struct Outcome {
  rt::IoStatus status;
  uint32_t first_bits, second_bits;
  int32_t first_integer, second_integer;
  std::size_t position;
  bool operator==(const Outcome&) const = default;
};

// Two REALs or two INTEGERs read from `source`.
template <typename Source>
Outcome read_two(Source& source, bool integers) {
  float a = -7.0f, b = -9.0f;
  int32_t i = -5, j = -6;
  rt::IoStatus status;
  if (integers) {
    const rt::InItem items[] = {i, j};
    status = rt::list_parse(source, items);
  } else {
    const rt::InItem items[] = {a, b};
    status = rt::list_parse(source, items);
  }
  return {status, std::bit_cast<uint32_t>(a), std::bit_cast<uint32_t>(b), i, j, source.position()};
}

// A number-like text: mostly the plain shape with every kind of ending,
// sometimes too many digits, sometimes bytes at random.
std::string random_text(std::mt19937_64& gen) {
  static const std::string tails[] = {"",   " ",  "\t", "\n", ",",  "/",   "e5", "*",  "x",   "-3", "+2", ".",
                                      " 1", "  ", "\r", "d2", ".5", "E-1", " ,", ",,", "\n7", "0",  " \t"};
  static const std::string bytes = "0123456789+-.eEdD*/, \t\nx'\"\r";
  auto below = [&](uint64_t n) { return static_cast<std::size_t>(gen() % n); };
  auto digits = [&](std::string& t, std::size_t n) {
    for (; n > 0; --n) t.push_back(static_cast<char>('0' + below(10)));
  };
  std::string t;
  if (below(20) == 0) {
    for (std::size_t n = below(12); n > 0; --n) t.push_back(bytes[below(bytes.size())]);
    return t;
  }
  const std::size_t sign = below(3);
  if (sign != 0) t += sign == 1 ? '-' : '+';
  t.append(below(6) == 0 ? below(4) : 0, '0');
  digits(t, below(5) == 0 ? below(22) : below(8));
  if (below(3) != 0) {
    t += '.';
    t.append(below(6) == 0 ? below(25) : 0, '0');
    digits(t, below(5) == 0 ? below(26) : below(9));
    t.append(below(4) == 0 ? below(5) : 0, '0');
  }
  t += tails[below(std::size(tails))];
  if (below(4) == 0) t += tails[below(std::size(tails))];
  return t;
}

TEST(PlainNumber, TakesTheCommonShapeAndLeavesEveryOtherToTheFullReader) {
  struct Case {
    const char* text;
    bool integer;
    bool end_separates;
    std::size_t length;  // 0: left to the full reader
    double value;
  } cases[] = {
      {"45.500000 ", false, false, 9, 45.5},
      {"-4.25,", false, false, 5, -4.25},
      {"+.5/", false, false, 3, 0.5},
      {"7.\n", false, false, 2, 7.0},
      {"-0.0 ", false, false, 4, 0.0},
      {"400", false, true, 3, 400.0},
      {"400", false, false, 0, 0.0},
      {"12 ", true, false, 2, 12.0},
      {"1.5 ", true, false, 0, 0.0},
      {"1e5 ", false, false, 0, 0.0},
      {"12-3 ", false, false, 0, 0.0},
      {"2*45 ", false, false, 0, 0.0},
      {"1.2.3 ", false, false, 0, 0.0},
      {". ", false, false, 0, 0.0},
      {"- ", false, false, 0, 0.0},
      {"45.5\r", false, true, 0, 0.0},
      {" 45.5", false, true, 0, 0.0},
      {"0.1 ", false, false, 3, 0.1},
      {"9007199254740992 ", false, false, 16, 9007199254740992.0},  // 2^53, the last exact integer
      {"9007199254740993 ", false, false, 0, 0.0},
      {"1234567890.123456789 ", false, false, 0, 0.0},  // 19 digits, above 2^53
      {"0.000000000000000001 ", false, false, 20, 1e-18},
      {"0.0000000000000000001 ", false, false, 0, 0.0},  // 20 digits
  };
  for (const Case& c : cases) {
    double value = -1.0;
    const std::size_t length = rt::scan_plain_number(c.text, c.integer, c.end_separates, value);
    EXPECT_EQ(length, c.length) << '"' << c.text << '"';
    if (length != 0 && c.length != 0) {
      EXPECT_EQ(std::bit_cast<uint64_t>(value), std::bit_cast<uint64_t>(c.value)) << '"' << c.text << '"';
    }
  }
}

// Every text read with the shortcut (one window) and without it (one byte
// per window) gives the same status, values and position; a text the
// shortcut takes whole, blanks after it allowed, is read by the full reader
// with a marker after it as that one finite value, then the marker.
TEST(PlainNumber, RandomTextsReadAsTheFullReaderReadsThem) {
  std::mt19937_64 gen(2024);
  int taken = 0;
  for (int k = 0; k < 100000; ++k) {
    const std::string text = random_text(gen);
    for (const bool integers : {false, true}) {
      rt::StringSource whole(text);
      OneByteSource bytewise(text);
      ASSERT_EQ(read_two(whole, integers), read_two(bytewise, integers)) << '"' << text << "\" integers " << integers;
    }
    double value = 0.0;
    const std::size_t length = rt::scan_plain_number(text, false, true, value);
    if (length == 0 || text.find_first_not_of(" \t", length) != std::string::npos) continue;
    ++taken;
    const std::string marked = text + " 1";
    OneByteSource source(marked);
    float first = NAN, marker = NAN, none = NAN;
    const rt::InItem items[] = {first, marker, none};
    ASSERT_EQ(rt::list_parse(source, items), rt::IoStatus::end) << '"' << text << '"';
    ASSERT_EQ(std::bit_cast<uint32_t>(first), std::bit_cast<uint32_t>(static_cast<float>(value))) << '"' << text << '"';
    ASSERT_EQ(marker, 1.0f) << '"' << text << '"';
  }
  EXPECT_GT(taken, 10000);
}

// A record of random number-like texts: when the whole-record shortcut takes
// it, the full reader gives the same values; when it does not, it stores
// nothing.
TEST(PlainNumber, RecordsTakenWholeReadAsTheFullReaderReadsThem) {
  static const std::string separators[] = {" ", "  ", "\t", ",", " , ", ""};
  std::mt19937_64 gen(77);
  int taken = 0;
  for (int k = 0; k < 100000; ++k) {
    std::string record = random_text(gen);
    record += separators[gen() % std::size(separators)];
    record += random_text(gen);
    record = record.substr(0, record.find('\n'));
    for (const bool integers : {false, true}) {
      float a = -7.0f, b = -9.0f;
      int32_t i = -5, j = -6;
      const rt::InItem reals[] = {a, b};
      const rt::InItem ints[] = {i, j};
      const std::span<const rt::InItem> items = integers ? std::span<const rt::InItem>(ints) : reals;
      if (!rt::parse_plain_record(record, items)) {
        ASSERT_TRUE(a == -7.0f && b == -9.0f && i == -5 && j == -6) << '"' << record << '"';
        continue;
      }
      ++taken;
      const std::string line = record + "\n";
      OneByteSource source(line);
      Outcome full = read_two(source, integers);
      ASSERT_EQ(full.status, rt::IoStatus::ok) << '"' << record << '"';
      ASSERT_EQ(full.first_bits, std::bit_cast<uint32_t>(a)) << '"' << record << '"';
      ASSERT_EQ(full.second_bits, std::bit_cast<uint32_t>(b)) << '"' << record << '"';
      ASSERT_EQ(full.first_integer, i) << '"' << record << '"';
      ASSERT_EQ(full.second_integer, j) << '"' << record << '"';
    }
  }
  EXPECT_GT(taken, 10000);
}

}  // namespace
