// The reference run-time library (libf2c) and our run-time driven side by
// side: the same statements on both, with their items given as our run-time's
// item lists, and the scratch files they work on.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "runtime/format.hpp"
#include "runtime/io.hpp"

namespace ref {

/// libf2c statements, issued with their error and end flags set so that
/// they return a status instead of ending the program.
namespace f2c {
/// OPEN with STATUS `status` ("old", "new", "unknown"), or none when null.
rt::IoStatus open(int32_t unit, const std::string& path, const char* status = nullptr);
void rewind(int32_t unit);
void close(int32_t unit);
void write_formatted(int32_t unit, const char* format, std::span<const rt::OutItem> items);
void write_list(int32_t unit, std::span<const rt::OutItem> items);
rt::IoStatus read_formatted(int32_t unit, const char* format, std::span<const rt::InItem> items);
rt::IoStatus read_list(int32_t unit, std::span<const rt::InItem> items);
}  // namespace f2c

/// Our run-time's statements over item lists of any length (up to 8 items),
/// with both branches named.
namespace ours {
void write_formatted(int32_t unit, const rt::Format& format, std::span<const rt::OutItem> items);
void write_list(int32_t unit, std::span<const rt::OutItem> items);
rt::IoStatus read_formatted(int32_t unit, const rt::Format& format, std::span<const rt::InItem> items);
rt::IoStatus read_list(int32_t unit, std::span<const rt::InItem> items);
}  // namespace ours

/// A fresh directory under the system's temporary folder, removed at the end.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  std::string file(std::string_view name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

std::string read_file(const std::string& path);
void write_file(const std::string& path, std::string_view content);

/// Text of a REAL for messages: its decimal value and its bits.
std::string describe(float value);

}  // namespace ref
