// List-directed WRITE of texts and INTEGERs: our lines against libf2c's,
// for the program's messages, the 80-column rule and random item lists.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "reference_io.hpp"
#include "runtime/io.hpp"

namespace {

using Items = std::vector<rt::OutItem>;

struct Files {
  std::string ours;
  std::string library;
};

// Every WRITE through libf2c and through our run-time, each on a file.
Files write_both(const std::vector<Items>& writes) {
  ref::ScratchDir dir;
  const std::string lib_path = dir.file("library.txt");
  const std::string our_path = dir.file("ours.txt");
  EXPECT_EQ(ref::f2c::open(33, lib_path, "new"), rt::IoStatus::ok);
  for (const Items& w : writes) ref::f2c::write_list(33, w);
  ref::f2c::close(33);
  EXPECT_EQ(rt::open(34, our_path, rt::OpenStatus::new_file), rt::IoStatus::ok);
  for (const Items& w : writes) ref::ours::write_list(34, w);
  EXPECT_EQ(rt::close_all(), "");
  return {ref::read_file(our_path), ref::read_file(lib_path)};
}

std::string describe(const Items& items) {
  std::string s = "{";
  for (const rt::OutItem& item : items) {
    if (s.size() > 1) s += ", ";
    if (item.kind == rt::OutItem::Kind::integer) s += std::to_string(item.i);
    else s += "'" + std::string(item.s) + "' (" + std::to_string(item.s.size()) + ")";
  }
  return s + "}";
}

void expect_same(const std::vector<Items>& writes) {
  for (const Items& w : writes) {
    const Files f = write_both({w});
    EXPECT_EQ(f.ours, f.library) << describe(w);
  }
}

TEST(ListOutputReference, ProgramMessages) {
  const std::string stars(61, '*');
  std::vector<std::string> gpx_names;
  for (std::size_t n : {5, 17, 38, 39, 40, 41, 54})
    gpx_names.push_back(std::string(n - 4, 'p') + ".gpx");
  std::vector<Items> writes = {
      {"Nom du fichier .gpx Openrunner a traiter ?", "(exemple: taper parcours pour le fichier parcours.gpx)",
       " puis envoyer"},
      {"   Temps     Distance(km)  Vitesse(km/h)   Pente(%)"},
      {"Indiquer la puissance du cyclo en watt et envoyer"},
      {},
  };
  for (int32_t ntrk : {0, 7, 1432, 50000, 123456789, -5, std::numeric_limits<int32_t>::min()}) {
    writes.push_back({"Erreur", ntrk});
    writes.push_back({"Le fichier a ete lu avec succes.", " Le parcours est defini par: ", ntrk, " points"});
  }
  for (const std::string& name : gpx_names)
    writes.push_back({"Attention: le fichier ", std::string_view(name), " est introuvable.",
                      " Retaper le nom du fichier si erreur de frappe et envoyer ou ", " taper stop pour sortir"});
  expect_same(writes);
  // The messages in one file, one after another, as the screen shows them.
  const Files f = write_both(writes);
  EXPECT_EQ(f.ours, f.library);
  EXPECT_TRUE(f.ours.starts_with(
      " Nom du fichier .gpx Openrunner a traiter ?\n"
      " (exemple: taper parcours pour le fichier parcours.gpx) puis envoyer\n"
      "    Temps     Distance(km)  Vitesse(km/h)   Pente(%)\n"
      " Indiquer la puissance du cyclo en watt et envoyer\n"
      "\n"
      " Erreur 0\n"
      " Le fichier a ete lu avec succes. Le parcours est defini par:  0 points\n"))
      << f.ours;
  EXPECT_NE(f.ours.find("\n Attention: le fichier ppppppppppppppppppppppppppppppppppp.gpx est introuvable.\n"
                        "  Retaper le nom du fichier si erreur de frappe et envoyer ou \n"
                        "  taper stop pour sortir\n"),
            std::string::npos)
      << f.ours;
}

// Items whose lengths put the line at 78 to 82 columns, texts and
// INTEGERs, at the start of a line and after other items.
TEST(ListOutputReference, EightyColumnRule) {
  std::vector<std::string> texts;
  for (std::size_t n = 0; n <= 90; ++n) texts.push_back(std::string(n, static_cast<char>('a' + n % 26)));
  std::vector<Items> writes;
  for (std::size_t first : {0, 1, 10, 40, 70, 76, 77, 78, 79, 80, 85}) {
    for (std::size_t second = 0; second <= 90; ++second) {
      if (first + second < 70 && second % 10 != 0) continue;
      writes.push_back({std::string_view(texts[first]), std::string_view(texts[second])});
    }
    for (int32_t i : {0, 7, -7, 99, 12345, -12345, 1234567890, std::numeric_limits<int32_t>::min()})
      writes.push_back({std::string_view(texts[first]), i});
  }
  for (std::size_t n : {0, 1, 78, 79, 80, 81, 90}) writes.push_back({std::string_view(texts[n])});
  for (int32_t i : {1234567890, -1234567890, 123456789}) writes.push_back(Items(8, rt::OutItem(i)));
  writes.push_back(Items(8, rt::OutItem(std::string_view(texts[30]))));
  expect_same(writes);
}

TEST(ListOutputReference, RandomItemLists) {
  std::mt19937 gen(99);
  std::uniform_int_distribution<int> count(0, 8);
  std::uniform_int_distribution<std::size_t> length(0, 85);
  std::uniform_int_distribution<int32_t> any(std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
  std::uniform_int_distribution<int32_t> small(-1000, 1000);
  std::bernoulli_distribution is_text(0.6);
  std::vector<std::string> pool;
  for (std::size_t n = 0; n <= 85; ++n) pool.push_back(std::string(n, 'x') + (n > 2 ? "  " : ""));
  std::vector<Items> writes;
  for (int k = 0; k < 3000; ++k) {
    Items items;
    for (int n = count(gen); n > 0; --n) {
      if (is_text(gen)) items.emplace_back(std::string_view(pool[length(gen)]));
      else items.emplace_back(k % 2 == 0 ? any(gen) : small(gen));
    }
    writes.push_back(items);
  }
  const Files f = write_both(writes);
  EXPECT_EQ(f.ours, f.library);
  if (f.ours != f.library) expect_same(writes);  // name the first lists that differ
}

}  // namespace
