#include "host/HostProgram.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

namespace fs = std::filesystem;

void Fail(const std::string& message) {
  std::fprintf(stderr, "q527-host: %s\n", message.c_str());
}

fs::path PathOf(const QString& text) { return fs::path(text.toStdU16String()); }

QString TextOf(const fs::path& path) { return QString::fromStdU16String(path.u16string()); }

std::string Shown(const fs::path& path) { return TextOf(path).toStdString(); }

std::optional<std::string> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) return std::nullopt;
  return bytes;
}

bool WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return !out.fail();
}
