// Arbitrary values through the program's FORMAT texts and through every
// F and I width: a record always has the length its FORMAT gives it, and an
// F field holds only blanks, digits, one point, a minus, asterisks, or Inf/NaN.
#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/format.hpp"

namespace {

struct Record {
  const char* text;
  std::size_t length;
  const char* kinds;  // one letter per item: F, I or A
};

const Record k_records[] = {
    {"(F12.1,4F8.2)", 44, "FFFFF"},
    {"(3X,I2,':',I2,':',I2,7X,F8.3,6X,F6.1,8X,F6.1)", 52, "IIIFFF"},
    {"(5X,'Au km ',F7.3,' pente de ',F4.1,' %','  Pied a terre 4 km/h')", 55, "FF"},
    {"(5X,'Kilometrage du parcours:    ',F7.1)", 40, "F"},
    {"(5X,'Denivele positif:           ',F6.0,' m')", 41, "F"},
    {"(5X,'Temps du parcours:          ',I3,' heures',I3,' minutes')", 54, "II"},
    {"(5X,'Depense energetique:        ',I6,' kJoules')", 47, "I"},
    {"(5X,'Indice de difficulte:       ',F6.2)", 39, "F"},
    {"(A9,3X,A9,3X,A7)", 31, "AAA"},
};

template <typename T>
T take(const uint8_t*& p, const uint8_t* end) {
  unsigned char buf[sizeof(T)] = {};
  for (auto& b : buf)
    if (p < end) b = *p++;
  T v;
  std::memcpy(&v, buf, sizeof v);
  return v;
}

void check_field(const std::string& s) {
  if (s.find_first_not_of('*') == std::string::npos) return;
  const auto first = s.find_first_not_of(' ');
  const std::string body = s.substr(first);
  if (body == "Inf" || body == "-Inf" || body == "NaN") return;
  if (body.find_first_not_of("-0123456789.") != std::string::npos) std::abort();
  if (std::count(body.begin(), body.end(), '.') != 1) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const uint8_t* p = data;
  const uint8_t* end = data + size;
  const uint8_t which = *p++;

  // One F or I field of any width.
  const int w = 1 + (which & 15);
  const int d = ((which >> 4) & 15) % w;
  const float f = take<float>(p, end);
  std::string field;
  rt::edit_fixed(field, f, w, d);
  if (field.size() != static_cast<std::size_t>(w)) std::abort();
  check_field(field);
  field.clear();
  rt::edit_integer(field, take<int32_t>(p, end), w);
  if (field.size() != static_cast<std::size_t>(w)) std::abort();

  // One whole record of the program.
  const Record& r = k_records[which % (sizeof k_records / sizeof k_records[0])];
  static std::vector<rt::Format> formats;
  if (formats.empty())
    for (const Record& rec : k_records) formats.emplace_back(rec.text);
  const rt::Format& format = formats[static_cast<std::size_t>(&r - k_records)];
  std::vector<rt::OutItem> items;
  std::vector<std::string> texts;
  texts.reserve(8);
  for (const char* k = r.kinds; *k != '\0'; ++k) {
    if (*k == 'F') items.emplace_back(take<float>(p, end));
    else if (*k == 'I') items.emplace_back(take<int32_t>(p, end));
    else {
      const std::size_t len = (*k == 'A' && texts.size() == 2) ? 7 : 9;
      texts.emplace_back(reinterpret_cast<const char*>(p), std::min<std::size_t>(len, static_cast<std::size_t>(end - p)));
      texts.back().resize(len, ' ');
      items.emplace_back(texts.back());
    }
  }
  std::string record;
  format.edit(record, items);
  if (record.size() != r.length) std::abort();
  return 0;
}
