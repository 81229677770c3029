// Reading exchange files shaped like a host's selection: the whole read of a
// file in the page cache (JwwInit + JwwReadFile), with its throughput and the
// peak memory of the process against the file's size, and the parsing of the
// same lines from memory.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "bench/DrawingGenerator.h"
#include "exchange/JwwGaibu.h"

namespace {

constexpr uint32_t kSeed = 527;

// A generated exchange file in the temporary folder, removed with the object.
class DrawingFile {
 public:
  explicit DrawingFile(int entities)
      : path_(std::filesystem::temp_directory_path() /
              ("q527-reader-bench-" + std::to_string(::getpid()) + "-" + std::to_string(entities) + ".txt")) {
    ok_ = WriteDrawing(path_.string(), entities, kSeed);
    std::error_code error;
    if (ok_) size_ = static_cast<int64_t>(std::filesystem::file_size(path_, error));
    ok_ = ok_ && !error;
  }
  ~DrawingFile() {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }
  DrawingFile(const DrawingFile&) = delete;
  DrawingFile& operator=(const DrawingFile&) = delete;

  bool Ok() const { return ok_; }
  std::string Path() const { return path_.string(); }
  int64_t Size() const { return size_; }

 private:
  std::filesystem::path path_;
  bool ok_ = false;
  int64_t size_ = 0;
};

// The largest resident set of this process so far, in bytes.
double PeakRssBytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) * 1024.0;
}

void BM_ReadDrawing(benchmark::State& state) {
  const int entities = static_cast<int>(state.range(0));
  const DrawingFile file(entities);
  if (!file.Ok()) {
    state.SkipWithError("cannot write the drawing");
    return;
  }
  bool ok = true;
  for (auto _ : state) {
    JwwInit();
    ok = JwwReadFile(file.Path()) && ok;
    benchmark::DoNotOptimize(JwwOrderCount);
  }
  if (!ok || JwwOrderCount != entities) state.SkipWithError("the drawing was not read whole");
  state.SetBytesProcessed(state.iterations() * file.Size());
  const double peak = PeakRssBytes();
  state.counters["file_MB"] = static_cast<double>(file.Size()) / 1e6;
  state.counters["peak_RSS_MB"] = peak / 1e6;
  state.counters["peak_per_file_byte"] = peak / static_cast<double>(file.Size());
  JwwFree();
}
BENCHMARK(BM_ReadDrawing)->Arg(10'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// The same lines handed to JwwParseLine from memory: tokenising and the
// rules without the file.
void BM_ParseDrawingLines(benchmark::State& state) {
  const std::string drawing = GenerateDrawing(static_cast<int>(state.range(0)), kSeed);
  for (auto _ : state) {
    JwwInit();
    std::string_view rest(drawing);
    while (!rest.empty()) {
      const size_t lf = rest.find('\n');
      std::string_view line = rest.substr(0, lf);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      JwwParseLine(line);
      rest.remove_prefix(lf == std::string_view::npos ? rest.size() : lf + 1);
    }
    benchmark::DoNotOptimize(JwwOrderCount);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(drawing.size()));
  JwwFree();
}
BENCHMARK(BM_ParseDrawingLines)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
