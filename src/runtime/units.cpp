// The unit table: buffered records on file descriptors.
//
// Each unit keeps one logical position. Reading fills a buffer from that
// position; writing collects records in a buffer and writes them at that
// position (pwrite on regular files, so nothing depends on the descriptor's
// own offset). The end of the last record written is remembered; a rewind or
// a close after a WRITE cuts the file there.
//
// A signal that ends the program may arrive at any point. Every change of a
// unit's write state happens inside a critical section; a signal that comes
// during one is handled when the section ends, so the handler always sees
// consistent buffers.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <memory>
#include <string>

#include "runtime/list_io.hpp"
#include "runtime/units_internal.hpp"

namespace rt {
namespace {

constexpr int32_t k_unit_count = 100;
constexpr std::size_t k_buffer_size = 1 << 16;

struct Unit {
  bool connected = false;
  int fd = -1;
  bool own_fd = false;       // closed by close_all
  bool sequential = false;   // a stream or device: read()/write(), no cutting
  bool writable = false;
  bool flush_each_record = false;
  std::string name;

  int64_t base = 0;  // file position of the start of the current buffer
  enum class Mode { idle, reading, writing } mode = Mode::idle;

  std::unique_ptr<char[]> rbuf;
  std::size_t rcur = 0;
  std::size_t rlen = 0;
  bool eof = false;         // the end of the file was met; cleared by rewind
  int read_errno = 0;       // a read failed

  std::string wbuf;
  bool dirty = false;       // written since the last rewind
  int64_t written_end = 0;  // position after the last record written
};

std::array<Unit, k_unit_count> g_units;
bool g_standard_ready = false;

std::atomic<int> g_critical{0};
std::atomic<int> g_pending_signal{0};

// Raw write of a whole buffer; returns 0 or an errno value. Async-signal-safe.
int write_all(Unit& u, const char* data, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = u.sequential ? ::write(u.fd, data + done, size - done)
                                   : ::pwrite(u.fd, data + done, size - done,
                                              static_cast<off_t>(u.base + static_cast<int64_t>(done)));
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return ENOSPC;
    done += static_cast<std::size_t>(n);
  }
  return 0;
}

// Writes the buffer out and empties it; returns 0 or an errno value.
int flush_unit(Unit& u) {
  if (u.wbuf.empty()) return 0;
  const int err = write_all(u, u.wbuf.data(), u.wbuf.size());
  u.base += static_cast<int64_t>(u.wbuf.size());
  u.wbuf.clear();
  return err;
}

// Flush, cut after the last record written, close. Returns 0 or an errno
// value. Async-signal-safe: no allocation, no locks.
int close_unit(Unit& u) {
  int err = 0;
  if (!u.wbuf.empty()) {
    err = write_all(u, u.wbuf.data(), u.wbuf.size());
    u.base += static_cast<int64_t>(u.wbuf.size());
  }
  if (u.dirty && !u.sequential && err == 0 && ::ftruncate(u.fd, static_cast<off_t>(u.written_end)) != 0)
    err = errno;
  if (u.own_fd) ::close(u.fd);
  u.connected = false;
  u.dirty = false;
  u.fd = -1;
  return err;
}

void signal_exit(int sig) {
  for (Unit& u : g_units)
    if (u.connected) close_unit(u);
  ::_exit(128 + sig);
}

extern "C" void on_signal(int sig) {
  if (g_critical.load(std::memory_order_relaxed) > 0) {
    g_pending_signal.store(sig, std::memory_order_relaxed);
    return;
  }
  signal_exit(sig);
}

// While alive, a terminating signal waits. Only this thread changes the
// depth and the handler only reads it, so a plain load and store suffice
// (no locked read-modify-write on every record).
class Critical {
 public:
  Critical() {
    g_critical.store(g_critical.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    std::atomic_signal_fence(std::memory_order_seq_cst);
  }
  ~Critical() {
    std::atomic_signal_fence(std::memory_order_seq_cst);
    const int depth = g_critical.load(std::memory_order_relaxed) - 1;
    g_critical.store(depth, std::memory_order_relaxed);
    std::atomic_signal_fence(std::memory_order_seq_cst);  // a signal noted before the store is seen below
    if (depth == 0) {
      const int sig = g_pending_signal.load(std::memory_order_relaxed);
      if (sig != 0) signal_exit(sig);
    }
  }
  Critical(const Critical&) = delete;
  Critical& operator=(const Critical&) = delete;
};

std::string unit_label(int32_t unit, const std::string& name) {
  return "ride_estimate: unite " + std::to_string(unit) + " (" + name + "): ";
}

[[noreturn]] void fail(int32_t unit, const std::string& name, const std::string& cause, int err = 0) {
  std::string msg = unit_label(unit, name) + cause;
  if (err != 0) msg += " (" + std::string(std::strerror(err)) + ")";
  throw FatalError(msg);
}

void attach(int32_t unit, int fd, std::string name, bool writable) {
  Unit& u = g_units[static_cast<std::size_t>(unit)];
  u = Unit{};
  u.connected = true;
  u.fd = fd;
  u.own_fd = false;
  u.sequential = true;
  u.writable = writable;
  u.flush_each_record = writable && ::isatty(fd) == 1;
  u.name = std::move(name);
}

void ensure_standard_units() {
  if (g_standard_ready) return;
  g_standard_ready = true;
  attach(5, 0, "entree standard", false);
  attach(6, 1, "sortie standard", true);
}

Unit& unit_for(int32_t unit) {
  ensure_standard_units();
  if (unit < 0 || unit >= k_unit_count) throw FatalError("ride_estimate: unite " + std::to_string(unit) + " hors limites");
  Unit& u = g_units[static_cast<std::size_t>(unit)];
  if (!u.connected) throw FatalError("ride_estimate: unite " + std::to_string(unit) + " non connectee");
  return u;
}

void begin_read(int32_t unit, Unit& u) {
  if (u.mode == Unit::Mode::writing) {
    Critical guard;
    if (const int err = flush_unit(u); err != 0) fail(unit, u.name, "ecriture impossible", err);
  }
  if (u.mode != Unit::Mode::reading) {
    if (!u.rbuf) u.rbuf = std::make_unique<char[]>(k_buffer_size);
    u.mode = Unit::Mode::reading;
    u.rcur = u.rlen = 0;
  }
}

// Refills the read buffer; false at the end of the file or on a read error.
bool refill(Unit& u) {
  u.base += static_cast<int64_t>(u.rlen);
  u.rcur = u.rlen = 0;
  if (u.eof || u.read_errno != 0) return false;
  for (;;) {
    const ssize_t n = u.sequential ? ::read(u.fd, u.rbuf.get(), k_buffer_size)
                                   : ::pread(u.fd, u.rbuf.get(), k_buffer_size, static_cast<off_t>(u.base));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      u.read_errno = errno;
      return false;
    }
    if (n == 0) {
      u.eof = true;
      return false;
    }
    u.rlen = static_cast<std::size_t>(n);
    return true;
  }
}

// The unit's read buffer as a CharSource. The unit's position follows the
// window when the source ends.
class UnitSource final : public CharSource {
 public:
  explicit UnitSource(Unit& u) : u_(u) { set_window(); }
  ~UnitSource() override { u_.rcur = static_cast<std::size_t>(cur_ - u_.rbuf.get()); }
  UnitSource(const UnitSource&) = delete;
  UnitSource& operator=(const UnitSource&) = delete;

 private:
  bool refill() override {
    u_.rcur = u_.rlen;
    const bool more = rt::refill(u_);
    set_window();
    return more;
  }
  void set_window() {
    cur_ = u_.rbuf.get() + u_.rcur;
    end_ = u_.rbuf.get() + u_.rlen;
  }

  Unit& u_;
};

// Reads the rest of the current record (without its '\n') into `line`: a
// view into the read buffer, or into `spill` when the record crosses a refill.
// The view holds until the next read. Returns false when the file ended
// before any byte of the record.
// Only the first `keep` bytes of a record are kept when it spans buffers, so
// that a line of any length costs no more memory than the columns used.
bool read_record(Unit& u, std::string& spill, std::string_view& line, std::size_t keep) {
  bool any = false;
  bool spilled = false;
  spill.clear();
  for (;;) {
    if (u.rcur == u.rlen && !refill(u)) {
      line = spill;
      return any;
    }
    any = true;
    const char* start = u.rbuf.get() + u.rcur;
    const std::size_t avail = u.rlen - u.rcur;
    const void* nl = std::memchr(start, '\n', avail);
    if (nl != nullptr) {
      const auto n = static_cast<std::size_t>(static_cast<const char*>(nl) - start);
      u.rcur += n + 1;
      if (!spilled) {
        line = std::string_view(start, n);
        return true;
      }
      spill.append(start, std::min(n, keep - spill.size()));
      line = spill;
      return true;
    }
    spill.append(start, std::min(avail, keep - spill.size()));
    spilled = true;
    u.rcur = u.rlen;
  }
}

// Writes one record: `edit` appends its characters, without the line end,
// straight to the unit's buffer. A signal waits until the record is whole; a
// record whose editing throws is taken back.
template <typename Edit>
void write_record(int32_t unit, const Edit& edit) {
  Unit& u = unit_for(unit);
  if (!u.writable) fail(unit, u.name, "ecriture impossible", EBADF);
  Critical guard;
  if (u.mode == Unit::Mode::reading) {
    u.base += static_cast<int64_t>(u.rcur);
    u.rcur = u.rlen = 0;
  }
  u.mode = Unit::Mode::writing;
  const std::size_t start = u.wbuf.size();
  try {
    edit(u.wbuf);
  } catch (...) {
    u.wbuf.resize(start);
    throw;
  }
  u.wbuf.push_back('\n');
  u.dirty = true;
  u.written_end = u.base + static_cast<int64_t>(u.wbuf.size());
  if (u.flush_each_record || u.wbuf.size() >= k_buffer_size) {
    if (const int err = flush_unit(u); err != 0) fail(unit, u.name, "ecriture impossible", err);
  }
}

IoStatus take_branch(int32_t unit, const Unit& u, IoStatus status, Branches branches) {
  if (status == IoStatus::end && !branches.end) fail(unit, u.name, "fin de fichier");
  if (status == IoStatus::error && !branches.err) {
    if (u.read_errno != 0) fail(unit, u.name, "lecture impossible", u.read_errno);
    fail(unit, u.name, "valeur illisible");
  }
  return status;
}

void prepare_keyboard_read(int32_t unit) {
  // The screen shows every question before the keyboard is read.
  if (unit == 5 && g_units[6].connected) {
    Critical guard;
    if (const int err = flush_unit(g_units[6]); err != 0) fail(6, g_units[6].name, "ecriture impossible", err);
  }
}

// A name that STATUS "new" finds taken is in the diagnostic by what keeps
// the existing entry from being used, when something does (a directory, no
// permission): "file exists" alone would hide why it was not reused.
int why_existing_unusable(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return EISDIR;
  if (::access(path.c_str(), R_OK | W_OK) != 0 && errno != ENOENT) return errno;
  return EEXIST;
}

}  // namespace

void attach_stream(int32_t unit, int fd, std::string name, bool writable) {
  ensure_standard_units();
  Critical guard;
  Unit& u = g_units[static_cast<std::size_t>(unit)];
  if (u.connected) close_unit(u);
  attach(unit, fd, std::move(name), writable);
}

IoStatus open(int32_t unit, std::string_view name, OpenStatus status, Branches branches, Access access) {
  ensure_standard_units();
  if (unit < 0 || unit >= k_unit_count || unit == 5 || unit == 6)
    throw FatalError("ride_estimate: unite " + std::to_string(unit) + " hors limites");
  const std::size_t len = name.find_last_not_of(' ');
  const std::string path(name.substr(0, len == std::string_view::npos ? 0 : len + 1));
  Critical guard;
  Unit& u = g_units[static_cast<std::size_t>(unit)];
  if (u.connected) {
    if (const int err = close_unit(u); err != 0) fail(unit, u.name, "ecriture impossible", err);
  }
  int flags = O_CLOEXEC | (access == Access::read_only ? O_RDONLY : O_RDWR);
  if (status == OpenStatus::new_file) flags |= O_CREAT | O_EXCL;
  if (status == OpenStatus::unknown) flags |= O_CREAT;
  int fd = -1;
  int err = 0;
  if (path.empty() || path.find('\0') != std::string::npos) {
    err = ENOENT;
  } else {
    fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) err = errno;
  }
  if (err == EEXIST) err = why_existing_unusable(path);
  struct stat st {};
  if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    fd = -1;
    err = EISDIR;
  }
  if (fd < 0) {
    if (branches.err) return IoStatus::error;
    fail(unit, path, "ouverture ou creation impossible", err);
  }
  u = Unit{};
  u.connected = true;
  u.fd = fd;
  u.own_fd = true;
  u.sequential = !S_ISREG(st.st_mode);
  u.writable = access == Access::read_write;
  u.name = path;
  return IoStatus::ok;
}

void rewind(int32_t unit) {
  Unit& u = unit_for(unit);
  Critical guard;
  if (const int err = flush_unit(u); err != 0) fail(unit, u.name, "ecriture impossible", err);
  if (u.dirty && !u.sequential && ::ftruncate(u.fd, static_cast<off_t>(u.written_end)) != 0)
    fail(unit, u.name, "ecriture impossible", errno);
  u.dirty = false;
  u.mode = Unit::Mode::idle;
  u.base = 0;
  u.rcur = u.rlen = 0;
  u.eof = false;
  u.read_errno = 0;
  if (u.sequential) ::lseek(u.fd, 0, SEEK_SET);
}

void endfile(int32_t unit) {
  Unit& u = unit_for(unit);
  Critical guard;
  if (const int err = flush_unit(u); err != 0) fail(unit, u.name, "ecriture impossible", err);
  if (u.mode == Unit::Mode::reading) u.base += static_cast<int64_t>(u.rcur);
  u.mode = Unit::Mode::idle;
  u.rcur = u.rlen = 0;
  u.dirty = false;
  u.written_end = u.base;
  if (!u.sequential && ::ftruncate(u.fd, static_cast<off_t>(u.base)) != 0)
    fail(unit, u.name, "ecriture impossible", errno);
}

void write_formatted(int32_t unit, const Format& format, OutList items) {
  write_record(unit, [&](std::string& out) { format.edit(out, std::span<const OutItem>(items.begin(), items.size())); });
}

void write_list(int32_t unit, OutList items) {
  write_record(unit, [&](std::string& out) {
    list_edit(out, std::span<const OutItem>(items.begin(), items.size()));
    out.pop_back();  // write_record ends the last line
  });
}

IoStatus read_formatted(int32_t unit, const Format& format, InList items, Branches branches) {
  Unit& u = unit_for(unit);
  prepare_keyboard_read(unit);
  begin_read(unit, u);
  const std::span<const int32_t> widths = format.input_widths();
  std::size_t keep = 0;  // columns the items take
  std::size_t k = 0;
  for (const InItem& item : items) {
    if (item.kind != InItem::Kind::text || k >= widths.size())
      throw std::invalid_argument("formatted input takes CHARACTER items with A descriptors");
    keep += widths[k] == 0 ? item.s.size() : static_cast<std::size_t>(widths[k]);
    ++k;
  }
  thread_local std::string spill;
  std::string_view line;
  if (u.eof || !read_record(u, spill, line, keep)) {
    return take_branch(unit, u, u.read_errno != 0 ? IoStatus::error : IoStatus::end, branches);
  }
  if (u.read_errno != 0) return take_branch(unit, u, IoStatus::error, branches);
  std::size_t col = 0;
  k = 0;
  for (const InItem& item : items) {
    const std::size_t len = item.s.size();
    const std::size_t w = widths[k] == 0 ? len : static_cast<std::size_t>(widths[k]);
    ++k;
    // The field is the next w columns, blank beyond the end of the record; a
    // field wider than its variable gives its rightmost characters.
    const std::size_t from = w > len ? col + (w - len) : col;
    col += w;
    assign_text(item.s, from < line.size() ? line.substr(from, std::min(col, line.size()) - from) : std::string_view());
  }
  return IoStatus::ok;
}

IoStatus read_list(int32_t unit, InList items, Branches branches) {
  Unit& u = unit_for(unit);
  prepare_keyboard_read(unit);
  begin_read(unit, u);
  if (u.eof) return take_branch(unit, u, u.read_errno != 0 ? IoStatus::error : IoStatus::end, branches);
  // A whole record in the buffer, of plain numbers only: read at once.
  if (u.rcur < u.rlen) {
    const char* const start = u.rbuf.get() + u.rcur;
    const auto* nl = static_cast<const char*>(std::memchr(start, '\n', u.rlen - u.rcur));
    if (nl != nullptr && parse_plain_record(std::string_view(start, static_cast<std::size_t>(nl - start)),
                                            std::span<const InItem>(items.begin(), items.size()))) {
      u.rcur += static_cast<std::size_t>(nl - start) + 1;
      return IoStatus::ok;
    }
  }
  IoStatus status = IoStatus::ok;
  {
    UnitSource source(u);
    status = list_parse(source, std::span<const InItem>(items.begin(), items.size()));
    if (status == IoStatus::ok && !u.eof) {
      // The rest of the record is skipped; a file that ends inside it gives
      // the end status, though the values have been taken.
      if (!source.skip_record()) status = IoStatus::end;
    } else if (status == IoStatus::error && !u.eof) {
      source.skip_record();
    }
  }
  if (u.read_errno != 0) status = IoStatus::error;
  return take_branch(unit, u, status, branches);
}

bool same_file(int32_t unit_a, int32_t unit_b) {
  struct stat a {};
  struct stat b {};
  return ::fstat(unit_for(unit_a).fd, &a) == 0 && ::fstat(unit_for(unit_b).fd, &b) == 0 && a.st_dev == b.st_dev &&
         a.st_ino == b.st_ino;
}

void stop(int status) { throw StopRequest{status}; }

std::string close_all() noexcept {
  Critical guard;
  std::string first_error;
  for (std::size_t k = 0; k < g_units.size(); ++k) {
    Unit& u = g_units[k];
    if (!u.connected) continue;
    const int err = close_unit(u);
    if (err != 0 && first_error.empty()) {
      try {
        first_error = unit_label(static_cast<int32_t>(k), u.name) + "ecriture impossible (" + std::strerror(err) + ")";
      } catch (...) {
        first_error = "ride_estimate: ecriture impossible";
      }
    }
  }
  g_standard_ready = false;
  return first_error;
}

void install_signal_handlers() {
  struct sigaction sa {};
  sa.sa_handler = on_signal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(sig, &sa, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
}

}  // namespace rt
