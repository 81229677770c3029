// The fixture of the exchange unit's tests: a fresh exchange state and a
// fresh temporary folder for each test.
#pragma once

#include <initializer_list>
#include <string_view>

#include "tests/support/TestSupport.h"

// JwwInit before each test and JwwFree after it, inside a temporary folder of
// its own (see TempDirTest).
class ExchangeTest : public TempDirTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Hands the lines to JwwParseLine one by one, as a file's lines would be.
  static void ParseLines(std::initializer_list<std::string_view> lines);
};
