// Runs import_route in-process, in a fresh working directory, with a typed
// dialogue on unit 5 and the screen (unit 6) captured in a file.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "route_import/route_import.hpp"
#include "runtime/io.hpp"
#include "support/in_temp_directory.hpp"

namespace route_import_test {

/// How the call ended: returned, or the status of the program's end.
inline constexpr int k_returned = -1;
inline constexpr int k_diagnostic = 2;

struct ImportResult {
  int status = k_returned;
  std::string screen;
  std::string diagnostic;
  rt::Text<80> route_name{"(not set by import_route)"};
  rt::Text<50> detail_name{"(not set by import_route)"};
};

class ImportTest : public test_support::InTempDirectory {
 protected:
  /// Calls import_route with `keyboard` as the whole keyboard input. `while_open`
  /// runs after a normal return, while the units are still connected.
  ImportResult run_import(const std::string& keyboard, const std::function<void()>& while_open = {}) {
    io_.write("keyboard", keyboard);
    const int in_fd = ::open((io_ / "keyboard").c_str(), O_RDONLY);
    const int out_fd = ::open((io_ / "screen").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    rt::attach_stream(5, in_fd, "keyboard", false);
    rt::attach_stream(6, out_fd, "screen", true);
    ImportResult r;
    try {
      route_import::import_route(r.route_name, r.detail_name);
      if (while_open) while_open();
    } catch (const rt::StopRequest& s) {
      r.status = s.status;
    } catch (const rt::FatalError& e) {
      r.status = k_diagnostic;
      r.diagnostic = e.what();
    }
    rt::close_all();
    ::close(in_fd);
    ::close(out_fd);
    r.screen = io_.read("screen");
    return r;
  }

  void write(const std::string& name, const std::string& content) const { dir_.write(name, content); }
  std::string read(const std::string& name) const { return dir_.read(name); }

  /// The names of the files in the working directory.
  std::set<std::string> files() const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path()))
      names.insert(entry.path().filename().string());
    return names;
  }

 private:
  test_support::TempDir io_;
};

/// The route question as the screen shows it.
inline const std::string k_question =
    " Nom du fichier .gpx Openrunner a traiter ?\n"
    " (exemple: taper parcours pour le fichier parcours.gpx) puis envoyer\n";

/// The not-found message for a GPX file name of fewer than 40 characters.
inline std::string not_found(const std::string& gpx_name) {
  return " Attention: le fichier " + gpx_name +
         " est introuvable.\n"
         "  Retaper le nom du fichier si erreur de frappe et envoyer ou \n"
         "  taper stop pour sortir\n";
}

inline std::string import_report(int ntrk) {
  return " Le fichier a ete lu avec succes. Le parcours est defini par:  " + std::to_string(ntrk) + " points\n";
}

inline const std::string k_detail_header = "    Temps     Distance(km)  Vitesse(km/h)   Pente(%)\n";

}  // namespace route_import_test
