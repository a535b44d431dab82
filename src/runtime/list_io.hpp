// List-directed editing, apart from units, so that it can be tested and
// fuzzed on plain text.
#pragma once

#include <cstring>
#include <span>
#include <string>
#include <string_view>

#include "runtime/format.hpp"
#include "runtime/io.hpp"

namespace rt {

/// Appends the lines of one list-directed WRITE to `out`, each ended by '\n':
/// one blank before the first item of a line, texts unchanged, INTEGERs as a
/// blank and their digits, a new line when the characters already on the line
/// plus the item's length (an INTEGER's digits) reach 80.
void list_edit(std::string& out, std::span<const OutItem> items);

/// A stream of bytes cut into records: get() gives each byte of a record,
/// '\n' at its end and -1 at the end of the file; unget() pushes back the one
/// byte just read. The bytes come in windows, so that get() is an inline
/// pointer step; only refill() is virtual, once per window.
class CharSource {
 public:
  virtual ~CharSource() = default;
  int get() {
    if (cur_ == end_ && !refill()) return -1;
    return static_cast<unsigned char>(*cur_++);
  }
  void unget(int c) {
    if (c != -1) --cur_;
  }
  /// Reads up to and including the next '\n'; false when the file ends first.
  bool skip_record() {
    for (;;) {
      if (cur_ == end_ && !refill()) return false;
      const void* nl = std::memchr(cur_, '\n', static_cast<std::size_t>(end_ - cur_));
      if (nl != nullptr) {
        cur_ = static_cast<const char*>(nl) + 1;
        return true;
      }
      cur_ = end_;
    }
  }
  /// The bytes of the current window not read yet, for a reader that looks
  /// ahead without get(); skip(n) then takes n of them.
  std::string_view ahead() const { return {cur_, static_cast<std::size_t>(end_ - cur_)}; }
  void skip(std::size_t n) { cur_ += n; }

 protected:
  /// Makes the next bytes of the stream the window [cur_, end_); false, with
  /// an empty window, at the end of the file.
  virtual bool refill() = 0;

  const char* cur_ = nullptr;
  const char* end_ = nullptr;
};

/// Reads the values of one list-directed READ from `in`, starting where `in`
/// stands, and stops right after the last value taken (the caller skips the
/// rest of the record). Returns end when the file ends before every item has
/// a value or a slash, error on a value that cannot be read as its item's type.
IoStatus list_parse(CharSource& in, std::span<const InItem> items);

/// The common shape of a list-directed number, read straight from `text`:
/// an optional sign and digits with an optional decimal point (1 to 19
/// digits in all; no point for an INTEGER), followed by a blank, tab, record
/// end, comma or slash, or by the end of `text` when `end_separates`. Returns
/// the length of the number, the separator not included, and its value
/// exactly as list_parse() converts it; 0 for any other shape, which
/// list_parse() alone can read.
std::size_t scan_plain_number(std::string_view text, bool integer, bool end_separates, double& value);

/// The values of one list-directed READ of numbers only, taken from one
/// record (without its line end) when each is of the shape above, followed by
/// blanks or tabs and at most one comma: stores them as list_parse() would
/// and returns true. Returns false, storing nothing, for any other record (a
/// text item, null values, a slash, a repeat count, values continued on the
/// next record), which list_parse() alone reads.
bool parse_plain_record(std::string_view record, std::span<const InItem> items);

/// A CharSource over a text in memory: one window, the whole text.
class StringSource : public CharSource {
 public:
  explicit StringSource(std::string_view text) : begin_(text.data()) {
    cur_ = text.data();
    end_ = text.data() + text.size();
  }
  /// Number of bytes consumed.
  std::size_t position() const { return static_cast<std::size_t>(cur_ - begin_); }

 private:
  bool refill() override { return false; }
  const char* begin_;
};

}  // namespace rt
