// Fuzzes a whole run on an arbitrary exchange file: reading, the attribute
// block, the walk over every kind with plain points and with markers, and the
// writing of the answer, which must always be a well-formed answer.
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "endpoints/EndPoints.h"
#include "exchange/JwwGaibu.h"
#include "host/Answer.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

std::string TempPath(const char* stem) {
  std::string path = std::string("/tmp/") + stem + "-XXXXXX";
  const int fd = mkstemp(path.data());
  Require(fd >= 0);
  close(fd);
  return path;
}

const std::string& DrawingPath() {
  static const std::string path = TempPath("q527-fuzz-drawing");
  return path;
}

const std::string& AnswerPath() {
  static const std::string path = TempPath("q527-fuzz-answer");
  return path;
}

std::string ReadAll(const std::string& path) {
  std::string bytes;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
    std::fclose(f);
  }
  return bytes;
}

// The answer of one walk: attribute block, points, written and checked.
void Produce(const TEndPointChoices& choices) {
  JwwClearOut();
  ResetEmitState();
  if (BzFlag) AddCommandLine("bz");
  EmitLayerGroup(HostLg);
  EmitLayer(HostLy);
  EmitLineColor(choices.MarkerIndex * 40, 1);
  EmitPointColor(choices.MarkerIndex * 40, 1);
  EmitLineType(1, 0);
  EmitLineWidth(0);

  TPlacedPointList placed;
  EndPointWalk(choices, placed, nullptr);

  const int32_t count = placed.PlacedCount();
  for (int32_t i = 0; i < count; ++i) {
    Require(std::isfinite(placed[i].X) && std::isfinite(placed[i].Y));
  }
  if (count <= 3000) {
    for (int32_t i = 0; i < count; ++i) {
      for (int32_t j = 0; j < i; ++j) {
        const bool same = fabsl(static_cast<long double>(placed[i].X) - placed[j].X) <= 1e-8L &&
                          fabsl(static_cast<long double>(placed[i].Y) - placed[j].Y) <= 1e-8L;
        Require(!same);
      }
    }
  }

  Require(WriteCommandFile(AnswerPath()));
  const AnswerCheck check = CheckAnswer(ReadAll(AnswerPath()));
  Require(check.Ok());
  int32_t points = 0;
  for (const AnswerCommand& command : check.commands) {
    const bool isPoint = command.kind == AnswerCommand::Kind::Point;
    const bool isMarker = command.kind == AnswerCommand::Kind::PointMarker;
    Require(!(choices.Markers ? isPoint : isMarker));
    if (isPoint || isMarker) ++points;
  }
  Require(points == count);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (FILE* f = std::fopen(DrawingPath().c_str(), "wb")) {
    Require(std::fwrite(data, 1, size, f) == size);
    Require(std::fclose(f) == 0);
  }
  JwwInit();
  JwwReadFile(DrawingPath());

  TEndPointChoices choices;
  Produce(choices);
  choices.Markers = true;
  choices.MarkerIndex = size == 0 ? -1 : static_cast<int32_t>(data[0] % 8) - 1;
  choices.Scale = size < 2 ? 1.0 : 1.0 / (data[1] + 1);
  Produce(choices);

  JwwFree();
  return 0;
}
