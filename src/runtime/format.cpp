#include "runtime/format.hpp"

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

// A field of `width` columns composed from its last column backwards: put()
// each character, then finish() fills the columns left with blanks and
// appends the field in one step. At most `width` characters may be put.
class RightAligned {
 public:
  RightAligned(std::string& out, int32_t width) : out_(out), width_(static_cast<std::size_t>(width)) {
    if (width_ <= sizeof narrow_) {
      field_ = narrow_;
    } else {
      thread_local std::string wide;
      wide.resize(width_);
      field_ = wide.data();
    }
    p_ = field_ + width_;
  }
  void put(char c) { *--p_ = c; }
  void put(std::string_view text) {
    for (auto k = text.size(); k > 0; --k) put(text[k - 1]);
  }
  void finish() {
    while (p_ > field_) *--p_ = ' ';
    out_.append(field_, width_);
  }

 private:
  std::string& out_;
  std::size_t width_;
  char narrow_[64];
  char* field_;
  char* p_;
};

// Decimal digits of `v` into the end of `buf`; returns the first digit.
// 64-bit divisions once the value fits in 64 bits.
char* digits_of(u128 v, char* end) {
  char* p = end;
  while (v > UINT64_MAX) {
    *--p = static_cast<char>('0' + static_cast<int>(v % 10));
    v /= 10;
  }
  auto w = static_cast<uint64_t>(v);
  do {
    *--p = static_cast<char>('0' + static_cast<int>(w % 10));
    w /= 10;
  } while (w != 0);
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
  const u128 n = static_cast<u128>(mant) * k_pow10[decimals];
  if (shift >= 0) return n << shift;
  const int s = -shift;
  if (s >= 120) return 0;  // far below one unit of the last decimal
  u128 q = n >> s;
  const u128 rem = n - (q << s);
  const u128 half = static_cast<u128>(1) << (s - 1);
  if (rem > half || (rem == half && (q & 1U) != 0)) ++q;
  return q;
}

// Slow path for huge values and many decimals: glibc's exact conversion.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-truncation"
void printf_digits(float magnitude, int32_t decimals, std::string& digits) {
  const int n = std::snprintf(nullptr, 0, "%.*f", decimals, static_cast<double>(magnitude));
  std::vector<char> s(static_cast<std::size_t>(n) + 1);
  std::snprintf(s.data(), s.size(), "%.*f", decimals, static_cast<double>(magnitude));
  digits.clear();
  for (int k = 0; k < n; ++k)
    if (s[static_cast<std::size_t>(k)] != '.') digits.push_back(s[static_cast<std::size_t>(k)]);
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
  // The digits of |value| × 10^decimals, at least decimals + 1 of them (one
  // integer digit, leading zeros added).
  const float magnitude = std::fabs(value);
  char buf[64];
  thread_local std::string slow_digits;
  std::string_view digits;
  if (has_fast_digits(magnitude, decimals)) {
    char* end = buf + sizeof buf;
    char* first = digits_of(scaled(magnitude, decimals), end);
    while (end - first < decimals + 1) *--first = '0';
    digits = std::string_view(first, static_cast<std::size_t>(end - first));
  } else {
    printf_digits(magnitude, decimals, slow_digits);
    if (static_cast<int32_t>(slow_digits.size()) < decimals + 1)
      slow_digits.insert(0, static_cast<std::size_t>(decimals + 1 - static_cast<int32_t>(slow_digits.size())), '0');
    digits = slow_digits;
  }
  const bool shows_zero = digits.find_first_not_of('0') == std::string::npos;
  const bool negative = std::signbit(value) && !shows_zero;
  const auto int_digits = static_cast<int32_t>(digits.size()) - decimals;
  int32_t len = (negative ? 1 : 0) + int_digits + 1 + decimals;
  bool drop_lead_zero = false;
  if (len > width && int_digits == 1 && digits[0] == '0') {
    drop_lead_zero = true;
    --len;
  }
  if (len > width) {
    put_stars(out, width);
    return;
  }
  const auto split = static_cast<std::size_t>(int_digits);
  const std::size_t lead = drop_lead_zero ? 1 : 0;
  RightAligned field(out, width);
  field.put(digits.substr(split));
  field.put('.');
  field.put(digits.substr(lead, split - lead));
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
