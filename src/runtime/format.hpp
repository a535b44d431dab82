// FORMAT texts and the editing of values into records.
//
// A Format is parsed once from a FORMAT text as the program writes it, for
// example "(5X,'Au km ',F7.3)". Supported descriptors: nX, 'text', Iw, Fw.d,
// Aw, A, each value descriptor with an optional repeat count. Editing is pure:
// it appends characters to a std::string and never touches a unit.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace rt {

/// One value of an output list: an INTEGER, a REAL or a CHARACTER text.
struct OutItem {
  enum class Kind { integer, real, text };
  Kind kind;
  int32_t i = 0;
  float r = 0.0f;
  std::string_view s;

  OutItem(int32_t v) : kind(Kind::integer), i(v) {}           // NOLINT
  OutItem(float v) : kind(Kind::real), r(v) {}                // NOLINT
  OutItem(std::string_view v) : kind(Kind::text), s(v) {}     // NOLINT
  OutItem(const char* v) : kind(Kind::text), s(v) {}          // NOLINT
  OutItem(const std::string& v) : kind(Kind::text), s(v) {}   // NOLINT
};

using OutList = std::initializer_list<OutItem>;

class Format {
 public:
  /// Parses a FORMAT text; throws std::invalid_argument on a text it cannot
  /// interpret (a programming error, never user input).
  explicit Format(std::string_view text);

  /// Appends the record for `items` to `out` (without the line end). Output
  /// stops at the first value descriptor for which no item is left; the
  /// blanks of an nX are written only when something follows them. A value
  /// that does not match its descriptor's type throws std::invalid_argument.
  void edit(std::string& out, std::span<const OutItem> items) const;

  /// Widths of the A descriptors, for formatted input ("(A80)"): one entry
  /// per value descriptor in order, 0 for an A without width. Throws
  /// std::invalid_argument when the FORMAT has other value descriptors.
  std::span<const int32_t> input_widths() const;

  std::string_view text() const { return text_; }

 private:
  enum class Op { blanks, literal, integer, fixed, chars };
  struct Descriptor {
    Op op;
    int32_t width = 0;     // w (0 for A without width); n for nX
    int32_t decimals = 0;  // d of Fw.d
    std::string literal;
    std::size_t column = 0;  // first column, 0-based, when every column is fixed
  };

  // Editing when every field has a fixed width and every value descriptor
  // has its item: the record's length is known before any field is written.
  void edit_in_place(std::string& out, std::span<const OutItem> items) const;

  // The item's kind is the one the value descriptor edits; otherwise the
  // error, which names the descriptor's need.
  static bool fits(const Descriptor& d, const OutItem& item);
  [[noreturn]] void kind_mismatch(const Descriptor& d) const;
  // Writes the item into its field of `width` columns, which holds blanks.
  static void value_into(char* field, int32_t width, const Descriptor& d, const OutItem& item);

  std::string text_;
  std::vector<Descriptor> descriptors_;
  std::vector<int32_t> input_widths_;
  bool input_ok_ = true;
  bool fixed_columns_ = true;   // no A without width
  std::size_t value_count_ = 0;
  std::size_t record_length_ = 0;
};

/// Iw editing: right-aligned, minus sign when negative, asterisks when the
/// digits do not fit.
void edit_integer(std::string& out, int32_t value, int32_t width);

/// Fw.d editing of the exact value of `value`, rounded to d decimals with
/// ties to even (as glibc's printf). The leading zero of a value below 1 is
/// written when it fits; a value that shows as zero has no minus sign; a value
/// that does not fit gives w asterisks; Inf, -Inf and NaN are right-aligned.
void edit_fixed(std::string& out, float value, int32_t width, int32_t decimals);

/// Aw editing: blanks before a shorter value, the leftmost w characters of a
/// longer one; w = 0 writes the value as it stands.
void edit_chars(std::string& out, std::string_view value, int32_t width);

}  // namespace rt
