// Fuzzes a whole run on an arbitrary exchange file, as the dialog drives it:
// reading, the attribute block, the walk over every kind with plain points
// and with markers, and the writing of the answer, which must always be a
// well-formed answer with one distinct, finite point command per point.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/Session.h"
#include "common/MyFunc.h"
#include "exchange/JwwGaibu.h"
#include "host/Answer.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

// The folder of the runs, removed when the fuzzer ends. Plain bytes: it
// must outlive every object that is destroyed at exit.
char gFolder[4096];

void RemoveFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(gFolder, ignored);
}

// The files of a program in a folder of its own, derived once.
const TRunPaths& Paths() {
  static const TRunPaths paths = RunPathsOf([] {
    // In TMPDIR when it is set; else in memory where the machine offers it:
    // a disk's file system may flush a rewritten file on every close, which
    // would cost more than the run.
    std::error_code error;
    const char* folder = std::getenv("TMPDIR");
    if (!folder || !*folder) folder = std::filesystem::is_directory("/dev/shm", error) ? "/dev/shm" : "/tmp";
    const int length = std::snprintf(gFolder, sizeof gFolder, "%s/q527-fuzz-XXXXXX", folder);
    Require(length > 0 && static_cast<size_t>(length) < sizeof gFolder);
    Require(mkdtemp(gFolder) != nullptr);
    std::atexit(RemoveFolder);
    return std::filesystem::path(gFolder) / "q527";
  }());
  return paths;
}

// Writes the input over the last answer in place, then cuts the file to
// its length: emptying the file first would free its memory only for the
// write to take it again.
void WriteAll(const std::filesystem::path& path, const uint8_t* data, size_t size) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT, 0644);
  Require(fd >= 0);
  size_t done = 0;
  while (done < size) {
    const ssize_t n = write(fd, data + done, size - done);
    Require(n > 0);
    done += static_cast<size_t>(n);
  }
  Require(ftruncate(fd, static_cast<off_t>(size)) == 0);
  Require(close(fd) == 0);
}

std::string ReadAll(const std::filesystem::path& path) {
  std::string bytes;
  const int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) return bytes;
  // Kept between runs: a large array on the stack would be poisoned and
  // unpoisoned by the sanitizer on every call.
  static char buffer[65536];
  ssize_t n;
  while ((n = read(fd, buffer, sizeof buffer)) > 0) bytes.append(buffer, static_cast<size_t>(n));
  close(fd);
  return bytes;
}

// The points of a well-formed answer are finite and pairwise more than 1e-8
// apart on some axis; plain points or markers only, as chosen.
void CheckPoints(const AnswerCheck& check, bool markers) {
  std::vector<std::pair<double, double>> points;
  for (const AnswerCommand& command : check.commands) {
    const bool isPoint = command.kind == AnswerCommand::Kind::Point;
    const bool isMarker = command.kind == AnswerCommand::Kind::PointMarker;
    Require(!(markers ? isPoint : isMarker));
    if (!isPoint && !isMarker) continue;
    points.emplace_back(TextToFloat(command.x), TextToFloat(command.y));
    Require(std::isfinite(points.back().first) && std::isfinite(points.back().second));
  }
  // Below 1e5 the answer's 15 digits resolve 1e-10, so points placed more
  // than 1e-8 apart on an axis are still more than 0.9e-8 apart as written.
  constexpr double kApart = 0.9e-8;
  std::erase_if(points, [](const std::pair<double, double>& p) {
    return !(std::fabs(p.first) < 1e5 && std::fabs(p.second) < 1e5);
  });
  // In order of x, a point need only be held against those that follow it
  // within kApart on x.
  std::sort(points.begin(), points.end());
  for (size_t i = 0; i < points.size(); ++i) {
    for (size_t j = i + 1; j < points.size() && points[j].first - points[i].first <= kApart; ++j) {
      Require(std::fabs(points[j].second - points[i].second) > kApart);
    }
  }
}

// One whole run with the choices: the answer is written and checked.
void Run(const uint8_t* data, size_t size, const TSettings& settings) {
  TSession session(Paths());
  WriteAll(session.Paths().Exchange, data, size);
  session.Open();
  session.Produce(settings, nullptr);
  session.Close();
  const AnswerCheck check = CheckAnswer(ReadAll(session.Paths().Exchange));
  Require(check.Ok());
  CheckPoints(check, settings.PointType == PointTypeMarker);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TSettings settings;
  settings.ColorIndex = size == 0 ? 0 : data[0] % 8 * 40;
  Run(data, size, settings);
  settings.PointType = PointTypeMarker;
  settings.MarkerKind = size == 0 ? -1 : static_cast<int32_t>(data[0] % 8) - 1;
  settings.Scale = size < 2 ? 1.0 : 1.0 / (data[1] + 1);
  Run(data, size, settings);
  return 0;
}
