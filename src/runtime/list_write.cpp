#include <cstdint>

#include "runtime/list_io.hpp"

namespace rt {
namespace {
constexpr std::size_t k_line_length = 80;
}

void list_edit(std::string& out, std::span<const OutItem> items) {
  std::size_t line_start = out.size();
  auto new_line_if = [&](std::size_t len) {
    const std::size_t on_line = out.size() - line_start;
    if (on_line > 0 && on_line + len >= k_line_length) {
      out.push_back('\n');
      line_start = out.size();
    }
  };
  for (const OutItem& item : items) {
    switch (item.kind) {
      case OutItem::Kind::text:
        new_line_if(item.s.size());
        if (out.size() == line_start) out.push_back(' ');
        out.append(item.s);
        break;
      case OutItem::Kind::integer: {
        const bool negative = item.i < 0;
        auto magnitude = static_cast<uint32_t>(negative ? -static_cast<int64_t>(item.i) : item.i);
        char buf[12];
        char* end = buf + sizeof buf;
        char* p = end;
        do {
          *--p = static_cast<char>('0' + magnitude % 10);
          magnitude /= 10;
        } while (magnitude != 0);
        new_line_if(static_cast<std::size_t>(end - p));
        out.push_back(' ');
        if (negative) out.push_back('-');
        out.append(p, end);
        break;
      }
      case OutItem::Kind::real:
        throw std::invalid_argument("list-directed output of a REAL is not supported");
    }
  }
  out.push_back('\n');
}

}  // namespace rt
