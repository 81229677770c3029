#include "tests/support/TestSupport.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

#include <cerrno>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace {

#ifdef _WIN32
// Through UTF-16, refusing characters that the target code page lacks.
std::string Convert(std::string_view text, UINT to, UINT from) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int wideLength =
      MultiByteToWideChar(from, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
  if (wideLength == 0) throw std::runtime_error("text outside the code page");
  std::wstring wide(static_cast<size_t>(wideLength), L'\0');
  MultiByteToWideChar(from, 0, text.data(), size, wide.data(), wideLength);
  BOOL lost = FALSE;
  BOOL* lostFlag = to == CP_UTF8 ? nullptr : &lost;
  const int length =
      WideCharToMultiByte(to, 0, wide.data(), wideLength, nullptr, 0, nullptr, lostFlag);
  std::string out(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(to, 0, wide.data(), wideLength, out.data(), length, nullptr, lostFlag);
  if (lost) throw std::runtime_error("text outside the code page");
  return out;
}

constexpr UINT kSjis = 932;
constexpr UINT kUtf8 = CP_UTF8;
#else
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

constexpr char kSjis[] = "CP932";
constexpr char kUtf8[] = "UTF-8";
#endif

}  // namespace

std::string Sjis(std::string_view utf8) { return Convert(utf8, kSjis, kUtf8); }

std::string Utf8(std::string_view sjis) { return Convert(sjis, kUtf8, kSjis); }

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
