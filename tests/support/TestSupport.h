// Helpers shared by the tests: a fresh temporary folder per test, whole-file
// reads and writes, and UTF-8 to Shift-JIS conversion for expected texts.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>

// The Shift-JIS (code page 932) bytes of a UTF-8 text; fails the test when
// the text has a character outside the code page.
std::string Sjis(std::string_view utf8);

// The UTF-8 text of Shift-JIS bytes.
std::string Utf8(std::string_view sjis);

// The whole file as bytes; empty when it cannot be read.
std::string ReadBytes(const std::filesystem::path& path);

// Writes the bytes as the whole file, creating or replacing it.
void WriteBytes(const std::filesystem::path& path, std::string_view bytes);

// A fixture that gives each test a fresh temporary folder, removed after it.
class TempDirTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  const std::filesystem::path& Dir() const { return dir_; }
  // Dir() / name as a string.
  std::string PathOf(std::string_view name) const;

 private:
  std::filesystem::path dir_;
};
