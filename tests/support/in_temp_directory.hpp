// In-process tests of code that opens units by file name: each test runs in
// a fresh temporary directory, and every unit is closed before it is left.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>

#include "runtime/io.hpp"
#include "support/program_run.hpp"

namespace test_support {

class InTempDirectory : public ::testing::Test {
 protected:
  void SetUp() override {
    old_cwd_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_.path());
  }
  void TearDown() override {
    rt::close_all();
    std::filesystem::current_path(old_cwd_);
  }

  TempDir dir_;

 private:
  std::filesystem::path old_cwd_;
};

}  // namespace test_support
