// In-process tests of the ride stages: each test runs in a fresh directory,
// with the screen (unit 6) written to a file and the keyboard (unit 5) read
// from a file of typed lines.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "runtime/io.hpp"
#include "support/in_temp_directory.hpp"

namespace ride_test {

class InDirectory : public test_support::InTempDirectory {
 protected:
  void SetUp() override {
    InTempDirectory::SetUp();
    screen_fd_ = ::open("screen", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    rt::attach_stream(6, screen_fd_, "sortie standard", true);
  }
  void TearDown() override {
    InTempDirectory::TearDown();
    if (screen_fd_ >= 0) ::close(screen_fd_);
    if (keyboard_fd_ >= 0) ::close(keyboard_fd_);
  }
  void type(const std::string& input) {
    dir_.write("keyboard", input);
    const int old_fd = keyboard_fd_;
    keyboard_fd_ = ::open("keyboard", O_RDONLY);
    rt::attach_stream(5, keyboard_fd_, "entree standard", false);
    if (old_fd >= 0) ::close(old_fd);
  }
  /// Closes every unit, then returns what the screen received.
  std::string screen() {
    rt::close_all();
    return dir_.read("screen");
  }
  /// Closes every unit, then returns the whole content of `name`.
  std::string file(const std::string& name) {
    rt::close_all();
    return dir_.read(name);
  }

  int screen_fd_ = -1;
  int keyboard_fd_ = -1;
};

}  // namespace ride_test
