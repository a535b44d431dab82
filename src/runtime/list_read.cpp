// List-directed input.
//
// Values are separated by blanks, tabs, commas and record ends. A slash ends
// the READ; r*c repeats c r times and r* gives r null values; a null value
// leaves its item unchanged. A repeated value that meets an item of the
// other kind (number or text) is an error. A number keeps at most 40
// significant digits and is converted to the nearest double, as strtod does,
// then rounded to float for a REAL; a character value is bare (up to a blank, comma, slash or record
// end) or quoted.
#include <array>
#include <cctype>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "runtime/list_io.hpp"

namespace rt {
namespace {

constexpr std::size_t k_max_digits = 40;
constexpr long k_max_exponent = 99999999;
constexpr int k_eof = -1;

bool is_digit(int c) { return c >= '0' && c <= '9'; }

// 10 × count + digit, wrapping around like the machine's int arithmetic: a
// repeat count of absurd length must not be undefined behaviour.
int wrapped_count(int count, int digit) {
  return static_cast<int>(10U * static_cast<unsigned>(count) + static_cast<unsigned>(digit - '0'));
}
bool is_sign(int c) { return c == '+' || c == '-'; }
bool is_exponent_letter(int c) { return c == 'e' || c == 'E' || c == 'd' || c == 'D'; }
bool is_blank(int c) { return c == ' ' || c == '\t'; }
bool ends_bare_value(int c) { return c == ',' || c == ' ' || c == '\t' || c == '\n' || c == '/'; }

enum class ValueType { none, number, text };

// The significant digits of a number, at most k_max_digits of them.
class Digits {
 public:
  bool empty() const { return size_ == 0; }
  bool full() const { return size_ == k_max_digits; }
  std::size_t size() const { return size_; }
  void clear() { size_ = 0; }
  void push_back(char c) { chars_[size_++] = c; }
  void pop_back() { --size_; }
  char back() const { return chars_[size_ - 1]; }
  const char* c_str() {
    chars_[size_] = '\0';
    return chars_.data();
  }

 private:
  std::array<char, k_max_digits + 1> chars_;  // the first size_ are set
  std::size_t size_ = 0;
};

// 10^k for k from 0 to 22: every one is exact in a double.
constexpr std::array<double, 23> k_exact_pow10 = {
    1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

constexpr uint64_t k_exact_limit = uint64_t{1} << 53;
constexpr long k_max_exact_exponent = 22;

// n × 10^exponent for n <= 2^53 and |exponent| <= 22: both operands are exact
// doubles, and one IEEE multiplication or division rounds the exact product
// or quotient once, to nearest: the double nearest to the decimal, which is
// strtod's result.
static_assert(FLT_EVAL_METHOD == 0, "double arithmetic must round to double");
double exact_decimal(uint64_t n, long exponent, bool negative) {
  const auto exact = static_cast<double>(n);
  const double p = k_exact_pow10[static_cast<std::size_t>(exponent < 0 ? -exponent : exponent)];
  const double v = exponent < 0 ? exact / p : exact * p;
  return negative ? -v : v;
}

// The double nearest to the decimal digits × 10^exponent, as strtod gives it:
// exactly when exact_decimal() applies, through strtod otherwise.
double decimal_to_double(Digits& digits, long exponent, bool negative) {
  if (digits.size() <= 19 && exponent >= -k_max_exact_exponent && exponent <= k_max_exact_exponent) {
    uint64_t n = 0;
    const char* d = digits.c_str();
    const std::size_t size = digits.size();
    for (std::size_t k = 0; k < size; ++k) n = 10 * n + static_cast<uint64_t>(d[k] - '0');
    if (n <= k_exact_limit) return exact_decimal(n, exponent, negative);
  }
  std::array<char, k_max_digits + 32> text{};
  std::snprintf(text.data(), text.size(), "%s%se%ld", negative ? "-" : "", digits.c_str(), exponent);
  return std::strtod(text.data(), nullptr);
}

// Conversion of a read value to INTEGER, as the x86-64 truncating
// conversion does: out of range and NaN give the lowest INTEGER.
int32_t to_integer(double v) {
  if (!(v > -2147483649.0 && v < 2147483648.0)) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

class ListReader {
 public:
  explicit ListReader(CharSource& in) : in_(in) {}

  IoStatus read(std::span<const InItem> items) {
    for (const InItem& item : items) {
      if (quit_) return IoStatus::ok;
      if (eof_) return IoStatus::end;
      if (count_ == 0) {
        type_ = ValueType::none;
        bool have_data = false;
        while (!have_data) {
          const int c = get();
          switch (c) {
            case k_eof:
              return IoStatus::end;
            case ' ':
            case '\t':
            case '\n':
              continue;
            case '/':
              quit_ = true;
              return IoStatus::ok;
            case ',':
              count_ = 1;
              have_data = true;
              type_ = ValueType::none;
              break;
            default:
              in_.unget(c);
              have_data = true;
              if (const IoStatus s = read_value(item); s != IoStatus::ok) return s;
              after_value();
              break;
          }
        }
      } else {
        if (const IoStatus s = read_value(item); s != IoStatus::ok) return s;
        after_value();
      }
      if (quit_) return IoStatus::ok;
      if (!fits(item)) return IoStatus::error;
      if (type_ != ValueType::none) store(item);
      if (count_ > 0) --count_;
    }
    return IoStatus::ok;
  }

  bool at_eof() const { return eof_; }

 private:
  int get() {
    const int c = in_.get();
    if (c == k_eof) eof_ = true;
    return c;
  }

  IoStatus read_value(const InItem& item) {
    switch (item.kind) {
      case InItem::Kind::integer:
        return read_number(false, true);
      case InItem::Kind::real:
        return read_number(false, false);
      case InItem::Kind::text:
        return read_text();
    }
    return IoStatus::error;
  }

  // Blanks after a value, then one comma as its separator.
  void after_value() {
    int c;
    do c = get();
    while (is_blank(c));
    if (c != ',' || count_ > 1) in_.unget(c);
  }

  // A value repeated by r*c onto an item of the other kind (a number onto a
  // text, a text onto a number) cannot be read as that item's type.
  bool fits(const InItem& item) const {
    if (type_ == ValueType::none) return true;
    return (type_ == ValueType::text) == (item.kind == InItem::Kind::text);
  }

  void store(const InItem& item) {
    switch (item.kind) {
      case InItem::Kind::integer:
        *item.i = to_integer(number_);
        break;
      case InItem::Kind::real:
        *item.r = static_cast<float>(number_);
        break;
      case InItem::Kind::text: {
        // The value ends at its first NUL byte, like a C string.
        const std::size_t n = std::min(text_.find('\0'), text_.size());
        assign_text(item.s, std::string_view(text_).substr(0, n));
        break;
      }
    }
  }

  IoStatus read_number(bool after_star, bool want_integer) {
    if (!after_star) {
      if (count_ > 0) return IoStatus::ok;
      count_ = 1;
      if (const std::size_t n = scan_plain_number(in_.ahead(), want_integer, false, number_); n != 0) {
        in_.skip(n);
        type_ = ValueType::number;
        return IoStatus::ok;
      }
    }
    type_ = ValueType::none;
    long exponent = 0;
    bool have_star = false;
    Digits digits;
    bool negative = false;
    long have_num = 0;
    int c = 0;
    for (;;) {
      digits.clear();
      negative = false;
      have_num = 0;
      c = get();
      if (c == '-') {
        negative = true;
        c = get();
      } else if (c == '+') {
        c = get();
      }
      while (c == '0') {
        ++have_num;
        c = get();
      }
      while (is_digit(c)) {
        if (!digits.full()) digits.push_back(static_cast<char>(c));
        else ++exponent;
        c = get();
      }
      if (c == '*' && !after_star) {
        if (digits.empty() || exponent != 0 || negative) return IoStatus::error;
        after_star = have_star = true;
        count_ = static_cast<int>(std::strtol(digits.c_str(), nullptr, 10));
        continue;
      }
      break;
    }
    if (c == '.') {
      if (want_integer) return IoStatus::error;
      c = get();
      if (digits.empty())
        while (c == '0') {
          ++have_num;
          --exponent;
          c = get();
        }
      while (is_digit(c)) {
        if (!digits.full()) {
          digits.push_back(static_cast<char>(c));
          --exponent;
        }
        c = get();
      }
    }
    have_num += static_cast<long>(digits.size());
    bool sign_only = is_sign(c);
    if (sign_only || (have_num != 0 && is_exponent_letter(c))) {
      if (!sign_only) {
        if (want_integer) return IoStatus::error;
        c = get();
      }
      bool exp_negative = false;
      if (is_sign(c)) {
        exp_negative = c == '-';
        c = get();
      }
      if (!is_digit(c)) return IoStatus::error;
      long e = c - '0';
      while (is_digit(c = get())) {
        e = 10 * e + (c - '0');
        if (e > k_max_exponent) return IoStatus::error;
      }
      exponent += exp_negative ? -e : e;
    }
    in_.unget(c);
    if (!digits.empty()) {
      ++have_num;
      while (digits.back() == '0') {
        digits.pop_back();
        ++exponent;
      }
      number_ = decimal_to_double(digits, exponent, negative);
    } else {
      number_ = 0.0;
    }
    if (have_num != 0) {
      type_ = ValueType::number;
      return IoStatus::ok;
    }
    if (c == ',' || c == '/') return IoStatus::ok;
    if (have_star && (c == ' ' || c == '\t' || c == '\n')) return IoStatus::ok;
    return IoStatus::error;
  }

  IoStatus read_text() {
    if (count_ > 0) return IoStatus::ok;
    type_ = ValueType::none;
    text_.clear();
    int c = get();
    if (is_digit(c)) {
      // Digits first: a repeat count r* or a bare value that begins with digits.
      count_ = c - '0';
      text_.push_back(static_cast<char>(c));
      for (;;) {
        c = get();
        if (c == '*') {
          if (count_ == 0) {
            count_ = 1;
            return bare_text_from(c);
          }
          text_.clear();
          break;
        }
        if (ends_bare_value(c) || c == k_eof) {
          if (c != k_eof) in_.unget(c);
          count_ = 1;
          type_ = ValueType::text;
          return IoStatus::ok;
        }
        if (!is_digit(c)) {
          count_ = 1;
          return bare_text_from(c);
        }
        text_.push_back(static_cast<char>(c));
        count_ = wrapped_count(count_, c);
      }
    } else {
      in_.unget(c);
    }
    c = get();
    if (c != '\'' && c != '"') {
      if (is_blank(c) || c == ',' || c == '/' || c == k_eof) {
        in_.unget(c);
        return IoStatus::ok;  // a null value
      }
      return bare_text_from(c);
    }
    return quoted_text(c);
  }

  // A bare value whose first character `c` has been read.
  IoStatus bare_text_from(int c) {
    text_.push_back(static_cast<char>(c));
    for (;;) {
      c = get();
      if (ends_bare_value(c) || c == k_eof) {
        if (c != k_eof) in_.unget(c);
        type_ = ValueType::text;
        return IoStatus::ok;
      }
      text_.push_back(static_cast<char>(c));
    }
  }

  // A value between quotes; a doubled quote stands for one, a record end
  // inside the quotes is passed over (a backslash before it keeps a newline).
  IoStatus quoted_text(int quote) {
    type_ = ValueType::text;
    for (;;) {
      int c;
      while ((c = get()) != quote && c != '\n' && c != k_eof) text_.push_back(static_cast<char>(c));
      if (c == k_eof) return IoStatus::end;
      if (c == '\n') {
        if (!text_.empty() && text_.back() == '\\') text_.back() = '\n';
        continue;
      }
      c = get();
      if (c == quote) {
        text_.push_back(static_cast<char>(quote));
        continue;
      }
      in_.unget(c);
      return IoStatus::ok;
    }
  }

  CharSource& in_;
  bool eof_ = false;
  bool quit_ = false;
  int count_ = 0;
  ValueType type_ = ValueType::none;
  double number_ = 0.0;
  std::string text_;
};

}  // namespace

// The digits go straight into an integer (it may wrap past 19 digits, when
// the shape is refused anyway). Zeros at either end change nothing:
// exact_decimal() rounds the same exact number as for the stripped digits.
std::size_t scan_plain_number(std::string_view text, bool integer, bool end_separates, double& value) {
  constexpr std::ptrdiff_t k_max_plain_digits = 19;
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  const char* p = begin;
  const bool negative = p != end && *p == '-';
  if (p != end && (*p == '-' || *p == '+')) ++p;
  uint64_t n = 0;
  const char* const whole = p;
  for (; p != end && is_digit(*p); ++p) n = 10 * n + static_cast<uint64_t>(*p - '0');
  std::ptrdiff_t digits = p - whole;
  std::ptrdiff_t decimals = 0;
  if (p != end && *p == '.') {
    if (integer) return 0;
    const char* const fraction = ++p;
    for (; p != end && is_digit(*p); ++p) n = 10 * n + static_cast<uint64_t>(*p - '0');
    decimals = p - fraction;
    digits += decimals;
  }
  if (digits == 0 || digits > k_max_plain_digits || n > k_exact_limit) return 0;
  if (p == end ? !end_separates : !ends_bare_value(*p)) return 0;
  value = n == 0 ? 0.0 : exact_decimal(n, -static_cast<long>(decimals), negative);
  return static_cast<std::size_t>(p - begin);
}

bool parse_plain_record(std::string_view record, std::span<const InItem> items) {
  constexpr std::size_t k_max_items = 8;
  std::array<double, k_max_items> values;  // set by each successful scan before use
  if (items.size() > k_max_items) return false;
  const char* p = record.data();
  const char* const end = p + record.size();
  for (std::size_t k = 0; k < items.size(); ++k) {
    if (items[k].kind == InItem::Kind::text) return false;
    while (p != end && is_blank(*p)) ++p;
    const std::size_t n = scan_plain_number(std::string_view(p, static_cast<std::size_t>(end - p)),
                                            items[k].kind == InItem::Kind::integer, true, values[k]);
    if (n == 0) return false;  // another shape, a null value, a slash, or the record ends first
    p += n;
    while (p != end && is_blank(*p)) ++p;
    if (p != end && *p == ',') ++p;
  }
  for (std::size_t k = 0; k < items.size(); ++k) {
    if (items[k].kind == InItem::Kind::integer) *items[k].i = to_integer(values[k]);
    else *items[k].r = static_cast<float>(values[k]);
  }
  return true;
}

IoStatus list_parse(CharSource& in, std::span<const InItem> items) {
  ListReader reader(in);
  return reader.read(items);
}

}  // namespace rt
