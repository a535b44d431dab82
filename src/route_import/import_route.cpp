// The dialogue phase of import_route: the route question, the working files
// and the detail file's header; then the scan and profile phases.
#include <initializer_list>
#include <string>

#include "route_import/import_phases.hpp"
#include "route_import/route_import.hpp"
#include "runtime/io.hpp"

namespace route_import {
namespace {

// Longest base name whose derived names (base name + 4-character suffix)
// still fit whole in 50 characters; beyond it the cut suffixes can make the
// track file's name that of the route file being read.
constexpr int32_t k_max_base_length = 46;

constexpr std::string_view k_retype = " Retaper le nom du fichier si erreur de frappe et envoyer ou ";
constexpr std::string_view k_or_stop = " taper stop pour sortir";

// The first `length` characters of `base_name` followed by `suffix`, cut to
// 50 characters.
rt::Text<50> derived_name(const rt::Text<50>& base_name, int32_t length, std::string_view suffix) {
  std::string name(base_name.sub(1, length));
  name += suffix;
  return rt::Text<50>(name);
}

void ask_route() {
  rt::write_list(6, {"Nom du fichier .gpx Openrunner a traiter ?",
                     "(exemple: taper parcours pour le fichier parcours.gpx)", " puis envoyer"});
}

// Reads answers until one names a GPX route file that opens on unit 10;
// returns that file's name. Ends the program on "stop".
rt::Text<50> open_route_file(rt::Text<50>& base_name) {
  for (;;) {
    rt::read_list(5, {base_name});
    if (base_name == "stop") rt::stop(0);
    const int32_t length = trimmed_length(base_name);
    if (length > k_max_base_length) {
      rt::write_list(6, {"Attention: le nom ", base_name.sub(1, length), " est trop long (46 caracteres au plus).",
                         k_retype, k_or_stop});
      continue;
    }
    const rt::Text<50> gpx_name = derived_name(base_name, length, ".gpx");
    if (rt::open(k_route_unit, gpx_name, rt::OpenStatus::old, rt::on_err, rt::Access::read_only) ==
        rt::IoStatus::ok)
      return gpx_name;
    rt::write_list(6, {"Attention: le fichier ", gpx_name.sub(1, trimmed_length(gpx_name)), " est introuvable.",
                       k_retype, k_or_stop});
  }
}

struct ConnectedFile {
  int32_t unit;
  std::string_view name;
};

// Ends the program before anything is written when two of the files are one
// file under two names (a link): a working file would overwrite the route
// file or another working file while it is being read.
void refuse_shared_files(std::initializer_list<ConnectedFile> files) {
  for (auto a = files.begin(); a != files.end(); ++a)
    for (auto b = a + 1; b != files.end(); ++b)
      if (rt::same_file(a->unit, b->unit)) {
        rt::write_list(6, {"Attention: les fichiers ", a->name, " et ", b->name, " sont un seul et meme fichier"});
        rt::stop(1);
      }
}

}  // namespace

int32_t trimmed_length(std::string_view s) {
  for (auto k = static_cast<int32_t>(s.size()); k > 0; --k) {
    const auto c = static_cast<unsigned char>(s[static_cast<std::size_t>(k - 1)]);
    if (c >= 33 && c <= 126) return k;
  }
  return 0;
}

void open_replacing(int32_t unit, rt::Text<50>& name) {
  name = name.sub(1, trimmed_length(name));
  if (rt::open(unit, name, rt::OpenStatus::old, rt::on_err) == rt::IoStatus::ok) {
    rt::rewind(unit);
    return;
  }
  rt::open(unit, name, rt::OpenStatus::new_file);
}

int32_t import_route(rt::Text<80>& route_name, rt::Text<50>& detail_name) {
  route_name = "";
  rt::Text<50> base_name;
  ask_route();
  const rt::Text<50> gpx_name = open_route_file(base_name);
  const int32_t length = trimmed_length(base_name);

  rt::open(k_profile_unit, "scratch", rt::OpenStatus::unknown);
  rt::Text<50> trk_name = derived_name(base_name, length, ".trk");
  open_replacing(k_track_unit, trk_name);
  detail_name = derived_name(base_name, length, ".txt");
  open_replacing(k_detail_unit, detail_name);
  refuse_shared_files({{k_route_unit, gpx_name.sub(1, trimmed_length(gpx_name))},
                       {k_profile_unit, "scratch"},
                       {k_track_unit, trk_name.sub(1, trimmed_length(trk_name))},
                       {k_detail_unit, detail_name.sub(1, trimmed_length(detail_name))}});
  rt::rewind(k_detail_unit);
  rt::write_list(k_detail_unit, {"   Temps     Distance(km)  Vitesse(km/h)   Pente(%)"});

  const int32_t ntrk = scan_track(route_name);
  build_profile(ntrk, gpx_name.sub(1, trimmed_length(gpx_name)));
  return ntrk;
}

void abandon_import() {
  rt::endfile(k_track_unit);
  rt::rewind(k_profile_unit);
  rt::endfile(k_profile_unit);
  rt::stop(1);
}

}  // namespace route_import
