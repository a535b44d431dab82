// Fixed-length texts (CHARACTER*n) and the text operations on them.
//
// A Text<N> always holds exactly N single bytes. Assigning a shorter value
// fills the rest with blanks, a longer one is cut on the right. Columns are
// counted from 1; substrings and INDEX work over the whole fixed length.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace rt {

/// Column of the first occurrence of `needle` in `haystack` (from 1), or 0.
/// An empty needle is found at column 1.
int32_t index(std::string_view haystack, std::string_view needle);

/// Equality as if the shorter value were filled with blanks.
bool text_equal(std::string_view a, std::string_view b);

/// Columns i to j of `s` (from 1); empty when j < i. Columns outside `s`
/// are clipped, so the result always lies within `s`.
std::string_view substring(std::string_view s, int64_t i, int64_t j);

/// Copies `src` into `dest`: blank-filled when shorter, cut when longer.
void assign_text(std::span<char> dest, std::string_view src);

template <std::size_t N>
class Text {
 public:
  static constexpr std::size_t length = N;

  Text() { chars_.fill(' '); }
  Text(std::string_view s) { assign(s); }  // NOLINT: implicit like an assignment
  Text& operator=(std::string_view s) {
    assign(s);
    return *this;
  }

  void assign(std::string_view s) { assign_text(chars_, s); }

  std::string_view view() const { return {chars_.data(), N}; }
  operator std::string_view() const { return view(); }  // NOLINT
  std::span<char> chars() { return chars_; }

  /// Character at column `col`, from 1.
  char& at(int32_t col) { return chars_[static_cast<std::size_t>(col - 1)]; }
  char at(int32_t col) const { return chars_[static_cast<std::size_t>(col - 1)]; }

  std::string_view sub(int64_t i, int64_t j) const { return substring(view(), i, j); }
  int32_t index(std::string_view needle) const { return rt::index(view(), needle); }

  friend bool operator==(const Text& a, std::string_view b) { return text_equal(a.view(), b); }

 private:
  std::array<char, N> chars_;
};

}  // namespace rt
