#include "runtime/text.hpp"

#include <cstring>

namespace rt {

// Each candidate is found by memchr on the needle's first character; the
// rest of the needle, a few characters, is compared in place.
int32_t index(std::string_view haystack, std::string_view needle) {
  if (needle.empty()) return 1;
  if (needle.size() > haystack.size()) return 0;
  const char* p = haystack.data();
  const char* const last = haystack.data() + (haystack.size() - needle.size());
  while ((p = static_cast<const char*>(std::memchr(p, needle[0], static_cast<std::size_t>(last - p) + 1))) != nullptr) {
    std::size_t k = 1;
    while (k < needle.size() && p[k] == needle[k]) ++k;
    if (k == needle.size()) return static_cast<int32_t>(p - haystack.data() + 1);
    if (p == last) return 0;
    ++p;
  }
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

void assign_text(std::span<char> dest, std::string_view src) {
  const std::size_t n = std::min(dest.size(), src.size());
  if (n > 0) std::memmove(dest.data(), src.data(), n);
  std::fill(dest.begin() + static_cast<std::ptrdiff_t>(n), dest.end(), ' ');
}

}  // namespace rt
