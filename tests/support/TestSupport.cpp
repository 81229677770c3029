#include "tests/support/TestSupport.h"

#include <iconv.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace {

std::string Convert(std::string_view text, const char* to, const char* from) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open failed");
  std::string out(text.size() * 4 + 4, '\0');
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  char* outPtr = out.data();
  size_t outLeft = out.size();
  const size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
  iconv_close(cd);
  if (rc == static_cast<size_t>(-1)) throw std::runtime_error("text outside the code page");
  out.resize(out.size() - outLeft);
  return out;
}

}  // namespace

std::string Sjis(std::string_view utf8) { return Convert(utf8, "CP932", "UTF-8"); }

std::string Utf8(std::string_view sjis) { return Convert(sjis, "UTF-8", "CP932"); }

std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

void TempDirTest::SetUp() {
  std::random_device random;
  const auto base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto candidate = base / ("q527-test-" + std::to_string(random()));
    if (std::filesystem::create_directory(candidate)) {
      dir_ = candidate;
      return;
    }
  }
  FAIL() << "cannot create a temporary folder";
}

void TempDirTest::TearDown() {
  std::error_code ignored;
  if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
}

std::string TempDirTest::PathOf(std::string_view name) const { return (dir_ / name).string(); }
