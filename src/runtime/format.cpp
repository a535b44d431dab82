#include "runtime/format.hpp"

#include <algorithm>
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

// "00" "01" ... "99": two digits per division.
constexpr std::array<char, 200> k_digit_pairs = [] {
  std::array<char, 200> pairs{};
  for (std::size_t k = 0; k < 100; ++k) {
    pairs[2 * k] = static_cast<char>('0' + k / 10);
    pairs[2 * k + 1] = static_cast<char>('0' + k % 10);
  }
  return pairs;
}();

// Decimal digits of `w` ending at `end`, two at a time; returns the first digit.
char* digits_of(uint64_t w, char* end) {
  char* p = end;
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

// The same for 128 bits: single digits until the value fits in 64 bits.
char* digits_of(u128 v, char* end) {
  char* p = end;
  while (v > UINT64_MAX) {
    *--p = static_cast<char>('0' + static_cast<int>(v % 10));
    v /= 10;
  }
  return digits_of(static_cast<uint64_t>(v), p);
}

constexpr uint64_t k_pow10[] = {1ULL,
                                10ULL,
                                100ULL,
                                1000ULL,
                                10000ULL,
                                100000ULL,
                                1000000ULL,
                                10000000ULL,
                                100000000ULL,
                                1000000000ULL,
                                10000000000ULL,
                                100000000000ULL,
                                1000000000000ULL,
                                10000000000000ULL,
                                100000000000000ULL,
                                1000000000000000ULL,
                                10000000000000000ULL,
                                100000000000000000ULL,
                                1000000000000000000ULL,
                                10000000000000000000ULL};
constexpr int32_t k_max_fast_decimals = 11;
constexpr float k_fast_limit = 1099511627776.0f;  // 2^40

// Number of decimal digits of `v`, at least one, without a loop: t, the bit
// length times log10(2) (1233 / 4096), is the digit count less one, or the
// count itself when v lies below 10^t. (v | 1 has as many digits as v, and
// one digit for 0.)
int32_t decimal_length(uint64_t v) {
  const uint64_t w = v | 1;
  const int t = ((64 - std::countl_zero(w)) * 1233) >> 12;
  return t + 1 - (w < k_pow10[t] ? 1 : 0);
}

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
  // Up above half, or to even at exactly half; computed without a branch, as
  // the remainder's side of half is random.
  q += static_cast<uint64_t>((rem > half) | ((rem == half) & ((q & 1U) != 0)));
  return q;
}

// The same for at most 8 decimals and a scaled value below 2^52, in a few
// instructions: the double product |value| × 10^d is exact (24 + 27
// significant bits), and adding then subtracting 2^52 rounds it to an
// integer, ties to even, in the default rounding mode, which the program
// never changes. Returns false when the case does not apply.
bool scaled_small(float magnitude, int32_t decimals, uint64_t& units) {
  constexpr double k_round = 4503599627370496.0;  // 2^52
  if (decimals > 8) return false;
  constexpr double k_scale[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};
  const double product = static_cast<double>(magnitude) * k_scale[decimals];
  if (!(product < k_round)) return false;
  units = static_cast<uint64_t>((product + k_round) - k_round);
  return true;
}

// units / 10^decimals and its remainder; the usual decimal counts divide
// by a constant, which the compiler turns into a multiplication.
void split_units(uint64_t units, int32_t decimals, uint64_t& whole, uint64_t& fraction) {
  const auto split = [&](uint64_t unit) {
    whole = units / unit;
    fraction = units % unit;
  };
  switch (decimals) {
    case 0: whole = units; fraction = 0; break;
    case 1: split(10); break;
    case 2: split(100); break;
    case 3: split(1000); break;
    default: split(k_pow10[decimals]); break;
  }
}

// The point and `decimals` digits of `fraction`, zeros before them, written
// backwards so that they end at `end`; returns the point.
char* point_and_decimals(uint64_t fraction, int32_t decimals, char* end) {
  char* p = end;
  if (decimals > 0) {
    p = digits_of(fraction, p);
    while (end - p < decimals) *--p = '0';
  }
  *--p = '.';
  return p;
}

// The text of Fw.d without sign for units = |value| × 10^decimals: the
// integer digits (at least one), the point, `decimals` digits. Written
// backwards so that it ends at `end`; returns its first character.
char* plain_fixed(u128 units, int32_t decimals, char* end) {
  const uint64_t unit = k_pow10[decimals];
  u128 whole = 0;
  uint64_t fraction = 0;
  if (units <= UINT64_MAX) {
    uint64_t w = 0;
    split_units(static_cast<uint64_t>(units), decimals, w, fraction);
    whole = w;
  } else {
    whole = units / unit;
    fraction = static_cast<uint64_t>(units % unit);
  }
  return digits_of(whole, point_and_decimals(fraction, decimals, end));
}

// Slow path for huge values and many decimals: glibc's exact conversion,
// with the point written after the digits when there are no decimals.
#pragma GCC diagnostic push
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wformat-truncation"
#endif
void printf_fixed(float magnitude, int32_t decimals, std::string& text) {
  const int n = std::snprintf(nullptr, 0, "%.*f", decimals, static_cast<double>(magnitude));
  text.resize(static_cast<std::size_t>(n) + 1);
  std::snprintf(text.data(), text.size(), "%.*f", decimals, static_cast<double>(magnitude));
  text.resize(static_cast<std::size_t>(n));
  if (decimals == 0) text.push_back('.');
}
#pragma GCC diagnostic pop

// Field writers: each fills a field of `width` columns that holds blanks.

void fill_stars(char* field, int32_t width) { std::memset(field, '*', static_cast<std::size_t>(width)); }

void integer_into(char* field, int32_t width, int32_t value) {
  const bool negative = value < 0;
  const auto magnitude = static_cast<uint64_t>(negative ? -static_cast<int64_t>(value) : value);
  if (decimal_length(magnitude) + (negative ? 1 : 0) > width) {
    fill_stars(field, width);
    return;
  }
  char* first = digits_of(magnitude, field + width);
  if (negative) first[-1] = '-';
}

// The text of a value that the 64-bit path does not take (not finite, huge,
// or many decimals), right-aligned with its sign, zero dropped or stars as
// the fast path below decides them.
void slow_fixed_into(char* field, int32_t width, float value, int32_t decimals) {
  const auto w = static_cast<std::size_t>(width);
  if (!std::isfinite(value)) {
    const std::string_view text = std::isnan(value) ? "NaN" : (value < 0 ? "-Inf" : "Inf");
    if (text.size() > w) fill_stars(field, width);
    else std::memcpy(field + w - text.size(), text.data(), text.size());
    return;
  }
  const float magnitude = std::fabs(value);
  thread_local std::string text;
  if (has_fast_digits(magnitude, decimals)) {
    char buf[48];
    const char* first = plain_fixed(scaled(magnitude, decimals), decimals, buf + sizeof buf);
    text.assign(first, static_cast<std::size_t>(buf + sizeof buf - first));
  } else {
    printf_fixed(magnitude, decimals, text);
  }
  const bool shows_zero = text.find_first_not_of("0.") == std::string::npos;
  const bool negative = std::signbit(value) && !shows_zero;
  std::string_view digits = text;
  if (digits.size() + (negative ? 1 : 0) > w && digits.starts_with("0.")) digits.remove_prefix(1);
  if (digits.size() + (negative ? 1 : 0) > w) {
    fill_stars(field, width);
    return;
  }
  std::memcpy(field + w - digits.size(), digits.data(), digits.size());
  if (negative) field[w - digits.size() - 1] = '-';
}

// Fw.d written in place: the digits of the exact scaled value from the
// field's last column backwards.
void fixed_into(char* field, int32_t width, float value, int32_t decimals) {
  const float magnitude = std::fabs(value);
  uint64_t units = 0;
  if (!std::isfinite(value) || !scaled_small(magnitude, decimals, units)) {
    slow_fixed_into(field, width, value, decimals);
    return;
  }
  uint64_t whole = 0;
  uint64_t fraction = 0;
  split_units(units, decimals, whole, fraction);
  const bool negative = std::signbit(value) && units != 0;
  int32_t len = decimal_length(whole) + 1 + decimals + (negative ? 1 : 0);
  const bool drop_zero = len > width && whole == 0;  // ".64" when "0.64" does not fit
  if (drop_zero) --len;
  if (len > width) {
    fill_stars(field, width);
    return;
  }
  char* p = point_and_decimals(fraction, decimals, field + width);
  if (!drop_zero) p = digits_of(whole, p);
  if (negative) p[-1] = '-';
}

void chars_into(char* field, int32_t width, std::string_view value) {
  const auto w = static_cast<std::size_t>(width);
  if (value.size() >= w) std::memcpy(field, value.data(), w);
  else std::memcpy(field + w - value.size(), value.data(), value.size());
}

// Appends a blank field of `width` columns and returns its first column.
char* append_field(std::string& out, int32_t width) {
  const std::size_t start = out.size();
  out.append(static_cast<std::size_t>(width), ' ');
  return out.data() + start;
}

}  // namespace

// A negative width (never in a FORMAT) writes nothing.
void edit_integer(std::string& out, int32_t value, int32_t width) {
  width = std::max(width, 0);
  integer_into(append_field(out, width), width, value);
}

void edit_fixed(std::string& out, float value, int32_t width, int32_t decimals) {
  width = std::max(width, 0);
  fixed_into(append_field(out, width), width, value, decimals);
}

void edit_chars(std::string& out, std::string_view value, int32_t width) {
  if (width == 0) {
    out.append(value);
    return;
  }
  width = std::max(width, 0);
  chars_into(append_field(out, width), width, value);
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
  // Columns of each descriptor when every value descriptor has an item; the
  // record ends after the last descriptor that is not an nX.
  std::size_t column = 0;
  for (Descriptor& d : descriptors_) {
    d.column = column;
    if (d.op == Op::chars && d.width == 0) fixed_columns_ = false;
    if (d.op != Op::blanks && d.op != Op::literal) ++value_count_;
    column += d.op == Op::literal ? d.literal.size() : static_cast<std::size_t>(d.width);
    if (d.op != Op::blanks) record_length_ = column;
  }
}

void Format::edit(std::string& out, std::span<const OutItem> items) const {
  if (fixed_columns_ && items.size() == value_count_) {
    edit_in_place(out, items);
    return;
  }
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
    if (!fits(d, item)) kind_mismatch(d);
    // An A without width takes the whole text.
    const int32_t width = d.op == Op::chars && d.width == 0 ? static_cast<int32_t>(item.s.size()) : d.width;
    value_into(append_field(out, width), width, d, item);
  }
  if (next != items.size()) bad_format(text_, "more items than descriptors");
}

std::span<const int32_t> Format::input_widths() const {
  if (!input_ok_) bad_format(text_, "input takes A descriptors only");
  return input_widths_;
}

// The record's columns appended as blanks once, each field then written in
// its place.
void Format::edit_in_place(std::string& out, std::span<const OutItem> items) const {
  const std::size_t start = out.size();
  out.append(record_length_, ' ');
  char* const record = out.data() + start;
  std::size_t next = 0;
  for (const Descriptor& d : descriptors_) {
    char* const field = record + d.column;
    if (d.op == Op::blanks) continue;
    if (d.op == Op::literal) {
      std::memcpy(field, d.literal.data(), d.literal.size());
      continue;
    }
    const OutItem& item = items[next++];
    if (!fits(d, item)) {
      out.resize(start);
      kind_mismatch(d);
    }
    value_into(field, d.width, d, item);
  }
}

bool Format::fits(const Descriptor& d, const OutItem& item) {
  switch (d.op) {
    case Op::integer:
      return item.kind == OutItem::Kind::integer;
    case Op::fixed:
      return item.kind == OutItem::Kind::real;
    case Op::chars:
      return item.kind == OutItem::Kind::text;
    default:
      return false;
  }
}

void Format::kind_mismatch(const Descriptor& d) const {
  bad_format(text_, d.op == Op::integer ? "I needs an INTEGER" : d.op == Op::fixed ? "F needs a REAL" : "A needs a text");
}

void Format::value_into(char* field, int32_t width, const Descriptor& d, const OutItem& item) {
  switch (d.op) {
    case Op::integer:
      integer_into(field, width, item.i);
      break;
    case Op::fixed:
      fixed_into(field, width, item.r, d.decimals);
      break;
    case Op::chars:
      chars_into(field, width, item.s);
      break;
    default:
      break;
  }
}

}  // namespace rt
