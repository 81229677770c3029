// The whole production of one run, as the dialog drives it: read the exchange
// file and the settings, save them, emit the attribute block, walk every kind,
// write the answer.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/DrawingGenerator.h"
#include "app/Session.h"
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
  // The program lies beside the drawing, so that its exchange file is a copy.
  const std::filesystem::path folder = std::filesystem::path(drawing.path).parent_path() / "q527-production";
  std::filesystem::create_directories(folder);
  const std::filesystem::path answer = folder / JwwExchangeFileName;
  const TSettings settings;
  int32_t points = 0;
  for (auto _ : state) {
    // The walk's first message comes before its first point, the last
    // message after its last.
    int32_t before = -1;
    state.PauseTiming();
    std::filesystem::copy_file(drawing.path, answer, std::filesystem::copy_options::overwrite_existing);
    state.ResumeTiming();
    TSession session(folder / "q527");
    session.Open();
    session.Produce(settings, [&](std::string_view) {
      if (before < 0) before = JwwOutCount;
      points = JwwOutCount - before;
    });
    session.Close();
  }
  std::filesystem::remove_all(folder);
  state.SetBytesProcessed(state.iterations() *
                          static_cast<int64_t>(std::filesystem::file_size(drawing.path)));
  state.counters["points"] = points;
}

}  // namespace

BENCHMARK(BM_WholeProduction)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
