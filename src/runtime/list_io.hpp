// List-directed editing, apart from units, so that it can be tested and
// fuzzed on plain text.
#pragma once

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
/// byte just read.
class CharSource {
 public:
  virtual ~CharSource() = default;
  virtual int get() = 0;
  virtual void unget(int c) = 0;
  /// Reads up to and including the next '\n' (or to the end of the file).
  void skip_record() {
    int c;
    do c = get();
    while (c != '\n' && c != -1);
  }
};

/// Reads the values of one list-directed READ from `in`, starting where `in`
/// stands, and stops right after the last value taken (the caller skips the
/// rest of the record). Returns end when the file ends before every item has
/// a value or a slash, error on a value that cannot be read as its item's type.
IoStatus list_parse(CharSource& in, std::span<const InItem> items);

/// A CharSource over a text in memory.
class StringSource : public CharSource {
 public:
  explicit StringSource(std::string_view text) : text_(text) {}
  int get() override {
    if (pos_ >= text_.size()) {
      pos_ = text_.size() + 1;
      return -1;
    }
    return static_cast<unsigned char>(text_[pos_++]);
  }
  void unget(int c) override {
    if (c != -1 && pos_ > 0) --pos_;
    else if (c == -1) pos_ = text_.size();
  }
  std::size_t position() const { return pos_; }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace rt
