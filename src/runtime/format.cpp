#include "runtime/format.hpp"

#include <array>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace rt {
namespace {

__extension__ typedef unsigned __int128 u128;

[[noreturn]] void bad_format(std::string_view text, std::string_view why) {
  throw std::invalid_argument("FORMAT " + std::string(text) + ": " + std::string(why));
}

// Reads an unsigned decimal number at `pos`; -1 when there is none.
int32_t read_number(std::string_view s, std::size_t& pos) {
  if (pos >= s.size() || s[pos] < '0' || s[pos] > '9') return -1;
  int32_t n = 0;
  while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9') {
    n = n * 10 + (s[pos] - '0');
    if (n > 1'000'000) return -1;
    ++pos;
  }
  return n;
}

void put_blanks(std::string& out, int32_t n) {
  if (n > 0) out.append(static_cast<std::size_t>(n), ' ');
}
void put_stars(std::string& out, int32_t n) { out.append(static_cast<std::size_t>(std::max(n, 0)), '*'); }

// A field of `width` columns composed from its last column backwards: it
// starts as blanks, put() writes each character or text, then finish()
// appends the field in one step. At most `width` characters may be put.
class RightAligned {
 public:
  RightAligned(std::string& out, int32_t width) : out_(out), width_(static_cast<std::size_t>(width)) {
    if (width_ <= sizeof narrow_) {
      std::memset(narrow_, ' ', sizeof narrow_);
      field_ = narrow_;
    } else {
      thread_local std::string wide;
      wide.assign(width_, ' ');
      field_ = wide.data();
    }
    p_ = field_ + width_;
  }
  void put(char c) { *--p_ = c; }
  void put(std::string_view text) {
    // A few characters: a plain loop costs less than a call to memcpy.
    char* p = p_;
    for (const char* c = text.data() + text.size(); c != text.data();) *--p = *--c;
    p_ = p;
  }
  void finish() { out_.append(field_, width_); }

 private:
  std::string& out_;
  std::size_t width_;
  char narrow_[64];
  char* field_;
  char* p_;
};

// "00" "01" ... "99": two digits per division.
constexpr std::array<char, 200> k_digit_pairs = [] {
  std::array<char, 200> pairs{};
  for (std::size_t k = 0; k < 100; ++k) {
    pairs[2 * k] = static_cast<char>('0' + k / 10);
    pairs[2 * k + 1] = static_cast<char>('0' + k % 10);
  }
  return pairs;
}();

// Decimal digits of `v` into the end of `buf`; returns the first digit.
// 64-bit divisions, two digits at a time, once the value fits in 64 bits.
char* digits_of(u128 v, char* end) {
  char* p = end;
  while (v > UINT64_MAX) {
    *--p = static_cast<char>('0' + static_cast<int>(v % 10));
    v /= 10;
  }
  auto w = static_cast<uint64_t>(v);
  while (w >= 100) {
    p -= 2;
    std::memcpy(p, &k_digit_pairs[2 * (w % 100)], 2);
    w /= 100;
  }
  if (w >= 10) {
    p -= 2;
    std::memcpy(p, &k_digit_pairs[2 * w], 2);
  } else {
    *--p = static_cast<char>('0' + w);
  }
  return p;
}

constexpr uint64_t k_pow10[] = {1ULL,         10ULL,         100ULL,         1000ULL,
                                10000ULL,     100000ULL,     1000000ULL,     10000000ULL,
                                100000000ULL, 1000000000ULL, 10000000000ULL, 100000000000ULL};
constexpr int32_t k_max_fast_decimals = 11;
constexpr float k_fast_limit = 1099511627776.0f;  // 2^40

// Whether scaled() applies: few decimals and a magnitude below 2^40.
bool has_fast_digits(float magnitude, int32_t decimals) {
  return decimals <= k_max_fast_decimals && magnitude < k_fast_limit;
}

// |value| × 10^decimals rounded to an integer with ties to even, exactly:
// the float is mant × 2^shift, and the scaled significand (below 2^61)
// is shifted with its remainder deciding the rounding.
u128 scaled(float magnitude, int32_t decimals) {
  const auto bits = std::bit_cast<uint32_t>(magnitude);
  const auto biased = static_cast<int>(bits >> 23);
  const uint32_t fraction = bits & 0x7FFFFFU;
  const uint64_t mant = biased == 0 ? fraction : (fraction | 0x800000U);
  const int shift = (biased == 0 ? 1 : biased) - 150;  // magnitude = mant × 2^shift
  const uint64_t n = mant * k_pow10[decimals];
  if (shift >= 0) return static_cast<u128>(n) << shift;
  const int s = -shift;
  if (s >= 62) return 0;  // n < 2^61: below half a unit of the last decimal
  uint64_t q = n >> s;
  const uint64_t rem = n - (q << s);
  const uint64_t half = uint64_t{1} << (s - 1);
  if (rem > half || (rem == half && (q & 1U) != 0)) ++q;
  return q;
}

// The text of Fw.d without sign for units = |value| × 10^decimals: the
// integer digits (at least one), the point, `decimals` digits. Written
// backwards so that it ends at `end`; returns its first character.
char* plain_fixed(u128 units, int32_t decimals, char* end) {
  const uint64_t unit = k_pow10[decimals];
  u128 whole = 0;
  uint64_t fraction = 0;
  if (units <= UINT64_MAX) {
    const auto u = static_cast<uint64_t>(units);
    whole = u / unit;
    fraction = u % unit;
  } else {
    whole = units / unit;
    fraction = static_cast<uint64_t>(units % unit);
  }
  char* p = end;
  if (decimals > 0) {
    p = digits_of(fraction, p);
    while (end - p < decimals) *--p = '0';
  }
  *--p = '.';
  return digits_of(whole, p);
}

// Slow path for huge values and many decimals: glibc's exact conversion,
// with the point written after the digits when there are no decimals.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-truncation"
void printf_fixed(float magnitude, int32_t decimals, std::string& text) {
  const int n = std::snprintf(nullptr, 0, "%.*f", decimals, static_cast<double>(magnitude));
  text.resize(static_cast<std::size_t>(n) + 1);
  std::snprintf(text.data(), text.size(), "%.*f", decimals, static_cast<double>(magnitude));
  text.resize(static_cast<std::size_t>(n));
  if (decimals == 0) text.push_back('.');
}
#pragma GCC diagnostic pop

}  // namespace

void edit_integer(std::string& out, int32_t value, int32_t width) {
  char buf[16];
  char* end = buf + sizeof buf;
  const bool negative = value < 0;
  const auto magnitude = negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value);
  char* first = digits_of(static_cast<u128>(magnitude), end);
  const auto ndigits = static_cast<int32_t>(end - first);
  const int32_t len = ndigits + (negative ? 1 : 0);
  if (len > width) {
    put_stars(out, width);
    return;
  }
  RightAligned field(out, width);
  field.put(std::string_view(first, static_cast<std::size_t>(ndigits)));
  if (negative) field.put('-');
  field.finish();
}

void edit_fixed(std::string& out, float value, int32_t width, int32_t decimals) {
  if (!std::isfinite(value)) {
    const std::string_view text = std::isnan(value) ? "NaN" : (value < 0 ? "-Inf" : "Inf");
    const auto len = static_cast<int32_t>(text.size());
    if (len > width) {
      put_stars(out, width);
    } else {
      RightAligned field(out, width);
      field.put(text);
      field.finish();
    }
    return;
  }
  // The value as text without sign: integer digits, point, decimals.
  const float magnitude = std::fabs(value);
  char buf[64];  // the fast text at the end, blanks before it
  char* const end = buf + sizeof buf;
  thread_local std::string slow_text;
  std::string_view text;
  bool shows_zero = false;
  const bool fast = has_fast_digits(magnitude, decimals);
  if (fast) {
    std::memset(buf, ' ', sizeof buf);
    const u128 units = scaled(magnitude, decimals);
    const char* first = plain_fixed(units, decimals, end);
    text = std::string_view(first, static_cast<std::size_t>(end - first));
    shows_zero = units == 0;
  } else {
    printf_fixed(magnitude, decimals, slow_text);
    text = slow_text;
    shows_zero = text.find_first_not_of("0.") == std::string_view::npos;
  }
  const bool negative = std::signbit(value) && !shows_zero;
  std::size_t len = text.size() + (negative ? 1 : 0);
  const auto w = static_cast<std::size_t>(width);
  if (len > w && text[0] == '0' && text[1] == '.') {
    text.remove_prefix(1);
    --len;
  }
  if (len > w) {
    put_stars(out, width);
    return;
  }
  if (fast && w < sizeof buf) {
    // The field is the last w columns of the buffer, the sign put in place
    // (over the dropped zero, if any).
    if (negative) end[-static_cast<std::ptrdiff_t>(len)] = '-';
    out.append(end - w, w);
    return;
  }
  RightAligned field(out, width);
  field.put(text);
  if (negative) field.put('-');
  field.finish();
}

void edit_chars(std::string& out, std::string_view value, int32_t width) {
  if (width == 0) {
    out.append(value);
    return;
  }
  const auto w = static_cast<std::size_t>(width);
  if (value.size() >= w) {
    out.append(value.substr(0, w));
  } else {
    RightAligned field(out, width);
    field.put(value);
    field.finish();
  }
}

Format::Format(std::string_view text) : text_(text) {
  std::size_t pos = 0;
  auto skip_blanks = [&] {
    while (pos < text.size() && text[pos] == ' ') ++pos;
  };
  skip_blanks();
  if (pos >= text.size() || text[pos] != '(') bad_format(text, "missing (");
  ++pos;
  for (;;) {
    skip_blanks();
    if (pos >= text.size()) bad_format(text, "missing )");
    if (text[pos] == ')') {
      ++pos;
      break;
    }
    if (text[pos] == '\'') {
      std::string lit;
      ++pos;
      for (;;) {
        if (pos >= text.size()) bad_format(text, "unterminated text");
        if (text[pos] == '\'') {
          if (pos + 1 < text.size() && text[pos + 1] == '\'') {
            lit.push_back('\'');
            pos += 2;
            continue;
          }
          ++pos;
          break;
        }
        lit.push_back(text[pos++]);
      }
      descriptors_.push_back({Op::literal, 0, 0, std::move(lit)});
    } else {
      const int32_t count = read_number(text, pos);
      if (pos >= text.size()) bad_format(text, "missing descriptor");
      const char letter = static_cast<char>(text[pos] & ~0x20);  // upper case
      ++pos;
      const int32_t repeat = count < 0 ? 1 : count;
      if (repeat == 0) bad_format(text, "zero count");
      Descriptor d{Op::blanks, 0, 0, {}};
      switch (letter) {
        case 'X':
          d = {Op::blanks, repeat, 0, {}};
          descriptors_.push_back(d);
          break;
        case 'I':
        case 'F':
        case 'A': {
          const int32_t w = read_number(text, pos);
          int32_t dec = 0;
          if (letter == 'F') {
            if (w <= 0 || pos >= text.size() || text[pos] != '.') bad_format(text, "F needs w.d");
            ++pos;
            dec = read_number(text, pos);
            if (dec < 0) bad_format(text, "F needs w.d");
          } else if (letter == 'I' && w <= 0) {
            bad_format(text, "I needs a width");
          }
          const Op op = letter == 'I' ? Op::integer : letter == 'F' ? Op::fixed : Op::chars;
          d = {op, w < 0 ? 0 : w, dec, {}};
          for (int32_t k = 0; k < repeat; ++k) descriptors_.push_back(d);
          break;
        }
        default:
          bad_format(text, "unsupported descriptor");
      }
    }
    skip_blanks();
    if (pos < text.size() && text[pos] == ',') ++pos;
  }
  for (const Descriptor& d : descriptors_) {
    if (d.op == Op::chars) input_widths_.push_back(d.width);
    else if (d.op != Op::blanks) input_ok_ = false;
  }
}

void Format::edit(std::string& out, std::span<const OutItem> items) const {
  std::size_t next = 0;
  // nX moves the position; its blanks are written only when something
  // follows them, so a record never ends with the blanks of an X.
  int32_t pending_blanks = 0;
  for (const Descriptor& d : descriptors_) {
    if (d.op == Op::blanks) {
      pending_blanks += d.width;
      continue;
    }
    if (d.op != Op::literal && next == items.size()) return;
    put_blanks(out, pending_blanks);
    pending_blanks = 0;
    if (d.op == Op::literal) {
      out.append(d.literal);
      continue;
    }
    const OutItem& item = items[next++];
    switch (d.op) {
      case Op::integer:
        if (item.kind != OutItem::Kind::integer) bad_format(text_, "I needs an INTEGER");
        edit_integer(out, item.i, d.width);
        break;
      case Op::fixed:
        if (item.kind != OutItem::Kind::real) bad_format(text_, "F needs a REAL");
        edit_fixed(out, item.r, d.width, d.decimals);
        break;
      case Op::chars:
        if (item.kind != OutItem::Kind::text) bad_format(text_, "A needs a text");
        edit_chars(out, item.s, d.width);
        break;
      default:
        break;
    }
  }
  if (next != items.size()) bad_format(text_, "more items than descriptors");
}

std::span<const int32_t> Format::input_widths() const {
  if (!input_ok_) bad_format(text_, "input takes A descriptors only");
  return input_widths_;
}

}  // namespace rt
