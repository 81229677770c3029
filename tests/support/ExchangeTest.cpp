#include "tests/support/ExchangeTest.h"

#include "exchange/JwwGaibu.h"

void ExchangeTest::SetUp() {
  TempDirTest::SetUp();
  JwwInit();
}

void ExchangeTest::TearDown() {
  JwwFree();
  TempDirTest::TearDown();
}

void ExchangeTest::ParseLines(std::initializer_list<std::string_view> lines) {
  for (const std::string_view line : lines) JwwParseLine(line);
}
