// Formatted WRITE: our records against libf2c's for every FORMAT text and
// every descriptor the program uses, on tables and on random values.
//
// Two departures are kept on purpose, and the comparison tolerates nothing
// else:
// - a value below 1 keeps its leading zero when the field has room for it
//   ("  0.64" in F6.2), where libf2c drops it ("   .64");
// - a value that is not finite is written Inf, -Inf or NaN, where libf2c
//   writes the C library's inf, -inf, nan, and -nan for a NaN whose sign bit
//   is set. A NaN has no sign worth showing.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "reference_io.hpp"
#include "runtime/format.hpp"
#include "runtime/io.hpp"

namespace {

using Record = std::vector<rt::OutItem>;

std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t nl = text.find('\n', start);
    if (nl == std::string::npos) {
      lines.push_back(text.substr(start) + "<no newline>");
      break;
    }
    lines.push_back(text.substr(start, nl - start));
    start = nl + 1;
  }
  return lines;
}

// libf2c's record with the leading zero it drops put back where the field
// has room: a '.' followed by a digit, with no digit before it, and a blank
// before the number to give up.
std::string with_leading_zero(std::string line) {
  for (std::size_t k = 0; k + 1 < line.size(); ++k) {
    if (line[k] != '.' || !std::isdigit(static_cast<unsigned char>(line[k + 1]))) continue;
    std::size_t number_start = k;
    if (k > 0 && line[k - 1] == '-') number_start = k - 1;
    if (number_start > 0 && std::isdigit(static_cast<unsigned char>(line[number_start - 1]))) continue;
    if (number_start == 0 || line[number_start - 1] != ' ') continue;  // no room: libf2c and ours agree
    line.erase(number_start - 1, 1);
    line.insert(k - 1, 1, '0');
  }
  return line;
}

// libf2c's spelling of the values that are not finite turned into ours,
// keeping the field's width.
std::string with_our_non_finite(std::string line) {
  struct Spelling {
    std::string_view library, ours;
  };
  for (const Spelling& sp : {Spelling{"-nan", " NaN"}, Spelling{"-inf", "-Inf"}, Spelling{"nan", "NaN"},
                             Spelling{"inf", "Inf"}}) {
    for (std::size_t at = line.find(sp.library); at != std::string::npos; at = line.find(sp.library, at))
      line.replace(at, sp.library.size(), sp.ours);
  }
  return line;
}

std::string normalised(const std::string& library_line) {
  return with_our_non_finite(with_leading_zero(library_line));
}

struct Outputs {
  std::vector<std::string> ours;
  std::vector<std::string> library;
};

// Writes every record with `format` through libf2c and through our
// run-time, each on a unit of its own, and returns both files' lines.
Outputs write_both(const char* format, const std::vector<Record>& records) {
  ref::ScratchDir dir;
  const std::string lib_path = dir.file("library.txt");
  const std::string our_path = dir.file("ours.txt");
  EXPECT_EQ(ref::f2c::open(31, lib_path, "new"), rt::IoStatus::ok);
  for (const Record& r : records) ref::f2c::write_formatted(31, format, r);
  ref::f2c::close(31);
  const rt::Format parsed(format);
  EXPECT_EQ(rt::open(32, our_path, rt::OpenStatus::new_file), rt::IoStatus::ok);
  for (const Record& r : records) ref::ours::write_formatted(32, parsed, r);
  EXPECT_EQ(rt::close_all(), "");
  return {split_lines(ref::read_file(our_path)), split_lines(ref::read_file(lib_path))};
}

std::string describe(const Record& r) {
  std::string s;
  for (const rt::OutItem& item : r) {
    if (!s.empty()) s += ", ";
    switch (item.kind) {
      case rt::OutItem::Kind::integer: s += std::to_string(item.i); break;
      case rt::OutItem::Kind::real: s += ref::describe(item.r); break;
      case rt::OutItem::Kind::text: s += "'" + std::string(item.s) + "'"; break;
    }
  }
  return s;
}

// Our records must equal libf2c's once its dropped leading zeros are put back
// and its non-finite values spelt our way.
void expect_same_records(const char* format, const std::vector<Record>& records) {
  const Outputs out = write_both(format, records);
  ASSERT_EQ(out.ours.size(), records.size()) << format;
  ASSERT_EQ(out.library.size(), records.size()) << format;
  int failures = 0;
  for (std::size_t k = 0; k < records.size() && failures < 20; ++k) {
    if (out.ours[k] == normalised(out.library[k])) continue;
    ++failures;
    ADD_FAILURE() << format << " of " << describe(records[k]) << "\n   ours: [" << out.ours[k]
                  << "]\nlibrary: [" << out.library[k] << "]";
  }
}

const std::vector<float>& special_floats() {
  static const std::vector<float> values = [] {
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<float> v = {0.0f, -0.0f, inf, -inf, std::numeric_limits<float>::quiet_NaN(),
                            -std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::denorm_min(),
                            -std::numeric_limits<float>::denorm_min(), std::numeric_limits<float>::min(),
                            std::numeric_limits<float>::max(), -std::numeric_limits<float>::max(),
                            0.64f, -0.64f, 0.5f, -0.5f, 0.05f, -0.05f, 0.04f, -0.04f, 0.004f, -0.004f, 0.005f,
                            -0.005f, 0.0049999f, -0.0049999f, 0.95f, -0.95f, 0.96f, 0.995f, -0.995f, 0.9999f,
                            -0.9999f, 1.0f, -1.0f, 9.95f, 9.96f, -9.95f, -9.96f, 99.95f, 99.96f, 999.95f, 999.96f,
                            0.125f, 0.375f, 2.5f, 3.5f, -2.5f, 0.25f, 1.125f, 12.345f, 0.015625f, 1234.5f};
    // Values that just fit their field and those just beyond it.
    for (float f : {9.99f, 9.994f, 9.996f, 99.99f, 99.994f, 99.996f, 999.9f, 999.94f, 999.96f, 9999.9f, 9999.95f,
                    99999.99f, 99999.996f, 100000.0f, 999999.9f, 9999999.0f, 99999999.0f, 1e9f, 9.9999997e9f,
                    99999999999.0f, 1e11f, 1e12f, 1e15f, 1e20f, 1e30f})
      for (float s : {1.0f, -1.0f}) v.push_back(s * f);
    return v;
  }();
  return values;
}

// Random floats over every magnitude: uniform bit patterns, then decimal
// scales from 1e-9 to 1e13, then floats on and around the rounding ties of
// every decimal count the program uses.
std::vector<float> random_floats(std::mt19937& gen, int count) {
  std::vector<float> v;
  std::uniform_int_distribution<uint32_t> bits;
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::uniform_int_distribution<int> scale(-9, 13);
  std::uniform_int_distribution<int> decimals(0, 3);
  std::uniform_int_distribution<int64_t> mantissa(0, 99'999'999);
  std::bernoulli_distribution negative(0.5);
  for (int k = 0; k < count; ++k) {
    float f = 0;
    switch (k % 4) {
      case 0: f = std::bit_cast<float>(bits(gen)); break;
      case 1: f = static_cast<float>(unit(gen) * std::pow(10.0, scale(gen))); break;
      case 2: {  // a tie x.xx5 at d decimals, at some magnitude, and its neighbours
        const int d = decimals(gen);
        const double tie = (static_cast<double>(mantissa(gen) % 1'000'000) + 0.5) / std::pow(10.0, d);
        f = static_cast<float>(tie);
        const int step = static_cast<int>(bits(gen) % 3) - 1;
        if (step != 0) f = std::nextafter(f, step > 0 ? INFINITY : -INFINITY);
        break;
      }
      default: {  // a small value, many round to zero
        const int d = decimals(gen);
        f = static_cast<float>(unit(gen) * 1.5 / std::pow(10.0, d));
        break;
      }
    }
    v.push_back(negative(gen) ? -f : f);
  }
  return v;
}

TEST(FormattedOutputReference, EachFDescriptorOnTablesAndRandomFloats) {
  std::mt19937 gen(20240601);
  const std::vector<float> random = random_floats(gen, 20000);
  for (const char* format : {"(F4.1)", "(F6.0)", "(F6.1)", "(F6.2)", "(F7.1)", "(F7.3)", "(F8.2)", "(F8.3)",
                             "(F12.1)"}) {
    SCOPED_TRACE(format);
    std::vector<Record> records;
    for (float f : special_floats()) records.push_back({f});
    for (float f : random) records.push_back({f});
    expect_same_records(format, records);
  }
}

TEST(FormattedOutputReference, EachIDescriptor) {
  std::mt19937 gen(7);
  std::uniform_int_distribution<int32_t> any(std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
  std::uniform_int_distribution<int32_t> small(-1'500'000, 1'500'000);
  std::vector<Record> records;
  for (int32_t i : {0, 1, -1, 9, -9, 10, -10, 99, -99, 100, 999, -999, 1000, 99999, -99999, 999999, -999999,
                    1000000, std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::min()})
    records.push_back({i});
  for (int k = 0; k < 2000; ++k) records.push_back({k % 2 == 0 ? any(gen) : small(gen) / (1 << (k % 20))});
  for (const char* format : {"(I2)", "(I3)", "(I6)"}) {
    SCOPED_TRACE(format);
    expect_same_records(format, records);
  }
}

TEST(FormattedOutputReference, EachADescriptor) {
  const std::string long_text =
      "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcdefghijklmnopqrstuvwxyz";
  std::vector<std::string> texts = {"", " ", "x", "  lead", "trail  ", "4.8351700", "-0.5"};
  for (std::size_t n : {6, 7, 8, 9, 10, 49, 50, 51, 79, 80, 81}) texts.push_back(long_text.substr(0, n));
  std::vector<Record> records;
  for (const std::string& t : texts) records.push_back({std::string_view(t)});
  for (const char* format : {"(A7)", "(A9)", "(A50)", "(A80)"}) {
    SCOPED_TRACE(format);
    expect_same_records(format, records);
  }
}

// The program's FORMAT texts with the values its records carry, values at
// the limits of their fields, and item lists that end early.
TEST(FormattedOutputReference, ProgramFormats) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const std::string name80 = "Tour du lac" + std::string(69, ' ');
  const std::string name50 = "parcours.txt" + std::string(38, ' ');
  struct Case {
    const char* format;
    std::vector<Record> records;
  };
  const std::vector<Case> cases = {
      {"(A9,3X,A9,3X,A7)",
       {{"4.8351700", "45.764043", "171.5"}, {"-0.12", "-45.1", "-12"}, {"4.83517001", "45.7640431", "12345678"},
        {"", "", ""}, {"4.8"}, {"4.8", "45.7"}, {}}},
      {"(F12.1,4F8.2)",
       {{0.0f, 171.5f},
        {1234.5f, 172.25f, 171.5f, 12.345f, 6.07f},
        {0.04f, -0.004f, 0.005f, -0.5f, 0.64f},
        {99999999999.0f, 99999.99f, -9999.99f, 99999.996f, -9999.996f},
        {1e12f, 1e5f, -1e4f, inf, nan},
        {-inf, -0.0f, 10000.0f, -1000.0f, 0.995f},
        {123.0f},
        {}}},
      {"(3X,I2,':',I2,':',I2,7X,F8.3,6X,F6.1,8X,F6.1)",
       {{1, 2, 5, 0.012f, 3.96f, -0.04f},
        {0, 0, 1, 0.0f, 0.0f, 0.0f},
        {99, 59, 59, 9999.999f, 999.9f, -99.9f},
        {100, -1, -10, 10000.0f, 1000.0f, -100.0f},
        {12, 30, 0, 0.5f, -0.04f, 12.3456f},
        {3, 4},
        {}}},
      {"(5X,'Au km ',F7.3,' pente de ',F4.1,' %','  Pied a terre 4 km/h')",
       {{12.345f, 12.3f}, {0.123f, 0.5f}, {123.4567f, 9.96f}, {-0.0004f, -0.04f}, {999.9999f, 99.9f}, {1.0f}, {}}},
      {"(10X,A80)", {{std::string_view(name80)}, {"court"}, {}}},
      {"(5X,'Kilometrage du parcours:    ',F7.1)", {{123.4f}, {0.04f}, {0.96f}, {99999.9f}, {1e6f}, {nan}, {}}},
      {"(5X,'Denivele positif:           ',F6.0,' m')", {{1234.0f}, {0.4f}, {0.5f}, {1.5f}, {999999.0f}, {1e6f}, {}}},
      {"(5X,'Temps du parcours:          ',I3,' heures',I3,' minutes')",
       {{2, 35}, {0, 0}, {999, 59}, {1000, -1}, {-99, -100}, {5}, {}}},
      {"(5X,'Depense energetique:        ',I6,' kJoules')", {{1234}, {0}, {999999}, {1000000}, {-99999}, {}}},
      {"(5X,'Indice de difficulte:       ',F6.2)", {{1.23f}, {0.64f}, {999.99f}, {1000.0f}, {inf}, {nan}, {}}},
      {"(5X,'Le detail des resultats se trouvent sur le fichier: ',A50)",
       {{std::string_view(name50)}, {"parcours.txt"}, {}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    expect_same_records(c.format, c.records);
  }
}

// The normalisation tolerates the two departures and nothing else: libf2c
// really writes these records, and ours differ from them just so.
TEST(FormattedOutputReference, DeparturesAreTheLeadingZeroAndTheNonFiniteSpelling) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    const char* format;
    float value;
    const char* library;
    const char* ours;
  };
  const Case cases[] = {
      {"(F6.2)", 0.64f, "   .64", "  0.64"},
      {"(F4.1)", -0.5f, " -.5", "-0.5"},
      {"(F6.0)", 0.4f, "    0.", "    0."},  // no decimals: libf2c keeps the zero too
      {"(F8.3)", -0.0004f, "    .000", "   0.000"},
      {"(F6.2)", inf, "   inf", "   Inf"},
      {"(F4.1)", -inf, "-inf", "-Inf"},
      {"(F7.1)", nan, "    nan", "    NaN"},
      {"(F7.1)", -nan, "   -nan", "    NaN"},
  };
  for (const Case& c : cases) {
    const Outputs out = write_both(c.format, {{c.value}});
    ASSERT_EQ(out.library.size(), 1U);
    EXPECT_EQ(out.library[0], c.library) << c.format;
    EXPECT_EQ(out.ours[0], c.ours) << c.format;
  }
  struct Normalised {
    const char* library;
    const char* expected;
  };
  const Normalised normalised_cases[] = {
      {" -.5", "-0.5"},           // room for the zero
      {"-.5", "-.5"},             // none: ours drops it as well
      {"   12.5   .25", "   12.5  0.25"},
      {"    -nan    inf", "     NaN    Inf"},
  };
  for (const Normalised& n : normalised_cases) EXPECT_EQ(normalised(n.library), n.expected) << n.library;
}

}  // namespace
