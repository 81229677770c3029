// q527.exe's version information read back from the built program through
// the functions Explorer's Properties use: the Japanese string table as
// UTF-16, its translation and the fixed version numbers.
#include <windows.h>
#include <winver.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tests/support/TestSupport.h"

namespace {

// UTF-16 code units in hex, so that a failure shows the units themselves.
std::string Units(std::u16string_view text) {
  std::string out;
  for (char16_t unit : text) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "%04x ", static_cast<unsigned>(unit));
    out += hex;
  }
  return out;
}

// The "Copyright ..." line of the notice shipped beside the program.
std::u16string NoticeCopyright() {
  const std::string notice = ReadBytes(Q527_NOTICE);
  const size_t start = notice.find("Copyright");
  if (start == std::string::npos) return {};
  const std::string line = notice.substr(start, notice.find_first_of("\r\n", start) - start);
  return std::u16string(line.begin(), line.end());  // ASCII
}

TEST(VersionInfoTest, ProgramNamesItselfInJapanese) {
  const std::wstring program = std::filesystem::path(Q527_PROGRAM).wstring();
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(program.c_str(), &handle);
  ASSERT_GT(size, 0u) << Q527_PROGRAM << " has no version information";
  std::vector<unsigned char> block(size);
  ASSERT_TRUE(GetFileVersionInfoW(program.c_str(), 0, size, block.data()));

  const std::u16string copyright = NoticeCopyright();
  ASSERT_FALSE(copyright.empty()) << Q527_NOTICE << " has no copyright line";
  const struct {
    const wchar_t* name;
    std::u16string text;
  } strings[] = {
      {L"FileDescription", u"端点に点を作図"},
      {L"FileVersion", u"" Q527_VERSION},
      {L"InternalName", u"q527"},
      {L"LegalCopyright", copyright},
      {L"OriginalFilename", u"q527.exe"},
      {L"ProductName", u"端点に点を作図 (q527)"},
      {L"ProductVersion", u"" Q527_VERSION},
  };
  for (const auto& s : strings) {
    SCOPED_TRACE(testing::Message() << s.name);
    const std::wstring path = std::wstring(L"\\StringFileInfo\\041104B0\\") + s.name;
    void* value = nullptr;
    UINT length = 0;  // in code units, with the terminating zero
    ASSERT_TRUE(VerQueryValueW(block.data(), path.c_str(), &value, &length));
    EXPECT_EQ(Units(std::u16string_view(static_cast<const char16_t*>(value), length)),
              Units(s.text + u'\0'));
  }

  // One language and code page: Japanese, UTF-16.
  void* translation = nullptr;
  UINT bytes = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &translation, &bytes));
  const auto* words = static_cast<const WORD*>(translation);
  EXPECT_EQ(std::vector<WORD>(words, words + bytes / sizeof(WORD)), (std::vector<WORD>{0x0411, 1200}));

  // The numbers Explorer shows as the file's version: the text's, build 0.
  void* fixed = nullptr;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", &fixed, &bytes));
  ASSERT_EQ(bytes, sizeof(VS_FIXEDFILEINFO));
  const auto& info = *static_cast<const VS_FIXEDFILEINFO*>(fixed);
  EXPECT_EQ(info.dwSignature, 0xFEEF04BDu);
  for (const auto& [ms, ls] : {std::pair{info.dwFileVersionMS, info.dwFileVersionLS},
                               std::pair{info.dwProductVersionMS, info.dwProductVersionLS}}) {
    EXPECT_EQ(std::to_string(HIWORD(ms)) + "." + std::to_string(LOWORD(ms)) + "." +
                  std::to_string(HIWORD(ls)),
              Q527_VERSION);
    EXPECT_EQ(LOWORD(ls), 0);
  }
}

}  // namespace
