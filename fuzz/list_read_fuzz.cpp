// Arbitrary bytes as list-directed input: the first byte chooses the items
// (REAL, INTEGER or CHARACTER of a few lengths), the rest is the input.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
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

  // The whole-record shortcut on the first record, for numbers only: what it
  // takes, the full reader reads the same, bit for bit.
  if ((choice & 0x2AU) == 0) {
    const std::string_view record = text.substr(0, text.find('\n'));
    float fast_reals[3] = {1.0f, 2.0f, 3.0f};
    int32_t fast_ints[3] = {1, 2, 3};
    float full_reals[3] = {1.0f, 2.0f, 3.0f};
    int32_t full_ints[3] = {1, 2, 3};
    std::vector<rt::InItem> fast_items;
    std::vector<rt::InItem> full_items;
    for (int k = 0; k < 3; ++k) {
      if (((choice >> (2 * k)) & 1U) == 0) {
        fast_items.emplace_back(fast_reals[k]);
        full_items.emplace_back(full_reals[k]);
      } else {
        fast_items.emplace_back(fast_ints[k]);
        full_items.emplace_back(full_ints[k]);
      }
    }
    if (rt::parse_plain_record(record, fast_items)) {
      const std::string line = std::string(record) + "\n";
      rt::StringSource full_source(line);
      if (rt::list_parse(full_source, full_items) != rt::IoStatus::ok) std::abort();
      if (std::memcmp(fast_reals, full_reals, sizeof fast_reals) != 0) std::abort();
      if (std::memcmp(fast_ints, full_ints, sizeof fast_ints) != 0) std::abort();
    }
  }
  return 0;
}
