#include "runtime/text.hpp"

#include <cstring>

namespace rt {

int32_t index(std::string_view haystack, std::string_view needle) {
  const auto pos = haystack.find(needle);
  return pos == std::string_view::npos ? 0 : static_cast<int32_t>(pos + 1);
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
