#include "reference_io.hpp"

#include "support/f2c_api.hpp"

#include <unistd.h>

#include <bit>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace ref {
namespace {

// Type codes of list-directed items.
ftnint k_ty_integer = 3;
ftnint k_ty_real = 4;
ftnint k_ty_char = 9;
ftnint k_one = 1;

void init_once() {
  static const bool done = [] {
    f_init();
    return true;
  }();
  (void)done;
}

rt::IoStatus status_of(integer code) {
  if (code == 0) return rt::IoStatus::ok;
  return code > 0 ? rt::IoStatus::error : rt::IoStatus::end;
}

void check(integer code, const char* what) {
  if (code != 0) throw std::runtime_error(std::string("libf2c ") + what + " failed with code " + std::to_string(code));
}

cilist control(int32_t unit, const char* format) {
  return cilist{1, unit, 1, const_cast<char*>(format), 0};
}

integer put_formatted(const rt::OutItem& item) {
  switch (item.kind) {
    case rt::OutItem::Kind::integer: {
      integer v = item.i;
      return do_fio(&k_one, reinterpret_cast<char*>(&v), sizeof v);
    }
    case rt::OutItem::Kind::real: {
      real v = item.r;
      return do_fio(&k_one, reinterpret_cast<char*>(&v), sizeof v);
    }
    case rt::OutItem::Kind::text:
      return do_fio(&k_one, const_cast<char*>(item.s.data()), static_cast<ftnlen>(item.s.size()));
  }
  return 1;
}

integer put_list(const rt::OutItem& item) {
  switch (item.kind) {
    case rt::OutItem::Kind::integer: {
      integer v = item.i;
      return do_lio(&k_ty_integer, &k_one, reinterpret_cast<char*>(&v), sizeof v);
    }
    case rt::OutItem::Kind::real: {
      real v = item.r;
      return do_lio(&k_ty_real, &k_one, reinterpret_cast<char*>(&v), sizeof v);
    }
    case rt::OutItem::Kind::text:
      return do_lio(&k_ty_char, &k_one, const_cast<char*>(item.s.data()), static_cast<ftnlen>(item.s.size()));
  }
  return 1;
}

integer get_list(const rt::InItem& item) {
  switch (item.kind) {
    case rt::InItem::Kind::integer:
      return do_lio(&k_ty_integer, &k_one, reinterpret_cast<char*>(item.i), sizeof *item.i);
    case rt::InItem::Kind::real:
      return do_lio(&k_ty_real, &k_one, reinterpret_cast<char*>(item.r), sizeof *item.r);
    case rt::InItem::Kind::text:
      return do_lio(&k_ty_char, &k_one, item.s.data(), static_cast<ftnlen>(item.s.size()));
  }
  return 1;
}

}  // namespace

namespace f2c {

rt::IoStatus open(int32_t unit, const std::string& path, const char* status) {
  init_once();
  olist o{1, unit, const_cast<char*>(path.c_str()), static_cast<ftnlen>(path.size()), const_cast<char*>(status),
          nullptr, nullptr, 0, nullptr};
  return status_of(f_open(&o));
}

void rewind(int32_t unit) {
  alist a{1, unit};
  check(f_rew(&a), "REWIND");
}

void close(int32_t unit) {
  cllist c{1, unit, nullptr};
  check(f_clos(&c), "CLOSE");
}

void write_formatted(int32_t unit, const char* format, std::span<const rt::OutItem> items) {
  cilist c = control(unit, format);
  check(s_wsfe(&c), "formatted WRITE");
  for (const rt::OutItem& item : items) check(put_formatted(item), "formatted WRITE item");
  check(e_wsfe(), "formatted WRITE end");
}

void write_list(int32_t unit, std::span<const rt::OutItem> items) {
  cilist c = control(unit, nullptr);
  check(s_wsle(&c), "list WRITE");
  for (const rt::OutItem& item : items) check(put_list(item), "list WRITE item");
  check(e_wsle(), "list WRITE end");
}

rt::IoStatus read_formatted(int32_t unit, const char* format, std::span<const rt::InItem> items) {
  cilist c = control(unit, format);
  if (integer code = s_rsfe(&c); code != 0) return status_of(code);
  for (const rt::InItem& item : items) {
    if (item.kind != rt::InItem::Kind::text) throw std::invalid_argument("formatted READ of a text only");
    if (integer code = do_fio(&k_one, item.s.data(), static_cast<ftnlen>(item.s.size())); code != 0)
      return status_of(code);
  }
  return status_of(e_rsfe());
}

rt::IoStatus read_list(int32_t unit, std::span<const rt::InItem> items) {
  cilist c = control(unit, nullptr);
  if (integer code = s_rsle(&c); code != 0) return status_of(code);
  for (const rt::InItem& item : items)
    if (integer code = get_list(item); code != 0) return status_of(code);
  return status_of(e_rsle());
}

}  // namespace f2c

namespace ours {

// Our statements take their items as braced lists; these spread a list of
// any length (up to 8) into one.
void write_formatted(int32_t unit, const rt::Format& format, std::span<const rt::OutItem> it) {
  switch (it.size()) {
    case 0: return rt::write_formatted(unit, format, {});
    case 1: return rt::write_formatted(unit, format, {it[0]});
    case 2: return rt::write_formatted(unit, format, {it[0], it[1]});
    case 3: return rt::write_formatted(unit, format, {it[0], it[1], it[2]});
    case 4: return rt::write_formatted(unit, format, {it[0], it[1], it[2], it[3]});
    case 5: return rt::write_formatted(unit, format, {it[0], it[1], it[2], it[3], it[4]});
    case 6: return rt::write_formatted(unit, format, {it[0], it[1], it[2], it[3], it[4], it[5]});
    default: throw std::invalid_argument("too many items");
  }
}

void write_list(int32_t unit, std::span<const rt::OutItem> it) {
  switch (it.size()) {
    case 0: return rt::write_list(unit, {});
    case 1: return rt::write_list(unit, {it[0]});
    case 2: return rt::write_list(unit, {it[0], it[1]});
    case 3: return rt::write_list(unit, {it[0], it[1], it[2]});
    case 4: return rt::write_list(unit, {it[0], it[1], it[2], it[3]});
    case 5: return rt::write_list(unit, {it[0], it[1], it[2], it[3], it[4]});
    case 6: return rt::write_list(unit, {it[0], it[1], it[2], it[3], it[4], it[5]});
    case 7: return rt::write_list(unit, {it[0], it[1], it[2], it[3], it[4], it[5], it[6]});
    case 8: return rt::write_list(unit, {it[0], it[1], it[2], it[3], it[4], it[5], it[6], it[7]});
    default: throw std::invalid_argument("too many items");
  }
}

rt::IoStatus read_formatted(int32_t unit, const rt::Format& format, std::span<const rt::InItem> it) {
  switch (it.size()) {
    case 1: return rt::read_formatted(unit, format, {it[0]}, rt::on_end_err);
    case 2: return rt::read_formatted(unit, format, {it[0], it[1]}, rt::on_end_err);
    default: throw std::invalid_argument("one or two items");
  }
}

rt::IoStatus read_list(int32_t unit, std::span<const rt::InItem> it) {
  const rt::Branches b = rt::on_end_err;
  switch (it.size()) {
    case 0: return rt::read_list(unit, {}, b);
    case 1: return rt::read_list(unit, {it[0]}, b);
    case 2: return rt::read_list(unit, {it[0], it[1]}, b);
    case 3: return rt::read_list(unit, {it[0], it[1], it[2]}, b);
    case 4: return rt::read_list(unit, {it[0], it[1], it[2], it[3]}, b);
    case 5: return rt::read_list(unit, {it[0], it[1], it[2], it[3], it[4]}, b);
    case 6: return rt::read_list(unit, {it[0], it[1], it[2], it[3], it[4], it[5]}, b);
    case 7: return rt::read_list(unit, {it[0], it[1], it[2], it[3], it[4], it[5], it[6]}, b);
    case 8: return rt::read_list(unit, {it[0], it[1], it[2], it[3], it[4], it[5], it[6], it[7]}, b);
    default: throw std::invalid_argument("too many items");
  }
}

}  // namespace ours

ScratchDir::ScratchDir() {
  std::string templ = (std::filesystem::temp_directory_path() / "runtime_reference_XXXXXX").string();
  if (::mkdtemp(templ.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = templ;
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void write_file(const std::string& path, std::string_view content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string describe(float value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.9g (0x%08x)", static_cast<double>(value), std::bit_cast<uint32_t>(value));
  return buf;
}

}  // namespace ref
