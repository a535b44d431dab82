// Record I/O on numbered units.
//
// Unit 5 is standard input and unit 6 standard output; units 0 to 99 other
// than those are connected to files by open(). Every READ and OPEN reports
// ok, end of file or error; a status for which the caller names no branch
// ends the program with the run-time's diagnostic (a FatalError is thrown,
// and run_program() reports it). Writes are buffered; a failed or short write
// is a FatalError too.
//
// The file rule: a record written becomes the last record of its file. When
// a unit is rewound or closed after a WRITE, whatever followed the last
// record written is removed. Every end of the program (stop, diagnostic,
// SIGINT, SIGTERM, SIGHUP) closes every unit under that rule.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

#include "runtime/format.hpp"
#include "runtime/text.hpp"

namespace rt {

enum class IoStatus { ok, end, error };

/// The branches a statement names: where none is named for the status that
/// occurs, the run-time's diagnostic ends the program.
struct Branches {
  bool end = false;
  bool err = false;
};
inline constexpr Branches no_branch{false, false};
inline constexpr Branches on_end{true, false};
inline constexpr Branches on_err{false, true};
inline constexpr Branches on_end_err{true, true};

/// STATUS of an OPEN: "old" (must exist), "new" (must not exist; created
/// empty), or none given (an existing file is used, a missing one created).
enum class OpenStatus { unknown, old, new_file };

/// A file opened read_only can never be written through its unit.
enum class Access { read_write, read_only };

/// One variable of an input list: a REAL, an INTEGER or a CHARACTER text.
struct InItem {
  enum class Kind { integer, real, text };
  Kind kind;
  int32_t* i = nullptr;
  float* r = nullptr;
  std::span<char> s;

  InItem(int32_t& v) : kind(Kind::integer), i(&v) {}  // NOLINT
  InItem(float& v) : kind(Kind::real), r(&v) {}       // NOLINT
  InItem(std::span<char> v) : kind(Kind::text), s(v) {}  // NOLINT
  template <std::size_t N>
  InItem(Text<N>& v) : kind(Kind::text), s(v.chars()) {}  // NOLINT
};

using InList = std::initializer_list<InItem>;

/// Thrown by stop(): unwinds to run_program(), which closes every unit.
struct StopRequest {
  int status;
};

/// A run-time diagnostic: one line for standard error; exit status 2.
class FatalError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// OPEN `unit` on the file named by `name` without its trailing blanks. The
/// file is positioned at its start and never emptied. A failure (missing file
/// for old, existing file for new, a directory, no permission) is an error.
IoStatus open(int32_t unit, std::string_view name, OpenStatus status, Branches branches = no_branch,
              Access access = Access::read_write);

/// REWIND: back to the start; after a WRITE the file is first cut after the
/// last record written.
void rewind(int32_t unit);

/// ENDFILE: the file ends where the unit stands; whatever follows is removed
/// (after a REWIND this empties the file). Nothing is cut on a stream.
void endfile(int32_t unit);

/// True when two connected units stand for one file (the same file under
/// two names, through a link).
bool same_file(int32_t unit_a, int32_t unit_b);

/// Formatted WRITE of one record.
void write_formatted(int32_t unit, const Format& format, OutList items);

/// List-directed WRITE; without items it writes an empty line.
void write_list(int32_t unit, OutList items);

/// Formatted READ of one record with a FORMAT of A descriptors, such as
/// "(A80)": each item takes its columns of the record, blank-filled; the rest
/// of the record is skipped.
IoStatus read_formatted(int32_t unit, const Format& format, InList items, Branches branches = no_branch);

/// List-directed READ. On ok every item that received a value holds it and
/// the rest of the last record read is skipped; an item that received no
/// value (null value, slash) keeps its value. On error the rest of the
/// current record is skipped as well, so the next READ starts at the next
/// record.
IoStatus read_list(int32_t unit, InList items, Branches branches = no_branch);

/// Connects `unit` to an open descriptor read or written in sequence
/// (the standard units are attached this way to descriptors 0 and 1). The
/// descriptor stays open when the unit is closed.
void attach_stream(int32_t unit, int fd, std::string name, bool writable);

/// STOP: ends the program with `status` after closing every unit.
[[noreturn]] void stop(int status = 0);

/// Closes every unit under the file rule. Returns an empty string, or the
/// diagnostic of the first write that failed while closing.
std::string close_all() noexcept;

/// Runs `body` as the main program: installs the handlers of SIGINT, SIGTERM
/// and SIGHUP (exit status 128 + signal), maps a stop to its status and a
/// diagnostic to status 2 with its line on standard error, and closes every
/// unit on every way out. Returns the exit status.
int run_program(void (*body)());

}  // namespace rt
