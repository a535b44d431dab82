// Arbitrary bytes as list-directed input: the first byte chooses the items
// (REAL, INTEGER or CHARACTER of a few lengths), the rest is the input.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "runtime/list_io.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const unsigned choice = data[0];
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  float reals[3] = {1.0f, 2.0f, 3.0f};
  int32_t ints[3] = {1, 2, 3};
  char chars[3][12];
  std::vector<rt::InItem> items;
  for (int k = 0; k < 3; ++k) {
    switch ((choice >> (2 * k)) & 3U) {
      case 0:
        items.emplace_back(reals[k]);
        break;
      case 1:
        items.emplace_back(ints[k]);
        break;
      default: {
        const std::size_t len = 1 + ((choice >> 6) & 3U) * 3;
        items.emplace_back(std::span<char>(chars[k], len));
        break;
      }
    }
  }
  rt::StringSource source(text);
  const rt::IoStatus status = rt::list_parse(source, items);
  if (status != rt::IoStatus::ok && status != rt::IoStatus::end && status != rt::IoStatus::error) std::abort();
  if (source.position() > text.size() + 1) std::abort();
  return 0;
}
