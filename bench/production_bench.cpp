// The whole production of one run, as the dialog drives it: read the exchange
// file, emit the attribute block, walk every kind, write the answer.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/DrawingGenerator.h"
#include "endpoints/EndPoints.h"
#include "exchange/JwwGaibu.h"

namespace {

constexpr uint32_t kSeed = 20261208;

struct TDrawingFile {
  std::string path;
  explicit TDrawingFile(int entities) {
    path = (std::filesystem::temp_directory_path() /
            ("q527-production-" + std::to_string(entities) + ".txt"))
               .string();
    if (!WriteDrawing(path, entities, kSeed)) path.clear();
  }
  ~TDrawingFile() {
    if (!path.empty()) std::remove(path.c_str());
  }
};

void BM_WholeProduction(benchmark::State& state) {
  const int entities = static_cast<int>(state.range(0));
  const TDrawingFile drawing(entities);
  if (drawing.path.empty()) {
    state.SkipWithError("cannot write the drawing");
    return;
  }
  const std::string answer = drawing.path + ".answer";
  TEndPointChoices choices;
  TPlacedPointList placed;
  int32_t points = 0;
  for (auto _ : state) {
    JwwInit();
    JwwReadFile(drawing.path);
    ResetEmitState();
    if (BzFlag) AddCommandLine("bz");
    EmitLayerGroup(HostLg);
    EmitLayer(HostLy);
    EmitLineColor(0, 1);
    EmitPointColor(0, 1);
    EmitLineType(1, 0);
    EmitLineWidth(0);
    placed.Clear();
    EndPointWalk(choices, placed, nullptr);
    points = placed.PlacedCount();
    placed.Clear();
    WriteCommandFile(answer);
    JwwFree();
  }
  std::remove(answer.c_str());
  state.SetBytesProcessed(state.iterations() *
                          static_cast<int64_t>(std::filesystem::file_size(drawing.path)));
  state.counters["points"] = points;
}

}  // namespace

BENCHMARK(BM_WholeProduction)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
