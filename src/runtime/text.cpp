#include "runtime/text.hpp"

#include <emmintrin.h>

#include <cstring>

namespace rt {

// Sixteen start positions at a time: SSE2 compares the needle's first two
// characters at every position of a block, and only the positions where both
// match are compared further. The last positions, and one-character
// needles, are scanned one by one.
int32_t index(std::string_view haystack, std::string_view needle) {
  if (needle.empty()) return 1;
  if (needle.size() > haystack.size()) return 0;
  const char* const h = haystack.data();
  const std::size_t size = haystack.size();
  const std::size_t last = size - needle.size();  // last start position
  const auto rest_matches = [&](std::size_t i) {
    for (std::size_t k = 1; k < needle.size(); ++k)
      if (h[i + k] != needle[k]) return false;
    return true;
  };
  std::size_t i = 0;
  if (needle.size() >= 2) {
    const __m128i first = _mm_set1_epi8(needle[0]);
    const __m128i second = _mm_set1_epi8(needle[1]);
    // Each block reads h[i .. i+16]; positions beyond `last` are not taken.
    for (; i + 17 <= size && i <= last; i += 16) {
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(h + i));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(h + i + 1));
      auto mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, second))));
      while (mask != 0) {
        const std::size_t at = i + static_cast<std::size_t>(__builtin_ctz(mask));
        if (at > last) return 0;
        if (rest_matches(at)) return static_cast<int32_t>(at + 1);
        mask &= mask - 1;
      }
    }
  }
  for (; i <= last; ++i)
    if (h[i] == needle[0] && rest_matches(i)) return static_cast<int32_t>(i + 1);
  return 0;
}

bool text_equal(std::string_view a, std::string_view b) {
  if (a.size() < b.size()) std::swap(a, b);
  if (a.substr(0, b.size()) != b) return false;
  return a.find_first_not_of(' ', b.size()) == std::string_view::npos;
}

std::string_view substring(std::string_view s, int64_t i, int64_t j) {
  const auto len = static_cast<int64_t>(s.size());
  i = std::max<int64_t>(i, 1);
  j = std::min<int64_t>(j, len);
  if (j < i) return {};
  return s.substr(static_cast<std::size_t>(i - 1), static_cast<std::size_t>(j - i + 1));
}

// A record's line goes into a long CHARACTER variable for every record read:
// when the text lies elsewhere, the variable is first blanked by 16-byte
// stores (the last one overlapping), then the text copied over; a compiled
// fill of a variable length is a string instruction slow to start.
void assign_text(std::span<char> dest, std::string_view src) {
  const std::size_t n = std::min(dest.size(), src.size());
  char* const d = dest.data();
  const std::size_t size = dest.size();
  const bool apart = src.data() + src.size() <= d || d + size <= src.data();
  if (size >= 16 && apart) {
    const __m128i blanks = _mm_set1_epi8(' ');
    for (std::size_t k = 0; k + 16 <= size; k += 16) _mm_storeu_si128(reinterpret_cast<__m128i*>(d + k), blanks);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + size - 16), blanks);
    if (n > 0) std::memcpy(d, src.data(), n);
    return;
  }
  if (n > 0) std::memmove(d, src.data(), n);
  std::fill(dest.begin() + static_cast<std::ptrdiff_t>(n), dest.end(), ' ');
}

}  // namespace rt
